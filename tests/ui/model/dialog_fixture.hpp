#pragma once
// What a dialog's model is made from in the form tests: a symbol table, a
// settings store of its own and message boxes that answer from a script.
#include "core/symbol_table.hpp"
#include "host/command_record.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "ui/model/dialog_tables.hpp"

namespace tarvex::test {

struct DialogFixture {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    ui::DialogTables tables(bool systemMode = false) {
        ui::DialogTables t;
        t.symbols = &symbols;
        t.systemMode = systemMode;
        return t;
    }
};

// With a function FILLER over 0x100..0x11F to name ranges by.
struct RangeFixture : DialogFixture {
    RangeFixture() { symbols.AddFunction("FILLER", 1, UnbankedAdresse(0x100), UnbankedAdresse(0x11F), 1); }
};

// The command a range dialog fills once the start, the end and its third
// field (named by its control) hold the texts given.
template <class Model>
TKommandoStruktur rangeCommand(Model& m, const char* start, const char* end, const char* thirdControl,
                               const char* third, void (Model::*fill)(TKommandoStruktur&)) {
    m.EditText("StartAdresse", start);
    m.EditText("EndAdresse", end);
    m.EditText(thirdControl, third);
    TKommandoStruktur c;
    (m.*fill)(c);
    return c;
}

}  // namespace tarvex::test
