#pragma once

#include <fstream>
#include <string>

// CPU time used by this process so far (user and kernel), in seconds.
double ProcessCpuSeconds();
// The process's private memory in KB: its anonymous resident memory on Linux
// (RssAnon), the private bytes on Windows (under Wine, which leaves those at 0,
// the Linux process's RssAnon again).
long ProcessPrivateKb();

// RssAnon of a Linux process status file in KB, -1 when it has none.
inline long RssAnonKb(const char* statusFile) {
    std::ifstream status(statusFile);
    for (std::string line; std::getline(status, line);)
        if (line.rfind("RssAnon:", 0) == 0) return std::stol(line.substr(8));
    return -1;
}
