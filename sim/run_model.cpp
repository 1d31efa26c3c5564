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

void RunModel::cycle(const BusCycle& cycle) {
    // The port lines as the probe sees them: the latch AND the pins.
    const auto line = [this](unsigned port, std::uint8_t sfr) {
        return static_cast<std::uint8_t>(target_.sfr(sfr) & cpu_.portPins(port));
    };
    if (trace_.record(cycle, code_, line(1, Cpu8051::P1), line(3, Cpu8051::P3))) haltPending_ = true;
    if (cycle.kind != BusCycleKind::Opcode && breaks_.cycleHalts(cycle)) haltPending_ = true;
}

void RunModel::start(std::size_t bank) {
    code_.bank = bank;
    cpu_.setPc(monitor_.loadState());
    breaks_.arm(bank);
    trace_.arm(bank);
    haltPending_ = false;
}

void RunModel::go(std::uint64_t nowMs, std::size_t bank) {
    if (running_) return;
    start(bank);
    running_ = true;
    first_ = true;
    runStartMs_ = nowMs;
    runCycles_ = 0;
}

RunModel::Bytes RunModel::step(std::size_t bank) {
    // A step while the target runs starts where it stands.
    if (running_) monitor_.saveState(cpu_.pc());
    running_ = false;
    start(bank);
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
