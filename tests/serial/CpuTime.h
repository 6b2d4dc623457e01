#pragma once

// CPU time used by this process so far (user and kernel), in seconds.
double ProcessCpuSeconds();
// The process's private memory in KB: its anonymous resident memory on Linux
// (RssAnon), the commit charge on Windows.
long ProcessPrivateKb();
