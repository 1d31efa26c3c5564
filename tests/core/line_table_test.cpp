#include "core/line_table.hpp"

#include <gtest/gtest.h>

#include "core/symbol_table.hpp"
#include "tests/support/fake_targets.hpp"

namespace tarvex {
namespace {

TBankAdresse U(std::uint16_t offset) { return UnbankedAdresse(offset); }
TBankAdresse B(std::uint8_t bank, std::uint16_t offset) { return BankedAdresse(bank, offset); }

class LineTable : public ::testing::Test {
protected:
    LineTable() {
        ctx.notifier = &notifier;
        ctx.code = &code;
        symbols.SetContext(ctx);
        lines.SetContext(ctx);
    }
    test::RecordingNotifier notifier;
    test::ScriptedCodeReader code;
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
};

TEST_F(LineTable, TwoLinesAtOneAddress) {
    lines.AddLine(U(0x100), 10, 0, 0, 0);
    lines.AddLine(U(0x100), 12, 0, 0, 0);
    lines.AddLine(U(0x100), 11, 0, 0, 0);
    EXPECT_EQ(lines.FindByAddress(U(0x100), 0)->line, 10);
    EXPECT_EQ(lines.FindByAddress(U(0x100), 1)->line, 12);
    EXPECT_EQ(lines.FindExact(U(0x101)), nullptr);
    EXPECT_EQ(lines.FindByAddress(U(0x100), 6), nullptr);
    EXPECT_EQ(lines.FindByAddress(U(0x100), -1), nullptr);
}

TEST_F(LineTable, AddLineOnceComparesWithTheLastRecordOnly) {
    EXPECT_TRUE(lines.AddLineOnce(U(0x10), 5, 0, 0, 1));
    EXPECT_FALSE(lines.AddLineOnce(U(0x20), 5, 0, 0, 1)) << "same module and line, other address";
    EXPECT_TRUE(lines.AddLineOnce(U(0x20), 5, 0, 0, 2));
    EXPECT_TRUE(lines.AddLineOnce(U(0x30), 5, 0, 0, 1));
    lines.AddLine(U(0x40), 7, 0, 0, 1);
    EXPECT_FALSE(lines.AddLineOnce(U(0x41), 7, 0, 0, 1)) << "the last record came through AddLine";
    lines.AddLine(U(0x50), 8, 0, 0, 1);
    EXPECT_TRUE(lines.AddLineOnce(U(0x51), 7, 0, 0, 1)) << "a plain AddLine in between is the last record";
    EXPECT_EQ(lines.Count(), 6u);
}

TEST_F(LineTable, NextAboveAndBelowStopAtTheEnds) {
    lines.AddLine(U(0x0000), 1, 0, 0, 0);
    lines.AddLine(U(0x8000), 2, 0, 0, 0);
    lines.AddLine(U(0xFFFF), 3, 0, 0, 0);
    EXPECT_EQ(lines.FindByAddress(U(0xFFFF), 2), nullptr);
    EXPECT_EQ(lines.FindByAddress(U(0x0000), 3), nullptr);
    EXPECT_EQ(lines.FindByAddress(U(0x0001), 2)->line, 2);
    EXPECT_EQ(lines.FindByAddress(U(0x8000), 2)->line, 3);
    EXPECT_EQ(lines.FindByAddress(U(0xFFFE), 3)->line, 2);
}

TEST_F(LineTable, BanksAllBanksAndNormalisation) {
    StandardAddressSpaces spaces;
    spaces.setProgramMax(B(3, 0xFFFF));
    ctx.spaces = &spaces;
    lines.SetContext(ctx);
    EXPECT_EQ(lines.AddLine(B(6, 0x1000), 1, 0, 0, 0)->address, B(2, 0x1000));
    lines.AddLine(AllBanksAdresse(0x0100), 2, 0, 0, 0);
    EXPECT_EQ(lines.FindExact(B(2, 0x1000))->line, 1);
    EXPECT_EQ(lines.FindExact(B(1, 0x1000)), nullptr);
    EXPECT_EQ(lines.FindExact(B(3, 0x0100))->line, 2);
    EXPECT_EQ(lines.FindByAddress(B(1, 0x0000), 2)->line, 2);
    EXPECT_EQ(lines.FindByAddress(B(1, 0x0200), 2), nullptr);
    EXPECT_EQ(lines.FindExact(U(0x1000)), nullptr);
    lines.SetIgnoreBanking(true);
    EXPECT_EQ(lines.FindExact(U(0x1000))->line, 1);
}

TEST_F(LineTable, LineEndsAtTheNextLineOrTheFunctionEnd) {
    symbols.AddModule("MAIN", 1, U(0x100), U(0x1FF));
    symbols.AddFunction("f", 1, U(0x100), U(0x17F), 4);
    TZeilennummer* a = lines.AddLine(U(0x100), 10, 0, 4, 1);
    TZeilennummer* b = lines.AddLine(U(0x110), 11, 0, 4, 1);
    EXPECT_EQ(lines.LineEndAddress(a), U(0x10F));
    EXPECT_EQ(lines.LineEndAddress(b), U(0x17F)) << "the function record's end";
    EXPECT_EQ(lines.FindByAddress(U(0x150), 4), b);
    EXPECT_EQ(lines.FindByAddress(U(0x180), 4), nullptr);
    EXPECT_EQ(lines.LineEndAddress(nullptr), U(0));
}

TEST_F(LineTable, LineOutsideFunctionsEndsWithItsFirstInstruction) {
    code.bytes = {{0x200, 0x02}, {0x300, 0x74}};  // LJMP, MOV A,#
    TZeilennummer* far = lines.AddLine(U(0x200), 1, 0, 0, 0);
    TZeilennummer* last = lines.AddLine(U(0x300), 2, 0, 0, 0);
    TZeilennummer* close = lines.AddLine(U(0x400), 3, 0, 0, 0);
    lines.AddLine(U(0x402), 4, 0, 0, 0);
    EXPECT_EQ(lines.LineEndAddress(far), U(0x202)) << "next line farther than an instruction";
    EXPECT_EQ(lines.LineEndAddress(last), U(0x301));
    EXPECT_EQ(lines.LineEndAddress(close), U(0x401)) << "next line closer: up to it, no code read";
    EXPECT_EQ(code.reads, 2);
}

TEST_F(LineTable, AnUnreadableOrRaisingCodeReaderGivesOneByte) {
    TZeilennummer* r = lines.AddLine(U(0x200), 1, 0, 0, 0);
    EXPECT_EQ(lines.LineEndAddress(r), U(0x200)) << "code unavailable";
    code.raise = true;
    lines.AddLine(U(0x900), 2, 0, 0, 0);  // makes every end stale
    EXPECT_NO_THROW(EXPECT_EQ(lines.LineEndAddress(r), U(0x200)));
    EXPECT_EQ(code.reads, 2);
}

TEST_F(LineTable, EndsAreComputedAgainAfterAnAddition) {
    TZeilennummer* a = lines.AddLine(U(0x100), 1, 0, 7, 1);
    lines.AddLine(U(0x180), 2, 0, 7, 1);
    EXPECT_EQ(lines.LineEndAddress(a), U(0x17F));
    lines.AddLine(U(0x140), 3, 0, 7, 1);
    EXPECT_EQ(lines.LineEndAddress(a), U(0x13F));
}

TEST_F(LineTable, RecomputeEndsReachesEveryRecordOnceInAnyOrder) {
    code.bytes = {{0x10, 0x00}, {0x20, 0x00}, {0x30, 0x00}, {0x40, 0x00}};
    for (int i = 4; i >= 1; --i) lines.AddLine(U(static_cast<std::uint16_t>(i * 0x10)), 100 - i, 0, 0, 0);
    lines.SetSortOrder(1);
    lines.RecomputeEnds();
    EXPECT_EQ(code.reads, 4);
    for (std::size_t i = 0; i < lines.Count(); ++i) {
        EXPECT_EQ(lines.Items(i)->endKnown, 1);
        EXPECT_EQ(lines.Items(i)->endAddress, lines.Items(i)->address);
    }
    EXPECT_EQ(lines.SortOrder(), 1) << "end queries keep the order";
}

TEST_F(LineTable, AWalkInLineOrderCanAskForEnds) {
    symbols.AddFunction("F", 1, U(0), U(0x197), 1);
    for (int i = 0; i < 50; ++i) lines.AddLine(U(static_cast<std::uint16_t>((50 - i) * 8)), i, 0, 1, 1);
    lines.SetSortOrder(1);
    int visited = 0;
    std::int32_t previous = -1;
    for (TZeilennummer* r = lines.First(); r != nullptr; r = lines.Current()) {
        EXPECT_GT(r->line, previous);
        previous = r->line;
        const TBankAdresse end = lines.LineEndAddress(r);
        EXPECT_EQ(end.offset, r->line == 0 ? 0x197 : r->address.offset + 7);
        ++visited;
    }
    EXPECT_EQ(visited, 50);
}

TEST_F(LineTable, IterationAndCollecting) {
    TZeilennummer* a = lines.AddLine(U(0x10), 1, 0, 1, 1);
    TZeilennummer* b = lines.AddLine(U(0x20), 2, 0, 2, 1);
    TZeilennummer* c = lines.AddLine(U(0x30), 3, 0, 0, 2);
    EXPECT_EQ(lines.First(), a);
    EXPECT_EQ(lines.Current(), b);
    EXPECT_EQ(lines.Current(), c);
    EXPECT_EQ(lines.Current(), nullptr);
    lines.SetCurrent(b);
    EXPECT_EQ(lines.Current(), b);
    lines.SetCurrent(nullptr);
    EXPECT_EQ(lines.Current(), a);
    std::vector<TZeilennummer*> out;
    lines.CollectLines(out, 1, 2);
    EXPECT_EQ(out, std::vector<TZeilennummer*>{b});
    out.clear();
    lines.CollectLines(out, 1, 0);
    EXPECT_EQ(out.size(), 2u);
    out.clear();
    lines.CollectLines(out, 0, 5);
    EXPECT_EQ(out.size(), 3u);
}

TEST_F(LineTable, SortOrders) {
    lines.AddLine(U(0x30), 1, 0, 0, 2);
    lines.AddLine(U(0x10), 9, 1, 0, 1);
    lines.AddLine(U(0x20), 3, 0, 0, 1);
    lines.SetSortOrder(1);
    EXPECT_EQ(lines.Items(0)->line, 3);
    EXPECT_EQ(lines.Items(1)->line, 9);
    EXPECT_EQ(lines.Items(2)->line, 1);
    lines.FindExact(U(0x10));
    EXPECT_EQ(lines.SortOrder(), 2) << "address searches sort by address";
    EXPECT_EQ(lines.Items(0)->line, 9);
    lines.AddLine(U(0x05), 4, 0, 0, 1);
    EXPECT_EQ(lines.Items(0)->line, 4) << "kept in address order";
}

TEST_F(LineTable, LineReferences) {
    symbols.AddModule("main", 1, U(0), U(0xFF));
    lines.AddLine(U(0x10), 42, 0, 0, 1);
    lines.AddLine(U(0x20), 7, 0, 0, 0);
    lines.AddLine(U(0x30), 7, 0, 0, 1);
    EXPECT_EQ(lines.LineText(U(0x10)), ":MAIN:#42");
    EXPECT_EQ(lines.LineText(U(0x20)), "#7");
    EXPECT_EQ(lines.LineText(U(0x11)), "");
    EXPECT_EQ(lines.FindLineRef(":MAIN:#42")->address.offset, 0x10);
    EXPECT_EQ(lines.FindLineRef(":main#42")->address.offset, 0x10);
    EXPECT_EQ(lines.FindLineRef("main:#42")->address.offset, 0x10);
    EXPECT_EQ(lines.FindLineRef("#7")->address.offset, 0x20) << "no module part: module id 0 only";
    EXPECT_EQ(lines.FindLineRef("#42"), nullptr);
    EXPECT_EQ(lines.FindLineRef(":NOSUCH:#42"), nullptr);
    EXPECT_EQ(lines.FindLineRef(":MAIN:#4x"), nullptr);
    EXPECT_EQ(lines.FindLineRef(":MAIN:#"), nullptr);
    EXPECT_EQ(lines.FindLineRef(":MAIN:#99999999999"), nullptr);
    EXPECT_EQ(lines.FindLineRef("MAIN"), nullptr);
}

TEST_F(LineTable, ClearNotifiesCodeNineSynchronously) {
    lines.AddLine(U(0x10), 1, 0, 0, 0);
    std::size_t seen = 99;
    notifier.onSend = [&](std::uint8_t code9, const void* data) {
        if (code9 == notify::TablesCleared && data == &lines) seen = lines.Count();
    };
    lines.ModifiedWatch = false;
    lines.Clear();
    EXPECT_EQ(seen, 0u);
    EXPECT_EQ(notifier.count(notify::TablesCleared), 1);
    EXPECT_TRUE(lines.ModifiedWatch);
    EXPECT_FALSE(lines.IsLineAt(0x10));
    EXPECT_EQ(lines.FindLineRef("#1"), nullptr);
    EXPECT_TRUE(lines.AddLineOnce(U(0x10), 1, 0, 0, 0)) << "nothing left to compare with";
}

TEST_F(LineTable, ContainingWithTheHighestLineAtItsStart) {
    lines.AddLine(U(0x100), 10, 0, 3, 1);
    lines.AddLine(U(0x100), 12, 0, 3, 1);
    lines.AddLine(U(0x110), 13, 0, 3, 1);
    EXPECT_EQ(lines.FindByAddress(U(0x105), 4)->line, 10);
    EXPECT_EQ(lines.FindByAddress(U(0x105), 5)->line, 12);
    EXPECT_EQ(lines.FindByAddress(U(0x0FF), 5), nullptr);
}

}  // namespace
}  // namespace tarvex
