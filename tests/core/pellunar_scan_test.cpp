// The scan of code blocks against the symbol and line-number tables:
// alignment, placement on source lines, the block's ends, call substitution,
// constant tables in code memory, and the upkeep of hooks on a second scan.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/line_table.hpp"
#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"
#include "tests/support/pellunar_recorder.hpp"

namespace tarvex {
namespace {

using Message = test::PellunarMessage;

class RecordingComp : public test::RecordingPellunar {
public:
    void RemoveHookAt(const TBankAdresse& address) override {
        if (Hooks().IndexOfAddress(address)) removed.push_back(address.offset);
        TPellunarComp::RemoveHookAt(address);
    }
    std::vector<std::uint16_t> removed;
};

using Bytes = std::vector<std::uint8_t>;

class PellunarScanTest : public ::testing::Test {
protected:
    PellunarScanTest() : lines(symbols) { comp.SetTables(&symbols, &lines); }

    void Scan(std::uint16_t at, const Bytes& code) { comp.ScanCode(UnbankedAdresse(at), code); }
    const TPellunarItem* HookAt(std::uint16_t at) {
        const TPellunarItem* h = comp.Hooks().IndexOfAddress(UnbankedAdresse(at));
        return h && h->address.offset == at ? h : nullptr;
    }
    Bytes Image(std::uint16_t at, std::size_t n) { return comp.ImageBytes(UnbankedAdresse(at), n); }
    // One function of module 1 from `start` to `end` with a line at each
    // address given, lines numbered from 10.
    void Lines(std::uint16_t start, std::uint16_t end, const std::vector<std::uint16_t>& starts) {
        symbols.AddModule("MAIN", 1, UnbankedAdresse(start), UnbankedAdresse(end));
        symbols.AddFunction("F", 1, UnbankedAdresse(start), UnbankedAdresse(end), 1);
        symbols.AddFileName("main.c", 1, 1);
        int line = 10;
        for (std::uint16_t a : starts) lines.AddLine(UnbankedAdresse(a), line++, 1, 1, 1);
    }

    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    RecordingComp comp;
};

TEST_F(PellunarScanTest, TaskingReplacesThePortReadRoutineCall) {
    comp.SetRoutineCallSubstitution(true);
    Scan(0x100, {0x12, 0xFF, 0xF9, 0x12, 0xFF, 0xFB, 0x12, 0xFF, 0xF8});
    const TPellunarItem* p0 = HookAt(0x100);
    ASSERT_NE(p0, nullptr);
    // MOV ACC,P0 is a move of P0 to the direct address 0xE0: three bytes for
    // the three of the call.
    EXPECT_EQ(p0->classCode, 0x161);
    EXPECT_TRUE(p0->substitutedCall);
    EXPECT_TRUE(p0->IsSubstituted());
    EXPECT_EQ(p0->ScannedBytesHex(), "12FFF9") << "the program's own call bytes";
    EXPECT_EQ(Image(0x100, 3), (Bytes{0x75, 0xE0, 0x00}));
    const TPellunarItem* p2 = HookAt(0x103);
    ASSERT_NE(p2, nullptr);
    EXPECT_EQ(p2->classCode, 0x1E1);
    EXPECT_EQ(p2->ScannedBytesHex(), "12FFFB");
    EXPECT_EQ(comp.messages.at(0).text, "Pellunar MOV E0H,P0");
    EXPECT_EQ(comp.messages.at(1).text, "Pellunar MOV E0H,P2");
    ASSERT_NE(HookAt(0x106), nullptr);
    EXPECT_EQ(HookAt(0x106)->classCode, 0x60) << "the write routine is not replaced";
    EXPECT_EQ(comp.SubstitutedCount(), 3);

    // With the new entries the read routines are 0xFFB9 and 0xFFD9.
    symbols.AddSymbol(sspProgram, "ReadP0", 0, 0, 240, 1, 19, UnbankedAdresse(0x0400));
    comp.ClearHooks();
    Scan(0x200, {0x12, 0xFF, 0xB9, 0x12, 0xFF, 0xF9});
    ASSERT_NE(HookAt(0x200), nullptr);
    EXPECT_TRUE(HookAt(0x200)->substitutedCall);
    EXPECT_EQ(HookAt(0x203), nullptr) << "0xFFF9 is ordinary code with the new entries";
}

TEST_F(PellunarScanTest, ClassCodesOfPortBits) {
    Scan(0x100, {0xC2, 0xA5, 0x30, 0x80, 0xFD, 0x00});
    ASSERT_NE(HookAt(0x100), nullptr);
    EXPECT_EQ(HookAt(0x100)->classCode, 0x185);  // CLR P2.5
    ASSERT_NE(HookAt(0x102), nullptr);
    EXPECT_EQ(HookAt(0x102)->classCode, 0x128);  // JNB P0.0,rel
    EXPECT_EQ(Image(0x102, 3), (Bytes{0x02, 0x01, 0x02}));  // LJMP to the jump's own target
}

TEST_F(PellunarScanTest, EntryModeFollowsTheReadRoutineSymbol) {
    EXPECT_FALSE(comp.UsesNewEntries());
    symbols.AddSymbol(sspProgram, "readp0", 0, 0, 240, 1, 19, UnbankedAdresse(0x0400));
    EXPECT_TRUE(comp.UsesNewEntries());
    symbols.AddSymbol(sspProgram, "_PELLUNAR_READP0", 0, 0, 240, 1, 19, UnbankedAdresse(0xFFF9));
    EXPECT_FALSE(comp.UsesNewEntries()) << "a routine at 0xFFF9 means the old entries";
    TPellunarComp bare;
    EXPECT_FALSE(bare.UsesNewEntries());
}

TEST_F(PellunarScanTest, FormsAtTheBlockEnd) {
    // A two-byte pellunar as the block's last two bytes is found.
    Scan(0x100, {0x00, 0x00, 0xC2, 0x83});
    ASSERT_NE(HookAt(0x102), nullptr);
    EXPECT_EQ(HookAt(0x102)->classCode, 0x103);
    EXPECT_EQ(HookAt(0x102)->extraByte, 0x00);

    // Longer forms never match bytes the block does not have.
    comp.SetProcessorVariant(VariantTIMSC);
    Scan(0x200, {0x92, 0x80, 0x80, 0x00});
    Scan(0x300, {0x85, 0xE0, 0x80, 0x80});
    Scan(0x400, {0x80, 0x00, 0xF5});
    EXPECT_EQ(comp.HookCount(), 1u);
    ASSERT_EQ(comp.messages.size(), 3u);
    EXPECT_EQ(comp.messages[1],
              (Message{PellunarError, "Can't emulate Pellunar MOV P0.0,C: insert _nop_ after Pellunar", "0200"}));
    EXPECT_EQ(comp.messages[2],
              (Message{PellunarError, "Can't emulate Pellunar MOV P0,E0H: replace with: WriteP0()", "0300"}));

    // The standard board's MOV P0.x,C; NOP needs its NOP in the block.
    comp.SetProcessorVariant(Variant8051);
    comp.messages.clear();
    Scan(0x500, {0x92, 0x81});
    EXPECT_EQ(comp.messages.at(0).text, "Can't emulate Pellunar MOV P0.1,C: insert _nop_ after Pellunar");
    Scan(0x600, {0x92, 0x81, 0x13});
    EXPECT_EQ(comp.messages.at(1).text, "Can't emulate Pellunar MOV P0.1,C: insert _nop_ after Pellunar");
    Scan(0x700, {0x92, 0x81, 0x00});
    ASSERT_NE(HookAt(0x700), nullptr);
    EXPECT_EQ(HookAt(0x700)->classCode, 0x241);
}

TEST_F(PellunarScanTest, SmallBlocksAndTheBankEnd) {
    Scan(0x100, {});
    Scan(0x100, {0xE5});
    EXPECT_EQ(comp.HookCount(), 0u);
    EXPECT_TRUE(comp.messages.empty());
    EXPECT_FALSE(comp.HookAreaUsed());

    // Code up to 0xFFFF: the routine stubs of the hook area.
    Scan(0xFFF8, {0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0xE5, 0x80});
    EXPECT_TRUE(comp.HookAreaUsed());
    ASSERT_NE(HookAt(0xFFFE), nullptr);
    EXPECT_EQ(Image(0xFFFE, 2), (Bytes{0x74, 0x00}));
    // A block that would run past the bank's end is scanned up to it.
    Scan(0xFFFC, {0x00, 0x00, 0xC2, 0x80, 0xC2, 0x81, 0xC2, 0x82});
    EXPECT_EQ(comp.HookCount(), 1u);
    EXPECT_EQ(HookAt(0xFFFE)->classCode, 0x100);
    EXPECT_EQ(HookAt(0x0000), nullptr);
}

TEST_F(PellunarScanTest, ABlockStartingInsideALineIsDecodedFromTheLineStart) {
    Lines(0x0FF0, 0x10FF, {0x0FF0, 0x0FFE, 0x1001});
    Scan(0x0FF0, Bytes(14, 0x00));
    Scan(0x0FFE, {0x8F, 0x80});
    EXPECT_EQ(comp.HookCount(), 0u) << "the block ends inside the sequence";
    comp.messages.clear();
    Scan(0x1000, {0xEF, 0x22});
    const TPellunarItem* h = HookAt(0x0FFE);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->classCode, 0x160);
    EXPECT_EQ(h->ScannedBytesHex(), "8F80EF");
    EXPECT_EQ(Image(0x0FFE, 3), (Bytes{0xE5, 0x07, 0x83}));
    EXPECT_EQ(comp.messages.at(0), (Message{PellunarNote, "Pellunar MOV P0,R7; MOV A,R7", "MAIN.C(11)"}));

