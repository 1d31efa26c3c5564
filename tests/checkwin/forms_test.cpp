// The windowed checker's forms, offscreen: the Qt message boxes answer the
// engine's question, the report fills the list, the menu and the keys reach
// their handlers. Each form is rendered into ui-shots/.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "checkwin/qt/qz_check_forms.hpp"
#include "tests/checkwin/support.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/qt_ui.hpp"

namespace tarvex::checkwin {
namespace {

// Runs the action on the first modal window once it shows.
void whenModal(std::function<void(QWidget&)> action, int tries = 400) {
    QTimer::singleShot(5, [action, tries] {
        if (auto* w = QApplication::activeModalWidget(); w && w->isVisible()) {
            action(*w);
        } else if (tries > 0) {
            whenModal(action, tries - 1);
        }
    });
}

// The Qt boxes and busy cursor, as the program installs them.
struct Windowed {
    platform::MemorySettingsStore store;
    ui::QtMessageBoxes boxes;
    ui::QtBusyCursor cursor;
    platform::ScriptedFileDialog files;
    platform::ScopedUi scope{&boxes};
    platform::Ui saved = platform::currentUi();
    Windowed() { platform::currentUi().files = &files; }
    ~Windowed() { platform::currentUi() = saved; }
};

QRadioButton* radio(QWidget& form, const char* group, const char* text) {
    for (auto* b : form.findChild<QWidget*>(group)->findChildren<QRadioButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

TEST(QzCheckMainForm, ARunOnTheExampleFillsTheListAndTheHistory) {
    Windowed w;
    test::WorkingFolder work;
    if (!work.copyExample("ports.omf")) GTEST_SKIP() << "examples not built";
    QzCheckMainModel model(w.store, &w.cursor);
    QzCheckMainForm form(model);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "Pellunar Checker");
    ASSERT_TRUE(radio(form, "RegBankGroup", "1"));
    EXPECT_TRUE(radio(form, "RegBankGroup", "1")->isChecked());

    auto* combo = form.findChild<ui::HistoryCombo*>("FileName");
    combo->setFocus();
    QTest::keyClicks(combo, "ports.omf");
    EXPECT_EQ(model.fileName(), "ports.omf");
    QTest::mouseClick(radio(form, "MsgLvlGroup", "&All pellunars found"), Qt::LeftButton);
    EXPECT_EQ(model.chosen("MsgLvlGroup"), 2);

    QString asked;
    whenModal([&](QWidget& box) {
        if (auto* m = qobject_cast<QMessageBox*>(&box)) asked = m->text();
        QTest::keyClick(&box, Qt::Key_Escape);  // No
    });
    QTest::mouseClick(form.findChild<QPushButton*>("GoButton"), Qt::LeftButton);
    EXPECT_TRUE(asked.contains("Create Intel hex file?")) << asked.toStdString();
    auto* list = form.findChild<QListWidget*>("MsgListBox");
    const auto expected = test::expectedReport("ports_omf.out");
    ASSERT_EQ(list->count(), static_cast<int>(expected.size()));
    for (int i = 0; i < list->count(); ++i)
        EXPECT_EQ(list->item(i)->text().toStdString(), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(w.store.readString(kCheckWinKey, kHistorySection, "History0", ""), "ports.omf");
    EXPECT_EQ(combo->count(), 1);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    ui::saveShot(form, "TFormQzCheckMain");

    // A missing file: the error box, the history as it was, no hourglass left.
    combo->setEditText("missing.omf");
    QString error;
    whenModal([&](QWidget& box) {
        if (auto* m = qobject_cast<QMessageBox*>(&box)) error = m->windowTitle() + "|" + m->text();
        QTest::keyClick(&box, Qt::Key_Escape);
    });
    QTest::mouseClick(form.findChild<QPushButton*>("GoButton"), Qt::LeftButton);
    EXPECT_TRUE(error.startsWith("Pellunar Checker|File not found: ")) << error.toStdString();
    EXPECT_EQ(combo->count(), 1);
    EXPECT_EQ(w.store.readString(kCheckWinKey, kHistorySection, "History1", "none"), "none");
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    QTest::mouseClick(form.findChild<QPushButton*>("ClearButton"), Qt::LeftButton);
    EXPECT_EQ(list->count(), 0);
}

TEST(QzCheckMainForm, BrowseChoosesTheFormatByExtension) {
    Windowed w;
    QzCheckMainModel model(w.store, &w.cursor);
    QzCheckMainForm form(model);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    w.files.answer(platform::FileChoice{"/data/PROG.hex", 1});
    QTest::mouseClick(form.findChild<QPushButton*>("Browse"), Qt::LeftButton);
    EXPECT_TRUE(radio(form, "FormatGroup", "Intel &HEX")->isChecked());
    EXPECT_EQ(form.findChild<ui::HistoryCombo*>("FileName")->currentText(), "/data/PROG.hex");
    w.files.answer(platform::FileChoice{"/data/PROG.abs", 2});
    QTest::mouseClick(form.findChild<QPushButton*>("Browse"), Qt::LeftButton);
    EXPECT_EQ(w.files.requests().back().filterIndex, 2);
    EXPECT_TRUE(radio(form, "FormatGroup", "&Omf51")->isChecked());
    EXPECT_FALSE(radio(form, "FormatGroup", "Intel &HEX")->isChecked());
}

TEST(QzCheckMainForm, HelpAboutAndTheWaysOut) {
    Windowed w;
    platform::RecordingHelpViewer viewer;
    platform::currentUi().help = &viewer;
    QzCheckMainModel model(w.store, &w.cursor);
    QzCheckMainForm form(model);
    QzAboutModel aboutModel;
    QzAboutForm about(aboutModel, &form);
    form.setAboutForm(&about);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    QTest::keyClick(&form, Qt::Key_F1);
    form.findChild<QAction*>("MenuContent")->trigger();
    EXPECT_EQ(viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1u, 100u}, {1u, 1000u}}));

    QString version;
    whenModal([&](QWidget& box) {
        version = box.findChild<QLabel*>("VersionLabel")->text();
        EXPECT_EQ(box.windowTitle(), "About");
        ui::saveShot(box, "TFormAbout");
        QTest::mouseClick(box.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    });
    form.findChild<QAction*>("MenuAbout")->trigger();
    EXPECT_EQ(version, "1.13.10");
    EXPECT_FALSE(about.isVisible());

    const std::function<void()> ways[] = {
        [&] { QTest::mouseClick(form.findChild<QPushButton*>("ExitButton"), Qt::LeftButton); },
        [&] { form.findChild<QAction*>("MenuExit")->trigger(); },
        [&] { QTest::keyClick(&form, Qt::Key_Escape); },
    };
    for (const auto& way : ways) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        way();
        EXPECT_FALSE(form.isVisible());
    }
}

}  // namespace
}  // namespace tarvex::checkwin
