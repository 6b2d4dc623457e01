#include "MainThread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TEST(MainThread, HandOversRunOnTheMainThreadInOrderWhileItDrains) {
    platform::MarkMainThread();
    std::vector<int> seen;
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            platform::Synchronize([&, i] {
                EXPECT_TRUE(platform::IsMainThread());
                seen.push_back(i);
            });
        }
        finished = true;
    });
    platform::WaitWhileDraining([&] { return finished.load(); });
    worker.join();
    ASSERT_EQ(seen.size(), 50u);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(seen[i], i);
}

TEST(MainThread, SynchronizeOnTheMainThreadRunsAtOnceAndWakeHookFiresForWorkers) {
    platform::MarkMainThread();
    int ran = 0;
    platform::Synchronize([&] { ++ran; });
    EXPECT_EQ(ran, 1);

    std::atomic<int> wakes{0};
    platform::SetWakeHook([&] { ++wakes; });
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        platform::Synchronize([&] { ++ran; });
        finished = true;
    });
    platform::WaitWhileDraining([&] { return finished.load(); });
    worker.join();
    platform::SetWakeHook(nullptr);
    EXPECT_EQ(ran, 2);
    EXPECT_EQ(wakes.load(), 1);
}

}  // namespace
