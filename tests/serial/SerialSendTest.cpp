// The transmit path: SendData and the worker's CheckWrite.

#include <gtest/gtest.h>

#include "SerialFixture.h"

namespace {

using Calls = std::vector<std::string>;
const std::uint8_t kFrame[] = {0x01, 0x02, 0x00, 0x03};

class SendFixture : public SerialFixture {
  protected:
    SendFixture() {
        port->OnWriteDone = [this](TSerialPortNG& sender) {
            EXPECT_EQ(&sender, port.get());
            seen.push_back("done " + std::to_string(sender.WrittenBytes()));
        };
        port->OnProcessError = [this](TSerialPortNG&, std::uint32_t place, std::uint32_t code,
                                      const std::string& msg, std::uint8_t noise) {
            reports.push_back({place, code, msg, noise});
            seen.push_back("report " + std::to_string(place));
        };
    }
    void Open() {
        OpenQuietly();
        seen.clear();
    }
    std::vector<std::string> seen;
};

struct TimeoutCase {
    std::uint32_t perChar;
    std::uint16_t extra;
    std::uint32_t count;
    std::uint32_t expected;
};
class SendTimeout : public SendFixture, public ::testing::WithParamInterface<TimeoutCase> {};

TEST_P(SendTimeout, WriteTotalTimeoutScalesWithTheBlockLength) {
    const TimeoutCase& c = GetParam();
    Open();
    port->SetWTOCharDelayTime(c.perChar);
    port->SetWTOExtraDelayTime(c.extra);
    std::vector<std::uint8_t> block(c.count);
    port->SendData(block.data(), c.count);
    const comm::CommTimeouts t = fake->LastTimeouts();
    EXPECT_EQ(t.WriteTotalTimeoutConstant, c.expected);
    EXPECT_EQ(t.ReadIntervalTimeout, 0xFFFFFFFFu);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
}

INSTANTIATE_TEST_SUITE_P(Arithmetic, SendTimeout,
                         ::testing::Values(TimeoutCase{4500, 10, 4, 28},    // the pen link's frame
                                           TimeoutCase{1100, 250, 4, 254},  // initial values
                                           TimeoutCase{999, 7, 1, 7},       // integer division
                                           // the product wraps at 2^32: 5e9 mod 2^32 = 705032704
                                           TimeoutCase{5000, 0, 1000000, 705032}),
                         [](const ::testing::TestParamInfo<TimeoutCase>& info) {
                             return std::to_string(info.param.count) + "bytes" +
                                    std::to_string(info.param.expected) + "ms";
                         });

TEST_F(SendFixture, ImmediateCompletionRaisesWriteDoneBeforeReturning) {
    Open();
    port->SendData(kFrame, 4);
    EXPECT_EQ(seen, (Calls{"done 4"}));
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(fake->Written(), (std::vector<std::uint8_t>{1, 2, 0, 3}));

    seen.clear();
    port->SendData(kFrame, 0);
    EXPECT_EQ(seen, (Calls{"done 0"}));
}

TEST_F(SendFixture, PendingSendEndsInTheWorkerAndRefusesASecondSend) {
    Open();
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    port->SendData(kFrame, 4);
    EXPECT_TRUE(port->SendInProgress());
    EXPECT_TRUE(seen.empty());

    port->SendData(kFrame, 4);
    EXPECT_EQ(
        reports,
        (std::vector<Report>{{901, 0, "Msg, dont enter SendData while SendInProgress is set", 2}}));
    EXPECT_EQ(fake->CallsNamed("WriteFile").size(), 1u);

    Step();  // still incomplete
    EXPECT_TRUE(port->SendInProgress());
    fake->CompleteWrite(4);
    Step();
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(port->WrittenBytes(), 4u);
    EXPECT_EQ(seen, (Calls{"report 901", "done 4"}));
}

TEST_F(SendFixture, ShortWriteIsReportedAsTimeOutBeforeWriteDone) {
    Open();
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    port->SendData(kFrame, 4);
    fake->CompleteWrite(3);
    Step();
    EXPECT_EQ(port->WrittenBytes(), 3u);
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(seen, (Calls{"report 9701", "done 3"}));
    EXPECT_EQ(reports[0].msg, "Error write TimeOut");
}

TEST_F(SendFixture, PendingAnswerPastTheAllowanceAbandonsTheSend) {
    Open();
    port->SetWTOCharDelayTime(4500);
    port->SetWTOExtraDelayTime(10);
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    fake->SetPendingWriteAnswer(comm::kErrorIoPending, 2);
    port->SendData(kFrame, 4);
    fake->Advance(19);  // 2 * 4.5 + 10 = 19 ms allowed
    Step();
    EXPECT_TRUE(port->SendInProgress());
    fake->Advance(1);
    Step();
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(port->WrittenBytes(), 2u);
    EXPECT_EQ(reports, (std::vector<Report>{{9701, 997, "Error write TimeOut", 0}}));
    EXPECT_EQ(seen.back(), "done 2");
    // The write is cancelled before its record can be used again.
    EXPECT_EQ(fake->CallsNamed("CancelIo").size(), 1u);
}

TEST_F(SendFixture, FailedResultQueryEndsTheSend) {
    Open();
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    fake->SetPendingWriteAnswer(31, 0);
    port->SendData(kFrame, 4);
    Step();
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(seen, (Calls{"report 9702", "done 0"}));
    EXPECT_EQ(reports[0], (Report{9702, 31, "Error getting Overlapped Result", 0}));
}

TEST_F(SendFixture, FailedWriteStartIsReportedWithoutWriteDone) {
    Open();
    fake->SetWriteMode(FakeCommDriver::WriteMode::Fail, 5);
    port->SendData(kFrame, 4);
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(seen, (Calls{"report 903"}));
    EXPECT_EQ(reports[0], (Report{903, 5, "Error writing Data", 0}));
    EXPECT_EQ(fake->CallsNamed("ResetEvent").size(), 1u);
}

TEST_F(SendFixture, SendOnAClosedPortReports902Then903) {
    port->SendData(kFrame, 4);
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{902, 903}));
    EXPECT_EQ(reports[0].msg, "Error setting CommTimeout");
    EXPECT_EQ(seen.size(), 2u);
}

TEST_F(SendFixture, ClosingDuringAPendingSendEndsItWithWriteDone) {
    Open();
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    port->SendData(kFrame, 4);
    Step();
    port->SetActive(false);  // the purge aborts the write
    seen.clear();
    Step();
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(seen, (Calls{"report 9702", "done 0"}));
    EXPECT_EQ(reports.back().code, comm::kErrorOperationAborted);
    Step(2);
    EXPECT_FALSE(port->ThreadRunning());
}

TEST_F(SendFixture, QuietModeSilencesTheWorkersWriteDoneButNotTheImmediateOne) {
    Open();
    port->SetThreadQuietMode(true);
    port->SendData(kFrame, 4);
    EXPECT_EQ(seen, (Calls{"done 4"}));
    fake->SetWriteMode(FakeCommDriver::WriteMode::Pending);
    port->SendData(kFrame, 4);
    fake->CompleteWrite(3);
    Step();
    EXPECT_FALSE(port->SendInProgress());
    EXPECT_EQ(seen, (Calls{"done 4"}));
}

}  // namespace
