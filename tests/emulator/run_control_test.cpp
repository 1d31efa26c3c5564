#include <gtest/gtest.h>

#include <thread>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/run_select.hpp"
#include "emulator/select_table.hpp"
#include "tests/emulator/run_rig.hpp"

namespace tarvex::test {
namespace {

std::string message(int id) { return std::string(LoadStr(id)); }

void pollUntilHalted(RunRig& rig) {
    for (int i = 0; i < 1000 && rig.debug.Poll(); ++i) rig.clock.sleepMs(10);
    ASSERT_FALSE(rig.debug.IsRunning());
}

// Thread A goes and polls; thread B stops as soon as the board runs the
// target. With `breakAt` the target also halts by itself at about that
// moment: one halt is handled either way, and a stop that comes after the
// poll handled it sends nothing.
void raceStops(RunRig& rig, int rounds, bool breakAtDone) {
    if (breakAtDone) rig.breaks.mark(RunRig::Done, BoardBreaks::Lasting, true);
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round);
        if (breakAtDone) rig.debug.SetPC(UnbankedAdresse(RunRig::Main));
        const std::uint64_t stopsBefore = rig.commands("I");
        const int haltsBefore = rig.notifier.count(notify::TargetHalted);
        std::atomic<bool> started{false};
        std::atomic<bool> stopping{false};
        std::atomic<bool> stopped{false};
        std::thread a([&] {
            rig.debug.Go();
            started = true;
            // The host sleeps between polls without the link's lock; the
            // fake clock's sleep is instant, so the stopping thread is
            // let in explicitly instead of hoping the lock is fair.
            while (rig.debug.Poll()) {
                rig.clock.sleepMs(10);
                while (stopping && !stopped) std::this_thread::yield();
            }
        });
        std::thread b([&] {
            while (!started || !rig.board.targetRunning()) {
                if (started && !rig.debug.IsRunning()) break;
                std::this_thread::yield();
            }
            stopping = true;
            rig.debug.Stop();
            stopped = true;
        });
        a.join();
        b.join();
        EXPECT_FALSE(rig.debug.IsRunning());
        EXPECT_FALSE(rig.emu->TimeoutFlag());
        EXPECT_EQ(rig.notifier.count(notify::TargetHalted) - haltsBefore, 1);
        const std::uint64_t stops = rig.commands("I") - stopsBefore;
        if (!breakAtDone) {
            EXPECT_EQ(stops, 1u);
            EXPECT_EQ(rig.debug.PC().offset, RunRig::Done);
        } else {
            EXPECT_LE(stops, 1u);
        }
        rig.expectRegistersOfCpu();
    }
}

TEST(RunControlThreads, StopFromASecondThreadWhileTheFirstPolls) {
    RunRig rig;
    rig.startWithProgram();
    raceStops(rig, 40, false);
}

TEST(RunControlThreads, StopRacesABreakpoint) {
    RunRig rig;
    rig.startWithProgram();
    raceStops(rig, 20, true);
    // The link still serves.
    rig.debug.SingleStep();
    EXPECT_FALSE(rig.emu->TimeoutFlag());
}

TEST(RunControl, RefusesRunsWhileRunningAndBeforeTheFirstReset) {
    RunRig fresh;
    try {
        fresh.debug.Go();
        FAIL();
    } catch (const ETarvexAccessError& e) {
        EXPECT_EQ(std::string(e.what()), message(34));
    }
    RunRig rig;
    rig.startWithProgram();
    rig.debug.Go();
    for (auto run : {+[](TDebug& d) { d.Go(); }, +[](TDebug& d) { d.SingleStep(); },
                     +[](TDebug& d) { d.StepOverCall(); }}) {
        try {
            run(rig.debug);
            FAIL();
        } catch (const ETarvexAccessError& e) {
            EXPECT_EQ(std::string(e.what()), message(72));
        }
    }
    rig.debug.Stop();
    EXPECT_EQ(rig.indicator.ons, 1);
    EXPECT_EQ(rig.indicator.offs, 1);
}