    // Scanning the last block again re-reads the program's own bytes in
    // front of it, not the hook's substitute (E5 07), and keeps one hook.
    Scan(0x1000, {0xEF, 0x22});
    EXPECT_EQ(comp.HookCount(), 1u);
    ASSERT_NE(HookAt(0x0FFE), nullptr);
    EXPECT_EQ(HookAt(0x0FFE)->classCode, 0x160);
    EXPECT_TRUE(comp.removed.empty());
}

TEST_F(PellunarScanTest, ASequenceAcrossTwoSourceLinesIsIgnored) {
    // MOV A,#12H ends one line after other code; MOV P0,A is the next line.
    Lines(0x1000, 0x1005, {0x1000, 0x1003, 0x1005});
    Scan(0x1000, {0xE4, 0x74, 0x12, 0xF5, 0x80, 0x22});
    EXPECT_EQ(comp.HookCount(), 0u);
    ASSERT_EQ(comp.messages.size(), 2u);
    EXPECT_EQ(comp.messages[0], (Message{PellunarWarning, "Ignore Pellunar MOV A,#12H; MOV P0,A", "1001"}));
    EXPECT_EQ(comp.messages[1],
              (Message{PellunarError, "Can't emulate Pellunar MOV P0,A: replace with: WriteP0()", "MAIN.C(11)"}));
}

TEST_F(PellunarScanTest, ASequenceOfWholeLinesIsPlaced) {
    // MOV A,#12H is a line of its own, MOV P0,A the next line.
    Lines(0x1000, 0x1006, {0x1000, 0x1001, 0x1003, 0x1005});
    Scan(0x1000, {0x00, 0x74, 0x12, 0xF5, 0x80, 0x22, 0x22});
    ASSERT_NE(HookAt(0x1001), nullptr);
    EXPECT_EQ(comp.messages.at(0).location, "MAIN.C(11)");
}

TEST_F(PellunarScanTest, LineNumbersRequired) {
    Lines(0x1000, 0x1003, {0x1000});
    comp.SetLineNumbersRequired(true);
    // Code outside every line: a hook is ignored with a warning, an error is
    // passed over.
    Scan(0x2000, {0xE5, 0x80, 0xF5, 0x80});
    EXPECT_EQ(comp.HookCount(), 0u);
    ASSERT_EQ(comp.messages.size(), 1u);
    EXPECT_EQ(comp.messages[0],
              (Message{PellunarWarning, "Ignore Pellunar MOV A,P0: Without line numbers", "2000"}));

    comp.SetLineNumbersRequired(false);
    comp.messages.clear();
    Scan(0x2000, {0xE5, 0x80, 0xF5, 0x80});
    EXPECT_EQ(comp.HookCount(), 1u);
    ASSERT_EQ(comp.messages.size(), 2u);
    EXPECT_EQ(comp.messages[1].location, "2002");
}

TEST_F(PellunarScanTest, AnErrorWhoseBytesRunPastItsLineIsPassedOver) {
    Lines(0x1000, 0x1002, {0x1000, 0x1001});
    Scan(0x1000, {0x00, 0x85, 0x12, 0x80});
    EXPECT_TRUE(comp.messages.empty());
}

TEST_F(PellunarScanTest, RealignsOnLinesAndRoutinesInsideAnInstruction) {
    // 0x12 would take the two bytes after it as a call target; a line that
    // starts on the second byte shows where the next instruction starts.
    Lines(0x1000, 0x10FF, {0x1000, 0x1001});
    Scan(0x1000, {0x12, 0xE5, 0x80, 0x00});
    ASSERT_NE(HookAt(0x1001), nullptr);
    EXPECT_EQ(HookAt(0x1001)->classCode, 0x261);
}

TEST_F(PellunarScanTest, ALabelAtTheInstructionDoesNotHideOneInsideIt) {
    symbols.AddSymbol(sspProgram, "HERE", 0, 0, 240, 1, 19, UnbankedAdresse(0x1000));
    symbols.AddSymbol(sspProgram, "INSIDE", 0, 0, 240, 1, 19, UnbankedAdresse(0x1001));
    Scan(0x1000, {0x12, 0xE5, 0x80, 0x00});
    ASSERT_NE(HookAt(0x1001), nullptr);
    EXPECT_EQ(HookAt(0x1001)->classCode, 0x261);
}

TEST_F(PellunarScanTest, AQzEntryInsideASequenceWithoutLineRecords) {
    symbols.AddSymbol(sspProgram, "_qz_entry", 0, 0, 240, 1, 19, UnbankedAdresse(0x1002));
    Scan(0x1000, {0x74, 0x12, 0xF5, 0x80});
    EXPECT_EQ(comp.HookCount(), 0u);
    ASSERT_EQ(comp.messages.size(), 2u);
    EXPECT_EQ(comp.messages[0], (Message{PellunarWarning, "Ignore Pellunar 7412F580", "1000"}));
    EXPECT_EQ(comp.messages[1],
              (Message{PellunarError, "Can't emulate Pellunar MOV P0,A: replace with: WriteP0()", "1002"}))
        << "decoding goes on at the entry";
}

TEST_F(PellunarScanTest, PortLikeBytesInConstantTablesStayData) {
    // __code unsigned char tbl[] = {0xE5,0x80,0xC2,0x81,0x12,0xFF,0xF9}:
    // bytes that read as MOV A,P0, CLR P0.1 and a call of ReadP0.
    symbols.AddSymbol(sspProgram, "TBL", 0, 0, 3, 7, 19, UnbankedAdresse(0x0075));
    symbols.AddSymbol(sspProgram, "CODE", 0, 0, 240, 1, 19, UnbankedAdresse(0x007C));
    const Bytes code{0xE5, 0x80, 0xC2, 0x81, 0x12, 0xFF, 0xF9, 0xE5, 0x80};
    Scan(0x0075, code);
    EXPECT_EQ(Image(0x0075, 4), (Bytes{0xE5, 0x80, 0xC2, 0x81})) << "the table keeps its bytes";
    ASSERT_GE(comp.messages.size(), 2u);
    EXPECT_EQ(comp.messages[0], (Message{PellunarWarning, "Ignore Pellunar MOV A,P0", "0075"}));
    EXPECT_EQ(comp.messages[1], (Message{PellunarWarning, "Ignore Pellunar CLR P0.1", "0077"}));
    EXPECT_EQ(HookAt(0x0075), nullptr);
    EXPECT_EQ(HookAt(0x0077), nullptr);
    // The call is a substituted hook; it is marked so that the checkers'
    // output puts the call bytes back.
    ASSERT_NE(HookAt(0x0079), nullptr);
    EXPECT_TRUE(HookAt(0x0079)->inTypedData);
    EXPECT_EQ(HookAt(0x0079)->ScannedBytesHex(), "12FFF9");
    ASSERT_NE(HookAt(0x007C), nullptr);
    EXPECT_FALSE(HookAt(0x007C)->inTypedData);
}

TEST_F(PellunarScanTest, SubstitutedSequencesKeepAllTheirScannedBytes) {
    comp.SetProcessorVariant(VariantTIMSC);
    Scan(0x100, {0x92, 0x80, 0x00, 0x00, 0x00});
    ASSERT_NE(HookAt(0x100), nullptr);
    EXPECT_EQ(HookAt(0x100)->classCode, 0x640);
    EXPECT_EQ(HookAt(0x100)->ScannedBytesHex(), "9280000000");
    comp.SetProcessorVariant(VariantW77X);
    Scan(0x200, {0x92, 0x80, 0x00, 0x00});
    EXPECT_EQ(HookAt(0x200)->ScannedBytesHex(), "92800000");
}

TEST_F(PellunarScanTest, ASecondScanKeepsOneHookPerPellunarAndDropsStaleOnes) {
    Scan(0x100, {0xE5, 0x80, 0xC2, 0x80, 0x00});
    Scan(0x100, {0xE5, 0x80, 0xC2, 0x80, 0x00});
    EXPECT_EQ(comp.HookCount(), 2u);
    EXPECT_TRUE(comp.removed.empty());
    Scan(0x100, {0xE5, 0x81, 0xC2, 0x80, 0x00});
    EXPECT_EQ(comp.HookCount(), 1u);
    EXPECT_EQ(comp.removed, std::vector<std::uint16_t>{0x100});
    Scan(0x102, {0xC2});
    EXPECT_EQ(comp.HookCount(), 0u) << "a one-byte block removes the hook at its start";

    // The same hooks found again are nothing new to send; a new operand is.
    Scan(0x200, {0x75, 0x80, 0x12, 0x00});
    comp.SetChanged(false);
    Scan(0x200, {0x75, 0x80, 0x12, 0x00});
    EXPECT_FALSE(comp.Changed());
    Scan(0x200, {0x75, 0x80, 0x34, 0x00});
    EXPECT_TRUE(comp.Changed());
    EXPECT_EQ(comp.HookCount(), 1u);
    EXPECT_EQ(HookAt(0x200)->extraByte, 0x34);
    EXPECT_EQ(Image(0x200, 3), (Bytes{0x80, 0x01, 0x34}));
}

TEST_F(PellunarScanTest, LineEndsOfCodeOutsideFunctionsComeFromTheImage) {
    // A line outside any function ends with its first instruction, read
    // through the code reader: here the component's own image.
    PellunarImageReader reader(comp);
    TargetContext context;
    context.code = &reader;
    lines.SetContext(context);
    lines.AddLine(UnbankedAdresse(0x1000), 1, 0, 0, 0);
    comp.SetLineNumbersRequired(true);
    Scan(0x1000, {0xE5, 0x80, 0x22});
    EXPECT_EQ(comp.HookCount(), 1u);
    Scan(0x1000, {0x22, 0xE5, 0x80});
    EXPECT_EQ(comp.HookCount(), 0u) << "the line is the RET alone";

    std::uint8_t buf[4] = {};
    EXPECT_EQ(reader.read(UnbankedAdresse(0xFFFE), buf, 4), 2);
    EXPECT_EQ(reader.read(UnbankedAdresse(0x1000), nullptr, 4), 0);
}

TEST_F(PellunarScanTest, MessagesOfBankedCode) {
    comp.SetCodeBankCount(2);
    comp.ScanCode(BankedAdresse(1, 0x8000), Bytes{0xF5, 0xA0, 0xE5, 0xA0});
    ASSERT_EQ(comp.messages.size(), 2u);
    EXPECT_EQ(comp.messages[0].location, "018000");
    EXPECT_EQ(comp.Hooks().Items(0)->address, BankedAdresse(1, 0x8002));
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(1, 0x8002), 2), (Bytes{0x74, 0x00}));
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(0, 0x8002), 2), (Bytes{0x00, 0x00}));
}

}  // namespace
}  // namespace tarvex
