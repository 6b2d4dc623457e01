// The worker: cutting received bytes into clusters, the cluster queue, line
// events and the wind-down.

#include <gtest/gtest.h>

#include <numeric>

#include "SerialFixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Calls = std::vector<std::string>;

Bytes Pattern(std::size_t n, std::uint8_t first = 0) {
    Bytes b(n);
    std::iota(b.begin(), b.end(), first);
    return b;
}

class ReceiveFixture : public SerialFixture {
  protected:
    ReceiveFixture() {
        port->OnRxClusterEvent = [this](TSerialPortNG&) { ++clusterEvents; };
        port->SetRTOCharDelayTime(4500);  // the pen link's timing
        port->SetRTOExtraDelayTime(10);
    }

    // Opens, and lets the worker see the empty queue once (the cut counts from there).
    void OpenAndSettle() {
        OpenQuietly();
        Step();
    }

    std::vector<Bytes> TakeAll() {
        std::vector<Bytes> out;
        for (;;) {
            std::int32_t size = 0, flags = 0;
            Bytes b = port->TakeCluster(size, flags);
            if (size < 0) return out;
            out.push_back(b);
        }
    }

    int clusterEvents = 0;
};

TEST_F(ReceiveFixture, BytesAreReadOnceThePauseExceedsTheirAllowance) {
    OpenAndSettle();
    fake->Feed(Pattern(20));
    fake->Advance(100);  // 20 * 4.5 + 10 = 100 ms: not yet
    Step();
    EXPECT_EQ(port->PeekClusterSize(), -1);
    EXPECT_EQ(fake->Queued(), 20u);
    fake->Advance(1);
    Step();
    EXPECT_EQ(clusterEvents, 1);
    EXPECT_EQ(fake->CallsNamed("ReadFile"), (Calls{"ReadFile(20)"}));
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{Pattern(20)}));
}

TEST_F(ReceiveFixture, EachFurtherByteExtendsTheAllowance) {
    OpenAndSettle();
    fake->Feed(Pattern(20));
    fake->Advance(100);
    fake->Feed({20});  // 21 * 4.5 + 10 = 104.5 ms
    Step();
    fake->Advance(4);
    Step();
    EXPECT_EQ(port->PeekClusterSize(), -1);
    fake->Advance(1);
    Step();
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{Pattern(21)}));
}

TEST_F(ReceiveFixture, AFullClusterSizeIsReadAtOnce) {
    OpenAndSettle();
    fake->Feed(Pattern(3072));
    Step();
    EXPECT_EQ(port->PeekClusterSize(), 3072);

    port->SetClusterSize(10);
    fake->Feed(Pattern(9));
    Step();
    EXPECT_EQ(fake->Queued(), 9u);
    fake->Feed({9});
    Step();
    EXPECT_EQ(fake->Queued(), 0u);

    port->SetClusterSize(0);
    fake->Feed({1});
    Step();
    EXPECT_EQ(fake->Queued(), 0u);
    EXPECT_EQ(clusterEvents, 3);
}

TEST_F(ReceiveFixture, ReadRequestReadsWhateverIsQueuedAndIsThenCleared) {
    OpenAndSettle();
    port->SetReadRequest(true);
    Step();  // nothing queued: the request stays
    EXPECT_TRUE(port->ReadRequest());
    fake->Feed({0x42});
    Step();
    EXPECT_FALSE(port->ReadRequest());
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{{0x42}}));
}

TEST_F(ReceiveFixture, ReceiveErrorMakesTheReadAtOnceAndTheClusterCarriesTheFlag) {
    OpenAndSettle();
    fake->SetErrors(comm::kCeFrame, true);
    fake->Feed({1, 2});
    Step();
    EXPECT_EQ(port->PeekClusterSize(), 2);
    EXPECT_EQ(port->PeekClusterError(), static_cast<std::int32_t>(comm::kCeFrame));
    EXPECT_EQ(port->CommError(), comm::kCeFrame);

    // A consumer that takes only clean clusters leaves it at the head.
    fake->SetErrors(0);
    fake->Feed({3});
    port->SetReadRequest(true);
    Step(2);
    EXPECT_EQ(port->PeekClusterError(), static_cast<std::int32_t>(comm::kCeFrame));
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{{1, 2}, {3}}));
}

TEST_F(ReceiveFixture, StatusChangesRaiseCommStatUntilTwoQueriesAgree) {
    int stats = 0;
    port->OnCommStat = [&](TSerialPortNG&) { ++stats; };
    OpenAndSettle();
    stats = 0;
    fake->SetErrors(comm::kCeOverrun);  // one query only: announced, then cleared
    fake->Feed({1, 2, 3});
    fake->SetOutQueue(5);
    Step();
    EXPECT_EQ(stats, 2);
    EXPECT_EQ(port->CommError(), 0u);
    EXPECT_EQ(port->CommStateOutQueue(), 5u);
    EXPECT_EQ(port->CommStateInQueue(), 3u);
}

