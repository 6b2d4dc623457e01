#pragma once

// The one text rule at the Win32 boundary: UTF-8 inside, UTF-16 to and from
// the W functions. wchar_t is 16 bits on Windows.

#include <string>
#include <string_view>

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

}  // namespace platform
