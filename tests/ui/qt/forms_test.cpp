// The history combo box, the dialog base and the status forms.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QVBoxLayout>
#include <atomic>
#include <optional>
#include <thread>

#include "tests/support/scoped_help.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/status_forms.hpp"

namespace tarvex::ui {
namespace {

TEST(HistoryCombo, LeavingTakesTheTextToTheFront) {
    platform::MemorySettingsStore store;
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    auto* combo = new HistoryCombo(&form, store);
    auto* other = new QLineEdit(&form);
    layout->addWidget(combo);
    layout->addWidget(other);
    combo->setRegistryPath(kDriverKey);
    combo->setIniSection("FrameFormData");
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    const auto enter = [&](const QString& text) {
        combo->setFocus();
        combo->lineEdit()->clear();
        QTest::keyClicks(combo, text);
        other->setFocus();
    };
    for (const char* t : {"a", "b", "c"}) enter(t);
    enter("a");  // third: moves to the front without a duplicate
    EXPECT_EQ(combo->history().Items(), (std::vector<std::string>{"a", "c", "b"}));
    EXPECT_EQ(combo->count(), 3);
    for (int i = 1; i <= 11; ++i) enter(QString("t%1").arg(i));
    EXPECT_EQ(combo->history().Items().front(), "t11");
    EXPECT_EQ(combo->history().Items().back(), "t2");
    EXPECT_EQ(store.valueNames(kDriverKey, "FrameFormData").size(), 10u);
    EXPECT_EQ(store.readString(kDriverKey, "FrameFormData", "History9", ""), "t2");
    combo->setManualUpdate(true);
    enter("manual");
    EXPECT_EQ(combo->history().Items().front(), "t11");
    combo->AddHistory();
    EXPECT_EQ(combo->history().Items().front(), "manual");
}

TEST(HistoryCombo, ShowsTheStoredHistoryAndSavesOnDestruction) {
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "S", "History0", "first");
    store.writeString(kDriverKey, "S", "History1", "second");
    {
        HistoryCombo combo(nullptr, store);
        combo.setIniSection("S");
        EXPECT_EQ(combo.count(), 0);  // no path yet
        combo.setRegistryPath(kDriverKey);
        EXPECT_EQ(combo.count(), 2);
        EXPECT_EQ(combo.text(), "first");
        combo.setText("third");
        combo.setManualUpdate(true);
        combo.AddHistory();
        store.remove(kDriverKey, "S", "History0");
    }
    EXPECT_EQ(store.readString(kDriverKey, "S", "History0", ""), "third");
}

class TestDialog final : public DialogBase {
public:
    explicit TestDialog(DialogModel& model) : DialogBase(model) {
        auto* layout = new QVBoxLayout(this);
        withBuddy = new QLabel("&Target:", this);
        edit = new QLineEdit(this);
        edit->setObjectName("Ziel");
        withBuddy->setBuddy(edit);
        alone = new QLabel("Note", this);
        second = new QLineEdit(this);
        help = new QPushButton("He&lp", this);
        connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
        for (QWidget* w : std::initializer_list<QWidget*>{withBuddy, edit, alone, second, help}) layout->addWidget(w);
    }
    QLabel* withBuddy;
    QLabel* alone;
    QLineEdit* edit;
    QLineEdit* second;
    QPushButton* help;
};

TEST(DialogBase, LabelsHelpAndPlacement) {
    platform::MemorySettingsStore store;
    platform::RecordingHelpViewer viewer;
    std::optional<test::ScopedHelpViewer> help{std::in_place, viewer};
    store.writeInteger(kDriverKey, "TestForm", "Left", 5000);
    store.writeInteger(kDriverKey, "TestForm", "Top", 5000);
    DialogModel model("TestForm", 505, store);
    {
        TestDialog dialog(model);
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
        const QRect screen = QApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.contains(dialog.frameGeometry().topLeft()));
        EXPECT_LT(std::abs(dialog.geometry().center().x() - screen.center().x()), 4);

        dialog.second->setFocus();
        QTest::mouseClick(dialog.alone, Qt::LeftButton);
        EXPECT_TRUE(dialog.second->hasFocus());
        QTest::mouseClick(dialog.withBuddy, Qt::LeftButton);
        EXPECT_TRUE(dialog.edit->hasFocus());

        QTest::mouseClick(dialog.help, Qt::LeftButton);
        ASSERT_EQ(viewer.calls().size(), 1u);
        QTest::keyClick(&dialog, Qt::Key_F1);
        ASSERT_EQ(viewer.calls().size(), 2u);
        for (const auto& call : viewer.calls()) EXPECT_EQ(call, std::make_pair(1u, 505u));
        dialog.move(40, 30);
        dialog.accept();
    }
    help.reset();
    EXPECT_EQ(store.readInteger(kDriverKey, "TestForm", "Left", 0), 40);
    TestDialog again(model);
    again.show();
    EXPECT_EQ(again.frameGeometry().topLeft(), QPoint(40, 30));
}

