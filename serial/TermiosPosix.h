#pragma once

// The device control block in termios terms, and the line-error counters,
// for the POSIX comm driver.

#include <termios.h>

#include <cstdint>

#include "CommDriver.h"

namespace comm {

// Raw mode with the DCB's speed, size, parity, stop bits and flow control.
// False for a value termios cannot express.
bool ToTermios(const Dcb& dcb, termios& t);
Dcb FromTermios(const termios& t);

struct LineCounters {
    std::uint32_t frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
// False where the device keeps no counters.
bool ReadLineCounters(int fd, LineCounters& counters);

}  // namespace comm
