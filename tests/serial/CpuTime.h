#pragma once

// CPU time used by this process so far (user and kernel), in seconds.
double ProcessCpuSeconds();
