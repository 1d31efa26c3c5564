#include "sim/flash.hpp"

#include <algorithm>

namespace tarvex::sim {

Flash::Flash(std::uint16_t serialNumber, std::uint8_t hardwareId, std::uint8_t deviceVersion,
             std::array<std::uint8_t, 3> block1Date) {
    for (auto& b : blocks_) {
        b.assign(0x10000, 0xFF);
        b[0x3FF8] = deviceVersion;
        b[0x3FFC] = hardwareId;
        b[0x3FFD] = static_cast<std::uint8_t>(serialNumber >> 8);
        b[0x3FFE] = static_cast<std::uint8_t>(serialNumber);
    }
    std::copy(block1Date.begin(), block1Date.end(), blocks_[1].begin() + 0x3FF9);
}

std::uint8_t Flash::iap(std::uint8_t function, std::uint16_t address, std::uint8_t data, std::uint8_t queryAnswer) {
    auto& b = blocks_[block_];
    switch (function) {
        case 0: return queryAnswer;
        case 1: std::fill_n(b.begin() + (address & 0xE000), 0x2000, std::uint8_t{0xFF}); return 0x00;
        case 2: b[address] = data; return 0x00;
        case 3: return b[address];
        case 6:
            if (address == 1) bootVector_ = data;
            if (address == 2) statusByte_ = data;
            return 0x00;
        case 7: return address == 1 ? statusByte_ : address == 2 ? bootVector_ : 0x00;
        case 8:
            for (auto& whole : blocks_) std::fill(whole.begin(), whole.end(), std::uint8_t{0xFF});
            return 0x00;
        default: return 0x00;
    }
}

void Flash::beginTransfer(std::uint16_t lastAddress) {
    next_ = lastAddress;
    faultActive_ = fault_ && fault_->skip == 0;
    if (fault_ && fault_->skip > 0) --fault_->skip;
}

std::uint8_t Flash::transferByte(std::uint8_t byte, std::size_t index) {
    blocks_[block_][next_] = byte;
    next_ = static_cast<std::uint16_t>(next_ - 1);
    if (fault_ && faultActive_ && fault_->index == index) {
        const std::uint8_t value = fault_->value;
        fault_.reset();
        return value;
    }
    return 0x00;
}

}  // namespace tarvex::sim
