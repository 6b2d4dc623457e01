#pragma once

// Owned Win32 handles: one alias per kind, all on platform::Owned.

#include <windows.h>

#include "Owned.h"

namespace platform {

struct CloseHandleCloser {
    void operator()(HANDLE h) const noexcept { ::CloseHandle(h); }
};
// CreateFile and friends report failure as INVALID_HANDLE_VALUE, not null.
struct InvalidHandleIsNone {
    static HANDLE None() noexcept { return INVALID_HANDLE_VALUE; }
};
struct RegCloseKeyCloser {
    void operator()(HKEY h) const noexcept { ::RegCloseKey(h); }
};
struct DeleteObjectCloser {
    void operator()(HGDIOBJ h) const noexcept { ::DeleteObject(h); }
};
struct DestroyMenuCloser {
    void operator()(HMENU h) const noexcept { ::DestroyMenu(h); }
};
struct LocalFreeCloser {
    void operator()(void* p) const noexcept { ::LocalFree(p); }
};
struct GlobalFreeCloser {
    void operator()(HGLOBAL h) const noexcept { ::GlobalFree(h); }
};
struct FreeLibraryCloser {
    void operator()(HMODULE h) const noexcept { ::FreeLibrary(h); }
};

using OwnedFile = Owned<HANDLE, CloseHandleCloser, InvalidHandleIsNone>;
using OwnedEvent = Owned<HANDLE, CloseHandleCloser>;
using OwnedProcess = Owned<HANDLE, CloseHandleCloser>;
using OwnedKey = Owned<HKEY, RegCloseKeyCloser>;
template <typename GdiObject>
using OwnedGdi = Owned<GdiObject, DeleteObjectCloser>;
using OwnedFont = OwnedGdi<HFONT>;
using OwnedBrush = OwnedGdi<HBRUSH>;
using OwnedMenu = Owned<HMENU, DestroyMenuCloser>;
using OwnedLibrary = Owned<HMODULE, FreeLibraryCloser>;
// The entry `name` of a loaded library as a typed function pointer (Fn is the
// function's type); null should the library or the entry be missing.
template <typename Fn>
Fn* ProcEntry(HMODULE library, const char* name) {
    return library ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(library, name)))
                   : nullptr;
}
// Memory the system allocated for the caller (FormatMessage, CommandLineToArgvW).
template <typename Pointer>
using OwnedLocal = Owned<Pointer, LocalFreeCloser>;
using OwnedGlobal = Owned<HGLOBAL, GlobalFreeCloser>;

}  // namespace platform
