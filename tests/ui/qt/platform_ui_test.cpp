// The Qt message boxes, error form, notice window and busy cursor.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <stdexcept>

#include "tests/ui/qt/ui_test_support.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_ui.hpp"

namespace tarvex::ui {
namespace {

namespace mb = platform::mb;

TEST(QtMessageBoxes, ButtonsDefaultsAndClosing) {
    QtMessageBoxes boxes;
    QString focused;
    QStringList captions;
    test::whenModal([&](QWidget& w) {
        for (auto* b : w.findChildren<QPushButton*>()) captions << b->text().remove('&');
        // The default button takes the focus once the box is active.
        if (auto* def = static_cast<QMessageBox&>(w).defaultButton()) focused = def->text().remove('&');
        EXPECT_EQ(static_cast<QMessageBox&>(w).icon(), QMessageBox::Question);
        saveShot(w, "MessageBox");
        QTest::keyClick(&w, Qt::Key_Escape);
    });
    EXPECT_EQ(boxes.show("Trace", "Change display mode?", mb::YesNo | mb::IconQuestion | mb::DefButton2),
              platform::IdNo);
    captions.sort();
    EXPECT_EQ(captions, (QStringList{"No", "Yes"}));
    EXPECT_EQ(focused, "No");

    const struct {
        unsigned flags;
        int closed;
    } cases[] = {{mb::Ok, platform::IdOk}, {mb::YesNoCancel, platform::IdCancel}, {mb::OkCancel, platform::IdCancel}};
    for (const auto& c : cases) {
        test::whenModal([](QWidget& w) { w.close(); });
        EXPECT_EQ(boxes.show("c", "t", c.flags), c.closed) << c.flags;
    }
    test::whenModal([](QWidget& w) {
        for (auto* b : w.findChildren<QPushButton*>())
            if (b->text().remove('&') == "Retry") b->click();
    });
    EXPECT_EQ(boxes.show("c", "t", mb::RetryCancel), platform::IdRetry);
}

TEST(QtErrorDialog, AnswersByButtonAndCloseBox) {
    QtErrorDialog dialog;
    const struct {
        const char* button;  // empty: the close box
        int answer;
    } cases[] = {{"", platform::IdCancel}, {"RetryButton", platform::IdRetry}, {"YesButton", platform::IdYes},
                 {"CancelButton", platform::IdCancel}};
    for (const auto& c : cases) {
        const std::string button = c.button;
        test::whenModal([button](QWidget& w) {
            EXPECT_EQ(w.windowTitle(), "Error");
            EXPECT_EQ(w.findChild<QLabel*>("FirstLabel")->text(), "Emulator");
            if (button.empty()) {
                w.close();
            } else {
                QTest::mouseClick(w.findChild<QPushButton*>(QString::fromStdString(button)), Qt::LeftButton);
            }
        });
        EXPECT_EQ(dialog.ask("No answer from the board", "Emulator"), c.answer) << button;
    }
    auto form = makeErrorForm("No answer from the board", "Emulator");
    form->show();
    EXPECT_TRUE(form->findChild<QPushButton*>("YesButton")->isDefault());
    saveShot(*form, "TFormEmulError");
}

TEST(QtNoticeWindow, ShowsTheTextWithoutCancel) {
    QtNoticeWindow notice;
    notice.show("Reading the symbol table of a large program takes a while");
    auto* form = notice.form();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->windowTitle(), "VokWin");
    EXPECT_EQ(form->findChild<QLabel*>("Hinweis")->text(), "Reading the symbol table of a large program takes a while");
    const auto* cancel = form->findChild<QPushButton*>("CancelButton");
    EXPECT_FALSE(cancel && (cancel->isVisible() || cancel->isEnabled()));
    saveShot(*form, "TFormHinweis");
    notice.close();
    EXPECT_FALSE(form->isVisible());
}

TEST(QtBusyCursor, RestoredAlsoWhenAnExceptionLeaves) {
    QtBusyCursor cursor;
    try {
        platform::BusyCursorScope scope(&cursor);
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        throw std::runtime_error("board");
    } catch (const std::runtime_error&) {
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

}  // namespace
}  // namespace tarvex::ui

#include <QFileDialog>

#include "tests/support/test_support.hpp"

namespace tarvex::ui {
namespace {

TEST(QtFileDialog, NamesAFileToWriteWithItsFilter) {
    tarvex::test::TempDir dir;
    QtFileDialog files;
    platform::FileRequest request{"Save trace", "Text (*.txt)|*.txt|Log (*.log)|*.log", dir.path().string(), "",
                                  2, false};
    const std::string target = (dir.path() / "trace.log").string();
    test::whenModal([&](QWidget& w) {
        auto& d = static_cast<QFileDialog&>(w);
        EXPECT_EQ(d.selectedNameFilter(), "Log (*.log)");
        d.selectFile(QString::fromStdString(target));
        static_cast<QDialog&>(w).accept();
    });
    const auto choice = files.chooseFile(request);
    ASSERT_TRUE(choice);
    EXPECT_EQ(choice->path, target);
    EXPECT_EQ(choice->filterIndex, 2);
    test::whenModal([](QWidget& w) { w.close(); });
    EXPECT_FALSE(files.chooseFile(request));
}

}  // namespace
}  // namespace tarvex::ui
