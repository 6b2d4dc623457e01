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
    PROCESS_MEMORY_COUNTERS_EX counters{};
    if (!GetProcessMemoryInfo(GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters))
        return -1;
    if (counters.PrivateUsage != 0) return long(counters.PrivateUsage / 1024);
    // Wine leaves it at 0; its process is a Linux one, seen on drive Z:.
    return RssAnonKb("Z:\\proc\\self\\status");
}
