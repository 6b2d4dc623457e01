#pragma once

// The parameter page as text: what "Speichern" writes and "Laden" reads back
// with "Parameter" checked, and what "in Zwischenabl." copies. The page's
// fields as "Name: value" lines, named by their labels, then the raw
// parameter list as the page shows it:
//   Protokoll-Version: 0x31
//   ...
//   Lautstärke: 2
//   Parameter:
//   0x01 : 03 01 AB CD

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "HauptView.h"

namespace ui {

struct ParamSheet {
    std::map<Ctl, std::string> values;  // by the control that shows it; the loudness in decimal
    std::vector<std::string> lines;     // "Parameter:" and the parameter lines
    bool Empty() const;
    bool operator==(const ParamSheet&) const = default;
};

// A field of the page: the control that shows its value, the label naming it.
struct SheetField {
    Ctl value;
    Ctl label;
};
std::span<const SheetField> SheetFields();

// Lines end in CR LF.
std::string FormatParamSheet(const ParamSheet& sheet);

struct ParsedSheet {
    std::optional<ParamSheet> sheet;  // nothing when a line does not fit
    int badLine = 0;                  // that line, from 1
    std::string badText;
};
ParsedSheet ParseParamSheet(std::string_view text);

}  // namespace ui