TEST(RunControl, BreakpointHaltHandsRegistersAndTraceOver) {
    RunRig rig;
    rig.startWithProgram();
    rig.breaks.traceOpcodes();
    rig.trace.SetTraceModus(2);  // 1 µs time base
    rig.breaks.mark(RunRig::G, BoardBreaks::Lasting, true);
    rig.fresh();
    rig.debug.Go();
    pollUntilHalted(rig);
    EXPECT_EQ(rig.debug.PC().offset, RunRig::G);
    ASSERT_EQ(rig.notifier.count(notify::TargetHalted), 1);
    rig.expectRegistersOfCpu();
    // From the reset: LJMP main, MOV SP, MOV R7, CLR A, LCALL f, ACALL g.
    const std::uint16_t executed[] = {0x0000, 0x0100, 0x0103, 0x0105, 0x0106, 0x0200};
    const std::uint32_t cycles[] = {2, 2, 1, 1, 2};
    ASSERT_EQ(rig.trace.FrameCount(), std::size(executed));
    std::uint32_t last = 0;
    for (std::uint32_t i = 0; i < rig.trace.FrameCount(); ++i) {
        const TTraceFrame& f = rig.trace.GetFrame(i);
        EXPECT_EQ(f.Offset(), executed[i]) << i;
        EXPECT_EQ(f.CycleKind(), TTraceFrame::KindOpcode);
        if (i > 0) {
            EXPECT_EQ(f.TimeStamp - last, cycles[i - 1]) << i;
        }
        last = f.TimeStamp;
    }
    rig.expectStepAtTheSelfJumpAddsAFrame();
}

TEST(RunControl, OverflowBreakHaltsAfterTheCountedFrames) {
    RunRig rig;
    rig.startWithProgram();
    rig.breaks.traceOpcodes();
    rig.trace.SetBreakOnOverflow(true);
    rig.trace.SetOverflowCounter(50);
    rig.debug.Go();
    pollUntilHalted(rig);
    EXPECT_EQ(rig.trace.FrameCount(), 50u);
    EXPECT_EQ(rig.trace.GetFrame(0).Offset(), 0x0000);
    EXPECT_EQ(rig.trace.GetFrame(1).Offset(), RunRig::Main);
    EXPECT_EQ(rig.trace.GetFrame(49).CycleKind(), TTraceFrame::KindOpcode);
}

TEST(RunControl, StepOverRunsToTheReturnAddress) {
    struct Case {
        std::uint16_t from;
        std::uint16_t to;
        int goes;
    } cases[] = {
        {RunRig::Loop, 0x0109, 1},  // LCALL: 3 bytes
        {RunRig::F, 0x0202, 1},     // ACALL: 2 bytes
        {RunRig::G, 0x0281, 0},     // INC A: a single step
    };
    RunRig rig;
    rig.startWithProgram();
    for (const auto& c : cases) {
        rig.debug.SetPC(UnbankedAdresse(c.from));
        if (c.from == RunRig::F) rig.board.withCpu([](const sim::Cpu8051&) {});
        const std::uint64_t goes = rig.commands("G");
        rig.debug.StepOverCall();
        if (c.goes) {
            EXPECT_TRUE(rig.debug.IsRunning());
            EXPECT_TRUE(rig.breaks.qualifier(c.to) & BoardBreaks::Temporary);
            pollUntilHalted(rig);
        }
        EXPECT_EQ(rig.commands("G") - goes, static_cast<std::uint64_t>(c.goes)) << c.from;
        EXPECT_EQ(rig.debug.PC().offset, c.to) << c.from;
        EXPECT_FALSE(rig.breaks.qualifier(c.to) & BoardBreaks::Temporary);
        EXPECT_FALSE(rig.debug.TemporaryBreakpoint());
    }
}

TEST(RunControl, AStepAtReturnIsOneInstructionAlsoWithLines) {
    RunRig rig;
    rig.startWithProgram();
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    lines.AddLine(UnbankedAdresse(0x0204), 12, 0, 0, 1);
    rig.debug.SetLineTable(&lines);
    rig.debug.SetHighLevelMode(true);
    // LCALL f pushes 0x0109; from there RET at 0x0204 returns to it.
    rig.debug.SetPC(UnbankedAdresse(RunRig::Loop));
    rig.debug.SingleStep();
    rig.debug.SetPC(UnbankedAdresse(0x0204));
    ASSERT_NE(rig.debug.CurrentLine(), nullptr);
    const std::uint64_t goes = rig.commands("G");
    rig.debug.Step();
    EXPECT_EQ(rig.commands("G"), goes);
    EXPECT_EQ(rig.debug.PC().offset, 0x0109);
    rig.debug.SetLineTable(nullptr);
}

