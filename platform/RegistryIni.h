#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "TypedStore.h"

namespace platform {

// The registry's own error: a value of the wrong type, a key that cannot be
// created, a value that cannot be set. Raised to the mode's top-level handler.
class RegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Formats one of the registry error texts, "%s" replaced by the name.
std::string RegistryErrorText(const char* pattern, const std::string& name);

inline constexpr const char* kInvalidDataType = "Ungültiger Datentyp für '%s'";
inline constexpr const char* kCreateKeyFailed = "Erzeugung von Schlüssel %s misslungen";
inline constexpr const char* kSetDataFailed = "Fehler beim Setzen der Daten für '%s'";

// INI-style access to a typed store: one key per section below a main key,
// one value per entry. Integers are kept as text where text already stands,
// booleans are written as "0"/"1", and a value of an unexpected kind raises
// RegistryError.
class RegistryIni {
  public:
    // Opens the main key, creating it when it does not exist. Reads may keep
    // a section's key open until the object ends.
    RegistryIni(TypedStore& store, std::string mainKey);
    ~RegistryIni() { store_.Release(); }
    RegistryIni(const RegistryIni&) = delete;
    RegistryIni& operator=(const RegistryIni&) = delete;

    std::string ReadString(const std::string& section, const std::string& name,
                           const std::string& fallback);
    std::int32_t ReadInteger(const std::string& section, const std::string& name,
                             std::int32_t fallback);
    bool ReadBool(const std::string& section, const std::string& name, bool fallback);

    void WriteString(const std::string& section, const std::string& name, const std::string& value);
    void WriteInteger(const std::string& section, const std::string& name, std::int32_t value);
    void WriteBool(const std::string& section, const std::string& name, bool value);

    // Releases the key: makes the writes durable. Raises RegistryError on failure.
    void Close();

  private:
    std::string SectionKey(const std::string& section) const;
    std::string WritableSection(const std::string& section);

    TypedStore& store_;
    std::string mainKey_;
};

// Decimal text as an integer, as the INI access reads it: optional sign,
// digits only, within 32 bits. Nothing for anything else.
std::optional<std::int32_t> ParseDecimal(const std::string& text);

}  // namespace platform
