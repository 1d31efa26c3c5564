#include "platform/serial_port.hpp"

namespace tarvex::platform {

// Windows opens the port by its name.
std::string serialDevicePath(const std::string& portName, SettingsStore&, const std::string&) { return portName; }

}  // namespace tarvex::platform