TEST(RunControl, SetPcThenStepRunsFromTheNewPc) {
    RunRig rig;
    rig.startWithProgram();
    std::uint8_t acc = 0;
    rig.board.withCpu([&](const sim::Cpu8051& cpu) { acc = cpu.acc(); });
    rig.debug.SetPC(UnbankedAdresse(RunRig::G));
    EXPECT_EQ(rig.notifier.count(notify::TargetHalted), 1);
    rig.debug.SingleStep();
    EXPECT_EQ(rig.debug.PC().offset, RunRig::G + 1);
    rig.board.withCpu([&](const sim::Cpu8051& cpu) { EXPECT_EQ(cpu.acc(), static_cast<std::uint8_t>(acc + 1)); });
    rig.expectRegistersOfCpu();
}

// A new program counter brings its bank, or keeps the one the target runs
// in: through the banking's bank port, or in the bank register of the
// families that have one, where an unbanked address must not put its 0xFF.
TEST(RunControl, SetPcKeepsTheBankWhenTheAddressBringsNone) {
    const auto flagOnly = [](std::uint16_t offset) { return TBankAdresse{BankNone, offset, true, false}; };
    for (const int family : {0, 12}) {
        SCOPED_TRACE(family);
        RunRig rig;
        rig.startWithProgram();
        if (family) {
            // The Winbond kind loads its own image.
            writeBytes(rig.root.file("T5b1w77.bin"), std::vector<std::uint8_t>(32768, 0));
            rig.sfr->SetOptionNummer(family);
        }
        const bool registerBank = family != 0;
        const int version = rig.emu->Generation() == 1 ? 1 : 0;
        rig.banking->SetBankingVersion(version);
        rig.banking->SetBankingMode(version == 1 ? 2 : 1);
        ASSERT_NE(rig.banking->bankingMode(), 0);
        const struct {
            TBankAdresse address, pc;
        } steps[] = {
            {BankedAdresse(1, 0x0280), BankedAdresse(1, 0x0280)},
            {flagOnly(0x0100), BankedAdresse(1, 0x0100)},
            {AllBanksAdresse(0x0106), BankedAdresse(1, 0x0106)},
            {UnbankedAdresse(0x010B), registerBank ? BankedAdresse(1, 0x010B) : UnbankedAdresse(0x010B)},
            {BankedAdresse(0, 0x0200), BankedAdresse(0, 0x0200)},
            {flagOnly(0x0280), BankedAdresse(0, 0x0280)},
        };
        for (const auto& step : steps) {
            rig.debug.SetPC(step.address);
            EXPECT_EQ(rig.debug.PC(), step.pc) << step.address.offset;
            const std::string& r = rig.debug.RegisterString();
            const auto pcAt = static_cast<std::size_t>(rig.sfr->PcIndex());
            ASSERT_GT(r.size(), pcAt + 1);
            EXPECT_EQ(static_cast<std::uint8_t>(r[pcAt]) << 8 | static_cast<std::uint8_t>(r[pcAt + 1]), step.pc.offset);
            if (registerBank) {
                EXPECT_EQ(rig.emu->ReadSfr(TEmulator::SfrBank), step.pc.bank);
                const auto bankAt = static_cast<std::size_t>(rig.sfr->BankIndex());
                ASSERT_LT(bankAt, r.size());
                EXPECT_EQ(static_cast<std::uint8_t>(r[bankAt]), step.pc.bank);
            } else {
                EXPECT_EQ(rig.banking->CurrentCodeBank(), step.pc.banked ? step.pc.bank : 1);
            }
        }
    }
}

TEST(RunControl, AnAbnormalHaltResetsTheTargetWithAMessage) {
    RunRig rig;
    rig.startWithProgram();
    rig.breaks.mark(RunRig::Done, BoardBreaks::Lasting, true);
    rig.board.failNextHalt();
    rig.debug.Go();
    pollUntilHalted(rig);
    EXPECT_EQ(rig.commands("Z"), 1u);
    ASSERT_EQ(rig.boxes.shown().size(), 1u);
    EXPECT_EQ(rig.boxes.shown()[0].text, message(32));
    EXPECT_EQ(rig.debug.PC().offset, 0);
    rig.expectRegistersOfCpu();
}

