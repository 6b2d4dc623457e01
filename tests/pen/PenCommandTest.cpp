#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "Pen.h"
#include "PenTestSupport.h"
#include "SerialNG.h"

namespace {

using namespace pentest;

// Time passes only while the pen waits, as if something arrived every
// millisecond; every pump may deliver reply bytes.
class FakeClock : public PenClock {
  public:
    std::int64_t now = 0;
    int pumps = 0;
    std::function<void(std::int64_t)> onPump;
    std::int64_t NowMs() override { return now; }
    void Pump() override {
        ++pumps;
        if (onPump) onPump(now);
    }
    void WaitMs(std::int32_t) override { now += 1; }
};

class Command : public ::testing::Test {
  protected:
    Command() {
        auto owned = std::make_unique<FakeClock>();
        clock = owned.get();
        pen = std::make_unique<TDMPen>(std::make_unique<platform::MemoryStore>(), nullptr,
                                       std::move(owned));
    }
    ~Command() override { ResetCPVars(); }

    // What the receive handler would do with one cluster.
    static void Arrive(const Bytes& bytes) {
        RecBuf.resize(static_cast<std::size_t>(RecCount));
        RecBuf.insert(RecBuf.end(), bytes.begin(), bytes.end());
        RecCount = static_cast<std::int32_t>(RecBuf.size());
    }
    Bytes Sent() const { return Bytes(SendBuf.begin(), SendBuf.begin() + SendLen); }

    // A line that delivers bytes at its own pace from time 0: each byte once
    // its time on the line (byteMs) has passed, none after `until`.
    void Line(Bytes bytes, double byteMs, std::int64_t until) {
        clock->now = 0;
        clock->onPump = [bytes = std::move(bytes), byteMs, until,
                         sent = std::size_t{0}](std::int64_t now) mutable {
            while (sent < bytes.size() && now <= until &&
                   static_cast<double>(sent + 1) * byteMs <= static_cast<double>(now))
                Arrive({bytes[sent++]});
        };
    }

