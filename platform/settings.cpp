#include "platform/settings.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/stream.hpp"

namespace tarvex::platform {

std::string SettingsStore::readString(const std::string& key, const std::string& section, const std::string& name,
                                      const std::string& fallback) {
    auto v = readString(key, section, name);
    return v ? *v : fallback;
}

std::int32_t SettingsStore::readInteger(const std::string& key, const std::string& section,
                                        const std::string& name, std::int32_t fallback) {
    auto v = readString(key, section, name);
    if (!v || v->empty()) return fallback;
    try {
        std::size_t used = 0;
        const long long n = std::stoll(*v, &used, 0);
        if (used != v->size() || n < INT32_MIN || n > 0xFFFFFFFFLL) return fallback;
        return static_cast<std::int32_t>(n);
    } catch (...) {
        return fallback;
    }
}

bool SettingsStore::readBool(const std::string& key, const std::string& section, const std::string& name,
                             bool fallback) {
    auto v = readString(key, section, name);
    if (!v) return fallback;
    if (*v == "1" || *v == "true" || *v == "True") return true;
    if (*v == "0" || *v == "false" || *v == "False") return false;
    return fallback;
}

void SettingsStore::writeInteger(const std::string& key, const std::string& section, const std::string& name,
                                 std::int32_t value) {
    writeString(key, section, name, std::to_string(value));
}

void SettingsStore::writeBool(const std::string& key, const std::string& section, const std::string& name,
                              bool value) {
    writeString(key, section, name, value ? "1" : "0");
}

bool SettingsStore::valueExists(const std::string& key, const std::string& section, const std::string& name) {
    return readString(key, section, name).has_value();
}

namespace {
std::string joinKey(const std::string& key, const std::string& section) { return key + '\n' + section; }
}  // namespace

std::optional<std::string> MemorySettingsStore::readString(const std::string& key, const std::string& section,
                                                           const std::string& name) {
    auto s = sections_.find(joinKey(key, section));
    if (s == sections_.end()) return std::nullopt;
    auto v = s->second.find(name);
    if (v == s->second.end()) return std::nullopt;
    return v->second;
}

void MemorySettingsStore::writeString(const std::string& key, const std::string& section, const std::string& name,
                                      const std::string& value) {
    sections_[joinKey(key, section)][name] = value;
}

void MemorySettingsStore::remove(const std::string& key, const std::string& section, const std::string& name) {
    auto s = sections_.find(joinKey(key, section));
    if (s != sections_.end()) s->second.erase(name);
}

std::vector<std::string> MemorySettingsStore::valueNames(const std::string& key, const std::string& section) {
    std::vector<std::string> names;
    auto s = sections_.find(joinKey(key, section));
    if (s != sections_.end())
        for (const auto& [n, v] : s->second) names.push_back(n);
    return names;
}

// ---------------------------------------------------------------------------
// INI files

namespace {

// Section name -> ordered (name, value) pairs, as the file holds them.
using IniData = std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>>;

IniData loadIni(const std::string& file) {
    IniData data;
    std::ifstream in(file, std::ios::binary);
    if (!in) return data;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line.front() == '[' && line.back() == ']') {
            data.emplace_back(line.substr(1, line.size() - 2), std::vector<std::pair<std::string, std::string>>{});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string::npos || data.empty()) continue;
        data.back().second.emplace_back(line.substr(0, eq), line.substr(eq + 1));
    }
    return data;
}

