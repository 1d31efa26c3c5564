// The per-class rules of the hooks: replacement text, image bytes, sort key
// and transmission group, for the P0 code and its P2 twin; the class sets;
// and the program's own bytes that a hook stands for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pellunar.hpp"

namespace tarvex {
namespace {

PellunarBytes Bytes(const std::string& hex) {
    PellunarBytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// A component whose image holds 0x77 two bytes after every hook address used
// here, with register bank 1 (R7 at 0x0F).
class PellunarClasses : public ::testing::Test {
protected:
    PellunarClasses() {
        const std::vector<std::uint8_t> code(16, 0x77);
        comp.StoreCode(UnbankedAdresse(0x1230), code);
    }
    TPellunarItem Hook(std::uint16_t cls, std::uint8_t extra = 0x5A) {
        return TPellunarItem(&comp, extra, cls, UnbankedAdresse(0x1234));
    }
    TPellunarComp comp;
};

struct ClassRule {
    std::uint16_t cls;  // P0 class code
    std::uint8_t extra;
    const char* text;    // P0 text
    const char* textP2;  // P2 text, or null for the P0 text with P2
    const char* image;
    std::uint32_t key;
    int group;
};

// Hook at 0x1234, third image byte 0x77, R7 address 0x0F.
const ClassRule Rules[] = {
    {0x03, 0x5A, "NOP; CLR P0.3", nullptr, "00 44 00", 0x1, 2},
    {0x0D, 0x5A, "NOP; SETB P0.5", nullptr, "00 44 00", 0x1, 2},
    {0x1A, 0x5A, "NOP; MOV C,P0.2", nullptr, "00 D2 D7", 0x2, 1},
    {0x60, 0x5A, "MOV P0,R7; MOV A,R7", nullptr, "E5 07 83", 0x3, 2},
    {0x61, 0x5A, "MOV 07,P0", nullptr, "75 07 00", 0x4, 2},
    {0xA60, 0x5A, "MOV P0,R7; MOV A,R7", nullptr, "E5 0F 83", 0x100F, 2},
    {0xA61, 0x5A, "MOV 0F,P0", nullptr, "75 0F 00", 0x70F, 2},
    {0x104, 0x5A, "CLR P0.4", nullptr, "44 00", 0x177, 1},
    {0x10F, 0x5A, "SETB P0.7", nullptr, "44 00", 0x177, 1},
    {0x110, 0x5A, "CPL P0.0", nullptr, "44 00", 0x177, 1},
    {0x119, 0x5A, "MOV C,P0.1", nullptr, "D2 D7", 0x277, 0},
    {0x123, 0xDD, "JB P0.3,rel", nullptr, "02 12 14", 0x11214, 0},
    {0x123, 0x10, "JB P0.3,rel", nullptr, "02 12 47", 0x11247, 0},
    {0x12E, 0x80, "JNB P0.6,rel", nullptr, "02 11 B7", 0x111B7, 0},
    {0x222, 0x00, "JBC P0.2,rel", nullptr, "02 12 37", 0x11237, 0},
    {0x131, 0x5A, "ANL C,P0.1", nullptr, "C3 00", 0x877, 0},
    {0x13B, 0x5A, "ANL C,/P0.3", nullptr, "C3 00", 0x877, 0},
    {0x234, 0x5A, "ORL C,/P0.4", nullptr, "D3 00", 0x977, 0},
    {0x23F, 0x5A, "ORL C,P0.7", nullptr, "D3 00", 0x977, 0},
    {0x141, 0x5A, "MOV P0.1,C; CLR A", nullptr, "E5 D0 83", 0x5, 2},
    {0x241, 0x5A, "MOV P0.1,C; NOP", nullptr, "00 44 00", 0x1, 0},
    {0x342, 0x5A, "MOV P0.2,C; SJMP $+2", nullptr, "40 01 44 00", 0x7, 0},
    {0x543, 0x5A, "MOV P0.3,C; SJMP $+2", nullptr, "40 01 44 00", 0x7, 0},
    {0x444, 0x5A, "MOV P0.4,C; SJMP $+2; NOP", nullptr, "40 01 80 01 00", 0xA, 0},
    {0x645, 0x5A, "MOV P0.5,C; SJMP $+2; NOP", nullptr, "40 01 80 01 00", 0xA, 0},
    {0x160, 0x5A, "MOV P0,R7; MOV A,R7", nullptr, "E5 07 83", 0x3, 2},
    {0x260, 0x5A, "MOV R7,A; MOV P0,R7", nullptr, "83 F5 07", 0x4, 0},
    {0x360, 0x5A, "SJMP $+2; MOV P0,R7", "SJMP $+0; MOV P2,R7", "00 CF 83 CF", 0x8, 2},
    {0x560, 0x5A, "SJMP $+2; MOV P0,R7", "SJMP $+0; MOV P2,R7", "00 CF 83 CF", 0x8, 2},
    {0x460, 0x5A, "SJMP $+0; MOV P0,A", nullptr, "00 83 54 FF", 0x9, 1},
    {0x860, 0x5A, "SJMP $+0; MOV P0,A", nullptr, "44 00 83 FF", 0xD, 2},
    {0x660, 0x5A, "MOV P0,R7; SJMP $+1", "MOV P2,R7; SJMP $-1", "CF 83 CF FF", 0xC, 1},
    {0x760, 0x5A, "MOV P0,R7; SJMP $+1", "MOV P2,R7; SJMP $-1", "CF 83 CF FF", 0xC, 2},
    {0x960, 0x5A, "MOV P0,ACC; SJMP $+0", nullptr, "80 02 00 00 83", 0xB, 4},
    {0x161, 0x5A, "MOV 5AH,P0", nullptr, "75 5A 00", 0x75A, 2},
    {0x261, 0x5A, "MOV A,P0", nullptr, "74 00", 0x377, 1},
    {0x361, 0x5A, "ORL A,P0", nullptr, "44 00", 0x177, 1},
    {0x461, 0x5A, "ANL A,P0", nullptr, "54 00", 0x477, 1},
    {0x561, 0x5A, "XRL A,P0", nullptr, "64 00", 0x577, 1},
    {0x661, 0x5A, "CJNE A,P0,rel", nullptr, "B4 00 5A", 0xA5A, 1},
    {0x761, 0x5A, "ADD A,P0", nullptr, "24 00", 0xB77, 1},
    {0x861, 0x5A, "ADDC A,P0", nullptr, "34 00", 0xC77, 1},
    {0x961, 0x5A, "SUBB A,P0", nullptr, "94 00", 0xD77, 1},
    {0x1861, 0x5A, "MOV R0,P0", nullptr, "78 00", 0x10, 1},
    {0x1B61, 0x5A, "MOV R3,P0", nullptr, "7B 00", 0x13, 1},
    {0x1F61, 0x5A, "MOV R7,P0", nullptr, "7F 00", 0x17, 1},
    {0x162, 0x5A, "ORL P0,#5AH", nullptr, "80 01 5A", 0x65A, 2},
    {0x163, 0x5A, "ANL P0,#5AH", nullptr, "80 01 5A", 0x65A, 2},
    {0x164, 0x5A, "XRL P0,#5AH", nullptr, "80 01 5A", 0x65A, 2},
    {0x165, 0x5A, "MOV P0,#5AH", nullptr, "80 01 5A", 0x65A, 2},
    {0x462, 0x5A, "ORL P0,#5AH", nullptr, "75 A0 5A", 0xF5A, 2},
    {0x463, 0x5A, "ANL P0,#5AH", nullptr, "75 A0 5A", 0xF5A, 2},
    {0x464, 0x5A, "XRL P0,#5AH", nullptr, "75 A0 5A", 0xF5A, 2},
    {0x465, 0x5A, "MOV P0,#5AH", nullptr, "75 A0 5A", 0xF5A, 2},
    {0x265, 0x5A, "MOV A,#5AH; MOV P0,A", nullptr, "74 5A 74 5A", 0xE5A, 3},
    {0x365, 0x5A, "CLR A  MOV P0,A", nullptr, "E4 74 00", 0x6, 2},
    {0x865, 0x5A, "MOV R0,#5A; MOV P0,R0", nullptr, "78 5A 78 5A", 0x805A, 3},
    {0xA65, 0x5A, "MOV R2,#5A; MOV P0,R2", nullptr, "7A 5A 7A 5A", 0xA05A, 3},
    {0xF65, 0x5A, "MOV R7,#5A; MOV P0,R7", nullptr, "7F 5A 7F 5A", 0xF05A, 3},
    {0x166, 0x5A, "INC P0", nullptr, "44 00", 0x177, 1},
    {0x167, 0x5A, "DEC P0", nullptr, "44 00", 0x177, 1},
    {0x168, 0x5A, "DJNZ P0,rel", nullptr, "02 12 91", 0x11291, 0},
};

std::string WithP2(std::string text) {
    for (std::size_t at = text.find("P0"); at != std::string::npos; at = text.find("P0", at + 2)) text[at + 1] = '2';
    return text;
}

TEST_F(PellunarClasses, EveryClassOfTheTableForBothPorts) {
    for (const ClassRule& r : Rules) {
        for (bool p2 : {false, true}) {
            const auto cls = static_cast<std::uint16_t>(r.cls + (p2 ? 0x80 : 0));
            SCOPED_TRACE(::testing::Message() << "class 0x" << std::hex << cls << " extra 0x" << int{r.extra});
            const TPellunarItem item = Hook(cls, r.extra);
            const std::string text = !p2 ? r.text : r.textP2 ? r.textP2 : WithP2(r.text);
            EXPECT_EQ(item.ReplacementText(), text);
            EXPECT_EQ(item.InstructionBytes(), Bytes(r.image));
            EXPECT_EQ(item.HookClass(), r.key);
            EXPECT_EQ(item.TransmitGroup(), r.group);
            EXPECT_EQ(item.EndAddress().offset, 0x1234 + item.InstructionBytes().size() - 1);
        }
    }
}

TEST_F(PellunarClasses, EveryBitAndRegisterNamesItsNumber) {
    for (int n = 0; n < 8; ++n) {
        const std::string d(1, static_cast<char>('0' + n));
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x100 + n)).ReplacementText(), "CLR P0." + d);
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x198 + n)).ReplacementText(), "MOV C,P2." + d);
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x08 + n)).ReplacementText(), "NOP; SETB P0." + d);
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x98 + n)).ReplacementText(), "NOP; MOV C,P2." + d);
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x1861 + n * 0x100)).ReplacementText(), "MOV R" + d + ",P0");
        EXPECT_EQ(Hook(static_cast<std::uint16_t>(0x8E5 + n * 0x100), 0x01).ReplacementText(),
                  "MOV R" + d + ",#01; MOV P2,R" + d);
    }
}