    FakeClock* clock;
    std::unique_ptr<TDMPen> pen;
};

TEST_F(Command, Frames) {
    Einstell.Timeout = 0;
    struct Case {
        const char* what;
        std::function<bool(TDMPen&)> run;
        Bytes frame;
    } cases[] = {
        {"wake-up", [](TDMPen& p) { return p.WakeUpPen(); }, {0x01, 0x02, 0x00, 0x03}},
        {"delete", [](TDMPen& p) { return p.DeletePenCodes(); }, {0x02, 0x02, 0x00, 0x00}},
        {"sleep", [](TDMPen& p) { return p.SleepPen(); }, {0x05, 0x02, 0x00, 0x07}},
        {"read codes", [](TDMPen& p) { return p.ReadPenCodes(); }, {0x07, 0x02, 0x00, 0x05}},
        {"parameter 2",
         [](TDMPen& p) { return p.ReadPenParamEinzel(2); },
         {0x08, 0x02, 0x01, 0x02, 0x00, 0x09}},
        {"parameters 1 to 16",
         [](TDMPen& p) { return p.ReadPenParamMulti(1, 16); },
         {0x08, 0x02, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
          0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x00, 0x0A}},
        {"parameters 17 to 30",
         [](TDMPen& p) { return p.ReadPenParamMulti(17, 30); },
         {0x08, 0x02, 0x0E, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C,
          0x1D, 0x1E, 0x00, 0x0B}},
        {"no parameters",
         [](TDMPen& p) { return p.ReadPenParamMulti(5, 4); },
         {0x08, 0x02, 0x00, 0x00, 0x0A}},
    };
    for (const auto& c : cases) {
        EXPECT_FALSE(c.run(*pen)) << c.what;
        EXPECT_EQ(Sent(), c.frame) << c.what;
    }
    EXPECT_EQ(TDMPen::CalcLRC(false, 4), 0x0A);
    EXPECT_EQ(TDMPen::CalcLRC(false, 0), 0);
}

// Without a reply a command looks every 500 ms until the time-out has passed;
// only the wake-up repeats its frame.
TEST_F(Command, TimeOutWithoutReply) {
    struct Case {
        std::int32_t timeout;
        bool wake;
        std::int64_t looks;
        std::uint32_t frames;
    } cases[] = {
        {0, false, 1, 1}, {-5, false, 1, 1}, {1, false, 2, 1},
        {0, true, 1, 1},  {1, true, 2, 2},   {10, true, 20, 20},
    };
    for (const auto& c : cases) {
        Einstell.Timeout = c.timeout;
        const std::int64_t start = clock->now;
        const std::uint32_t sentBefore = pen->FramesSent();
        EXPECT_FALSE(c.wake ? pen->WakeUpPen() : pen->ReadPenCodes());
        EXPECT_EQ(clock->now - start, c.looks * kCheckInterval) << c.timeout << " " << c.wake;
        EXPECT_EQ(pen->FramesSent() - sentBefore, c.frames) << c.timeout << " " << c.wake;
    }
}

// A reply whose first part passes the check-byte rule is not taken until the
// rest has arrived; a negative acknowledge never turns valid.
TEST_F(Command, WaitsForTheWholeReply) {
    Einstell.Timeout = 10;
    const Bytes reply = CodesReply("PEN00001", 2, CodeBlock('A', "4006381333931"));
    clock->onPump = [&](std::int64_t now) {
        if (now == 100) Arrive(Bytes(reply.begin(), reply.begin() + 2));
        if (now == 700) Arrive(Bytes(reply.begin() + 2, reply.end()));
    };
    ASSERT_TRUE(pen->ReadPenCodes());
    EXPECT_EQ(clock->now, 2 * kCheckInterval);
    ASSERT_TRUE(TDMPen::ExtractCodes());
    EXPECT_EQ(Codes[1].Code, "4006381333931");

    // It runs into the time-out: the first look at least a second after its
    // last byte.
    Einstell.Timeout = 1;
    clock->now = 0;
    clock->onPump = [&](std::int64_t now) {
        if (now == 20) Arrive({0x15, 0x00, 0x15});
    };
    EXPECT_FALSE(pen->DeletePenCodes());
    EXPECT_EQ(clock->now, 3 * kCheckInterval);
}

// The time-out measures silence: a long reply still arriving is not cut off,
// and a pen that stops mid-reply fails about Timeout seconds after its last
// byte. 200 codes of 13 digits take 13.8 s at 2400 baud with 11 bits a byte.
TEST_F(Command, TimeOutCountsFromTheLastByte) {
    const double byteMs = 11.0 * 1000 / 2400;
    Bytes blocks;
    for (int i = 0; i < kMaxCodes; ++i) blocks = Cat({blocks, CodeBlock('A', "4006381333931")});
    const Bytes reply = CodesReply("PEN00001", 9, blocks);
    struct Case {
        std::int32_t timeout;
        std::size_t bytes;  // sent of the reply
        bool complete;
    } cases[] = {
        {10, reply.size(), true}, {1, reply.size(), true}, {10, 1500, false},
        {2, 1500, false},         {10, 0, false},
    };
    for (const auto& c : cases) {
        Einstell.Timeout = c.timeout;
        Line(Bytes(reply.begin(), reply.begin() + static_cast<long>(c.bytes)), byteMs, 1 << 30);
        EXPECT_EQ(pen->ReadPenCodes(), c.complete) << c.timeout << " " << c.bytes;
        EXPECT_EQ(TDMPen::ExtractCodes() ? CodeCount : 0, c.complete ? kMaxCodes : 0);
        if (!c.complete) {
            const double silence = static_cast<double>(clock->now) - c.bytes * byteMs;
            EXPECT_GE(silence, c.timeout * 1000.0) << c.timeout << " " << c.bytes;
            EXPECT_LE(silence, c.timeout * 1000.0 + kCheckInterval) << c.timeout << " " << c.bytes;
        }
    }
}

// A line that never stops sending ends the command once the longest code
// reply (header, 200 blocks of 256 bytes, 0x00, check byte) would have taken
// its time on the line at the port's settings: Timeout plus that time.
TEST_F(Command, EndlessLineEndsAfterTheLongestReply) {
    const double longest = 14 + 200 * 256 + 2;
    struct Case {
        std::uint32_t baud;
        std::uint8_t dataBits, parity, stopBits;  // stop bits 0: 1, 1: 1.5, 2: 2
        double bits;
    } cases[] = {
        {2400, 8, 1, 0, 11},
        {9600, 8, 0, 0, 10},
        {1200, 7, 2, 2, 11},
        {4800, 8, 0, 1, 10.5},
    };
    Einstell.Timeout = 10;
    for (const auto& c : cases) {
        pen->SerialPortNG1->SetBaudRate(c.baud);
        pen->SerialPortNG1->SetDataBits(c.dataBits);
        pen->SerialPortNG1->SetParityType(c.parity);
        pen->SerialPortNG1->SetStopBits(c.stopBits);
        const double byteMs = c.bits * 1000 / c.baud;
        const double end = 10000 + longest * byteMs;
        // Sends well past the expected end, then stops, so that a command
        // that would wait for ever fails here instead of hanging.
        const auto until = static_cast<std::int64_t>(3 * end);
        Line(Bytes(static_cast<std::size_t>(until / byteMs) + 1, 0xFF), byteMs, until);
        EXPECT_FALSE(pen->ReadPenCodes());
        EXPECT_GE(static_cast<double>(clock->now), end - 1) << c.baud;
        EXPECT_LE(static_cast<double>(clock->now), end + kCheckInterval) << c.baud;
    }
}

TEST_F(Command, WakeUpCollectsEverythingSinceItsStart) {
    Einstell.Timeout = 10;
    const Bytes reply =
        Framed(Cat({{0x06, 0x00, 0x31, 0x00}, Bytes(8, 0x11), Text("FW 1.0  "), {0x00}}));
    RecBuf = {0xEE, 0xEE};  // left over from an earlier command
    RecCount = 2;
    const std::uint32_t before = pen->FramesSent();
    clock->onPump = [&](std::int64_t) {
        if (pen->FramesSent() - before == 3 && RecCount == 0) Arrive(reply);
    };
    ASSERT_TRUE(pen->WakeUpPen());
    EXPECT_EQ(pen->FramesSent() - before, 3u);
    EXPECT_TRUE(TDMPen::ExtractPenData());
    EXPECT_EQ(PenData.ProtoVersion, 0x31);
}

TEST_F(Command, DelayPumpsAtLeastOnce) {
    pen->Delay(0);
    EXPECT_EQ(clock->pumps, 1);
    EXPECT_EQ(clock->now, 1);
    pen->Delay(20);
    EXPECT_EQ(clock->pumps, 21);
}

// Stopped while it waits, a command returns at once without a further frame
// or look; commands after it send nothing until they are resumed.
TEST_F(Command, StopEndsTheWaitAndHoldsBackLaterCommands) {
    Einstell.Timeout = 10;
    for (bool wake : {true, false}) {
        SCOPED_TRACE(wake);
        pen->ResumeCommands();
        clock->now = 0;
        const std::uint32_t before = pen->FramesSent();
        clock->onPump = [&](std::int64_t now) {
            if (now == 700) pen->StopCommands();
        };
        EXPECT_FALSE(wake ? pen->WakeUpPen() : pen->ReadPenCodes());
        EXPECT_EQ(clock->now, 700);
        EXPECT_EQ(pen->FramesSent() - before, wake ? 2u : 1u);

        clock->onPump = nullptr;
        EXPECT_FALSE(pen->SleepPen());
        pen->Delay(500);
        EXPECT_EQ(clock->now, 700);
        EXPECT_EQ(pen->FramesSent() - before, wake ? 2u : 1u);
    }
    pen->ResumeCommands();
    EXPECT_FALSE(pen->SleepPen());
    EXPECT_EQ(Sent(), (Bytes{0x05, 0x02, 0x00, 0x07}));
}

TEST_F(Command, PortThatCannotBeOpened) {
    Einstell.Comport = "/nonexistent/stylorix-port ";
    EXPECT_FALSE(pen->StartCom());
    EXPECT_FALSE(pen->SerialPortNG1->Active());
    EXPECT_EQ(pen->SerialPortNG1->CommPort(), "/nonexistent/stylorix-port");
    pen->CloseCom();
    EXPECT_EQ(pen->SerialPortNG1->BaudRate(), 2400u);
    EXPECT_EQ(pen->SerialPortNG1->ParityType(), 1);
}

}  // namespace