// Values are kept on one line: line breaks and backslashes are escaped.
std::string escape(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

// `special` anywhere and "[" or ";" in front are written as \xHH, after
// the escapes of values.
std::string escapeHeld(const std::string& s, char special) {
    std::string out = escape(s);
    std::string safe;
    for (std::size_t i = 0; i < out.size(); ++i) {
        const char c = out[i];
        if (c == special || (i == 0 && (c == '[' || c == ';'))) {
            static const char hex[] = "0123456789ABCDEF";
            safe += "\\x";
            safe += hex[(c >> 4) & 0xF];
            safe += hex[c & 0xF];
        } else {
            safe += c;
        }
    }
    return safe;
}

// A value name must not read as a section, a comment or a name/value
// split: "=" anywhere and "[" or ";" in front are written as \xHH.
std::string escapeName(const std::string& s) {
    return escapeHeld(s, '=');
}

// A section name must not end its header early nor break its line: "]"
// anywhere and "[" or ";" in front are written as \xHH, line breaks and
// backslashes escaped as in values.
std::string escapeSection(const std::string& s) {
    return escapeHeld(s, ']');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string unescape(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() && s[i + 1] == 'x' && hexValue(s[i + 2]) >= 0 && hexValue(s[i + 3]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 2]) * 16 + hexValue(s[i + 3]));
            i += 3;
        } else if (s[i] == '\\' && i + 1 < s.size()) {
            const char n = s[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

void saveIni(const std::string& file, const IniData& data) {
    std::ostringstream out;
    for (const auto& [section, values] : data) {
        if (values.empty()) continue;
        out << '[' << section << "]\n";
        for (const auto& [n, v] : values) out << n << '=' << v << '\n';
        out << '\n';
    }
    const std::string text = out.str();
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    writeFileAtomically(file, text.data(), text.size());
}

}  // namespace

IniSettingsStore::IniSettingsStore(std::string rootDir) : root_(std::move(rootDir)) {}

std::string IniSettingsStore::fileFor(const std::string& key) const {
    std::filesystem::path p(root_);
    std::string part;
    for (char c : key + '\\') {
        if (c == '\\' || c == '/') {
            if (!part.empty() && part != "." && part != "..") p /= part;
            part.clear();
        } else {
            part += c;
        }
    }
    return (p / "settings.ini").string();
}

std::optional<std::string> IniSettingsStore::readString(const std::string& key, const std::string& section,
                                                        const std::string& name) {
    const std::string stored = escapeSection(section);
    for (const auto& [s, values] : loadIni(fileFor(key)))
        if (s == stored)
            for (const auto& [n, v] : values)
                if (n == escapeName(name)) return unescape(v);
    return std::nullopt;
}

void IniSettingsStore::writeString(const std::string& key, const std::string& section, const std::string& name,
                                   const std::string& value) {
    const auto file = fileFor(key);
    auto data = loadIni(file);
    const std::string storedSection = escapeSection(section);
    auto s = data.begin();
    while (s != data.end() && s->first != storedSection) ++s;
    if (s == data.end()) {
        data.emplace_back(storedSection, std::vector<std::pair<std::string, std::string>>{});
        s = data.end() - 1;
    }
    const std::string stored = escapeName(name);
    for (auto& [n, v] : s->second)
        if (n == stored) {
            v = escape(value);
            saveIni(file, data);
            return;
        }
    s->second.emplace_back(stored, escape(value));
    saveIni(file, data);
}

void IniSettingsStore::remove(const std::string& key, const std::string& section, const std::string& name) {
    const auto file = fileFor(key);
    auto data = loadIni(file);
    bool changed = false;
    const std::string storedSection = escapeSection(section);
    for (auto& [s, values] : data) {
        if (s != storedSection) continue;
        for (auto it = values.begin(); it != values.end();) {
            if (it->first == escapeName(name)) {
                it = values.erase(it);
                changed = true;
            } else {
                ++it;
            }
        }
    }
    if (changed) saveIni(file, data);
}

std::vector<std::string> IniSettingsStore::valueNames(const std::string& key, const std::string& section) {
    std::vector<std::string> names;
    const std::string storedSection = escapeSection(section);
    for (const auto& [s, values] : loadIni(fileFor(key)))
        if (s == storedSection)
            for (const auto& nv : values) names.push_back(unescape(nv.first));
    return names;
}

std::string defaultSettingsRoot() {
    if (const char* t = std::getenv("TARVEX_CONFIG_HOME"); t && *t) return t;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x) return x;
    if (const char* h = std::getenv("HOME"); h && *h) return std::string(h) + "/.config";
    return ".config";
}

}  // namespace tarvex::platform
