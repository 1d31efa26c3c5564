#pragma once
// USB through the D2XX library: the board is found among the bus's FTDI
// devices by its description and chosen by serial number; a failed transfer
// resets and reopens the device once before the link counts as broken.
#include <memory>
#include <string>
#include <vector>

#include "emulator/link/d2xx.hpp"
#include "emulator/link/transport.hpp"

namespace tarvex {

struct TUSBDeviceInfo {
    std::uint32_t deviceIndex = 0;
    std::string serialNumber;
    std::string description;
};

class UsbTransport final : public Transport {
public:
    explicit UsbTransport(TransportHost& host) : host_(host) {}

    void setLibrary(std::string nameOrPath) { library_ = std::move(nameOrPath); }

    void bind() override { ftd2xx::UsbDllInit(library_); }
    void release() override { ftd2xx::USBDllRelease(); }
    void open() override;
    void configure() override;
    void applyTimeouts() override { configure(); }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    bool bytesAvailable() override;
    void purge() override;
    void close() override;
    void recover() override;

    bool numbersHandles() const override { return false; }

    // Lists the bus's TARVEX boards beside whatever transport is live.
    void listDevices();
    void clearError();

    const std::vector<std::unique_ptr<TUSBDeviceInfo>>& devices() const { return devices_; }
    const std::string& serialNumber() const { return serial_; }
    void setSerialNumber(std::string serial) { serial_ = std::move(serial); }
    std::uint32_t status() const { return status_; }

private:
    void setStatus(ftd2xx::FT_STATUS status);
    // One transfer; a failed one is tried once more for the rest after the
    // link recovered. transfer(offset, count, done) moves count bytes from
    // offset and reports how many it moved.
    template <typename Transfer>
    std::size_t transferWithRetry(std::size_t count, const char* name, Transfer transfer);

    TransportHost& host_;
    std::string library_ = ftd2xx::LibraryName();
    std::vector<std::unique_ptr<TUSBDeviceInfo>> devices_;
    std::string serial_;
    std::uint32_t status_ = 0;
    ftd2xx::FT_HANDLE handle_ = nullptr;
};

}  // namespace tarvex
