#pragma once
// The board's side of the parallel-port link, at register level: what the
// port I/O library's PortOut/PortIn reach. A strobe hands the data byte to
// the board, which acknowledges on status bit 6; a byte the board offers
// shows on status bit 7 until the host acknowledges it with AUTOFD.
#include <cstdint>
#include <memory>
#include <mutex>

#include "sim/board.hpp"

namespace tarvex::sim {

class LptPort {
public:
    // A fresh board behind the port, on the given clock.
    Board& attach(platform::Clock& clock, BoardConfig config = {});
    void detach();
    Board* board();
    void setBase(std::uint16_t base);
    // The board stops acknowledging strobes.
    void setDeaf(bool on);
    std::uint8_t ecr() const;

    void portOut(std::uint16_t port, std::uint8_t value);
    std::uint8_t portIn(std::uint16_t port);

    // The port of the stand-in io library loaded in this process.
    static LptPort& instance();

private:
    mutable std::mutex mutex_;
    std::unique_ptr<Board> board_;
    std::uint16_t base_ = 0x378;
    std::uint8_t data_ = 0;
    std::uint8_t control_ = 0;
    std::uint8_t ecr_ = 0;
    bool acknowledging_ = false;  // status bit 6 low
    bool handingOver_ = false;    // the host took the offered byte
    bool deaf_ = false;
};

}  // namespace tarvex::sim
