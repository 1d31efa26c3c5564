#include <cctype>
#include <cstdlib>

#include "platform/serial_port.hpp"
#include "platform/settings.hpp"

namespace tarvex::platform {

std::string serialDevicePath(const std::string& portName, SettingsStore& settings, const std::string& key) {
    if (auto mapped = settings.readString(key, "Ports", portName); mapped && !mapped->empty()) return *mapped;
    const std::string variable = "TARVEX_PORT_" + portName;
    if (const char* env = std::getenv(variable.c_str()); env && *env) return env;
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

}  // namespace tarvex::platform
