// Turning the replies in RecBuf into the pen records. Every decoder judges
// the reply for itself: check byte and complete layout, and it never reads
// past the received bytes, whatever a length byte claims.

#include <algorithm>

#include "Errors.h"
#include "Pen.h"
#include "PenReply.h"

namespace {

inline constexpr const char* kNotAnInteger = "'%s' ist kein gültiger Integerwert";

// The received bytes, never more than RecBuf holds.
std::int32_t Received() {
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(RecCount, 0, static_cast<std::int64_t>(RecBuf.size())));
}

bool Complete(pen::ReplyLayout layout) {
    return pen::ReplyComplete(layout, RecBuf.data(), Received());
}

std::string Chars(std::int32_t from, std::int32_t count) {
    return std::string(reinterpret_cast<const char*>(RecBuf.data()) + from,
                       static_cast<std::size_t>(count));
}

bool IsBlankOrControl(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

std::string TrimBoth(const std::string& text) {
    auto begin = std::find_if_not(text.begin(), text.end(), IsBlankOrControl);
    auto end = std::find_if_not(text.rbegin(), text.rend(), IsBlankOrControl).base();
    return begin < end ? std::string(begin, end) : std::string();
}

[[noreturn]] void NotAnInteger(const std::string& text) {
    std::string message = kNotAnInteger;
    message.replace(message.find("%s"), 2, text);
    throw platform::ConvertError(message);
}

// "0x" and hex digits as a 32-bit integer, as the standard conversion reads it.
std::uint32_t HexInteger(const std::string& digits) {
    const std::string text = "0x" + digits;
    if (digits.empty() || digits.size() > 8) NotAnInteger(text);
    std::uint32_t value = 0;
    for (char c : digits) {
        int d = (c >= '0' && c <= '9')   ? c - '0'
                : (c >= 'A' && c <= 'F') ? c - 'A' + 10
                : (c >= 'a' && c <= 'f') ? c - 'a' + 10
                                         : -1;
        if (d < 0) NotAnInteger(text);
        value = value * 16 + static_cast<std::uint32_t>(d);
    }
    return value;
}

std::uint8_t ByteParam(const std::string& v) {
    return static_cast<std::uint8_t>(HexInteger(v));
}

std::string EightChars(std::string v) {
    std::string out;
    for (int i = 0; i < 8; ++i) {
        out += static_cast<char>(HexInteger(v.substr(0, 2)) & 0xFF);
        v.erase(0, std::min<std::size_t>(3, v.size()));
    }
    return out;
}

}  // namespace

bool TDMPen::ExtractPenData() {
    if (!Complete(pen::ReplyLayout::WakeUp)) return false;
    PenData.ProtoVersion = RecBuf[2];
    PenData.Status = RecBuf[3];
    PenData.UserData = pen::HexText(RecBuf.data() + 4, 8);
    PenData.Firmware = Chars(12, 8);
    return true;
}

bool TDMPen::ExtractCodes() {
    CodeCount = 0;
    CodesNotRead = 0;
    if (!Complete(pen::ReplyLayout::Codes)) return false;
    const std::uint8_t* d = RecBuf.data();
    const std::int32_t closing = Received() - 2;
    PenData.DeviceID = TrimBoth(Chars(2, 8));
    PenData.Uploads = static_cast<std::uint16_t>(d[10] * 256 + d[11]);
    if (d[pen::kCodesFirstBlock] == 0x00) return false;
    // The complete layout guarantees that every block ends before the closing 0x00.
    for (std::int32_t p = pen::kCodesFirstBlock; p < closing && d[p] != 0x00; p += d[p] + 1) {
        const std::int32_t length = d[p];
        if (CodeCount == kMaxCodes) {
            ++CodesNotRead;
            continue;
        }
        ++CodeCount;
        Codes[CodeCount].Symbology = d[p + 1];
        Codes[CodeCount].Code = Chars(p + 2, length - 1);
    }
    return true;
}

PenClearCheck CheckPenClear(bool codesRead) {
    PenClearCheck check;
    if (!codesRead) return check;
    check.read = CodeCount;
    check.held = CodeCount + CodesNotRead;
    check.reason = CodesNotRead > 0 ? PenClearCheck::kCodesLeft : PenClearCheck::kAllRead;
    return check;
}

bool TDMPen::ExtractPenParamMulti() {
    if (!Complete(pen::ReplyLayout::Params)) return false;
    const std::uint8_t* d = RecBuf.data();
    const std::int32_t closing = Received() - 2;
    for (std::int32_t p = pen::kParamsFirstBlock; p < closing && d[p] != 0x00; p += d[p] + 1) {
        const int number = d[p + 1];
        if (number == 0) continue;  // no such parameter
        ParamTexts[number] = pen::HexText(d + p, d[p] + 1);
    }
    return true;
}

bool TDMPen::ExtractPenParamEinzel() {
    ParamEinzelText.clear();
    if (Complete(pen::ReplyLayout::Params)) {
        const std::uint8_t* d = RecBuf.data();
        ParamEinzelText = pen::HexText(d + pen::kParamsFirstBlock, d[pen::kParamsFirstBlock] + 1);
        return true;
    }
    ParamEinzelText = Received() > 0 ? "Err: 0x" + pen::HexText(RecBuf.data(), 1)
                                     : std::string("Err: keine Antwort");
    return false;
}

void TDMPen::PenParamToRec() {
    auto value = [](int i) {
        const std::string& text = ParamTexts[i];
        return text.size() > 6 ? text.substr(6) : std::string();
    };
    PenParam.Param01 = value(1);
    PenParam.Param02 = ByteParam(value(2));
    PenParam.Param03 = EightChars(value(3));
    PenParam.Param04 = ByteParam(value(4));
    PenParam.Param05 = ByteParam(value(5));
    PenParam.Param06 = value(6);
    PenParam.Param07 = ByteParam(value(7));
    PenParam.Param08 = ByteParam(value(8));
    PenParam.Param09 = ByteParam(value(9));
    PenParam.Param10 = ByteParam(value(10));
    PenParam.Param11 = ByteParam(value(11));
    PenParam.Param12 = ByteParam(value(12));
    PenParam.Param13 = ByteParam(value(13));
    PenParam.Param14 = ByteParam(value(14));
    PenParam.Param15 = ByteParam(value(15));
    PenParam.Param16 = ByteParam(value(16));
    PenParam.Param17 = ByteParam(value(17));
    PenParam.Param18 = ByteParam(value(18));
    PenParam.Param19 = ByteParam(value(19));
    // Parameter 20 is not converted: the field keeps its value.
    PenParam.Param21 = ByteParam(value(21));
    PenParam.Param22 = ByteParam(value(22));
    PenParam.Param23 = EightChars(value(23));
    PenParam.Param24 = ByteParam(value(24));
    PenParam.Param25 = ByteParam(value(25));
    PenParam.Param26 = ByteParam(value(26));
    PenParam.Param27 = ByteParam(value(27));
    PenParam.Param28 = ByteParam(value(28));
    PenParam.Param29 = ByteParam(value(29));
    PenParam.Param30 = ByteParam(value(30));
}
