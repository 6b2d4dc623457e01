#pragma once

// CPU time used by this process so far (user and kernel), in seconds.
double ProcessCpuSeconds();
// The process's private memory in KB: its anonymous resident memory on Linux
// (RssAnon), the private bytes on Windows (under Wine, which leaves those at 0,
// the Linux process's RssAnon again).
long ProcessPrivateKb();
