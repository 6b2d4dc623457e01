#include "PeLocator.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace version {

bool SpanSource::Read(std::uint64_t offset, void* out, std::size_t n) const {
    if (offset > bytes_.size() || bytes_.size() - offset < n) return false;
    if (n) std::memcpy(out, bytes_.data() + offset, n);
    return true;
}

namespace {

// Directory entries a well-formed file never exceeds; it bounds the work a
// corrupt count can cause.
constexpr std::uint32_t kMaxEntries = 4096;
constexpr std::uint16_t kMaxSections = 96;

struct Reader {
    const ByteSource& file;

    template <typename T>
    bool Le(std::uint64_t offset, T& value) const {
        std::uint8_t b[sizeof(T)];
        if (!file.Read(offset, b, sizeof b)) return false;
        value = 0;
        for (std::size_t i = sizeof(T); i-- > 0;) value = static_cast<T>((value << 8) | b[i]);
        return true;
    }
};

struct Section {
    std::uint32_t VirtualAddress, VirtualSize, RawSize, RawOffset;
};

// Maps a range of the image (by RVA) to a range of the file; the whole range
// has to lie in one section's raw data.
std::optional<std::uint64_t> FileOffset(const std::vector<Section>& sections, std::uint32_t rva,
                                        std::uint32_t size) {
    for (const Section& s : sections) {
        std::uint64_t extent = std::max(s.VirtualSize, s.RawSize);
        if (rva < s.VirtualAddress || rva - s.VirtualAddress >= extent) continue;
        std::uint64_t delta = rva - s.VirtualAddress;
        if (delta + size > s.RawSize) return std::nullopt;
        return std::uint64_t{s.RawOffset} + delta;
    }
    return std::nullopt;
}

struct DirEntry {
    std::uint32_t Name;  // id, or (high bit) offset of a name string
    std::uint32_t Data;  // (high bit) offset of a subdirectory, else of a data entry
};

std::optional<std::vector<DirEntry>> ReadDirectory(const Reader& r, std::uint64_t at) {
    std::uint16_t named = 0, ids = 0;
    if (!r.Le(at + 12, named) || !r.Le(at + 14, ids)) return std::nullopt;
    std::uint32_t count = std::uint32_t{named} + ids;
    if (count > kMaxEntries) return std::nullopt;
    std::vector<DirEntry> entries;
    for (std::uint32_t i = 0; i < count; ++i) {
        DirEntry e{};
        if (!r.Le(at + 16 + 8ull * i, e.Name) || !r.Le(at + 20 + 8ull * i, e.Data))
            return std::nullopt;
        entries.push_back(e);
    }
    return entries;
}

const DirEntry* ById(const std::vector<DirEntry>& entries, std::uint16_t id) {
    for (const DirEntry& e : entries)
        if (!(e.Name & 0x80000000u) && e.Name == id) return &e;
    return nullptr;
}

}  // namespace

std::optional<ResourceLocation> LocateVersionResource(const ByteSource& file) {
    Reader r{file};
    std::uint16_t mz = 0;
    std::uint32_t peAt = 0, signature = 0;
    if (!r.Le(0, mz) || mz != 0x5A4D || !r.Le(0x3C, peAt)) return std::nullopt;
    if (!r.Le(peAt, signature) || signature != 0x00004550) return std::nullopt;

    std::uint64_t coff = std::uint64_t{peAt} + 4;
    std::uint16_t sectionCount = 0, optionalSize = 0, magic = 0;
    if (!r.Le(coff + 2, sectionCount) || !r.Le(coff + 16, optionalSize)) return std::nullopt;
    if (sectionCount > kMaxSections) return std::nullopt;
    std::uint64_t optional = coff + 20;
    if (!r.Le(optional, magic)) return std::nullopt;
    std::uint32_t dirCountAt;
    if (magic == 0x10B) {
        dirCountAt = 92;
    } else if (magic == 0x20B) {
        dirCountAt = 108;
    } else {
        return std::nullopt;
    }
    constexpr std::uint32_t kResourceDirectory = 2;
    std::uint32_t dirCount = 0, rsrcRva = 0;
    std::uint32_t rsrcAt = dirCountAt + 4 + 8 * kResourceDirectory;
    if (rsrcAt + 8 > optionalSize || !r.Le(optional + dirCountAt, dirCount) ||
        dirCount <= kResourceDirectory || !r.Le(optional + rsrcAt, rsrcRva) || rsrcRva == 0)
        return std::nullopt;

    std::vector<Section> sections;
    std::uint64_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sectionCount; ++i) {
        Section s{};
        std::uint64_t at = table + 40ull * i;
        if (!r.Le(at + 8, s.VirtualSize) || !r.Le(at + 12, s.VirtualAddress) ||
            !r.Le(at + 16, s.RawSize) || !r.Le(at + 20, s.RawOffset))
            return std::nullopt;
        sections.push_back(s);
    }

    // Directory offsets are relative to the start of the resource data; a
    // directory header is 16 bytes.
    auto root = FileOffset(sections, rsrcRva, 16);
    if (!root) return std::nullopt;
    auto inResources = [&](std::uint32_t offset, std::uint32_t size) {
        return offset > 0xFFFFFFFFu - rsrcRva ? std::nullopt
                                              : FileOffset(sections, rsrcRva + offset, size);
    };
    auto subdirectory = [&](const DirEntry* e) -> std::optional<std::uint64_t> {
        if (!e || !(e->Data & 0x80000000u)) return std::nullopt;
        return inResources(e->Data & 0x7FFFFFFFu, 16);
    };

    auto types = ReadDirectory(r, *root);
    if (!types) return std::nullopt;
    auto namesAt = subdirectory(ById(*types, kVersionResourceType));
    if (!namesAt) return std::nullopt;
    auto names = ReadDirectory(r, *namesAt);
    if (!names) return std::nullopt;
    auto languagesAt = subdirectory(ById(*names, kVersionResourceName));
    if (!languagesAt) return std::nullopt;
    auto languages = ReadDirectory(r, *languagesAt);
    if (!languages || languages->empty()) return std::nullopt;

    const DirEntry* chosen = ById(*languages, 0x0000);
    if (!chosen) chosen = ById(*languages, 0x0409);
    if (!chosen) chosen = &languages->front();
    if (chosen->Data & 0x80000000u) return std::nullopt;

    // A data entry: RVA of the data, its size, code page, reserved.
    auto entryAt = inResources(chosen->Data, 16);
    std::uint32_t dataRva = 0, size = 0;
    if (!entryAt || !r.Le(*entryAt, dataRva) || !r.Le(*entryAt + 4, size)) return std::nullopt;
    auto at = FileOffset(sections, dataRva, size);
    if (!at || size == 0 || *at > file.Size() || file.Size() - *at < size) return std::nullopt;
    return ResourceLocation{*at, size, static_cast<std::uint16_t>(chosen->Name & 0xFFFFu)};
}

}  // namespace version
