#include "RegistryIni.h"

#include <charconv>

namespace platform {

std::string RegistryErrorText(const char* pattern, const std::string& name) {
    std::string text = pattern;
    if (auto at = text.find("%s"); at != std::string::npos) text.replace(at, 2, name);
    return text;
}

std::optional<std::int32_t> ParseDecimal(const std::string& text) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+') ++first;  // from_chars takes '-' only
    if (first == last || *first == '+' || *first == ' ') return std::nullopt;
    std::int32_t value = 0;
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || end != last) return std::nullopt;
    return value;
}

RegistryIni::RegistryIni(TypedStore& store, std::string mainKey)
    : store_(store), mainKey_(std::move(mainKey)) {
    if (!store_.OpenKey(mainKey_, true))
        throw RegistryError(RegistryErrorText(kCreateKeyFailed, mainKey_));
}

std::string RegistryIni::SectionKey(const std::string& section) const {
    return mainKey_ + "\\" + section;
}

std::string RegistryIni::WritableSection(const std::string& section) {
    std::string key = SectionKey(section);
    if (!store_.OpenKey(key, true)) throw RegistryError(RegistryErrorText(kCreateKeyFailed, key));
    return key;
}

std::string RegistryIni::ReadString(const std::string& section, const std::string& name,
                                    const std::string& fallback) {
    auto value = store_.ReadValue(SectionKey(section), name);
    if (!value) return fallback;
    if (value->kind != ValueKind::String)
        throw RegistryError(RegistryErrorText(kInvalidDataType, name));
    return value->text;
}

std::int32_t RegistryIni::ReadInteger(const std::string& section, const std::string& name,
                                      std::int32_t fallback) {
    auto value = store_.ReadValue(SectionKey(section), name);
    if (!value) return fallback;
    switch (value->kind) {
        case ValueKind::String:
            return ParseDecimal(value->text).value_or(fallback);
        case ValueKind::Integer:
            return static_cast<std::int32_t>(value->number);
        default:
            throw RegistryError(RegistryErrorText(kInvalidDataType, name));
    }
}

bool RegistryIni::ReadBool(const std::string& section, const std::string& name, bool fallback) {
    return ReadInteger(section, name, fallback ? 1 : 0) != 0;
}

void RegistryIni::WriteString(const std::string& section, const std::string& name,
                              const std::string& value) {
    std::string key = WritableSection(section);
    if (!store_.WriteValue(key, name, StoreValue::String(value)))
        throw RegistryError(RegistryErrorText(kSetDataFailed, name));
}

void RegistryIni::WriteInteger(const std::string& section, const std::string& name,
                               std::int32_t value) {
    std::string key = WritableSection(section);
    auto existing = store_.ReadValue(key, name);
    StoreValue v = existing && existing->kind == ValueKind::String
                       ? StoreValue::String(std::to_string(value))
                       : StoreValue::Integer(static_cast<std::uint32_t>(value));
    if (!store_.WriteValue(key, name, v))
        throw RegistryError(RegistryErrorText(kSetDataFailed, name));
}

void RegistryIni::WriteBool(const std::string& section, const std::string& name, bool value) {
    WriteString(section, name, value ? "1" : "0");
}

void RegistryIni::Close() {
    if (!store_.Flush()) throw RegistryError(RegistryErrorText(kSetDataFailed, mainKey_));
}

}  // namespace platform
