#pragma once
// The board's emulation memory: what the target sees as its code and external
// data, and what the emulator keeps beside it, in eight hardware banks.
// - Code planes: the target's code. The emulator's system memory is the same
//   memory reached another way, so it has no plane of its own. They come up
//   erased (0xFF), like a blank part.
// - System-high planes: the emulator's second system memory.
// - Select planes: one byte of select flags per code address (breakpoints
//   and their kin); they come up clear.
// - External data: one memory of 64 KB (no banks).
// - Per hardware bank the hook tables: a routine table (256 routines of 4
//   bytes) and the hooks (code address → routine number).
// Bank numbers are taken modulo the eight banks; addresses are 16 bits.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

namespace tarvex::sim {

class EmulationMemory {
public:
    static constexpr std::size_t Banks = 8;
    static constexpr std::size_t PlaneSize = 0x10000;
    static constexpr std::size_t RoutineCount = 256;
    using Routine = std::array<std::uint8_t, 4>;
    using Hooks = std::map<std::uint16_t, std::uint8_t>;

    enum class Plane { Code, SystemHigh, Select };

    std::uint8_t read(Plane plane, std::size_t bank, std::uint16_t address) const {
        return planeOf(plane)[index(bank, address)];
    }
    void write(Plane plane, std::size_t bank, std::uint16_t address, std::uint8_t value) {
        planeOf(plane)[index(bank, address)] = value;
    }

    std::uint8_t code(std::size_t bank, std::uint16_t address) const { return read(Plane::Code, bank, address); }
    void setCode(std::size_t bank, std::uint16_t address, std::uint8_t value) {
        write(Plane::Code, bank, address, value);
    }
    std::uint8_t xdata(std::uint16_t address) const { return xdata_[address]; }
    void setXdata(std::uint16_t address, std::uint8_t value) { xdata_[address] = value; }

    Routine routine(std::size_t bank, std::uint8_t number) const { return routines_[bank % Banks][number]; }
    void setRoutine(std::size_t bank, std::uint8_t number, const Routine& bytes) {
        routines_[bank % Banks][number] = bytes;
    }
    const Hooks& hooks(std::size_t bank) const { return hooks_[bank % Banks]; }
    void setHook(std::size_t bank, std::uint16_t address, std::uint8_t routine) {
        hooks_[bank % Banks][address] = routine;
    }
    // Both tables of the bank empty: no hooks, every routine zero.
    void clearHookTables(std::size_t bank);

private:
    static std::size_t index(std::size_t bank, std::uint16_t address) { return (bank % Banks) * PlaneSize + address; }
    std::vector<std::uint8_t>& planeOf(Plane plane);
    const std::vector<std::uint8_t>& planeOf(Plane plane) const;

    std::vector<std::uint8_t> code_ = std::vector<std::uint8_t>(Banks * PlaneSize, 0xFF);
    std::vector<std::uint8_t> systemHigh_ = std::vector<std::uint8_t>(Banks * PlaneSize, 0);
    std::vector<std::uint8_t> select_ = std::vector<std::uint8_t>(Banks * PlaneSize, 0);
    std::vector<std::uint8_t> xdata_ = std::vector<std::uint8_t>(PlaneSize, 0);
    std::vector<std::array<Routine, RoutineCount>> routines_ = std::vector<std::array<Routine, RoutineCount>>(Banks);
    std::array<Hooks, Banks> hooks_;
};

}  // namespace tarvex::sim
