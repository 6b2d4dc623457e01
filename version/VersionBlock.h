#pragma once

// Reading a version-information block (VS_VERSIONINFO, the 32-bit layout that
// PE files carry) without the platform's version functions. Every read is
// checked against the block's bounds, so any bytes are safe to give it.
//
// Paths follow the platform's query rules: components separated by "\",
// empty components skipped, keys compared without regard to letter case, "\"
// alone naming the root whose value is the fixed part.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace version {

// The fixed part of a version block, field for field.
struct FixedFileInfo {
    std::uint32_t Signature = 0;
    std::uint32_t StrucVersion = 0;
    std::uint32_t FileVersionMS = 0;
    std::uint32_t FileVersionLS = 0;
    std::uint32_t ProductVersionMS = 0;
    std::uint32_t ProductVersionLS = 0;
    std::uint32_t FileFlagsMask = 0;
    std::uint32_t FileFlags = 0;
    std::uint32_t FileOS = 0;
    std::uint32_t FileType = 0;
    std::uint32_t FileSubtype = 0;
    std::uint32_t FileDateMS = 0;
    std::uint32_t FileDateLS = 0;
};

inline constexpr std::size_t kFixedFileInfoSize = 13 * 4;

class VersionBlock {
  public:
    VersionBlock() = default;
    explicit VersionBlock(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

    // The root's value when it is at least as long as the fixed part.
    std::optional<FixedFileInfo> Fixed() const;

    // The text value of the node at the path, up to its first zero and never
    // past its declared length or the node's end.
    std::optional<std::u16string> Text(std::u16string_view path) const;
    std::optional<std::u16string> Text(std::string_view path) const;

    // The raw value bytes of the node at the path (e.g. "\VarFileInfo\Translation").
    std::optional<std::vector<std::uint8_t>> Value(std::string_view path) const;

    struct Entry {
        std::u16string Key;
        std::u16string Value;
    };
    struct Table {
        std::u16string Key;  // language and code page, e.g. "040704E4"
        std::vector<Entry> Entries;
    };
    // Every string table under "\StringFileInfo" with its entries, in file order.
    std::vector<Table> StringTables() const;

  private:
    struct Node {
        std::size_t Start = 0;  // offset of the node's header
        std::size_t End = 0;    // one past its last byte, within the parent
        std::uint16_t ValueLength = 0;
        std::uint16_t Type = 0;
        std::size_t KeyStart = 0;
        std::size_t KeyChars = 0;
        std::size_t ValueStart = 0;
        std::size_t ChildrenStart = 0;
    };

    std::optional<Node> ReadNode(std::size_t start, std::size_t limit) const;
    // Calls visit for each child in order until it returns false.
    template <typename Visit>
    void ForEachChild(const Node& parent, Visit visit) const;
    std::optional<Node> Find(std::u16string_view path) const;
    bool KeyIs(const Node& node, std::u16string_view key) const;
    std::u16string KeyOf(const Node& node) const;
    std::u16string TextOf(const Node& node) const;
    std::uint16_t Word(std::size_t offset) const;

    std::vector<std::uint8_t> bytes_;
};

// Converts UTF-16 text to UTF-8; unpaired surrogates become U+FFFD.
std::string Utf8(std::u16string_view text);

}  // namespace version
