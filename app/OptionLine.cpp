#include "OptionLine.h"

#include <array>
#include <string_view>

namespace {

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 0x20; }

// Option starts that end a value under the POSIX rule.
constexpr std::array<std::string_view, 8> kOptionStarts{"/S", "/P:", "/E:", "/D",
                                                        "/H", "-H",  "/?",  "-?"};

bool StartsOption(std::string_view upperRest) {
    for (auto start : kOptionStarts) {
        if (upperRest.substr(0, start.size()) == start) return true;
    }
    return false;
}

// The value after the first occurrence of key, or nothing when key is absent.
bool TakeValue(const std::string& upper, const std::string& original, std::string_view key,
               ValueRule rule, std::string& value) {
    std::size_t at = upper.find(key);
    if (at == std::string::npos) return false;
    std::size_t begin = at + key.size();
    if (rule == ValueRule::CutAtSlash) {
        std::size_t slash = upper.find('/', begin);
        value = upper.substr(begin, slash == std::string::npos ? std::string::npos : slash - begin);
        return true;
    }
    std::size_t end = begin;
    while (end < original.size() &&
           !(original[end] == ' ' && StartsOption(std::string_view(upper).substr(end + 1)))) {
        ++end;
    }
    value = original.substr(begin, end - begin);
    while (!value.empty() && IsTrimmed(value.back())) value.pop_back();
    return true;
}

}  // namespace

std::string BuildOptionLine(const std::vector<std::string>& args, bool upperCase) {
    std::string line;
    for (const auto& arg : args) {
        for (char c : arg) line += (upperCase && c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
        line += ' ';
    }
    std::size_t begin = 0;
    while (begin < line.size() && IsTrimmed(line[begin])) ++begin;
    std::size_t end = line.size();
    while (end > begin && IsTrimmed(line[end - 1])) --end;
    return line.substr(begin, end - begin);
}

ConsoleOptions ParseOptions(const std::vector<std::string>& args, ValueRule rule) {
    const std::string upper = BuildOptionLine(args, true);
    const std::string original = BuildOptionLine(args, false);
    auto has = [&](std::string_view s) { return upper.find(s) != std::string::npos; };

    ConsoleOptions o;
    o.Help = has("/H") || has("-H") || has("/?") || has("-?");
    o.Screen = has("/S");
    o.Delete = has("/D");
    o.Port = TakeValue(upper, original, "/P:", rule, o.PortText);
    o.Export = TakeValue(upper, original, "/E:", rule, o.ExportFile);
    return o;
}

const std::vector<std::string>& UsageLines() {
    static const std::vector<std::string> lines{
        "\r\n",
        "Usage: Stylorix.exe [/S] [/P:COMx] [/E:filename.csv] [/D]",
        "  /S : dump barcodes from pen to screen",
        "  /P : set COM-Port for reader (default: COM1)",
        "  /E : export readed barcodes to given file (no screendump)",
        "  /D : delete barcodes from pen",
    };
    return lines;
}
