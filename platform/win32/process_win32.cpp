#include <windows.h>

#include <cstdlib>

#include "platform/process.hpp"
#include "platform/settings.hpp"

namespace tarvex::platform {

std::vector<std::string> processArguments() {
    const char* line = GetCommandLineA();
    return splitWindowsCommandLine(line != nullptr ? line : "");
}

std::string userDataDir() {
    const char* local = std::getenv("LOCALAPPDATA");
    return local != nullptr ? std::string(local) : std::string();
}

std::string appPathsValue(const std::string& programFileName, SettingsStore&) {
    if (programFileName.empty()) return {};
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\" + programFileName;
    HKEY handle = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return {};
    std::string value;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(handle, "Path", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size < 65536) {
        std::string buffer(size, '\0');
        if (RegQueryValueExA(handle, "Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS) {
            buffer.resize(size);
            while (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
            value = buffer;
        }
    }
    RegCloseKey(handle);
    return value;
}

}  // namespace tarvex::platform
