#pragma once

// System libraries that most sessions use late or never are loaded at their
// first use, not with the program: under Wine every library loaded at start
// delays the window (the shell's library and the ones it pulls in, about
// 5 ms).

#include <windows.h>

#include "HandlesWin32.h"

namespace platform {

enum class LateLibrary { Shell32, Ole32, Comdlg32 };

inline HMODULE LateModule(LateLibrary which) {
    // Loaded once, by whichever thread asks first; freed at exit.
    switch (which) {
        case LateLibrary::Shell32: {
            static const OwnedLibrary shell32(LoadLibraryW(L"shell32.dll"));
            return shell32.Get();
        }
        case LateLibrary::Ole32: {
            static const OwnedLibrary ole32(LoadLibraryW(L"ole32.dll"));
            return ole32.Get();
        }
        case LateLibrary::Comdlg32: {
            static const OwnedLibrary comdlg32(LoadLibraryW(L"comdlg32.dll"));
            return comdlg32.Get();
        }
    }
    return nullptr;
}

// The entry named, or null should the library or the entry be missing.
template <typename Fn>
Fn* LateEntry(LateLibrary which, const char* name) {
    HMODULE module = LateModule(which);
    return module ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
                  : nullptr;
}

}  // namespace platform
