// The trace list box: its window of rows over the frames, keys, times,
// collapsing and the notifications.
#include <gtest/gtest.h>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/ui/model/trace_test_support.hpp"
#include "platform/clock.hpp"
#include "emulator/debug/select_table.hpp"
#include "platform/ui.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/support/test_support.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/model/trace_box.hpp"

namespace tarvex::ui {
namespace {

std::string frames(const TraceBoxModel& box) {
    std::string s;
    for (int r = 0; r < box.rowCount(); ++r) {
        const auto& i = box.item(r);
        s += i.isGap() ? std::string("G") : i.kind == TTraceItem::Collapsed ? "C" + std::to_string(i.frame)
                                                                              : std::to_string(i.frame);
        s += ' ';
    }
    return s;
}

TEST(TraceBox, EmptyAndShortTraces) {
    ScriptedTraceSource empty;
    TraceBoxModel none(empty);
    none.setVisibleRows(10);
    EXPECT_EQ(none.scrollMaximum(), 0);
    EXPECT_EQ(none.rowCount(), 0);
    EXPECT_EQ(none.currentFrame(), -1);
    none.notify(11);
    EXPECT_EQ(none.rowCount(), 0);

    // A short trace is counted line by line: fewer rows than fit.
    auto s = test::loopTrace(6);
    TraceBoxModel box(s);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(10);
    EXPECT_EQ(box.rowCount(), 4);
    EXPECT_EQ(box.scrollMaximum(), 5);
}

// The loop program's trace over `frames` frames, with one source line at
// the address.
struct LinedLoop {
    LinedLoop(std::uint16_t at, int line, std::uint32_t frames) : source(test::loopTrace(frames)) {
        lines.AddLine(UnbankedAdresse(at), line, 0, 0, 0);
    }
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    ScriptedTraceSource source;
};

TEST(TraceBox, SourceModeSpansEveryFrameWithFewLines) {
    LinedLoop t(0x0003, 12, 150);
    TraceBoxModel box(t.source, {&t.lines});
    box.setVisibleRows(8);
    box.setMode(tdSource);
    EXPECT_EQ(box.scrollMaximum(), 149);
    box.notify(11);
    EXPECT_EQ(box.rowCount(), 8);
    for (int r = 0; r < box.rowCount(); ++r) EXPECT_NE(box.item(r).kind, TTraceItem::Line);
    EXPECT_EQ(box.item(box.rowCount() - 1).frame, 148u);
}

TEST(TraceBox, ScrollingKeepsTheLinesOfOneContinuousBuild) {
    auto s = test::loopTrace(300);
    TraceBoxModel box(s);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(7);
    box.showFrame(100);
    // Frame 100 is the SJMP back: a gap follows it.
    EXPECT_EQ(frames(box), "100 G 102 104 105 106 G ");
    box.scrollDown(3);
    EXPECT_EQ(frames(box), "104 105 106 G 108 110 111 ");
    box.scrollUp(5);
    EXPECT_EQ(frames(box), "98 99 100 G 102 104 105 ");
    box.setCaretRow(0);
    EXPECT_TRUE(box.lineUp());
    EXPECT_EQ(frames(box), "96 98 99 100 G 102 104 ");
    EXPECT_EQ(box.caretRow(), 0);
    // At the very start Page Up keeps the view and selects row 0.
    box.pageUp(true);
    const auto start = frames(box);
    EXPECT_EQ(start, "0 2 3 4 G 6 8 ");
    box.setCaretRow(4);
    box.pageUp(false);
    EXPECT_EQ(frames(box), start);
    EXPECT_EQ(box.caretRow(), 0);
    // The end fills the window from above and puts the caret on the last row.
    box.pageDown(true);
    EXPECT_EQ(frames(box), "291 292 G 294 296 297 298 ");
    // The last frame is an operand fetch: the last line is the SJMP before it.
    EXPECT_EQ(box.currentFrame(), 298);
    EXPECT_FALSE(box.lineUp());
    box.setCaretRow(4);
    EXPECT_EQ(box.currentFrame(), 296);
}

TEST(TraceBox, RelativeTimesFromTheZeroPoints) {
    TraceTimes t;
    EXPECT_EQ(t.relative(5, 1000), 1000u);
    t.setManualZero(10, 0xFFFFFF00u);
    // Before every zero point: absolute; after a wrap: still forward.
    EXPECT_EQ(t.relative(5, 1000), 1000u);
    EXPECT_EQ(t.relative(20, 0x00000100u), 0x200u);
    t.setFilterZeros({{30, 5000}, {15, 100}});
    EXPECT_EQ(t.relative(16, 0x150), 0x150u - 100u);
    EXPECT_EQ(t.relative(12, 0xFFFFFF10u), 0x10u);
    EXPECT_EQ(t.relative(31, 6000), 1000u);

    auto s = test::loopTrace(40);
    TraceBoxModel box(s);
    box.setMode(tdZyklus);
    box.setVisibleRows(5);
    box.notify(11);
    // Row 0 is the gap before frame 36: its frame is the line below it.
    EXPECT_TRUE(box.item(0).isGap());
    box.setCaretRow(0);
    box.toggleTimeZero();
    EXPECT_EQ(box.times().manualZeroFrame(), 36u);
    EXPECT_EQ(box.GetCellText(0, 5), "");
    EXPECT_EQ(box.GetCellText(1, 5), "0");
    EXPECT_EQ(box.GetCellText(2, 4), "0\"123");
    box.toggleTimeZero();
    EXPECT_FALSE(box.times().hasManualZero());
    // A reset drops the zero points, a stop keeps those of the filter.
    box.times().setFilterZeros({{3, 7}});
    box.notify(11);
    EXPECT_EQ(box.times().filterZeroCount(), 1u);
    box.notify(6);
    EXPECT_EQ(box.times().filterZeroCount(), 0u);

    // A stop over a new recording: the manual zero's frame holds another
    // time now, so the zero goes with it and the frame shows its own time.
    box.setCaretRow(box.rowCount() - 1);
    box.toggleTimeZero();
    ASSERT_EQ(box.times().manualZeroFrame(), 39u);
    EXPECT_EQ(box.GetCellText(box.rowCount() - 1, 5), "0");
    for (auto& f : s.frames) f.time += 50000000u;
    box.notify(11);
    EXPECT_FALSE(box.times().hasManualZero());
    TraceBoxModel fresh(s);
    fresh.setMode(tdZyklus);
    fresh.setVisibleRows(5);
    fresh.notify(11);
    ASSERT_EQ(box.item(box.rowCount() - 1).frame, 39u);
    for (int c : {3, 4, 5})
        EXPECT_EQ(box.GetCellText(box.rowCount() - 1, c), fresh.GetCellText(fresh.rowCount() - 1, c)) << c;
}

TEST(TraceBox, CollapseAndExpandRows) {
    auto s = test::loopTrace(60);
    TraceBoxModel box(s);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(6);
    box.showFrame(6);
    EXPECT_EQ(frames(box), "6 8 9 10 G 12 ");
    // MOVX, its read cycle (no code) and SJMP.
    box.collapseRows({1, 2, 3});
    EXPECT_EQ(frames(box), "C8 12 C14 18 C20 24 ");
    EXPECT_EQ(box.GetCellText(0, 0), "+");
    EXPECT_EQ(box.GetCellText(0, 6), "...");
    EXPECT_EQ(box.GetCellFontColor(0, 6), 0xC0C0C0u);
    EXPECT_EQ(box.GetCellText(0, 9), "");
    box.setCaretRow(2);
    EXPECT_TRUE(box.expandAtCaret());
    EXPECT_EQ(box.collapsed().count(), 0u);
    EXPECT_EQ(frames(box), "14 15 16 G 18 20 ");
    box.setCaretRow(0);
    EXPECT_FALSE(box.expandAtCaret());
}

TEST(TraceBox, CollapseTheFunctionUnderTheCaret) {
    TSymboltabelle symbols;
    symbols.AddModule("LOOP", 1, UnbankedAdresse(0x0000), UnbankedAdresse(0x00FF));
    symbols.AddFunction("wait", 1, UnbankedAdresse(0x0002), UnbankedAdresse(0x0004), 1);
    auto s = test::loopTrace(60);
    TraceContext ctx;
    ctx.symbols = &symbols;
    TraceBoxModel box(s, ctx);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(7);
    // Caret row → what the view shows afterwards. The MOVX lies in "wait"
    // (MOVX and SJMP with its operand), whose run its read cycle does not
    // break. MOV lies in the module only: the whole module goes, and with
    // it the whole trace. A read cycle and a gap have no function.
    const struct {
        int row;
        bool collapses;
        const char* after;
    } cases[] = {{1, true, "C14 18 C20 24 C26 30 C32 "},
                 {0, true, "C0 "},
                 {2, false, "12 14 15 16 G 18 20 "},
                 {4, false, "12 14 15 16 G 18 20 "}};
    for (const auto& c : cases) {
        box.showFrame(12);
        ASSERT_EQ(frames(box), "12 14 15 16 G 18 20 ");
        box.setCaretRow(c.row);
        EXPECT_EQ(box.collapseFunction(), c.collapses) << c.row;
        EXPECT_EQ(frames(box), c.after) << c.row;
        if (c.collapses) {
            EXPECT_TRUE(box.expandAtCaret());
            EXPECT_EQ(box.collapsed().count(), 0u);
        }
        box.showFrame(0);
    }
    // Without a symbol table nothing collapses.
    TraceBoxModel bare(s);
    bare.setMode(tdDisassembliert);
    bare.setVisibleRows(7);
    bare.showFrame(12);
    bare.setCaretRow(1);
    EXPECT_FALSE(bare.collapseFunction());
}

TEST(TraceBox, ATableReloadDropsEveryLineRecord) {
    LinedLoop t(0x0000, 10, 30);
    TraceBoxModel box(t.source, {&t.lines});
    box.setVisibleRows(6);
    box.setMode(tdMixedMode);
    box.notify(11);
    bool held = false;
    for (int r = 0; r < box.rowCount(); ++r) held = held || box.item(r).lineRecord;
    EXPECT_TRUE(held);
    t.lines.Clear();
    box.notify(9);
    for (int r = 0; r < box.rowCount(); ++r) EXPECT_EQ(box.item(r).lineRecord, nullptr);
    EXPECT_EQ(box.rowCount(), 6);
}

}  // namespace
}  // namespace tarvex::ui

