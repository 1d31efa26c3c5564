// The trace window's model and its columns and goto dialogs.
#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/ui/model/trace_test_support.hpp"
#include "ui/model/trace_dialogs.hpp"
#include "ui/model/trace_window.hpp"

namespace tarvex::ui {
namespace {

struct Fixture {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    TraceWindowNumbers numbers;
    ScriptedTraceSource source = test::loopTrace(150);
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
};

TEST(TraceWindow, SectionsTakeTheLowestFreeNumberAndKeepTheLayout) {
    Fixture f;
    auto first = std::make_unique<TraceWindowModel>(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    auto second = std::make_unique<TraceWindowModel>(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    EXPECT_EQ(first->section(), "Trace1");
    EXPECT_EQ(second->section(), "Trace2");
    first->setDarstellung(tdZyklus);
    first->setWidth(2, 99);
    first->close({10, 20, 640, 480});
    second->close({0, 0, 300, 200});
    first.reset();
    second.reset();
    TraceWindowModel again(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    EXPECT_EQ(again.section(), "Trace1");
    EXPECT_EQ(again.darstellung(), tdZyklus);
    EXPECT_EQ(again.widths()[2], 99);
    EXPECT_EQ(again.widths()[8], 55);
    ASSERT_TRUE(again.storedGeometry());
    EXPECT_EQ(again.storedGeometry()->width, 640);
    EXPECT_EQ(again.headerTitle(8), "Cycle");
}

TEST(TraceWindow, TheModeIsValidatedAndTheContextOnlyInSourceMode) {
    Fixture f;
    f.store.writeInteger(kDriverKey, "Trace1", "Darstellung", 9);
    TraceWindowModel w(f.source, TraceContext{&f.lines}, f.store, TraceWindowHost{}, f.numbers);
    EXPECT_EQ(w.darstellung(), tdMixedMode);
    EXPECT_TRUE(w.control("cmPopMixedMode").checked);
    EXPECT_FALSE(w.control("cmPopSource").enabled);
    // Source without lines over a trace: Assembled.
    w.setDarstellung(tdSource);
    EXPECT_EQ(w.darstellung(), tdDisassembliert);
    w.setContext(true);
    EXPECT_FALSE(w.contextShown());
    EXPECT_FALSE(w.control("cmPopShowContext").visible);
    f.lines.AddLine(UnbankedAdresse(0), 10, 0, 0, 0);
    w.notify(8);
    EXPECT_TRUE(w.control("cmPopSource").enabled);
    w.setDarstellung(tdSource);
    EXPECT_EQ(w.darstellung(), tdSource);
    w.setContext(true);
    EXPECT_TRUE(w.contextShown());
    EXPECT_TRUE(w.box().contextMode());
    w.setDarstellung(tdMixedMode);
    EXPECT_FALSE(w.contextShown());
    EXPECT_FALSE(w.box().contextMode());
    // Cycle mode over a recording of opcodes only: Assembled.
    w.setDarstellung(tdZyklus);
    EXPECT_EQ(w.darstellung(), tdZyklus);
    f.source.cycleInformation = false;
    w.setDarstellung(tdZyklus);
    EXPECT_EQ(w.darstellung(), tdDisassembliert);
    EXPECT_TRUE(w.control("cmPopDisassembliert").checked);
    EXPECT_FALSE(w.control("cmPopZyklus").checked);
}

TEST(TraceWindow, ColumnsOffAndOnAgainWithTheirRememberedWidths) {
    Fixture f;
    TraceWindowModel w(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    w.setWidth(1, 44);
    auto shown = w.columnsShown();
    shown[1] = false;
    shown[3] = false;
    w.applyColumns(shown);
    EXPECT_EQ(w.widths()[1], 0);
    EXPECT_EQ(w.widths()[3], 0);
    shown[1] = true;
    w.applyColumns(shown);
    EXPECT_EQ(w.widths()[1], 44);
    // A column that was never shown gets its default.
    f.store.writeInteger(kDriverKey, "Trace2", "Header9", 0);
    TraceWindowModel other(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    EXPECT_EQ(other.widths()[9], 0);
    auto all = other.columnsShown();
    all[9] = true;
    other.applyColumns(all);
    EXPECT_EQ(other.widths()[9], 200);
}

// The driver unloaded without closing the window first: the on-the-fly
// trace ends all the same, and a refusal cannot escape the destructor.
TEST(TraceWindow, AWindowFreedWithoutClosingEndsTheOnTheFlyTrace) {
    Fixture f;
    int stops = 0;
    TraceWindowHost host;
    host.stopFlyingTrace = [&] {
        ++stops;
        throw ETraceError("refused");
    };
    auto closed = std::make_unique<TraceWindowModel>(f.source, TraceContext{}, f.store, host, f.numbers);
    EXPECT_THROW(closed->close({0, 0, 300, 200}), ETraceError);
    closed.reset();
    EXPECT_EQ(stops, 1);
    auto freed = std::make_unique<TraceWindowModel>(f.source, TraceContext{}, f.store, host, f.numbers);
    EXPECT_NO_THROW(freed.reset());
    EXPECT_EQ(stops, 2);
}

// A window opened in Source mode over a long trace whose only source line
// is its fifth frame: every read of its opening runs under the reading
// dialog, and Cancel ends it with the question.
TEST(TraceWindow, AWindowOpenedInSourceModeReadsUnderItsReadingDialog) {
    Fixture f;
    platform::FakeClock clock;
    test::CancellingReading reading;
    f.lines.AddLine(UnbankedAdresse(0x0100), 12, 0, 0, 0);
    auto inner = test::loopTrace(3000);
    inner.frames[4].address = 0x0100;
    test::SlowSource source(inner, clock);
    f.store.writeInteger(kDriverKey, "Trace1", "Darstellung", tdSource);
    reading.cancelAfter = 3;
    f.boxes.answer(platform::IdYes);
    TraceWindowModel w(source, TraceContext{&f.lines, nullptr, &clock, &reading}, f.store, TraceWindowHost{},
                       f.numbers);
    EXPECT_GT(reading.shows, 0);
    EXPECT_EQ(reading.closes, reading.shows);
    ASSERT_EQ(f.boxes.shown().size(), 1u);
    EXPECT_EQ(f.boxes.shown()[0].text, "No source items found.\r\nChange display mode?");
    EXPECT_EQ(w.darstellung(), tdMixedMode);
    EXPECT_TRUE(w.control("cmPopMixedMode").checked);
    // The cancelled read and the Mixed Mode view of the end, not the trace
    // read back to its start again and again.
    EXPECT_LT(source.reads, 400);
}

TEST(TraceWindow, MenuGotoDoubleClickStatusAndHost) {
    Fixture f;
    std::uintptr_t slot = 99;
    std::vector<int> closedTags;
    std::pair<bool, bool> runState{true, false};
    int flyingStops = 0;
    TraceWindowHost host{&slot, [&](int t) { closedTags.push_back(t); }};
    host.runState = [&] { return runState; };
    host.stopFlyingTrace = [&] {
        ++flyingStops;
        throw ETraceError("refused");
    };
    TraceWindowModel w(f.source, TraceContext{}, f.store, host, f.numbers);
    // The new window and a stop read the run control's state.
    EXPECT_FALSE(w.control("cmPopSuche").enabled);
    runState = {true, true};
    w.notify(11);
    EXPECT_EQ(w.panelText(3), " On the fly mode ");
    runState = {true, false};
    w.notify(11);
    EXPECT_FALSE(w.control("cmPopSuche").enabled);
    runState = {false, false};
    w.notify(11);
    EXPECT_TRUE(w.control("cmPopSuche").enabled);
    w.setRunState(true, false);
    for (const char* item : {"cmPopSuche", "cmPopSucheNochmal", "cmPopSprung", "cmPopTime0", "cmPopTimeFilter"})
        EXPECT_FALSE(w.control(item).enabled) << item;
    EXPECT_TRUE(w.control("cmPopAusblenden").enabled);
    w.setRunState(true, true);
    EXPECT_TRUE(w.control("cmPopSuche").enabled);
    EXPECT_EQ(w.panelText(3), " On the fly mode ");
    w.setRunState(false, false);
    EXPECT_TRUE(w.control("cmPopTime0").enabled);

    const std::string before = w.box().GetItemText(0);
    EXPECT_FALSE(w.goToFrame("200"));
    ASSERT_EQ(f.boxes.shown().size(), 1u);
    EXPECT_EQ(f.boxes.shown()[0].text, "Value frame index out of range: 200");
    EXPECT_EQ(w.box().GetItemText(0), before);
    EXPECT_TRUE(w.goToFrame("40"));
    EXPECT_EQ(w.box().currentFrame(), 40);
    EXPECT_EQ(w.panelText(0), "    40");
    // A collapsed range under the caret has no index: panel 0 stays empty.
    w.setDarstellung(tdDisassembliert);
    w.box().setVisibleRows(6);
    w.box().showFrame(6);
    w.box().collapseRows({1, 2, 3});
    int collapsed = 0;
    while (collapsed < w.box().rowCount() && w.box().item(collapsed).kind != TTraceItem::Collapsed) ++collapsed;
    ASSERT_LT(collapsed, w.box().rowCount());
    w.box().setCaretRow(collapsed);
    EXPECT_EQ(w.panelText(0), "");
    w.box().expandAtCaret();
    w.setDarstellung(tdMixedMode);
    EXPECT_TRUE(w.goToFrame("40"));

    w.doubleClick();
    EXPECT_EQ(w.box().times().manualZeroFrame(), 40u);
    w.doubleClick();
    EXPECT_FALSE(w.box().times().hasManualZero());

    w.setFilterState(1);
    EXPECT_EQ(w.panelText(2), " Filtering ");
    EXPECT_EQ(TraceWindowModel::panelStyle(w.panelText(2)), TraceWindowModel::PanelStyle::WhiteOnRed);
    w.setFilterState(2);
    EXPECT_EQ(TraceWindowModel::panelStyle(w.panelText(2)), TraceWindowModel::PanelStyle::OnWhite);
    EXPECT_EQ(TraceWindowModel::panelStyle("    40"), TraceWindowModel::PanelStyle::Plain);

    // F1 on a highlighted menu item: its own help, else the window's.
    platform::RecordingHelpViewer viewer;
    platform::currentUi().help = &viewer;
    for (const char* item : {"cmPopSuche", "cmPopTime0", "cmPopTimeFilter", "cmPopSprung", "cmPopDarstellung", ""})
        EXPECT_TRUE(w.help(item));
    EXPECT_EQ(viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{
                                  {1, 2001}, {1, 2003}, {1, 2004}, {1, 220}, {1, 220}, {1, 220}}));

    w.activated(0x1234);
    EXPECT_EQ(slot, 0x1234u);
    // Closing ends the on-the-fly trace; a refusal still lets the window go.
    EXPECT_THROW(w.close({}), ETraceError);
    w.close({});
    EXPECT_EQ(flyingStops, 1);
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(closedTags, std::vector<int>{7});
}

TEST(TraceColumnsDialog, AllAndTheCaptionsOfTheMode) {
    platform::MemorySettingsStore store;
    TraceColumnsModel m(store, tdMixedMode);
    EXPECT_EQ(m.caption(), "Show columns");
    EXPECT_EQ(m.control("CheckBox10").text, "Source text");
    EXPECT_EQ(m.control("CheckBox9").text, "Label");
    m.setMode(tdZyklus);
    EXPECT_EQ(m.control("CheckBox10").text, "Command");
    EXPECT_EQ(m.control("CheckBox9").text, "Cycle");
    m.setColumn(1, false);
    EXPECT_FALSE(m.control("CheckBoxAll").checked);
    m.setColumn(4, false);
    m.setAll(true);
    for (int c = 0; c < kTraceColumns; ++c) EXPECT_TRUE(m.column(c)) << c;
}

TEST(GotoDialog, CallsBankGroupAndSymbols) {
    platform::MemorySettingsStore store;
    ScriptedSymbolPicker picker;
    ScopedSymbolPicker scope(&picker);
    PickedSymbol main;
    main.name = "main";
    main.address = UnbankedAdresse(0x100);
    picker.answer(main);
    picker.answer(std::nullopt);
    GotoModel m(store, GotoBanking{3, -1, 7});
    EXPECT_EQ(m.caption(), "Goto address");
    EXPECT_EQ(m.historySection(), "SprungFormZielAdresse");
    EXPECT_TRUE(m.bankGroupShown());
    EXPECT_EQ(m.control("BankNummerGroup").items, (std::vector<std::string>{"&0", "&1", "&2", "&3"}));
    m.setTarget("2");
    EXPECT_TRUE(m.clickOk());
    EXPECT_EQ(m.control("BankNummerGroup").itemIndex, 2);
    m.setTarget("G");
    m.clickOk();
    EXPECT_EQ(m.control("BankNummerGroup").itemIndex, 2);
    m.clickBank(1);
    EXPECT_EQ(m.chosenBank(), 1);

    m.clickSymbol();
    EXPECT_EQ(m.control("Ziel").text, "main");
    EXPECT_TRUE(m.fromSymbol());
    EXPECT_EQ(m.symbolAddress()->offset, 0x100);
    EXPECT_EQ(picker.requests().back().klassen, Klassen{65});
    EXPECT_EQ(picker.requests().back().acceptCaption, "Accept");
    m.setTarget("mainx");
    EXPECT_FALSE(m.fromSymbol());

    m.setAufruf(saTrace);
    EXPECT_EQ(m.caption(), "Goto trace frame");
    EXPECT_EQ(m.control("ZielLabel").text, "&New index number input");
    EXPECT_EQ(m.historySection(), "SprungFormZielFrame");
    EXPECT_FALSE(m.control("SymbolButton").visible);
    EXPECT_FALSE(m.bankGroupShown());
    m.setTarget(" 120 ");
    EXPECT_EQ(m.targetValue(), 120);
    m.setTarget("12a");
    EXPECT_FALSE(m.targetValue());

    m.setAufruf(saSysEmul);
    EXPECT_EQ(m.control("BankNummerGroup").items.size(), 8u);
    m.setAufruf(saExtData);
    EXPECT_FALSE(m.bankGroupShown());
    m.setAufruf(saSource);
    EXPECT_EQ(m.caption(), "Goto line");
    m.setTarget("12");
    m.clickSymbol();
    EXPECT_EQ(picker.requests().back().mode, PickMode::Lines);
    EXPECT_EQ(m.control("Ziel").text, "12");
    GotoModel wide(store, GotoBanking{40, -1, 15});
    EXPECT_EQ(wide.control("BankNummerGroup").items.size(), 16u);
    EXPECT_EQ(wide.control("BankNummerGroup").items.back(), "&F");
}

}  // namespace
}  // namespace tarvex::ui

namespace tarvex::ui {
namespace {

// The popup menu is data: the order, the submenus, the short cuts and the
// checks both builds show; the items that need no dialog run in the model,
// and the hidden double-click choice stays chosen (it sets no time zero).
TEST(TraceWindow, TheMenuIsDataAndItsItemsWithoutADialogRunInTheModel) {
    Fixture f;
    TraceWindowModel w(f.source, TraceContext{}, f.store, TraceWindowHost{}, f.numbers);
    std::string shape;
    for (const TraceMenuItem& item : TraceWindowModel::menuItems()) {
        shape += *item.parent ? "  " : "";
        shape += item.name;
        if (item.kind == TraceMenuItem::Submenu) shape += ">";
        if (*item.key) shape += std::string(" ") + item.key;
        if (item.radio) shape += " (o)";
        else if (item.checkable) shape += " [x]";
        shape += "\n";
    }
    EXPECT_EQ(shape,
              "cmPopSuche\ncmPopSucheNochmal F3\ncmPopSprung F5\nN1\ncmPopTime0\ncmPopTimeFilter\nN3\n"
              "cmPopAusblenden\ncmPopAusBlendenFunktion\ncmPopEinblenden\ncmPopDarstellung>\n"
              "  cmPopZyklus (o)\n  cmPopDisassembliert (o)\n  cmPopMixedMode (o)\n  cmPopSource (o)\n  N2\n"
              "  cmPopShowContext [x]\n  cmPopSpalten\ncmPopDoppel>\n  cmPopDoppelTime0 (o)\n");

    for (const char* item : {"cmPopSuche", "cmPopTimeFilter", "cmPopSprung", "cmPopSpalten"})
        EXPECT_EQ(w.runItem(item), TraceMenuRun::Dialog) << item;
    EXPECT_EQ(w.runItem("cmPopDisassembliert"), TraceMenuRun::Done);
    EXPECT_EQ(w.darstellung(), tdDisassembliert);
    EXPECT_TRUE(w.control("cmPopDisassembliert").checked);

    ASSERT_FALSE(w.box().times().hasManualZero());
    EXPECT_EQ(w.runItem("cmPopTime0"), TraceMenuRun::Done);
    EXPECT_TRUE(w.box().times().hasManualZero());
    for (int twice = 0; twice < 2; ++twice) {
        EXPECT_EQ(w.runItem("cmPopDoppelTime0"), TraceMenuRun::Done);
        EXPECT_TRUE(w.box().times().hasManualZero());
        EXPECT_TRUE(w.control("cmPopDoppelTime0").checked);
        EXPECT_EQ(w.doubleClickAction(), 1);
    }
    // The double click itself does set the time zero (here: clears it).
    w.doubleClick();
    EXPECT_FALSE(w.box().times().hasManualZero());
}

}  // namespace
}  // namespace tarvex::ui
