#pragma once

// System libraries that most sessions use late or never are loaded at their
// first use, not with the program: under Wine every library loaded at start
// delays the window (the shell's library and the ones it pulls in, about
// 5 ms).

#include <windows.h>

#include "HandlesWin32.h"

namespace platform {

enum class LateLibrary { Shell32, Ole32, Comdlg32 };

// Loaded once, by whichever thread asks first; freed at exit.
template <LateLibrary which>
HMODULE LateModule() {
    static constexpr const wchar_t* kFiles[] = {L"shell32.dll", L"ole32.dll", L"comdlg32.dll"};
    static const OwnedLibrary library(LoadLibraryW(kFiles[int(which)]));
    return library.Get();
}

// The entry named, or null should the library or the entry be missing.
template <LateLibrary which, typename Fn>
Fn* LateEntry(const char* name) {
    return ProcEntry<Fn>(LateModule<which>(), name);
}

}  // namespace platform
