#pragma once
// The target system the board emulates, as memory commands and (later) the
// CPU share it: the emulation memory (code in eight hardware banks of 64 KB,
// external data, and what the emulator keeps beside them), the 256 bytes of
// internal RAM, the special function registers and the target's reset line.
// The internal RAM is also master memory 0x7A00-0x7AFF, where the monitor
// keeps the stopped target's registers.
#include <array>
#include <cstdint>
#include <span>

#include "sim/emulation_memory.hpp"

namespace tarvex::sim {

class Target {
public:
    Target();

    EmulationMemory& memory() { return memory_; }
    const EmulationMemory& memory() const { return memory_; }
    std::size_t codeBanks() const { return EmulationMemory::Banks; }
    // The code planes of the hardware banks; bank numbers wrap at eight.
    std::uint8_t code(std::size_t bank, std::uint16_t address) const { return memory_.code(bank, address); }
    void setCode(std::size_t bank, std::uint16_t address, std::uint8_t value) { memory_.setCode(bank, address, value); }
    std::uint8_t xdata(std::uint16_t address) const { return memory_.xdata(address); }
    void setXdata(std::uint16_t address, std::uint8_t value) { memory_.setXdata(address, value); }
    // Internal RAM, 0x00-0xFF (the upper half reached indirectly).
    std::uint8_t idata(std::uint8_t address) const { return idata_[address]; }
    void setIdata(std::uint8_t address, std::uint8_t value) { idata_[address] = value; }
    std::span<std::uint8_t> idataMemory() { return idata_; }
    std::span<std::uint8_t, 256> idataCells() { return idata_; }
    // Special function registers, 0x80-0xFF (direct addresses).
    std::uint8_t sfr(std::uint8_t address) const { return sfr_[address & 0x7F]; }
    void setSfr(std::uint8_t address, std::uint8_t value) { sfr_[address & 0x7F] = value; }
    // The SFR file as the CPU works on it (index = address - 0x80).
    std::span<std::uint8_t, 128> sfrCells() { return sfr_; }
    // The values after a reset of the 8051: the ports P0-P3 0xFF, SP 0x07,
    // every other register 0.
    void resetSfrs();

    // The external reset the link holds the target in (master register 0xF500).
    bool resetHeld() const { return resetHeld_; }
    void setResetHeld(bool on) { resetHeld_ = on; }

private:
    EmulationMemory memory_;
    std::array<std::uint8_t, 256> idata_{};
    std::array<std::uint8_t, 128> sfr_{};
    bool resetHeld_ = false;
};

}  // namespace tarvex::sim