TEST_F(PellunarClasses, UnknownClassesGiveNothing) {
    for (std::uint16_t cls : {0x10, 0x17, 0x62, 0x169, 0x1761, 0x2061, 0xFFFF, 0x500}) {
        const TPellunarItem item = Hook(cls);
        EXPECT_TRUE(item.InstructionBytes().empty()) << cls;
        EXPECT_EQ(item.ReplacementText(), "");
        EXPECT_EQ(item.HookClass(), 0u);
        EXPECT_EQ(item.TransmitGroup(), 0);
        EXPECT_EQ(item.EndAddress().offset, 0x1234);
    }
}

TEST_F(PellunarClasses, R7AddressFollowsTheRegisterBank) {
    comp.SetHookVariant(0x1F);
    EXPECT_EQ(Hook(0xA61).ReplacementText(), "MOV 1F,P0");
    EXPECT_EQ(Hook(0xAE1).InstructionBytes(), Bytes("75 1F 00"));
    EXPECT_EQ(Hook(0xAE0).HookClass(), 0x101Fu);
    EXPECT_EQ(Hook(0x61).ReplacementText(), "MOV 07,P0");
    TPellunarItem orphan(nullptr, 0, 0xA61, UnbankedAdresse(0));
    EXPECT_EQ(orphan.ReplacementText(), "MOV 0F,P0");
}