namespace tarvex::ui {
namespace {

TEST(TraceBox, TheReadingDialogAfterASecondAndItsCancel) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::FakeClock clock;
    test::CancellingReading reading;
    auto inner = test::loopTrace(600);
    test::SlowSource source(inner, clock);
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    // One source line, far back in the trace.
    lines.AddLine(UnbankedAdresse(0x0003), 12, 0, 0, 0);
    inner.frames[4].address = 0x0007;
    for (auto& f : inner.frames)
        if (f.address == 0x0003) f.address = 0x0005;
    inner.frames[4].address = 0x0003;
    TraceBoxModel box(source, {&lines, nullptr, &clock, &reading});
    box.setMode(tdDisassembliert);
    box.setVisibleRows(4);
    box.showFrame(100);
    // A step of a few frames stays under a second: no dialog.
    const int shown = reading.shows;
    box.scrollDown(1);
    EXPECT_EQ(reading.shows, shown);
    // Source mode reads far back: the dialog shows, and every show closes.
    box.setVisibleRows(3);
    box.setMode(tdSource);
    box.notify(11);
    EXPECT_GT(reading.shows, shown);
    EXPECT_EQ(reading.closes, reading.shows);
    EXPECT_EQ(box.mode(), tdSource);
    // Cancelled with no source line found: the question, Yes is Mixed Mode.
    reading.cancelAfter = reading.polls + 3;
    boxes.answer(platform::IdYes);
    bool told = false;
    box.onModeChanged([&] { told = true; });
    box.showFrame(500);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "No source items found.\r\nChange display mode?");
    EXPECT_EQ(box.mode(), tdMixedMode);
    EXPECT_TRUE(told);
}

