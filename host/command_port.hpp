#pragma once
// What the host interface runs as commands: the start-up loads and the
// menu's reset entries. BuiltinCommands serves the build without the
// command executor and the program loader.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "core/bank_adressen.hpp"

namespace tarvex {

struct HostCommand {
    std::uint8_t code = 0;
    std::uint8_t memoryKind = 0;
    std::uint8_t fileFormat = 0;
    bool flag = false;
    std::uint8_t options = 0;
    std::string fileName;
    TBankAdresse start;
};

namespace command {
inline constexpr std::uint8_t LoadFile = 1, LoadProgram = 2, ResetCpu = 13, ClearTrace = 18, ResetTimeCounter = 19;
}

class ICommandRunner {
public:
    virtual ~ICommandRunner() = default;
    // Executes; when it answers true the command goes to the history.
    virtual bool Run(const HostCommand& command) = 0;
};

class IRunControl;
class ITraceBoardPart;

// Resets through the run control and the trace board; loads only log.
class BuiltinCommands final : public ICommandRunner {
public:
    BuiltinCommands(std::function<IRunControl*()> run, std::function<ITraceBoardPart*()> trace,
                    std::function<void(std::string_view)> log)
        : run_(std::move(run)), trace_(std::move(trace)), log_(std::move(log)) {}
    bool Run(const HostCommand& command) override;

private:
    std::function<IRunControl*()> run_;
    std::function<ITraceBoardPart*()> trace_;
    std::function<void(std::string_view)> log_;
};

}  // namespace tarvex
