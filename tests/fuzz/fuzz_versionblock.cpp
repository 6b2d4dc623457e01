// Any bytes as a version block: every query and the reader's whole parse
// stay inside the block, and every listed entry can be found by its path.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <set>
#include <span>

#include "Version.h"
#include "VersionBlock.h"
#include "VersionSource.h"

namespace {

// Serves the bytes of the current input.
class InputBlock : public version::BlockVersionSource {
  public:
    std::span<const std::uint8_t> Bytes;

  protected:
    std::optional<version::VersionBlock> Fetch(const std::string&) override {
        return version::VersionBlock(std::vector<std::uint8_t>(Bytes.begin(), Bytes.end()));
    }
};

// One reader for the whole run: making one per input would look up the
// program's own path and parse a block twice each time.
struct Reader {
    Reader() : Reader(std::make_unique<InputBlock>()) {}
    explicit Reader(std::unique_ptr<InputBlock> source)
        : Source(source.get()), Resource(std::move(source)) {}

    InputBlock* Source;  // owned by Resource
    TVersionResource Resource;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    version::VersionBlock block(std::vector<std::uint8_t>(data, data + size));
    (void)block.Value("\\VarFileInfo\\Translation");
    // A path finds the first table of its key, so only those are checked.
    std::set<std::u16string> seen;
    auto addressable = [](const std::u16string& key) {
        return !key.empty() && key.find(u'\\') == std::u16string::npos;
    };
    for (const auto& table : block.StringTables()) {
        std::u16string folded = table.Key;
        for (char16_t& c : folded)
            if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c + 32);
        if (!seen.insert(folded).second || !addressable(table.Key)) continue;
        for (const auto& entry : table.Entries) {
            if (!addressable(entry.Key)) continue;
            std::u16string path = u"\\StringFileInfo\\" + table.Key + u"\\" + entry.Key;
            if (!block.Text(std::u16string_view(path))) __builtin_trap();
        }
    }

    // The reader's whole parse, of the table 040904B0 that most files have.
    static Reader reader;
    reader.Source->Bytes = std::span<const std::uint8_t>(data, size);
    reader.Resource.SetCharacterSet(csUnicode);
    reader.Source->Bytes = {};
    return 0;
}
