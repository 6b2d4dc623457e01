#include "TypedStore.h"

#include <algorithm>
#include <cctype>

namespace platform {

bool NoCaseLess::operator()(const std::string& a, const std::string& b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) <
               std::tolower(static_cast<unsigned char>(y));
    });
}

namespace {
bool SameName(const std::string& a, const std::string& b) {
    NoCaseLess less;
    return !less(a, b) && !less(b, a);
}

std::string Trimmed(const std::string& key) {
    std::size_t begin = key.find_first_not_of('\\');
    if (begin == std::string::npos) return {};
    std::size_t end = key.find_last_not_of('\\');
    return key.substr(begin, end - begin + 1);
}
}  // namespace

MemoryStore::Key* MemoryStore::Find(const std::string& key) {
    auto it = keys_.find(Trimmed(key));
    return it == keys_.end() ? nullptr : &it->second;
}

bool MemoryStore::OpenKey(const std::string& key, bool create) {
    std::string path = Trimmed(key);
    if (keys_.count(path)) return true;
    if (!create) return false;
    // Registry keys have parents: create every level.
    for (std::size_t pos = path.find('\\'); pos != std::string::npos;
         pos = path.find('\\', pos + 1)) {
        keys_.try_emplace(path.substr(0, pos));
    }
    keys_.try_emplace(path);
    return true;
}

std::optional<StoreValue> MemoryStore::ReadValue(const std::string& key, const std::string& name) {
    Key* k = Find(key);
    if (!k) return std::nullopt;
    for (auto& [n, v] : k->values) {
        if (SameName(n, name)) return v;
    }
    return std::nullopt;
}

bool MemoryStore::WriteValue(const std::string& key, const std::string& name,
                             const StoreValue& value) {
    Key* k = Find(key);
    if (!k) return false;
    for (auto& [n, v] : k->values) {
        if (SameName(n, name)) {
            v = value;
            return true;
        }
    }
    k->values.emplace_back(name, value);
    return true;
}

std::vector<std::string> MemoryStore::ValueNames(const std::string& key) {
    std::vector<std::string> names;
    if (Key* k = Find(key)) {
        for (auto& entry : k->values) names.push_back(entry.first);
    }
    return names;
}

std::vector<std::string> MemoryStore::SubKeyNames(const std::string& key) {
    std::string prefix = Trimmed(key);
    if (!prefix.empty()) prefix += '\\';
    std::vector<std::string> names;
    for (auto& [path, k] : keys_) {
        if (path.size() <= prefix.size() || !SameName(path.substr(0, prefix.size()), prefix))
            continue;
        std::string rest = path.substr(prefix.size());
        if (rest.find('\\') == std::string::npos) names.push_back(rest);
    }
    return names;
}

}  // namespace platform
