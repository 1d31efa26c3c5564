#pragma once
// The serial port: ports come from an injectable opener; opening one at the
// first baud rate pulses the board's reset lines.
#include <memory>

#include "emulator/link/transport.hpp"
#include "platform/serial_port.hpp"

namespace tarvex {

class SerialTransport final : public Transport {
public:
    SerialTransport(TransportHost& host, platform::SerialPortOpener opener)
        : host_(host), opener_(std::move(opener)) {}

    void setOpener(platform::SerialPortOpener opener) { opener_ = std::move(opener); }

    void open() override;
    void configure() override;
    void applyTimeouts() override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    bool bytesAvailable() override;
    void purge() override;
    void close() override { port_.reset(); }  // puts the port's own settings back

    bool resetsBoardOnConfigure() const override { return true; }
    bool switchesBaudRate() const override { return true; }
    void finishBaudSwitch(std::uint8_t tail) override;

private:
    TransportHost& host_;
    platform::SerialPortOpener opener_;
    std::unique_ptr<platform::SerialPort> port_;
};

}  // namespace tarvex
