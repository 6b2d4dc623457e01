#include "SerialDeviceName.h"

#include <algorithm>
#include <cctype>

namespace portdetect {

namespace {

std::string Trimmed(std::string s) {
    auto blank = [](unsigned char c) { return std::isspace(c) != 0; };
    s.erase(s.begin(), std::find_if_not(s.begin(), s.end(), blank));
    s.erase(std::find_if_not(s.rbegin(), s.rend(), blank).base(), s.end());
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// udev writes blanks as underscores in its plain properties.
std::string Unscored(std::string s) {
    std::replace(s.begin(), s.end(), '_', ' ');
    return s;
}

}  // namespace

std::string DecodeUdevText(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
            HexDigit(text[i + 2]) >= 0 && HexDigit(text[i + 3]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 2]) * 16 + HexDigit(text[i + 3]));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool IsRealSerialPort(const UdevTty& tty) {
    return !tty.DevNode.empty() && tty.OnBus && tty.PortType.value_or("") != "0";
}

std::string SerialDeviceName(const UdevTty& tty) {
    for (const std::string& candidate :
         {Trimmed(DecodeUdevText(tty.ModelEnc)), Trimmed(tty.ModelFromDatabase),
          Trimmed(Unscored(tty.Model)), Trimmed(DecodeUdevText(tty.VendorEnc)),
          Trimmed(tty.VendorFromDatabase), Trimmed(Unscored(tty.Vendor))}) {
        if (!candidate.empty()) return candidate + " (" + tty.SysName + ")";
    }
    return tty.SysName;
}

namespace {

// ttyS2 before ttyS10: the stem, then the number at the end.
bool PathLess(const TSerialDevice& a, const TSerialDevice& b) {
    auto split = [](const std::string& p) {
        std::size_t digits = p.size();
        while (digits > 0 && std::isdigit(static_cast<unsigned char>(p[digits - 1]))) --digits;
        return std::make_pair(p.substr(0, digits), p.size() - digits);
    };
    auto [stemA, lenA] = split(a.Path);
    auto [stemB, lenB] = split(b.Path);
    if (stemA != stemB) return stemA < stemB;
    if (lenA != lenB) return lenA < lenB;
    return a.Path < b.Path;
}

}  // namespace

std::vector<TSerialDevice> SerialDevicesOf(const std::vector<UdevTty>& ttys) {
    std::vector<TSerialDevice> devices;
    for (const UdevTty& tty : ttys)
        if (IsRealSerialPort(tty)) devices.push_back({SerialDeviceName(tty), tty.DevNode});
    std::sort(devices.begin(), devices.end(), PathLess);
    return devices;
}

}  // namespace portdetect
