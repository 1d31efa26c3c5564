#pragma once
// The board's break logic: whether a bus cycle of the running target halts
// it. It works only on what the driver put on the board: the select plane
// (one qualifier byte per code address, a bit per select kind), the
// register block at master 0x7BF0 (channel cycle codes, break mode,
// counters) and the break data image at master 0xF200 (a bit per channel for
// each data value). Triggers, the filter switch and the trigger counter are
// not simulated.
#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/cpu8051.hpp"

namespace tarvex::sim {

class EmulationMemory;
class MasterMemory;

// Where a bus cycle finds its qualifier byte in the code planes.
struct PlaneAddress {
    std::size_t bank = 0;
    std::uint16_t address = 0;
};

class BreakLogic {
public:
    static constexpr std::uint16_t RegisterBlock = 0x7BF0;
    static constexpr std::uint16_t BreakDataImage = 0xF200;
    // The qualifier bit of a LINE NUMBER address.
    static constexpr std::uint8_t LineBit = 0x80;
    // External data qualifiers of their own live in this hardware bank.
    static constexpr std::size_t DataBank = 7;

    BreakLogic(const MasterMemory& master, const EmulationMemory& memory) : master_(master), memory_(memory) {}

    // "G" and "S": the counters from the register block, nothing fired yet;
    // `codeBank` is the hardware bank the target executes from.
    void arm(std::size_t codeBank);
    // The opcode fetch of the instruction about to run: true when the target
    // halts before it.
    bool opcodeHalts(std::uint16_t address, std::uint8_t opcode);
    // Any other bus cycle (opcode fetches are given to opcodeHalts): true
    // when the target halts after the instruction that made it. `codePlace`
    // is where the cycle lies in the code planes.
    bool cycleHalts(const BusCycle& cycle, PlaneAddress codePlace);

private:
    struct Channel {
        std::uint8_t bit = 0;        // the channel's qualifier bit
        std::uint8_t code = 7;       // cycle code, bits 0-2 of its register
        std::uint32_t start = 0;     // the two's complement of the count
        std::uint32_t count = 0;     // counts up from start
        std::uint32_t limit = 0;     // the counter's range; 0: fires on every hit
        bool fired = false;          // since the arm
    };
    // The channels in the order of their register bytes: kinds 10, 12, 11, 13.
    enum { Kind10, Kind12, Kind11, Kind13 };

    bool hits(const Channel& c, const BusCycle& cycle, std::uint8_t qualifier) const;
    // Counts the hits of one cycle and applies the break mode.
    bool evaluate(const BusCycle& cycle, std::uint8_t qualifier);
    std::uint8_t reg(std::size_t i) const;

    const MasterMemory& master_;
    const EmulationMemory& memory_;
    std::array<Channel, 4> channels_{};
    std::uint8_t mode_ = 7;
    std::size_t codeBank_ = 0;
};

}  // namespace tarvex::sim
