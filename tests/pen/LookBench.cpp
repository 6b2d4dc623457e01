// Prints the private memory before and after the watch's look at an empty
// station, many times over: the port opened, a settling wait, one wake-up
// frame and one look for its answer, the port closed. No pass or fail. Runs
// under serial_ptyhost, whose pseudo-terminal never answers a wake-up.
//   look_bench [looks, default 200]

#include <cstdio>
#include <cstdlib>
#include <memory>

#include "CpuTime.h"
#include "MainThread.h"
#include "Pen.h"

int main(int argc, char** argv) {
    platform::MarkMainThread();
    const char* name = std::getenv("STYLORIX_TEST_PORT");
    if (!name) {
        std::fprintf(stderr, "run under serial_ptyhost\n");
        return 2;
    }
    const int looks = argc > 1 ? std::atoi(argv[1]) : 200;
    TDMPen pen(std::make_unique<platform::MemoryStore>());
    Einstell.Comport = name;
    auto look = [&] {
        if (!pen.StartCom()) {
            std::fprintf(stderr, "cannot open %s\n", name);
            std::exit(1);
        }
        pen.Delay(250);
        pen.LookForPen();
        pen.CloseCom();
    };
    const MemoryTrend trend = TrackMemory(looks, 20, look);
    std::printf("%d looks at an empty station: private memory %ld KB -> %ld KB (%+.2f KB a look)\n",
                looks, trend.firstKb, trend.lastKb, trend.PerRound(looks));
}
