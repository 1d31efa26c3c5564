#include "emulator/disassembler.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

// A 64 KiB program image with the tables a listing uses.
struct Bench {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(0x10000, 0);
    StandardAddressSpaces spaces;
    BufferCodeReader code{image};
    FixedBanking banking;
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    TRegisterTabelle registers;
    Disassembler dis;

    Bench() : ctx(MakeContext()), symbols(ctx), lines(symbols, ctx), dis(&symbols, &lines, &registers, ctx) {}

    TargetContext MakeContext() {
        TargetContext c;
        c.spaces = &spaces;
        c.code = &code;
        c.banking = &banking;
        return c;
    }

    void Put(std::uint16_t at, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t b : bytes) image[at++] = b;
    }

    // The 80C51 names the worked examples use.
    void AddClassicSfrs() {
        registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
        registers.AddRegister("P1", "", 0, 0, 0, 0x90, "");
        registers.AddRegister("SP", "", 0, 0, 0, 0x81, "");
    }

    DisassembledInstruction At(std::uint16_t pc, bool autoLabels = false, bool lineTextFirst = false) {
        return dis.DisassembleAt(UnbankedAdresse(pc), autoLabels, lineTextFirst);
    }
};

TEST(DisassemblerNumbers, FixedWidthWithLeadingZeroBeforeALetter) {
    EXPECT_EQ(Disassembler::ByteText(0x07), "07H");
    EXPECT_EQ(Disassembler::ByteText(0x9F), "9FH");
    EXPECT_EQ(Disassembler::ByteText(0xA0), "0A0H");
    EXPECT_EQ(Disassembler::ByteText(0xAB), "0ABH");
    EXPECT_EQ(Disassembler::WordText(0x0030), "0030H");
    EXPECT_EQ(Disassembler::WordText(0x9FFF), "9FFFH");
    EXPECT_EQ(Disassembler::WordText(0xA000), "0A000H");
    EXPECT_EQ(Disassembler::Long24Text(0x0A, 0x00, 0x00), "0A0000H");
    EXPECT_EQ(Disassembler::Long24Text(0x01, 0x23, 0x45), "012345H");
    EXPECT_EQ(Disassembler::Long24Text(0xB1, 0x23, 0x45), "0B12345H");
    EXPECT_EQ(Disassembler::BankAddressText(UnbankedAdresse(0xC000)), "0C000H");
    EXPECT_EQ(Disassembler::BankAddressText(BankedAdresse(1, 0x0030)), "010030H");
    EXPECT_EQ(Disassembler::BankAddressText(BankedAdresse(0xA, 0x0030)), "0A0030H");
}

// The worked example: a short program with an 80C51 register table.
TEST(Disassembler, WorkedExampleListing) {
    Bench b;
    b.AddClassicSfrs();
    b.Put(0, {0x02, 0x00, 0x30, 0x85, 0x30, 0x31, 0xA5, 0x74, 0xAB, 0x90, 0xA0, 0x00, 0x80, 0xFE, 0xD2, 0xE7, 0xC2,
              0x05, 0xB5, 0xE0, 0x02, 0x11, 0x23, 0xA0, 0x93, 0x83, 0x73, 0xE8, 0xF5, 0x90, 0x20, 0x05, 0xFD, 0x22,
              0x00, 0xE4, 0xD5, 0x30, 0xFB, 0xB4, 0x12, 0xF8, 0x75, 0x81, 0x07, 0x12, 0x10, 0x00, 0x79, 0x9F});
    const char* expected[][3] = {
        {"0000", "020030", "LJMP  0030H"},        {"0003", "853031", "MOV   31H,30H"},
        {"0006", "A5", "----- "},                 {"0007", "74AB", "MOV   A,#0ABH"},
        {"0009", "90A000", "MOV   DPTR,#0A000H"}, {"000C", "80FE", "SJMP  000CH"},
        {"000E", "D2E7", "SETB  ACC.7"},          {"0010", "C205", "CLR   20H.5"},
        {"0012", "B5E002", "CJNE  A,ACC,0017H"},  {"0015", "1123", "ACALL 0023H"},
        {"0017", "A093", "ORL   C,/P1.3"},        {"0019", "83", "MOVC  A,@A+PC"},
        {"001A", "73", "JMP   @A+DPTR"},          {"001B", "E8", "MOV   A,R0"},
        {"001C", "F590", "MOV   P1,A"},           {"001E", "2005FD", "JB    20H.5,001EH"},
        {"0021", "22", "RET   "},                 {"0022", "00", "NOP   "},
        {"0023", "E4", "CLR   A"},                {"0024", "D530FB", "DJNZ  30H,0022H"},
        {"0027", "B412F8", "CJNE  A,#12H,0022H"}, {"002A", "758107", "MOV   SP,#07H"},
        {"002D", "121000", "LCALL 1000H"},        {"0030", "799F", "MOV   R1,#9FH"},
    };
    std::uint16_t pc = 0;
    for (const auto& row : expected) {
        ASSERT_EQ(pc, std::stoi(row[0], nullptr, 16));
        const DisassembledInstruction d = b.At(pc);
        EXPECT_EQ(d.hex, row[1]) << row[0];
        EXPECT_EQ(d.instruction, row[2]) << row[0];
        EXPECT_EQ(d.label, "");
        EXPECT_EQ(d.length * 2, static_cast<int>(d.hex.size()));
        pc = static_cast<std::uint16_t>(pc + d.length);
    }
}

