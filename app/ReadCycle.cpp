#include <iostream>

#include "ConsoleMode.h"

// The read cycle arrives with the pen link; until then a run says so instead
// of pretending to have read anything.
int RunReadCycle(TDMPen&, const ConsoleOptions&) {
    std::cerr << "stylorix: the pen read-out is not part of this build yet" << std::endl;
    return 2;
}
