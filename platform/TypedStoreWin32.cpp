// The registry as a typed store: HKEY_CURRENT_USER for the settings,
// HKEY_LOCAL_MACHINE read-only for port discovery.

#include <windows.h>

#include "HandlesWin32.h"
#include "TypedStore.h"

namespace platform {
namespace {

class RegistryStore : public TypedStore {
  public:
    RegistryStore(HKEY root, bool readOnly) : root_(root), readOnly_(readOnly) {}

    bool OpenKey(const std::string& key, bool create) override {
        OwnedKey k;
        if (create && !readOnly_) {
            return RegCreateKeyExA(root_, key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, k.Put(), nullptr) == ERROR_SUCCESS;
        }
        return Open(key, k);
    }

    std::optional<StoreValue> ReadValue(const std::string& key, const std::string& name) override {
        OwnedKey k;
        if (!Open(key, k)) return std::nullopt;
        DWORD type = 0, size = 0;
        if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, nullptr, &size) !=
            ERROR_SUCCESS)
            return std::nullopt;
        std::vector<std::uint8_t> data(size + 2);
        DWORD got = size;
        if (RegQueryValueExA(k.Get(), name.c_str(), nullptr, &type, data.data(), &got) !=
            ERROR_SUCCESS)
            return std::nullopt;
        data.resize(got);
        switch (type) {
            case REG_SZ:
            case REG_EXPAND_SZ: {
                std::string text(data.begin(), data.end());
                if (auto zero = text.find('\0'); zero != std::string::npos) text.resize(zero);
                return StoreValue::String(text);
            }
            case REG_DWORD: {
                std::uint32_t n = 0;
                for (std::size_t i = 0; i < 4 && i < data.size(); ++i)
                    n |= std::uint32_t(data[i]) << (8 * i);
                return StoreValue::Integer(n);
            }
            default:
                return StoreValue::Binary(std::move(data));
        }
    }

    bool WriteValue(const std::string& key, const std::string& name,
                    const StoreValue& value) override {
        if (readOnly_) return false;
        OwnedKey k;
        if (RegOpenKeyExA(root_, key.c_str(), 0, KEY_SET_VALUE, k.Put()) != ERROR_SUCCESS)
            return false;
        LSTATUS rc = ERROR_INVALID_PARAMETER;
        switch (value.kind) {
            case ValueKind::String:
                rc = RegSetValueExA(k.Get(), name.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.text.c_str()),
                                    static_cast<DWORD>(value.text.size() + 1));
                break;
            case ValueKind::Integer: {
                DWORD n = value.number;
                rc = RegSetValueExA(k.Get(), name.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&n), sizeof n);
                break;
            }
            case ValueKind::Binary:
                rc = RegSetValueExA(k.Get(), name.c_str(), 0, REG_BINARY, value.bytes.data(),
                                    static_cast<DWORD>(value.bytes.size()));
                break;
        }
        return rc == ERROR_SUCCESS;
    }

    std::vector<std::string> ValueNames(const std::string& key) override {
        std::vector<std::string> names;
        OwnedKey k;
        if (!Open(key, k)) return names;
        for (DWORD i = 0;; ++i) {
            char name[16384];
            DWORD len = sizeof name;
            if (RegEnumValueA(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, len);
        }
        return names;
    }

    std::vector<std::string> SubKeyNames(const std::string& key) override {
        std::vector<std::string> names;
        OwnedKey k;
        if (!Open(key, k)) return names;
        for (DWORD i = 0;; ++i) {
            char name[256];
            DWORD len = sizeof name;
            if (RegEnumKeyExA(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.emplace_back(name, len);
        }
        return names;
    }

  private:
    bool Open(const std::string& key, OwnedKey& k) {
        return RegOpenKeyExA(root_, key.c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
    }

    HKEY root_;
    bool readOnly_;
};

}  // namespace

std::unique_ptr<TypedStore> OpenUserStore() {
    return std::make_unique<RegistryStore>(HKEY_CURRENT_USER, false);
}

std::unique_ptr<TypedStore> OpenMachineStore() {
    return std::make_unique<RegistryStore>(HKEY_LOCAL_MACHINE, true);
}

}  // namespace platform
