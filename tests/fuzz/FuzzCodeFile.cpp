// Any bytes as a code file to load, in any export format: the parser never
// reads outside the text, keeps at most the list's codes, and what it takes
// from an export file is written back to lines it reads the same again.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "PenExport.h"
#include "PenImport.h"

namespace {

bool SameCodes(const std::vector<TCodes>& a, const std::vector<TCodes>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Code != b[i].Code || a[i].Symbology != b[i].Symbology) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t format = data[0] & 3;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
    const CodeFileContent file = ParseCodeFile(text, format);
    if (file.codes.size() > std::size_t(kMaxCodes) || file.leftOut < 0) std::abort();
    if (file.badLine != 0 || file.archive) return 0;

    std::string again;
    for (std::size_t n = 0; n < file.codes.size(); ++n)
        again += ExportLine(std::int32_t(n + 1), file.codes[n], format) + "\r\n";
    // A code that itself starts with a byte order mark loses it, as any file does.
    if (std::string_view(again).substr(0, 3) == "\xEF\xBB\xBF") return 0;
    const CodeFileContent reread = ParseCodeFile(again, format);
    if (reread.badLine != 0 || !SameCodes(reread.codes, file.codes)) std::abort();
    return 0;
}
