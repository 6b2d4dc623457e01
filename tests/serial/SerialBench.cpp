// Prints the CPU that the serial component costs, as a share of one core:
// closed, open and idle, and receiving 2400-baud traffic; then the private
// memory before and after the port was opened, sent a frame and closed many
// times, as the station's watch does every few seconds. Runs under
// serial_ptyhost (see bench.sh). The main thread sleeps until the worker hands
// something over, so the figures are the component's own.
//
//   serial_bench [seconds per phase, default 10] [open-close cycles, default 300]

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "CpuTime.h"
#include "MainThread.h"
#include "SerialNG.h"

namespace {

using Clock = std::chrono::steady_clock;

std::mutex gLock;
std::condition_variable gWake;
bool gHandOver = false;

// Runs hand-overs for the given time, sleeping in between.
void Serve(double seconds) {
    const auto end = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
        {
            std::unique_lock guard(gLock);
            if (!gWake.wait_until(guard, end, [] { return gHandOver; })) return;
            gHandOver = false;
        }
        platform::RunPendingHandOvers();
    }
}

void Measure(const char* what, double seconds, const std::function<void()>& during = {}) {
    const double cpu0 = ProcessCpuSeconds();
    const auto wall0 = Clock::now();
    if (during) during();
    Serve(seconds);
    const double cpu = ProcessCpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - wall0).count();
    std::printf("%-34s %6.3f %% of one core (%.3f s CPU in %.1f s)\n", what, 100 * cpu / wall, cpu,
                wall);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    platform::MarkMainThread();
    platform::SetWakeHook([] {
        {
            std::lock_guard guard(gLock);
            gHandOver = true;
        }
        gWake.notify_one();
    });
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 300;
    const char* name = std::getenv("STYLORIX_TEST_PORT");
    if (!name) {
        std::fprintf(stderr, "run under serial_ptyhost\n");
        return 2;
    }

    long received = 0, clusters = 0;
    {
        TSerialPortNG port;
        port.SetBaudRate(2400);
        port.SetParityType(1);
        port.SetRTOCharDelayTime(4500);
        port.SetRTOExtraDelayTime(10);
        port.SetWTOCharDelayTime(4500);
        port.SetWTOExtraDelayTime(10);
        port.SetCommPort(name);
        port.OnRxClusterEvent = [&](TSerialPortNG& p) {
            std::int32_t size = 0, flags = 0;
            p.TakeCluster(size, flags);
            if (size >= 0) ++clusters, received += size;
        };

        Measure("closed port", seconds);
        port.SetActive(true);
        if (!port.Active()) {
            std::fprintf(stderr, "cannot open %s\n", name);
            return 1;
        }
        Serve(0.5);
        Measure("open port, idle", seconds);
        const int count = static_cast<int>(2400 / 11 * seconds);
        const std::uint8_t stream[] = {'S', static_cast<std::uint8_t>(count >> 8),
                                       static_cast<std::uint8_t>(count & 0xFF)};
        Measure("open port, receiving 2400 baud", seconds,
                [&] { port.SendData(stream, sizeof stream); });
        Serve(0.5);
        port.SetActive(false);

        const MemoryTrend trend = TrackMemory(cycles, 20, [&] {
            port.SetActive(true);
            const std::uint8_t frame[] = {'x', 0, 0};  // one short frame, not answered
            port.SendData(frame, sizeof frame);
            Serve(0.05);
            port.SetActive(false);
        });
        std::printf(
            "open, send and close %d times: private memory %ld KB -> %ld KB (%+.2f KB a cycle)\n",
            cycles, trend.firstKb, trend.lastKb, trend.PerRound(cycles));
    }
    std::printf("received %ld bytes in %ld clusters\n", received, clusters);
    return 0;
}
