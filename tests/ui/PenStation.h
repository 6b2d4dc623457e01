#pragma once

// The window's presenter against a simulated reading station: the pen link
// and the serial component run as in the program, on the scripted comm driver
// with the worker stepped from the pen's waits, and the station answers every
// frame written to it. Time is the clock's own, so no test waits for real.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "FakeCommDriver.h"
#include "FakeView.h"
#include "Haupt.h"
#include "MainThread.h"
#include "Pen.h"
#include "PenTestSupport.h"
#include "SerialNG.h"

namespace ui {

using pentest::Bytes;
using pentest::Framed;

// What the pen in the station holds and how it answers.
struct StationPen {
    bool present = true;
    std::uint8_t proto = 0x31;
    std::uint8_t status = 0;
    std::uint16_t uploads = 3;
    std::vector<TCodes> codes;
    std::uint8_t loudness = 2;  // parameter 2
    bool answersCodeRead = true;
    bool confirmsDelete = true;  // false: a negative acknowledge, the codes stay
    bool badCheck = false;       // the code reply with a wrong check byte
    bool answersParams = true;
    bool badParameter = false;  // parameter 5 comes with two value bytes
};

class StationClock : public PenClock {
  public:
    StationClock(StationPen& pen, FakeCommDriver& driver) : pen_(pen), driver_(driver) {}

    // The commands the station received: "wake", "codes", "params 1-16",
    // "params 17-30", "delete", "sleep".
    std::vector<std::string> commands;
    // Runs when the station has received a command, before it answers.
    std::function<void(const std::string& command)> onCommand;
    TSerialPortNG* port = nullptr;

    std::int64_t NowMs() override { return now_; }
    void Pump() override {
        const Bytes written = driver_.Written();
        while (taken_ < written.size()) {
            const std::size_t length = FrameLength(written, taken_);
            if (taken_ + length > written.size()) break;
            Answer(Bytes(written.begin() + long(taken_), written.begin() + long(taken_ + length)));
            taken_ += length;
        }
        // A long reply comes in pieces, as it would on the line.
        if (!pending_.empty() && port && port->Active()) {
            const std::size_t n = std::min<std::size_t>(pending_.size(), kPiece);
            driver_.Feed(Bytes(pending_.begin(), pending_.begin() + long(n)));
            pending_.erase(pending_.begin(), pending_.begin() + long(n));
            port->SetReadRequest(true);
            port->StepWorker();
            port->StepWorker();
        }
    }
    void WaitMs(std::int32_t ms) override { now_ += std::min<std::int32_t>(ms, 100); }

  private:
    static constexpr std::size_t kPiece = 1000;

    static std::size_t FrameLength(const Bytes& w, std::size_t at) {
        if (w[at] != 0x08) return 4;
        return at + 2 < w.size() ? std::size_t(w[at + 2]) + 5 : 3 + 2;
    }

