// The user's settings as one JSON file under $XDG_CONFIG_HOME (default
// ~/.config), written atomically so a crash never leaves half a file.

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "JsonFileStore.h"

namespace platform {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;

namespace {

const char* KindName(ValueKind kind) {
    switch (kind) {
        case ValueKind::Integer:
            return "integer";
        case ValueKind::Binary:
            return "binary";
        default:
            return "string";
    }
}

std::string ToHex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (auto b : bytes) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> FromHex(const std::string& text) {
    if (text.size() % 2) throw std::runtime_error("odd hex length");
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        std::size_t used = 0;
        int v = std::stoi(text.substr(i, 2), &used, 16);
        if (used != 2) throw std::runtime_error("bad hex");
        out.push_back(static_cast<std::uint8_t>(v));
    }
    return out;
}

StoreValue FromJson(const Json& j) {
    const std::string type = j.at("type").get<std::string>();
    const Json& value = j.at("value");
    if (type == "string") return StoreValue::String(value.get<std::string>());
    if (type == "integer") return StoreValue::Integer(value.get<std::uint32_t>());
    if (type == "binary") return StoreValue::Binary(FromHex(value.get<std::string>()));
    throw std::runtime_error("unknown value type " + type);
}

Json ToJson(const StoreValue& v) {
    Json j;
    j["type"] = KindName(v.kind);
    switch (v.kind) {
        case ValueKind::Integer:
            j["value"] = v.number;
            break;
        case ValueKind::Binary:
            j["value"] = ToHex(v.bytes);
            break;
        default:
            j["value"] = v.text;
            break;
    }
    return j;
}

}  // namespace

fs::path DefaultUserStorePath() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    fs::path base;
    if (xdg && *xdg) {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        base = fs::path(home && *home ? home : ".") / ".config";
    }
    return base / "stylorix" / "settings.json";
}

JsonFileStore::JsonFileStore(fs::path file) : file_(std::move(file)) {
    Load();
}

void JsonFileStore::Load() {
    std::ifstream in(file_, std::ios::binary);
    if (!in) return;  // no file yet: a fresh system
    std::stringstream text;
    text << in.rdbuf();
    try {
        Json root = Json::parse(text.str());
        MemoryStore loaded;
        for (auto& [key, values] : root.items()) {
            loaded.OpenKey(key, true);
            for (auto& [name, value] : values.items()) {
                loaded.WriteValue(key, name, FromJson(value));
            }
        }
        memory_ = std::move(loaded);
    } catch (const std::exception& e) {
        corrupt_ = true;
        std::cerr << "stylorix: warning: settings file " << file_.string() << " cannot be read ("
                  << e.what()
                  << "); using defaults. It is kept as a .bad copy when settings are next saved."
                  << std::endl;
    }
}

bool JsonFileStore::OpenKey(const std::string& key, bool create) {
    bool existed = memory_.OpenKey(key, false);
    if (existed || !create) return existed;
    dirty_ = true;
    return memory_.OpenKey(key, true);
}

std::optional<StoreValue> JsonFileStore::ReadValue(const std::string& key,
                                                   const std::string& name) {
    return memory_.ReadValue(key, name);
}

bool JsonFileStore::WriteValue(const std::string& key, const std::string& name,
                               const StoreValue& value) {
    if (!memory_.WriteValue(key, name, value)) return false;
    dirty_ = true;
    return true;
}

std::vector<std::string> JsonFileStore::ValueNames(const std::string& key) {
    return memory_.ValueNames(key);
}

std::vector<std::string> JsonFileStore::SubKeyNames(const std::string& key) {
    return memory_.SubKeyNames(key);
}

bool JsonFileStore::Flush() {
    if (!dirty_) return true;
    Json root = Json::object();
    for (auto& [key, k] : memory_.Keys()) {
        Json values = Json::object();
        for (auto& [name, value] : k.values) values[name] = ToJson(value);
        root[key] = values;
    }
    const std::string text = root.dump(2) + "\n";

    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    fs::path temp = file_;
    temp += ".tmp";
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t done = 0; ok && done < text.size();) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0)
            ok = false;
        else
            done += static_cast<std::size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (ok && BeforeRename) BeforeRename();
    if (ok && corrupt_) {
        // Keep the unreadable file for the user instead of silently losing it.
        fs::path bad = file_;
        bad += ".bad";
        fs::rename(file_, bad, ec);
        corrupt_ = false;
    }
    ok = ok && std::rename(temp.c_str(), file_.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace platform
