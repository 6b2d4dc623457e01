#include <fstream>

#include "PeLocator.h"
#include "Utf.h"
#include "VersionSource.h"

namespace version {

namespace {

class FileSource : public ByteSource {
  public:
    explicit FileSource(const std::string& name) : in_(platform::Utf8Path(name), std::ios::binary) {
        if (in_) {
            in_.seekg(0, std::ios::end);
            auto end = in_.tellg();
            size_ = end < 0 ? 0 : static_cast<std::uint64_t>(end);
        }
    }
    bool Good() const { return static_cast<bool>(in_); }
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t n) const override {
        if (offset > size_ || size_ - offset < n) return false;
        in_.clear();
        in_.seekg(static_cast<std::streamoff>(offset));
        in_.read(static_cast<char*>(out), static_cast<std::streamsize>(n));
        return in_.gcount() == static_cast<std::streamsize>(n);
    }

  private:
    mutable std::ifstream in_;
    std::uint64_t size_ = 0;
};

// A block's length field is 16 bits: nothing past 64 KiB can belong to it.
constexpr std::uint32_t kMaxBlock = 0x10000;

}  // namespace

bool BlockVersionSource::Load(const std::string& fileName) {
    auto block = Fetch(fileName);
    loaded_ = block.has_value();
    block_ = loaded_ ? std::move(*block) : VersionBlock();
    return loaded_;
}

bool BlockVersionSource::QueryFixed(FixedFileInfo& info) const {
    auto fixed = loaded_ ? block_.Fixed() : std::nullopt;
    if (fixed) info = *fixed;
    return fixed.has_value();
}

bool BlockVersionSource::QueryText(const std::string& subBlock, std::string& text) const {
    auto value = loaded_ ? block_.Text(subBlock) : std::nullopt;
    if (value) text = Utf8(*value);
    return value.has_value();
}

std::optional<VersionBlock> PortableVersionSource::ReadFile(const std::string& fileName) {
    if (fileName.empty()) return std::nullopt;
    FileSource file(fileName);
    if (!file.Good()) return std::nullopt;
    auto where = LocateVersionResource(file);
    if (!where) return std::nullopt;
    std::vector<std::uint8_t> bytes(std::min(where->Size, kMaxBlock));
    if (!file.Read(where->Offset, bytes.data(), bytes.size())) return std::nullopt;
    return VersionBlock(std::move(bytes));
}

}  // namespace version
