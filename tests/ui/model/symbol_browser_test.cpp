// The symbol browser's lists, filters, search and answers, and the class
// bits it shares with its callers.
#include <gtest/gtest.h>

#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "ui/model/symbol_browser.hpp"

namespace tarvex::ui {
namespace {

TEST(SymbolClasses, EveryBitListsItsKindAndMapsToTheValidatorsBit) {
    const struct {
        Klassen bit;
        int kind;
    } table[] = {{1, 1}, {2, 2}, {4, 3}, {8, 4}, {16, 6}, {32, 7}, {64, 0}, {128, 8}, {256, 5}};
    Klassen all = 0;
    for (const auto& row : table) {
        EXPECT_EQ(KlassenKind(row.bit), row.kind) << row.bit;
        EXPECT_EQ(ValidatorClasses(row.bit), 1u << row.kind) << row.bit;
        all = static_cast<Klassen>(all | row.bit);
    }
    EXPECT_EQ(all & ~klasse::Typedef, klasse::Alle);
    for (Klassen none : {0, 3, 512, 383}) EXPECT_EQ(KlassenKind(none), -1) << none;
    EXPECT_EQ(ValidatorClasses(65), 0x0003);
    EXPECT_EQ(KlassenFillOrder().size(), 9u);
    EXPECT_EQ(KlassenFillOrder()[4], klasse::Sfr);
}

TEST(SymbolPicker, AnswersNothingWithoutAPickerAndFromAScript) {
    EXPECT_EQ(currentSymbolPicker(), nullptr);
    EXPECT_FALSE(pickSymbol({}));
    ScriptedSymbolPicker picker;
    ScopedSymbolPicker scope(&picker);
    PickedSymbol p;
    p.name = "MAIN";
    picker.answer(p);
    EXPECT_EQ(pickSymbol({PickMode::Symbols, 65, "Accept"})->name, "MAIN");
    EXPECT_FALSE(pickSymbol({}));
    ASSERT_EQ(picker.requests().size(), 2u);
    EXPECT_EQ(*picker.requests()[0].klassen, 65);
}

struct Tables {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    TRegisterTabelle registers;
    Tables() {
        symbols.AddModule("MAIN", 1, UnbankedAdresse(0x100), UnbankedAdresse(0x1FF));
        symbols.AddFunction("START", 1, UnbankedAdresse(0x120), UnbankedAdresse(0x17F), 1);
        symbols.AddModule("IO", 2, UnbankedAdresse(0x200), UnbankedAdresse(0x2FF));
        symbols.AddSymbol(sspProgram, "LOOPING", 1, 1, kNoType, 1, symbol_class::None, UnbankedAdresse(0x130));
        symbols.AddSymbol(sspProgram, "LOOP", 0, 1, kNoType, 1, symbol_class::None, UnbankedAdresse(0x140));
        symbols.AddSymbol(sspIntData, "COUNT", 1, 1, kNoType, 2, symbol_class::None, UnbankedAdresse(0x30));
        symbols.AddSymbol(sspExtData, "BUFFER", 0, 2, kNoType, 16, symbol_class::None, UnbankedAdresse(0x8000));
        symbols.AddSymbol(sspBit, "FLAG", 0, 2, kNoType, 1, symbol_class::None, UnbankedAdresse(0x08));
        symbols.AddSymbol(sspSfr, "PORTX", 0, 2, kNoType, 1, symbol_class::None, UnbankedAdresse(0x90));
        symbols.AddSymbol(sspConst, "LIMIT", 0, 2, kNoType, 1, symbol_class::None, UnbankedAdresse(0x10));
        lines.AddLine(UnbankedAdresse(0x130), 12, 0, 1, 1);
        lines.AddLine(UnbankedAdresse(0x120), 11, 0, 1, 1);
        lines.AddLine(UnbankedAdresse(0x200), 3, 0, 0, 2);
        registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
        registers.AddRegister("B", "", 0, 0, 0, 0xF0, "");
        registers.AddRegister("DPTR", "DPL", 1, 0, 0x83, 0x82, "DPH");
    }
    SymbolBrowserSources sources() { return {&symbols, &lines, &registers, false}; }
};

std::vector<std::string> texts(const SymbolBrowserModel& m) {
    std::vector<std::string> out;
    for (int i = 0; i < m.EntryCount(); ++i) out.push_back(m.CellText(i, 0));
    return out;
}

TEST(SymbolBrowser, OpensOnAllSymbolsByNameWithCheckAlle) {
    Tables t;
    platform::MemorySettingsStore store;
    SymbolBrowserModel m(t.sources(), store);
    EXPECT_EQ(m.caption(), "Loaded symbols");
    EXPECT_EQ(m.control("ModuleBox").items, (std::vector<std::string>{"all Modules", "MAIN", "   START", "IO"}));
    EXPECT_TRUE(m.control("CheckAlle").checked);
    EXPECT_FALSE(m.control("CheckTypedef").visible);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"BUFFER", "COUNT", "FLAG", "IO", "LIMIT", "LOOP", "LOOPING",
                                                  "MAIN", "PORTX", "START"}));
    EXPECT_EQ(m.control("RadioGroupSort").items[1], "by Name");
    EXPECT_EQ(m.Selected(), 0);
    EXPECT_EQ(m.CellText(0, 1), "8000");
    EXPECT_EQ(m.CellText(0, 2), SymbolKindName(sspExtData));

    m.SelectModule(2);  // the function START
    EXPECT_FALSE(m.control("CheckAlle").checked);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"COUNT", "LOOPING", "START"}));
    m.SelectModule(1);  // the module: its functions too
    EXPECT_EQ(texts(m), (std::vector<std::string>{"COUNT", "LOOP", "LOOPING", "MAIN", "START"}));
    m.ClickClass("CheckModul", false);
    EXPECT_EQ(m.klassen(), klasse::Alle & ~klasse::Modul);
    m.ClickCheckAlle(true);
    EXPECT_EQ(m.klassen(), klasse::Alle);
    EXPECT_EQ(m.ModuleIndex(), 0);
    EXPECT_EQ(m.control("ModuleBox").itemIndex, 0);
    EXPECT_TRUE(m.control("CheckAlle").checked);

    // Without sorting the kinds come in their listed order: SFR after bit.
    m.SelectSort(0);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"LOOPING", "LOOP", "COUNT", "BUFFER", "FLAG", "PORTX", "LIMIT",
                                                  "MAIN", "START", "IO"}));
    m.SelectSort(2);
    EXPECT_EQ(texts(m).front(), "FLAG");  // 0008 (bit), LIMIT 0010, COUNT 0030 ...
}