TEST(StatusForms, LoadStatusCancelAndLines) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi scope(&boxes);
    LoadStatusForm form;
    form.open();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "Lade-Status");
    EXPECT_EQ(form.findChild<QLabel*>("DateiLabel")->text(), "Datei:");
    EXPECT_EQ(form.findChild<QLabel*>("Dateiname")->text(), "Dateiname");
    EXPECT_FALSE(form.findChild<QLabel*>("PellunarAnzahl")->isVisible());
    form.addLine("Module PORTS", false);
    form.addLine("Record 7: unknown type", true);
    form.setStatus("1 error");
    EXPECT_EQ(form.findChild<QListWidget*>("MessageBox")->count(), 2);
    EXPECT_EQ(form.findChild<QLabel*>("Warnung")->text(), "1 error");
    EXPECT_EQ(boxes.beeps(), 1);
    saveShot(form, "TFormLadeStatus");
    EXPECT_FALSE(form.cancelRequested());
    auto* cancel = form.findChild<QPushButton*>("AbbruchButton");
    EXPECT_EQ(cancel->text(), "Abbrechen");
    QTest::mouseClick(cancel, Qt::LeftButton);
    EXPECT_TRUE(form.cancelRequested());
    form.finish();
    EXPECT_FALSE(form.isOpen());
}

TEST(StatusForms, SaveStatusAsBuiltAndRenamed) {
    SaveStatusForm form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_EQ(form.windowTitle(), "FormSaveStatus");
    EXPECT_EQ(form.findChild<QGroupBox*>("SpeichernGroup")->title(), " Speichern: ");
    saveShot(form, "TFormSaveStatus");
    form.model().setText("GesichertLabel", "saved:");
    form.model().setText("SpeichernGroup", " Save: ");
    EXPECT_EQ(form.findChild<QLabel*>("GesichertLabel")->text(), "saved:");
    EXPECT_EQ(form.findChild<QGroupBox*>("SpeichernGroup")->title(), " Save: ");
    QTest::mouseClick(form.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    EXPECT_TRUE(form.cancelRequested());
}

TEST(StatusForms, StopErrorAcrossThreads) {
    StopErrorForm form;
    std::atomic<bool> seen{false};
    std::thread runControl([&] {
        form.show();
        seen = form.visible();  // at once, before the GUI thread showed it
    });
    runControl.join();
    EXPECT_TRUE(seen);
    EXPECT_FALSE(form.answeredYes());  // this poll lets the queued show through
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_TRUE(form.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(form.findChild<QLabel*>("Label1")->text(), "No reaction of target processor");
    saveShot(form, "TFormStopError");
    QTest::mouseClick(form.findChild<QPushButton*>("OkBtn"), Qt::LeftButton);
    EXPECT_TRUE(form.answeredYes());
    std::thread closer([&] { form.close(); });
    closer.join();
    EXPECT_FALSE(form.visible() || form.answeredYes());
    QApplication::processEvents();
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
}  // namespace tarvex::ui