TEST_F(ReceiveFixture, ClusterQueueAnswersMinusOneWhenEmptyAndKeepsOrder) {
    std::int32_t size = 0, flags = 0;
    EXPECT_EQ(port->PeekClusterSize(), -1);
    EXPECT_EQ(port->PeekClusterError(), -1);
    EXPECT_TRUE(port->TakeCluster(size, flags).empty());
    EXPECT_EQ(size, -1);
    EXPECT_EQ(flags, -1);

    OpenAndSettle();
    port->SetClusterSize(0);
    for (std::uint8_t i = 0; i < 3; ++i) {
        fake->Feed({i, i});
        Step();
    }
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{{0, 0}, {1, 1}, {2, 2}}));
}

TEST_F(ReceiveFixture, AnEmptyClusterIsTakenWithSizeZeroAndNoBlock) {
    OpenAndSettle();
    fake->SetReadsPend(true);
    fake->Feed({1, 2, 3});
    port->SetReadRequest(true);
    Step();
    fake->DropInput();
    fake->CompleteRead();
    Step();
    std::int32_t size = -1, flags = -1;
    EXPECT_TRUE(port->TakeCluster(size, flags).empty());
    EXPECT_EQ(size, 0);
    EXPECT_EQ(flags, 0);
    EXPECT_EQ(port->PeekClusterSize(), -1);
}

TEST_F(ReceiveFixture, ClustersSurviveClosingAndReopening) {
    OpenAndSettle();
    port->SetClusterSize(0);
    fake->Feed({7});
    Step();
    port->SetActive(false);
    port->SetActive(true);
    EXPECT_EQ(TakeAll(), (std::vector<Bytes>{{7}}));
}

TEST_F(ReceiveFixture, QuietModeQueuesClustersButRaisesNothing) {
    OpenAndSettle();
    reports.clear();
    port->SetThreadQuietMode(true);
    fake->Fail("GetCommModemStatus", 31);
    port->SetClusterSize(0);
    fake->Feed({5});
    Step();
    EXPECT_EQ(clusterEvents, 0);
    EXPECT_TRUE(reports.empty());
    EXPECT_EQ(port->PeekClusterSize(), 1);

    port->SetThreadQuietMode(false);
    fake->Fail("GetCommModemStatus", 31);
    Step();
    EXPECT_EQ(reports, (std::vector<Report>{{9905, 31, "Error getting ModemStatus", 0}}));
}

TEST_F(ReceiveFixture, LineEventsAreDispatchedInOrderWithTheMaskHeld) {
    std::vector<std::string> seen;
    auto note = [&](const char* name) {
        return [&, name](TSerialPortNG& p) {
            seen.push_back(std::string(name) + " " + std::to_string(p.CommEvent()));
        };
    };
    port->OnRxCharEvent = note("rxchar");
    port->OnTxQueueEmptyEvent = note("txempty");
    port->OnCommEvent = note("comm");
    port->OnBreakEvent = note("break");
    port->OnCTSEvent = note("cts");
    OpenAndSettle();
    fake->FireEvent(comm::kEvRxChar | comm::kEvTxEmpty);
    Step();
    EXPECT_EQ(seen, (Calls{"rxchar 5", "txempty 5", "comm 5"}));

    seen.clear();
    fake->FireEvent(comm::kEvCts | comm::kEvBreak);
    Step();
    EXPECT_EQ(seen, (Calls{"break 72", "cts 72", "comm 72"}));
}

TEST_F(ReceiveFixture, ModemLinesArePolledAndARingIsSynthesisedOnPlatformOne) {
    std::vector<std::string> seen;
    port->OnRIEvent = [&](TSerialPortNG& p) {
        seen.push_back("ri " + std::to_string(p.RingState()));
    };
    port->OnRingEvent = [&](TSerialPortNG& p) {
        seen.push_back("ring " + std::to_string(p.CommEvent()));
    };
    port->OnCommEvent = [&](TSerialPortNG& p) {
        seen.push_back("comm " + std::to_string(p.CommEvent()));
    };
    // The platform id is read when the component is made.
    auto driver = std::make_unique<FakeCommDriver>();
    driver->SetPlatformId(1);
    FakeCommDriver& f = *driver;
    TSerialPortNG p1(std::move(driver), false);
    p1.OnRIEvent = port->OnRIEvent;
    p1.OnRingEvent = port->OnRingEvent;
    p1.OnCommEvent = port->OnCommEvent;
    p1.SetActive(true);
    f.SetModemStatus(comm::kMsCtsOn | comm::kMsRingOn | comm::kMsRlsdOn);
    p1.StepWorker();
    EXPECT_TRUE(p1.CTSState());
    EXPECT_TRUE(p1.RLSDState());
    EXPECT_FALSE(p1.DSRState());
    EXPECT_EQ(p1.ModemState(), 0xD0u);
    EXPECT_EQ(seen, (Calls{"ri 1"}));
    seen.clear();
    f.SetModemStatus(0);
    p1.StepWorker();
    EXPECT_EQ(seen, (Calls{"ri 0", "ring 256", "comm 256"}));

    // On other platforms a falling ring indicator is only a change.
    OpenAndSettle();
    fake->SetModemStatus(comm::kMsRingOn);
    Step();
    fake->SetModemStatus(0);
    seen.clear();
    Step();
    EXPECT_EQ(seen, (Calls{"ri 0"}));
}

