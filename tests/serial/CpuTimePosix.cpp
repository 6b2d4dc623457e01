#include <sys/resource.h>

#include "CpuTime.h"

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

long ProcessPrivateKb() {
    return RssAnonKb("/proc/self/status");
}