TEST(RunControl, TargetThatCannotBeStoppedIsInterruptedHardOnYes) {
    RunRig rig;  // firmware 19: the form
    rig.startWithProgram();
    rig.board.setStopRefused(true);
    rig.debug.Go();
    rig.clock.sleepMs(10);
    rig.debug.Stop();
    EXPECT_TRUE(rig.debug.IsRunning());
    EXPECT_TRUE(rig.form.visible());
    EXPECT_TRUE(rig.debug.Poll());
    std::thread ui([&] { rig.form.answerYes(); });
    ui.join();
    EXPECT_FALSE(rig.debug.Poll());
    EXPECT_EQ(rig.commands("i"), 1u);
    EXPECT_EQ(rig.commands("Z"), 1u);
    EXPECT_FALSE(rig.form.visible());
    EXPECT_EQ(rig.debug.PC().offset, 0);
    EXPECT_FALSE(rig.emu->TimeoutFlag());
}

TEST(RunControl, SpecialResetReadsTheStringAfterAStatusByte) {
    sim::BoardConfig config;
    config.version = "6.0 ";
    config.specialReset = true;
    RunRig rig(config);
    rig.startWithProgram();
    rig.debug.ResetSlave();
    EXPECT_TRUE(rig.debug.LastResetSpecial());
    EXPECT_FALSE(rig.emu->TimeoutFlag());
    rig.expectRegistersOfCpu();
}

// The reset stub at bank 6 goes back whatever the reset gave; the raised
// time-out and the busy cursor of family 15 are undone on every exit.
TEST(RunControl, ResetLeavesNoStubTimeOutOrCursorBehind) {
    RunRig rig;
    rig.startWithProgram();
    const TBankAdresse stub = BankedAdresse(6, 0);
    rig.emu->Download().WriteCode(stub, "\x12\x34");
    rig.board.setNoReaction(true);
    EXPECT_EQ(rig.debug.ResetSlave(), -1);
    EXPECT_EQ(rig.emu->Download().ReadCode(stub, 2), "\x12\x34");
    rig.board.setNoReaction(false);

    // Family 15 (a DS80C400 kind) loads its own image.
    writeBytes(rig.root.file("T5b1400.bin"), std::vector<std::uint8_t>(32768, 0));
    rig.sfr->SetOptionNummer(15);
    rig.space(SpaceKind::Program).ReadBlock(UnbankedAdresse(0), 2);
    ASSERT_GT(rig.space(SpaceKind::Program).Blocks().Count(), 0);
    const int cursors = rig.cursor.begins();
    // The kept code, then the status of "Z" and no string.
    rig.tap.script();
    rig.tap.answer({1, 2, 3, 4, 5, 6, 7, 0x00});
    EXPECT_THROW(rig.debug.ResetSlave(), EEmulatorTimeoutError);
    EXPECT_EQ(rig.tap.writes.back(), "Z");
    // The link is gone: the program cache forgets instead of a write-back.
    EXPECT_EQ(rig.space(SpaceKind::Program).Blocks().Count(), 0);
    EXPECT_EQ(rig.emu->TimeoutReadWrite(), 2000u);
    EXPECT_EQ(rig.cursor.depth(), 0);
    EXPECT_EQ(rig.cursor.begins(), cursors + 1);
}

}  // namespace
}  // namespace tarvex::test

namespace tarvex::test {
namespace {

// The temporary breakpoint is the table's own and never enters list 12; the
// list, its mode and the break mode are as they were afterwards. The trace board
// answers the select tables' overflow break.
TEST(RunSelectTable, TemporaryBreakpointLeavesListAndModeAsTheyWere) {
    RunRig rig;
    rig.startWithProgram();
    TSelectTabelle select(TSelectWiring{*rig.emu, *rig.banking, *rig.spaces, rig.options, rig.notifier, &rig.trace,
                                        nullptr, nullptr, &rig.registers, nullptr, rig.spaces.get()});
    TRunSelectTable run(select);
    select.SetRange("0300", 12);
    const std::string list = select.GetItemText(12);
    const TBreakMode mode = select.BreakMode();
    run.SetTemporaryBreakpoint(UnbankedAdresse(0x0109), true);
    EXPECT_TRUE(select.TemporaryBreakActive());
    EXPECT_EQ(select.GetItemText(12), list);
    EXPECT_EQ(select.BreakMode(), bmBreak2);
    run.RemoveTemporaryBreakpoint();
    EXPECT_EQ(select.GetItemText(12), list);
    EXPECT_EQ(select.BreakMode(), mode);

    select.SetBreakMode(bmTraceOverflow);
    select.TransmitBreakTraceRegister();
    EXPECT_TRUE(rig.trace.BreakOnOverflow());
}

}  // namespace
}  // namespace tarvex::test
