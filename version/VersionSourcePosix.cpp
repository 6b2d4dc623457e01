#include "VersionSource.h"

namespace version {

std::unique_ptr<VersionSource> MakePlatformVersionSource() {
    return std::make_unique<PortableVersionSource>();
}

std::string NarrowText(std::u16string_view text) {
    return Utf8(text);
}

}  // namespace version