TEST(Disassembler, SecondSampleFallsBackToHexWithoutRegisterNames) {
    Bench b;
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xD2, 0xD7, 0, 0).instruction, "SETB  0D0H.7");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xC2, 0x99, 0, 0).instruction, "CLR   98H.1");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xE5, 0x00, 0, 0).instruction, "MOV   A,00H");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0xC8, 0, 0).instruction, "MOV   0C8H,A");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x92, 0x00, 0, 0).instruction, "MOV   20H.0,C");
    // Named bits and SFRs replace the hex.
    b.registers.AddRegister("PSW", "", 0, 0, 0, 0xD0, "");
    b.registers.AddRegister("CY", "", 2, 0x80, 0, 0xD7, "");
    b.registers.AddRegister("T2CON", "", 0, 0, 0, 0xC8, "");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xD2, 0xD7, 0, 0).instruction, "SETB  CY");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xD2, 0xD6, 0, 0).instruction, "SETB  PSW.6");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0xC8, 0, 0).instruction, "MOV   T2CON,A");
}

// Every opcode with fixed operand bytes at 0x1000, against a reviewed
// listing: catches any change of mnemonic, operand order or length.
TEST(Disassembler, AllOpcodesMatchTheGoldenListing) {
    Bench b;
    std::ifstream in(test::sourceDir() / "tests/emulator/data/disasm_all_opcodes.txt");
    ASSERT_TRUE(in) << "golden listing missing";
    std::string line;
    int op = 0;
    while (std::getline(in, line)) {
        const auto d = b.dis.Disassemble(UnbankedAdresse(0x1000), false, false, static_cast<std::uint8_t>(op), 0x12,
                                         0x34, 0x56);
        EXPECT_EQ(d.hex + " " + d.instruction, line) << "opcode " << op;
        ++op;
    }
    EXPECT_EQ(op, 256);
}

TEST(Disassembler, EdgeCasesOfTheInstructionSet) {
    Bench b;
    auto d = b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x85, 0x30, 0x31, 0);
    EXPECT_EQ(d.instruction, "MOV   31H,30H");
    EXPECT_EQ(d.hex, "853031");
    EXPECT_EQ(d.length, 3);
    d = b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xA5, 1, 2, 3);
    EXPECT_EQ(d.instruction, "----- ");
    EXPECT_EQ(d.hex, "A5");
    EXPECT_EQ(d.length, 1);
    // SJMP to itself, and relative targets wrapping at both ends.
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x1000), false, false, 0x80, 0xFE, 0, 0).instruction, "SJMP  1000H");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0xFFF0), false, false, 0x80, 0x7F, 0, 0).instruction, "SJMP  0071H");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x0000), false, false, 0x80, 0x80, 0, 0).instruction, "SJMP  0FF82H");
    // CJNE and DJNZ count from the end of a three-byte instruction.
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0xFFFE), false, false, 0xB4, 0x01, 0x00, 0).instruction,
              "CJNE  A,#01H,0001H");
    // AJMP takes the page of the following instruction.
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x07FE), false, false, 0x01, 0x7F, 0, 0).instruction, "AJMP  087FH");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0xFFFE), false, false, 0xF1, 0x00, 0, 0).instruction, "ACALL 0700H");
    // Bits: below 0x80 in the bit-addressable bytes, above in the SFRs.
    b.AddClassicSfrs();
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xB2, 0xE7, 0, 0).instruction, "CPL   ACC.7");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xB2, 0x05, 0, 0).instruction, "CPL   20H.5");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xB2, 0x7F, 0, 0).instruction, "CPL   2FH.7");
}

