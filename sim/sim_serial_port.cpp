#include "sim/sim_serial_port.hpp"

#include <algorithm>

namespace tarvex::sim {

std::size_t SimSerialPort::read(std::uint8_t* buffer, std::size_t count) {
    const std::uint64_t start = clock_.monotonicMs();
    const std::uint64_t end =
        start + static_cast<std::uint64_t>(timeouts_.readTotalMultiplier) * count + timeouts_.readTotalConstant;
    std::size_t done = 0;
    std::uint64_t lastByte = start;
    while (done < count) {
        const std::size_t got = board_.read(buffer + done, count - done);
        if (got > 0) {
            done += got;
            lastByte = clock_.monotonicMs();
        }
        if (done == count) break;
        std::uint64_t limit = end;
        if (done > 0 && timeouts_.readInterval != 0) limit = std::min(limit, lastByte + timeouts_.readInterval);
        const std::uint64_t now = clock_.monotonicMs();
        const auto next = board_.nextReadyAt();
        if (!next || *next > limit) {
            // Nothing more comes in time: the read waits its time out.
            if (limit > now) clock_.sleepMs(static_cast<std::uint32_t>(limit - now));
            break;
        }
        if (*next > now) clock_.sleepMs(static_cast<std::uint32_t>(*next - now));
    }
    return done;
}

std::size_t SimSerialPort::write(const std::uint8_t* buffer, std::size_t count) {
    board_.receive(buffer, count, baud_);
    return count;
}

platform::SerialPortOpener SimSerialPort::opener(Board& board, platform::Clock& clock) {
    return [&board, &clock](const std::string&) -> std::unique_ptr<platform::SerialPort> {
        return std::make_unique<SimSerialPort>(board, clock);
    };
}

}  // namespace tarvex::sim
