#include "emulator/link/usb_transport.hpp"

#include <algorithm>
#include <cctype>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "platform/ui.hpp"

namespace tarvex {

void UsbTransport::open() {
    listDevices();
    if (devices_.empty()) throw EEmulatorCommError(std::string(LoadResStr(rs::NoTarvexOnUsb)), 1);
    const TUSBDeviceInfo* device = nullptr;
    if (!serial_.empty()) {
        for (const auto& d : devices_)
            if (d->serialNumber == serial_) device = d.get();
        if (device) {
            host_.log("USB TARVEX SerialNumber=" + serial_ + " DeviceIndex=" + std::to_string(device->deviceIndex));
        } else {
            host_.log("ERROR: USB TARVEX SerialNumber=" + serial_ + " nicht gefunden");
            if (devices_.size() == 1) {
                const std::string& other = devices_.front()->serialNumber;
                const std::string question =
                    FmtResStr(rs::TarvexNotFoundOnUsb, serial_) + "!\n" + FmtResStr(rs::ChangeToTarvex, other);
                if (ConfirmBox(question, platform::mb::YesNo | platform::mb::IconQuestion) == platform::IdYes) {
                    serial_ = other;
                    host_.log("USB TARVEX SerialNumber geändert: " + serial_);
                }
            }
            throw EEmulatorCommError(FmtResStr(rs::TarvexNotFoundOnUsb, serial_), 1);
        }
    } else {
        if (devices_.size() > 1) throw EEmulatorCommError(std::string(LoadResStr(rs::SelectTarvexFromUsbList)), 2);
        device = devices_.front().get();
        serial_ = device->serialNumber;
    }
    ftd2xx::FT_HANDLE handle = nullptr;
    const ftd2xx::FT_STATUS status = ftd2xx::UsbOpen(device->deviceIndex, handle);
    if (status != ftd2xx::FT_OK) {
        host_.log("USB open error: " + ftd2xx::FtStatusText(status));
        throw EEmulatorCommError("USB Open ERROR: " + ftd2xx::FtStatusText(status));
    }
    if (handle == reinterpret_cast<ftd2xx::FT_HANDLE>(~std::uintptr_t{0}) || handle == nullptr)
        throw EEmulatorCommError("USB Open ERROR: INVALID HANDLE VALUE");
    handle_ = handle;
    ftd2xx::UsbPurge(handle_, ftd2xx::PurgeRxTx);
}

void UsbTransport::close() {
    if (handle_) ftd2xx::UsbClose(handle_);
    handle_ = nullptr;
}

void UsbTransport::configure() {
    if (!handle_) return;
    const std::uint32_t ms = host_.readWriteTimeout();
    host_.log("ConfigUsbPort");
    setStatus(ftd2xx::UsbSetTimeouts(handle_, ms, ms));
    clearError();
    setStatus(ftd2xx::UsbSetLatencyTimer(handle_, 2));
    clearError();
    setStatus(ftd2xx::UsbSetResetPipe(handle_, 100));
    clearError();
    host_.log("ConfigUsbPort fertig");
}

void UsbTransport::setStatus(ftd2xx::FT_STATUS status) {
    status_ = status;
    if (status != ftd2xx::FT_OK) host_.log("USB ERROR: " + ftd2xx::FtStatusText(status));
}

void UsbTransport::clearError() {
    if (status_ == ftd2xx::FT_OK) return;
    ErrorBox(ftd2xx::FtStatusText(status_), platform::mb::Ok | platform::mb::IconError);
    host_.log("Clear USB Error");
    setStatus(ftd2xx::UsbResetPort(handle_));
}

void UsbTransport::listDevices() {
    devices_.clear();
    // The list is taken beside the live transport: a serial or parallel
    // session goes on undisturbed, and a library bound only for the list is
    // released afterwards.
    const bool bindHere = !ftd2xx::UsbDllBound();
    if (bindHere) ftd2xx::UsbDllInit(library_);
    struct Unbind {
        bool on;
        ~Unbind() {
            if (on) ftd2xx::USBDllRelease();
        }
    } unbind{bindHere};
    std::uint32_t count = 0;
    ftd2xx::UsbListDeviceCount(count);
    host_.log("USB ListDevices - Count=" + std::to_string(count));
    // A library that reports absurd counts must not make us loop for ever.
    count = std::min<std::uint32_t>(count, 64);
    for (std::uint32_t i = 0; i < count; ++i) {
        std::string serial;
        if (ftd2xx::UsbListDevices(i, ftd2xx::ListByIndexSerial, serial) != ftd2xx::FT_OK) continue;
        host_.log("USB ListSerialNumber DeviceIndex=" + std::to_string(i) + " SerialNumber=" + serial);
        std::string description;
        ftd2xx::UsbListDevices(i, ftd2xx::ListByIndexDescription, description);
        host_.log("USB ListDescription DeviceIndex=" + std::to_string(i) + " Description=" + description);
        std::string lower = description;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (lower == "tarvex emulator") {
            auto info = std::make_unique<TUSBDeviceInfo>();
            info->deviceIndex = i;
            info->serialNumber = serial;
            info->description = description;
            devices_.push_back(std::move(info));
        }
    }
}

void UsbTransport::recover() {
    if (!handle_) return;
    ftd2xx::UsbResetDevice(handle_);
    ftd2xx::UsbCyclePort(handle_);
}

template <typename Transfer>
std::size_t UsbTransport::transferWithRetry(std::size_t count, const char* name, Transfer transfer) {
    host_.ensureOpen();
    std::uint32_t done = 0;
    ftd2xx::FT_STATUS status = transfer(0, count, done);
    setStatus(status);
    if (status == ftd2xx::FT_OK) return done;
    host_.log(std::string(name) + "USB Fehler Anzahl bisher=" + std::to_string(done));
    host_.recoverLink();
    host_.log(std::string(name) + "USB nochmal");
    std::uint32_t more = 0;
    status = transfer(done, count - done, more);
    setStatus(status);
    if (status == ftd2xx::FT_IO_ERROR) host_.fatalError();
    if (status != ftd2xx::FT_OK)
        host_.transferFailed(std::string("ERROR USB ") + name + ": " + ftd2xx::FtStatusText(status));
    return done + more;
}

std::size_t UsbTransport::read(std::uint8_t* buffer, std::size_t count) {
    return transferWithRetry(count, "Read", [&](std::size_t offset, std::size_t n, std::uint32_t& moved) {
        return ftd2xx::UsbRead(handle_, buffer + offset, static_cast<std::uint32_t>(n), moved);
    });
}

std::size_t UsbTransport::write(const std::uint8_t* buffer, std::size_t count) {
    return transferWithRetry(count, "Write", [&](std::size_t offset, std::size_t n, std::uint32_t& moved) {
        return ftd2xx::UsbWrite(handle_, buffer + offset, static_cast<std::uint32_t>(n), moved);
    });
}

bool UsbTransport::bytesAvailable() {
    if (!handle_) return false;
    std::uint32_t queued = 0;
    if (ftd2xx::UsbGetQueueStatus(handle_, queued) != ftd2xx::FT_OK) {
        host_.recoverLink();
        return false;
    }
    return queued > 0;
}

void UsbTransport::purge() {
    if (!handle_) return;
    ftd2xx::UsbPurge(handle_, ftd2xx::PurgeRxTx);
    host_.log("USB: Puffer gelöscht");
}

}  // namespace tarvex
