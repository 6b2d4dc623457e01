#pragma once

#include <functional>

// CPU time used by this process so far (user and kernel), in seconds.
double ProcessCpuSeconds();
// The process's private memory in KB: its anonymous resident memory on Linux
// (RssAnon), the commit charge on Windows.
long ProcessPrivateKb();

// The private memory over many rounds of `round`, after a warm-up in which the
// heaps reach their working size. Threads come and go inside the system's
// serial calls, so single readings jump: the lowest reading of the first
// `window` rounds is compared with the lowest of the last.
struct MemoryTrend {
    long firstKb = -1, lastKb = -1;
    double PerRound(int rounds) const { return double(lastKb - firstKb) / rounds; }
};
inline MemoryTrend TrackMemory(int rounds, int window, const std::function<void()>& round) {
    for (int i = 0; i < 20; ++i) round();
    MemoryTrend trend;
    for (int i = 0; i < rounds; ++i) {
        round();
        const long kb = ProcessPrivateKb();
        if (i < window && (trend.firstKb < 0 || kb < trend.firstKb)) trend.firstKb = kb;
        if (i >= rounds - window && (trend.lastKb < 0 || kb < trend.lastKb)) trend.lastKb = kb;
    }
    return trend;
}
