#pragma once
// The parallel port: bytes go out and come in through the port I/O library,
// a strobe/acknowledge handshake per byte; the port is held (an opener, as
// for the serial port) so that nothing else drives it meanwhile.
#include <memory>
#include <string>

#include "emulator/link/transport.hpp"
#include "platform/parallel_port.hpp"

namespace tarvex {

class ParallelTransport final : public Transport {
public:
    explicit ParallelTransport(TransportHost& host) : host_(host) {}

    void setOpener(platform::ParallelPortOpener opener) { lptOpener_ = std::move(opener); }
    void setIoSearchDirs(std::string rootDir, std::string registryRootDir) {
        ioRootDir_ = std::move(rootDir);
        ioRegistryRootDir_ = std::move(registryRootDir);
    }

    void bind() override;
    void release() override;
    void open() override { holdParallelPort(); }
    void configure() override;
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    bool bytesAvailable() override;
    void purge() override;
    void close() override { lptHold_.reset(); }

    bool pausesOnClock() const override { return false; }
    void prepareStart() override { configure(); }

private:
    bool waitLptStatus(std::uint8_t mask, bool set);
    void lptOut(std::uint16_t offset, std::uint8_t value);
    std::uint8_t lptIn(std::uint16_t offset);
    void holdParallelPort();

    TransportHost& host_;
    platform::ParallelPortOpener lptOpener_ = platform::holdSystemParallelPort;
    std::unique_ptr<platform::PortHold> lptHold_;
    std::string ioRootDir_;
    std::string ioRegistryRootDir_;
};

}  // namespace tarvex
