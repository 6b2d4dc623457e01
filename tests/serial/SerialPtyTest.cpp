// The component on a real line: a pseudo-terminal whose far end is played by
// serial_ptyhost. Natively through the POSIX driver, and as a Windows program
// under Wine through the Win32 driver with a COM port mapped to the pty.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "MainThread.h"
#include "PtyReply.h"
#include "SerialNG.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
const std::uint8_t kWakeUp[] = {0x01, 0x02, 0x00, 0x03};

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

struct Report {
    std::uint32_t place;
    std::uint32_t code;
    std::string msg;
    std::uint8_t noise;
};

// Pumps the main thread's hand-overs as the pen link does while it waits.
template <typename Pred>
bool PumpUntil(Pred done, int limitMs = 10000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        platform::ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Pump(int ms) {
    PumpUntil([] { return false; }, ms);
}

class PtyFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::MarkMainThread();
        name = Env("STYLORIX_TEST_PORT");
        name2 = Env("STYLORIX_TEST_PORT2");
        if (name.empty()) GTEST_SKIP() << "runs under serial_ptyhost";
        port = Make();
    }

    // Configured as the pen link configures its port.
    std::unique_ptr<TSerialPortNG> Make() {
        auto p = std::make_unique<TSerialPortNG>();
        p->SetBaudRate(2400);
        p->SetParityType(1);
        p->SetRTOCharDelayTime(4500);
        p->SetRTOExtraDelayTime(10);
        p->SetWTOCharDelayTime(4500);
        p->SetWTOExtraDelayTime(10);
        p->SetCommPort(name);
        p->OnRxClusterEvent = [this](TSerialPortNG& sender) {
            std::int32_t size = 0, flags = 0;
            Bytes bytes = sender.TakeCluster(size, flags);
            if (size < 0) return;
            ++clusters;
            received.insert(received.end(), bytes.begin(), bytes.end());
        };
        p->OnProcessError = [this](TSerialPortNG&, std::uint32_t place, std::uint32_t code,
                                   const std::string& msg, std::uint8_t noise) {
            reports.push_back({place, code, msg, noise});
        };
        return p;
    }

    void Send(const Bytes& bytes) {
        ASSERT_TRUE(PumpUntil([&] { return !port->SendInProgress(); }));
        port->SendData(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }

    // The next n bytes from the line.
    Bytes Receive(std::size_t n) {
        PumpUntil([&] { return received.size() >= n; });
        Bytes out(received.begin(),
                  received.begin() + static_cast<std::ptrdiff_t>(std::min(n, received.size())));
        received.erase(received.begin(),
                       received.begin() + static_cast<std::ptrdiff_t>(out.size()));
        return out;
    }

    std::uint8_t Lines() {
        Send({'L'});
        const Bytes b = Receive(1);
        return b.empty() ? 0xEE : b[0];
    }

    std::vector<std::string> Errors() const {
        std::vector<std::string> out;
        for (const Report& r : reports)
            if (r.noise == 0)
                out.push_back(std::to_string(r.place) + " " + r.msg + " " + std::to_string(r.code));
        return out;
    }

    std::string name, name2;
    std::unique_ptr<TSerialPortNG> port;
    Bytes received;
    int clusters = 0;
    std::vector<Report> reports;
};

TEST_F(PtyFixture, OpensAt2400OddParityAndDrivesRtsAndDtr) {
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    EXPECT_EQ(Lines(), 3);  // opening raises both
    port->SetRTSState(false);
    EXPECT_EQ(Lines(), 2);
    port->SetDTRState(false);
    EXPECT_EQ(Lines(), 0);
    port->SetRTSState(true);
    port->SetDTRState(true);
    EXPECT_EQ(Lines(), 3);
    // A second configuration while open (odd parity again) is accepted too.
    port->SetBaudRate(4800);
    port->SetBaudRate(2400);
    EXPECT_EQ(Errors(), std::vector<std::string>{});
    port->SetActive(false);
    EXPECT_FALSE(port->Active());
}

TEST_F(PtyFixture, AFrameGoesOutAndTheSplitReplyComesBackInOrder) {
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
    EXPECT_EQ(Receive(42), PtyHostReply());
    EXPECT_GE(clusters, 1);
    EXPECT_EQ(Errors(), std::vector<std::string>{});
}

