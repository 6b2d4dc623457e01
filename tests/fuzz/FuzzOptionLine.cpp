// Any argument list (arguments separated by NUL bytes) under both value rules.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "OptionLine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    for (auto rule : {ValueRule::CutAtSlash, ValueRule::CutAtNextOption}) {
        ConsoleOptions o = ParseOptions(args, rule);
        // A value is only ever found where its option is.
        if (!o.Port && !o.PortText.empty()) std::abort();
        if (!o.Export && !o.ExportFile.empty()) std::abort();
        const std::string line = BuildOptionLine(args);
        if (!line.empty() && (static_cast<unsigned char>(line.front()) <= 0x20 ||
                              static_cast<unsigned char>(line.back()) <= 0x20)) {
            std::abort();
        }
    }
    return 0;
}
