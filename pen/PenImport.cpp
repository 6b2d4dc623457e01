#include "PenImport.h"

#include <fstream>
#include <iterator>
#include <system_error>

#include "PenExport.h"
#include "Utf.h"

namespace {

// The longest code a pen's block can hold: its length byte counts the
// symbology too.
constexpr std::size_t kMaxCodeLength = 254;

bool Digit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number of at most `digits` digits, then ";"; moves `at` past both.
std::optional<std::uint32_t> Field(std::string_view line, std::size_t& at, std::size_t digits) {
    std::size_t end = at;
    std::uint32_t value = 0;
    while (end < line.size() && Digit(line[end]) && end - at < digits)
        value = value * 10 + std::uint32_t(line[end++] - '0');
    if (end == at || end >= line.size() || line[end] != ';') return std::nullopt;
    at = end + 1;
    return value;
}

// "YYYY-MM-DD HH:MM:SS;"
bool StampAhead(std::string_view line) {
    static constexpr std::string_view kShape = "0000-00-00 00:00:00;";
    if (line.size() < kShape.size()) return false;
    for (std::size_t i = 0; i < kShape.size(); ++i)
        if (kShape[i] == '0' ? !Digit(line[i]) : line[i] != kShape[i]) return false;
    return true;
}

std::optional<TCodes> Code(std::uint32_t symbology, std::string_view rest) {
    if (symbology > 0xFF || rest.size() > kMaxCodeLength) return std::nullopt;
    return TCodes{std::uint8_t(symbology), std::string(rest)};
}

std::optional<TCodes> ArchiveCode(std::string_view line) {
    if (!StampAhead(line)) return std::nullopt;
    std::size_t at = 20;
    const std::size_t idEnd = line.find(';', at);
    if (idEnd == std::string_view::npos) return std::nullopt;
    at = idEnd + 1;
    const auto uploads = Field(line, at, 5);
    const auto symbology = Field(line, at, 3);
    if (!uploads || *uploads > 0xFFFF || !symbology) return std::nullopt;
    return Code(*symbology, line.substr(at));
}

std::optional<TCodes> ExportCode(std::string_view line, std::uint8_t format) {
    std::size_t at = 0;
    if ((format & kExpRunningNumber) && !Field(line, at, 9)) return std::nullopt;
    std::uint32_t symbology = 0;
    if (!(format & kExpCodeOnly)) {
        const auto value = Field(line, at, 3);
        if (!value) return std::nullopt;
        symbology = *value;
    }
    return Code(symbology, line.substr(at));
}

}  // namespace

std::vector<std::string_view> FileLines(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    return lines;
}

std::vector<std::string_view> FilledLines(std::string_view text) {
    std::vector<std::string_view> lines = FileLines(text);
    while (!lines.empty() && lines.back().empty()) lines.pop_back();
    return lines;
}

CodeFileContent ParseCodeFile(std::string_view content, std::uint8_t format) {
    std::vector<std::string_view> lines = FileLines(content);
    CodeFileContent file;
    file.archive = !lines.empty() && StampAhead(lines.front());
    file.typed = file.archive || !(format & kExpCodeOnly);
    if (file.typed || format & kExpRunningNumber)
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
    std::vector<TCodes> codes;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto code = file.archive ? ArchiveCode(lines[i]) : ExportCode(lines[i], format);
        if (!code) {
            file.badLine = std::int32_t(i + 1);
            file.badText = std::string(lines[i]);
            return file;
        }
        codes.push_back(*code);
    }
    const std::size_t keep = std::min<std::size_t>(codes.size(), kMaxCodes);
    file.leftOut = std::int32_t(codes.size() - keep);
    // An archive grows at its end: its newest codes are its last.
    const auto first = file.archive ? codes.end() - long(keep) : codes.begin();
    file.codes.assign(first, first + long(keep));
    return file;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uintmax_t limit) {
    const auto name = platform::Utf8Path(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(name, ec);
    if (ec || size > limit) return std::nullopt;
    std::ifstream in(name, std::ios::binary);
    if (!in) return std::nullopt;
    std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad() || content.size() > limit) return std::nullopt;
    return content;
}
