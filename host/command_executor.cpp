#include "host/command_executor.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/debug/trace_board.hpp"
#include "emulator/debug/watches.hpp"
#include "host/command_chains.hpp"
#include "host/command_history.hpp"
#include "host/options.hpp"
#include "host/run_port.hpp"

namespace tarvex {

namespace {

std::string notInBuild(const TKommandoStruktur& c) {
    return CommandName(c, CommandLanguage::English) + ": not available in this build";
}

// 0 ends the reset, a positive answer asks for one more try, a negative one
// means the target did not react.
void reset(const std::function<int()>& call) {
    int answer = call();
    if (answer > 0) answer = call();
    if (answer < 0) throw ETarvexResetError(std::string(LoadResStr(rs::NoReactionOfTarget)));
}

template <typename T>
T& required(T* target, const TKommandoStruktur& c) {
    if (!target) throw EVokWinError(notInBuild(c));
    return *target;
}

bool dispatch(TBasisVokWinKommando& c, const CommandTargets& t) {
    switch (c.code) {
    case cmd::Load:
    case cmd::LoadSymbols:
    case cmd::LoadSystem:
        if (!t.load) {
            if (t.log) t.log(notInBuild(c));
            return false;
        }
        return t.load(c);
    case cmd::Save:
        if (!t.save) throw EVokWinFileError(notInBuild(c));
        t.save(c);
        return true;
    case cmd::SaveTrace:
        if (!t.save || !t.traceExport) throw ETraceError(notInBuild(c));
        t.save(c);
        return true;
    case cmd::Initialize:
        if (!t.initialize) throw ECopyFillError(notInBuild(c));
        t.initialize(c);
        return true;
    case cmd::Copy:
    case cmd::CopyEprom:
        if (!t.copy) throw ECopyFillError(notInBuild(c));
        t.copy(c);
        return true;
    case cmd::Map:
    case cmd::MapShared:
    case cmd::BreakChannel:
    case cmd::BreakMode:
    case cmd::TraceFilter:
    case cmd::TraceSettings: {
        if (c.code == cmd::MapShared) return false;
        TSelectTabelle* table = c.SelectTable() ? c.SelectTable() : t.selectTable;
        return ExecuteSelectTableCommand(c, required(table, c), t.pellunarPortMode && t.pellunarPortMode());
    }
    case cmd::Run:
        required(t.run, c).Go();
        return true;
    case cmd::SingleStep:
        if (c.flag)
            required(t.run, c).SingleStep();
        else
            required(t.run, c).Step();
        return true;
    case cmd::StepOver:
        if (c.flag)
            required(t.run, c).StepOverCall();
        else
            required(t.run, c).StepOver();
        return true;
    case cmd::ResetAll: {
        IRunCommands& run = required(t.run, c);
        reset([&run] { return run.ResetAll(); });
        return true;
    }
    case cmd::ResetCpu: {
        IRunCommands& run = required(t.run, c);
        reset([&run] { return run.ResetSlave(); });
        return true;
    }
    case cmd::ClearTrace:
        required(t.trace, c).ResetTrace();
        return true;
    case cmd::ResetTimeCounter:
        required(t.trace, c).SetTraceModus(0);
        return true;
    case cmd::Modify:
        if (!t.watches) throw EWatchError(notInBuild(c));
        t.watches->Modify(c);
        return true;
    case cmd::Evaluate:
        if (!t.watches) throw EWatchError(notInBuild(c));
        t.watches->Evaluate(c);
        return true;
    case cmd::LoadOptions:
        required(t.options, c).SetProjectName(c.text1);
        return true;
    default:
        // 0, 22 (its chain runs below), 25 and unknown codes do nothing.
        return true;
    }
}

}  // namespace

bool Execute(TBasisVokWinKommando& command, const CommandTargets& targets) {
    // 8 answers false like every select-table command that changes nothing.
    const bool result = dispatch(command, targets);
    if (!command.Anker) return result;
    for (TBasisVokWinKommando* c = command.Nachfolger.get(); c; c = c->Nachfolger.get()) {
        if (Execute(*c, targets) && targets.history) {
            auto entry = std::make_unique<TVokWinKommando>();
            entry->Assign(*c);
            entry->DropChain();
            entry->SetMakroLevel(c->MakroLevel());
            targets.history->AddToProtokoll(std::move(entry));
        }
        // A nested macro has walked the rest of the chain itself.
        if (c->Anker) break;
    }
    return result;
}

bool TCommandExecutor::Run(std::unique_ptr<TBasisVokWinKommando> command) {
    if (!command) return false;
    const bool record = Execute(*command, targets_);
    if (record && targets_.history) targets_.history->AddToProtokoll(std::move(command));
    return record;
}

// ---------------------------------------------------------------- adapters

IRunControl& HostRunCommands::run() const {
    IRunControl* r = run_ ? run_() : nullptr;
    if (!r) throw ETarvexAccessError("Run control: not available in this build");
    return *r;
}

void HostRunCommands::Go() {
    if (TDebug* d = debug())
        d->Go();
    else
        run().Go();
}

// The step commands set the run control's step mode from their own: line
// steps unless the command asks for the instruction level.
void HostRunCommands::Step() {
    if (TDebug* d = debug()) {
        d->SetHighLevelMode(true);
        d->Step();
    } else {
        run().Step();
    }
}

void HostRunCommands::SingleStep() {
    if (TDebug* d = debug()) {
        d->SetHighLevelMode(false);
        d->SingleStep();
    } else {
        run().Step();
    }
}

void HostRunCommands::StepOver() {
    if (TDebug* d = debug()) {
        d->SetHighLevelMode(true);
        d->StepOver();
    } else {
        throw ETarvexAccessError("Jump over call: not available in this build");
    }
}

void HostRunCommands::StepOverCall() {
    if (TDebug* d = debug()) {
        d->SetHighLevelMode(false);
        d->StepOverCall();
    } else {
        throw ETarvexAccessError("Jump over call: not available in this build");
    }
}

int HostRunCommands::ResetAll() {
    if (TDebug* d = debug()) return d->ResetAll();
    return run().ResetAll();
}

int HostRunCommands::ResetSlave() {
    if (TDebug* d = debug()) return d->ResetSlave();
    return run().ResetSlave();
}

void HostTraceCommands::ResetTrace() {
    if (TTracePlatine* b = board_ ? board_() : nullptr) return b->ResetTrace();
    if (ITraceBoardPart* p = part_ ? part_() : nullptr) p->ResetTrace();
}

void HostTraceCommands::SetTraceModus(int mode) {
    if (TTracePlatine* b = board_ ? board_() : nullptr) b->SetTraceModus(mode);
}

std::unique_ptr<TWatchItem> TWatchTableCommands::item(const TKommandoStruktur& c) {
    auto item = TWatchTabelle::NewItem();
    item->displayFormat = c.watchDisplayFormat;
    // A count below 1 from a damaged record would ask for four billion
    // elements.
    item->requestedCount = c.count < 1 ? 1u : static_cast<std::uint32_t>(c.count);
    item->requestedType = c.watchDataType;
    item->memoryClass = c.watchMemoryClass;
    item->reversed = c.flag;
    const bool digit = !c.text1.empty() && c.text1[0] >= '0' && c.text1[0] <= '9';
    // The class Symbol takes no address: a name that reads as hex ("BAD")
    // is still a name, and one that is not found is named in the message.
    if ((c.watchMemoryClass == 5 && !digit) || c.watchMemoryClass == 0)
        item->expression = c.text1;
    else
        table_.SetItemAddress(c.text1, *item);
    item->valid = true;
    return item;
}

void TWatchTableCommands::Modify(const TKommandoStruktur& c) {
    auto watch = item(c);
    table_.SetItemValueText(watch.get(), c.text2);
}

void TWatchTableCommands::Evaluate(const TKommandoStruktur& c) {
    item(c)->comment = c.text2;
}

}  // namespace tarvex
