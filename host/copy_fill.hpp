#pragma once
// Copy, EPROM copy and initialize (fill) of the emulator's memories. The
// board does the work with its own copy and fill commands; the driver
// checks the ranges first (nothing goes out before every check passed),
// selects the bank, waits for the board's answer byte per command and then
// tells the other components which memory changed. The pellunar records of
// the emulator follow copied and filled program code.
//
// Both run on the host's thread and raise on failure; a board that stops
// answering leaves the memory partly changed and sends no notification.
#include "emulator/target_parts.hpp"
#include "host/command_record.hpp"

namespace tarvex {

class TEmulSpaces;
class TSelectTabelle;

// The components a copy or a fill reaches. The emulator object, the SFR
// configuration (processor family and name), the banking, the notifier and
// the run control come through the memory spaces.
struct TCopyFillTargets {
    TEmulSpaces& spaces;
    // The live select table, whose program map an EPROM copy swaps for the
    // command's; null: the map is left as it is.
    TSelectTabelle* selectTable = nullptr;
    // The table the command refers to; null: the live table.
    const TSelectTabelle* commandTable = nullptr;
};

// Codes 5 (Copy) and 6 (CopyEprom): memory kinds 0-3. The EPROM flag is the
// command's flag.
void ExecuteCopyCommand(const TKommandoStruktur& command, const TCopyFillTargets& targets);
// Code 4 (Initialize): memory kinds 0-3 and 6-8, filled with the value.
void ExecuteInitializeCommand(const TKommandoStruktur& command, const TCopyFillTargets& targets);

// The start's clearing of the board's program memory: code 4 (Initialize)
// over the whole program space with 0.
class TProgramClear final : public IProgramClearPart {
public:
    explicit TProgramClear(TEmulSpaces& spaces) : spaces_(spaces) {}
    void ClearProgramMemory() override;

private:
    TEmulSpaces& spaces_;
};

}  // namespace tarvex