TEST_F(PellunarClasses, RoutineTextAddsTheThirdByteToTwoByteHooks) {
    EXPECT_EQ(Hook(0x261).RoutineText(), Bytes("74 00 77"));
    EXPECT_EQ(Hook(0x161).RoutineText(), Bytes("75 5A 00"));
    EXPECT_EQ(Hook(0x960).RoutineText(), Bytes("80 02 00 00 83"));
    EXPECT_EQ(Hook(0x960).RoutineTextShort(), Bytes("00 83"));
    EXPECT_TRUE(Hook(0x261).RoutineTextShort().empty());
}

TEST_F(PellunarClasses, OwnCodeBytesAreTheInstructionTheHookStandsFor) {
    struct Own {
        std::uint16_t cls;
        std::uint8_t extra;
        const char* bytes;
    };
    const Own cases[] = {
        {0x03, 0, "00 C2 83"},         {0x83, 0, "00 C2 A3"},       {0x0D, 0, "00 D2 85"},
        {0x8D, 0, "00 D2 A5"},         {0x1A, 0, "00 A2 82"},       {0x9A, 0, "00 A2 A2"},
        {0x60, 0, "8F 80 EF"},         {0xE0, 0, "8F A0 EF"},       {0x61, 0, "85 80 07"},
        {0xE1, 0, "85 A0 07"},         {0xA60, 0, "8F 80 EF"},      {0xA61, 0, "85 80 0F"},
        {0xAE1, 0, "85 A0 0F"},        {0x105, 0, "C2 85"},         {0x196, 0, "B2 A6"},
        {0x123, 0xDD, "20 83 DD"},     {0x222, 0x04, "10 82 04"},   {0x2B9, 0, "72 A1"},
        {0x141, 0, "92 81 E4"},        {0x2C1, 0, "92 A1 00"},      {0x343, 0, "92 83 80 00"},
        {0x543, 0, "92 83 80 00"},     {0x5C3, 0, "92 A3 80 00"},   {0x444, 0, "92 84 80 00 00"},
        {0x644, 0, "92 84 80 00 00"},  {0x160, 0, "8F 80 EF"},      {0x260, 0, "FF 8F 80"},
        {0x360, 0, "80 00 8F 80"},     {0x560, 0, "80 00 8F 80"},   {0x5E0, 0, "80 00 8F A0"},
        {0x660, 0, "8F 80 80 FF"},     {0x760, 0, "8F 80 80 FF"},   {0x7E0, 0, "8F A0 80 FF"},
        {0x460, 0, "80 00 F5 80"},     {0x8E0, 0, "80 00 F5 A0"},   {0x960, 0x80, "85 E0 80 80 00"},
        {0x161, 0xE0, "85 80 E0"},     {0x1E1, 0x30, "85 A0 30"},   {0x261, 0, "E5 80"},
        {0x6E1, 0x12, "B5 A0 12"},     {0x1B61, 0, "AB 80"},        {0x1BE1, 0, "AB A0"},
        {0x162, 0x0F, "43 80 0F"},     {0x462, 0x0F, "43 80 0F"},   {0x4E5, 0x33, "75 A0 33"},
        {0x265, 0x12, "74 12 F5 80"},  {0x365, 0, "E4 F5 80"},      {0xA65, 0x5A, "7A 5A 8A 80"},
        {0xAE5, 0x5A, "7A 5A 8A A0"},  {0x166, 0, "05 80"},         {0x1E7, 0, "15 A0"},
        {0x168, 0xFE, "D5 80 FE"},
    };
    for (const Own& c : cases) {
        const TPellunarItem item = Hook(c.cls, c.extra);
        EXPECT_EQ(item.CodeBytes(), Bytes(c.bytes)) << std::hex << c.cls;
    }
    EXPECT_EQ(Hook(0x265, 0x12).CodeBytesText(), "7412F580");
    EXPECT_TRUE(Hook(0x10).CodeBytes().empty());
}

