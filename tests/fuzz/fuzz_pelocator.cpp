// Any bytes as a PE file: locating the version resource must stay inside
// the file, and whatever it finds is parsed as a version block.

#include <cstddef>
#include <cstdint>

#include "PeLocator.h"
#include "VersionBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::span<const std::uint8_t> file(data, size);
    auto where = version::LocateVersionResource(version::SpanSource(file));
    if (!where) return 0;
    if (where->Offset > size || size - where->Offset < where->Size) __builtin_trap();
    auto first = data + where->Offset;
    version::VersionBlock block(std::vector<std::uint8_t>(first, first + where->Size));
    (void)block.Fixed();
    (void)block.StringTables();
    return 0;
}
