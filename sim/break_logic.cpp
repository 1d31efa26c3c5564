#include "sim/break_logic.hpp"

#include "sim/emulation_memory.hpp"
#include "sim/master_memory.hpp"

namespace tarvex::sim {

namespace {

enum Code : std::uint8_t { Read = 1, Write = 2, ReadWrite = 3, Program = 4, Opcode = 5, LineNumber = 6 };
// Register bytes of the block.
constexpr std::size_t ModeByte = 4, CounterHigh = 7, Chaining = 8, CounterLow = 9, CounterMid = 10;
enum Mode : std::uint8_t { Mode10, Mode12, ModeEither, ModeBoth, Mode10After12, Mode12After10, ModeLineStep };

}  // namespace

std::uint8_t BreakLogic::reg(std::size_t i) const {
    return master_.peek(static_cast<std::uint16_t>(RegisterBlock + i));
}

void BreakLogic::arm(std::size_t codeBank) {
    codeBank_ = codeBank;
    static constexpr std::uint8_t Bits[4] = {0x01, 0x02, 0x04, 0x08};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        channels_[i] = Channel{};
        channels_[i].bit = Bits[i];
        channels_[i].code = reg(i) & 7;
    }
    mode_ = reg(ModeByte) & 7;
    // The counters hold the two's complement of their counts. Chaining 1
    // makes kind 10's counter 16 bits wide over bytes 9 and 10, chaining 3
    // 24 bits over 9, 10 and 7; a channel whose byte went to kind 10 fires
    // on every hit, as kind 13 always does.
    const std::uint8_t chaining = reg(Chaining) & 3;
    auto load = [](Channel& c, std::uint32_t value, std::uint32_t limit) {
        c.start = c.count = value;
        c.limit = limit;
    };
    if (chaining == 3) {
        load(channels_[Kind10],
             static_cast<std::uint32_t>(reg(CounterHigh)) << 16 | static_cast<std::uint32_t>(reg(CounterMid)) << 8 |
                 reg(CounterLow),
             0x1000000);
    } else if (chaining == 1) {
        load(channels_[Kind10], static_cast<std::uint32_t>(reg(CounterMid)) << 8 | reg(CounterLow), 0x10000);
        load(channels_[Kind11], reg(CounterHigh), 0x100);
    } else {
        load(channels_[Kind10], reg(CounterLow), 0x100);
        load(channels_[Kind12], reg(CounterMid), 0x100);
        load(channels_[Kind11], reg(CounterHigh), 0x100);
    }
}

bool BreakLogic::hits(const Channel& c, const BusCycle& cycle, std::uint8_t qualifier) const {
    if ((qualifier & c.bit) == 0) return false;
    switch (c.code) {
        case Opcode: return cycle.kind == BusCycleKind::Opcode;
        case LineNumber: return cycle.kind == BusCycleKind::Opcode && (qualifier & LineBit) != 0;
        case Program: return cycle.kind == BusCycleKind::Opcode || cycle.kind == BusCycleKind::Fetch;
        case Read: return cycle.kind == BusCycleKind::Read;
        case Write: return cycle.kind == BusCycleKind::Write;
        case ReadWrite: return cycle.kind == BusCycleKind::Read || cycle.kind == BusCycleKind::Write;
        default: return false;
    }
}

bool BreakLogic::evaluate(const BusCycle& cycle, std::uint8_t qualifier) {
    const std::uint8_t data = master_.peek(static_cast<std::uint16_t>(BreakDataImage + cycle.data));
    bool firesNow[4] = {};
    for (std::size_t i = 0; i < channels_.size(); ++i) {
        Channel& c = channels_[i];
        if ((data & c.bit) == 0 || !hits(c, cycle, qualifier)) continue;
        if (c.limit == 0) {
            firesNow[i] = true;
        } else if (++c.count >= c.limit) {
            c.count = c.start;
            firesNow[i] = true;
        }
        if (firesNow[i]) c.fired = true;
    }
    const bool f10 = firesNow[Kind10], f12 = firesNow[Kind12];
    switch (mode_) {
        case Mode10: return f10;
        case Mode12: return f12;
        case ModeEither: return f10 || f12;
        case ModeBoth: return (f10 || f12) && channels_[Kind10].fired && channels_[Kind12].fired;
        case Mode10After12: return f10 && channels_[Kind12].fired;
        case Mode12After10: return f12 && channels_[Kind10].fired;
        default: return false;
    }
}

bool BreakLogic::opcodeHalts(std::uint16_t address, std::uint8_t opcode) {
    const std::uint8_t qualifier = memory_.read(EmulationMemory::Plane::Select, codeBank_, address);
    if (mode_ == ModeLineStep) return (qualifier & LineBit) != 0;
    return evaluate(BusCycle{BusCycleKind::Opcode, address, opcode}, qualifier);
}

bool BreakLogic::cycleHalts(const BusCycle& cycle, PlaneAddress codePlace) {
    if (cycle.kind == BusCycleKind::Opcode || mode_ == ModeLineStep) return false;
    std::uint8_t qualifier = memory_.read(EmulationMemory::Plane::Select, codePlace.bank, codePlace.address);
    // Data cycles find their qualifiers in the data bank or the code's bank,
    // whichever layout the driver chose.
    if (cycle.kind != BusCycleKind::Fetch)
        qualifier |= memory_.read(EmulationMemory::Plane::Select, DataBank, cycle.address);
    return evaluate(cycle, qualifier);
}

}  // namespace tarvex::sim
