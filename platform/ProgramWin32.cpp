#include <windows.h>
// clang-format off
#include <shellapi.h>
// clang-format on

#include "HandlesWin32.h"
#include "LateLibraryWin32.h"
#include "Program.h"
#include "TextWin32.h"

namespace platform {

std::string ProgramPath(const char*) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return Narrow(path);
        }
        path.resize(path.size() * 2);
    }
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    // Without arguments (the window) the shell's library is not needed yet.
    if (argc <= 1) return {};
    auto* split =
        LateEntry<LateLibrary::Shell32, decltype(CommandLineToArgvW)>("CommandLineToArgvW");
    int count = 0;
    const OwnedLocal<LPWSTR*> wide(split ? split(GetCommandLineW(), &count) : nullptr);
    if (!wide) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> args;
    for (int i = 1; i < count; ++i) args.push_back(Narrow(wide.Get()[i]));
    return args;
}

}  // namespace platform
