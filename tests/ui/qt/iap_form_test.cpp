// The maintenance forms, offscreen, on the simulated board: one PNG per form,
// "&Emulator starten" closes, and a chip erase ends the start.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "core/errors.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/driver/generation_chooser.hpp"
#include "ui/qt/driver/iap_form.hpp"

namespace tarvex::ui {
namespace {

TEST(IapForm, EachFormShowsItsIdentityAndStartCloses) {
    for (const auto& c : tarvex::test::kIapForms) {
        tarvex::test::SimTarget t(tarvex::test::boardOf(c.version));
        t.identify(true);
        QtMaintenanceForms forms(t.emu.get(), t.settings);
        bool shown = false;
        test::whenModal([&](QWidget& w) {
            shown = true;
            EXPECT_EQ(w.objectName().toStdString(), IapFormClass(c.form));
            EXPECT_EQ(w.windowTitle(), "In Application Programming");
            EXPECT_EQ(w.findChild<QLabel*>("LabelHWKennung")->isVisibleTo(&w), c.form == 2);
            saveShot(w, IapFormClass(c.form));
            QTest::mouseClick(w.findChild<QPushButton*>("Start"), Qt::LeftButton);
        });
        EXPECT_NO_THROW(forms.ShowIapForm(c.form));
        EXPECT_TRUE(shown) << c.version;
        EXPECT_TRUE(t.settings.valueExists(kDriverKey, "IAP1", "Width"));
    }
}

TEST(IapForm, AChipEraseEndsTheStart) {
    tarvex::test::SimTarget t(tarvex::test::boardOf("6.0 "));
    t.identify();
    QtMaintenanceForms forms(t.emu.get(), t.settings);
    t.boxes.answer(platform::IdYes);
    test::whenModal([&](QWidget& w) { QTest::mouseClick(w.findChild<QPushButton*>("EraseAll"), Qt::LeftButton); });
    try {
        forms.ShowIapForm(2);
        FAIL() << "no abort";
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(std::string(e.what()), kFlashErasedText);
    }
    EXPECT_TRUE(t.board.chipErased());
}

}  // namespace
}  // namespace tarvex::ui
