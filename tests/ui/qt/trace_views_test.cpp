// The trace window and its dialogs, offscreen, each rendered for review.
#include <gtest/gtest.h>

#include <QAction>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/validator.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/support/test_support.hpp"
#include "ui/model/scripted_trace_source.hpp"
#include "ui/qt/driver/trace_dialogs.hpp"
#include "ui/qt/driver/trace_export_status.hpp"
#include "ui/qt/driver/trace_window.hpp"

namespace tarvex::ui {
namespace {

struct TraceFixture {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    TraceWindowNumbers numbers;
    ScriptedTraceSource source = sampleLoopTrace(150);
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    const TSelectTabelle* select = nullptr;
    TraceFixture() {
        lines.AddLine(UnbankedAdresse(0x0000), 6, 0, 0, 0);
        lines.AddLine(UnbankedAdresse(0x0003), 8, 0, 0, 0);
        source.sourceTexts[0x0000] = "    P1 = 0x01;   /* LED on */";
        source.sourceTexts[0x0003] = "    goto again;";
    }
    std::unique_ptr<TraceWindowModel> model(std::uintptr_t* slot = nullptr, std::function<void(int)> closed = {}) {
        TraceContext context{&lines, &symbols};
        context.select = select;
        context.sourceFile = [](const TZeilennummer&) {
            return std::vector<std::string>{"#include <reg51.h>", "", "void main(void)", "{",
                                            "again:", "    P1 = 0x01;   /* LED on */", "", "    goto again;", "}"};
        };
        return std::make_unique<TraceWindowModel>(source, context, store, TraceWindowHost{slot, std::move(closed)},
                                                  numbers);
    }
};

TEST(TraceWindowView, MixedModeWithSourceLinesGapsAndACollapsedRange) {
    TraceFixture f;
    std::uintptr_t slot = 0;
    std::vector<int> closed;
    TraceWindow w(f.model(&slot, [&](int tag) { closed.push_back(tag); }), f.store);
    w.resize(1000, 640);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto& box = w.model().box();
    EXPECT_GE(box.rowCount(), 30);
    EXPECT_EQ(w.boxView().itemCount(), box.rowCount());
    // The last row is the caret row: the scroll bar stands at its frame.
    auto* bar = w.findChild<QScrollBar*>("VScrollBar");
    EXPECT_EQ(bar->maximum(), 149);
    EXPECT_EQ(bar->value(), box.currentFrame());
    auto* header = w.findChild<QHeaderView*>("Header");
    EXPECT_EQ(header->model()->headerData(4, Qt::Horizontal).toString(), QString::fromUtf8("s\"ms"));
    EXPECT_EQ(header->sectionSize(8), 120);

    // Collapse the MOVX row and the SJMP row of one turn.
    box.showFrame(60);
    w.rowsChanged();
    int movx = -1;
    for (int r = 0; r < box.rowCount() && movx < 0; ++r)
        if (box.item(r).kind == TTraceItem::Line && box.item(r).address == 2) movx = r;
    ASSERT_GE(movx, 0);
    box.setCaretRow(movx);
    w.runItem("cmPopAusblenden");
    EXPECT_EQ(f.boxes.shown().size(), 0u);
    bool collapsed = false, gap = false, source = false;
    for (int r = 0; r < box.rowCount(); ++r) {
        collapsed = collapsed || box.item(r).kind == TTraceItem::Collapsed;
        gap = gap || box.item(r).isGap();
        source = source || box.item(r).kind == TTraceItem::Source;
    }
    EXPECT_TRUE(collapsed && gap && source);
    box.setCaretRow(3);
    w.rowsChanged();
    saveShot(w, "TTraceForm");
    // Painting reads no frame.
    const int reads = f.source.calls;
    w.boxView().viewport()->repaint();
    EXPECT_EQ(f.source.calls, reads);
    // The collapsed row's marks are framed: "+" in the text colour on
    // silver, "..." in silver.
    int folded = 0;
    while (box.item(folded).kind != TTraceItem::Collapsed) ++folded;
    {
        const QImage rows = w.boxView().viewport()->grab().toImage();
        const int h = w.boxView().list().geometry.itemHeight();
        const int y = (folded - w.boxView().list().topRow()) * h + h / 2;
        EXPECT_EQ(rows.pixelColor(header->sectionViewportPosition(0), y), QColor(Qt::black));
        EXPECT_EQ(rows.pixelColor(header->sectionViewportPosition(6), y), QColor(0xC0, 0xC0, 0xC0));
    }

    // The popup menu as the right mouse button opens it.
    w.refresh();
    auto& menu = w.popupMenu();
    menu.popup(w.mapToGlobal(QPoint(200, 100)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    EXPECT_EQ(menu.actions().first()->text(), "&Search...");
    saveShot(menu, "TTraceForm-menu");
    // F1 asks help on the highlighted item, else on the window.
    platform::RecordingHelpViewer viewer;
    platform::currentUi().help = &viewer;
    menu.setActiveAction(menu.actions().first());
    QTest::keyClick(&menu, Qt::Key_F1);
    EXPECT_TRUE(menu.isVisible());
    menu.hide();
    // The hidden double-click choice is a radio item: choosing it keeps it
    // chosen and leaves the time alone.
    auto* twice = menu.findChild<QAction*>("cmPopDoppelTime0");
    ASSERT_NE(twice, nullptr);
    const bool zero = w.model().box().times().hasManualZero();
    twice->trigger();
    EXPECT_TRUE(twice->isChecked());
    EXPECT_EQ(w.model().box().times().hasManualZero(), zero);
    // F3 and F5 are the window's own short cuts.
    EXPECT_EQ(menu.findChild<QAction*>("cmPopSucheNochmal")->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_EQ(menu.findChild<QAction*>("cmPopSprung")->shortcut(), QKeySequence(Qt::Key_F5));
    QTest::keyClick(&w.boxView(), Qt::Key_F1);
    QTest::keyClick(&w, Qt::Key_F1);
    EXPECT_EQ(viewer.calls(), (std::vector<std::pair<unsigned, unsigned>>{{1, 2001}, {1, 220}, {1, 220}}));
    // An exception raised in the window's events goes to the application's
    // handler (the driver's exception hook) when one is installed.
    struct FailingViewer final : platform::HelpViewer {
        bool show(unsigned, unsigned) override { throw EEmulatorTimeoutError("late"); }
    } failing;
    std::vector<std::string> handled;
    platform::currentUi().help = &failing;
    auto previous = platform::setApplicationExceptionHandler([&](std::exception_ptr e) {
        try {
            std::rethrow_exception(e);
        } catch (const std::exception& x) {
            handled.push_back(x.what());
        }
    });
    QTest::keyClick(&w.boxView(), Qt::Key_F1);
    platform::setApplicationExceptionHandler(std::move(previous));
    platform::currentUi().help = &viewer;
    EXPECT_EQ(handled, std::vector<std::string>{"late"});

    // "Collapse function" folds the code of the function under the caret.
    f.symbols.AddFunction("again", 0, UnbankedAdresse(0x0000), UnbankedAdresse(0x0004), 1);
    const std::size_t ranges = box.collapsed().count();
    box.setCaretRow(box.rowCount() - 1);
    while (box.caretRow() > 0 && !(box.item(box.caretRow()).kind == TTraceItem::Line && box.item(box.caretRow()).address == 0))
        box.setCaretRow(box.caretRow() - 1);
    w.runItem("cmPopAusBlendenFunktion");
    EXPECT_EQ(box.collapsed().count(), ranges + 1);
    ASSERT_EQ(box.item(box.caretRow()).kind, TTraceItem::Collapsed);
    EXPECT_EQ(box.item(box.caretRow()).range->addresses.size(), 5u);
    w.runItem("cmPopEinblenden");
    EXPECT_EQ(box.collapsed().count(), ranges);

    // " Filtering " is white on red.
    w.model().setFilterState(1);
    auto* panel = w.findChild<QLabel*>("StatusPanel2");
    EXPECT_EQ(panel->text(), " Filtering ");
    const QImage image = panel->grab().toImage();
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() / 2), QColor(Qt::red));

    // In Source mode a source line's comment is green.
    w.runItem("cmPopSource");
    ASSERT_EQ(w.model().darstellung(), tdSource);
    {
        const QImage rows = w.boxView().viewport()->grab().toImage();
        int green = 0;
        for (int x = header->sectionViewportPosition(9); x < rows.width(); ++x)
            for (int y = 0; y < rows.height(); ++y) {
                const QColor c = rows.pixelColor(x, y);
                green += c.green() > 90 && c.red() < 60 && c.blue() < 60;
            }
        EXPECT_GT(green, 0);
    }

    w.activateWindow();
    w.close();
    EXPECT_EQ(slot, 0u);
    EXPECT_EQ(closed, std::vector<int>{7});
    EXPECT_EQ(f.store.readInteger(kDriverKey, "Trace1", "Darstellung", -1), tdSource);
}

TEST(TraceWindowView, SourceModeWithTheContextList) {
    TraceFixture f;
    // The trace range covers the code of line 6, not that of line 8.
    tarvex::test::SimTarget target;
    target.start();
    TSelectTabelle select(TSelectWiring{*target.emu, *target.banking, *target.spaces, target.options, target.notifier});
    select.InitEmulStart();
    select.SetItemText(14, "0000-0000");
    f.select = &select;
    f.store.writeInteger(kDriverKey, "Trace1", "Darstellung", tdSource);
    f.store.writeBool(kDriverKey, "Trace1", "ZeigeKontext", true);
    TraceWindow w(f.model(), f.store);
    w.resize(900, 400);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    EXPECT_EQ(w.model().darstellung(), tdSource);
    auto* list = w.findChild<QListWidget*>("ContextBox");
    EXPECT_TRUE(list->isVisible());
    auto& box = w.model().box();
    box.setCaretRow(box.rowCount() - 1);
    w.rowsChanged();
    ASSERT_EQ(list->count(), 9);
    EXPECT_EQ(list->item(7)->text(), "    goto again;");
    EXPECT_EQ(list->item(7)->background().color(), QColor(Qt::yellow));
    EXPECT_EQ(list->item(5)->background().color(), QColor(Qt::white));
    saveShot(w, "TTraceForm-context");
    // The state cell is grey inside the range; the comment is green.
    const QImage image = list->viewport()->grab().toImage();
    const auto rowOf = [&](int i) { return list->visualItemRect(list->item(i)); };
    EXPECT_EQ(image.pixelColor(1, rowOf(5).center().y()), QColor(0x80, 0x80, 0x80));
    EXPECT_NE(image.pixelColor(1, rowOf(7).center().y()), QColor(0x80, 0x80, 0x80));
    int green = 0;
    for (int x = 0; x < image.width(); ++x)
        for (int y = rowOf(5).top(); y <= rowOf(5).bottom(); ++y) {
            const QColor c = image.pixelColor(x, y);
            green += c.green() > 90 && c.red() < 60 && c.blue() < 60;
        }
    EXPECT_GT(green, 0);
    w.runItem("cmPopMixedMode");
    EXPECT_FALSE(w.findChild<QWidget*>("ContextBox")->isVisible());
    w.close();
}

// The stored corner is where the window opens; the wheel scrolls the trace
// by the platform's lines per notch, over the list and over its scroll bar.
// The format items keep the frame of the line clicked: the caret's own
// frame, not a row index that holds another frame in the next mode.
TEST(TraceWindowView, TheFormatItemsKeepTheFrameOfTheClickedLine) {
    TraceFixture f;
    TraceWindow w(f.model(), f.store);
    w.resize(1000, 400);
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    auto& box = w.model().box();
    w.runItem("cmPopDisassembliert");
    const int h = w.boxView().list().geometry.itemHeight();
    QTest::mouseClick(w.boxView().viewport(), Qt::LeftButton, {}, QPoint(30, 6 * h + h / 2));
    ASSERT_EQ(box.caretRow(), 6);
    const int frame = box.currentFrame();
    for (const char* item : {"cmPopZyklus", "cmPopDisassembliert", "cmPopMixedMode", "cmPopDisassembliert"}) {
        w.runItem(item);
        EXPECT_EQ(box.currentFrame(), frame) << item;
        EXPECT_EQ(box.frameOfRow(w.boxView().list().caretRow()), frame) << item;
    }
}

TEST(TraceWindowView, WithoutItsBoardItClosesAtOnce) {
    TraceFixture f;
    f.source.isPresent = false;
    std::vector<int> closed;
    TraceWindow w(f.model(nullptr, [&](int tag) { closed.push_back(tag); }), f.store);
    w.show();
    EXPECT_FALSE(w.model().closed());
    QApplication::processEvents();
    EXPECT_TRUE(w.model().closed());
    EXPECT_FALSE(w.isVisible());
    EXPECT_EQ(closed, std::vector<int>{TraceWindowModel::kTag});
}

TEST(TraceWindowView, TheStoredPlaceAndTheWheel) {
    TraceFixture f;
    for (const auto& [name, value] : {std::pair{"Left", 40}, {"Top", 30}, {"Width", 700}, {"Height", 400}})
        f.store.writeInteger(kDriverKey, "Trace1", name, value);
    TraceWindow w(f.model(), f.store);
    EXPECT_EQ(w.pos(), QPoint(40, 30));
    EXPECT_EQ(w.size(), QSize(700, 400));
    w.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    w.model().setDarstellung(tdZyklus);
    w.rowsChanged();
    auto& box = w.model().box();
    // The same trace scrolled by the box itself.
    TraceBoxModel ref(f.source, TraceContext{&f.lines, &f.symbols});
    ref.setMode(tdZyklus);
    ref.setVisibleRows(box.visibleRows());
    ref.goToEnd();
    ASSERT_EQ(ref.item(0).frame, box.item(0).frame);
    const int lines = QApplication::wheelScrollLines();
    auto wheel = [](QWidget* target, int delta) {
        QWheelEvent e(QPointF(10, 10), target->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &e);
    };
    wheel(w.boxView().viewport(), 120);
    ref.scrollUp(lines);
    EXPECT_EQ(box.GetItemText(0), ref.GetItemText(0));
    EXPECT_NE(box.item(0).frame, 0u);
    wheel(w.findChild<QScrollBar*>("VScrollBar"), 120);
    ref.scrollUp(lines);
    EXPECT_EQ(box.GetItemText(0), ref.GetItemText(0));
    // Half notches add up to one.
    wheel(w.boxView().viewport(), -60);
    EXPECT_EQ(box.GetItemText(0), ref.GetItemText(0));
    wheel(w.boxView().viewport(), -60);
    ref.scrollDown(lines);
    EXPECT_EQ(box.GetItemText(0), ref.GetItemText(0));
    EXPECT_EQ(w.findChild<QScrollBar*>("VScrollBar")->value(), box.currentFrame());
}

TEST(TraceDialogs, SaveTraceRefusesAnEmptyNameAndWritesItsCommand) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    store.writeString(kDriverKey, "FormSaveTraceStart", "History0", "10");
    SaveTraceModel model(store, "/tmp");
    SaveTraceDialog d(model, store);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.windowTitle(), "Save trace into file");
    EXPECT_EQ(d.findChild<QComboBox*>("StartAdresse")->currentText(), "10");
    EXPECT_TRUE(d.findChild<QRadioButton*>("FormatGroup1")->isChecked());
    saveShot(d, "TFormSaveTrace");
    QTest::mouseClick(d.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "Save: Missing file name");
    EXPECT_TRUE(d.isVisible());
    auto* name = d.findChild<QComboBox*>("DateiName");
    name->setFocus();
    QTest::keyClicks(name, "trace");
    QTest::mouseClick(d.findChild<QRadioButton*>("FormatGroup2"), Qt::LeftButton);
    QTest::mouseClick(d.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
    EXPECT_FALSE(d.isVisible());
    EXPECT_EQ(d.result(), QDialog::Accepted);
    TKommandoStruktur c;
    model.writeCommand(c);
    EXPECT_EQ(c.text1, "trace.txt");
    EXPECT_EQ(c.fileFormat, 7);
    EXPECT_EQ(c.start.offset, 10);
    EXPECT_EQ(store.readString(kDriverKey, "FormSaveTraceName", "History0", ""), "trace");
}

TEST(TraceDialogs, ColumnsAndGoto) {
    platform::MemorySettingsStore store;
    TraceColumnsModel columns(store, tdMixedMode);
    {
        TraceColumnsDialog d(columns);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        auto* brk = d.findChild<QCheckBox*>("CheckBox2");
        QTest::mouseClick(brk, Qt::LeftButton, {}, QPoint(6, brk->height() / 2));
        EXPECT_FALSE(d.findChild<QCheckBox*>("CheckBoxAll")->isChecked());
        EXPECT_EQ(d.findChild<QCheckBox*>("CheckBox10")->text(), "Source text");
        saveShot(d, "TFormTraceSpalten");
        auto* all = d.findChild<QCheckBox*>("CheckBoxAll");
        QTest::mouseClick(all, Qt::LeftButton, {}, QPoint(6, all->height() / 2));
        EXPECT_TRUE(d.findChild<QCheckBox*>("CheckBox2")->isChecked());
    }

    GotoModel trace(store);
    trace.setAufruf(saTrace);
    int plainHeight = 0;
    {
        GotoDialog d(trace, store);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        EXPECT_EQ(d.windowTitle(), "Goto trace frame");
        EXPECT_FALSE(d.findChild<QPushButton*>("SymbolButton")->isVisible());
        plainHeight = d.height();
        saveShot(d, "TFormSprung-trace");
    }
    GotoModel banked(store, GotoBanking{3, -1, 15});
    GotoDialog d(banked, store);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.findChildren<QRadioButton*>().size(), 4);
    EXPECT_GT(d.height(), plainHeight);
    saveShot(d, "TFormSprung-banked");
    QTest::mouseClick(d.findChild<QRadioButton*>("BankNummerGroup2"), Qt::LeftButton);
    EXPECT_EQ(d.result(), GotoDialog::ResultYes);
    EXPECT_EQ(banked.chosenBank(), 2);
}

TEST(TraceDialogs, FrameSearchAndTimeFilter) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    TVokWinValidator validator(nullptr, nullptr, nullptr, nullptr);
    for (bool filter : {false, true}) {
        FramePatternModel model(store, validator);
        model.setFiltern(filter);
        FrameSearchDialog d(model, store);
        d.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
        // The latest entry of the history, "Don't care" without one.
        EXPECT_EQ(d.findChild<QComboBox*>("Data")->currentText(), filter ? "16-20" : "Don't care");
        EXPECT_EQ(d.findChild<QWidget*>("BottomPanel")->isVisible(), !filter);
        EXPECT_EQ(d.findChild<QWidget*>("CycleCheckGroup")->isVisible(), filter);
        EXPECT_EQ(d.findChild<QPushButton*>("OkButton")->text(), filter ? "Filter" : "Search");
        saveShot(d, filter ? "TFormVok4Frame-filter" : "TFormVok4Frame-search");
        if (filter) {
            // "Don't care" closes with OK and an empty pattern.
            QTest::mouseClick(d.findChild<QPushButton*>("ResetButton"), Qt::LeftButton);
            EXPECT_EQ(d.result(), QDialog::Accepted);
            EXPECT_TRUE(model.emptyPattern());
        } else {
            auto* data = d.findChild<QComboBox*>("Data");
            data->setFocus();
            data->lineEdit()->selectAll();
            QTest::keyClicks(data, "16-20");
            QTest::mouseClick(d.findChild<QPushButton*>("OkButton"), Qt::LeftButton);
            EXPECT_EQ(d.result(), QDialog::Accepted);
            EXPECT_EQ(model.pattern().dataHigh, 20);
            EXPECT_FALSE(model.emptyPattern());
        }
    }
    EXPECT_EQ(store.readString(kDriverKey, "FrameFormData", "History1", ""), "16-20");
    EXPECT_TRUE(boxes.shown().empty());
}