TEST_F(PtyFixture, ClosesAndReopens) {
    for (int round = 0; round < 3; ++round) {
        port->SetActive(true);
        ASSERT_TRUE(port->Active()) << round;
        Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
        EXPECT_EQ(Receive(42), PtyHostReply()) << round;
        port->SetActive(false);
        EXPECT_FALSE(port->Active());
        EXPECT_FALSE(port->DTRState());
    }
    EXPECT_EQ(Errors(), std::vector<std::string>{});
}

// Bytes that reach a closed port are not part of the next exchange: a stale
// byte in front of a reply would make the pen link wait in vain.
TEST_F(PtyFixture, BytesThatArriveWhileClosedAreGoneAfterReopening) {
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    Send({'S', 0, 40});  // about 180 ms of traffic, most of it after the close
    ASSERT_TRUE(PumpUntil([&] { return !port->SendInProgress(); }));
    port->SetActive(false);
    Pump(400);
    received.clear();
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    Pump(400);
    EXPECT_EQ(received, Bytes{});
    EXPECT_EQ(port->PeekClusterSize(), -1);
}

TEST_F(PtyFixture, ChangingThePortWhileOpenMovesToTheOtherLine) {
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    port->SetRTSState(false);
    EXPECT_EQ(Lines(), 2);
    reports.clear();
    port->SetCommPort(name2);
    ASSERT_TRUE(port->Active());
    std::vector<std::uint32_t> places;
    for (const Report& r : reports) places.push_back(r.place);
    EXPECT_EQ(places, (std::vector<std::uint32_t>{100, 110}));
    EXPECT_EQ(Lines(), 3);  // the new line, opened with both raised
    Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
    EXPECT_EQ(Receive(42), PtyHostReply());
}

TEST_F(PtyFixture, ModemLinesOfTheFarEndArePolledAndRaiseEvents) {
    int cts = 0, dsr = 0;
    port->OnCTSEvent = [&](TSerialPortNG&) { ++cts; };
    port->OnDSREvent = [&](TSerialPortNG&) { ++dsr; };
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    Send({'M', 3});
    EXPECT_TRUE(PumpUntil([&] { return port->CTSState() && port->DSRState(); }));
    EXPECT_TRUE(PumpUntil([&] { return cts > 0 && dsr > 0; }));
    Send({'M', 0});
    EXPECT_TRUE(PumpUntil([&] { return !port->CTSState() && !port->DSRState(); }));
    EXPECT_EQ(port->ModemState() & 0xF0u, 0u);
}

TEST_F(PtyFixture, StressOpenCloseSendReceiveAndDestroyWhileReceiving) {
    std::mt19937 random(12345);
    for (int round = 0; round < 12; ++round) {
        port->SetActive(true);
        ASSERT_TRUE(port->Active()) << round;
        Send({'S', 0, 60});  // a quarter second of traffic
        Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
        Pump(static_cast<int>(random() % 120));
        switch (round % 3) {
            case 0:  // close while bytes arrive, open again at once
                port->SetActive(false);
                port->SetActive(true);
                EXPECT_TRUE(port->Active());
                port->SetActive(false);
                break;
            case 1:  // destroy while receiving
                port.reset();
                port = Make();
                break;
            default:  // reopen under the other name
                port->SetCommPort(name2);
                EXPECT_TRUE(port->Active());
                port->SetActive(false);
                port->SetCommPort(name);
                break;
        }
        EXPECT_FALSE(port->Active());
        // Let the rest of the traffic pass while closed.
        Pump(400);
    }
    // Traffic that came while the port was closed may still wait in the pty
    // (Wine keeps it over an opening); let it arrive and drop it.
    port->SetActive(true);
    Pump(300);
    received.clear();
    Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
    EXPECT_EQ(Receive(42), PtyHostReply());
}

// Last: the line is gone afterwards until the host has put a new one in place.
TEST_F(PtyFixture, TheDeviceVanishingMidStreamLeavesAPortThatCloses) {
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    Send({'V'});
    EXPECT_EQ(Receive(50), Bytes(50, 0x55));
    // The device is gone now: reports come, nothing hangs.
    EXPECT_TRUE(PumpUntil([&] { return !Errors().empty(); }));
    Pump(300);
    port->SetActive(false);
    EXPECT_FALSE(port->Active());
    // The new device under the same name works.
    Pump(200);
    port->SetActive(true);
    ASSERT_TRUE(port->Active());
    received.clear();
    Send(Bytes(std::begin(kWakeUp), std::end(kWakeUp)));
    EXPECT_EQ(Receive(42), PtyHostReply());
}

}  // namespace
