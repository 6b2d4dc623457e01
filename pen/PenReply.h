#pragma once

// The pen's reply frames as plain byte ranges: the check byte, the validity
// rule, and whether a reply's layout is complete. Shared by the commands,
// which wait for a complete reply, and the decoders, which judge it again.

#include <cstdint>
#include <string>

namespace pen {

// XOR of the first count bytes; 0 for a count of 0 or less.
std::uint8_t Lrc(const std::uint8_t* data, std::int32_t count);

// Acknowledge first, and the XOR of all bytes but the last two equals the
// last byte. The byte before the check byte is not covered.
bool PassesCheck(const std::uint8_t* data, std::int32_t count);

// What a reply has to hold before it counts as complete.
enum class ReplyLayout {
    Plain,   // delete and sleep: the check-byte rule alone
    WakeUp,  // positions 0 to 19, the uncovered byte and the check byte
    Codes,   // header to position 13, code blocks from 14, 0x00, check byte
    Params,  // parameter blocks from position 2, 0x00, check byte
};

inline constexpr std::int32_t kWakeUpMinLength = 22;
inline constexpr std::int32_t kCodesFirstBlock = 14;
inline constexpr std::int32_t kParamsFirstBlock = 2;
inline constexpr std::int32_t kPlainLength = 3;       // 06, 00, check byte
inline constexpr std::int32_t kMaxBlockLength = 256;  // length byte and up to 255 more

// The longest reply of a layout with at most `blocks` blocks: its header,
// blocks of the greatest length, the closing 0x00 and the check byte. A pen
// still sending beyond this is no longer answering the command.
std::int32_t MaxReplyLength(ReplyLayout layout, std::int32_t blocks);

// The check-byte rule holds and the layout is complete: blocks walked by their
// length bytes from the first one end exactly on the 0x00 before the check
// byte. A prefix of a longer reply that happens to pass the check-byte rule
// fails here unless its blocks also line up.
bool ReplyComplete(ReplyLayout layout, const std::uint8_t* data, std::int32_t count);

// Two upper-case hex digits a byte, single blanks between.
std::string HexText(const std::uint8_t* data, std::int32_t count);

}  // namespace pen
