#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A registry-shaped store: keys are backslash-separated paths below one root,
// each key holds named values of three kinds. Key and value names compare
// without regard to letter case, as in the Windows registry.
namespace platform {

enum class ValueKind { String, Integer, Binary };

struct StoreValue {
    ValueKind kind = ValueKind::String;
    std::string text;                 // String
    std::uint32_t number = 0;         // Integer (32-bit, as a registry DWORD)
    std::vector<std::uint8_t> bytes;  // Binary

    static StoreValue String(std::string s) { return {ValueKind::String, std::move(s), 0, {}}; }
    static StoreValue Integer(std::uint32_t n) { return {ValueKind::Integer, {}, n, {}}; }
    static StoreValue Binary(std::vector<std::uint8_t> b) {
        return {ValueKind::Binary, {}, 0, std::move(b)};
    }
    bool operator==(const StoreValue&) const = default;
};

class TypedStore {
  public:
    virtual ~TypedStore() = default;

    // True when the key exists afterwards; creates it (and its parents) when asked.
    virtual bool OpenKey(const std::string& key, bool create) = 0;
    // Nothing when the key or the value does not exist.
    virtual std::optional<StoreValue> ReadValue(const std::string& key,
                                                const std::string& name) = 0;
    // False when the key does not exist or the value cannot be set.
    virtual bool WriteValue(const std::string& key, const std::string& name,
                            const StoreValue& value) = 0;
    virtual std::vector<std::string> ValueNames(const std::string& key) = 0;
    virtual std::vector<std::string> SubKeyNames(const std::string& key) = 0;
    // Makes the writes so far durable. False when that failed.
    virtual bool Flush() { return true; }
    // Lets go of what reads keep open between calls, so that the next read
    // sees a key that was deleted or made anew meanwhile.
    virtual void Release() {}
};

// Case-insensitive ordering for key and value names.
struct NoCaseLess {
    bool operator()(const std::string& a, const std::string& b) const;
};

// Everything in memory; for tests, and wherever nothing needs to persist.
class MemoryStore : public TypedStore {
  public:
    bool OpenKey(const std::string& key, bool create) override;
    std::optional<StoreValue> ReadValue(const std::string& key, const std::string& name) override;
    bool WriteValue(const std::string& key, const std::string& name,
                    const StoreValue& value) override;
    std::vector<std::string> ValueNames(const std::string& key) override;
    std::vector<std::string> SubKeyNames(const std::string& key) override;

    // Values in the order they were first written, per key.
    struct Key {
        std::vector<std::pair<std::string, StoreValue>> values;
    };
    std::map<std::string, Key, NoCaseLess>& Keys() { return keys_; }

  private:
    Key* Find(const std::string& key);
    std::map<std::string, Key, NoCaseLess> keys_;
};

// The current user's settings: the registry under HKEY_CURRENT_USER on Windows,
// one file under the user's configuration directory elsewhere.
std::unique_ptr<TypedStore> OpenUserStore();

// Read-only view of the machine's configuration (HKEY_LOCAL_MACHINE on
// Windows); an empty store where the platform has none.
std::unique_ptr<TypedStore> OpenMachineStore();

}  // namespace platform
