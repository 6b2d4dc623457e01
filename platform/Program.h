#pragma once

#include <string>
#include <vector>

namespace platform {

// Full path of the running program file.
std::string ProgramPath(const char* argv0);

// The arguments after the program's name, in UTF-8. On Windows they come from
// the wide command line: main's argv holds the ANSI code page.
std::vector<std::string> ProgramArguments(int argc, char** argv);

}  // namespace platform
