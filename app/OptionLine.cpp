#include "OptionLine.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace {

bool IsTrimmed(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// Option starts that end a value under the POSIX rule.
constexpr std::array<std::string_view, 8> kOptionStarts{"/S", "/P:", "/E:", "/D",
                                                        "/H", "-H",  "/?",  "-?"};

bool StartsOption(std::string_view upperRest) {
    for (auto start : kOptionStarts) {
        if (upperRest.substr(0, start.size()) == start) return true;
    }
    return false;
}

struct ValueSpan {
    bool found = false;
    std::size_t begin = 0;  // first character of the value
    std::size_t end = 0;    // one past its last character
};

// Where the value after the first occurrence of key lies in the line.
ValueSpan FindValue(const std::string& upper, std::string_view key, ValueRule rule) {
    ValueSpan span;
    std::size_t at = upper.find(key);
    if (at == std::string::npos) return span;
    span.found = true;
    span.begin = at + key.size();
    if (rule == ValueRule::CutAtSlash) {
        span.end = std::min(upper.find('/', span.begin), upper.size());
        return span;
    }
    span.end = span.begin;
    while (
        span.end < upper.size() &&
        !(upper[span.end] == ' ' && StartsOption(std::string_view(upper).substr(span.end + 1)))) {
        ++span.end;
    }
    return span;
}

std::string ValueText(const std::string& line, ValueSpan span, ValueRule rule) {
    std::string value = line.substr(span.begin, span.end - span.begin);
    if (rule == ValueRule::CutAtNextOption) {
        while (!value.empty() && IsTrimmed(value.back())) value.pop_back();
    }
    return value;
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
    const ValueSpan port = FindValue(upper, "/P:", rule);
    const ValueSpan file = FindValue(upper, "/E:", rule);

    // Under the POSIX rule a value is a path, and "/dev" or "/home" must not
    // count as /D or /H: the flags are looked for outside the values.
    std::string flags = upper;
    if (rule == ValueRule::CutAtNextOption) {
        for (const ValueSpan& v : {port, file}) {
            if (v.found) std::fill(flags.begin() + v.begin, flags.begin() + v.end, ' ');
        }
    }
    auto has = [&](std::string_view s) { return flags.find(s) != std::string::npos; };

    ConsoleOptions o;
    o.Help = has("/H") || has("-H") || has("/?") || has("-?");
    o.Screen = has("/S");
    o.Delete = has("/D");
    o.Port = port.found;
    o.Export = file.found;
    const std::string& source = rule == ValueRule::CutAtSlash ? upper : original;
    if (port.found) o.PortText = ValueText(source, port, rule);
    if (file.found) o.ExportFile = ValueText(source, file, rule);
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
