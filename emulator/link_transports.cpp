// The transports of the link: serial port, parallel port, USB.
#include <algorithm>
#include <cctype>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "emulator/basis_emulator.hpp"
#include "emulator/io_library.hpp"
#include "platform/parallel_port.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

constexpr std::uint32_t BaudRates[] = {9600, 38400, 115200};

// Parallel port registers and lines.
constexpr std::uint16_t LptStatus = 1, LptControl = 2, LptEcr = 0x402;
constexpr std::uint8_t StatusAck = 0x40, StatusReady = 0x80;

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

[[noreturn]] void TBasisEmulator::commError(int resourceId, int systemCode) {
    throw EEmulatorCommError(FmtResStr(resourceId, systemCode, portName_));
}

[[noreturn]] void TBasisEmulator::transferFailed(const std::string& message) {
    SetTimeoutError(true);
    throw EEmulatorTimeoutError(message);
}

// ---------------------------------------------------------------- choice

void TBasisEmulator::SetPortName(const std::string& name) {
    auto lock = LockLink();
    // Names are kept upper-cased, so "usb" is the same name as "USB".
    const std::string wanted = upper(name);
    if (connectionState_ >= StateIdentified && wanted != portName_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    if (wanted == portName_) return;
    const std::string kind = wanted.substr(0, 3);
    // The transport is bound first: when its library cannot be bound, name,
    // transport and port stay as they were.
    SetInterface(kind == "COM" ? IfSerial : kind == "USB" ? IfUsb : IfParallel);
    if (connectionState_ != StateClosed && handleOpen_) DestroyEmulHandle();
    portName_ = wanted;
    settingsChanged_ = true;
}

void TBasisEmulator::SetPortAdresse(std::uint16_t address) {
    auto lock = LockLink();
    if (connectionState_ >= StateIdentified && address != portAdresse_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    if (address == portAdresse_) return;
    if (handleOpen_) DestroyEmulHandle();
    portAdresse_ = address;
    settingsChanged_ = true;
}

void TBasisEmulator::SetPortExclusiv(bool exclusive) {
    if (interface_ == IfParallel && connectionState_ >= StateIdentified && exclusive != portExclusiv_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    portExclusiv_ = exclusive;
}

void TBasisEmulator::releaseBinding(std::uint8_t kind) {
    if (kind == IfParallel) iodll::IoDllRelease();
    if (kind == IfUsb) ftd2xx::USBDllRelease();
}

void TBasisEmulator::bindLibrary(std::uint8_t kind) {
    if (kind == IfParallel) {
        const std::string path = iodll::FindIoDll(ioRootDir_, ioRegistryRootDir_);
        if (path.empty())
            throw EEmulatorCommError(iodll::LastError() + "\n" + std::string(LoadResStr(rs::NoAccessToParallelPort)));
        iodll::IoDllInit(path);
    } else if (kind == IfUsb) {
        ftd2xx::UsbDllInit(usbLibrary_);
    }
}

void TBasisEmulator::SetInterface(std::uint8_t kind) {
    if (kind == interface_) return;
    // A binding that fails changes nothing: the old one is released only
    // once the new one stands.
    bindLibrary(kind);
    // The open handle belongs to the old transport.
    if (handleOpen_) DestroyEmulHandle();
    releaseBinding(interface_);
    interface_ = kind;
    Protokoll("Verbindung=" + std::to_string(kind));
}

// ---------------------------------------------------------------- handle

std::string TBasisEmulator::serialDevice() { return platform::serialDevicePath(portName_, settings_, RegistryKey); }

void TBasisEmulator::holdParallelPort() {
    const std::string device = platform::parallelDevicePath(portName_, settings_, RegistryKey);
    if (device.empty()) return;  // no device named for the port: nothing to hold
    try {
        lptHold_ = lptOpener_(device);
    } catch (const platform::PortHoldError& e) {
        if (e.refused()) commError(rs::OpenError, e.code());
        // The port I/O library reaches the port without the node.
        Protokoll("LPT-Port nicht gehalten: " + std::string(e.what()));
    }
}

void TBasisEmulator::GetHandle() {
    if (handleOpen_) return;
    CreateEmulHandle();
    ConfigPort();
}

void TBasisEmulator::CreateEmulHandle() {
    Protokoll("CreateEmulHandle");
    if (interface_ != IfUsb) {
        if (interface_ == IfSerial) {
            try {
                serial_ = serialOpener_(serialDevice());
            } catch (const platform::SerialError& e) {
                serial_.reset();
                commError(e.duringOpen() ? rs::OpenError : rs::ConfigurationError, e.code());
            }
            if (!serial_) commError(rs::OpenError, 0);
        }
        // The port I/O library reaches the parallel port's registers
        // directly; the hold keeps others off the port meanwhile.
        if (interface_ == IfParallel) holdParallelPort();
        handleOpen_ = true;
        ++handleNumber_;
        Protokoll("CreateEmulHandle=" + Format("%.4x", handleNumber_));
        connectionState_ = StateOpen;
        currentBaud_ = 0;
        return;
    }

    ListUsbDevices();
    if (usbDevices_.empty()) throw EEmulatorCommError(std::string(LoadResStr(rs::NoTarvexOnUsb)), 1);
    const TUSBDeviceInfo* device = nullptr;
    if (!usbSerial_.empty()) {
        for (const auto& d : usbDevices_)
            if (d->serialNumber == usbSerial_) device = d.get();
        if (device) {
            Protokoll("USB TARVEX SerialNumber=" + usbSerial_ + " DeviceIndex=" + std::to_string(device->deviceIndex));
        } else {
            Protokoll("ERROR: USB TARVEX SerialNumber=" + usbSerial_ + " nicht gefunden");
            if (usbDevices_.size() == 1) {
                const std::string& other = usbDevices_.front()->serialNumber;
                const std::string question = FmtResStr(rs::TarvexNotFoundOnUsb, usbSerial_) + "!\n" +
                                             FmtResStr(rs::ChangeToTarvex, other);
                if (ConfirmBox(question, platform::mb::YesNo | platform::mb::IconQuestion) == platform::IdYes) {
                    usbSerial_ = other;
                    Protokoll("USB TARVEX SerialNumber geändert: " + usbSerial_);
                }
            }
            throw EEmulatorCommError(FmtResStr(rs::TarvexNotFoundOnUsb, usbSerial_), 1);
        }
    } else {
        if (usbDevices_.size() > 1)
            throw EEmulatorCommError(std::string(LoadResStr(rs::SelectTarvexFromUsbList)), 2);
        device = usbDevices_.front().get();
        usbSerial_ = device->serialNumber;
    }
    ftd2xx::FT_HANDLE handle = nullptr;
    const ftd2xx::FT_STATUS status = ftd2xx::UsbOpen(device->deviceIndex, handle);
    if (status != ftd2xx::FT_OK) {
        Protokoll("USB open error: " + ftd2xx::FtStatusText(status));
        throw EEmulatorCommError("USB Open ERROR: " + ftd2xx::FtStatusText(status));
    }
    if (handle == reinterpret_cast<ftd2xx::FT_HANDLE>(~std::uintptr_t{0}) || handle == nullptr)
        throw EEmulatorCommError("USB Open ERROR: INVALID HANDLE VALUE");
    usbHandle_ = handle;
    handleOpen_ = true;
    ftd2xx::UsbPurge(usbHandle_, ftd2xx::PurgeRxTx);
    if (rememberedState_ >= StateIdentified) {
        connectionState_ = rememberedState_;
        rememberedState_ = StateClosed;
    } else {
        connectionState_ = StateOpen;
    }
    currentBaud_ = 0;
}

void TBasisEmulator::DestroyEmulHandle() {
    Protokoll("DestroyEmulHandle");
    serial_.reset();  // puts the port's own settings back
    lptHold_.reset();
    if (usbHandle_) ftd2xx::UsbClose(usbHandle_);
    usbHandle_ = nullptr;
    handleOpen_ = false;
    connectionState_ = StateClosed;
}

// ---------------------------------------------------------------- configuration

void TBasisEmulator::applyTimeouts() {
    if (!handleOpen_) return;
    if (interface_ == IfSerial && serial_) {
        platform::SerialTimeouts t;
        t.readInterval = timeoutReadWrite_;
        t.readTotalMultiplier = 1;
        t.readTotalConstant = timeoutReadWrite_;
        t.writeTotalMultiplier = 1;
        t.writeTotalConstant = timeoutReadWrite_;
        serial_->setTimeouts(t);
    } else if (interface_ == IfUsb) {
        ConfigUsbPort();
    }
}

void TBasisEmulator::ConfigPort() {
    if (interface_ == IfParallel) {
        ConfigLptPort();
        return;
    }
    if (interface_ == IfUsb) {
        ConfigUsbPort();
        return;
    }
    if (!serial_) return;
    Protokoll("ConfigPort");
    try {
        applyTimeouts();
        serial_->configure(BaudRates[currentBaud_ < 3 ? currentBaud_ : 2]);
        if (currentBaud_ == 0) {
            // The line pulse resets the board to its power-on state.
            serial_->setRts(false);
            serial_->setDtr(false);
            Wait(100);
            serial_->setRts(true);
            serial_->setDtr(true);
            flashBlock_ = 0;
            flashBlockKnown_ = true;
        }
    } catch (const platform::SerialError& e) {
        commError(rs::ConfigurationError, e.code());
    }
    Protokoll("ConfigPort fertig");
}

void TBasisEmulator::lptOut(std::uint16_t offset, std::uint8_t value) {
    iodll::PortOut(static_cast<std::uint16_t>(portAdresse_ + offset), value);
}

std::uint8_t TBasisEmulator::lptIn(std::uint16_t offset) {
    return iodll::PortIn(static_cast<std::uint16_t>(portAdresse_ + offset));
}

void TBasisEmulator::ConfigLptPort() {
    Protokoll("ConfigLptPort");
    lptOut(LptEcr, 0x30);  // extended control register: byte mode
    clock_.sleepMs(10);
    lptOut(0, 0x00);
    clock_.sleepMs(10);
    lptOut(LptControl, 0x2C);  // data lines in, SELECT IN and INIT high
    clock_.sleepMs(10);
    Protokoll("ConfigLptPort fertig");
}

void TBasisEmulator::ConfigUsbPort() {
    if (!usbHandle_) return;
    Protokoll("ConfigUsbPort");
    setUsbStatus(ftd2xx::UsbSetTimeouts(usbHandle_, timeoutReadWrite_, timeoutReadWrite_));
    ClearUsbError();
    setUsbStatus(ftd2xx::UsbSetLatencyTimer(usbHandle_, 2));
    ClearUsbError();
    setUsbStatus(ftd2xx::UsbSetResetPipe(usbHandle_, 100));
    ClearUsbError();
    Protokoll("ConfigUsbPort fertig");
}

// ---------------------------------------------------------------- USB

void TBasisEmulator::setUsbStatus(ftd2xx::FT_STATUS status) {
    usbStatus_ = status;
    if (status != ftd2xx::FT_OK) Protokoll("USB ERROR: " + ftd2xx::FtStatusText(status));
}

void TBasisEmulator::ClearUsbError() {
    if (usbStatus_ == ftd2xx::FT_OK) return;
    ErrorBox(ftd2xx::FtStatusText(usbStatus_), platform::mb::Ok | platform::mb::IconError);
    Protokoll("Clear USB Error");
    setUsbStatus(ftd2xx::UsbResetPort(usbHandle_));
}

void TBasisEmulator::ListUsbDevices() {
    usbDevices_.clear();
    // The list is taken beside the live transport: a serial or parallel
    // session goes on undisturbed, and a library bound only for the list is
    // released afterwards.
    const bool bindHere = !ftd2xx::UsbDllBound();
    if (bindHere) ftd2xx::UsbDllInit(usbLibrary_);
    struct Unbind {
        bool on;
        ~Unbind() {
            if (on) ftd2xx::USBDllRelease();
        }
    } unbind{bindHere};
    std::uint32_t count = 0;
    ftd2xx::UsbListDeviceCount(count);
    Protokoll("USB ListDevices - Count=" + std::to_string(count));
    // A library that reports absurd counts must not make us loop for ever.
    count = std::min<std::uint32_t>(count, 64);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string serial;
        if (ftd2xx::UsbListDevices(i, ftd2xx::ListByIndexSerial, serial) != ftd2xx::FT_OK) continue;
        Protokoll("USB ListSerialNumber DeviceIndex=" + std::to_string(i) + " SerialNumber=" + serial);
        std::string description;
        ftd2xx::UsbListDevices(i, ftd2xx::ListByIndexDescription, description);
        Protokoll("USB ListDescription DeviceIndex=" + std::to_string(i) + " Description=" + description);
        std::string lower = description;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower == "tarvex emulator") {
            auto info = std::make_unique<TUSBDeviceInfo>();
            info->deviceIndex = i;
            info->serialNumber = serial;
            info->description = description;
            usbDevices_.push_back(std::move(info));
        }
    }
}

void TBasisEmulator::RecoverUSB() {
    Protokoll("RecoverUSB");
    if (usbHandle_) {
        ftd2xx::UsbResetDevice(usbHandle_);
        ftd2xx::UsbCyclePort(usbHandle_);
    }
    rememberedState_ = connectionState_;
    if (handleOpen_) DestroyEmulHandle();
    clock_.sleepMs(6000);
    GetHandle();
}

void TBasisEmulator::setFatalUsbError() {
    if (fatalUsbError_) return;
    fatalUsbError_ = true;
    Protokoll("Fatal USB ERROR");
    forgetFlashBlock();
    if (handleOpen_) DestroyEmulHandle();
    throw ETarvexAbort(std::string(LoadResStr(rs::FatalUsbError)));
}

std::size_t TBasisEmulator::ReadUSB(std::uint8_t* buffer, std::size_t count) {
    GetHandle();
    std::uint32_t read = 0;
    ftd2xx::FT_STATUS status = ftd2xx::UsbRead(usbHandle_, buffer, static_cast<std::uint32_t>(count), read);
    setUsbStatus(status);
    if (status == ftd2xx::FT_OK) return read;
    Protokoll("ReadUSB Fehler Anzahl bisher=" + std::to_string(read));
    RecoverUSB();
    Protokoll("ReadUSB nochmal");
    std::uint32_t more = 0;
    status = ftd2xx::UsbRead(usbHandle_, buffer + read, static_cast<std::uint32_t>(count - read), more);
    setUsbStatus(status);
    if (status == ftd2xx::FT_IO_ERROR) setFatalUsbError();
    if (status != ftd2xx::FT_OK) transferFailed("ERROR USB Read: " + ftd2xx::FtStatusText(status));
    return read + more;
}

std::size_t TBasisEmulator::WriteUSB(const std::uint8_t* buffer, std::size_t count) {
    GetHandle();
    std::uint32_t written = 0;
    ftd2xx::FT_STATUS status = ftd2xx::UsbWrite(usbHandle_, buffer, static_cast<std::uint32_t>(count), written);
    setUsbStatus(status);
    if (status == ftd2xx::FT_OK) return written;
    Protokoll("WriteUSB Fehler Anzahl bisher=" + std::to_string(written));
    RecoverUSB();
    Protokoll("WriteUSB nochmal");
    std::uint32_t more = 0;
    status = ftd2xx::UsbWrite(usbHandle_, buffer + written, static_cast<std::uint32_t>(count - written), more);
    setUsbStatus(status);
    if (status == ftd2xx::FT_IO_ERROR) setFatalUsbError();
    if (status != ftd2xx::FT_OK) transferFailed("ERROR USB Write: " + ftd2xx::FtStatusText(status));
    return written + more;
}

// ---------------------------------------------------------------- serial

std::size_t TBasisEmulator::ReadCom(std::uint8_t* buffer, std::size_t count) {
    GetHandle();
    try {
        return serial_->read(buffer, count);
    } catch (const platform::SerialError&) {
        transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
}

std::size_t TBasisEmulator::WriteCom(const std::uint8_t* buffer, std::size_t count) {
    GetHandle();
    try {
        return serial_->write(buffer, count);
    } catch (const platform::SerialError&) {
        transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
}

// ---------------------------------------------------------------- parallel

bool TBasisEmulator::waitLptStatus(std::uint8_t mask, bool set) {
    Busy busy(*this);
    platform::Deadline deadline(clock_, timeoutReadWrite_);
    // A board answers within microseconds: spin a little before sleeping.
    for (unsigned polls = 0;; ++polls) {
        if (((lptIn(LptStatus) & mask) != 0) == set) return true;
        if (deadline.expired()) return false;
        if (polls >= 64) clock_.sleepMs(1);
    }
}

std::size_t TBasisEmulator::WriteLpt(const std::uint8_t* buffer, std::size_t count) {
    if (portExclusiv_) GetHandle();
    for (std::size_t i = 0; i < count; ++i) {
        lptOut(LptControl, 0x0C);
        lptOut(0, buffer[i]);
        lptOut(LptControl, 0x0D);  // strobe
        if (!waitLptStatus(StatusAck, false)) transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        lptOut(LptControl, 0x2C);
        if (!waitLptStatus(StatusAck, true)) transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
    return count;
}

std::size_t TBasisEmulator::ReadLpt(std::uint8_t* buffer, std::size_t count) {
    if (portExclusiv_) GetHandle();
    for (std::size_t i = 0; i < count; ++i) {
        if (!waitLptStatus(StatusReady, true)) transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        buffer[i] = lptIn(0);
        lptOut(LptControl, 0x2E);
        if (!waitLptStatus(StatusReady, false)) transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        lptOut(LptControl, 0x2C);
    }
    return count;
}

// ---------------------------------------------------------------- common

bool TBasisEmulator::BytesAvailable() {
    auto lock = LockLink();
    if (timeoutFlag_ || fatalUsbError_) return false;
    switch (interface_) {
        case IfSerial:
            if (!serial_) return false;
            try {
                return serial_->inputQueued() > 0;
            } catch (const platform::SerialError&) {
                return false;
            }
        case IfParallel: return (lptIn(LptStatus) & StatusReady) != 0;
        default: {
            if (!usbHandle_) return false;
            std::uint32_t queued = 0;
            if (ftd2xx::UsbGetQueueStatus(usbHandle_, queued) != ftd2xx::FT_OK) {
                RecoverUSB();
                return false;
            }
            return queued > 0;
        }
    }
}

void TBasisEmulator::flushInput() {
    switch (interface_) {
        case IfSerial:
            if (serial_) serial_->purgeInput();
            break;
        case IfUsb:
            if (usbHandle_) {
                ftd2xx::UsbPurge(usbHandle_, ftd2xx::PurgeRxTx);
                Protokoll("USB: Puffer gelöscht");
            }
            break;
        default: {
            // The parallel port has no buffer to purge: read what the board
            // still offers, within reason.
            std::uint8_t byte = 0;
            for (int i = 0; i < 64 && BytesAvailable(); ++i) ReadLpt(&byte, 1);
            break;
        }
    }
}

}  // namespace tarvex
