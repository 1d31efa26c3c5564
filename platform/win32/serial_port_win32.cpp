#include "platform/win32/serial_port_win32.hpp"

#include <cctype>

namespace tarvex::platform {

namespace win32 {

void applyLinkControlBlock(DCB& dcb, std::uint32_t baud) {
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fParity = 0;
    dcb.fOutxCtsFlow = 0;
    dcb.fOutxDsrFlow = 0;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = 0;
    dcb.fTXContinueOnXoff = 0;
    dcb.fOutX = 0;
    dcb.fInX = 0;
    dcb.fErrorChar = 0;
    dcb.fNull = 0;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = 0;
    dcb.fDummy2 = 0;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
}

COMMTIMEOUTS toCommTimeouts(const SerialTimeouts& t) {
    COMMTIMEOUTS c{};
    c.ReadIntervalTimeout = t.readInterval;
    c.ReadTotalTimeoutMultiplier = t.readTotalMultiplier;
    c.ReadTotalTimeoutConstant = t.readTotalConstant;
    c.WriteTotalTimeoutMultiplier = t.writeTotalMultiplier;
    c.WriteTotalTimeoutConstant = t.writeTotalConstant;
    return c;
}

std::string serialDeviceName(const std::string& portName) {
    if (portName.size() < 4 || portName.size() > 6) return portName;
    for (std::size_t i = 0; i < 3; ++i)
        if (std::toupper(static_cast<unsigned char>(portName[i])) != "COM"[i]) return portName;
    for (std::size_t i = 3; i < portName.size(); ++i)
        if (!std::isdigit(static_cast<unsigned char>(portName[i]))) return portName;
    return "\\\\.\\" + portName;
}

}  // namespace win32

namespace {

[[noreturn]] void fail(const char* what, bool duringOpen = false) {
    const DWORD code = GetLastError();
    throw SerialError(static_cast<int>(code), std::string(what) + ": error " + std::to_string(code), duringOpen);
}

class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(const std::string& device) {
        handle_ = CreateFileA(win32::serialDeviceName(device).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle_ == INVALID_HANDLE_VALUE) fail("CreateFileA", true);
        // The settings found at opening come back on close.
        savedDcb_.DCBlength = sizeof savedDcb_;
        if (!GetCommState(handle_, &savedDcb_) || !GetCommTimeouts(handle_, &savedTimeouts_)) {
            const DWORD code = GetLastError();
            CloseHandle(handle_);
            handle_ = INVALID_HANDLE_VALUE;
            SetLastError(code);
            fail("GetCommState");
        }
    }

    ~Win32SerialPort() override {
        if (handle_ == INVALID_HANDLE_VALUE) return;
        SetCommState(handle_, &savedDcb_);
        SetCommTimeouts(handle_, &savedTimeouts_);
        CloseHandle(handle_);
    }

    Win32SerialPort(const Win32SerialPort&) = delete;
    Win32SerialPort& operator=(const Win32SerialPort&) = delete;

    void configure(std::uint32_t baud) override {
        DCB dcb{};
        dcb.DCBlength = sizeof dcb;
        if (!GetCommState(handle_, &dcb)) fail("GetCommState");
        win32::applyLinkControlBlock(dcb, baud);
        if (!SetCommState(handle_, &dcb)) fail("SetCommState");
    }

    void setTimeouts(const SerialTimeouts& timeouts) override {
        COMMTIMEOUTS c = win32::toCommTimeouts(timeouts);
        if (!SetCommTimeouts(handle_, &c)) fail("SetCommTimeouts");
    }

    void setRts(bool on) override {
        if (!EscapeCommFunction(handle_, on ? SETRTS : CLRRTS)) fail("EscapeCommFunction");
    }
    void setDtr(bool on) override {
        if (!EscapeCommFunction(handle_, on ? SETDTR : CLRDTR)) fail("EscapeCommFunction");
    }

    // The communication time-outs bound both calls; a short count is the
    // caller's to judge.
    std::size_t read(std::uint8_t* buffer, std::size_t count) override {
        DWORD done = 0;
        if (!ReadFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) fail("ReadFile");
        return done;
    }

    std::size_t write(const std::uint8_t* buffer, std::size_t count) override {
        DWORD done = 0;
        if (!WriteFile(handle_, buffer, static_cast<DWORD>(count), &done, nullptr)) fail("WriteFile");
        return done;
    }

    std::size_t inputQueued() override {
        DWORD errors = 0;
        COMSTAT status{};
        if (!ClearCommError(handle_, &errors, &status)) fail("ClearCommError");
        return status.cbInQue;
    }

    void purgeInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    DCB savedDcb_{};
    COMMTIMEOUTS savedTimeouts_{};
};

}  // namespace

std::unique_ptr<SerialPort> openSystemSerialPort(const std::string& device) {
    return std::make_unique<Win32SerialPort>(device);
}

}  // namespace tarvex::platform
