#pragma once
// The target's run state on the board: the 8051 core working on the board's
// memories, started by "G" and "S", stopped by "I", "i", "Z", the break
// logic and the trace overflow. No thread runs the CPU: the board owes it
// machine cycles by its clock (crystal / 12 per second) and runs them
// lazily, when it is asked and has nothing else to do. While the target is
// halted nothing runs and the real-time counter stands still.
//
// The CPU's SFRs are the target's SFR file (which "DS"/"PS" reach), its
// internal RAM is master 0x7A00-0x7AFF. At a halt the monitor puts the
// saved SFRs and the PC into their save cells; at "G" and "S" it takes them
// back, so that what the driver wrote there while the target was stopped
// takes effect.
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/break_logic.hpp"
#include "sim/cpu8051.hpp"

namespace tarvex::sim {

// The target's bank line A15 of 32 KB code windows (banking modes 5-8): the
// port pin that puts the selected bank's window in the upper (high) or
// lower half of its hardware bank.
struct WindowLine {
    unsigned port = 1;
    std::uint8_t bit = 3;
};

class EmulationMemory;
class Monitor;
class Target;
class TraceMemory;

class RunModel final : private BusObserver {
public:
    using Bytes = std::vector<std::uint8_t>;

    RunModel(Target& target, Monitor& monitor, BreakLogic& breaks, TraceMemory& trace, std::uint32_t crystalHz);
    RunModel(const RunModel&) = delete;
    RunModel& operator=(const RunModel&) = delete;

    bool running() const { return running_; }
    bool flyingTrace() const { return flying_; }
    const Cpu8051& cpu() const { return cpu_; }
    void setPortPins(unsigned port, std::uint8_t value) { cpu_.setPortPins(port, value); }

    // With a window line the target has 32 KB code windows, and its data
    // cycles find their qualifiers through them (see dataPlace).
    void setWindowLine(std::optional<WindowLine> line) { windowLine_ = line; }

    // "G": the target runs from the PC of the save cells in the hardware
    // bank of `control` (master 0xF400), owing cycles from `nowMs` on.
    // Ignored while it runs.
    void go(std::uint64_t nowMs, std::uint8_t control);
    // "S": one instruction; answers status 0x00 and the register string.
    Bytes step(std::uint8_t control);
    // "I" (hard: "i"): halts at the instruction boundary and answers like a
    // halt; empty while the target is halted (there is nothing to answer).
    std::optional<Bytes> stop(bool hard);
    // "Z": the CPU reset; the target stays halted at 0x0000.
    void resetCpu();
    // A reset of the board: the target stops, nothing is answered.
    void haltQuietly() { running_ = false; }
    // "o".
    void toggleFlyingTrace() { flying_ = !flying_; }

    // Runs what the clock owes up to `nowMs`; the halt answer (stop byte and
    // register string) when the target halted meanwhile.
    std::optional<Bytes> catchUp(std::uint64_t nowMs);
    // Runs at least `cycles` machine cycles of the running target now,
    // whatever the clock says (stops early at a halt).
    std::optional<Bytes> runCycles(std::uint64_t cycles);

    // Faults for tests.
    void failNextHalt() { abnormalHalt_ = true; }              // answers 0xFF alone
    void clearHaltFault() { abnormalHalt_ = false; }
    void setStopRefused(bool on) { stopRefused_ = on; }        // "I" answers 0x01
    void setHardStopRefused(bool on) { hardStopRefused_ = on; }  // "i" answers 0x01
    void setNeverHalts(bool on) { neverHalts_ = on; }          // no halt by itself

private:
    class BankCode final : public CodeSource {
    public:
        explicit BankCode(const EmulationMemory& memory) : memory_(memory) {}
        std::uint8_t code(std::uint16_t address) const override;
        std::size_t bank = 0;

    private:
        const EmulationMemory& memory_;
    };
    class Xdata final : public ExternalData {
    public:
        explicit Xdata(EmulationMemory& memory) : memory_(memory) {}
        std::uint8_t xdata(std::uint16_t address) const override;
        void setXdata(std::uint16_t address, std::uint8_t value) override;

    private:
        EmulationMemory& memory_;
    };

    void cycle(const BusCycle& cycle) override;
    // Loads the CPU from the save cells and arms breaks and trace.
    void start(std::uint8_t control);
    // A port line as the probe sees it: the latch AND the pins.
    std::uint8_t portLine(unsigned port) const;
    // Where a data cycle lies in the code planes: at its own address in the
    // executing hardware bank, or through the 32 KB windows: below 0x8000
    // the common area of bank 0's hardware bank, above it the selected
    // bank's window, in the lower half of its hardware bank while the
    // window line is low.
    PlaneAddress dataPlace(std::uint16_t address) const;
    std::optional<Bytes> execute(std::uint64_t budget);
    // The halt: state into the save cells; the answer status + string.
    Bytes halt();

    Target& target_;
    Monitor& monitor_;
    BreakLogic& breaks_;
    TraceMemory& trace_;
    std::uint32_t crystalHz_;
    BankCode code_;
    Xdata xdata_;
    Cpu8051 cpu_;
    bool running_ = false;
    bool flying_ = false;
    // The instruction after "G" never halts on an opcode hit at its own
    // address, so that a go from a breakpoint leaves it.
    bool first_ = false;
    bool haltPending_ = false;
    std::uint64_t runStartMs_ = 0;
    std::uint64_t runCycles_ = 0;  // since the go
    bool abnormalHalt_ = false;
    bool stopRefused_ = false;
    bool hardStopRefused_ = false;
    bool neverHalts_ = false;
    std::optional<WindowLine> windowLine_;
    std::size_t commonBank_ = 0;  // bank 0's hardware bank under windows
};

}  // namespace tarvex::sim
