#include "sim/select_commands.hpp"

#include "sim/board.hpp"

namespace tarvex::sim {

using Plane = EmulationMemory::Plane;

void SelectCommands::lineStart(EmulationMemory& memory, std::size_t hw, std::uint8_t mask, std::uint16_t base) {
    hw_ = hw;
    mask_ = mask;
    address_ = base;
    memory.write(Plane::Select, hw_, base, static_cast<std::uint8_t>(memory.read(Plane::Select, hw_, base) | mask_));
}

void SelectCommands::lineDistance(EmulationMemory& memory, std::uint8_t distance) {
    if (address_ + distance > 0xFFFF) return;
    address_ += distance;
    const auto a = static_cast<std::uint16_t>(address_);
    memory.write(Plane::Select, hw_, a, static_cast<std::uint8_t>(memory.read(Plane::Select, hw_, a) | mask_));
}

void SelectCommands::logicProbeByte(std::size_t index, std::uint8_t sent) {
    if (index < probes_.size()) probes_[index] = static_cast<std::uint8_t>(~sent);
}

// ---------------------------------------------------------------- the board's entries

Board::Bytes Board::lineStreamStart(const Bytes& cmd) {
    selectCommands_.lineStart(target_.memory(), hardwareBankLocked(), cmd[1],
                              static_cast<std::uint16_t>(cmd[2] << 8 | cmd[3]));
    return {};
}

// The stream runs until its 00, which the board acknowledges.
Board::Bytes Board::lineStreamData(std::uint8_t byte, std::size_t, bool) {
    if (byte == 0) return {0x00};
    selectCommands_.lineDistance(target_.memory(), byte);
    ++data_->remaining;
    return {};
}

// The board asks for each byte with a 00: the first ends the command.
Board::Bytes Board::logicProbeStart(const Bytes&) { return {0x00}; }

Board::Bytes Board::logicProbeData(std::uint8_t byte, std::size_t index, bool last) {
    selectCommands_.logicProbeByte(index, byte);
    if (last) return {};
    return {0x00};
}

std::array<std::uint8_t, SelectCommands::LogicProbeBytes> Board::logicProbeTable() const {
    std::lock_guard lock(mutex_);
    return selectCommands_.logicProbeTable();
}

}  // namespace tarvex::sim