TEST(Disassembler, NamesComeFromSymbolsAndLines) {
    Bench b;
    b.symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 1, 19, UnbankedAdresse(0x0030));
    b.symbols.AddSymbol(sspIntData, "counter", 0, 0, 240, 1, 19, UnbankedAdresse(0x30));
    b.symbols.AddSymbol(sspBit, "flag", 0, 0, 240, 1, 19, UnbankedAdresse(0x05));
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x02, 0x00, 0x30, 0).instruction, "LJMP  MAIN");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x85, 0x30, 0x31, 0).instruction,
              "MOV   31H,COUNTER");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xC2, 0x05, 0, 0).instruction, "CLR   FLAG");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x30), false, false, 0x00, 0, 0, 0).label, "MAIN");

    // A line at the target: the symbol first unless lines are asked for first.
    b.lines.AddLine(UnbankedAdresse(0x0030), 42, 1, 0, 0);
    b.lines.AddLine(UnbankedAdresse(0x0040), 43, 1, 0, 0);
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x02, 0x00, 0x30, 0).instruction, "LJMP  MAIN");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, true, 0x02, 0x00, 0x30, 0).instruction, "LJMP  #42");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x02, 0x00, 0x40, 0).instruction, "LJMP  #43");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x30), false, true, 0x00, 0, 0, 0).label, "#42");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x40), false, false, 0x00, 0, 0, 0).label, "#43");
}

TEST(Disassembler, DirectAddressAbove7FIsNeverAnInternalDataSymbol) {
    Bench b;
    // An indirectly reached variable at 0x90 shares its number with P1.
    b.symbols.AddSymbol(sspIntData, "buffer", 0, 0, 240, 16, 19, UnbankedAdresse(0x90));
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0x90, 0, 0).instruction, "MOV   90H,A");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xD2, 0x90, 0, 0).instruction, "SETB  90H.0");
    // An SFR symbol of the program does name it.
    b.symbols.AddSymbol(sspSfr, "port1", 0, 0, 240, 1, 19, UnbankedAdresse(0x90));
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0x90, 0, 0).instruction, "MOV   PORT1,A");
}

TEST(Disassembler, AutomaticLabelsAreMadeOncePerAddress) {
    Bench b;
    b.symbols.AddSymbol(sspProgram, "start", 0, 0, 240, 1, 19, UnbankedAdresse(0x0000));
    b.lines.AddLine(UnbankedAdresse(0x2000), 7, 1, 0, 0);
    const std::size_t before = b.symbols.KindList(sspProgram)->Count();
    const auto first = b.dis.Disassemble(UnbankedAdresse(0x100), true, false, 0x02, 0x20, 0x00, 0);
    // Another symbol in between must not hide the label from the next search.
    b.symbols.AddSymbol(sspProgram, "other", 0, 0, 240, 1, 19, UnbankedAdresse(0x1000));
    const auto second = b.dis.Disassemble(UnbankedAdresse(0x200), true, false, 0x12, 0x20, 0x00, 0);
    EXPECT_EQ(first.instruction, "LJMP  Y1");
    EXPECT_EQ(second.instruction, "LCALL Y1");
    EXPECT_EQ(b.symbols.KindList(sspProgram)->Count(), before + 2);  // Y1 and "other"
    // The label of the target itself; never a new label for pc.
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x2000), true, false, 0x00, 0, 0, 0).label, "Y1");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0x3000), true, false, 0x00, 0, 0, 0).label, "");
    // Without automatic labels an unnamed target is hex.
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x02, 0x30, 0x00, 0).instruction, "LJMP  3000H");
}

TEST(Disassembler, TwentyFourBitCodeAddresses) {
    Bench b;
    b.spaces.setProgramMax(BankedAdresse(0xFF, 0xFFFF));
    b.dis.SetAddressWidth(4);
    auto d = b.dis.Disassemble(BankedAdresse(0, 0x100), false, false, 0x02, 0x01, 0x23, 0x45);
    EXPECT_EQ(d.length, 4);
    EXPECT_EQ(d.hex, "02012345");
    EXPECT_EQ(d.instruction, "LJMP  012345H");
    d = b.dis.Disassemble(BankedAdresse(0, 0x100), false, false, 0x90, 0x0A, 0x00, 0x00);
    EXPECT_EQ(d.length, 4);
    EXPECT_EQ(d.instruction, "MOV   DPTR,#0A0000H");
    // AJMP: the bank from pc's bank group and the opcode, the offset whole.
    d = b.dis.Disassemble(BankedAdresse(9, 0x100), false, false, 0x61, 0x12, 0x34, 0);
    EXPECT_EQ(d.length, 3);
    EXPECT_EQ(d.instruction, "AJMP  0B1234H");
    // Even at the very end of the program space nothing raises.
    EXPECT_NO_THROW(d = b.dis.Disassemble(BankedAdresse(0xFF, 0xFFFF), false, false, 0x01, 0x12, 0x34, 0));
    EXPECT_EQ(d.length, 3);
    // Back to 16-bit addresses.
    b.dis.SetAddressWidth(3);
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0x02, 0x01, 0x23, 0x45).length, 3);
}

