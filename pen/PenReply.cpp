#include "PenReply.h"

namespace pen {

std::uint8_t Lrc(const std::uint8_t* data, std::int32_t count) {
    std::uint8_t x = 0;
    for (std::int32_t i = 0; i < count; ++i) x ^= data[i];
    return x;
}

bool PassesCheck(const std::uint8_t* data, std::int32_t count) {
    if (count <= 0 || data[0] != 0x06) return false;
    return Lrc(data, count - 2) == data[count - 1];
}

namespace {

// Walks length-prefixed blocks from first; true when the walk meets a 0x00
// exactly at the byte before the check byte.
bool BlocksEndBeforeCheck(const std::uint8_t* data, std::int32_t count, std::int32_t first) {
    const std::int32_t closing = count - 2;
    std::int32_t p = first;
    while (p < closing && data[p] != 0x00) p += data[p] + 1;
    return p == closing && data[p] == 0x00;
}

}  // namespace

bool ReplyComplete(ReplyLayout layout, const std::uint8_t* data, std::int32_t count) {
    if (!PassesCheck(data, count)) return false;
    switch (layout) {
        case ReplyLayout::WakeUp:
            return count >= kWakeUpMinLength;
        case ReplyLayout::Codes:
            return count >= kCodesFirstBlock + 2 &&
                   BlocksEndBeforeCheck(data, count, kCodesFirstBlock);
        case ReplyLayout::Params:
            return count >= kParamsFirstBlock + 2 &&
                   BlocksEndBeforeCheck(data, count, kParamsFirstBlock);
        case ReplyLayout::Plain:
            break;
    }
    return true;
}

std::int32_t MaxReplyLength(ReplyLayout layout, std::int32_t blocks) {
    switch (layout) {
        case ReplyLayout::WakeUp:
            return kWakeUpMinLength;
        case ReplyLayout::Codes:
            return kCodesFirstBlock + blocks * kMaxBlockLength + 2;
        case ReplyLayout::Params:
            return kParamsFirstBlock + blocks * kMaxBlockLength + 2;
        case ReplyLayout::Plain:
            break;
    }
    return kPlainLength;
}

std::string HexText(const std::uint8_t* data, std::int32_t count) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (std::int32_t i = 0; i < count; ++i) {
        if (i) out += ' ';
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

}  // namespace pen