    void Answer(const Bytes& frame) {
        std::string command;
        switch (frame[0]) {
            case 0x01:
                command = "wake";
                break;
            case 0x02:
                command = "delete";
                break;
            case 0x05:
                command = "sleep";
                break;
            case 0x07:
                command = "codes";
                break;
            default:
                command = "params " + std::to_string(frame[3]) + "-" +
                          std::to_string(frame[frame.size() - 3]);
        }
        // The wake-up is repeated until the pen answers: it is listed once,
        // and answered once.
        const bool again = command == "wake" && !commands.empty() && commands.back() == "wake";
        if (!again) {
            commands.push_back(command);
            if (onCommand) onCommand(command);
        }
        if (command != "wake") wakeAnswered_ = false;
        if (!pen_.present || (again && wakeAnswered_)) return;
        if (command == "wake") {
            wakeAnswered_ = true;
            Bytes b{0x06, 0x00, pen_.proto, pen_.status, 0x00, 0x01,
                    0x02, 0x03, 0x04,       0x05,        0x06, 0xAB};
            for (char c : std::string("FW 2.10 ")) b.push_back(std::uint8_t(c));
            b.push_back(0x00);
            pending_ = Framed(b);
        } else if (command == "codes") {
            if (!pen_.answersCodeRead) return;
            Bytes blocks;
            for (const TCodes& code : pen_.codes)
                blocks = pentest::Cat({blocks, pentest::CodeBlock(code.Symbology, code.Code)});
            pending_ = pentest::CodesReply(" PEN0042", pen_.uploads, blocks);
            if (pen_.badCheck) pending_.back() ^= 0x5A;
        } else if (command == "delete" && !pen_.confirmsDelete) {
            pending_ = {0x15, 0x00, 0x15};
        } else if (command == "delete" || command == "sleep") {
            if (command == "delete") pen_.codes.clear();
            pending_ = {0x06, 0x00, 0x06};
        } else if (pen_.answersParams) {
            Bytes b{0x06, 0x00};
            for (std::size_t i = 3; i + 2 < frame.size(); ++i) {
                const std::uint8_t nr = frame[i];
                Bytes value{nr};
                if (nr == 1) value = {0x12, 0x34};
                if (nr == 2) value = {pen_.loudness};
                if (nr == 3 || nr == 23) value = {'A', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};
                if (nr == 5 && pen_.badParameter) value = {0x01, 0x02};
                b.push_back(std::uint8_t(value.size() + 1));
                b.push_back(nr);
                b.insert(b.end(), value.begin(), value.end());
            }
            b.push_back(0x00);
            pending_ = Framed(b);
        }
    }

    StationPen& pen_;
    FakeCommDriver& driver_;
    std::int64_t now_ = 0;
    std::size_t taken_ = 0;
    Bytes pending_;
    bool wakeAnswered_ = false;
};

class StationFixture : public ::testing::Test {
  protected:
    StationFixture() {
        platform::MarkMainThread();
        ResetCPVars();
        auto driver = std::make_unique<FakeCommDriver>();
        fake = driver.get();
        auto owned = std::make_unique<StationClock>(station, *fake);
        clock = owned.get();
        pen = std::make_unique<TDMPen>(std::make_unique<platform::MemoryStore>(), nullptr,
                                       std::move(owned));
        // The component on the scripted driver, its worker stepped by the clock.
        pen->AttachPort(std::make_unique<TSerialPortNG>(std::move(driver), false));
        clock->port = pen->SerialPortNG1.get();
        // The archive in a folder of the test's own, at a fixed time.
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        archive = std::filesystem::temp_directory_path() /
                  (std::string("stylorix-archive-") + test->test_suite_name() + "." + test->name());
        std::filesystem::remove_all(archive);
        pen->SetArchiveFolder(archive.string());
        pen->ArchiveClock = [] { return ArchiveTime{2026, 12, 10, 19, 20, 31}; };
        NewForm();
        FreshView();
    }
    ~StationFixture() override {
        form.reset();
        pen.reset();
        ResetCPVars();
        std::filesystem::remove_all(archive);
    }

    // The archive file of the fixed month, as it stands.
    std::string ArchiveContent() const {
        std::ifstream in(archive / "2026-12.csv", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    // A window as after the program's start with default settings, the
    // station on COM7 and a time-out of 1 s.
    void NewForm() {
        form = std::make_unique<TFHaupt>(*pen, view, [](auto) {});
        form->FormCreate();
        Einstell.Comport = "COM7";
        Einstell.Timeout = 1;
    }

    // A view with nothing recorded, as the window stands after its creation.
    void FreshView() {
        view = FakeView{};
        view.waitVisible = false;
    }

    static std::vector<TCodes> SomeCodes(int n) {
        std::vector<TCodes> codes;
        for (int i = 1; i <= n; ++i)
            codes.push_back({std::uint8_t('A' + i % 5), "400638133" + std::to_string(1000 + i)});
        return codes;
    }

    StationPen station;
    std::filesystem::path archive;
    FakeCommDriver* fake = nullptr;
    StationClock* clock = nullptr;
    std::unique_ptr<TDMPen> pen;
    FakeView view;
    std::unique_ptr<TFHaupt> form;
};

}  // namespace ui
