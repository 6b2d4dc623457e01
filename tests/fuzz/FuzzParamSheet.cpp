// Any bytes as a parameter file to load: the parser never reads outside the
// text, and a page it accepts is written to text it reads back the same.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "ParamSheet.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ui::ParsedSheet parsed = ui::ParseParamSheet(text);
    if (!parsed.sheet) return 0;
    const ui::ParsedSheet again = ui::ParseParamSheet(ui::FormatParamSheet(*parsed.sheet));
    if (!again.sheet || !(*again.sheet == *parsed.sheet)) std::abort();
    return 0;
}
