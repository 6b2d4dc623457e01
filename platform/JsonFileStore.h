#pragma once

#include <filesystem>
#include <functional>

#include "TypedStore.h"

namespace platform {

// The POSIX user store: the whole tree in memory, saved as one JSON file.
// A file that cannot be parsed reads as empty (defaults), with a warning on
// standard error, and is kept beside as "<file>.bad" when the store next saves.
class JsonFileStore : public TypedStore {
  public:
    explicit JsonFileStore(std::filesystem::path file);

    bool OpenKey(const std::string& key, bool create) override;
    std::optional<StoreValue> ReadValue(const std::string& key, const std::string& name) override;
    bool WriteValue(const std::string& key, const std::string& name,
                    const StoreValue& value) override;
    std::vector<std::string> ValueNames(const std::string& key) override;
    std::vector<std::string> SubKeyNames(const std::string& key) override;
    // Writes a temporary file, syncs it and renames it over the old one.
    bool Flush() override;

    // Test hook: runs after the temporary file is complete, before the rename.
    std::function<void()> BeforeRename;

  private:
    void Load();

    std::filesystem::path file_;
    MemoryStore memory_;
    bool dirty_ = false;
    bool corrupt_ = false;
};

std::filesystem::path DefaultUserStorePath();

}  // namespace platform