TEST(SymbolBrowser, IncrementalSearch) {
    Tables t;
    platform::MemorySettingsStore store;
    SymbolBrowserModel m(t.sources(), store);
    const auto selectedText = [&] { return m.CellText(m.Selected(), 0); };
    // By name: the first match in list order (LOOP before LOOPING anyway:
    // use a prefix whose first match is the longer name).
    m.SelectSort(0);
    m.TypeName("loo");
    EXPECT_EQ(selectedText(), "LOOP");  // unsorted: the shortest, though LOOPING comes first
    m.SelectSort(1);
    m.TypeName("L");
    EXPECT_EQ(selectedText(), "LIMIT");  // sorted: the first in list order, not the shortest
    m.TypeName("LOOPING");
    EXPECT_EQ(selectedText(), "LOOPING");  // exact
    m.TypeName("LOOPX");
    EXPECT_EQ(selectedText(), "LOOPING");  // no match keeps the selection
    EXPECT_EQ(m.control("SymbolName").text, "LOOPX");
    EXPECT_EQ(m.GetSymbolName(), ":MAIN:START:LOOPING");
    EXPECT_EQ(m.control("Funktion").text, "START");
    EXPECT_EQ(m.GetSymbol()->symbol, t.symbols.FindByName("LOOPING", sspProgram));

    m.ClickEntry(texts(m).size() - 1);  // START, a function: end address shown
    EXPECT_EQ(m.control("SymbolName").text, "START");
    EXPECT_EQ(m.control("EndAdresse").text, "017F");
    EXPECT_EQ(m.GetSymbolName(), ":MAIN:START:START");
}

