// The stores on POSIX: the user's settings file, and an empty machine store
// (there is no machine-wide configuration to read).

#include "JsonFileStore.h"

namespace platform {

std::unique_ptr<TypedStore> OpenUserStore() {
    return std::make_unique<JsonFileStore>(DefaultUserStorePath());
}

std::unique_ptr<TypedStore> OpenMachineStore() {
    return std::make_unique<MemoryStore>();
}

}  // namespace platform