// Leaving an input checks it: a refused one says why at once and keeps the
// focus; a good one passes quietly.
TEST(TraceDialogs, FrameSearchChecksAnInputWhenItIsLeft) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    TVokWinValidator validator(nullptr, nullptr, nullptr, nullptr);
    FramePatternModel model(store, validator);
    FrameSearchDialog d(model, store);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    auto* data = d.findChild<QComboBox*>("Data");
    auto* address = d.findChild<QComboBox*>("AdrName");
    for (const char* text : {"16-20", "XYZ"}) {
        SCOPED_TRACE(text);
        data->setFocus();
        data->lineEdit()->selectAll();
        QTest::keyClicks(data, text);
        address->setFocus();
        QApplication::processEvents();
    }
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_TRUE(data->hasFocus());
}

TEST(TraceWindowView, TheReadingDialogCancels) {
    ReadingTraceDialog d;
    EXPECT_EQ(d.windowModality(), Qt::ApplicationModal);
    d.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&d));
    EXPECT_EQ(d.findChild<QLabel*>("Hinweis")->text(), "Reading trace");
    saveShot(d, "ReadingTrace");
    EXPECT_FALSE(d.cancelRequested());
    QTest::mouseClick(d.findChild<QPushButton*>("CancelButton"), Qt::LeftButton);
    EXPECT_TRUE(d.cancelRequested());
    d.close();
    EXPECT_FALSE(d.isVisible());
}

