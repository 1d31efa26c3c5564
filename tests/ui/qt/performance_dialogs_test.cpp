// The performance windows: the default button following the focus, the frame
// count up to the trace memory, the histories and column widths after
// "&Ok", and the red bars of the analysis painted to the share of each row.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QScrollBar>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <cmath>

#include "core/symbol_table.hpp"
#include "tests/support/target/fake_performance_trace.hpp"
#include "ui/qt/history_combo.hpp"
#include "ui/qt/driver/performance_dialogs.hpp"

namespace tarvex::ui {
namespace {

TEST(PerformanceDefineDialog, DefaultButtonFollowsTheFocusAndOkKeepsTheForm) {
    TSymboltabelle symbols;
    platform::MemorySettingsStore store;
    DialogTables tables;
    tables.symbols = &symbols;
    test::FakePerformanceTrace trace;
    TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace});
    PerfDefineModel model(tables, store, PerfSettingsOf(perf, 131072));
    PerformanceDefineDialog dialog(model, store);
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "Performance settings");
    auto* frames = dialog.findChild<QSpinBox*>("FrameCount");
    EXPECT_EQ(frames->maximum(), 131072);
    EXPECT_EQ(frames->value(), 1000);

    auto* range = dialog.findChild<HistoryCombo*>("BereichAdresse");
    const std::pair<const char*, const char*> steps[] = {
        {"Kommentar", "InsertButton"}, {"ListView", "EditButton"}, {"FrameCount", "OkButton"},
        {"BereichAdresse", "InsertButton"}};
    for (const auto& [control, def] : steps) {
        dialog.findChild<QWidget*>(control)->setFocus();
        QApplication::processEvents();
        EXPECT_TRUE(dialog.findChild<QPushButton*>(def)->isDefault()) << control;
    }
    QTest::keyClicks(range, "0100 0180");
    QTest::mouseClick(dialog.findChild<QPushButton*>("InsertButton"), Qt::LeftButton);
    QTest::keyClicks(range, "0200 0280");
    QTest::keyClicks(dialog.findChild<HistoryCombo*>("Kommentar"), "second");
    QTest::mouseClick(dialog.findChild<QPushButton*>("InsertButton"), Qt::LeftButton);
    auto* list = dialog.findChild<QTreeWidget*>("ListView");
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(1)->text(3), "second");
    EXPECT_EQ(range->text(), "");
    // A click on a row selects it in the model; "&Edit" then takes that row.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->topLevelItem(0)).center());
    EXPECT_EQ(model.SelectedRow(), 0);
    QTest::mouseClick(dialog.findChild<QPushButton*>("EditButton"), Qt::LeftButton);
    EXPECT_EQ(range->text(), "0100 0180");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    QTest::mouseClick(dialog.findChild<QPushButton*>("InsertButton"), Qt::LeftButton);
    ASSERT_EQ(list->topLevelItemCount(), 2);
    // After the row that "&Edit" left selected.
    EXPECT_EQ(list->topLevelItem(1)->text(0).toStdString(), "0100 0180");
    frames->setValue(400);
    saveShot(dialog, "TFormPerformanceDefine");
    list->header()->resizeSection(3, 150);
    QTest::mouseClick(dialog.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    model.ApplyTo(perf);
    EXPECT_EQ(perf.MaxFrames(), 400u);
    ASSERT_EQ(perf.Definitionen().Items.size(), 2u);
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History0", ""), "0100 0180");
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormAdresse", "History1", ""), "0200 0280");
    EXPECT_EQ(store.readString(kDriverKey, "PerfFormName", "History0", ""), "second");
    const int widths[] = {200, 40, 40, 150};
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(store.readInteger(kDriverKey, "PerfForm", "Spalte" + std::to_string(c), -1), widths[c]);
    for (const char* value : {"Left", "Top"})
        EXPECT_NE(store.readInteger(kDriverKey, "PerfForm", value, -99999), -99999) << value;
}

TEST(PerformanceAnalyseDialog, BarsFollowTheShareAndStayInTheirColumn) {
    platform::MemorySettingsStore store;
    test::FakePerformanceTrace trace;
    TPerformanceList result;
    // The last two as a project option file may bring them back.
    const double percents[] = {25, 50, 100, std::nan(""), 1e300};
    for (std::size_t i = 0; i < std::size(percents); ++i) {
        auto item = std::make_unique<TPerformanceItem>();
        item->EntryAddress = UnbankedAdresse(static_cast<std::uint16_t>(0x100 * (i + 1)));
        item->ExitAddress = UnbankedAdresse(static_cast<std::uint16_t>(0x100 * (i + 1) + 0x40));
        item->Name = "range " + std::to_string(i);
        item->Percent = percents[i];
        item->AddCall(static_cast<std::uint32_t>(10 * (i + 1)));
        item->AddCall(5);
        item->NetTime = 3;
        result.Items.push_back(std::move(item));
    }
    result.FrameCount = 12;
    result.RunTime = 200;
    result.Messages = {"Trace frame 4 ignored: start address 0100 missing"};
    PerfAnalyseModel model(store, nullptr, &trace);
    model.SetErgebnis(result);
    PerformanceAnalyseDialog dialog(model);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    auto* list = dialog.findChild<QTreeWidget*>("ListView");
    list->clearSelection();
    list->setCurrentItem(list->topLevelItem(1));
    list->clearSelection();
    EXPECT_EQ(dialog.findChild<QLineEdit*>("LabelMinimal")->text(), "5");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("LabelMaximal")->text(), "20");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("LabelMittel")->text(), "12");
    EXPECT_EQ(dialog.findChild<QLineEdit*>("LabelGesamtDiff")->text(), "3");
    EXPECT_EQ(dialog.findChild<QLabel*>("LabelFrames")->text(), "12");

    // The share column in view: the "%" of the last row is as wide as its text.
    list->horizontalScrollBar()->setValue(list->header()->sectionPosition(PerformanceAnalyseDialog::kBarColumn) - 20);
    const QImage image = list->viewport()->grab().toImage();
    const int x = list->header()->sectionViewportPosition(PerformanceAnalyseDialog::kBarColumn);
    const int w = list->header()->sectionSize(PerformanceAnalyseDialog::kBarColumn);
    const auto red = [&](int row, double at) {
        const QRect r = list->visualItemRect(list->topLevelItem(row));
        const QColor c = image.pixelColor(x + static_cast<int>(w * at), r.center().y());
        return c.red() > 200 && c.green() < 60 && c.blue() < 60;
    };
    struct Row {
        int row;
        bool inside, outside;  // at a fifth and at four fifths of the column
    } const rows[] = {{0, true, false}, {1, true, false}, {2, true, true}, {3, false, false}, {4, true, true}};
    for (const auto& r : rows) {
        EXPECT_EQ(red(r.row, 0.2), r.inside) << r.row;
        EXPECT_EQ(red(r.row, 0.8), r.outside) << r.row;
    }
    // Half of the column for the 50 % row: red just inside, not just past.
    EXPECT_TRUE(red(1, 0.45));
    EXPECT_FALSE(red(1, 0.55));
    // Nothing painted past the column.
    EXPECT_FALSE(red(4, 1.0 + 3.0 / w));
    saveShot(dialog, "TFormPerformanceAnalyse");
}

}  // namespace
}  // namespace tarvex::ui
