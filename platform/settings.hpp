#pragma once
// The settings store in place of the registry: a key path such as
// "Software\Velmont\VokWin\7.3", a section below it and named values.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tarvex::platform {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    virtual std::optional<std::string> readString(const std::string& key, const std::string& section,
                                                  const std::string& name) = 0;
    virtual void writeString(const std::string& key, const std::string& section, const std::string& name,
                             const std::string& value) = 0;
    virtual void remove(const std::string& key, const std::string& section, const std::string& name) = 0;
    virtual std::vector<std::string> valueNames(const std::string& key, const std::string& section) = 0;

    // Typed access; a missing or malformed value gives the default.
    std::string readString(const std::string& key, const std::string& section, const std::string& name,
                           const std::string& fallback);
    std::int32_t readInteger(const std::string& key, const std::string& section, const std::string& name,
                             std::int32_t fallback);
    bool readBool(const std::string& key, const std::string& section, const std::string& name, bool fallback);
    // Stored as text unless the store has a typed form (the registry's DWORD).
    virtual void writeInteger(const std::string& key, const std::string& section, const std::string& name,
                              std::int32_t value);
    virtual void writeBool(const std::string& key, const std::string& section, const std::string& name,
                           bool value);
    bool valueExists(const std::string& key, const std::string& section, const std::string& name);
};

// Kept in memory only; tests use it.
class MemorySettingsStore final : public SettingsStore {
public:
    using SettingsStore::readString;
    std::optional<std::string> readString(const std::string& key, const std::string& section,
                                          const std::string& name) override;
    void writeString(const std::string& key, const std::string& section, const std::string& name,
                     const std::string& value) override;
    void remove(const std::string& key, const std::string& section, const std::string& name) override;
    std::vector<std::string> valueNames(const std::string& key, const std::string& section) override;

private:
    std::map<std::string, std::map<std::string, std::string>> sections_;
};

// One INI file per key path, below a root folder: the key path becomes a
// folder path and its sections are the file's sections. Every write goes to
// disk at once, so another process sees it.
class IniSettingsStore final : public SettingsStore {
public:
    explicit IniSettingsStore(std::string rootDir);
    using SettingsStore::readString;
    std::optional<std::string> readString(const std::string& key, const std::string& section,
                                          const std::string& name) override;
    void writeString(const std::string& key, const std::string& section, const std::string& name,
                     const std::string& value) override;
    void remove(const std::string& key, const std::string& section, const std::string& name) override;
    std::vector<std::string> valueNames(const std::string& key, const std::string& section) override;

    std::string fileFor(const std::string& key) const;

private:
    std::string root_;
};

// Where the user's settings live: $TARVEX_CONFIG_HOME, else $XDG_CONFIG_HOME,
// else ~/.config (on Windows the registry takes their place).
std::string defaultSettingsRoot();

// The store components use unless one is injected.
SettingsStore& defaultSettings();

}  // namespace tarvex::platform
