#include <gtest/gtest.h>

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "emulator/debug/run_select.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/emulator/run_rig.hpp"

namespace tarvex::test {
namespace {

std::string message(int id) { return std::string(LoadStr(id)); }

void pollUntilHalted(RunRig& rig) {
    for (int i = 0; i < 1000 && rig.debug.Poll(); ++i) rig.clock.sleepMs(10);
    ASSERT_FALSE(rig.debug.IsRunning());
}

// A one-way gate between two threads.
class Gate {
public:
    void open() {
        {
            std::lock_guard<std::mutex> g(mutex_);
            open_ = true;
        }
        opened_.notify_all();
    }
    void wait() {
        std::unique_lock<std::mutex> g(mutex_);
        opened_.wait(g, [this] { return open_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable opened_;
    bool open_ = false;
};

enum class First { Poll, Stop };

struct StopOutcome {
    std::uint64_t stops;  // "I" sent
    int halts;            // halts handled
};

// Thread A goes and polls; thread B stops the target. Which of the two has
// the link lock when the other comes is handed over, not raced: with
// First::Poll B's stop is called while A's poll holds the lock (asking the
// line for input), with First::Stop B's stop takes the lock first (it is
// writing "I") and A's poll comes after. Virtual time passes only in A's
// sleeps between polls, `leadPolls` of them before the contested poll, so
// where the target is when the stop comes is the round's choice, not the
// machine's load.
StopOutcome stopWhilePolling(RunRig& rig, First first, int leadPolls) {
    const std::uint64_t stopsBefore = rig.commands("I");
    const int haltsBefore = rig.notifier.count(notify::TargetHalted);
    Gate lead, contested, called, stopped;
    std::atomic<bool> armed{false};
    rig.tap.onInputQueued = [&] {
        if (first == First::Poll && armed.exchange(false)) {
            contested.open();
            called.wait();
        }
    };
    rig.tap.onWrite = [&](const std::string& bytes) {
        if (first == First::Stop && bytes == "I" && armed.exchange(false)) {
            contested.open();
            called.wait();
        }
    };
    std::thread a([&] {
        rig.debug.Go();
        for (int i = 0; i < leadPolls && rig.debug.Poll(); ++i) rig.clock.sleepMs(10);
        armed = true;
        if (first == First::Poll) {
            rig.debug.Poll();
            // A poll that found the run over asked the line nothing.
            if (armed.exchange(false)) contested.open();
            stopped.wait();
        } else {
            lead.open();
            contested.wait();
            called.open();
        }
        while (rig.debug.Poll()) rig.clock.sleepMs(10);
    });
    std::thread b([&] {
        if (first == First::Poll) {
            contested.wait();
            called.open();
        } else {
            lead.wait();
        }
        rig.debug.Stop();
        // A stop that found the run over wrote nothing.
        if (armed.exchange(false)) contested.open();
        stopped.open();
    });
    a.join();
    b.join();
    rig.tap.onInputQueued = nullptr;
    rig.tap.onWrite = nullptr;
    EXPECT_FALSE(rig.debug.IsRunning());
    EXPECT_FALSE(rig.emu->TimeoutFlag());
    rig.expectRegistersOfCpu();
    return {rig.commands("I") - stopsBefore, rig.notifier.count(notify::TargetHalted) - haltsBefore};
}

TEST(RunControlThreads, StopFromASecondThreadWhileTheFirstPolls) {
    RunRig rig;
    rig.startWithProgram();
    for (First first : {First::Poll, First::Stop}) {
        for (int lead : {1, 3}) {
            SCOPED_TRACE(testing::Message() << (first == First::Poll ? "poll" : "stop") << " first, lead " << lead);
            const StopOutcome out = stopWhilePolling(rig, first, lead);
            EXPECT_EQ(out.stops, 1u);
            EXPECT_EQ(out.halts, 1);
            EXPECT_EQ(rig.debug.PC().offset, RunRig::Done);
        }
    }
}

// The target halts by itself at the self-jump, which it reaches within the
// first 10 ms. Before that the stop halts it where it is (no virtual time
// has passed: at main); after it, a poll that handled the halt leaves the
// stop nothing to send, and a stop ahead of the poll takes the halt's answer
// for its own.
TEST(RunControlThreads, StopRacesABreakpoint) {
    RunRig rig;
    rig.startWithProgram();
    rig.breaks.mark(RunRig::Done, BoardBreaks::Lasting, true);
    const struct {
        First first;
        int lead;
        std::uint64_t stops;
        std::uint16_t pc;
    } rounds[] = {{First::Poll, 0, 1, RunRig::Main},
                  {First::Stop, 0, 1, RunRig::Main},
                  {First::Poll, 1, 0, RunRig::Done},
                  {First::Stop, 1, 1, RunRig::Done}};
    for (const auto& round : rounds) {
        SCOPED_TRACE(testing::Message() << (round.first == First::Poll ? "poll" : "stop") << " first, lead "
                                        << round.lead);
        rig.debug.SetPC(UnbankedAdresse(RunRig::Main));
        const StopOutcome out = stopWhilePolling(rig, round.first, round.lead);
        EXPECT_EQ(out.stops, round.stops);
        EXPECT_EQ(out.halts, 1);
        EXPECT_EQ(rig.debug.PC().offset, round.pc);
    }
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

// A byte the board sends on its own while the target runs, right behind
// the go or during the run, is no halt: the go ends at its breakpoint with
// the board's registers. (The simulated target stands still while a byte
// waits to be read, so the halt comes only after the stray byte.)
TEST(RunControl, AByteThatIsNoHaltAnswerDoesNotEndTheRun) {
    const struct {
        const char* name;
        std::function<void(RunRig&)> arm;
    } strays[] = {
        {"right after the go", [](RunRig& r) { r.board.armAtCommand("G", [](sim::Board& b) { b.inject({0xA5}); }); }},
        {"a 01 right after the go", [](RunRig& r) { r.board.armAtCommand("G", [](sim::Board& b) { b.inject({0x01}); }); }},
        {"sent on its own before the first poll", [](RunRig& r) { r.board.sendOnOwn(5, 0x3C); }},
    };
    for (const auto& stray : strays) {
        SCOPED_TRACE(stray.name);
        RunRig rig;
        rig.startWithProgram();
        rig.breaks.mark(RunRig::G, BoardBreaks::Lasting, true);
        rig.fresh();
        stray.arm(rig);
        rig.debug.Go();
        pollUntilHalted(rig);
        EXPECT_EQ(rig.debug.PC().offset, RunRig::G);
        rig.expectRegistersOfCpu();
        EXPECT_FALSE(rig.emu->TimeoutFlag());
        EXPECT_EQ(rig.notifier.count(notify::TargetHalted), 1);
    }
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
        rig.startBankedInFamily(family);
        const bool registerBank = family != 0;
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
