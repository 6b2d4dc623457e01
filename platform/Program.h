#pragma once

#include <string>

namespace platform {

// Full path of the running program file.
std::string ProgramPath(const char* argv0);

}  // namespace platform
