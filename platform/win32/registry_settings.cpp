#include "platform/win32/registry_settings.hpp"

#include <windows.h>

#include <cstdint>
#include <cstring>

#include "platform/exception.hpp"

namespace tarvex::platform {

namespace {

// An open registry key that closes itself.
class Key {
public:
    Key() = default;
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    ~Key() {
        if (h_) RegCloseKey(h_);
    }
    bool open(const std::string& path, REGSAM access) {
        return RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, access, &h_) == ERROR_SUCCESS;
    }
    bool create(const std::string& path) {
        return RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                               KEY_READ | KEY_WRITE, nullptr, &h_, nullptr) == ERROR_SUCCESS;
    }
    HKEY get() const { return h_; }

private:
    HKEY h_ = nullptr;
};

void checked(LONG status, const std::string& what) {
    if (status != ERROR_SUCCESS) throw EWriteError(what + ": error " + std::to_string(status));
}

void writeValue(const std::string& subkey, const std::string& name, DWORD type, const void* data, DWORD size) {
    Key k;
    if (!k.create(subkey)) throw EWriteError("Cannot create registry key " + subkey);
    checked(RegSetValueExA(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
            "Cannot write registry value " + name);
}

void writeDword(const std::string& subkey, const std::string& name, std::uint32_t value) {
    const DWORD v = value;
    writeValue(subkey, name, REG_DWORD, &v, sizeof v);
}

}  // namespace

std::string RegistrySettingsStore::subkeyFor(const std::string& key, const std::string& section) {
    std::string path;
    for (char c : key) path += c == '/' ? '\\' : c;
    while (!path.empty() && path.back() == '\\') path.pop_back();
    while (!path.empty() && path.front() == '\\') path.erase(path.begin());
    if (!section.empty()) path += (path.empty() ? "" : "\\") + section;
    return path;
}

std::optional<std::string> RegistrySettingsStore::readString(const std::string& key, const std::string& section,
                                                             const std::string& name) {
    Key k;
    if (!k.open(subkeyFor(key, section), KEY_READ)) return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    // The value may grow between the two calls; a few rounds settle it.
    std::string data;
    for (int round = 0; round < 4; ++round) {
        data.assign(size + 1, '\0');
        DWORD got = size;
        const LONG status =
            RegQueryValueExA(k.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &got);
        if (status == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (status != ERROR_SUCCESS) return std::nullopt;
        data.resize(got);
        break;
    }
    switch (type) {
        case REG_SZ:
        case REG_EXPAND_SZ: {
            const auto end = data.find('\0');
            if (end != std::string::npos) data.resize(end);
            return data;
        }
        case REG_DWORD: {
            if (data.size() < 4) return std::nullopt;
            std::uint32_t v = 0;
            std::memcpy(&v, data.data(), 4);
            return std::to_string(static_cast<std::int32_t>(v));
        }
        default:
            return std::nullopt;  // binary and other kinds are no settings of ours
    }
}

void RegistrySettingsStore::writeString(const std::string& key, const std::string& section, const std::string& name,
                                        const std::string& value) {
    writeValue(subkeyFor(key, section), name, REG_SZ, value.c_str(), static_cast<DWORD>(value.size() + 1));
}

void RegistrySettingsStore::writeInteger(const std::string& key, const std::string& section, const std::string& name,
                                         std::int32_t value) {
    writeDword(subkeyFor(key, section), name, static_cast<std::uint32_t>(value));
}

void RegistrySettingsStore::writeBool(const std::string& key, const std::string& section, const std::string& name,
                                      bool value) {
    writeDword(subkeyFor(key, section), name, value ? 1u : 0u);
}

void RegistrySettingsStore::remove(const std::string& key, const std::string& section, const std::string& name) {
    Key k;
    if (k.open(subkeyFor(key, section), KEY_SET_VALUE)) RegDeleteValueA(k.get(), name.c_str());
}

std::vector<std::string> RegistrySettingsStore::valueNames(const std::string& key, const std::string& section) {
    std::vector<std::string> names;
    Key k;
    if (!k.open(subkeyFor(key, section), KEY_READ)) return names;
    DWORD count = 0;
    DWORD longest = 0;
    if (RegQueryInfoKeyA(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, &longest, nullptr,
                         nullptr, nullptr) != ERROR_SUCCESS)
        return names;
    std::string buffer(longest + 1, '\0');
    for (DWORD i = 0; i < count; ++i) {
        DWORD length = static_cast<DWORD>(buffer.size());
        if (RegEnumValueA(k.get(), i, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(buffer.data(), length);
    }
    return names;
}

SettingsStore& defaultSettings() {
    static RegistrySettingsStore store;
    return store;
}

}  // namespace tarvex::platform
