// The select table against the in-process simulator: the exact commands,
// what the board ends up holding, and the upkeep of the lists.
#include <gtest/gtest.h>

#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/select_table.hpp"
#include "tests/emulator/select_bench.hpp"
#include "tests/support/fake_trace.hpp"

namespace tarvex {
namespace {

using test::boardOf;
using test::EmuRig;

// A started board ("3.0 " a TARVEX-IV, "5.1 " a TARVEX-V), unbanked, with
// the symbols "loop" (0x0200) and "done" (0x0300).
struct Rig : test::SelectBench {
    explicit Rig(const char* version = "5.1 ") : SelectBench(boardOf(version)) {
        addSymbols(0x0200);
        table = std::make_unique<TSelectTabelle>(wiring());
    }
    void addSymbols(std::uint16_t loop) {
        symbols.Clear();
        symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(loop));
        symbols.AddSymbol(sspProgram, "done", 0, 0, 240, 1, 19, UnbankedAdresse(0x0300));
    }
    // Starts the table and forgets the start's traffic.
    TSelectTabelle& started() {
        table->InitEmulStart();
        rig.wire.clear();
        return *table;
    }
    std::uint8_t plane(std::size_t hw, std::uint16_t a) const { return rig.board.select(hw, a); }

    std::unique_ptr<TSelectTabelle> table;
};

std::uint16_t addrOf(const TBankAdresse& a) { return a.offset; }

std::vector<std::string> rangeLines(const std::vector<std::string>& wire) {
    std::vector<std::string> out;
    for (const auto& l : wire)
        if (l.compare(0, 2, "42") == 0) out.push_back(l);
    return out;
}

TEST(SelectTransmit, RangesAreExactCommands) {
    struct Case {
        const char* version;
        int kind;
        std::vector<std::string> set;
    } const cases[] = {
        // Hardware bank 7 is current after the start on both boards.
        {"3.0 ", 11, {"4B 02", "42 10 00 10 FF 04 01"}},
        {"5.1 ", 10, {"4B 02", "W N F4 00 06", "42 10 00 10 FF 01 01"}},
    };
    for (const Case& c : cases) {
        Rig r(c.version);
        TSelectTabelle& t = r.started();
        const std::uint64_t before = r.rig.clock.monotonicMs();
        t.SetRange("1000-10FF", c.kind);
        EXPECT_EQ(r.rig.wire, c.set) << c.version;
        EXPECT_GE(r.rig.clock.monotonicMs() - before, 20u) << c.version;
        r.rig.wire.clear();
        t.ClearRange("1000-10FF", c.kind);
        const std::uint8_t bit = TSelectTabelle::ChannelBit(c.kind);
        EXPECT_EQ(r.rig.wire.back(), Format("42 10 00 10 FF %.2X 00", static_cast<std::uint8_t>(~bit))) << c.version;
    }
}

TEST(SelectTransmit, RebuildImagesFillsThePlanesWithTheTraceBits) {
    struct Case {
        const char* version;
        std::vector<std::string> fills;
    } const cases[] = {
        {"3.0 ", {"42 00 00 FF FF 70 02"}},
        {"5.1 ", {"42 00 00 FF FF 30 02", "42 00 00 FF FF 40 02"}},
    };
    for (const Case& c : cases) {
        Rig r(c.version);
        TSelectTabelle& t = r.started();
        t.SetSelectMode(15, select_mode::Program);  // 14 and 15 on code, 16 on data
        r.rig.wire.clear();
        const std::size_t notices = r.rig.notice.shown().size();
        t.RebuildImages();
        EXPECT_EQ(rangeLines(r.rig.wire), c.fills) << c.version;
        EXPECT_EQ(r.rig.notice.shown().size(), notices) << c.version;
    }
}

TEST(SelectTransmit, TheBoardHoldsWhatTheTableSays) {
    Rig r("5.1 ");
    TSelectTabelle& t = r.started();
    for (std::uint32_t a = 0; a <= 0xFFFF; a += 0x0FFF) {
        ASSERT_EQ(r.plane(6, static_cast<std::uint16_t>(a)), 0x10) << a;
        ASSERT_EQ(r.plane(7, static_cast<std::uint16_t>(a)), 0x60) << a;
    }
    t.SetRange("0200-020F", 10);
    t.ClearRange("40-4F", 18);
    t.SetRange("0400-04FF", 23);
    t.SetTriggerCounter(1000);
    t.TransmitBreakTraceRegister();
    EXPECT_EQ(r.plane(6, 0x01FF), 0x10);
    EXPECT_EQ(r.plane(6, 0x0200), 0x11);
    EXPECT_EQ(r.plane(6, 0x020F), 0x11);
    EXPECT_EQ(r.plane(6, 0x0210), 0x10);
    for (std::uint16_t i = 0; i < 13; ++i) EXPECT_EQ(r.rig.board.master(0x7BF0 + i), t.RegisterImage()[i]) << i;
    for (std::uint16_t i = 0; i < 3; ++i) EXPECT_EQ(r.rig.board.master(0x7BED + i), t.TriggerCounterImage()[i]);
    for (std::uint16_t i = 0; i < 256; ++i) ASSERT_EQ(r.rig.board.master(0xF200 + i), t.BreakDataImage()[i]) << i;
    for (std::uint16_t i = 0; i < 1024; ++i) ASSERT_EQ(r.rig.board.master(0xC000 + i), t.MapImage()[i]) << i;
    EXPECT_EQ(r.rig.board.master(0xF240), 0xFE);
    EXPECT_EQ(r.rig.board.master(0xF250), 0xFF);
    EXPECT_FALSE(t.RegistersDirty() || t.CounterDirty() || t.BreakDataDirty() || t.MapDirty());
}

TEST(SelectTransmit, LineNumbersAsDistancesAcrossBanks) {
    Rig r("3.0 ");
    TSelectTabelle& t = r.started();
    for (std::uint16_t a : {0x0100, 0x0103, 0x0300}) r.lines.AddLine(UnbankedAdresse(a), a, 0, 0, 0);
    t.TransmitLineNumbers();
    EXPECT_EQ(r.rig.wire, (std::vector<std::string>{"9A 80 01 00", "03 00", "9A 80 03 00", "00"}));
    EXPECT_EQ(r.plane(7, 0x0103) & 0x80, 0x80);
    EXPECT_EQ(r.plane(7, 0x0300) & 0x80, 0x80);
    EXPECT_EQ(r.plane(7, 0x0101) & 0x80, 0);

    // Distances still pending at a bank change reach the board.
    Rig b("5.1 ");
    b.banking.SetBankingVersion(1);
    b.banking.SetBankingMode(3);
    b.banking.SetBankedAreaStart(0x8000);
    b.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    TSelectTabelle& banked = b.started();
    for (std::uint16_t a : {0x8000, 0x8003, 0x8007}) b.lines.AddLine(BankedAdresse(0, a), a, 0, 0, 0);
    for (std::uint16_t a : {0x8010, 0x8011}) b.lines.AddLine(BankedAdresse(1, a), a, 0, 0, 0);
    banked.TransmitLineNumbers();
    // Mode 3: bank 0 in hardware bank 3, bank 1 in 2.
    for (std::uint16_t a : {0x8000, 0x8003, 0x8007}) EXPECT_EQ(b.plane(3, a) & 0x80, 0x80) << a;
    for (std::uint16_t a : {0x8010, 0x8011}) EXPECT_EQ(b.plane(2, a) & 0x80, 0x80) << a;
}

// A range across the banked window is cut wherever the window does not
// follow on in the same hardware bank; the repeats of a 16 KB window go out
// once. Clears take the same path.
TEST(SelectTransmit, RangesAcrossTheBankedWindow) {
    struct Case {
        const char* version;
        int bankingVersion, mode;
        const char* range;
        std::vector<std::string> set;  // "B" commands with the hardware bank put before them
    } const cases[] = {
        {"3.0 ", 2, 5, "007000-009000", {"W N F4 00 0B", "42 70 00 7F FF 01 01", "42 00 00 10 00 01 01"}},
        {"3.0 ", 2, 5, "017000-019000", {"W N F4 00 0B", "42 70 00 90 00 01 01"}},
        {"3.0 ", 4, 9, "023000-025000", {"W N F4 00 0B", "42 30 00 3F FF 01 01", "42 80 00 90 00 01 01"}},
        {"3.0 ", 4, 9, "013000-015000", {"W N F4 00 0B", "42 30 00 50 00 01 01"}},
        {"3.0 ", 4, 9, "003000-005000", {"W N F4 00 0B", "42 30 00 3F FF 01 01", "42 00 00 10 00 01 01"}},
        {"5.1 ", 5, 10, "033000-035000", {"W N F4 00 0B", "42 30 00 3F FF 01 01", "42 C0 00 D0 00 01 01"}},
        {"5.1 ", 5, 10, "014000-01FFFF", {"W N F4 00 0B", "42 40 00 7F FF 01 01"}},
        {"5.1 ",
         5,
         10,
         "053000-055000",
         {"W N F4 00 0B", "42 30 00 3F FF 01 01", "W N F4 00 0A", "42 40 00 50 00 01 01"}},
        {"5.1 ",
         3,
         6,
         "027000-029000",
         {"W N F4 00 0B", "42 70 00 7F FF 01 01", "W N F4 00 0A", "42 00 00 10 00 01 01"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode << " " << c.range);
        Rig r(c.version);
        r.banking.SetBankingVersion(c.bankingVersion);
        r.banking.SetBankingMode(c.mode);
        ASSERT_EQ(r.banking.bankingMode(), c.mode);
        r.spaces.setProgramMax(BankedAdresse(static_cast<std::uint8_t>(r.banking.MaxBank()), 0xFFFF));
        TSelectTabelle& t = r.started();
        t.SetRange(c.range, 10);
        std::vector<std::string> sent;
        for (const auto& l : r.rig.wire)
            if (l.compare(0, 2, "42") == 0 || l.compare(0, 9, "W N F4 00") == 0) sent.push_back(l);
        EXPECT_EQ(sent, c.set);
        r.rig.wire.clear();
        t.ClearRange(c.range, 10);
        std::size_t clears = 0;
        for (const auto& l : rangeLines(r.rig.wire)) {
            EXPECT_EQ(l.substr(l.size() - 5), "FE 00") << l;
            ++clears;
        }
        EXPECT_EQ(clears, rangeLines(c.set).size());
    }
}

// A line in the common area stops the program whichever bank is selected:
// in modes 1-4 every hardware bank holds a copy of the common area.
TEST(SelectTransmit, CommonAreaLinesReachEveryBank) {
    Rig b("5.1 ");
    b.banking.SetBankingVersion(1);
    b.banking.SetBankingMode(3);
    b.banking.SetBankedAreaStart(0x8000);
    b.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    TSelectTabelle& t = b.started();
    b.lines.AddLine(AllBanksAdresse(0x0100), 1, 0, 0, 0);
    b.lines.AddLine(BankedAdresse(2, 0x0200), 2, 0, 0, 0);  // common area, entered with a bank
    b.lines.AddLine(BankedAdresse(1, 0x8000), 3, 0, 0, 0);
    b.lines.AddLine(BankedAdresse(2, 0x8010), 4, 0, 0, 0);
    t.TransmitLineNumbers();
    // Mode 3: bank b in hardware bank 3 - b.
    for (std::size_t hw = 0; hw < 4; ++hw) {
        EXPECT_EQ(b.plane(hw, 0x0100) & 0x80, 0x80) << hw;
        EXPECT_EQ(b.plane(hw, 0x0200) & 0x80, 0x80) << hw;
    }
    EXPECT_EQ(b.plane(2, 0x8000) & 0x80, 0x80);
    EXPECT_EQ(b.plane(1, 0x8010) & 0x80, 0x80);
    EXPECT_EQ(b.plane(1, 0x8000) & 0x80, 0);
    EXPECT_EQ(b.plane(2, 0x8010) & 0x80, 0);
}

TEST(SelectTransmit, LogicProbeLoadOfATarvexIV) {
    Rig r("3.0 ");
    TSelectTabelle& t = r.started();
    t.SetBreakMode(bmLogicProbes);
    r.rig.wire.clear();
    t.SetLogicProbeText("XXXXXXXXXXX1");
    t.TransmitBreakTraceRegister();
    ASSERT_GE(r.rig.wire.size(), 2u + 512u);
    const auto o = std::find(r.rig.wire.begin(), r.rig.wire.end(), "o 24 70");
    ASSERT_NE(o, r.rig.wire.end());
    EXPECT_EQ(*(o - 1), "4B 02");
    ASSERT_GE(r.rig.wire.end() - o, 513);
    for (int i = 1; i <= 512; ++i) ASSERT_EQ(*(o + i), "55") << i;
    for (std::uint8_t b : r.rig.board.logicProbeTable()) ASSERT_EQ(b, 0xAA);
    EXPECT_FALSE(t.LogicProbesDirty());
}

TEST(SelectTransmit, NothingBeforeTheBoardIsReadyAndAStartKeepsTheRanges) {
    Rig r("5.1 ");
    r.table->SetRange("0200-020F", 10);
    platform::MemoryStream m;
    ValueWriter w(m);
    r.table->WriteToStream(w);

    // A section read before the board is there sends nothing ...
    Rig fresh("5.1 ");
    fresh.rig.emu->SetConnectionState(TBasisEmulator::StateClosed);
    fresh.rig.wire.clear();
    platform::MemoryStream in(m.bytes());
    ValueReader reader(in);
    fresh.table->ReadFromStream(reader, TSelectTabelle::SectionVersion);
    fresh.lines.AddLine(UnbankedAdresse(0x0400), 1, 0, 0, 0);
    fresh.table->TransmitLineNumbers();
    EXPECT_TRUE(fresh.rig.wire.empty());
    EXPECT_TRUE(fresh.table->LineNumbersPending());
    // ... and the start sends it.
    fresh.rig.emu->SetConnectionState(TBasisEmulator::StateStarting);
    fresh.table->InitEmulStart();
    EXPECT_EQ(fresh.plane(6, 0x0200), 0x11);
    EXPECT_EQ(fresh.plane(6, 0x0400), 0x90);
    EXPECT_EQ(fresh.plane(6, 0x0210), 0x10);

    // A restart keeps the breakpoint in list and board.
    fresh.table->InitEmulStart();
    EXPECT_EQ(fresh.table->GetItemText(10), "0200 - 020F");
    EXPECT_EQ(fresh.plane(6, 0x0205), 0x11);
}

TEST(SelectTransmit, TemporaryBreakpointLeavesTheUsersChannel12Alone) {
    Rig r("5.1 ");
    TSelectTabelle& t = r.started();
    t.SetBreakMode(bmBreak1orBreak2);
    t.SetSelectMode(12, select_mode::Program);
    t.SetCounter(12, 3);
    t.SetRange("0500-05FF", 12);
    t.SetTemporaryBreak(UnbankedAdresse(0x1234), true);
    EXPECT_EQ(t.GetItemText(12), "0500 - 05FF");
    EXPECT_EQ(t.BreakMode(), bmBreak2);
    EXPECT_EQ(r.plane(6, 0x1234) & 0x02, 0x02);
    EXPECT_EQ(r.plane(6, 0x1235) & 0x02, 0);
    EXPECT_EQ(r.plane(6, 0x0500) & 0x02, 0);
    EXPECT_EQ(r.rig.board.master(0x7BF0 + 4) & 7, 1);  // the break-mode code of bmBreak2

    t.RemoveTemporaryBreak();
    EXPECT_FALSE(t.TemporaryBreakActive());
    EXPECT_EQ(t.BreakMode(), bmBreak1orBreak2);
    EXPECT_EQ(t.GetSelectMode(12), select_mode::Program);
    EXPECT_EQ(t.GetSelectValue(12), 3);
    EXPECT_EQ(r.plane(6, 0x1234) & 0x02, 0);
    EXPECT_EQ(r.plane(6, 0x0500) & 0x02, 0x02);
    EXPECT_EQ(r.plane(6, 0x05FF) & 0x02, 0x02);

    // Going to a line of a function breaks on any other line of it.
    r.symbols.AddFunction("main", 0, UnbankedAdresse(0x0100), UnbankedAdresse(0x011F), 1);
    for (std::uint16_t a : {0x0100, 0x0104, 0x0108}) r.lines.AddLine(UnbankedAdresse(a), a, 0, 1, 0);
    t.SetTemporaryBreak(UnbankedAdresse(0x0104), false);
    EXPECT_EQ(t.GetSelectMode(12), select_mode::LineNumber);
    EXPECT_EQ(r.plane(6, 0x0100) & 0x02, 0x02);
    EXPECT_EQ(r.plane(6, 0x0104) & 0x02, 0);
    EXPECT_EQ(r.plane(6, 0x0108) & 0x02, 0x02);
    EXPECT_EQ(r.plane(6, 0x011F) & 0x02, 0x02);
    t.RemoveTemporaryBreak();
    EXPECT_EQ(r.plane(6, 0x0108) & 0x02, 0);

    // A channel 12 on data cycles: its ranges leave the data plane for the
    // run and come back after it, the list kept throughout.
    t.SetSelectMode(12, select_mode::Write);
    t.SetRange("4000-40FF", 12);
    ASSERT_EQ(r.plane(7, 0x4000) & 0x02, 0x02);
    t.SetTemporaryBreak(UnbankedAdresse(0x1234), true);
    EXPECT_EQ(t.GetItemText(12), "4000 - 40FF");
    EXPECT_EQ(r.plane(7, 0x4000) & 0x02, 0);
    EXPECT_EQ(r.plane(6, 0x1234) & 0x02, 0x02);
    t.RemoveTemporaryBreak();
    EXPECT_EQ(t.GetSelectMode(12), select_mode::Write);
    EXPECT_EQ(t.GetItemText(12), "4000 - 40FF");
    EXPECT_EQ(r.plane(7, 0x4000) & 0x02, 0x02);
    EXPECT_EQ(r.plane(7, 0x40FF) & 0x02, 0x02);
    EXPECT_EQ(r.plane(6, 0x1234) & 0x02, 0);
}

TEST(SelectTransmit, NamedItemsFollowTheirSymbols) {
    Rig r("5.1 ");
    TSelectTabelle& t = r.started();
    t.SetRange("loop", 10);
    t.SetRange("done", 10);
    t.SetRange("0400-0410", 10);
    // "loop" moves onto the range at 0x0400, "done" vanishes.
    r.symbols.Clear();
    r.symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(0x0408));
    t.Notify(notify::SymbolFileFound, &r.symbols);
    EXPECT_EQ(t.GetItemText(10), "0400 - 0410");
    EXPECT_EQ(r.plane(6, 0x0200) & 0x01, 0);
    EXPECT_EQ(r.plane(6, 0x0300) & 0x01, 0);
    EXPECT_EQ(r.plane(6, 0x0408) & 0x01, 0x01);
    r.symbols.AddSymbol(sspProgram, "done", 0, 0, 240, 1, 19, UnbankedAdresse(0x0600));
    t.SetRange("done", 10);
    r.symbols.Clear();
    r.symbols.AddSymbol(sspProgram, "done", 0, 0, 240, 1, 19, UnbankedAdresse(0x0100));
    t.Notify(notify::SymbolFileFound, &r.symbols);
    EXPECT_EQ(t.GetItemText(10), "done;0400 - 0410");
    EXPECT_EQ(r.plane(6, 0x0600) & 0x01, 0);
    EXPECT_EQ(r.plane(6, 0x0100) & 0x01, 0x01);
}

TEST(SelectTransmit, LineItemsFollowTheirLinesAndTheQualifierIsSentAgain) {
    Rig r("5.1 ");
    TSelectTabelle& t = r.started();
    r.lines.AddLine(UnbankedAdresse(0x0104), 42, 0, 0, 0);
    t.SetRange("#42", 10);
    ASSERT_EQ(t.GetList(10)[0].symbolClass, 11);
    r.lines.Clear();
    r.lines.AddLine(UnbankedAdresse(0x0108), 42, 0, 0, 0);
    r.lines.AddLine(UnbankedAdresse(0x0120), 43, 0, 0, 0);
    t.Notify(notify::ProgramLoaded, &r.lines);
    EXPECT_EQ(addrOf(t.GetList(10)[0].start), 0x0108);
    EXPECT_EQ(r.plane(6, 0x0104), 0x10);
    EXPECT_EQ(r.plane(6, 0x0108), 0x91);
    EXPECT_EQ(r.plane(6, 0x0120), 0x90);
}

TEST(SelectTransmit, TheBankedAreaMoves) {
    Rig r("5.1 ");
    r.banking.SetBankingVersion(1);
    r.banking.SetBankingMode(3);
    r.banking.SetBankedAreaStart(0x8000);
    r.banking.SetBankedAreaEnd(0xFFFF);
    r.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    TSelectTabelle& t = r.started();
    const std::string before = t.GetItemText(14);
    r.banking.SetBankedAreaStart(0xC000);
    t.Notify(notify::BankedAreaChanged, &r.banking);
    EXPECT_EQ(t.GetItemText(14), "00C000 - 00FFFF;01C000 - 01FFFF;02C000 - 02FFFF;03C000 - 03FFFF; X0000 -  XBFFF");
    EXPECT_TRUE(r.rig.boxes.shown().empty());

    // With a user range the edges are adjusted and the user is told.
    r.banking.SetBankedAreaStart(0x8000);
    t.ResetList(14);
    t.ClearRange("009000 - 0090FF", 14);
    ASSERT_NE(t.GetItemText(14), before);
    r.banking.SetBankedAreaStart(0xC000);
    t.Notify(notify::BankedAreaChanged, &r.banking);
    EXPECT_EQ(t.GetItemText(14), "00C000 - 00FFFF;01C000 - 01FFFF;02C000 - 02FFFF;03C000 - 03FFFF; X0000 -  XBFFF");
    ASSERT_EQ(r.rig.boxes.shown().size(), 1u);
    EXPECT_EQ(r.rig.boxes.shown()[0].text, LoadStr(278));
}

// Breaks at the banked area's moving edge: only ranges the move put on the
// wrong side go (a bank's range now in the common area, an all-banks range
// now in the banked area); the common-area break X7000 stays on the board.
TEST(SelectTransmit, TheBankedAreaMovesUnderTheBreaks) {
    Rig r("5.1 ");
    r.banking.SetBankingVersion(1);
    r.banking.SetBankingMode(3);
    r.banking.SetBankedAreaStart(0x8000);
    r.banking.SetBankedAreaEnd(0xFFFF);
    r.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    TSelectTabelle& t = r.started();
    // X7000 in every bank's copy of the common area (hardware banks 3 to 0).
    const auto commonBreak = [&](std::uint16_t offset) {
        int banks = 0;
        for (std::size_t hw = 0; hw < 4; ++hw) banks += (r.plane(hw, offset) & 0x01) != 0;
        return banks;
    };
    t.SetItemText(10, "X7000;019000;01D000");
    ASSERT_EQ(commonBreak(0x7000), 4);
    r.banking.SetBankedAreaStart(0xC000);
    t.Notify(notify::BankedAreaChanged, &r.banking);
    EXPECT_EQ(t.GetItemText(10), "01D000; X7000");
    EXPECT_EQ(commonBreak(0x7000), 4);
    ASSERT_EQ(r.rig.boxes.shown().size(), 1u);
    EXPECT_EQ(r.rig.boxes.shown()[0].text, LoadStr(279));

    // Back down: an all-banks break in the strip that is banked again goes.
    t.SetRange("XA000", 10);
    ASSERT_EQ(commonBreak(0xA000), 4);
    r.banking.SetBankedAreaStart(0x8000);
    t.Notify(notify::BankedAreaChanged, &r.banking);
    EXPECT_EQ(t.GetItemText(10), "01D000; X7000");
    EXPECT_EQ(commonBreak(0x7000), 4);
    EXPECT_EQ(commonBreak(0xA000), 0);
}

}  // namespace
}  // namespace tarvex
