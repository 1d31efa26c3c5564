#pragma once
// The trace board as the board simulator plays it: the trace RAM (the
// recorder's ring), its write counter and overflow flag, the real-time
// counter whose value stamps each record, the trace registers in master
// memory, the qualification of what is recorded, and the board-side frame
// search. The register set follows the trace version the firmware gives:
// 0 (codes 11-12; 11-byte records, nibble counter registers), 1 (13-16)
// and 2 (from 17; the "T" counter command and, with the large memory,
// 131,072 records).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/break_logic.hpp"
#include "sim/cpu8051.hpp"
#include "sim/trace_recorder.hpp"

namespace tarvex::sim {

class EmulationMemory;
class MasterMemory;
class MonitorVariables;

class TraceMemory {
public:
    using Bytes = std::vector<std::uint8_t>;
    static constexpr std::size_t Capacity = 32768, LargeCapacity = 131072;
    // Monitor variable 24: the mode byte the monitor runs the trace with.
    static constexpr std::uint16_t ModeVariable = 24;
    static constexpr std::uint8_t OverflowBreakBit = 0x04;

    struct Config {
        unsigned version = 2;
        std::uint8_t frameSize = 12;
        bool largeTrace = true;  // 0xA605 may switch to the large memory
        std::uint32_t crystalHz = 12'000'000;
    };

    // Maps the trace registers into `master`; everything named must outlive
    // this object.
    TraceMemory(MasterMemory& master, const MonitorVariables& variables, const EmulationMemory& memory, Config config);
    TraceMemory(const TraceMemory&) = delete;
    TraceMemory& operator=(const TraceMemory&) = delete;

    TraceRecorder& recorder() { return ring_; }
    const TraceRecorder& recorder() const { return ring_; }
    unsigned version() const { return config_.version; }
    std::size_t capacity() const { return ring_.capacity(); }
    // Nothing is recorded (the mode register's stop, or version 0's).
    bool stopped() const { return stopped_; }

    // "G" and "S": recording is re-armed with the mode byte of variable 24
    // when the trace was stopped; `codeBank` is the executing hardware bank.
    void arm(std::size_t codeBank);
    // One bus cycle of the instruction that began at the real-time counter's
    // present value; ports are P1 and P3 as the target drives them. True
    // when the counter wrapped with the overflow break on: the target halts
    // after this instruction. `codePlace` is where the cycle lies in the
    // code planes.
    bool record(const BusCycle& cycle, const CodeSource& code, std::uint8_t p1, std::uint8_t p3,
                PlaneAddress codePlace);
    // Machine cycles the target ran (the real-time counter).
    void count(unsigned cycles);
    // The logic probes' eight lines each; 0 is inactive (the power-on state).
    void setLogicProbes(std::uint8_t probe1, std::uint8_t probe2);
    // The logic-probe break's condition holds (versions 1, 2).
    bool probeBreak() const;
    // The real-time counter in units of the time base.
    std::uint32_t timeStamp() const;

    // "T 80": b0 = bits 16-23 with the overflow in bit 2, b1, b2.
    Bytes counterRead() const;
    // "T" v23..16 v15..8 v7..0: the counter; bit 18 clears the overflow.
    void counterWrite(std::uint32_t value);
    // "m" as the version sends it (whole command); 2 or 3 answer bytes.
    Bytes search(const Bytes& command) const;

private:
    void mapRegisters();
    // A counter write: the write counter and the real-time counter restart.
    void setCounter(std::uint32_t value);
    std::uint8_t modeByte() const;
    unsigned timeBase() const { return modeByte() & 3; }
    bool rtcStopped() const;
    bool qualifies(const BusCycle& cycle, PlaneAddress codePlace);
    std::uint32_t validCount() const;
    std::uint32_t oldest() const;
    std::uint8_t master(std::uint16_t address) const;

    MasterMemory& master_;
    const MonitorVariables& variables_;
    const EmulationMemory& memory_;
    Config config_;
    TraceRecorder ring_;
    std::size_t codeBank_ = 0;
    bool stopped_ = false;
    // The overflow break stopped the recorder until the next arm.
    bool overflowStop_ = false;
    // The counter value of the last counter write: the oldest record until
    // the counter wraps.
    std::uint32_t start_ = 0;
    std::uint64_t rtcCycles_ = 0;
    // Version 0: the mode byte of 0xA030 (low bits 3 stop the counter) and
    // the time stamp latched while its bit 3 is clear.
    std::uint8_t control0_ = 0;
    std::uint32_t latched_ = 0;
    std::uint8_t probe1_ = 0, probe2_ = 0;
};

}  // namespace tarvex::sim
