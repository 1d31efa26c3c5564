#include "sim/lpt_port.hpp"

namespace tarvex::sim {

namespace {
constexpr std::uint8_t Strobe = 0x01, AutoFeed = 0x02;
}

LptPort& LptPort::instance() {
    static LptPort port;
    return port;
}

Board& LptPort::attach(platform::Clock& clock, BoardConfig config) {
    std::lock_guard lock(mutex_);
    board_ = std::make_unique<Board>(clock, std::move(config));
    acknowledging_ = handingOver_ = deaf_ = false;
    control_ = 0;
    return *board_;
}

void LptPort::detach() {
    std::lock_guard lock(mutex_);
    board_.reset();
}

Board* LptPort::board() {
    std::lock_guard lock(mutex_);
    return board_.get();
}

void LptPort::setBase(std::uint16_t base) {
    std::lock_guard lock(mutex_);
    base_ = base;
}

void LptPort::setDeaf(bool on) {
    std::lock_guard lock(mutex_);
    deaf_ = on;
}

std::uint8_t LptPort::ecr() const {
    std::lock_guard lock(mutex_);
    return ecr_;
}

void LptPort::portOut(std::uint16_t port, std::uint8_t value) {
    std::lock_guard lock(mutex_);
    if (port == base_) {
        data_ = value;
    } else if (port == base_ + 2) {
        const std::uint8_t before = control_;
        control_ = value;
        if (!board_) return;
        if ((value & Strobe) && !(before & Strobe) && !deaf_) {
            board_->receive(&data_, 1);
            acknowledging_ = true;
        } else if (!(value & Strobe) && acknowledging_) {
            acknowledging_ = false;
        }
        if ((value & AutoFeed) && !(before & AutoFeed)) {
            std::uint8_t taken = 0;
            if (board_->read(&taken, 1) == 1) handingOver_ = true;
        } else if (!(value & AutoFeed)) {
            handingOver_ = false;
        }
    } else if (port == base_ + 0x402) {
        ecr_ = value;
    }
}

std::uint8_t LptPort::portIn(std::uint16_t port) {
    std::lock_guard lock(mutex_);
    if (!board_) return 0;
    if (port == base_ + 1) {
        std::uint8_t status = 0;
        if (!acknowledging_) status |= 0x40;
        if (!handingOver_ && board_->available() > 0) status |= 0x80;
        return status;
    }
    if (port == base_) {
        std::uint8_t next = 0;
        // Peek: the byte leaves the board only when the host acknowledges.
        if (board_->available() > 0) next = board_->peek();
        return next;
    }
    if (port == base_ + 2) return control_;
    if (port == base_ + 0x402) return ecr_;
    return 0xFF;
}

}  // namespace tarvex::sim
