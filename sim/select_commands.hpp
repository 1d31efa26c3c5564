#pragma once
// The board's side of the select tables beyond the range command "B": the
// line-number stream that marks line addresses in the qualifier memory and
// the logic-probe truth table of a TARVEX-IV.
#include <array>
#include <cstddef>
#include <cstdint>

#include "sim/emulation_memory.hpp"

namespace tarvex::sim {

class SelectCommands {
public:
    static constexpr std::size_t LogicProbeBytes = 512;

    // "9A m bh bl": the base address takes the bits of m in the select
    // plane of hardware bank hw.
    void lineStart(EmulationMemory& memory, std::size_t hw, std::uint8_t mask, std::uint16_t base);
    // One distance byte of the stream: the address advances and takes the
    // mask. A distance past 0xFFFF is ignored (the address never wraps).
    void lineDistance(EmulationMemory& memory, std::uint8_t distance);

    // Byte `index` of the load as the host sends it (the table complemented).
    void logicProbeByte(std::size_t index, std::uint8_t sent);
    const std::array<std::uint8_t, LogicProbeBytes>& logicProbeTable() const { return probes_; }

private:
    std::size_t hw_ = 0;
    std::uint8_t mask_ = 0;
    std::uint32_t address_ = 0;
    std::array<std::uint8_t, LogicProbeBytes> probes_{};
};

}  // namespace tarvex::sim
