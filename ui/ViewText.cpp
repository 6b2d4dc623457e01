#include "ViewText.h"

#include <algorithm>
#include <string_view>

#include "PenReply.h"
#include "Utf.h"

namespace ui {

std::string HexByte(std::uint8_t value) {
    return pen::HexText(&value, 1);
}

std::string SymbologyName(std::uint8_t symbology) {
    static const char* const kNames[] = {
        "UPC-A, UPC-E, UPC-E1, EAN-8, EAN-13",      // A
        "Code 39, Code 32",                         // B
        "Codabar",                                  // C
        "Code 128 or ISBT 128",                     // D
        "Code 93",                                  // E
        "Interleaved 2 of 5",                       // F
        "Discrete 2 of 5 or Discrete 2 of 5 IATA",  // G
        "unknown",                                  // H
        "unknown",                                  // I
        "MSI Plessey",                              // J
        "UCC/EAN-128",                              // K
        "Bookland EAN",                             // L
        "Trioptic Code 39",                         // M
        "Coupon Code",                              // N
    };
    if (symbology < 'A' || symbology > 'N') return "unknown";
    return kNames[symbology - 'A'];
}

std::string ByteText(const std::string& bytes) {
    // A NUL would end the text wherever it goes as a C string (the list, the
    // clipboard): it is shown as the symbol for NUL.
    std::string text;
    for (std::size_t from = 0; from <= bytes.size();) {
        const std::size_t nul = std::min(bytes.find('\0', from), bytes.size());
        text += platform::AnsiToUtf8(std::string_view(bytes).substr(from, nul - from));
        if (nul < bytes.size()) text += "\u2400";
        from = nul + 1;
    }
    return text;
}

std::string ReceivedText(std::int32_t bytes) {
    const std::string digits = std::to_string(bytes < 0 ? 0 : bytes);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        // A dot before every group of three digits from the right.
        if (i > 0 && (digits.size() - i) % 3 == 0) text += '.';
        text += digits[i];
    }
    return text + " Bytes";
}

}  // namespace ui