TEST(Disassembler, AddressWidthFollowsTheBankingUntilSet) {
    Bench b;
    FixedBanking contiguous(0, false, 4);
    b.ctx.banking = &contiguous;
    Disassembler dis(&b.symbols, &b.lines, &b.registers, b.ctx);
    EXPECT_EQ(dis.AddressWidth(), 4);
    EXPECT_EQ(dis.OpcodeLength(0x12), 4);
    dis.SetAddressWidth(3);
    EXPECT_EQ(dis.OpcodeLength(0x12), 3);
}

// Spaces whose limits cannot be read right now (the board is busy).
class FailingSpaces final : public IAddressSpaces {
public:
    TBankAdresse minAddress(SpaceKind) const override { throw EVokWinAddressError("busy"); }
    TBankAdresse maxAddress(SpaceKind) const override { throw EVokWinAddressError("busy"); }
    TBankAdresse normalize(SpaceKind, TBankAdresse a) const override { return a; }
};

TEST(Disassembler, NeverRaisesWhileAListPaints) {
    Bench b;
    FailingSpaces failing;
    TargetContext ctx = b.ctx;
    ctx.spaces = &failing;
    Disassembler dis(nullptr, nullptr, &b.registers, ctx);
    DisassembledInstruction d;
    EXPECT_NO_THROW(d = dis.Disassemble(UnbankedAdresse(0), true, false, 0x02, 0x12, 0x34, 0));
    EXPECT_EQ(d.instruction, "LJMP  1234H");
    EXPECT_NO_THROW(d = dis.DisassembleAt(UnbankedAdresse(0), false, false));
    EXPECT_EQ(d.length, 1);
    EXPECT_EQ(dis.InstructionLengthAt(UnbankedAdresse(0)), 1);
}

TEST(Disassembler, BankedTargetsStayInThePcBank) {
    Bench b;
    b.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    EXPECT_EQ(b.dis.Disassemble(BankedAdresse(2, 0x8000), false, false, 0x02, 0x90, 0x00, 0).instruction,
              "LJMP  029000H");
    EXPECT_EQ(b.dis.Disassemble(BankedAdresse(2, 0xFFFF), false, false, 0x80, 0x10, 0, 0).instruction,
              "SJMP  020011H");
}

TEST(Disassembler, UnreadableCodeStillGivesOneByte) {
    Bench b;
    NoCodeReader none;
    TargetContext ctx;
    ctx.code = &none;
    Disassembler dis(&b.symbols, &b.lines, &b.registers, ctx);
    const auto d = dis.DisassembleAt(UnbankedAdresse(0x1234), false, false);
    EXPECT_FALSE(d.readable);
    EXPECT_EQ(d.length, 1);
    EXPECT_EQ(dis.InstructionLengthAt(UnbankedAdresse(0x1234)), 1);
}

TEST(Disassembler, ReadsStopAtTheEndOfTheProgramSpace) {
    Bench b;
    b.Put(0xFFFE, {0x02, 0x12});
    std::uint8_t bytes[4] = {};
    EXPECT_EQ(b.dis.ReadCodeBytes(UnbankedAdresse(0xFFFE), bytes), 2);
    // The missing operand byte is the opcode again.
    const auto d = b.At(0xFFFE);
    EXPECT_EQ(d.hex, "021202");
    EXPECT_EQ(d.instruction, "LJMP  1202H");
    b.spaces.setProgramMax(UnbankedAdresse(0x7FFF));
    b.Put(0x7FFE, {0x02, 0x12});
    EXPECT_EQ(b.dis.ReadCodeBytes(UnbankedAdresse(0x7FFE), bytes), 2);
    EXPECT_EQ(b.dis.ReadCodeBytes(UnbankedAdresse(0x8000), bytes), 0);
    EXPECT_EQ(b.dis.InstructionLengthAt(UnbankedAdresse(0x8000)), 1);
    EXPECT_EQ(b.dis.InstructionLengthAt(UnbankedAdresse(0x7FFE)), 3);
}

TEST(Disassembler, RegisterNamesFollowTableChanges) {
    Bench b;
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0xE0, 0, 0).instruction, "MOV   0E0H,A");
    b.registers.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0xE0, 0, 0).instruction, "MOV   ACC,A");
    b.registers.Clear();
    EXPECT_EQ(b.dis.Disassemble(UnbankedAdresse(0), false, false, 0xF5, 0xE0, 0, 0).instruction, "MOV   0E0H,A");
}

TEST(Disassembler, WorksWithoutAnyTable) {
    Disassembler dis(nullptr, nullptr, nullptr);
    EXPECT_EQ(dis.Disassemble(UnbankedAdresse(0), true, true, 0x02, 0x12, 0x34, 0).instruction, "LJMP  1234H");
    EXPECT_EQ(dis.OpcodeLength(0x90), 3);
}

}  // namespace
}  // namespace tarvex
