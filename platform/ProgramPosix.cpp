#include <unistd.h>

#include <filesystem>

#include "Program.h"

namespace platform {

std::string ProgramPath(const char* argv0) {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec) return exe.string();
    return std::filesystem::absolute(argv0 ? argv0 : "", ec).string();
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

}  // namespace platform
