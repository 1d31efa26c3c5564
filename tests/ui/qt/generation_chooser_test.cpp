// The generation chooser, offscreen, as the emulator object opens it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "emulator/emulator.hpp"
#include "platform/clock.hpp"
#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/radio_group.hpp"
#include "ui/qt/driver/generation_chooser.hpp"

namespace tarvex::ui {
namespace {

TEST(GenerationChooser, StaysOpenWithoutAChoiceAndHandsTheChoiceToTheEmulator) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi scope(&boxes);
    platform::MemorySettingsStore store;  // no "Tarvex" value: the user is asked
    platform::FakeClock clock;
    StandaloneTargetOptions options("", "");
    TEmulator emulator(options, clock, store);
    QtMaintenanceForms forms;
    TargetParts parts;
    parts.maintenanceForms = &forms;
    emulator.SetParts(parts);

    bool stillOpen = true;
    int beepsBeforeChoice = -1;
    test::whenModal([&](QWidget& w) {
        auto& chooser = static_cast<GenerationChooser&>(w);
        EXPECT_EQ(chooser.windowTitle(), "Emulator:");
        for (auto* b : chooser.findChildren<QRadioButton*>()) EXPECT_FALSE(b->isChecked());
        QTest::mouseClick(chooser.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
        chooser.close();
        QTest::keyClick(&chooser, Qt::Key_Escape);
        stillOpen = chooser.isVisible();
        beepsBeforeChoice = boxes.beeps();
        // The refusal puts the focus on the group (read as the window keeps it:
        // under load the offscreen window need not be the active one).
        EXPECT_EQ(chooser.focusWidget(), chooser.findChild<QWidget*>("TarvexGroup"));
        saveShot(chooser, "TFormTarvex");
        QTest::mouseClick(chooser.findChild<RadioGroup*>("TarvexGroup")->button(2), Qt::LeftButton);
        QTest::mouseClick(chooser.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    });
    emulator.LoadFromRegistry();
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(beepsBeforeChoice, 3);
    EXPECT_EQ(emulator.Generation(), 2);
    EXPECT_EQ(emulator.HardwareName(), "TARVEX-6");
}

}  // namespace
}  // namespace tarvex::ui
