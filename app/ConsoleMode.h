#pragma once

#include <string>
#include <vector>

#include "OptionLine.h"

class TDMPen;

// A run with arguments: the usage text, or one read cycle of the pen.
// Returns the process exit code.
int RunConsoleMode(TDMPen& pen, const std::vector<std::string>& args);

// One read cycle on the given or stored port. Returns the exit code.
int RunReadCycle(TDMPen& pen, const ConsoleOptions& options);

// The exit code of a console run that a framework error ended.
inline constexpr int kExitFrameworkError = 3;
