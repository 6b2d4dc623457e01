// Prints the private memory over many waits for a port's events, made with
// the system's calls alone and none of the component's code: open the port,
// set the event mask, start one overlapped WaitCommEvent, end it by clearing
// the mask, close. The component does this at every opening, so a memory
// growth of the window's watch that shows here too is the system's, not
// ours. No pass or fail. Windows only; runs under serial_ptyhost (bench.sh).
//   comm_wait_bench [cycles, default 2000]

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "CpuTime.h"
#include "HandlesWin32.h"

int main(int argc, char** argv) {
    const char* name = std::getenv("STYLORIX_TEST_PORT");
    if (!name) {
        std::fprintf(stderr, "run under serial_ptyhost\n");
        return 2;
    }
    const int cycles = argc > 1 ? std::atoi(argv[1]) : 2000;
    const std::string path = std::string("\\\\.\\") + name;
    const platform::OwnedEvent done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    auto cycle = [&](bool wait) {
        const platform::OwnedFile port(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                                   nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                                                   nullptr));
        if (!port) {
            std::fprintf(stderr, "cannot open %s\n", name);
            std::exit(1);
        }
        SetCommMask(port.Get(), EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_DSR | EV_RLSD | EV_ERR);
        if (wait) {
            OVERLAPPED ov{};
            ov.hEvent = done.Get();
            ResetEvent(done.Get());
            DWORD mask = 0, count = 0;
            if (!WaitCommEvent(port.Get(), &mask, &ov) && GetLastError() == ERROR_IO_PENDING) {
                SetCommMask(port.Get(), 0);
                GetOverlappedResult(port.Get(), &ov, &count, TRUE);
            }
        }
    };
    auto run = [&](bool wait) {
        const MemoryTrend trend = TrackMemory(cycles, 50, [&] {
            cycle(wait);
            Sleep(2);
        });
        std::printf("%-34s %d times: private memory %ld KB -> %ld KB (%+.2f KB each)\n",
                    wait ? "open, WaitCommEvent, end it, close" : "open, set the mask, close",
                    cycles, trend.firstKb, trend.lastKb, trend.PerRound(cycles));
    };
    run(false);
    run(true);
}
