#include <cctype>
#include <cstdlib>

#include "platform/parallel_port.hpp"
#include "platform/serial_port.hpp"
#include "platform/settings.hpp"

namespace tarvex::platform {

namespace {

// The device the user named for a port: the settings first, then the
// environment; empty when neither names one.
std::string configuredDevice(const std::string& portName, SettingsStore& settings, const std::string& key) {
    if (auto mapped = settings.readString(key, "Ports", portName); mapped && !mapped->empty()) return *mapped;
    const std::string variable = "TARVEX_PORT_" + portName;
    if (const char* env = std::getenv(variable.c_str()); env && *env) return env;
    return {};
}

}  // namespace

std::string serialDevicePath(const std::string& portName, SettingsStore& settings, const std::string& key) {
    if (std::string configured = configuredDevice(portName, settings, key); !configured.empty()) return configured;
    if (portName.size() > 3 && portName.compare(0, 3, "COM") == 0) {
        const std::string digits = portName.substr(3);
        bool numeric = digits.size() <= 3;
        for (char c : digits) numeric = numeric && std::isdigit(static_cast<unsigned char>(c));
        if (numeric) {
            const int n = std::atoi(digits.c_str());
            if (n >= 1) return "/dev/ttyS" + std::to_string(n - 1);
        }
    }
    return portName;
}

std::string parallelDevicePath(const std::string& portName, SettingsStore& settings, const std::string& key) {
    return configuredDevice(portName, settings, key);
}

}  // namespace tarvex::platform
