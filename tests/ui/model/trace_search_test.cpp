// The frame pattern dialog's model, the frame search and the time filter.
#include <gtest/gtest.h>

#include "emulator/validator.hpp"
#include "tests/ui/model/trace_test_support.hpp"
#include "ui/model/frame_pattern.hpp"
#include "ui/model/trace_search.hpp"
#include "ui/model/trace_window.hpp"

namespace tarvex::ui {
namespace {

struct PatternFixture {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};
    platform::MemorySettingsStore store;
    TVokWinValidator validator{nullptr, nullptr, nullptr, nullptr};
};

TEST(FramePattern, FilterAndSearchModes) {
    PatternFixture f;
    FramePatternModel m(f.store, f.validator, ProgramSpace{UnbankedAdresse(0x0100), UnbankedAdresse(0x7FFF)});
    EXPECT_EQ(m.caption(), "Searching trace frame");
    EXPECT_EQ(m.control("OkButton").text, "Search");
    EXPECT_EQ(m.control("Data").text, "Don't care");
    EXPECT_TRUE(m.emptyPattern());
    m.setFiltern(true);
    EXPECT_EQ(m.caption(), "Trace time filter");
    EXPECT_EQ(m.control("OkButton").text, "Filter");
    EXPECT_FALSE(m.control("CycleGroup").visible);
    EXPECT_TRUE(m.control("CycleCheckGroup").visible);
    EXPECT_FALSE(m.control("BottomPanel").visible);
    EXPECT_FALSE(m.control("CheckOpcode").enabled);
    m.setCheck("CheckCycleNichtSuchen", false);
    EXPECT_TRUE(m.control("CheckOpcode").enabled);
    for (const char* c : {"CheckOpcode", "CheckFetch", "CheckRead", "CheckWrite"}) m.setCheck(c, true);
    EXPECT_EQ(m.cycleSelection(), 0);
    m.setCheck("CheckFetch", false);
    EXPECT_EQ(m.cycleSelection(), 13);
    // Empty inputs are any value, never an error of the validator.
    m.setInput("Data", "");
    m.setInput("AdrName", "");
    ASSERT_TRUE(m.clickOk()) << (f.boxes.shown().empty() ? "" : f.boxes.shown().back().text);
    EXPECT_TRUE(f.boxes.shown().empty());
    EXPECT_EQ(m.pattern().dataLow, 0);
    EXPECT_EQ(m.pattern().dataHigh, 0xFF);
    EXPECT_EQ(m.pattern().addressLow.offset, 0x0100);
    EXPECT_EQ(m.pattern().addressHigh.offset, 0x7FFF);
    EXPECT_EQ(m.pattern().probes, "X");
    // Read only admits data symbols and no code symbols; with Opcode both.
    m.setCheck("CheckOpcode", false);
    m.setCheck("CheckWrite", false);
    m.setInput("AdrName", "10H-20H");
    ASSERT_TRUE(m.leave("AdrName")) << (f.boxes.shown().empty() ? "" : f.boxes.shown().back().text);
    EXPECT_EQ(f.validator.SymbolKlassen(), 8);
    m.setCheck("CheckOpcode", true);
    ASSERT_TRUE(m.leave("AdrName"));
    EXPECT_EQ(f.validator.SymbolKlassen(), 8 | 0x803);
    m.setInput("Data", "16-20");
    ASSERT_TRUE(m.clickOk()) << (f.boxes.shown().empty() ? "" : f.boxes.shown().back().text);
    EXPECT_EQ(m.pattern().addressLow.offset, 0x10);
    EXPECT_EQ(m.pattern().dataHigh, 0x14);
    m.setInput("Data", "nonsense(");
    EXPECT_FALSE(m.clickOk());
    EXPECT_EQ(f.boxes.shown().size(), 1u);

    m.setCheck("CheckBreakNichtSuchen", false);
    for (const char* c : {"CheckBreak1", "CheckBreak2", "CheckWechsel"}) m.setCheck(c, true);
    m.setInput("Data", "");
    ASSERT_TRUE(m.clickOk());
    EXPECT_EQ(encodeBreaks(m.pattern().breaks), 19);
    EXPECT_EQ(encodeBreaks(1), 255);

    m.clickDontCare();
    EXPECT_TRUE(m.emptyPattern());
    EXPECT_EQ(m.control("AdrName").text, "Don't care");
    m.chooseDirection(1);
    m.saveSettings();
    EXPECT_EQ(f.store.readInteger(kDriverKey, "FrameForm", "RichtungIndex", -1), 1);
    EXPECT_TRUE(f.store.readBool(kDriverKey, "FrameForm", "CheckCycle", false));
    f.store.writeInteger(kDriverKey, "FrameForm", "CycleIndex", 9);
    f.store.writeInteger(kDriverKey, "FrameForm", "BeginnIndex", -3);
    FramePatternModel again(f.store, f.validator);
    EXPECT_EQ(again.control("CycleGroup").itemIndex, 0);
    EXPECT_EQ(again.control("BeginnGroup").itemIndex, 0);
    EXPECT_EQ(again.control("RichtungGroup").itemIndex, 1);
}

TEST(TraceSearch, TheDriverChecksWhatTheBoardCannot) {
    EXPECT_EQ(TraceSearch::dataBits(0x10, 0x14), "00010XXX");
    EXPECT_EQ(TraceSearch::dataBits(0, 0xFF), "XXXXXXXX");
    EXPECT_EQ(TraceSearch::dataBits(0x42, 0x42), "01000010");
    auto s = test::loopTrace(60);
    s.frames[9].data = 0x17;
    s.frames[15].data = 0x12;
    s.frames[21].data = 0x12;
    s.frames[21].port1 = 0x0F;
    TraceFramePattern p;
    p.dataLow = 0x10;
    p.dataHigh = 0x14;
    // The board's pattern also matches 0x17 at frame 9: passed over.
    s.searchAnswers = {3u, 9u, 15u};
    EXPECT_EQ(TraceSearch(s).findFrame(p, 3), 15u);
    ASSERT_EQ(s.searches.size(), 3u);
    EXPECT_EQ(s.searches[1].first, 4u);
    EXPECT_EQ(s.searches[0].second[10], 0x10);
    EXPECT_EQ(s.searches[0].second[11], 0x14);
    EXPECT_EQ(s.lastPattern, "XXXXXXXX00010XXX");
    // The port-1 bits are checked on the frame found.
    p.probes = "00001111";
    s.searches.clear();
    s.searchAnswers = {15u, 21u};
    EXPECT_EQ(TraceSearch(s).findFrame(p, 0), 21u);
    // A frame before the start of a forward search does not count.
    s.searchAnswers = {2u};
    EXPECT_FALSE(TraceSearch(s).findFrame(p, 5));
}

TEST(TraceSearch, AChangingEventTakesTheNearestOtherState) {
    auto s = test::loopTrace(60);
    TraceFramePattern p;
    p.breaks = 8;
    // Frame 10 has no break: states 1, 2 and both are tried, once each.
    s.searchAnswers = {50u, std::nullopt, 30u};
    EXPECT_EQ(TraceSearch(s).findFrame(p, 10), 30u);
    ASSERT_EQ(s.searches.size(), 3u);
    for (int k = 0; k < 3; ++k) EXPECT_EQ(s.searches[static_cast<std::size_t>(k)].second[3], k + 1);
    // With Break 1 ticked only the states holding Break 1.
    s.searches.clear();
    p.breaks = 8 | 2;
    s.searchAnswers = {40u, 20u};
    EXPECT_EQ(TraceSearch(s).findFrame(p, 10), 20u);
    ASSERT_EQ(s.searches.size(), 2u);
    EXPECT_EQ(s.searches[0].second[3], 1);
    EXPECT_EQ(s.searches[1].second[3], 3);
    // Backward from the start frame.
    s.searches.clear();
    p.breaks = 2;
    p.forward = false;
    s.searchAnswers = {4u};
    EXPECT_EQ(TraceSearch(s).findFrame(p, 10), 4u);
    EXPECT_EQ(s.searches[0].second[1], 0);
}

TEST(TraceSearch, ATimeFilterOverAnyCycleFindsItsMatches) {
    PatternFixture f;
    auto s = test::loopTrace(60);
    TraceFramePattern p;
    s.searchAnswers = {5u, 9u, std::nullopt};
    EXPECT_EQ(TraceSearch(s).timeFilter(p), (std::vector<std::uint32_t>{5, 9}));
    // One search over all cycles: no cycle bits in the status mask.
    ASSERT_EQ(s.searches.size(), 3u);
    EXPECT_EQ(s.searches[0].second[4] & 0x60, 0);
    EXPECT_EQ(s.searches[1].first, 6u);

    TraceWindowNumbers numbers;
    TraceWindowModel w(s, TraceContext{}, f.store, TraceWindowHost{}, numbers);
    s.searchAnswers = {5u, 9u, std::nullopt};
    w.setTimeFilter(p, false);
    EXPECT_EQ(w.panelText(2), " Time filter active ");
    EXPECT_EQ(w.box().times().filterZeroCount(), 2u);
    // A stop re-applies the filter; switching it off drops the zero points.
    s.searchAnswers = {7u, std::nullopt};
    w.notify(11);
    EXPECT_EQ(w.box().times().filterZeroCount(), 1u);
    w.setTimeFilter(p, true);
    EXPECT_EQ(w.box().times().filterZeroCount(), 0u);
    EXPECT_EQ(w.panelText(2), "");

    // A miss keeps the view and says so.
    const std::string before = w.box().GetItemText(0);
    p.fromStart = true;
    w.search(p, false);
    ASSERT_EQ(f.boxes.shown().size(), 1u);
    EXPECT_EQ(f.boxes.shown()[0].text, "Trace frame not found");
    EXPECT_EQ(w.box().GetItemText(0), before);
    // Again: backward from the frame before the current one.
    p.forward = false;
    w.search(p, true);
    EXPECT_FALSE(w.searchActive());
    s.searchAnswers = {std::nullopt, 12u};
    w.search(p, false);
    s.searchAnswers = {12u};
    w.searchAgain();
    EXPECT_EQ(s.searches.back().first, 57u);
    EXPECT_EQ(w.box().currentFrame(), 12);
}

}  // namespace
}  // namespace tarvex::ui
