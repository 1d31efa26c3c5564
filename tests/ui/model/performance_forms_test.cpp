// The performance definitions and analysis dialogs: the list edited on a
// copy and handed back in the user's order, the "?" picks, the settings
// handed to the component, the analysis rows, labels and bars.
#include "ui/model/performance_forms.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "tests/ui/model/dialog_fixture.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex::ui {
namespace {

using Fixture = tarvex::test::DialogFixture;

std::vector<std::string> ranges(const PerfDefineModel& m) {
    std::vector<std::string> out;
    for (const auto& row : m.Rows()) out.push_back(row[0] + "|" + row[1] + "|" + row[2] + "|" + row[3]);
    return out;
}

bool insert(PerfDefineModel& m, const char* range, const char* comment = "") {
    m.EditText("BereichAdresse", range);
    m.EditText("Kommentar", comment);
    return m.Insert();
}

TEST(PerfDefineForm, ListEditingKeepsTheUsersOrderAndRefusesBadRanges) {
    Fixture f;
    PerfDefineModel m(f.tables(), f.store, {});
    EXPECT_EQ(m.caption(), "Performance settings");
    EXPECT_FALSE(m.control("DeleteButton").enabled);
    EXPECT_FALSE(m.control("FunctionButton").enabled);
    m.Delete();
    m.Edit();
    EXPECT_EQ(f.boxes.beeps(), 2);
    EXPECT_TRUE(f.boxes.shown().empty());

    ASSERT_TRUE(insert(m, "0200 0210", "g"));
    EXPECT_EQ(m.control("BereichAdresse").text, "");
    EXPECT_EQ(m.DefaultButton(), "InsertButton");
    m.SelectRow(-1);
    ASSERT_TRUE(insert(m, "0100 0110", "f"));  // no row selected: at the top
    EXPECT_EQ(m.SelectedRow(), 0);
    ASSERT_TRUE(insert(m, "0300 0310", "h"));  // after the selected row
    EXPECT_EQ(ranges(m), (std::vector<std::string>{"0100 0110|0100|0110|f", "0300 0310|0300|0310|h",
                                                   "0200 0210|0200|0210|g"}));
    EXPECT_TRUE(m.control("DeleteButton").enabled && m.control("EditButton").enabled);

    // Refused texts: an inverted or empty range, and a name not in the table.
    for (const char* bad : {"0400 0380", "0400 0400", "NOSUCH"}) {
        f.boxes.clear();
        EXPECT_FALSE(insert(m, bad)) << bad;
        ASSERT_EQ(f.boxes.shown().size(), 1u) << bad;
        EXPECT_EQ(m.Definitionen().Items.size(), 3u) << bad;
    }
    f.boxes.clear();
    EXPECT_FALSE(insert(m, "0400 0380"));
    EXPECT_EQ(f.boxes.shown()[0].text, "Value in Address range not valid");

    m.SelectRow(1);
    m.Edit();
    EXPECT_EQ(m.control("BereichAdresse").text, "0300 0310");
    EXPECT_EQ(m.control("Kommentar").text, "h");
    EXPECT_EQ(m.SelectedRow(), 1);
    m.Delete();  // the last row: the one before it is selected
    EXPECT_EQ(m.SelectedRow(), 0);
    EXPECT_EQ(ranges(m), (std::vector<std::string>{"0100 0110|0100|0110|f"}));

    // The caller's list is a copy: editing does not reach it.
    TPerformanceList given;
    given.Items.push_back(std::make_unique<TPerformanceItem>());
    given.Items[0]->RangeText = "0500 0510";
    m.SetDefinitionen(given);
    m.Delete();
    EXPECT_EQ(given.Items.size(), 1u);
}

TEST(PerfDefineForm, PicksDefaultsFocusAndTheSettingsHandedBack) {
    Fixture f;
    f.symbols.AddModule("MAIN", 1, UnbankedAdresse(0x100), UnbankedAdresse(0x2FF));
    f.symbols.AddFunction("f", 1, UnbankedAdresse(0x100), UnbankedAdresse(0x17F), 1);
    f.symbols.AddFunction("g", 1, UnbankedAdresse(0x180), UnbankedAdresse(0x1FF), 2);
    f.symbols.AddSymbol(1, "A", 0, 1, kNoType, 1, symbol_class::None, UnbankedAdresse(0x200));
    f.symbols.AddSymbol(1, "B", 0, 1, kNoType, 1, symbol_class::None, UnbankedAdresse(0x220));
    test::FakePerformanceTrace trace;
    TPerformance perf(std::make_unique<TVokWinValidator>(&f.symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace});
    PerfDefineModel m(f.tables(), f.store, PerfSettingsOf(perf, 131072));
    EXPECT_TRUE(m.control("FunctionButton").enabled);

    ScriptedSymbolPicker picker;
    ScopedSymbolPicker scope(&picker);
    PickedSymbol label{"A", 1}, label2{"B", 1}, module{"MAIN.f", 0}, constant{"K", 4};
    struct Pick {
        std::optional<PickedSymbol> pick;
        const char* text;
        int beeps;
    } const picks[] = {{label, "A", 0},      {label2, "A B", 0}, {std::nullopt, "A B", 0},
                       {constant, "A B", 1}, {module, "MAIN.f", 1}, {label, "MAIN.f A", 1}};
    for (const auto& p : picks) {
        picker.answer(p.pick);
        m.Browse();
        EXPECT_EQ(m.control("BereichAdresse").text, p.text);
        EXPECT_EQ(f.boxes.beeps(), p.beeps);
    }
    EXPECT_EQ(picker.requests().back().klassen, Klassen(klasse::Program | klasse::Modul));
    m.EditText("BereichAdresse", "A B");
    ASSERT_TRUE(m.Insert());
    EXPECT_EQ(ranges(m).at(0), "A B|0200|0220|");

    m.DefaultSettings();
    const auto rows = ranges(m);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(m.Definitionen().Items[0]->Name, "F");
    EXPECT_EQ(m.Definitionen().Items[1]->Name, "G");
    EXPECT_TRUE(m.Definitionen().Items[1]->Resolved);
    EXPECT_EQ(m.Definitionen().Items[1]->EntryAddress.offset, 0x180);

    const std::pair<const char*, const char*> focus[] = {{"Kommentar", "InsertButton"}, {"ListView", "EditButton"},
                                                        {"UpDownCounter", "OkButton"}, {"TimeBaseGroup", "OkButton"},
                                                        {"BereichAdresse", "InsertButton"}, {"FrameCount", "OkButton"}};
    for (const auto& [control, button] : focus) {
        m.FocusEntered(control);
        EXPECT_EQ(m.DefaultButton(), button) << control;
    }

    EXPECT_EQ(m.Settings().frames, 1000u);
    m.SetFrameCount(500000);
    EXPECT_EQ(m.Settings().frames, 131072u);
    m.SetFrameCount(0);
    EXPECT_EQ(m.control("FrameCount").text, "1");
    m.SetFrameCount(2000);
    m.SetTimeBase(2);
    m.SetPerfMode(true);
    m.ApplyTo(perf);
    EXPECT_EQ(perf.Definitionen().Items.size(), 2u);
    EXPECT_EQ(perf.MaxFrames(), 2000u);
    EXPECT_EQ(perf.TraceModus(), 2);
    EXPECT_TRUE(perf.Active());
    EXPECT_EQ(trace.overflow, 2000);

    m.Ok({210, 50, 60, 240});
    PerfDefineModel again(f.tables(), f.store, PerfSettingsOf(perf, 131072));
    for (int c = 0; c < 4; ++c) EXPECT_EQ(again.ColumnWidth(c), (std::array{210, 50, 60, 240})[c]);
    EXPECT_EQ(again.control("TimeBaseGroup").itemIndex, 2);
    EXPECT_TRUE(again.control("CheckBoxPerfMode").checked);
}

TEST(PerfAnalyseForm, RowsLabelsAndBars) {
    platform::MemorySettingsStore store;
    test::FakePerformanceTrace trace;
    TPerformanceList result;
    const double percents[] = {25, 50, 100, std::nan(""), 1e300, -3};
    for (double p : percents) {
        auto item = std::make_unique<TPerformanceItem>();
        item->EntryAddress = UnbankedAdresse(0x100);
        item->ExitAddress = UnbankedAdresse(0x110);
        item->Name = "r";
        item->Percent = p;
        item->AddCall(10);
        item->AddCall(30);
        item->NetTime = 7;
        result.Items.push_back(std::move(item));
    }
    result.FrameCount = 42;
    result.RunTime = 160;
    result.Messages = {"Trace frame 3 ignored: no performance adsress 0200"};
    PerfAnalyseModel m(store, nullptr, &trace);
    m.SetErgebnis(result);
    EXPECT_EQ(m.caption(), "Performance analysis");
    EXPECT_EQ(m.control("LabelFrames").text, "42");
    EXPECT_EQ(m.control("LabelTimeStamp").text, "160");
    EXPECT_EQ(m.control("ListBox").items, result.Messages);
    EXPECT_EQ(m.SelectedRow(), 0);
    EXPECT_EQ(m.Rows()[1], (std::array<std::string, 7>{"0100", "0110", "40", "2", "50.00", "", "r"}));
    // Shortest, longest, average, net.
    EXPECT_EQ(m.control("LabelMinimal").text, "10");
    EXPECT_EQ(m.control("LabelMaximal").text, "30");
    EXPECT_EQ(m.control("LabelMittel").text, "20");
    EXPECT_EQ(m.control("LabelGesamtDiff").text, "7");
    const int bars[] = {25, 50, 100, 0, 100, 0};
    for (int row = 0; row < 6; ++row) EXPECT_EQ(m.BarWidth(row, 100), bars[row]) << row;
    EXPECT_EQ(PerfBarWidth(50, 101), 51);
    EXPECT_EQ(PerfBarWidth(std::numeric_limits<double>::infinity(), 100), 0);
    EXPECT_EQ(m.BarWidth(6, 100), 0);
}

TEST(PerfAnalyseForm, PercentagesReadBackFromTheProjectStreamDrawInsideTheColumn) {
    // Any value may come back from the project option file's extended float.
    TSymboltabelle symbols;
    test::FakePerformanceTrace trace;
    auto make = [&] {
        return std::make_unique<TPerformance>(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                                              TPerformanceWiring{&trace});
    };
    auto written = make();
    TPerformanceList list;
    for (double p : {std::nan(""), 1e300, -1e300, 50.0}) {
        auto item = std::make_unique<TPerformanceItem>();
        item->RangeText = "0100 0110";
        item->Percent = p;
        list.Items.push_back(std::move(item));
    }
    written->SetDefinitionen(list);
    platform::MemoryStream m;
    ValueWriter w(m);
    written->writeSettings(w);
    m.seek(0);
    ValueReader r(m);
    auto read = make();
    read->readSettings(r, 6, true);
    platform::MemorySettingsStore store;
    PerfAnalyseModel model(store, nullptr, &trace);
    model.SetErgebnis(read->Definitionen());
    const int bars[] = {0, 80, 0, 40};
    for (int row = 0; row < 4; ++row) EXPECT_EQ(model.BarWidth(row, 80), bars[row]) << row;
}

}  // namespace
}  // namespace tarvex::ui
