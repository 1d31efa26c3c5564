// The measurement on the simulator: calls.hex runs with the trace recording
// only the entry and exit opcodes of f and g, halts on the trace overflow,
// and the recorded frames are walked through the trace board.
#include <gtest/gtest.h>

#include "core/symbol_table.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/validator.hpp"
#include "tests/emulator/run_rig.hpp"

namespace tarvex::test {
namespace {

TEST(PerformanceOnTheSimulator, CallsOfFAndGFromTheirRecordedFrames) {
    RunRig rig;
    rig.startWithProgram();
    rig.breaks.traceOpcodes();
    for (std::uint8_t bank = 0; bank < 8; ++bank)
        rig.emu->Download().Fill(BankedAdresse(bank, 0), BankedAdresse(bank, 0x3FF), 0);
    // What the trace pairs and the break on return select.
    for (std::uint16_t at : {RunRig::F, std::uint16_t{0x0204}, RunRig::G, std::uint16_t{0x0285}})
        rig.breaks.mark(at, BoardBreaks::TraceBit, true);
    rig.trace.SetBreakOnOverflow(true);

    TSymboltabelle symbols;
    TTracePerformance trace(rig.trace);
    TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace, nullptr, &rig.debug});
    perf.SetMaxFrames(30);
    perf.SetTraceModus(1);  // time base 1: microseconds, one machine cycle at 12 MHz
    TPerformanceList list;
    for (const auto& [name, range] : {std::pair{"f", "0200-0204"}, std::pair{"g", "0280-0285"}}) {
        auto item = std::make_unique<TPerformanceItem>();
        item->Name = name;
        item->RangeText = range;
        list.Items.push_back(std::move(item));
    }
    perf.SetDefinitionen(list);
    perf.SetActive(true);
    EXPECT_EQ(rig.trace.OverflowCounter(), 30);

    rig.debug.Go();
    for (int i = 0; i < 1000 && rig.debug.Poll(); ++i) rig.clock.sleepMs(10);
    ASSERT_FALSE(rig.debug.IsRunning());
    perf.Notify(notify::TargetHalted, nullptr);
    EXPECT_TRUE(perf.ResultPending());
    ASSERT_EQ(rig.trace.FrameCount(), 30u);

    const TPerformanceList& result = perf.GetErgebnis();
    EXPECT_TRUE(result.Messages.empty());
    const TPerformanceItem& f = *result.Find("f");
    const TPerformanceItem& g = *result.Find("g");
    EXPECT_EQ(f.Count, 5u);
    EXPECT_EQ(g.Count, 10u);
    EXPECT_GT(g.TotalTime, 0u);
    EXPECT_EQ(g.NetTime, g.TotalTime);
    EXPECT_EQ(f.NetTime, f.TotalTime - g.TotalTime);
    EXPECT_EQ(result.Find("Undefined")->TotalTime, result.RunTime - f.NetTime - g.NetTime);
    EXPECT_EQ(f.MinTime, f.MaxTime);  // every call of f takes as long
    // Machine cycles from the entry opcode to the RET opcode: g runs INC A
    // (1), MOV DPTR (2), MOVX (2); f runs two ACALLs (2 each) and g twice,
    // each with its RET (2).
    EXPECT_EQ(g.MaxTime, 5u);
    EXPECT_EQ(g.MinTime, 5u);
    EXPECT_EQ(f.MaxTime, 2u + 5u + 2u + 2u + 5u + 2u);

    perf.SetActive(false);
    EXPECT_EQ(rig.trace.OverflowCounter(), 32768);
    EXPECT_EQ(rig.trace.GetTimeBase(), 0);
}

}  // namespace
}  // namespace tarvex::test