TEST(SymbolBrowser, PickerClassesEmptyListAndSettings) {
    Tables t;
    platform::MemorySettingsStore store;
    store.writeInteger(kDriverKey, "SymbolForm", "ModulIndex", 99);
    store.writeInteger(kDriverKey, "SymbolForm", "Sortierung", 7);
    store.writeInteger(kDriverKey, "SymbolForm", "SymbolIndex", 2);
    {
        SymbolBrowserModel m(t.sources(), store);
        EXPECT_EQ(m.ModuleIndex(), 0);
        EXPECT_EQ(m.Sortierung(), 1);
        EXPECT_EQ(m.Selected(), 2);
        m.SetKlassen(65);
        EXPECT_FALSE(m.control("CheckAlle").checked);
        EXPECT_EQ(texts(m), (std::vector<std::string>{"IO", "LOOP", "LOOPING", "MAIN", "START"}));
        m.SetKlassen(klasse::DateiName);
        EXPECT_EQ(m.EntryCount(), 0);
        EXPECT_FALSE(m.control("OkButton").enabled);
        EXPECT_FALSE(m.GetSymbol());
        EXPECT_EQ(m.GetSymbolName(), "");
        m.SetAcceptCaption("Accept");
        EXPECT_EQ(m.control("OkButton").text, "Accept");
        m.Ok();
    }
    EXPECT_EQ(store.readInteger(kDriverKey, "SymbolForm", "Klassen", 0), klasse::DateiName);
    EXPECT_EQ(store.readInteger(kDriverKey, "SymbolForm", "ModulIndex", -1), 0);
    EXPECT_EQ(store.readInteger(kDriverKey, "SymbolForm", "Sortierung", -1), 1);
}

TEST(SymbolBrowser, LineAndRegisterModes) {
    Tables t;
    platform::MemorySettingsStore store;
    SymbolBrowserModel m(t.sources(), store);
    m.SetZeilenNummern(true);
    EXPECT_EQ(m.NameHistorySection(), "SymbolFormZeilenName");
    EXPECT_FALSE(m.control("KlassenGroupBox").visible);
    EXPECT_TRUE(m.control("ModuleBox").visible);
    EXPECT_TRUE(m.control("EndAdrLabel").enabled);
    EXPECT_EQ(m.control("RadioGroupSort").items[1], "by Line number");
    EXPECT_EQ(texts(m), (std::vector<std::string>{":MAIN:#11", ":MAIN:#12", ":IO:#3"}));
    m.ClickEntry(1);
    EXPECT_EQ(m.control("Klasse").text, "Line number symbol");
    EXPECT_EQ(m.control("Funktion").text, "START");
    EXPECT_EQ(m.GetSymbolName(), ":MAIN:#12");
    EXPECT_EQ(m.GetSymbol()->kind, sspZeilennummer);
    EXPECT_EQ(m.GetSymbol()->address.offset, 0x130);
    m.SelectSort(2);
    EXPECT_EQ(texts(m), (std::vector<std::string>{":MAIN:#11", ":MAIN:#12", ":IO:#3"}));

    store.writeInteger(kDriverKey, "SymbolForm", "Klassen", 1);
    m.SetRegisterAnzeigen(true);
    EXPECT_FALSE(m.ZeilenNummern());
    EXPECT_EQ(m.caption(), "Predefined register symbols");
    for (const char* hidden : {"ModuleBox", "LabelModuleBox", "KlassenGroupBox", "CheckAlle"})
        EXPECT_FALSE(m.control(hidden).visible) << hidden;
    EXPECT_FALSE(m.control("EndAdrLabel").enabled);
    // By address, as line mode left it; the pair's halves are SFRs of their own.
    EXPECT_EQ(texts(m), (std::vector<std::string>{"DPL", "DPH", "ACC", "B", "DPTR"}));
    m.SelectSort(1);
    EXPECT_EQ(texts(m), (std::vector<std::string>{"ACC", "B", "DPH", "DPL", "DPTR"}));
    m.ClickEntry(4);
    EXPECT_EQ(m.control("Adresse").text, "83 82");
    EXPECT_EQ(m.GetSymbolName(), "DPTR");
    m.Ok();
    EXPECT_EQ(store.readInteger(kDriverKey, "SymbolForm", "Klassen", 0), 1);  // not written in register mode
    m.SetRegisterAnzeigen(false);
    EXPECT_EQ(m.caption(), "Loaded symbols");
    EXPECT_EQ(m.klassen(), klasse::Program);
}

}  // namespace
}  // namespace tarvex::ui
