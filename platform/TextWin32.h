#pragma once

// The one text rule at the Win32 boundary: UTF-8 inside, UTF-16 to and from
// the W functions. wchar_t is 16 bits on Windows.

#include <windows.h>

#include <string>
#include <string_view>

#include "HandlesWin32.h"
#include "Utf.h"

namespace platform {

static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline std::wstring Widen(std::string_view utf8) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    return std::wstring(wide.begin(), wide.end());
}

// Copied rather than reinterpreted: wchar_t and char16_t are distinct types,
// and reading one through the other breaks the aliasing rules.
inline std::string Narrow(std::wstring_view wide) {
    return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

// The system's text for an error code, without its line end.
inline std::string SystemMessage(DWORD error) {
    OwnedLocal<wchar_t*> text;
    const DWORD n = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(text.Put()), 0, nullptr);
    std::wstring wide = n ? std::wstring(text.Get(), n) : std::wstring();
    while (!wide.empty() && (wide.back() == L'\r' || wide.back() == L'\n' || wide.back() == L' '))
        wide.pop_back();
    return Narrow(wide);
}

}  // namespace platform
