#pragma once

// Texts the window builds from pen data: hex bytes, symbology names, the
// codes' bytes as characters, the progress of a reply.

#include <cstdint>
#include <string>

namespace ui {

// Two upper-case hex digits: 0x0A gives "0A".
std::string HexByte(std::uint8_t value);

// The name of the pen's symbology letter; "unknown" for any other value.
std::string SymbologyName(std::uint8_t symbology);

// A code or firmware text as the pen sent it, one character per byte in the
// Western Windows code page, as UTF-8 for the screen: byte 0xE4 is "ä". A
// NUL byte becomes U+2400, so that no code is cut short.
std::string ByteText(const std::string& bytes);

// Received bytes as the status bar shows them: "2.345 Bytes".
std::string ReceivedText(std::int32_t bytes);

}  // namespace ui
