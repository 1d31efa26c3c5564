// The LPC configuration dialog, offscreen, as the options dialog opens it.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/driver/lpc_config_dialog.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {
namespace {

TEST(LpcConfigDialog, OkTakesTheBuiltBytesAndCancelLeavesThem) {
    platform::MemorySettingsStore store;
    std::uint8_t ucfg1 = 0x05, part = 0x1F;
    int shownFrequency = 0;
    test::whenModal([&](QWidget& w) {
        auto& dialog = static_cast<LpcConfigDialog&>(w);
        EXPECT_EQ(dialog.windowTitle(), "Configure LPC cpu");
        EXPECT_EQ(dialog.pages()->tabText(0), "User Configuration Register 1");
        EXPECT_EQ(dialog.pages()->tabText(1), "Part Configuration Register 1");
        shownFrequency = dialog.findChild<RadioGroup*>("FrequencyGroup")->itemIndex();
        auto* watchDog = dialog.findChild<QCheckBox*>("WatchDogCheck");
        QTest::mouseClick(watchDog, Qt::LeftButton, {}, QPoint(6, watchDog->height() / 2));
        saveShot(dialog, "TFormLPCConfig-UCFG1");
        dialog.pages()->setCurrentIndex(1);
        saveShot(dialog, "TFormLPCConfig-Part");
        EXPECT_TRUE(dialog.findChild<QWidget*>("MemoryGroup")->isVisible());
        EXPECT_TRUE(dialog.findChild<QCheckBox*>("AdcCheck")->isVisible());
        QTest::mouseClick(dialog.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    });
    EXPECT_TRUE(OpenLpcConfig(kLpcOptionNumber, ucfg1, part, nullptr, store));
    EXPECT_EQ(shownFrequency, -1);  // 5 names no frequency
    EXPECT_EQ(ucfg1, 0x85);
    EXPECT_EQ(part, 0xFF);

    test::whenModal([&](QWidget& w) {
        auto& dialog = static_cast<LpcConfigDialog&>(w);
        EXPECT_TRUE(dialog.findChild<RadioGroup*>("FrequencyGroup")->button(4)->isChecked());
        QTest::mouseClick(dialog.findChild<RadioGroup*>("FrequencyGroup")->button(0), Qt::LeftButton);
        QTest::mouseClick(dialog.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    });
    ucfg1 = 0x04;
    EXPECT_FALSE(OpenLpcConfig(kLpcOptionNumber, ucfg1, part, nullptr, store));
    EXPECT_EQ(ucfg1, 0x04);
    EXPECT_EQ(part, 0xFF);
    // Other processors carry no bytes: nothing opens.
    EXPECT_FALSE(OpenLpcConfig(8, ucfg1, part, nullptr, store));
}

}  // namespace
}  // namespace tarvex::ui
