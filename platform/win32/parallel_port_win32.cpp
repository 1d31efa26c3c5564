#include <windows.h>

#include "platform/parallel_port.hpp"

namespace tarvex::platform {

namespace {

class Win32PortHold final : public PortHold {
public:
    explicit Win32PortHold(HANDLE handle) : handle_(handle) {}
    ~Win32PortHold() override { CloseHandle(handle_); }
    Win32PortHold(const Win32PortHold&) = delete;
    Win32PortHold& operator=(const Win32PortHold&) = delete;

private:
    HANDLE handle_;
};

}  // namespace

std::unique_ptr<PortHold> holdSystemParallelPort(const std::string& device) {
    // No sharing: while the link holds the port, nobody else opens it.
    const HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        throw PortHoldError(static_cast<int>(code), "CreateFileA " + device, true);
    }
    return std::make_unique<Win32PortHold>(handle);
}

std::string parallelDevicePath(const std::string& portName, SettingsStore&, const std::string&) { return portName; }

}  // namespace tarvex::platform