TEST_F(ReceiveFixture, ClosingWithAReadOutstandingEndsItAndTheWorkerGoesIdle) {
    OpenAndSettle();
    fake->SetReadsPend(true);
    fake->Feed({1});
    port->SetReadRequest(true);
    Step();
    port->SetActive(false);  // the purge aborts the read
    reports.clear();
    Step(3);
    EXPECT_EQ(reports, (std::vector<Report>{{9907, 995, "Error read aborted", 0}}));
    EXPECT_FALSE(port->ThreadRunning());
    EXPECT_EQ(port->PeekClusterSize(), -1);
}

TEST_F(ReceiveFixture, AReadThatDoesNotEndOnClosingIsCancelledBeforeItsBufferGoes) {
    OpenAndSettle();
    fake->SetReadsPend(true);
    fake->Feed({1});
    port->SetReadRequest(true);
    Step();
    // As under Wine: neither the purge nor the closing ends the read.
    fake->Fail("PurgeComm", 31);
    fake->Fail("Close", 31);
    port->SetActive(false);
    reports.clear();
    Step(3);
    EXPECT_EQ(fake->CallsNamed("CancelIo").size(), 1u);
    EXPECT_EQ(reports, (std::vector<Report>{{9907, 995, "Error read aborted", 0}}));
    EXPECT_FALSE(port->ThreadRunning());
}

TEST_F(ReceiveFixture, AFailingEventWaitIsReportedAndThePassesArePaced) {
    OpenQuietly();
    fake->Fail("WaitCommEvent", comm::kErrorNotReady, -1);
    reports.clear();
    fake->ClearLog();
    Step(3);
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{9907, 9907, 9907}));
    EXPECT_EQ(reports[0].msg, "Error calling WaitCommEvent");
    // Each failed pass pauses for a pass's wait instead of spinning.
    EXPECT_EQ(fake->CallsNamed("Sleep"), (Calls{"Sleep(75)", "Sleep(75)", "Sleep(75)"}));
}

TEST_F(ReceiveFixture, AnEventWaitEndingAtOnceWithNothingNewDoesNotSpin) {
    // As under Wine: every wait ends at once while bytes are queued.
    OpenQuietly();
    fake->Feed({1, 2});
    fake->FireEvent(comm::kEvRxChar);
    Step();  // new bytes: the next pass follows at once
    EXPECT_TRUE(fake->CallsNamed("Sleep").empty());
    fake->FireEvent(comm::kEvRxChar);
    Step();  // the same two bytes: the pass waits as if the wait were pending
    EXPECT_EQ(fake->CallsNamed("Sleep"), (Calls{"Sleep(75)"}));
    fake->Feed({3});
    fake->FireEvent(comm::kEvRxChar);
    Step();
    EXPECT_EQ(fake->CallsNamed("Sleep").size(), 1u);
}

TEST_F(ReceiveFixture, FailedWaitsAreReportedWithTheirResult) {
    OpenAndSettle();
    fake->Fail("Wait", 0, 1);
    reports.clear();
    Step();
    EXPECT_EQ(reports,
              (std::vector<Report>{{9913, 0xFFFFFFFF, "Error getting Overlappedresult", 0}}));

    fake->SetReadsPend(true);
    fake->Feed({1});
    port->SetReadRequest(true);
    reports.clear();
    Step();  // read and event wait pending now
    fake->Fail("Wait", 0, 1);
    Step();
    EXPECT_EQ(Places(), (std::vector<std::uint32_t>{9911}));
}

TEST_F(ReceiveFixture, StatusQueryAndReadFailuresAreReported) {
    OpenAndSettle();
    reports.clear();
    fake->Fail("ClearCommError", 6);
    Step();
    EXPECT_EQ(reports, (std::vector<Report>{{9803, 6, "Error ClearCommError", 0}}));

    reports.clear();
    fake->Feed({1});
    port->SetReadRequest(true);
    fake->Fail("ReadFile", 31);
    Step();
    EXPECT_EQ(reports, (std::vector<Report>{{9804, 31, "Error reading Data", 0}}));
    EXPECT_FALSE(port->ReadRequest());
}

}  // namespace
