#include "VersionSource.h"

namespace version {

std::unique_ptr<VersionSource> MakePlatformVersionSource() {
    return std::make_unique<PortableVersionSource>();
}

}  // namespace version
