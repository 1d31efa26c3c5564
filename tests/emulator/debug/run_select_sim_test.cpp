// Run control with the real select table on the simulator: the breakpoints
// the table puts on the board are the ones the simulated CPU halts on.
#include <gtest/gtest.h>

#include <vector>

#include "emulator/debug/run_select.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/emulator/run_rig.hpp"

namespace tarvex::test {
namespace {

struct SelectRunRig : RunRig {
    SelectRunRig()
        : select(TSelectWiring{*emu, *banking, *spaces, options, notifier, &trace, nullptr, nullptr, &registers,
                               nullptr, spaces.get()}),
          run(select) {
        debug.SetSelectTable(&run);
        trace.SetSelectSource(&run);
        startWithProgram();
        select.InitEmulStart();
        fresh();
    }
    void pollUntilHalted() {
        for (int i = 0; i < 1000 && debug.Poll(); ++i) clock.sleepMs(10);
        ASSERT_FALSE(debug.IsRunning());
    }
    // The select planes over the program calls.hex occupies.
    std::vector<std::uint8_t> planes() const {
        std::vector<std::uint8_t> out;
        for (std::size_t hw : {std::size_t{6}, std::size_t{7}})
            for (std::uint16_t a = 0; a < 0x0400; ++a) out.push_back(board.select(hw, a));
        return out;
    }

    TSelectTabelle select;
    TRunSelectTable run;
};

TEST(RunWithSelectTable, AddedAddressHaltsTheGoThereWithTheExecutedFrames) {
    SelectRunRig rig;
    rig.trace.SetTraceModus(2);  // 1 µs time base
    rig.select.AddAddress(UnbankedAdresse(RunRig::G), true);
    rig.debug.Go();
    rig.pollUntilHalted();
    EXPECT_EQ(rig.debug.PC().offset, RunRig::G);
    EXPECT_EQ(rig.notifier.count(notify::TargetHalted), 1);
    rig.expectRegistersOfCpu();
    // The table's default trace list covers the program in OPCODE mode.
    const std::uint16_t executed[] = {0x0000, RunRig::Main, 0x0103, 0x0105, RunRig::Loop, RunRig::F};
    const std::uint32_t cycles[] = {2, 2, 1, 1, 2};
    ASSERT_EQ(rig.trace.FrameCount(), std::size(executed));
    for (std::uint32_t i = 0; i < rig.trace.FrameCount(); ++i) {
        const TTraceFrame& f = rig.trace.GetFrame(i);
        EXPECT_EQ(f.Offset(), executed[i]) << i;
        EXPECT_EQ(f.CycleKind(), TTraceFrame::KindOpcode) << i;
        if (i > 0) {
            EXPECT_EQ(f.TimeStamp - rig.trace.GetFrame(i - 1).TimeStamp, cycles[i - 1]) << i;
        }
    }

    // Taken away again, the next go runs past g to the next breakpoint.
    rig.select.AddAddress(UnbankedAdresse(RunRig::G), false);
    rig.select.AddAddress(UnbankedAdresse(0x0202), true);
    rig.debug.Go();
    rig.pollUntilHalted();
    EXPECT_EQ(rig.debug.PC().offset, 0x0202);

    rig.expectStepAtTheSelfJumpAddsAFrame();
}

// A go-until and a step over put their break on channel 12 for the run
// only: list 12, the break mode and the board's planes are as before.
TEST(RunWithSelectTable, TemporaryBreaksLeaveListAndPlanesAsTheyWere) {
    SelectRunRig rig;
    rig.select.SetRange("0300", 12);
    rig.select.SetBreakMode(bmBreak1orBreak2);
    rig.select.TransmitBreakTraceRegister();
    const std::string list = rig.select.GetItemText(12);
    const std::vector<std::uint8_t> before = rig.planes();
    const auto unchanged = [&](const char* what) {
        EXPECT_FALSE(rig.debug.TemporaryBreakpoint()) << what;
        EXPECT_FALSE(rig.select.TemporaryBreakActive()) << what;
        EXPECT_EQ(rig.select.GetItemText(12), list) << what;
        EXPECT_EQ(rig.select.BreakMode(), bmBreak1orBreak2) << what;
        EXPECT_EQ(rig.select.GetSelectMode(12), select_mode::Opcode) << what;
        EXPECT_TRUE(rig.planes() == before) << what;
    };

    rig.debug.GoUntil(UnbankedAdresse(RunRig::F));
    rig.pollUntilHalted();
    EXPECT_EQ(rig.debug.PC().offset, RunRig::F);
    unchanged("go until");

    rig.debug.SetPC(UnbankedAdresse(RunRig::Loop));
    rig.debug.StepOverCall();
    ASSERT_TRUE(rig.debug.IsRunning());
    // On the board during the run: the return address alone on channel 12.
    EXPECT_TRUE(rig.board.select(6, 0x0109) & TSelectTabelle::ChannelBit(12));
    EXPECT_FALSE(rig.board.select(6, 0x0300) & TSelectTabelle::ChannelBit(12));
    rig.pollUntilHalted();
    EXPECT_EQ(rig.debug.PC().offset, 0x0109);
    unchanged("step over");
}

TEST(RunWithSelectTable, TraceOverflowBreakHaltsAfterTheCountedFrames) {
    SelectRunRig rig;
    rig.select.SetBreakMode(bmTraceOverflow);
    rig.select.SetOverflowText("50");
    rig.debug.Go();
    rig.pollUntilHalted();
    EXPECT_EQ(rig.trace.FrameCount(), 50u);
    EXPECT_EQ(rig.trace.GetFrame(0).Offset(), 0x0000);
    EXPECT_EQ(rig.trace.GetFrame(1).Offset(), RunRig::Main);
    EXPECT_EQ(rig.trace.GetFrame(49).CycleKind(), TTraceFrame::KindOpcode);
    EXPECT_FALSE(rig.trace.FrameValid(50));
}

}  // namespace
}  // namespace tarvex::test