// Source mode over a long trace whose only source line is its fifth frame:
// the end of the trace is read backwards, as far as the start.
TEST(TraceBox, SourceModeReadsBackUnderTheReadingDialogAndItsCancel) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::FakeClock clock;
    test::CancellingReading reading;
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    lines.AddLine(UnbankedAdresse(0x0100), 12, 0, 0, 0);
    auto inner = test::loopTrace(3000);
    inner.frames[4].address = 0x0100;
    test::SlowSource source(inner, clock);
    TraceBoxModel box(source, {&lines, nullptr, &clock, &reading});
    box.setVisibleRows(5);
    box.setMode(tdSource);
    EXPECT_EQ(frames(box), "4 G ");
    EXPECT_GT(reading.shows, 0);
    EXPECT_EQ(reading.closes, reading.shows);
    EXPECT_TRUE(boxes.shown().empty());

    // Cancel stops the read at once, and the question follows; No keeps
    // Source mode.
    const struct {
        int answer;
        TTraceDarstellung mode;
    } answers[] = {{platform::IdNo, tdSource}, {platform::IdYes, tdMixedMode}};
    for (const auto& a : answers) {
        reading.cancelAfter = reading.polls + 3;
        boxes.answer(a.answer);
        const int before = source.reads, shown = static_cast<int>(boxes.shown().size());
        box.goToEnd();
        ASSERT_EQ(static_cast<int>(boxes.shown().size()), shown + 1);
        EXPECT_EQ(boxes.shown().back().text, "No source items found.\r\nChange display mode?");
        EXPECT_EQ(box.mode(), a.mode);
        EXPECT_EQ(reading.closes, reading.shows);
        if (a.mode == tdSource) {
            EXPECT_LT(source.reads - before, 20);
        }
    }
    // Yes showed Mixed Mode at the end of the trace.
    EXPECT_EQ(box.rowCount(), 5);
    EXPECT_EQ(box.currentFrame(), 2998);
}

