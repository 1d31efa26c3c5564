#pragma once
// Holding a parallel port for the link. The link moves its bytes through the
// port I/O library, which reaches the port's registers directly; the hold
// only keeps a second program, or a second link, off the port while the
// link's handle is open.
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

namespace tarvex::platform {

class PortHold {
public:
    virtual ~PortHold() = default;
};

// The port could not be held. refused() tells a port that is in use or that
// the system will not open (the link cannot start on it) from a device node
// that merely cannot be opened for holding (the port still works without).
class PortHoldError : public std::runtime_error {
public:
    PortHoldError(int code, const std::string& what, bool refused)
        : std::runtime_error(what), code_(code), refused_(refused) {}
    int code() const noexcept { return code_; }
    bool refused() const noexcept { return refused_; }

private:
    int code_;
    bool refused_;
};

// Opens and holds the device; raises PortHoldError.
using ParallelPortOpener = std::function<std::unique_ptr<PortHold>(const std::string& device)>;

// Windows: the port opened by name, read and write, no sharing. POSIX: the
// node opened and locked exclusively; a lock held elsewhere is a refusal,
// a node that cannot be opened is not.
std::unique_ptr<PortHold> holdSystemParallelPort(const std::string& device);

class SettingsStore;

// The device to hold for a port name such as "LPT1". Windows: the name
// itself. POSIX: the settings (section "Ports" below key, value = the port
// name), then the environment variable TARVEX_PORT_<name>; empty when
// neither names one, and nothing is held.
std::string parallelDevicePath(const std::string& portName, SettingsStore& settings, const std::string& key);

}  // namespace tarvex::platform