TEST_F(PellunarClasses, ClassSets) {
    // Substituted: the calls below 0x100, the board's NOP variants and the
    // old R7 routines; any other class only through a replaced call.
    for (std::uint16_t c : {0x00, 0x61, 0xE1, 0xFF, 0x540, 0x5C7, 0x560, 0x5E0, 0x760, 0x7E0, 0x640, 0x6C7,
                            0xA60, 0xA61, 0xAE0, 0xAE1})
        EXPECT_TRUE(Hook(c).IsSubstituted()) << std::hex << c;
    for (std::uint16_t c : {0x100, 0x261, 0x340, 0x548, 0x660, 0xA62}) EXPECT_FALSE(Hook(c).IsSubstituted()) << c;
    TPellunarItem call = Hook(0x261);
    call.substitutedCall = true;
    EXPECT_TRUE(call.IsSubstituted());

    EXPECT_TRUE(Hook(0x960).IsBitRoutineClass());
    EXPECT_FALSE(Hook(0x440).IsBitRoutineClass());
    EXPECT_EQ(Hook(0x960).RoutineKind(), 1);
    EXPECT_EQ(Hook(0x9E0).RoutineKind(), 1);
    EXPECT_EQ(Hook(0x4C3).RoutineKind(), 2);
    EXPECT_EQ(Hook(0x647).RoutineKind(), 2);
    EXPECT_EQ(Hook(0x340).RoutineKind(), 0);

    for (std::uint16_t c : {0x440, 0x6C7, 0x360, 0x560, 0x760, 0x3E0, 0x5E0, 0x7E0}) {
        EXPECT_TRUE(Hook(c).IsWriteClass()) << std::hex << c;
        EXPECT_EQ(Hook(c).IsGroup3Class(), 3);
    }
    EXPECT_FALSE(Hook(0x460).IsWriteClass());
    EXPECT_EQ(Hook(0x460).IsGroup3Class(), 0);

    for (std::uint16_t c : {0x130, 0x13F, 0x168, 0x1E8, 0x1B5, 0x220, 0x230, 0x247, 0x2A3, 0x2B0, 0x2C7, 0x340,
                            0x5C2, 0x360, 0x8E0})
        EXPECT_TRUE(Hook(c).IsReadClass()) << std::hex << c;
    for (std::uint16_t c : {0x100, 0x12F, 0x161, 0x261, 0x1A3, 0x960}) EXPECT_FALSE(Hook(c).IsReadClass()) << c;

    EXPECT_EQ(Hook(0x343).OperandGroup(), 3);
    EXPECT_EQ(Hook(0x8E0).OperandGroup(), 3);
    EXPECT_EQ(Hook(0x6C1).OperandGroup(), 2);
    EXPECT_EQ(Hook(0x6E0).OperandGroup(), 2);
    EXPECT_EQ(Hook(0x161).OperandGroup(), 1);
}