TEST(TraceBox, AModeChangeKeepsTheFrameOfTheSelectedLine) {
    LinedLoop t(0x0002, 7, 300);
    TraceBoxModel box(t.source, {&t.lines});
    box.setMode(tdDisassembliert);
    box.setVisibleRows(7);
    box.showFrame(100);
    box.setCaretRow(3);
    ASSERT_EQ(box.currentFrame(), 104);
    for (TTraceDarstellung mode : {tdZyklus, tdDisassembliert, tdMixedMode, tdDisassembliert, tdSource, tdZyklus}) {
        box.setMode(mode);
        ASSERT_GE(box.caretRow(), 0) << mode;
        EXPECT_EQ(box.item(box.caretRow()).frame, 104u) << mode;
    }
    // A table reload rebuilds the rows too.
    box.notify(8);
    EXPECT_EQ(box.currentFrame(), 104);
    // Frame 103 is MOVX's operand fetch, a line only in Cycle mode: in
    // Assembled the caret takes the next line.
    box.showFrame(103);
    box.setCaretRow(0);
    ASSERT_EQ(box.currentFrame(), 103);
    box.setMode(tdDisassembliert);
    EXPECT_EQ(box.currentFrame(), 104);
    // Nothing selected: nothing selected after it either.
    box.setCaretRow(-1);
    box.setMode(tdZyklus);
    EXPECT_EQ(box.caretRow(), -1);
}

TEST(TraceBox, ScrollingUpKeepsTheSelectedLineUntilItLeavesTheView) {
    auto s = test::loopTrace(300);
    TraceBoxModel box(s);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(7);
    box.showFrame(100);
    ASSERT_EQ(frames(box), "100 G 102 104 105 106 G ");
    box.setCaretRow(5);
    box.scrollUp(1);
    EXPECT_EQ(frames(box), "99 100 G 102 104 105 106 ");
    EXPECT_EQ(box.caretRow(), 6);
    EXPECT_EQ(box.currentFrame(), 106);
    box.scrollUp(1);
    EXPECT_EQ(box.caretRow(), -1);
}

}  // namespace
}  // namespace tarvex::ui