TEST(TraceExportView, TheSaveStatusFormShowsTheProgressAndCancels) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    tarvex::test::TempDir dir;
    auto source = sampleLoopTrace(300);
    SaveStatusForm form;
    SaveStatusExportStatus status(form);
    TraceExport exporter(&source, {}, &status);
    const std::string file = dir.file("t.txt");
    EXPECT_EQ(exporter.save(file, tdDisassembliert, 0, 299), 249u);
    EXPECT_EQ(form.windowTitle(), "Save trace");
    EXPECT_EQ(form.findChild<QLabel*>("Dateiname")->text().toStdString(), file);
    EXPECT_EQ(form.findChild<QLabel*>("Speichertyp")->text(), "Trace memory");
    EXPECT_EQ(form.findChild<QLabel*>("AdressBereich")->text(), "0 - 299");
    EXPECT_EQ(form.findChild<QLabel*>("Status")->text(), "Save trace: 248 Frames");
    EXPECT_FALSE(form.isVisible());
    // "Abbrechen", pressed while the export runs, ends it; the lines written
    // so far stay.
    TraceExport again(&source, {}, &status);
    QTimer::singleShot(0, [&] { QTest::mouseClick(form.findChild<QPushButton*>("CancelButton"), Qt::LeftButton); });
    const auto lines = again.save(file, tdZyklus, 0, 299);
    EXPECT_LT(lines, 300u);
    EXPECT_GE(lines, 1u);
    const auto text = tarvex::test::readBytes(file);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), static_cast<long>(1 + lines + 2 * (lines / 25)));
}

}  // namespace
}  // namespace tarvex::ui
