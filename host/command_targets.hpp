#pragma once
// What the command executor reaches beyond the select table and the
// options: run control, trace board, watches and the trace text export, each
// as a small interface so that the executor's tests can script them and the
// components that come later plug in without the executor changing.
#include <cstdint>
#include <string>

#include "host/command_record.hpp"

namespace tarvex {

// Run control as the run and reset commands drive it.
class IRunCommands {
public:
    virtual ~IRunCommands() = default;
    virtual void Go() = 0;
    // The step chooser: a line step where line information is present.
    virtual void Step() = 0;
    // One instruction.
    virtual void SingleStep() = 0;
    // The procedure step, or the instruction step over a call without lines.
    virtual void StepOver() = 0;
    virtual void StepOverCall() = 0;
    // Below 0: no reaction; 0 done; above 0: try once more.
    virtual int ResetAll() = 0;
    virtual int ResetSlave() = 0;
};

// The trace board as the trace commands drive it.
class ITraceCommands {
public:
    virtual ~ITraceCommands() = default;
    virtual void ResetTrace() = 0;
    virtual void SetTraceModus(int mode) = 0;
};

// The watches as the modify and evaluate commands use them: a watch item is
// made from the command (address or expression, display format, element
// count, data type, memory class, byte order), used once and freed.
class IWatchCommands {
public:
    virtual ~IWatchCommands() = default;
    // Writes text 2 as the item's new value.
    virtual void Modify(const TKommandoStruktur& command) = 0;
    // Evaluates the item and stores text 2 as its comment.
    virtual void Evaluate(const TKommandoStruktur& command) = 0;
};

// The trace window's text export: frames first..last (logical indices) in
// a display mode (0 cycle, 1 assembled, 3 source, 2 mixed) into a file.
class ITraceExport {
public:
    virtual ~ITraceExport() = default;
    virtual void ExportFrames(const std::string& fileName, std::uint32_t first, std::uint32_t last,
                              int displayMode) = 0;
};

}  // namespace tarvex
