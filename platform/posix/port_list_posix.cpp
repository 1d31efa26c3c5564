#include <sys/stat.h>

#include <algorithm>

#include "platform/port_list.hpp"
#include "platform/serial_port.hpp"
#include "platform/settings.hpp"

namespace tarvex::platform {

namespace {
bool exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0;
}
}  // namespace

std::vector<std::string> listPorts(SettingsStore& settings, const std::string& key) {
    std::vector<std::string> ports;
    auto add = [&ports](const std::string& name) {
        if (std::find(ports.begin(), ports.end(), name) == ports.end()) ports.push_back(name);
    };
    for (int n = 1; n <= 64; ++n) {
        const std::string name = "COM" + std::to_string(n);
        if (exists(serialDevicePath(name, settings, key))) add(name);
    }
    for (const std::string& name : settings.valueNames(key, "Ports")) add(name);
    for (int n = 1; n <= 8; ++n)
        if (exists("/dev/parport" + std::to_string(n - 1))) add("LPT" + std::to_string(n));
    return ports;
}

}  // namespace tarvex::platform
