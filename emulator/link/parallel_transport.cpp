#include "emulator/link/parallel_transport.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/link/io_library.hpp"

namespace tarvex {

namespace {

// Parallel port registers and lines.
constexpr std::uint16_t LptStatus = 1, LptControl = 2, LptEcr = 0x402;
constexpr std::uint8_t StatusAck = 0x40, StatusReady = 0x80;

// Counts the wait with the link's waits in progress.
class Busy {
public:
    explicit Busy(TransportHost& host) : host_(host) { host_.busy(1); }
    ~Busy() { host_.busy(-1); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

private:
    TransportHost& host_;
};

}  // namespace

void ParallelTransport::bind() {
    const std::string path = iodll::FindIoDll(ioRootDir_, ioRegistryRootDir_);
    if (path.empty())
        throw EEmulatorCommError(iodll::LastError() + "\n" + std::string(LoadResStr(rs::NoAccessToParallelPort)));
    iodll::IoDllInit(path);
}

void ParallelTransport::release() { iodll::IoDllRelease(); }

void ParallelTransport::holdParallelPort() {
    // The port I/O library reaches the parallel port's registers directly;
    // the hold keeps others off the port meanwhile.
    const std::string device = platform::parallelDevicePath(host_.portName(), host_.linkSettings(), LinkRegistryKey);
    if (device.empty()) return;  // no device named for the port: nothing to hold
    try {
        lptHold_ = lptOpener_(device);
    } catch (const platform::PortHoldError& e) {
        if (e.refused()) throwCommError(host_, rs::OpenError, e.code());
        // The port I/O library reaches the port without the node.
        host_.log("LPT-Port nicht gehalten: " + std::string(e.what()));
    }
}

void ParallelTransport::lptOut(std::uint16_t offset, std::uint8_t value) {
    iodll::PortOut(static_cast<std::uint16_t>(host_.portAddress() + offset), value);
}

std::uint8_t ParallelTransport::lptIn(std::uint16_t offset) {
    return iodll::PortIn(static_cast<std::uint16_t>(host_.portAddress() + offset));
}

void ParallelTransport::configure() {
    platform::Clock& clock = host_.linkClock();
    host_.log("ConfigLptPort");
    lptOut(LptEcr, 0x30);  // extended control register: byte mode
    clock.sleepMs(10);
    lptOut(0, 0x00);
    clock.sleepMs(10);
    lptOut(LptControl, 0x2C);  // data lines in, SELECT IN and INIT high
    clock.sleepMs(10);
    host_.log("ConfigLptPort fertig");
}

bool ParallelTransport::waitLptStatus(std::uint8_t mask, bool set) {
    Busy busy(host_);
    platform::Clock& clock = host_.linkClock();
    platform::Deadline deadline(clock, host_.readWriteTimeout());
    // A board answers within microseconds: spin a little before sleeping.
    for (unsigned polls = 0;; ++polls) {
        if (((lptIn(LptStatus) & mask) != 0) == set) return true;
        if (deadline.expired()) return false;
        if (polls >= 64) clock.sleepMs(1);
    }
}

std::size_t ParallelTransport::write(const std::uint8_t* buffer, std::size_t count) {
    if (host_.portExclusive()) host_.ensureOpen();
    for (std::size_t i = 0; i < count; ++i) {
        lptOut(LptControl, 0x0C);
        lptOut(0, buffer[i]);
        lptOut(LptControl, 0x0D);  // strobe
        if (!waitLptStatus(StatusAck, false)) host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        lptOut(LptControl, 0x2C);
        if (!waitLptStatus(StatusAck, true)) host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
    }
    return count;
}

std::size_t ParallelTransport::read(std::uint8_t* buffer, std::size_t count) {
    if (host_.portExclusive()) host_.ensureOpen();
    for (std::size_t i = 0; i < count; ++i) {
        if (!waitLptStatus(StatusReady, true)) host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        buffer[i] = lptIn(0);
        lptOut(LptControl, 0x2E);
        if (!waitLptStatus(StatusReady, false)) host_.transferFailed(std::string(LoadResStr(rs::CommunicationError)));
        lptOut(LptControl, 0x2C);
    }
    return count;
}

bool ParallelTransport::bytesAvailable() { return (lptIn(LptStatus) & StatusReady) != 0; }

void ParallelTransport::purge() {
    // The parallel port has no buffer to purge: read what the board still
    // offers, within reason.
    std::uint8_t byte = 0;
    for (int i = 0; i < 64 && host_.linkBytesAvailable(); ++i) read(&byte, 1);
}

}  // namespace tarvex
