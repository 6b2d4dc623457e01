#pragma once

// Builders for version blocks and small PE files, so tests and fuzz seeds
// can say exactly which bytes a reader sees.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "VersionBlock.h"

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}
inline void Pad4(Bytes& b) {
    while (b.size() % 4) b.push_back(0);
}

// One node of a version block. ValueLength counts characters for text nodes
// (type 1) and bytes for binary ones, as the format has it.
struct Node {
    std::u16string Key;
    std::uint16_t Type = 1;
    Bytes Value;
    std::uint16_t ValueLength = 0;
    std::vector<Node> Children;
};

inline Bytes Serialize(const Node& n) {
    Bytes b(6);
    for (char16_t c : n.Key) b.insert(b.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    b.insert(b.end(), {0, 0});
    Pad4(b);
    b.insert(b.end(), n.Value.begin(), n.Value.end());
    for (const Node& child : n.Children) {
        Pad4(b);
        Bytes c = Serialize(child);
        b.insert(b.end(), c.begin(), c.end());
    }
    Put16(b, 0, static_cast<std::uint32_t>(b.size()));
    Put16(b, 2, n.ValueLength);
    Put16(b, 4, n.Type);
    return b;
}

// A text entry whose value keeps its terminating zero, as resource compilers write it.
inline Node Text(std::u16string key, std::u16string value) {
    Node n{std::move(key), 1, {}, static_cast<std::uint16_t>(value.size() + 1), {}};
    for (char16_t c : value) n.Value.insert(n.Value.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    n.Value.insert(n.Value.end(), {0, 0});
    return n;
}

inline Node Table(std::u16string key, std::vector<Node> entries) {
    return Node{std::move(key), 1, {}, 0, std::move(entries)};
}

inline Bytes FixedPart(const version::FixedFileInfo& f) {
    Bytes b(version::kFixedFileInfoSize);
    const std::uint32_t fields[] = {
        f.Signature,        f.StrucVersion,  f.FileVersionMS, f.FileVersionLS, f.ProductVersionMS,
        f.ProductVersionLS, f.FileFlagsMask, f.FileFlags,     f.FileOS,        f.FileType,
        f.FileSubtype,      f.FileDateMS,    f.FileDateLS};
    for (std::size_t i = 0; i < 13; ++i) Put32(b, 4 * i, fields[i]);
    return b;
}

inline version::FixedFileInfo Fixed(std::uint32_t fileMS, std::uint32_t fileLS,
                                    std::uint32_t os = 4, std::uint32_t type = 1,
                                    std::uint32_t subtype = 0) {
    version::FixedFileInfo f;
    f.Signature = 0xFEEF04BD;
    f.StrucVersion = 0x10000;
    f.FileVersionMS = fileMS;
    f.FileVersionLS = fileLS;
    f.ProductVersionMS = fileMS;
    f.ProductVersionLS = fileLS;
    f.FileOS = os;
    f.FileType = type;
    f.FileSubtype = subtype;
    return f;
}

// A whole block: fixed part, string tables, one translation entry.
inline Bytes Block(const version::FixedFileInfo& fixed, std::vector<Node> tables,
                   std::uint16_t language = 0x0409, std::uint16_t codePage = 1200) {
    Node root{u"VS_VERSION_INFO",
              0,
              FixedPart(fixed),
              static_cast<std::uint16_t>(version::kFixedFileInfoSize),
              {}};
    if (!tables.empty()) root.Children.push_back(Node{u"StringFileInfo", 1, {}, 0, tables});
    Bytes translation(4);
    Put16(translation, 0, language);
    Put16(translation, 2, codePage);
    root.Children.push_back(
        Node{u"VarFileInfo", 1, {}, 0, {Node{u"Translation", 0, translation, 4, {}}}});
    return Serialize(root);
}

struct PeOptions {
    bool Pe32Plus = true;
    std::uint16_t ResourceName = 1;
    // One version block per language, in directory order.
    std::vector<std::pair<std::uint16_t, Bytes>> Languages;
};

// A PE file with one section that holds the resource directory
// type 16 -> name -> languages -> data. The section's address (0x1000)
// differs from its file offset (0x200), as in real files.
inline Bytes PeFile(const PeOptions& o) {
    constexpr std::uint32_t kRva = 0x1000, kRaw = 0x200;
    const std::uint32_t langs = static_cast<std::uint32_t>(o.Languages.size());
    Bytes rsrc(16 + 8 + 16 + 8 + 16 + 8 * langs);
    auto dir = [&](std::size_t at, std::uint32_t id, std::uint32_t target, std::uint16_t count) {
        Put16(rsrc, at + 14, count);
        Put32(rsrc, at + 16, id);
        Put32(rsrc, at + 20, target);
    };
    dir(0, 16, 0x80000000u | 24, 1);
    dir(24, o.ResourceName, 0x80000000u | 48, 1);
    Put16(rsrc, 48 + 14, static_cast<std::uint16_t>(langs));
    std::size_t entries = rsrc.size();
    rsrc.resize(entries + 16 * langs);
    for (std::uint32_t i = 0; i < langs; ++i) {
        Pad4(rsrc);
        std::size_t dataAt = rsrc.size();
        const Bytes& block = o.Languages[i].second;
        rsrc.insert(rsrc.end(), block.begin(), block.end());
        Put32(rsrc, 48 + 16 + 8 * i, o.Languages[i].first);
        Put32(rsrc, 48 + 20 + 8 * i, static_cast<std::uint32_t>(entries + 16 * i));
        Put32(rsrc, entries + 16 * i, kRva + static_cast<std::uint32_t>(dataAt));
        Put32(rsrc, entries + 16 * i + 4, static_cast<std::uint32_t>(block.size()));
    }
    const std::uint32_t rawSize = static_cast<std::uint32_t>((rsrc.size() + 0x1FF) & ~0x1FFu);

    const std::uint32_t optionalSize = o.Pe32Plus ? 240 : 224;
    Bytes f(kRaw + rawSize);
    f[0] = 'M';
    f[1] = 'Z';
    Put32(f, 0x3C, 0x40);
    std::memcpy(&f[0x40], "PE\0\0", 4);
    const std::size_t coff = 0x44, opt = coff + 20;
    Put16(f, coff, o.Pe32Plus ? 0x8664 : 0x14C);
    Put16(f, coff + 2, 1);
    Put16(f, coff + 16, optionalSize);
    Put16(f, coff + 18, 0x2022);
    Put16(f, opt, o.Pe32Plus ? 0x20B : 0x10B);
    const std::size_t dirs = opt + (o.Pe32Plus ? 108 : 92);
    Put32(f, dirs, 16);
    Put32(f, dirs + 4 + 16, kRva);
    Put32(f, dirs + 4 + 20, static_cast<std::uint32_t>(rsrc.size()));
    const std::size_t section = opt + optionalSize;
    std::memcpy(&f[section], ".rsrc", 5);
    Put32(f, section + 8, static_cast<std::uint32_t>(rsrc.size()));
    Put32(f, section + 12, kRva);
    Put32(f, section + 16, rawSize);
    Put32(f, section + 20, kRaw);
    std::memcpy(&f[kRaw], rsrc.data(), rsrc.size());
    return f;
}

// Offsets of a PeFile's parts, for tests that corrupt them.
inline constexpr std::size_t kPeLfanew = 0x3C, kPeCoff = 0x44, kPeOptional = 0x44 + 20,
                             kPeResourceStart = 0x200;

}  // namespace fixtures
