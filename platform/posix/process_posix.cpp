#include <cstdlib>
#include <filesystem>

#include "platform/files.hpp"
#include "platform/process.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"

namespace tarvex::platform {

std::vector<std::string> processArguments() {
    std::vector<std::string> args;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = readWholeFile("/proc/self/cmdline");
    } catch (const std::exception&) {
        return args;
    }
    std::string arg;
    for (std::uint8_t b : bytes) {
        if (b == 0) {
            args.push_back(std::move(arg));
            arg.clear();
        } else {
            arg += static_cast<char>(b);
        }
    }
    if (!arg.empty()) args.push_back(std::move(arg));
    return args;
}

std::string userDataDir() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && *xdg == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == 0) return {};
    return (std::filesystem::path(home) / ".local" / "share").string();
}

std::string appPathsValue(const std::string& programFileName, SettingsStore& settings) {
    if (programFileName.empty()) return {};
    return settings.readString("Software\\Microsoft\\Windows\\CurrentVersion\\App Paths", programFileName, "Path", "");
}

}  // namespace tarvex::platform
