#pragma once
// The names of the system's serial and parallel ports, as a user picks them
// for the link ("COM3", "LPT1").
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex::platform {

class SettingsStore;

class PortListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Every port of the system, unsorted. On POSIX: "COMn" (n = 1..64) whose
// device, resolved as the link resolves it, exists; every name of section
// "Ports" below key; "LPTn" for every /dev/parport<n-1>. On Windows the
// spooler's port list. Raises PortListError when the system cannot list.
std::vector<std::string> listPorts(SettingsStore& settings, const std::string& key);

}  // namespace tarvex::platform