namespace tarvex::ui {
namespace {

TEST(TraceBox, TheContextOfASourceLineAndTheLinesLeadingToIt) {
    tarvex::test::SimTarget target;
    target.start();
    TSelectTabelle select(TSelectWiring{*target.emu, *target.banking, *target.spaces, target.options, target.notifier});
    select.InitEmulStart();
    select.SetItemText(14, "0000-0002");
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    const auto line = [&](std::uint16_t at, int number, std::uint16_t end) {
        TZeilennummer* r = lines.AddLine(UnbankedAdresse(at), number, 0, 0, 0);
        r->endKnown = 1;
        r->endAddress = UnbankedAdresse(end);
    };
    line(0x0000, 12, 0x0002);  // inside the trace range
    line(0x0003, 14, 0x0004);  // outside
    line(0x0001, 16, 0x0003);  // partly
    line(0x0004, 17, 0x0004);  // in two places, one inside: partly
    line(0x0001, 17, 0x0001);
    auto s = test::loopTrace(120);
    int files = 0;
    TraceBoxModel* self = nullptr;
    TraceContext ctx{&lines};
    ctx.select = &select;
    ctx.sourceFile = [&](const TZeilennummer&) {
        // Finding the file may report a change of the tables while the
        // context is gathered; the box takes it afterwards.
        if (++files == 1) self->notify(4);
        std::vector<std::string> text;
        for (int i = 1; i <= 20; ++i) text.push_back("L" + std::to_string(i));
        return text;
    };
    TraceBoxModel box(s, ctx);
    self = &box;
    box.setVisibleRows(6);
    box.setMode(tdSource);
    box.setContextMode(true);
    box.notify(11);
    // Rows: 12 and 14 of each turn; the end of the trace makes the last 14
    // the context.
    const int row = box.rowCount() - 1;
    ASSERT_EQ(box.item(row).lineNumber, 14u);
    EXPECT_EQ(files, 2);
    EXPECT_TRUE(box.rowHighlighted(row));
    box.setCaretRow(row);
    EXPECT_EQ(files, 2);
    ASSERT_EQ(box.contextLines().size(), 20u);
    const auto state = [&](int number) { return box.contextLines()[static_cast<std::size_t>(number - 1)].state; };
    EXPECT_EQ(state(14), 0x10 | TraceContextLine::Outside);
    EXPECT_EQ(state(12), 0x20 | TraceContextLine::Inside);
    EXPECT_EQ(state(16), TraceContextLine::Partly);
    EXPECT_EQ(state(17), TraceContextLine::Partly);
    EXPECT_EQ(state(13), TraceContextLine::NoCode);
    EXPECT_EQ(box.contextTopLine(), 10);
    EXPECT_TRUE(box.rowHighlighted(row));
    EXPECT_TRUE(box.rowGathered(row - 1));
    EXPECT_FALSE(box.rowGathered(row - 2));
    EXPECT_EQ(box.GetCellColor(row, 3), 0x00FFFFu);
    EXPECT_EQ(box.GetCellColor(row - 1, 3), 0xFFFFFFu);
    EXPECT_EQ(box.GetCellColor(row - 1, 0), 0xC0C0C0u);
    // The same module keeps its file; the marks move with the context.
    box.setCaretRow(row - 1);
    EXPECT_EQ(files, 2);
    EXPECT_EQ(state(12), 0x10 | TraceContextLine::Inside);
    EXPECT_EQ(state(14), TraceContextLine::Outside);
    // Loading another program drops the context with its records.
    lines.Clear();
    box.notify(9);
    EXPECT_TRUE(box.contextLines().empty());
}

}  // namespace
}  // namespace tarvex::ui

namespace tarvex::ui {
namespace {

// Finds a file by its plain name in one folder.
class FolderOptions final : public IOptionsInfo {
public:
    explicit FolderOptions(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::vector<std::string> sourceExts() const override { return {".a51", ".c"}; }
    int toolChain() const override { return 0; }
    bool findFile(std::string& name) const override {
        const auto at = folder_ / std::filesystem::path(name).filename();
        if (!std::filesystem::exists(at)) return false;
        name = at.string();
        return true;
    }

private:
    std::filesystem::path folder_;
};

TEST(TraceSourceFile, TheModulesFileThroughTheFileSearch) {
    tarvex::test::TempDir dir;
    tarvex::test::writeBytes(dir.file("PORTS.c"), {'o', 'n', 'e', '\r', '\n', 't', 'w', 'o', '\r', '\n'});
    TSymboltabelle symbols;
    symbols.AddModule("PORTS", 1, UnbankedAdresse(0x0000), UnbankedAdresse(0x00FF));
    symbols.AddModule("GONE", 2, UnbankedAdresse(0x0100), UnbankedAdresse(0x01FF));
    TZeilennummertabelle lines(symbols);
    const TZeilennummer* ports = lines.AddLine(UnbankedAdresse(0x0010), 2, 0, 0, 1);
    const TZeilennummer* gone = lines.AddLine(UnbankedAdresse(0x0110), 2, 0, 0, 2);
    const TZeilennummer* other = lines.AddLine(UnbankedAdresse(0x0020), 7, 1, 0, 1);
    // The second file of PORTS has a name the search cannot find.
    symbols.AddFileName("other.c", 1, 1);
    const FolderOptions options(dir.path());
    const auto file = traceSourceFile(symbols, options);
    const auto text = file(*ports);
    ASSERT_GE(text.size(), 2u);
    EXPECT_EQ(text[0], "one");
    EXPECT_EQ(text[1], "two");
    EXPECT_TRUE(file(*gone).empty());
    EXPECT_TRUE(file(*other).empty());
    // The lookup leaves the symbol table as it was.
    EXPECT_EQ(symbols.LocationText(ports, false), "");
}

}  // namespace
}  // namespace tarvex::ui
