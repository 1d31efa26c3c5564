#include "sim/trace_memory.hpp"

#include "sim/break_logic.hpp"
#include "sim/emulation_memory.hpp"
#include "sim/master_memory.hpp"
#include "sim/monitor_variables.hpp"

namespace tarvex::sim {

namespace {

// Register block bytes that steer the recorder.
constexpr std::uint16_t ControlByte1 = BreakLogic::RegisterBlock + 11, ControlByte2 = BreakLogic::RegisterBlock + 12;
// Qualifier bits of the trace kinds 14, 15, 16.
constexpr std::uint8_t Kind14 = 0x10, Kind15 = 0x20, Kind16 = 0x40;
// Status byte: bit 7 probe 1 and bit 4 probe 2 (set: inactive), bits 5-6
// the cycle kind.
constexpr std::uint8_t Probe1Inactive = 0x80, Probe2Inactive = 0x10;
// The mode register's stop bit (versions 1, 2).
constexpr std::uint8_t ModeStop = 0x20;

// Version 0 registers.
constexpr std::uint16_t TimeStamp0 = 0xA011, TraceStop0 = 0xA01A, Counter0 = 0xA020, Marker0Data = 0xA028,
                        Marker0Status = 0xA02C, Control0 = 0xA030;
// Versions 1 and 2.
constexpr std::uint16_t ProbeValue2 = 0xA010, ProbeValue1 = 0xA020, ProbeMask2 = 0xA040, ProbeMask1 = 0xA080,
                        ModeRegister = 0xA440, RunningStamp = 0xA48C, Counter1 = 0xA600, Overflow1 = 0xA604,
                        LargeSwitch = 0xA605;

std::uint8_t nibble(std::uint32_t value, unsigned n) { return static_cast<std::uint8_t>((value >> (4 * n)) & 0x0F); }

}  // namespace

TraceMemory::TraceMemory(MasterMemory& master, const MonitorVariables& variables, const EmulationMemory& memory,
                         Config config)
    : master_(master), variables_(variables), memory_(memory), config_(config), ring_(config.frameSize, Capacity) {
    if (config_.crystalHz == 0) config_.crystalHz = 12'000'000;
    mapRegisters();
}

std::uint8_t TraceMemory::master(std::uint16_t address) const { return master_.peek(address); }

void TraceMemory::mapRegisters() {
    if (config_.version == 0) {
        // The counter in four nibble registers: written 0xA026 ... 0xA020,
        // the write of 0xA020 takes them; read at the odd addresses above.
        master_.map(Counter0, nullptr, [this](std::uint8_t) {
            setCounter(static_cast<std::uint32_t>(nibble(master(0xA026), 0)) << 12 |
                       static_cast<std::uint32_t>(nibble(master(0xA024), 0)) << 8 |
                       static_cast<std::uint32_t>(nibble(master(0xA022), 0)) << 4 | nibble(master(Counter0), 0));
        });
        for (unsigned n = 0; n < 4; ++n)
            master_.map(static_cast<std::uint16_t>(Counter0 + 1 + 2 * n),
                        [this, n](std::uint8_t) { return nibble(ring_.counter(), n); }, nullptr);
        for (unsigned n = 0; n < 4; ++n)
            master_.map(static_cast<std::uint16_t>(TimeStamp0 + 2 * n),
                        [this, n](std::uint8_t) { return static_cast<std::uint8_t>(latched_ >> (8 * n)); }, nullptr);
        master_.map(TraceStop0, nullptr, [this](std::uint8_t) { stopped_ = true; });
        // The marker: data and status byte of the record at the counter.
        master_.map(Marker0Data, nullptr, [this](std::uint8_t v) { ring_.setByteAt(ring_.counter(), 1, v); });
        master_.map(Marker0Status, nullptr, [this](std::uint8_t v) { ring_.setByteAt(ring_.counter(), 0, v); });
        master_.map(Control0, nullptr, [this](std::uint8_t v) {
            control0_ = v;
            if ((v & 0x08) == 0) latched_ = timeStamp();
        });
        return;
    }
    master_.map(ModeRegister, nullptr, [this](std::uint8_t v) {
        stopped_ = (v & ModeStop) != 0;
        if (stopped_) rtcCycles_ = 0;
    });
    for (unsigned i = 0; i < 7; ++i)
        master_.map(static_cast<std::uint16_t>(RunningStamp + i),
                    [this, i](std::uint8_t) {
                        return i % 2 ? std::uint8_t{0} : static_cast<std::uint8_t>(timeStamp() >> (4 * i));
                    },
                    nullptr);
    if (config_.version == 1) {
        master_.map(Counter1, [this](std::uint8_t) { return nibble(ring_.counter(), 0); }, [this](std::uint8_t v) {
            setCounter(static_cast<std::uint32_t>(nibble(master(Counter1 + 3), 0)) << 12 |
                       static_cast<std::uint32_t>(nibble(master(Counter1 + 2), 0)) << 8 |
                       static_cast<std::uint32_t>(nibble(master(Counter1 + 1), 0)) << 4 | nibble(v, 0));
        });
        for (unsigned n = 1; n < 4; ++n)
            master_.map(static_cast<std::uint16_t>(Counter1 + n),
                        [this, n](std::uint8_t) { return nibble(ring_.counter(), n); }, nullptr);
        master_.map(Overflow1,
                    [this](std::uint8_t stored) {
                        return static_cast<std::uint8_t>((stored & ~0x04) | (ring_.overflow() ? 0x04 : 0));
                    },
                    [this](std::uint8_t v) { ring_.setOverflow((v & 0x04) != 0); });
    }
    if (config_.version == 2)
        master_.map(LargeSwitch, nullptr, [this](std::uint8_t v) {
            ring_.setCapacity(v == 1 && config_.largeTrace ? LargeCapacity : Capacity);
        });
}

std::uint8_t TraceMemory::modeByte() const {
    return config_.version == 0 ? variables_.get(ModeVariable) : master(ModeRegister);
}

bool TraceMemory::rtcStopped() const {
    if (config_.version == 0) return (control0_ & 3) == 3;
    return timeBase() == 3;
}

void TraceMemory::setCounter(std::uint32_t value) {
    ring_.setCounter(value & static_cast<std::uint32_t>(ring_.capacity() - 1));
    start_ = ring_.counter();
    rtcCycles_ = 0;
    if (config_.version == 0) {
        stopped_ = false;
        ring_.setOverflow(false);
        control0_ = 0;
    }
}

void TraceMemory::arm(std::size_t codeBank) {
    codeBank_ = codeBank;
    overflowStop_ = false;
    // Version 0's stop lasts until the next counter write.
    if (!stopped_ || config_.version == 0) return;
    stopped_ = false;
    rtcCycles_ = 0;
    if (config_.version != 0) master_.poke(ModeRegister, variables_.get(ModeVariable));
}

void TraceMemory::count(unsigned cycles) {
    if (!rtcStopped()) rtcCycles_ += cycles;
}

std::uint32_t TraceMemory::timeStamp() const {
    // Units per second of the time base: 0.1 us, 1 us, 10 us.
    static constexpr std::uint64_t Units[4] = {10'000'000, 1'000'000, 100'000, 100'000};
    const std::uint64_t perCycle = 12 * Units[timeBase()];
    const std::uint64_t hz = config_.crystalHz;
    return static_cast<std::uint32_t>(rtcCycles_ / hz * perCycle + rtcCycles_ % hz * perCycle / hz);
}

void TraceMemory::setLogicProbes(std::uint8_t probe1, std::uint8_t probe2) {
    probe1_ = probe1;
    probe2_ = probe2;
}

bool TraceMemory::probeBreak() const {
    if (config_.version == 0) return false;
    const std::uint8_t m1 = master(ProbeMask1), m2 = master(ProbeMask2);
    if ((m1 | m2) == 0) return false;
    return ((probe1_ ^ master(ProbeValue1)) & m1) == 0 && ((probe2_ ^ master(ProbeValue2)) & m2) == 0;
}

// Trace code mode (control byte 2 bits 0-1): 3 everything; 1 OPCODE and 2
// LINE NUMBER opcode frames, 0 PROGRAM opcode and fetch frames, at addresses
// with a code trace bit; data frames by kinds 15 and 16 with their data
// cycles. A frame also needs one of its qualifying kinds' bits in the break
// data image at its data byte.
bool TraceMemory::qualifies(const BusCycle& cycle, PlaneAddress codePlace) {
    const std::uint8_t codeMode = master(ControlByte2) & 3;
    if (codeMode == 3) return true;
    const std::uint8_t control = master(ControlByte1);
    const auto read = [this](std::size_t bank, std::uint16_t a) {
        return memory_.read(EmulationMemory::Plane::Select, bank, a);
    };
    std::uint8_t kinds = 0;
    if (cycle.kind == BusCycleKind::Opcode || cycle.kind == BusCycleKind::Fetch) {
        if (cycle.kind == BusCycleKind::Fetch && codeMode != 0) return false;
        std::uint8_t codeBits = Kind14;
        if ((control & 0x03) == 0) codeBits |= Kind15;
        if ((control & 0x30) == 0) codeBits |= Kind16;
        const std::uint8_t q = read(codeBank_, cycle.address);
        if (codeMode == 2 && (q & BreakLogic::LineBit) == 0) return false;
        kinds = q & codeBits;
    } else {
        const bool isRead = cycle.kind == BusCycleKind::Read;
        const std::uint8_t q = read(codePlace.bank, codePlace.address) | read(BreakLogic::DataBank, cycle.address);
        if ((control & (isRead ? 0x02 : 0x01)) != 0) kinds |= q & Kind15;
        if ((control & (isRead ? 0x20 : 0x10)) != 0) kinds |= q & Kind16;
    }
    return (kinds & master(static_cast<std::uint16_t>(BreakLogic::BreakDataImage + cycle.data))) != 0;
}

bool TraceMemory::record(const BusCycle& cycle, const CodeSource& code, std::uint8_t p1, std::uint8_t p3,
                         PlaneAddress codePlace) {
    if (stopped_ || overflowStop_ || !qualifies(cycle, codePlace)) return false;
    const bool wide = config_.frameSize >= 12;
    std::uint8_t status = static_cast<std::uint8_t>(static_cast<unsigned>(cycle.kind) << 5);
    if (probe1_ == 0) status |= Probe1Inactive;
    if (probe2_ == 0) status |= Probe2Inactive;
    if (!wide) status = static_cast<std::uint8_t>((status & 0xF0) | (p3 & 0x0F));
    std::uint8_t frame[12];
    std::size_t n = 0;
    frame[n++] = status;
    frame[n++] = cycle.data;
    frame[n++] = static_cast<std::uint8_t>(cycle.address >> 8);
    frame[n++] = static_cast<std::uint8_t>(cycle.address);
    frame[n++] = p1;
    if (wide) frame[n++] = p3;
    const std::uint32_t stamp = timeStamp();
    for (int shift = 24; shift >= 0; shift -= 8) frame[n++] = static_cast<std::uint8_t>(stamp >> shift);
    const bool opcode = cycle.kind == BusCycleKind::Opcode;
    frame[n++] = opcode ? code.code(static_cast<std::uint16_t>(cycle.address + 1)) : 0;
    frame[n++] = opcode ? code.code(static_cast<std::uint16_t>(cycle.address + 2)) : 0;
    ring_.record(frame, n);
    if (ring_.counter() < ring_.capacity()) return false;
    // The counter runs modulo the memory.
    ring_.setCounter(0);
    ring_.setOverflow(true);
    if ((variables_.get(ModeVariable) & OverflowBreakBit) == 0) return false;
    overflowStop_ = true;
    return true;
}

TraceMemory::Bytes TraceMemory::counterRead() const {
    const std::uint32_t c = ring_.counter();
    return {static_cast<std::uint8_t>(((c >> 16) & 0xFB) | (ring_.overflow() ? 0x04 : 0)),
            static_cast<std::uint8_t>(c >> 8), static_cast<std::uint8_t>(c)};
}

void TraceMemory::counterWrite(std::uint32_t value) {
    setCounter(value);
    if (value & 0x40000) ring_.setOverflow(false);
}

std::uint32_t TraceMemory::validCount() const {
    if (ring_.overflow()) return static_cast<std::uint32_t>(ring_.capacity());
    return (ring_.counter() - start_) & static_cast<std::uint32_t>(ring_.capacity() - 1);
}

std::uint32_t TraceMemory::oldest() const { return ring_.overflow() ? ring_.counter() : start_; }

TraceMemory::Bytes TraceMemory::search(const Bytes& cmd) const {
    // After "m": the start index (2 or 3 bytes), then q1 q7 q6 q9 q8 q4 q5,
    // (versions 1, 2) q14 q15, then q12 q13 q10 q11.
    const bool wideIndex = config_.version == 2;
    std::size_t i = 1;
    std::uint32_t h = 0;
    for (std::size_t k = 0; k < (wideIndex ? 3u : 2u); ++k) h = h << 8 | cmd[i++];
    const bool forward = cmd[i++] == 1;
    const unsigned from = static_cast<unsigned>(cmd[i] << 8 | cmd[i + 1]);
    const unsigned to = static_cast<unsigned>(cmd[i + 2] << 8 | cmd[i + 3]);
    i += 4;
    const std::uint8_t statusMask = cmd[i], statusValue = cmd[i + 1];
    i += 2;
    std::uint8_t portMask = 0, portValue = 0;
    if (config_.version != 0) {
        portMask = cmd[i];
        portValue = cmd[i + 1];
        i += 2;
    }
    const std::uint8_t dataMask = cmd[i], dataValue = cmd[i + 1];
    const std::uint32_t mask = static_cast<std::uint32_t>(ring_.capacity() - 1);
    const std::uint32_t count = validCount(), first = oldest();
    std::uint32_t found = wideIndex ? 0xFFFFFF : 0xFFFF;
    h &= mask;
    for (std::uint32_t pos = (h - first) & mask; pos < count; pos = forward ? pos + 1 : pos - 1) {
        const std::uint32_t at = (first + pos) & mask;
        const unsigned address = static_cast<unsigned>(ring_.byteAt(at, 2) << 8 | ring_.byteAt(at, 3));
        if ((ring_.byteAt(at, 0) & statusMask) == statusValue && address >= from && address <= to &&
            (ring_.byteAt(at, 1) & dataMask) == dataValue &&
            (config_.version == 0 || (ring_.byteAt(at, 5) & portMask) == portValue)) {
            found = at;
            break;
        }
    }
    if (wideIndex)
        return {static_cast<std::uint8_t>(found >> 8), static_cast<std::uint8_t>(found),
                static_cast<std::uint8_t>(found >> 16)};
    return {static_cast<std::uint8_t>(found >> 8), static_cast<std::uint8_t>(found)};
}

}  // namespace tarvex::sim
