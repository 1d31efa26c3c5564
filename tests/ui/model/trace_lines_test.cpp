// Frames into display lines and cells in the four display modes.
#include <gtest/gtest.h>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/ui/model/trace_test_support.hpp"
#include "ui/model/trace_cells.hpp"
#include "ui/model/trace_lines.hpp"

namespace tarvex::ui {
namespace {

std::vector<TTraceItem> build(ITraceSource& s, TTraceDarstellung mode, std::uint32_t first, std::uint32_t last,
                              const TraceContext& ctx = {}, const CollapsedRanges* collapsed = nullptr,
                              bool context = false) {
    TraceLineBuilder b(s, ctx, collapsed);
    b.setMode(mode);
    b.setContextMode(context);
    std::vector<TTraceItem> out;
    for (std::uint32_t f = first; f <= last; ++f) b.addFrame(f, out);
    return out;
}

// One letter a line: L frame line, S source, C collapsed, G gap.
std::string shape(const std::vector<TTraceItem>& items) {
    std::string s;
    for (const auto& i : items) s += "LSCG"[i.kind];
    return s;
}

TEST(TraceLines, CycleModeCellsOfTwentyFrames) {
    auto s = test::loopTrace(20);
    const auto items = build(s, tdZyklus, 0, 19);
    // Every frame, and one gap where SJMP goes back (not around the read).
    EXPECT_EQ(shape(items), "LLLLLL" "G" "LLLLLL" "G" "LLLLLL" "G" "LL");
    std::vector<std::string> rows;
    for (const auto& item : items) {
        std::string row;
        for (int c = 0; c < kTraceColumns; ++c) row += traceCellText(item, c, tdZyklus, s.splitTime(item.time)) + "|";
        rows.push_back(row);
    }
    EXPECT_EQ(rows[0], "     0||0011110010100101|||0|0000H|74|OPCODE|MOV A,#01H|");
    EXPECT_EQ(rows[1], "     1||0011110010100101||0\"123|457|0001H|01|||");
    EXPECT_EQ(rows[3], "     3||0011110001011010||0\"370|371|8000H|17| READ ||");
    EXPECT_EQ(rows[5], "     5|1|0011110010100101||0\"617|285|0004H|FB|||");
    EXPECT_EQ(rows[6], "||||||||||");
    EXPECT_EQ(rows[21], "    18|1|0011110010100101||2\"222|226|0000H|74|OPCODE|MOV A,#01H|");
    EXPECT_EQ(traceHeaderTitle(8, tdZyklus), "Cycle");
    EXPECT_EQ(traceHeaderTitle(8, tdMixedMode), "Label");
}

TEST(TraceLines, GapsOnlyWhereTheFlowJumpsAndNeverInContextMode) {
    auto s = test::loopTrace(18);
    // Assembled: instructions and data cycles, no operand fetches.
    EXPECT_EQ(shape(build(s, tdDisassembliert, 0, 17)), "LLLL" "G" "LLLL" "G" "LLLL");
    EXPECT_EQ(shape(build(s, tdDisassembliert, 0, 17, {}, nullptr, true)), "LLLLLLLLLLLL");
    // A run that starts mid-trace has no gap at its top.
    EXPECT_EQ(shape(build(s, tdDisassembliert, 6, 7)), "L");
    const auto items = build(s, tdDisassembliert, 2, 3);
    EXPECT_EQ(items[1].label, " READ ");
    EXPECT_EQ(items[1].data, "17");
}

TEST(TraceLines, SourceLinesInMixedAndSourceModeOnlyAtOpcodes) {
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    lines.AddLine(UnbankedAdresse(0x0000), 10, 0, 0, 0);
    lines.AddLine(UnbankedAdresse(0x0003), 12, 0, 0, 0);
    // A line at the data address must never be hit by the read cycle.
    lines.AddLine(UnbankedAdresse(0x8000), 99, 0, 0, 0);
    auto s = test::loopTrace(12);
    s.sourceTexts[0x0000] = "  a = 1; /* set */";
    s.sourceTexts[0x0003] = "  goto top;";
    const TraceContext ctx{&lines};
    const auto mixed = build(s, tdMixedMode, 0, 11, ctx);
    EXPECT_EQ(shape(mixed), "SLLLSL" "G" "SLLLSL");
    EXPECT_EQ(mixed[0].lineNumber, 10u);
    EXPECT_EQ(mixed[0].instruction, "  a = 1; /* set */");
    const TSplitTime t = s.splitTime(mixed[0].time);
    EXPECT_EQ(traceCellText(mixed[0], 0, tdMixedMode, t), "");
    EXPECT_EQ(traceCellText(mixed[0], 9, tdMixedMode, t), "  a = 1; /* set */");
    EXPECT_EQ(traceCellFontColour(mixed[0], 3, tdMixedMode), TraceColour::of(0x000080));
    EXPECT_EQ(traceCellFontColour(mixed[1], 3, tdMixedMode), TraceColour::font());
    EXPECT_EQ(shape(build(s, tdSource, 0, 11, ctx)), "SS" "G" "SS");
    EXPECT_EQ(traceCellText(build(s, tdSource, 0, 0, ctx)[0], 0, tdSource, t), "     0");
    // Without a line table the source modes have no source lines.
    EXPECT_EQ(shape(build(s, tdSource, 0, 11)), "");
}

TEST(TraceLines, ACollapsedRangeStandsForItsRunOfFrames) {
    auto s = test::loopTrace(18);
    CollapsedRanges collapsed;
    EXPECT_TRUE(collapsed.add({0x0004, 0x0002, 0x0003}));
    EXPECT_FALSE(collapsed.add({0x0003}));
    // MOV shows; MOVX, its read cycle and SJMP are one collapsed line.
    const auto items = build(s, tdDisassembliert, 0, 17, {}, &collapsed);
    EXPECT_EQ(shape(items), "LC" "LC" "LC");
    EXPECT_EQ(items[1].range->addresses, (std::vector<std::uint32_t>{2, 3, 4}));
    EXPECT_EQ(traceCellText(items[1], 0, tdDisassembliert, {}), "");
    EXPECT_EQ(shape(build(s, tdZyklus, 0, 11, {}, &collapsed)), "LLC" "LLC");
    EXPECT_TRUE(collapsed.remove(items[1].range));
    EXPECT_EQ(shape(build(s, tdDisassembliert, 0, 5, {}, &collapsed)), "LLLL");
}

TEST(TraceCells, ColoursByColumnModeAndRow) {
    TTraceItem line;
    const TraceRowState plain{}, highlighted{true, false}, gathered{false, true};
    EXPECT_EQ(traceCellColour(line, 4, tdMixedMode, highlighted), TraceColour::of(0x00FFFF));
    EXPECT_EQ(traceCellColour(line, 0, tdMixedMode, plain), TraceColour::of(0xC0C0C0));
    for (int c = 1; c <= 5; ++c) EXPECT_EQ(traceCellColour(line, c, tdMixedMode, plain), TraceColour::of(0xF0F0F0));
    EXPECT_EQ(traceCellColour(line, 6, tdMixedMode, plain), TraceColour::control());
    EXPECT_EQ(traceCellColour(line, 6, tdSource, plain), TraceColour::of(0xF0F0F0));
    EXPECT_EQ(traceCellColour(line, 9, tdMixedMode, plain), TraceColour::window());
    EXPECT_EQ(traceCellColour(line, 0, tdSource, gathered), TraceColour::of(0xC0C0C0));
    EXPECT_EQ(traceCellColour(line, 7, tdSource, gathered), TraceColour::of(0xFFFFFF));
    EXPECT_EQ(traceCellFontColour(line, 6, tdSource), TraceColour::of(0x000080));
}

}  // namespace
}  // namespace tarvex::ui
