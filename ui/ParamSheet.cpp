#include "ParamSheet.h"

#include "Layout.h"
#include "PenImport.h"

namespace ui {

namespace {

constexpr std::string_view kListHead = "Parameter:";

const SheetField kFields[] = {
    {Ctl::LPProto, Ctl::LProto},       {Ctl::LPStatus, Ctl::LStatus},
    {Ctl::LPFirmware, Ctl::LFirmware}, {Ctl::LPDevID, Ctl::LDevID},
    {Ctl::LPUploads, Ctl::LUploads},   {Ctl::LPCodes, Ctl::LCodes},
    {Ctl::EPUserData, Ctl::LUserData}, {Ctl::TrackBLoud, Ctl::LLoud},
};

bool Hex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// "0x" and two hex digits, " : ", then hex bytes apart by single blanks.
bool ParameterLine(std::string_view line) {
    if (line.size() < 7 || line.substr(0, 2) != "0x" || !Hex(line[2]) || !Hex(line[3]) ||
        line.substr(4, 3) != " : ")
        return false;
    const std::string_view bytes = line.substr(7);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool blank = i % 3 == 2;
        if (blank ? bytes[i] != ' ' : !Hex(bytes[i])) return false;
    }
    return bytes.empty() || bytes.size() % 3 == 2;
}

// The field a "Name: value" line fills, and its value.
std::optional<std::pair<Ctl, std::string>> FieldLine(std::string_view line) {
    for (const SheetField& f : kFields) {
        const std::string name = Item(f.label).caption + ":";
        if (line.substr(0, name.size()) != name) continue;
        std::string_view value = line.substr(name.size());
        if (!value.empty() && value.front() == ' ') value.remove_prefix(1);
        if (f.value == Ctl::TrackBLoud) {
            const LayoutItem& bar = Item(Ctl::TrackBLoud);
            if (value.size() != 1 || value[0] < '0' + bar.low || value[0] > '0' + bar.high)
                return std::nullopt;
        }
        for (char c : value)
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        return std::make_pair(f.value, std::string(value));
    }
    return std::nullopt;
}

}  // namespace

bool ParamSheet::Empty() const {
    return values.empty() && lines.empty();
}

std::span<const SheetField> SheetFields() {
    return kFields;
}

std::string FormatParamSheet(const ParamSheet& sheet) {
    std::string text;
    for (const SheetField& f : kFields) {
        const auto it = sheet.values.find(f.value);
        text +=
            Item(f.label).caption + ": " + (it == sheet.values.end() ? "" : it->second) + "\r\n";
    }
    for (const std::string& line : sheet.lines) text += line + "\r\n";
    return text;
}

ParsedSheet ParseParamSheet(std::string_view text) {
    const std::vector<std::string_view> lines = FilledLines(text);

    ParsedSheet parsed;
    ParamSheet sheet;
    bool inList = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        bool fits = false;
        if (inList) {
            fits = ParameterLine(line);
        } else if (line == kListHead) {
            fits = inList = true;
        } else if (const auto field = FieldLine(line); field && !sheet.values.count(field->first)) {
            sheet.values.insert(*field);
            fits = true;
        }
        if (!fits) {
            parsed.badLine = int(i + 1);
            parsed.badText = std::string(line);
            return parsed;
        }
        if (inList) sheet.lines.emplace_back(line);
    }
    if (!inList) {
        parsed.badLine = int(lines.size() + 1);
        return parsed;  // no parameter list: not a parameter file
    }
    // A field the file lacks is shown empty, and written so when saved again.
    for (const SheetField& f : kFields)
        sheet.values.emplace(f.value, f.value == Ctl::TrackBLoud ? "0" : "");
    parsed.sheet = std::move(sheet);
    return parsed;
}

}  // namespace ui
