#pragma once
// The settings store over the Windows registry: the key path lies below
// HKEY_CURRENT_USER, each section is a subkey of it, values are named
// values of that subkey. Integers and booleans are stored as DWORDs, as
// the other tools that share these keys expect.
#include "platform/settings.hpp"

namespace tarvex::platform {

class RegistrySettingsStore final : public SettingsStore {
public:
    using SettingsStore::readString;
    std::optional<std::string> readString(const std::string& key, const std::string& section,
                                          const std::string& name) override;
    void writeString(const std::string& key, const std::string& section, const std::string& name,
                     const std::string& value) override;
    void remove(const std::string& key, const std::string& section, const std::string& name) override;
    std::vector<std::string> valueNames(const std::string& key, const std::string& section) override;
    void writeInteger(const std::string& key, const std::string& section, const std::string& name,
                      std::int32_t value) override;
    void writeBool(const std::string& key, const std::string& section, const std::string& name, bool value) override;

    // The subkey below HKEY_CURRENT_USER that holds a section's values.
    static std::string subkeyFor(const std::string& key, const std::string& section);
};

}  // namespace tarvex::platform
