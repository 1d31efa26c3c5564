// The symbol browser's window on a loaded example, and the picker that the
// other dialogs' "?" buttons open.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <fstream>

#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/loader_cdb.hpp"
#include "tests/support/test_support.hpp"
#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/caret_list_view.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/qt/driver/symbol_browser_dialog.hpp"

namespace tarvex::ui {
namespace {

struct Example {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    TRegisterTabelle registers;
    Example() {
        std::ifstream in(tarvex::test::sourceDir() / "examples" / "build" / "types.cdb");
        std::vector<std::string> text;
        for (std::string line; std::getline(in, line);) text.push_back(line);
        TCdbLoader loader(symbols, lines);
        loader.Load(text);
        registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
        registers.AddRegister("B", "", 0, 0, 0, 0xF0, "");
        registers.AddRegister("PSW", "", 0, 0, 0, 0xD0, "");
        registers.AddRegister("DPTR", "DPL", 1, 0, 0x83, 0x82, "DPH");
        registers.AddRegister("CY", "", 2, 0x80, 0, 0xD7, "");
    }
    SymbolBrowserSources sources() { return {&symbols, &lines, &registers, true}; }
};

TEST(SymbolBrowserDialog, ShowsTheLoadedExampleInItsThreeModes) {
    Example ex;
    platform::MemorySettingsStore store;
    SymbolBrowserModel model(ex.sources(), store);
    SymbolBrowserDialog dialog(model, store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Loaded symbols");
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("CheckAlle")->isChecked());
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("CheckTypedef")->isVisible());
    EXPECT_EQ(dialog.findChild<RadioGroup*>("RadioGroupSort")->itemIndex(), 1);
    EXPECT_GT(model.EntryCount(), 10);
    auto* name = dialog.findChild<HistoryCombo*>("SymbolName");
    name->setFocus();
    QTest::keyClicks(name, "tick");
    EXPECT_EQ(model.CellText(model.Selected(), 0), "TICK");
    EXPECT_EQ(dialog.findChild<QLabel*>("Modul")->text(), "TYPES");
    EXPECT_FALSE(dialog.findChild<QLabel*>("Klasse")->text().isEmpty());
    saveShot(dialog, "TFormSymbol");

    // Choosing a module in the list unticks "all".
    auto* modules = dialog.findChild<QListWidget*>("ModuleBox");
    QTest::mouseClick(modules->viewport(), Qt::LeftButton, {}, modules->visualItemRect(modules->item(1)).center());
    EXPECT_EQ(model.ModuleIndex(), 1);
    EXPECT_FALSE(dialog.findChild<QCheckBox*>("CheckAlle")->isChecked());
    auto* alle = dialog.findChild<QCheckBox*>("CheckAlle");
    QTest::mouseClick(alle, Qt::LeftButton, {}, QPoint(6, alle->height() / 2));
    EXPECT_EQ(model.ModuleIndex(), 0);
    EXPECT_EQ(model.klassen(), klasse::Alle);

    model.SetZeilenNummern(true);
    EXPECT_FALSE(dialog.findChild<QWidget*>("KlassenGroupBox")->isVisible());
    EXPECT_EQ(dialog.findChild<RadioGroup*>("RadioGroupSort")->button(1)->text(), "by Line number");
    // The entries' list fills the place the form leaves for it.
    CaretListView* symbols = &dialog.entries();
    EXPECT_EQ(symbols->parentWidget(), dialog.findChild<QWidget*>("SymbolBox"));
    const int rowHeight = symbols->list().geometry.itemHeight();
    QTest::mouseClick(symbols->viewport(), Qt::LeftButton, {}, QPoint(10, rowHeight / 2));
    EXPECT_EQ(name->text(), model.CellText(0, 0));
    EXPECT_EQ(dialog.findChild<QLabel*>("Klasse")->text(), "Line number symbol");
    saveShot(dialog, "TFormSymbol-lines");

    model.SetRegisterAnzeigen(true);
    EXPECT_EQ(dialog.windowTitle(), "Predefined register symbols");
    EXPECT_FALSE(modules->isVisible());
    EXPECT_EQ(model.EntryCount(), 7);  // the pair's halves are SFRs of their own
    QTest::mouseClick(symbols->viewport(), Qt::LeftButton, {}, QPoint(10, rowHeight * 5 + rowHeight / 2));
    EXPECT_EQ(name->text(), "DPTR");
    saveShot(dialog, "TFormSymbol-registers");
}

TEST(QtSymbolPicker, AcceptsTheChosenEntryAndNothingOnCancel) {
    Example ex;
    platform::MemorySettingsStore store;
    TSymboltabelle none;
    bool empty = false;
    QtSymbolPicker picker([&] { return empty ? SymbolBrowserSources{&none, nullptr, nullptr, false} : ex.sources(); },
                          store);
    ScopedSymbolPicker scope(&picker);
    test::whenModal([](QWidget& w) {
        auto* ok = w.findChild<QPushButton*>("OkButton");
        EXPECT_EQ(ok->text(), "Accept");
        auto* name = w.findChild<HistoryCombo*>("SymbolName");
        name->setText("TICK");
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    const auto picked = pickSymbol({PickMode::Symbols, klasse::Program | klasse::Modul, "Accept"});
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->name, ":TYPES:TICK");
    EXPECT_EQ(picked->kind, sspProgram);  // the label comes before the function of that name
    EXPECT_EQ(picked->address.offset, 0x78);
    EXPECT_EQ(store.readString(kDriverKey, "SymbolFormSymbolName", "History0", ""), "TICK");

    test::whenModal([](QWidget& w) { static_cast<QDialog&>(w).reject(); });
    EXPECT_FALSE(pickSymbol({PickMode::Lines, std::nullopt, ""}));
    // No entry to accept: the button is disabled and nothing comes back.
    test::whenModal([](QWidget& w) {
        auto* ok = w.findChild<QPushButton*>("OkButton");
        EXPECT_FALSE(ok->isEnabled());
        QTest::mouseClick(ok, Qt::LeftButton);
        if (w.isVisible()) static_cast<QDialog&>(w).reject();
    });
    empty = true;
    EXPECT_FALSE(pickSymbol({PickMode::Symbols, std::nullopt, ""}));
}

}  // namespace
}  // namespace tarvex::ui
