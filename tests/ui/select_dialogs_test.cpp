// The windows of the basic break and map dialogs over an offline table.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "emulator/kdo_select_table.hpp"
#include "tests/support/target/sim_target.hpp"
#include "ui/base/history_combo.hpp"
#include "ui/radio_group.hpp"
#include "ui/select_dialogs.hpp"

namespace tarvex::ui {
namespace {

void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2)); }

struct OfflineRig : test::SimTarget {
    platform::MemorySettingsStore store;
    std::unique_ptr<TKdoSelectTabelle> offline;
    OfflineRig() {
        start();
        TSelectTabelle live(wiring());
        live.InitEmulStart();
        offline = std::make_unique<TKdoSelectTabelle>(wiring());
        offline->CopyFrom(live);
        fresh();
    }
    TSelectWiring wiring() { return TSelectWiring{*emu, *banking, *spaces, options, notifier}; }
};

void type(HistoryCombo* combo, const char* text) {
    combo->setFocus();
    combo->lineEdit()->clear();
    QTest::keyClicks(combo, text);
}

TEST(BasicBreakDialog, SetClickAndCycle) {
    OfflineRig r;
    BasicBreakFormModel model(r.store);
    model.SetSettings(r.offline.get());
    {
        BasicBreakDialog dialog(model, r.store);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.windowTitle(), "Break settings");
        auto* event = dialog.findChild<HistoryCombo*>("Event");
        type(event, "1000 10FF");
        QTest::mouseClick(dialog.findChild<QPushButton*>("EnterButton"), Qt::LeftButton);
        EXPECT_EQ(dialog.findChild<QListWidget*>("ProgramListBox")->count(), 1);
        EXPECT_EQ(event->text(), "");
        EXPECT_TRUE(event->hasFocus());
        click(dialog.findChild<RadioGroup*>("MemoryGroup")->button(1));
        type(event, "8000 80FF");
        QTest::mouseClick(dialog.findChild<QPushButton*>("EnterButton"), Qt::LeftButton);
        click(dialog.findChild<RadioGroup*>("ExtDataCycleGroup")->button(2));
        EXPECT_EQ(r.offline->GetSelectMode(12), select_mode::ReadWrite);
        click(dialog.findChild<RadioGroup*>("MemoryGroup")->button(0));
        auto* ext = dialog.findChild<QListWidget*>("ExtDataListBox");
        ASSERT_EQ(ext->count(), 1);
        QTest::mouseClick(ext->viewport(), Qt::LeftButton, {}, ext->visualItemRect(ext->item(0)).center());
        EXPECT_TRUE(dialog.findChild<RadioGroup*>("MemoryGroup")->button(1)->isChecked());
        EXPECT_EQ(event->text(), ext->item(0)->text().toStdString());
        saveShot(dialog, "TFormBasicBreak");
        EXPECT_TRUE(r.log().empty());
        dialog.reject();
    }
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormEvent", "History0", ""), "8000 - 80FF");
}

TEST(MapDialog, SetAndDefaults) {
    OfflineRig r;
    r.options.pod = 3;  // a pod that maps external data
    MapFormModel model(r.store);
    model.SetSettings(r.offline.get());
    MapDialog dialog(model, r.store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Mapping");
    EXPECT_FALSE(dialog.findChild<QWidget*>("LabelExtData")->isVisible());
    auto* adr = dialog.findChild<HistoryCombo*>("AdrName");
    type(adr, "4000 40FF");
    QTest::mouseClick(dialog.findChild<QPushButton*>("DeleteProgram"), Qt::LeftButton);
    type(adr, "8000 80FF");
    QTest::mouseClick(dialog.findChild<QPushButton*>("EnterExtData"), Qt::LeftButton);
    EXPECT_EQ(dialog.findChild<QListWidget*>("ExtDataListBox")->count(), 1);
    EXPECT_EQ(dialog.findChild<QListWidget*>("ProgramListBox")->count(), 2);
    saveShot(dialog, "TFormMap");
    QTest::mouseClick(dialog.findChild<QPushButton*>("DefaultButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.findChild<QListWidget*>("ExtDataListBox")->count(), 0);
    EXPECT_TRUE(r.log().empty());
}

}  // namespace
}  // namespace tarvex::ui
