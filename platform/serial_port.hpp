#pragma once
// A serial port as the link needs it: raw 8N1 without flow control, the
// three baud rates of the board, RTS/DTR under program control and read and
// write bounds in the manner of the Win32 communication time-outs. The
// settings found at opening are restored on close.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/clock.hpp"

namespace tarvex::platform {

// A read waits at most readTotalConstant + readTotalMultiplier * count ms in
// all and gives up early when readInterval ms pass between two bytes; a
// write waits at most writeTotalConstant + writeTotalMultiplier * count ms.
struct SerialTimeouts {
    std::uint32_t readInterval = 0;
    std::uint32_t readTotalMultiplier = 0;
    std::uint32_t readTotalConstant = 0;
    std::uint32_t writeTotalMultiplier = 0;
    std::uint32_t writeTotalConstant = 0;
};

// A failing system call; code is the system's error number.
// duringOpen tells an open failure from a failure to read or change the
// port's settings.
class SerialError : public std::runtime_error {
public:
    SerialError(int code, const std::string& what, bool duringOpen = false)
        : std::runtime_error(what), code_(code), duringOpen_(duringOpen) {}
    int code() const noexcept { return code_; }
    bool duringOpen() const noexcept { return duringOpen_; }

private:
    int code_;
    bool duringOpen_;
};

class SerialPort {
public:
    virtual ~SerialPort() = default;
    virtual void configure(std::uint32_t baud) = 0;
    virtual void setTimeouts(const SerialTimeouts& timeouts) = 0;
    virtual void setRts(bool on) = 0;
    virtual void setDtr(bool on) = 0;
    // Moves up to count bytes within the time-outs; returns how many moved.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
    virtual std::size_t write(const std::uint8_t* buffer, std::size_t count) = 0;
    // Bytes received and not yet read.
    virtual std::size_t inputQueued() = 0;
    virtual void purgeInput() = 0;
};

// Opens a device; raises SerialError when it cannot be opened or its
// settings cannot be read.
using SerialPortOpener = std::function<std::unique_ptr<SerialPort>(const std::string& device)>;

// The operating system's serial port (termios on POSIX).
std::unique_ptr<SerialPort> openSystemSerialPort(const std::string& device);

class SettingsStore;

// The device behind a port name such as "COM5". On POSIX the name is looked
// up in the settings (section "Ports" below key, value = the port name),
// then in the environment variable TARVEX_PORT_<name>; otherwise "COMn"
// means /dev/ttyS<n-1>. Windows opens the name itself.
std::string serialDevicePath(const std::string& portName, SettingsStore& settings, const std::string& key);

}  // namespace tarvex::platform
