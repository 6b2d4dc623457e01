#include "LookUp.h"

namespace ui {

namespace {

bool Unreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// The first n characters of a UTF-8 text, never cutting one in two.
std::string FirstChars(const std::string& text, std::size_t n) {
    std::size_t end = 0;
    for (std::size_t chars = 0; end < text.size() && chars < n; ++chars) {
        ++end;
        while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) ++end;
    }
    return text.substr(0, end);
}

}  // namespace

std::string PercentEncode(std::string_view utf8) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (char ch : utf8) {
        const auto c = static_cast<unsigned char>(ch);
        if (Unreserved(c)) {
            out += ch;
        } else {
            out += '%';
            out += digits[c >> 4];
            out += digits[c & 15];
        }
    }
    return out;
}

LookUpAddress FormatLookUp(const std::string& url, const std::string& code) {
    const std::string shown = FirstChars(url, 31);
    LookUpAddress result;
    bool used = false;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] != '%') {
            result.address += url[i];
            continue;
        }
        const char next = i + 1 < url.size() ? url[i + 1] : '\0';
        if (next == '%') {
            result.address += '%';
        } else if ((next == 's' || next == 'S') && !used) {
            result.address += PercentEncode(code);
            used = true;
        } else if (next == 's' || next == 'S') {
            return {{}, "Kein Argument für Format '" + shown + "'"};
        } else {
            return {{}, "Format '" + shown + "' ungültig oder nicht kompatibel mit Argument"};
        }
        ++i;
    }
    return result;
}

}  // namespace ui
