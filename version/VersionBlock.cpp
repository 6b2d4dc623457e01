#include "VersionBlock.h"

#include <algorithm>

#include "Utf.h"

namespace version {

namespace {

constexpr std::size_t kHeaderSize = 6;  // wLength, wValueLength, wType

std::size_t Align4(std::size_t n) {
    return (n + 3) & ~std::size_t{3};
}

char16_t Fold(char16_t c) {
    return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

// Takes the next non-empty component off the front of the path; empty when
// none is left.
std::u16string_view NextPart(std::u16string_view& path) {
    while (!path.empty()) {
        std::size_t cut = std::min(path.find(u'\\'), path.size());
        std::u16string_view part = path.substr(0, cut);
        path.remove_prefix(std::min(cut + 1, path.size()));
        if (!part.empty()) return part;
    }
    return {};
}

}  // namespace

std::uint16_t VersionBlock::Word(std::size_t offset) const {
    return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::optional<VersionBlock::Node> VersionBlock::ReadNode(std::size_t start,
                                                         std::size_t limit) const {
    limit = std::min(limit, bytes_.size());
    if (start > limit || limit - start < kHeaderSize) return std::nullopt;
    std::uint16_t length = Word(start);
    if (length < kHeaderSize) return std::nullopt;

    Node node;
    node.Start = start;
    node.End = start + std::min<std::size_t>(length, limit - start);
    node.ValueLength = Word(start + 2);
    node.Type = Word(start + 4);

    node.KeyStart = start + kHeaderSize;
    std::size_t pos = node.KeyStart;
    bool terminated = false;
    while (pos + 2 <= node.End) {
        pos += 2;
        if (Word(pos - 2) == 0) {
            terminated = true;
            break;
        }
        ++node.KeyChars;
    }
    if (!terminated) pos = node.End;
    node.ValueStart = std::min(start + Align4(pos - start), node.End);
    std::size_t valueBytes = node.Type ? std::size_t{node.ValueLength} * 2 : node.ValueLength;
    node.ChildrenStart = std::min(start + Align4(node.ValueStart - start + valueBytes), node.End);
    return node;
}

template <typename Visit>
void VersionBlock::ForEachChild(const Node& parent, Visit visit) const {
    std::size_t pos = parent.ChildrenStart;
    while (pos < parent.End) {
        auto child = ReadNode(pos, parent.End);
        if (!child || !visit(*child)) return;
        pos += Align4(Word(pos));
    }
}

bool VersionBlock::KeyIs(const Node& node, std::u16string_view key) const {
    if (node.KeyChars != key.size()) return false;
    for (std::size_t i = 0; i < key.size(); ++i)
        if (Fold(Word(node.KeyStart + 2 * i)) != Fold(key[i])) return false;
    return true;
}

std::u16string VersionBlock::KeyOf(const Node& node) const {
    std::u16string key(node.KeyChars, u'\0');
    for (std::size_t i = 0; i < key.size(); ++i) key[i] = Word(node.KeyStart + 2 * i);
    return key;
}

std::optional<VersionBlock::Node> VersionBlock::Find(std::u16string_view path) const {
    auto node = ReadNode(0, bytes_.size());
    if (!node) return std::nullopt;
    for (std::u16string_view part = NextPart(path); !part.empty(); part = NextPart(path)) {
        std::optional<Node> next;
        ForEachChild(*node, [&](const Node& child) {
            if (KeyIs(child, part)) next = child;
            return !next;
        });
        if (!next) return std::nullopt;
        node = next;
    }
    return node;
}

std::u16string VersionBlock::TextOf(const Node& node) const {
    std::size_t chars = node.Type ? node.ValueLength : node.ValueLength / 2u;
    chars = std::min(chars, (node.End - node.ValueStart) / 2);
    std::u16string text;
    for (std::size_t i = 0; i < chars; ++i) {
        char16_t c = Word(node.ValueStart + 2 * i);
        if (c == 0) break;
        text.push_back(c);
    }
    return text;
}

std::optional<FixedFileInfo> VersionBlock::Fixed() const {
    auto root = ReadNode(0, bytes_.size());
    if (!root || root->ValueLength < kFixedFileInfoSize ||
        root->End - root->ValueStart < kFixedFileInfoSize)
        return std::nullopt;
    std::uint32_t f[13];
    for (std::size_t i = 0; i < 13; ++i) {
        std::size_t at = root->ValueStart + 4 * i;
        f[i] = Word(at) | (std::uint32_t{Word(at + 2)} << 16);
    }
    return FixedFileInfo{f[0], f[1], f[2], f[3],  f[4],  f[5], f[6],
                         f[7], f[8], f[9], f[10], f[11], f[12]};
}

std::optional<std::u16string> VersionBlock::Text(std::u16string_view path) const {
    auto node = Find(path);
    if (!node) return std::nullopt;
    return TextOf(*node);
}

std::optional<std::u16string> VersionBlock::Text(std::string_view path) const {
    return Text(std::u16string_view(platform::Utf8ToUtf16(path)));
}

std::optional<std::vector<std::uint8_t>> VersionBlock::Value(std::string_view path) const {
    auto node = Find(platform::Utf8ToUtf16(path));
    if (!node) return std::nullopt;
    std::size_t n = node->Type ? std::size_t{node->ValueLength} * 2 : node->ValueLength;
    n = std::min(n, node->End - node->ValueStart);
    auto first = bytes_.begin() + static_cast<std::ptrdiff_t>(node->ValueStart);
    return std::vector<std::uint8_t>(first, first + static_cast<std::ptrdiff_t>(n));
}

std::vector<VersionBlock::Table> VersionBlock::StringTables() const {
    std::vector<Table> tables;
    auto info = Find(u"\\StringFileInfo");
    if (!info) return tables;
    ForEachChild(*info, [&](const Node& table) {
        Table t{KeyOf(table), {}};
        ForEachChild(table, [&](const Node& entry) {
            t.Entries.push_back({KeyOf(entry), TextOf(entry)});
            return true;
        });
        tables.push_back(std::move(t));
        return true;
    });
    return tables;
}

std::string Utf8(std::u16string_view text) {
    return platform::Utf16ToUtf8(text);
}

}  // namespace version
