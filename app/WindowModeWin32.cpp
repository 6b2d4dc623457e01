#include <windows.h>

#include "WindowMode.h"

namespace {
std::wstring Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}
}  // namespace

// The main window comes with the user-interface work; until then the program
// behaves as it does without a main form: the run ends at once.
int RunWindowMode(TDMPen&) {
    return 0;
}

void ShowFatalError(const std::string& text) {
    MessageBoxW(nullptr, Wide(text).c_str(), L"Fehler", MB_OK | MB_ICONERROR);
}
