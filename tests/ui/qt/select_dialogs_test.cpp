// The windows of the basic break and map dialogs over an offline table.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "emulator/debug/kdo_select_table.hpp"
#include "tests/support/target/offline_select.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/radio_group.hpp"
#include "tests/support/fake_trace.hpp"
#include "ui/qt/driver/select_dialogs.hpp"

namespace tarvex::ui {
namespace {

void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2)); }

using OfflineRig = test::OfflineSelectTarget;

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

TEST(BreakSettingsDialog, ChannelsModesAndCounters) {
    OfflineRig r;
    test::FakeTraceControl trace;
    BreakFormModel model(r.store, &trace);
    model.SetSettings(r.offline.get());
    BreakSettingsDialog dialog(model, r.store);
    dialog.show();
    // Leaving a field needs the focus events of the active window.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Break settings");
    auto* event = dialog.findChild<HistoryCombo*>("Event");
    type(event, "1000 10FF");
    QTest::mouseClick(dialog.findChild<QPushButton*>("EnterAdresse"), Qt::LeftButton);
    click(dialog.findChild<RadioGroup*>("CycleGroup")->button(0));
    auto* lines = dialog.findChild<QListWidget*>("EventListBox");
    EXPECT_EQ(lines->item(0)->text(), "(1000 - 10FF) * OPCODE");
    QTest::mouseClick(dialog.findChild<QLabel*>("Clear1Label"), Qt::LeftButton);
    EXPECT_EQ(lines->currentRow(), 1);
    EXPECT_EQ(model.Channel(), 1);
    QTest::mouseClick(dialog.findChild<QLabel*>("Break1Label"), Qt::LeftButton);
    // A counter is applied when the field is left.
    auto* counter = dialog.findChild<HistoryCombo*>("Zaehler");
    type(counter, "3");
    event->setFocus();
    EXPECT_EQ(lines->item(0)->text(), "(1000 - 10FF) * OPCODE Count=3");
    saveShot(dialog, "TFormVok4Break");

    click(dialog.findChild<RadioGroup*>("OptionsGroup")->button(7));
    EXPECT_TRUE(dialog.findChild<QWidget*>("Probes")->isEnabled());
    EXPECT_FALSE(dialog.findChild<QWidget*>("TraceCount")->isEnabled());
    EXPECT_FALSE(dialog.findChild<QWidget*>("InputGroup")->isEnabled());
    saveShot(dialog, "TFormVok4Break-logicprobes");
    click(dialog.findChild<RadioGroup*>("OptionsGroup")->button(8));
    auto* traceCount = dialog.findChild<HistoryCombo*>("TraceCount");
    // Refused when left, and refused by OK (the button takes no focus when
    // pressed by its shortcut): the dialog stays open.
    type(traceCount, "40000");
    dialog.findChild<QPushButton*>("DefaultButton")->setFocus();  // the event input is disabled now
    ASSERT_FALSE(r.boxes.shown().empty());
    EXPECT_EQ(r.boxes.shown().back().text, "Value in Trace counter not valid");
    EXPECT_EQ(traceCount->text(), r.offline->GetOverflowText());  // the old value back
    const auto shown = r.boxes.shown().size();
    type(traceCount, "40000");
    dialog.findChild<QPushButton*>("Ok")->click();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(r.boxes.shown().size(), shown + 1);
    EXPECT_TRUE(r.log().empty());
    type(traceCount, "2000");
    QTest::mouseClick(dialog.findChild<QPushButton*>("Ok"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(r.offline->GetOverflowText(), "2000");
    EXPECT_EQ(r.store.readString(kDriverKey, "BreakFormTraceCount", "History0", ""), "2000");
    EXPECT_TRUE(r.log().empty());
}

TEST(TraceSettingsDialog, TriggersFiltersAndOptions) {
    OfflineRig r;
    TraceSettingsFormModel model(r.store);
    model.SetSettings(r.offline.get());
    TraceSettingsDialog dialog(model, r.store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Trace settings");
    EXPECT_FALSE(dialog.findChild<QWidget*>("CycleGroup")->isEnabled());
    QTest::mouseClick(dialog.findChild<QLabel*>("Trace2Label"), Qt::LeftButton);
    EXPECT_EQ(model.Filter(), 1);
    click(dialog.findChild<RadioGroup*>("CycleGroup")->button(2));
    EXPECT_EQ(r.offline->GetSelectMode(15), select_mode::Write);
    EXPECT_FALSE(dialog.findChild<QWidget*>("ProgramOptionGroup")->isEnabled());
    click(dialog.findChild<QRadioButton*>("StopTriggerB"));
    click(dialog.findChild<QRadioButton*>("StartTriggerB"));
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("StartTriggerB")->isChecked());
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("StopTriggerDefault")->isChecked());
    click(dialog.findChild<QRadioButton*>("TriggerBC"));
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("StartTriggerA")->isEnabled());
    click(dialog.findChild<RadioGroup*>("TimeBaseGroup")->button(1));
    EXPECT_EQ(r.offline->GetTimeBase(), 1);
    saveShot(dialog, "TFormVok4Trace");
    EXPECT_TRUE(r.log().empty());
    QTest::mouseClick(dialog.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    EXPECT_EQ(r.store.readInteger(kDriverKey, "TraceForm", "EventTypIndex", -1), 1);
}

}  // namespace
}  // namespace tarvex::ui
