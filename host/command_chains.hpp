#pragma once
// The chains the break, trace and map dialogs return, built from the select
// table they edited (usually the offline copy), and the select-table command
// that applies one member of such a chain to a table.
#include <memory>

#include "host/command.hpp"

namespace tarvex {

class TSelectTabelle;

// 15 (break mode) -> 14 (kind 10) -> 14 (11) -> 14 (12) -> 14 (13); null
// for no table.
std::unique_ptr<TVokWinKommando> BreakKommandos(const TSelectTabelle* table);
// 7 (program and external-data map) -> 8 (separate addressing).
std::unique_ptr<TVokWinKommando> MapKommandos(const TSelectTabelle* table);
// 17 (trace settings) -> 16 (kind 14) -> 16 (15) -> 16 (16).
std::unique_ptr<TVokWinKommando> TraceKommandos(const TSelectTabelle* table);

// Applies a command of code 7, 8 or 14 to 17 to the table; answers whether
// anything changed. Only what differs from the table is set, and break and
// trace registers go to the board only when something changed. A map
// command is refused while the emulator works with pellunars.
bool ExecuteSelectTableCommand(const TKommandoStruktur& command, TSelectTabelle& table, bool pellunarPortMode);

}  // namespace tarvex
