#pragma once
// Saving a range of an emulator memory to a file: raw binary, Intel HEX, a
// hex dump, an assembler listing or assembler source, and trace memory as
// the trace window's text. The writers read through the memory spaces (and
// their caches) and show their progress in the save-status form, where the
// user can cancel.
//
// Files go to a temporary file renamed into place: a failure (read error,
// file error) leaves an existing file untouched and nothing beside it; a
// cancel keeps what was written so far (a HEX file then lacks its end
// record).
#include <cstdint>
#include <string>
#include <string_view>

#include "host/command_record.hpp"

namespace tarvex {

namespace platform {
class Clock;
class SaveStatusWindow;
}  // namespace platform

class Disassembler;
class ITraceExport;
class TEmulSpaces;

struct TSaveTargets {
    TEmulSpaces& spaces;
    // The listings' decoder, with the symbol table that takes the automatic
    // labels of assembler sources; null: listings without names.
    Disassembler* disassembler = nullptr;
    // Trace memory goes out through the trace window's export; null: trace
    // saves are refused as not in this build.
    ITraceExport* traceExport = nullptr;
    // The run control's current code bank: an all-banks address is saved
    // from it.
    std::uint8_t currentBank = 0;
    // Null: the current user interface's form.
    platform::SaveStatusWindow* status = nullptr;
    // Paces the form's updates; null: the emulator's clock.
    platform::Clock* clock = nullptr;
};

// Codes 3 and 24: checks the request, fills the form and runs the writer.
// Refusals (EVokWinFileError) come before anything is read or written.
void ExecuteSaveCommand(const TKommandoStruktur& command, const TSaveTargets& targets);

// The writers, for a checked command whose start is not above its end.
void SaveBinFile(const TKommandoStruktur& command, const TSaveTargets& targets);
// Formats 1 (Intel HEX) and 5 (hex dump).
void SaveHexFile(const TKommandoStruktur& command, const TSaveTargets& targets);
// Formats 6 (assembler list) and 7 (assembler source); program memory.
void SaveListFile(const TKommandoStruktur& command, const TSaveTargets& targets);
void SaveTraceFile(const TKommandoStruktur& command, const TSaveTargets& targets);

// One line, without its CR LF, for at most 16 bytes at a 16-bit offset:
// an Intel HEX data record (format 1) or a hex-dump line (format 5).
std::string SaveHexRecord(std::uint8_t format, std::uint16_t offset, std::string_view bytes);

}  // namespace tarvex
