// The receive handler against the serial component on its scripted driver.

#include <gtest/gtest.h>

#include "FakeCommDriver.h"
#include "MainThread.h"
#include "Pen.h"
#include "SerialNG.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A cluster with line errors is taken and dropped, so the clean ones behind
// it still reach RecBuf, each appended to what the command has received.
TEST(Receive, DropsClustersWithErrorsAndAppendsTheRest) {
    platform::MarkMainThread();
    TDMPen pen(std::make_unique<platform::MemoryStore>());
    auto driver = std::make_unique<FakeCommDriver>();
    FakeCommDriver* fake = driver.get();
    TSerialPortNG port(std::move(driver), false);
    int events = 0;
    std::vector<std::int32_t> progress;
    pen.OnReceiveProgress = [&](std::int32_t received) { progress.push_back(received); };
    port.OnRxClusterEvent = [&](TSerialPortNG& sender) {
        ++events;
        pen.SerialPortNG1RxClusterEvent(sender);
    };
    port.SetActive(true);
    ASSERT_TRUE(port.Active());
    port.StepWorker();

    RecBuf = {0x99, 0x99};  // left over from an earlier command
    RecCount = 0;
    auto arrive = [&](const Bytes& bytes, std::uint32_t errors) {
        fake->SetErrors(errors, errors != 0);
        fake->Feed(bytes);
        port.SetReadRequest(true);
        port.StepWorker();
        port.StepWorker();
    };
    arrive({0x06, 0x00}, 0);
    arrive({0xFF, 0x13}, comm::kCeFrame);
    arrive({0x06}, 0);

    EXPECT_EQ(events, 3);
    EXPECT_EQ(port.PeekClusterSize(), -1);
    EXPECT_EQ(RecBuf, (Bytes{0x06, 0x00, 0x06}));
    EXPECT_EQ(RecCount, 3);
    EXPECT_EQ(progress, (std::vector<std::int32_t>{2, 3}));  // only what was taken
    port.SetActive(false);
    ResetCPVars();
}

}  // namespace
