#include "emulator/link/serial_transport.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"

namespace tarvex {

namespace {

constexpr std::uint32_t BaudRates[] = {9600, 38400, 115200};

}  // namespace

void SerialTransport::open() {
    try {
        port_ = opener_(platform::serialDevicePath(host_.portName(), host_.linkSettings(), LinkRegistryKey));
    } catch (const platform::SerialError& e) {
        port_.reset();
        throwCommError(host_, e.duringOpen() ? rs::OpenError : rs::ConfigurationError, e.code());
    }
    if (!port_) throwCommError(host_, rs::OpenError, 0);
}

void SerialTransport::applyTimeouts() {
    if (!port_) return;
    const std::uint32_t ms = host_.readWriteTimeout();
    platform::SerialTimeouts t;
    t.readInterval = ms;
    t.readTotalMultiplier = 1;
    t.readTotalConstant = ms;
    t.writeTotalMultiplier = 1;
    t.writeTotalConstant = ms;
    port_->setTimeouts(t);
}

void SerialTransport::configure() {
    if (!port_) return;
    host_.log("ConfigPort");
    try {
        applyTimeouts();
        const std::uint8_t baud = host_.baudIndex();
        port_->configure(BaudRates[baud < 3 ? baud : 2]);
        if (baud == 0) {
            // The line pulse resets the board to its power-on state.
            port_->setRts(false);
            port_->setDtr(false);
            host_.pause(100);
            port_->setRts(true);
            port_->setDtr(true);
            host_.boardReset();
        }
    } catch (const platform::SerialError& e) {
        throwCommError(host_, rs::ConfigurationError, e.code());
    }
    host_.log("ConfigPort fertig");
}

void SerialTransport::finishBaudSwitch(std::uint8_t tail) {
    if (!port_) throwCommError(host_, rs::ConfigurationError, 0);
    try {
        port_->setRts(false);
        host_.pause(50);
        // Still at the old rate and with RTS off: the board takes this byte
        // as the end of the switch, not as a command.
        if (port_->write(&tail, 1) != 1) host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        host_.pause(50);
        port_->setRts(true);
        host_.pause(100);
    } catch (const platform::SerialError& e) {
        throwCommError(host_, rs::ConfigurationError, e.code());
    }
}

std::size_t SerialTransport::read(std::uint8_t* buffer, std::size_t count) {
    host_.ensureOpen();
    try {
        return port_->read(buffer, count);
    } catch (const platform::SerialError&) {
        host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
}

std::size_t SerialTransport::write(const std::uint8_t* buffer, std::size_t count) {
    host_.ensureOpen();
    try {
        return port_->write(buffer, count);
    } catch (const platform::SerialError&) {
        host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
}

bool SerialTransport::bytesAvailable() {
    if (!port_) return false;
    try {
        return port_->inputQueued() > 0;
    } catch (const platform::SerialError&) {
        return false;
    }
}

void SerialTransport::purge() {
    if (port_) port_->purgeInput();
}

}  // namespace tarvex
