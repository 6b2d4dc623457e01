#include <windows.h>

#include "Errors.h"
#include "FSSystem.h"
#include "HandlesWin32.h"

namespace {

// The handle lines go to, and CONOUT$ when we opened it ourselves.
HANDLE g_out = INVALID_HANDLE_VALUE;
platform::OwnedFile g_console;

bool Usable(HANDLE h) {
    return h != nullptr && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

}  // namespace

void FSSystemStartup() {
    // Output redirected to a file or pipe, or a console inherited from the
    // parent: use it as it is. Reopening CONOUT$ without a console would lose it.
    HANDLE inherited = GetStdHandle(STD_OUTPUT_HANDLE);
    if (Usable(inherited)) {
        g_out = inherited;
        ConsoleAttached = true;
        return;
    }
    using AttachConsoleFn = BOOL(WINAPI*)(DWORD);
    auto attach = reinterpret_cast<AttachConsoleFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "AttachConsole")));
    if (!attach || !attach(ATTACH_PARENT_PROCESS)) return;
    g_console.Reset(CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    if (!g_console) return;
    g_out = g_console.Get();
    ConsoleAttached = true;
}

void ConWriteLn(const std::string& text) {
    if (text.empty() || !ConsoleAttached) return;
    std::string line = WithoutLineEnd(text);
    // The console shows the OEM code page; the program's texts are ANSI.
    if (!line.empty()) CharToOemBuffA(line.data(), line.data(), static_cast<DWORD>(line.size()));
    line += "\r\n";
    DWORD written = 0;
    if (!WriteFile(g_out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size()) {
        throw platform::InOutError("E/A-Fehler " + std::to_string(GetLastError()));
    }
}
