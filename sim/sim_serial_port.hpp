#pragma once
// The board simulator behind the serial-port interface, in the same
// process: what the link writes goes to the board at once, and a read that
// finds no answer waits on the injected clock, so a fake clock plays "no
// answer yet" and "no answer at all" without real delay.
#include <memory>

#include "platform/serial_port.hpp"
#include "sim/board.hpp"

namespace tarvex::sim {

class SimSerialPort final : public platform::SerialPort {
public:
    SimSerialPort(Board& board, platform::Clock& clock) : board_(board), clock_(clock) {}

    void configure(std::uint32_t baud) override { baud_ = baud; }
    void setTimeouts(const platform::SerialTimeouts& timeouts) override { timeouts_ = timeouts; }
    void setRts(bool on) override {
        rts_ = on;
        board_.setLines(rts_, dtr_);
    }
    void setDtr(bool on) override {
        dtr_ = on;
        board_.setLines(rts_, dtr_);
    }
    std::size_t read(std::uint8_t* buffer, std::size_t count) override;
    std::size_t write(const std::uint8_t* buffer, std::size_t count) override;
    std::size_t inputQueued() override { return board_.available(); }
    void purgeInput() override { board_.purgeOutput(); }

    std::uint32_t baud() const { return baud_; }

    // An opener for the link that hands out ports on this board.
    static platform::SerialPortOpener opener(Board& board, platform::Clock& clock);

private:
    Board& board_;
    platform::Clock& clock_;
    platform::SerialTimeouts timeouts_{};
    std::uint32_t baud_ = 9600;
    bool rts_ = true, dtr_ = true;
};

}  // namespace tarvex::sim
