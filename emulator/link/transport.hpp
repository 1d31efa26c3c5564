#pragma once
// One way of reaching the board: the serial port, USB through the D2XX
// library, the parallel port through the port I/O library. The link chooses
// one by its port name and drives it through this interface; what the link
// owns (the session state, the protocol log, the clock, the time-outs) a
// transport reaches through its host.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/errors.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"

namespace tarvex {

// Where the link keeps its settings; the ports' device names are found there too.
inline constexpr const char* LinkRegistryKey = "Software\\Velmont\\VokWin\\7.3";

// What a transport asks of the link it serves.
class TransportHost {
public:
    virtual ~TransportHost() = default;

    virtual void log(std::string_view text) = 0;
    virtual platform::Clock& linkClock() = 0;
    virtual platform::SettingsStore& linkSettings() = 0;
    virtual const std::string& portName() const = 0;
    virtual std::uint16_t portAddress() const = 0;
    virtual bool portExclusive() const = 0;
    virtual std::uint32_t readWriteTimeout() const = 0;
    // The index of the baud rate the board runs at now (0: after its reset).
    virtual std::uint8_t baudIndex() const = 0;

    // Opens the link's handle if it is closed.
    virtual void ensureOpen() = 0;
    // The link's pause between steps of a command (overridable there).
    virtual void pause(std::uint32_t ms) = 0;
    // Whether the board has bytes for us, as the link judges it.
    virtual bool linkBytesAvailable() = 0;
    // Counts a wait for the board in progress.
    virtual void busy(int delta) = 0;
    // The board was reset through its lines: back in its power-on state.
    virtual void boardReset() = 0;
    // A transfer failed: the link is broken until the next start.
    [[noreturn]] void transferFailed(const std::string& message) {
        linkBroken();
        throw EEmulatorTimeoutError(message);
    }
    virtual void linkBroken() = 0;
    // Reset and reopen after a failed transfer, keeping the session.
    virtual void recoverLink() = 0;
    // A failure no reopening mends; returns only when already reported.
    virtual void fatalError() = 0;
};

// The port could not be opened or configured: names the port and the
// system's error code.
[[noreturn]] void throwCommError(const TransportHost& host, int resourceId, int systemCode);

class Transport {
public:
    virtual ~Transport() = default;

    // The library the transport reaches the board through is bound when the
    // transport is chosen and released when another one is.
    virtual void bind() {}
    virtual void release() {}

    virtual void open() = 0;
    virtual void configure() = 0;
    // A new read/write time-out for an open handle.
    virtual void applyTimeouts() {}
    // Read and write open the link's handle first (TransportHost::ensureOpen)
    // when the transport needs one; they return what was transferred before
    // the time-out.
    virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
    virtual std::size_t write(const std::uint8_t* buffer, std::size_t count) = 0;
    virtual bool bytesAvailable() = 0;
    // Drops what the board sent and nobody asked for.
    virtual void purge() = 0;
    virtual void close() = 0;
    // The transport's own part of a recovery (the link reopens afterwards).
    virtual void recover() {}

    // Whether an open is logged with the handle's number; a transport that
    // keeps the session across a recovery is not.
    virtual bool numbersHandles() const { return true; }
    // Configuring the port at the first baud rate resets the board (the
    // serial port's line pulse), so a fresh open leaves it in a known state.
    virtual bool resetsBoardOnConfigure() const { return false; }
    // Whether the link's pauses wait on the clock; the parallel port's
    // handshake paces every byte itself.
    virtual bool pausesOnClock() const { return true; }
    // Runs before the start handshake.
    virtual void prepareStart() {}
    // The board's baud rate can be switched (the serial port only); the tail
    // byte ends the switch at the old rate.
    virtual bool switchesBaudRate() const { return false; }
    virtual void finishBaudSwitch(std::uint8_t /*tail*/) {}
};

}  // namespace tarvex