TEST_F(PellunarClasses, RoutineCodes) {
    EXPECT_EQ(Hook(0x9E0).SpecialRoutineCode(), 0xE0);
    EXPECT_EQ(Hook(0x960).SpecialRoutineCode(), 0x60);
    EXPECT_EQ(Hook(0x441).SpecialRoutineCode(), 0xFC);
    EXPECT_EQ(Hook(0x161).SpecialRoutineCode(), 0xFF);

    EXPECT_EQ(Hook(0x443).WriteRoutineCode(), 0xFC);
    EXPECT_EQ(Hook(0x6C0).WriteRoutineCode(), 0xFC);
    EXPECT_EQ(Hook(0x360).WriteRoutineCode(), 0xFE);
    EXPECT_EQ(Hook(0x7E0).WriteRoutineCode(), 0xFE);
    EXPECT_EQ(Hook(0x165).WriteRoutineCode(), 0x65);

    EXPECT_EQ(Hook(0x2A3).ReadRoutineCode(), 0x83);  // read class, low byte 0xA3
    EXPECT_EQ(Hook(0x1A3).ReadRoutineCode(), 0xA3);  // not a read class
    EXPECT_EQ(Hook(0x224).ReadRoutineCode(), 0x04);
    EXPECT_EQ(Hook(0x342).ReadRoutineCode(), 0xFD);
    EXPECT_EQ(Hook(0x3C2).ReadRoutineCode(), 0xFD);
    EXPECT_EQ(Hook(0x442).ReadRoutineCode(), 0xFE);
    EXPECT_EQ(Hook(0x168).ReadRoutineCode(), 0x67);
    EXPECT_EQ(Hook(0x1E8).ReadRoutineCode(), 0xE7);
    EXPECT_EQ(Hook(0x360).ReadRoutineCode(), 0xFE);
    EXPECT_EQ(Hook(0x134).ReadRoutineCode(), 0xFE);
}

}  // namespace
}  // namespace tarvex
