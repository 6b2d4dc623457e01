#pragma once

#include <filesystem>
#include <string>
#include <string_view>

// Inside the program every std::string is UTF-8. The conversions to and from
// it: UTF-16 for the Win32 W functions (through Widen and Narrow in
// TextWin32.h), the pen's code-page bytes for the screen, and file names.
namespace platform {

// Each ill-formed UTF-8 sequence (a stray continuation byte, a cut or
// over-long sequence, a surrogate, a value above U+10FFFF) becomes one
// U+FFFD per maximal invalid subpart, as Unicode recommends; nothing is
// dropped silently and nothing reads past the end.
std::u16string Utf8ToUtf16(std::string_view utf8);

// A lone surrogate becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);

// Bytes in the Western Windows code page (windows-1252) as UTF-8. The pen
// sends its codes as such bytes; they are shown through this, and written to
// the export file as they came. Bytes the code page leaves undefined keep
// their own value as a code point, as Windows converts them.
std::string AnsiToUtf8(std::string_view bytes);

// File names: a path from UTF-8 text and back. std::filesystem reads a narrow
// string in the ANSI code page on Windows, so names never go through it.
std::filesystem::path Utf8Path(std::string_view utf8);
std::string PathUtf8(const std::filesystem::path& path);

}  // namespace platform
