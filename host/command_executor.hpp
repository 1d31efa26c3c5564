#pragma once
// The command executor: runs one command and the macro chain hanging from
// it, recording each chained command that answered true in the history.
// The operations it reaches either directly (select table, options,
// history) or through the interfaces of host/command_targets.hpp; loads,
// saves, copies and fills go through the function slots below, which the
// loader and the memory commands fill in. A missing target is refused with
// a message that names the command.
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/command.hpp"
#include "host/command_targets.hpp"

namespace tarvex {

class IRunControl;
class ITraceBoardPart;
class TBasisKommando;
class TDebug;
class TSelectTabelle;
class TTracePlatine;
class TVokWinOptionen;
class TWatchTabelle;
struct TWatchItem;

struct CommandTargets {
    IRunCommands* run = nullptr;
    ITraceCommands* trace = nullptr;
    IWatchCommands* watches = nullptr;
    ITraceExport* traceExport = nullptr;
    // The global select table: the one a command without its own edits.
    TSelectTabelle* selectTable = nullptr;
    // Whether the emulator works with pellunars.
    std::function<bool()> pellunarPortMode;
    TVokWinOptionen* options = nullptr;
    // Where chained commands are recorded; null: nowhere.
    TBasisKommando* history = nullptr;
    // Codes 1, 2 and 26; answers false for a load it refused.
    std::function<bool(const TBasisVokWinKommando&)> load;
    // Codes 3 and 24.
    std::function<void(const TBasisVokWinKommando&)> save;
    // Code 4.
    std::function<void(const TBasisVokWinKommando&)> initialize;
    // Codes 5 and 6.
    std::function<void(const TBasisVokWinKommando&)> copy;
    // Lines for the protocol file.
    std::function<void(std::string_view)> log;
};

// Runs the command and, with `Anker` set, its chain. The answer says
// whether the caller records the command: false for a select-table command
// that changed nothing and for a refused load. Exceptions pass out
// unchanged and end the chain.
bool Execute(TBasisVokWinKommando& command, const CommandTargets& targets);

// What the host interface runs its commands through: executes and records
// the command when it answers true (else frees it).
class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    virtual bool Run(std::unique_ptr<TBasisVokWinKommando> command) = 0;
};

class TCommandExecutor final : public ICommandRunner {
public:
    explicit TCommandExecutor(CommandTargets targets) : targets_(std::move(targets)) {}
    bool Run(std::unique_ptr<TBasisVokWinKommando> command) override;
    CommandTargets& Targets() { return targets_; }

private:
    CommandTargets targets_;
};

// Run control for the commands: the run control component where there is
// one, else the host's run requests (which know no step over).
class HostRunCommands final : public IRunCommands {
public:
    HostRunCommands(std::function<TDebug*()> debug, std::function<IRunControl*()> run)
        : debug_(std::move(debug)), run_(std::move(run)) {}
    void Go() override;
    void Step() override;
    void SingleStep() override;
    void StepOver() override;
    void StepOverCall() override;
    int ResetAll() override;
    int ResetSlave() override;

private:
    TDebug* debug() const { return debug_ ? debug_() : nullptr; }
    IRunControl& run() const;
    std::function<TDebug*()> debug_;
    std::function<IRunControl*()> run_;
};

// The trace board for the commands: the board's model where there is one,
// else a trace part handed in (which has no trace mode).
class HostTraceCommands final : public ITraceCommands {
public:
    HostTraceCommands(std::function<TTracePlatine*()> board, std::function<ITraceBoardPart*()> part)
        : board_(std::move(board)), part_(std::move(part)) {}
    void ResetTrace() override;
    void SetTraceModus(int mode) override;

private:
    std::function<TTracePlatine*()> board_;
    std::function<ITraceBoardPart*()> part_;
};

// The watch commands over the watch table: each makes one watch item from
// the command, uses it and frees it.
class TWatchTableCommands final : public IWatchCommands {
public:
    explicit TWatchTableCommands(TWatchTabelle& table) : table_(table) {}
    void Modify(const TKommandoStruktur& command) override;
    void Evaluate(const TKommandoStruktur& command) override;

private:
    std::unique_ptr<TWatchItem> item(const TKommandoStruktur& command);
    TWatchTabelle& table_;
};

}  // namespace tarvex
