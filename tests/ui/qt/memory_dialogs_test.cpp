// The copy/fill and save memory windows: what the user sees and what the
// closed dialog hands back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "core/symbol_table.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/driver/copy_fill_dialog.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/qt/driver/save_memory_dialog.hpp"

namespace tarvex::ui {
namespace {

// On the indicator: the middle of a wide check or radio button may lie past
// its text, where a click does not count.
void click(QWidget* button) { QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2)); }

TEST(CopyFillDialog, ThreeTasksAndTheCommandAfterOk) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "CopyFillFormData", "History0", "FF");
    DialogTables tables;
    tables.symbols = &symbols;
    tables.systemMode = true;
    CopyFillFormModel model(tables, store);
    {
        CopyFillDialog dialog(model, store);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        EXPECT_EQ(dialog.windowTitle(), "Copy memory range");
        EXPECT_EQ(dialog.findChild<QLabel*>("NachOderMit")->text(), "&Destination address:");
        auto* memory = dialog.findChild<RadioGroup*>("SpeicherGroup");
        EXPECT_EQ(memory->button(6)->text(), "SysSelect ab 5.0");
        click(memory->button(0));
        EXPECT_EQ(model.SpeicherIndex(), 0);
        auto* start = dialog.findChild<HistoryCombo*>("StartAdresse");
        start->setFocus();
        QTest::keyClicks(start, "1000");
        auto* end = dialog.findChild<HistoryCombo*>("EndAdresse");
        end->setFocus();
        QTest::keyClicks(end, "10FF");
        auto* third = dialog.findChild<HistoryCombo*>("ZielAdresse");
        third->setFocus();
        QTest::keyClicks(third, "2000");
        saveShot(dialog, "TFormCopyFill-copy");

        model.SetAufgabe(cfEpromKopieren);
        EXPECT_EQ(dialog.windowTitle(), "Copy EPROM");
        EXPECT_FALSE(third->isVisible());
        EXPECT_FALSE(memory->isVisible());
        saveShot(dialog, "TFormCopyFill-eprom");

        model.SetAufgabe(cfFuellen);
        EXPECT_EQ(dialog.windowTitle(), "Initialize memory range");
        EXPECT_EQ(dialog.findChild<QLabel*>("NachOderMit")->text(), "Data:");
        EXPECT_EQ(third->text(), "FF");  // the fill history, not the destination
        saveShot(dialog, "TFormCopyFill-fill");
        QTest::mouseClick(dialog.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
    }
    // Closed, not yet freed: the command comes from the texts it kept.
    TKommandoStruktur c;
    model.Ausfuehren(c);
    EXPECT_EQ(c.code, cmd::Initialize);
    EXPECT_EQ(c.value, 0xFF);
    EXPECT_EQ(c.start.offset, 0x1000);
    EXPECT_EQ(c.end.offset, 0x10FF);
    EXPECT_EQ(store.readString(kDriverKey, "CopyFillFormAdresse1", "History0", ""), "1000");
    EXPECT_EQ(store.readInteger(kDriverKey, "CopyFillForm", "SpeicherIndex", -1), 0);
}

TEST(SaveMemoryDialog, FormatAndMemoryButtons) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    DialogTables tables;
    tables.symbols = &symbols;
    SaveMemoryFormModel model(tables, store, "/objects");
    SaveMemoryDialog dialog(model, store);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Save memory range into file");
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("RadioSys")->isVisible());
    EXPECT_EQ(dialog.findChild<QPushButton*>("OkButton")->text(), "Save");
    click(dialog.findChild<QRadioButton*>("RadioExtData"));
    EXPECT_EQ(model.Speicher(), 2);
    auto* format = dialog.findChild<RadioGroup*>("FormatGroup");
    click(format->button(3));
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("RadioProgram")->isChecked());
    EXPECT_FALSE(dialog.findChild<QRadioButton*>("RadioExtData")->isEnabled());
    EXPECT_EQ(boxes.beeps(), 1);
    click(format->button(1));
    auto* file = dialog.findChild<HistoryCombo*>("DateiName");
    file->setFocus();
    QTest::keyClicks(file, "image");
    auto* start = dialog.findChild<HistoryCombo*>("StartAdresse");
    start->setFocus();
    QTest::keyClicks(start, "0");
    auto* end = dialog.findChild<HistoryCombo*>("EndAdresse");
    end->setFocus();
    QTest::keyClicks(end, "7FFF");
    saveShot(dialog, "TFormSaveFile");
    QTest::mouseClick(dialog.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    TKommandoStruktur c;
    model.GetKommando(c);
    EXPECT_EQ(c.text1, "image.hex");
    EXPECT_EQ(c.end.offset, 0x7FFF);
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveDateiName", "History0", ""), "image");
}

}  // namespace
}  // namespace tarvex::ui
