#include "sim/run_model.hpp"

#include "sim/break_logic.hpp"
#include "sim/monitor.hpp"
#include "sim/target.hpp"
#include "sim/trace_memory.hpp"

namespace tarvex::sim {

namespace {

constexpr std::uint8_t StatusOk = 0x00, StatusRefused = 0x01, StatusAbnormal = 0xFF;

}  // namespace

std::uint8_t RunModel::BankCode::code(std::uint16_t address) const { return memory_.code(bank, address); }

std::uint8_t RunModel::Xdata::xdata(std::uint16_t address) const { return memory_.xdata(address); }

void RunModel::Xdata::setXdata(std::uint16_t address, std::uint8_t value) { memory_.setXdata(address, value); }

RunModel::RunModel(Target& target, Monitor& monitor, BreakLogic& breaks, TraceMemory& trace, std::uint32_t crystalHz)
    : target_(target),
      monitor_(monitor),
      breaks_(breaks),
      trace_(trace),
      crystalHz_(crystalHz == 0 ? 12'000'000 : crystalHz),
      code_(target.memory()),
      xdata_(target.memory()),
      cpu_(CpuMemories{&code_, target.idataCells(), target.sfrCells(), &xdata_}) {
    cpu_.setObserver(this);
}

std::uint8_t RunModel::portLine(unsigned port) const {
    return static_cast<std::uint8_t>(target_.sfr(static_cast<std::uint8_t>(Cpu8051::P0 + 0x10 * (port & 3))) &
                                     cpu_.portPins(port & 3));
}

PlaneAddress RunModel::dataPlace(std::uint16_t address) const {
    if (!windowLine_) return {code_.bank, address};
    if (address < 0x8000) return {commonBank_, address};
    const bool upper = (portLine(windowLine_->port) >> (windowLine_->bit & 7) & 1) != 0;
    return {code_.bank, upper ? address : static_cast<std::uint16_t>(address - 0x8000)};
}

void RunModel::cycle(const BusCycle& cycle) {
    // A MOVC read is a code cycle at its code address; MOVX cycles are data.
    const bool data = cycle.kind == BusCycleKind::Read || cycle.kind == BusCycleKind::Write;
    const PlaneAddress place = data ? dataPlace(cycle.address) : PlaneAddress{code_.bank, cycle.address};
    if (trace_.record(cycle, code_, portLine(1), portLine(3), place)) haltPending_ = true;
    if (cycle.kind != BusCycleKind::Opcode && breaks_.cycleHalts(cycle, place)) haltPending_ = true;
}

void RunModel::start(std::uint8_t control) {
    const std::size_t bank = control & 0x07;
    // Modes 5-7 put bank 0 in hardware bank 3, mode 8 (group 3) in 7.
    commonBank_ = (control & 0x18) == 0x18 ? 7 : 3;
    code_.bank = bank;
    cpu_.setPc(monitor_.loadState());
    breaks_.arm(bank);
    trace_.arm(bank);
    haltPending_ = false;
}

void RunModel::go(std::uint64_t nowMs, std::uint8_t control) {
    if (running_) return;
    start(control);
    running_ = true;
    first_ = true;
    runStartMs_ = nowMs;
    runCycles_ = 0;
}

RunModel::Bytes RunModel::step(std::uint8_t control) {
    // A step while the target runs starts where it stands.
    if (running_) monitor_.saveState(cpu_.pc());
    running_ = false;
    start(control);
    const unsigned n = cpu_.step();
    trace_.count(n);
    return halt();
}

RunModel::Bytes RunModel::halt() {
    running_ = false;
    monitor_.saveState(cpu_.pc());
    if (abnormalHalt_) {
        abnormalHalt_ = false;
        return {StatusAbnormal};
    }
    Bytes answer{StatusOk};
    const Bytes registers = monitor_.registerString();
    answer.insert(answer.end(), registers.begin(), registers.end());
    return answer;
}

std::optional<RunModel::Bytes> RunModel::stop(bool hard) {
    if (!running_) return std::nullopt;
    if (hard ? hardStopRefused_ : stopRefused_) return Bytes{StatusRefused};
    return halt();
}

void RunModel::resetCpu() {
    running_ = false;
    cpu_.reset();
}

std::optional<RunModel::Bytes> RunModel::catchUp(std::uint64_t nowMs) {
    if (!running_ || nowMs <= runStartMs_) return std::nullopt;
    // Machine cycles owed since the go: crystal / 12 per second.
    const std::uint64_t ms = nowMs - runStartMs_;
    const std::uint64_t perMs = crystalHz_ / 12'000, rest = crystalHz_ % 12'000;
    const std::uint64_t owed = ms * perMs + ms * rest / 12'000;
    if (owed <= runCycles_) return std::nullopt;
    return execute(owed - runCycles_);
}

std::optional<RunModel::Bytes> RunModel::runCycles(std::uint64_t cycles) { return execute(cycles); }

std::optional<RunModel::Bytes> RunModel::execute(std::uint64_t budget) {
    std::uint64_t done = 0;
    while (running_ && done < budget) {
        const std::uint16_t pc = cpu_.pc();
        if (!first_ && !neverHalts_ && breaks_.opcodeHalts(pc, code_.code(pc))) return halt();
        first_ = false;
        const unsigned n = cpu_.step();
        trace_.count(n);
        done += n;
        runCycles_ += n;
        if ((haltPending_ || trace_.probeBreak()) && !neverHalts_) return halt();
        haltPending_ = false;
    }
    return std::nullopt;
}

}  // namespace tarvex::sim
