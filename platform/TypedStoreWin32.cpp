// The registry as a typed store: HKEY_CURRENT_USER for the settings,
// HKEY_LOCAL_MACHINE read-only for port discovery. Names and texts go through
// the W functions, so a text stored by another program through the ANSI
// functions reads back as the characters it meant.

#include <windows.h>

#include <algorithm>

#include "HandlesWin32.h"
#include "TextWin32.h"
#include "TypedStore.h"

namespace platform {
namespace {

class RegistryStore : public TypedStore {
    static constexpr DWORD kFirstAsk = 512;  // bytes

  public:
    RegistryStore(HKEY root, bool readOnly) : root_(root), readOnly_(readOnly) {}

    bool OpenKey(const std::string& key, bool create) override {
        OwnedKey k;
        if (create && !readOnly_) {
            return RegCreateKeyExW(root_, Widen(key).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_ALL_ACCESS, nullptr, k.Put(), nullptr) == ERROR_SUCCESS;
        }
        return Open(key, k);
    }

    std::optional<StoreValue> ReadValue(const std::string& key, const std::string& name) override {
        const HKEY k = HeldForReading(key);
        if (!k) return std::nullopt;
        const std::wstring wideName = Widen(name);
        // Most values fit at the first asking: one call instead of two, each
        // a round trip to the server under Wine. The two spare bytes end a
        // text stored without its terminator.
        std::vector<std::uint8_t> data(kFirstAsk + 2);
        DWORD type = 0, got = kFirstAsk;
        LSTATUS rc = RegQueryValueExW(k, wideName.c_str(), nullptr, &type, data.data(), &got);
        if (rc == ERROR_MORE_DATA) {
            data.resize(std::size_t(got) + 2);
            rc = RegQueryValueExW(k, wideName.c_str(), nullptr, &type, data.data(), &got);
        }
        if (rc != ERROR_SUCCESS) return std::nullopt;
        data.resize(got);
        switch (type) {
            case REG_SZ:
            case REG_EXPAND_SZ: {
                std::wstring text(data.size() / sizeof(wchar_t), L'\0');
                std::copy(data.begin(), data.begin() + text.size() * sizeof(wchar_t),
                          reinterpret_cast<std::uint8_t*>(text.data()));
                if (auto zero = text.find(L'\0'); zero != std::wstring::npos) text.resize(zero);
                return StoreValue::String(Narrow(text));
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
        if (RegOpenKeyExW(root_, Widen(key).c_str(), 0, KEY_SET_VALUE, k.Put()) != ERROR_SUCCESS)
            return false;
        const std::wstring wideName = Widen(name);
        LSTATUS rc = ERROR_INVALID_PARAMETER;
        switch (value.kind) {
            case ValueKind::String: {
                const std::wstring text = Widen(value.text);
                rc = RegSetValueExW(k.Get(), wideName.c_str(), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(text.c_str()),
                                    static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
                break;
            }
            case ValueKind::Integer: {
                DWORD n = value.number;
                rc = RegSetValueExW(k.Get(), wideName.c_str(), 0, REG_DWORD,
                                    reinterpret_cast<const BYTE*>(&n), sizeof n);
                break;
            }
            case ValueKind::Binary:
                rc = RegSetValueExW(k.Get(), wideName.c_str(), 0, REG_BINARY, value.bytes.data(),
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
            wchar_t name[16384];  // the registry's longest value name, and its zero
            DWORD len = 16384;
            if (RegEnumValueW(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.push_back(Narrow({name, len}));
        }
        return names;
    }

    std::vector<std::string> SubKeyNames(const std::string& key) override {
        std::vector<std::string> names;
        OwnedKey k;
        if (!Open(key, k)) return names;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];  // the registry's longest key name, and its zero
            DWORD len = 256;
            if (RegEnumKeyExW(k.Get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) !=
                ERROR_SUCCESS)
                break;
            names.push_back(Narrow({name, len}));
        }
        return names;
    }

    void Release() override {
        held_.Reset();
        heldName_.clear();
    }

  private:
    bool Open(const std::string& key, OwnedKey& k) {
        return RegOpenKeyExW(root_, Widen(key).c_str(), 0, KEY_READ, k.Put()) == ERROR_SUCCESS;
    }

    // The settings are read a value at a time from one key: it stays open for
    // the next value instead of being opened and closed around each, two
    // round trips to the server under Wine. Writes through other handles show
    // in it; a key deleted and made anew does not, hence Release.
    HKEY HeldForReading(const std::string& key) {
        if (held_.Get() && heldName_ == key) return held_.Get();
        Release();
        if (!Open(key, held_)) return nullptr;
        heldName_ = key;
        return held_.Get();
    }

    HKEY root_;
    bool readOnly_;
    OwnedKey held_;
    std::string heldName_;
};

}  // namespace

std::unique_ptr<TypedStore> OpenUserStore() {
    return std::make_unique<RegistryStore>(HKEY_CURRENT_USER, false);
}

std::unique_ptr<TypedStore> OpenMachineStore() {
    return std::make_unique<RegistryStore>(HKEY_LOCAL_MACHINE, true);
}

}  // namespace platform
