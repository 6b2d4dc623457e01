#include <windows.h>

#include <psapi.h>

#include "CpuTime.h"

double ProcessCpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    auto seconds = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime) /
               1e7;
    };
    return seconds(kernel) + seconds(user);
}

long ProcessPrivateKb() {
    // The commit charge. Wine, whose PrivateUsage stays 0, fills it from the
    // process's own anonymous memory and swap. (Its drive Z: is no way to
    // read /proc/self: the wine server opens files, so that is the server.)
    PROCESS_MEMORY_COUNTERS counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
    return long(counters.PagefileUsage / 1024);
}
