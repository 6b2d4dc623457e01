#pragma once

// Finds the version resource in a PE file (32- or 64-bit) without loading it:
// headers, section table and resource directory are read piecewise through a
// ByteSource and every offset is checked against the file's size.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace version {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Fills out with n bytes from offset; false when they are not all there.
    virtual bool Read(std::uint64_t offset, void* out, std::size_t n) const = 0;
};

class SpanSource : public ByteSource {
  public:
    explicit SpanSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Read(std::uint64_t offset, void* out, std::size_t n) const override;

  private:
    std::span<const std::uint8_t> bytes_;
};

struct ResourceLocation {
    std::uint64_t Offset = 0;  // in the file
    std::uint32_t Size = 0;
    std::uint16_t Language = 0;
};

inline constexpr std::uint16_t kVersionResourceType = 16;  // RT_VERSION
inline constexpr std::uint16_t kVersionResourceName = 1;   // VS_VERSION_INFO

// The version resource: type 16, name 1, in the language-neutral entry when
// there is one, else US English, else the first language listed.
std::optional<ResourceLocation> LocateVersionResource(const ByteSource& file);

}  // namespace version
