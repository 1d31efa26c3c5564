// The pellunar rules as a table: every accepted form in every processor
// variant, for P0 and P2, gives its class, note, image bytes and level, and
// is not accepted in the other variants; every form the board cannot carry
// out gives its exact error text and no hook.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"
#include "tests/support/pellunar_recorder.hpp"

namespace tarvex {
namespace {

using Message = test::PellunarMessage;
using RecordingComp = test::RecordingPellunar;

// Byte notation: two hex digits, or P for the port (0x80 / 0xA0), or X for
// bit 3 of the port.
std::vector<std::uint8_t> Code(const std::string& notation, bool p2) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < notation.size();) {
        if (notation[i] == ' ') {
            ++i;
        } else if (notation[i] == 'P') {
            out.push_back(p2 ? 0xA0 : 0x80);
            ++i;
        } else if (notation[i] == 'X') {
            out.push_back(p2 ? 0xA3 : 0x83);
            ++i;
        } else {
            out.push_back(static_cast<std::uint8_t>(std::stoi(notation.substr(i, 2), nullptr, 16)));
            i += 2;
        }
    }
    return out;
}

std::string WithP2(std::string text) {
    for (std::size_t at = text.find("P0"); at != std::string::npos; at = text.find("P0", at + 2)) text[at + 1] = '2';
    return text;
}

constexpr std::uint8_t V0 = 1, V1 = 2, V2 = 4, AnyV = 7;
enum Entries { Any, New, Old };

// One scan of the bytes at 0x1000, followed by an undefined opcode so that
// nothing after the form can extend it.
struct Scanned {
    std::vector<Message> messages;
    std::vector<std::uint8_t> image;
    const TPellunarItem* hook = nullptr;
    std::size_t hooks = 0;
    int substituted = 0;
};

class PellunarRules : public ::testing::Test {
protected:
    Scanned Scan(const std::vector<std::uint8_t>& bytes, int variant, bool newEntries) {
        symbols = std::make_unique<TSymboltabelle>();
        if (newEntries) symbols->AddSymbol(sspProgram, "READP0", 0, 0, 240, 1, 19, UnbankedAdresse(0x0800));
        comp = std::make_unique<RecordingComp>();
        comp->SetTables(symbols.get(), nullptr);
        comp->SetProcessorVariant(static_cast<std::uint8_t>(variant));
        std::vector<std::uint8_t> block = bytes;
        block.push_back(0xA5);
        comp->ScanCode(UnbankedAdresse(0x1000), block);
        Scanned s;
        s.messages = comp->messages;
        s.image = comp->ImageBytes(UnbankedAdresse(0x1000), bytes.size());
        s.hook = comp->Hooks().IndexOfAddress(UnbankedAdresse(0x1000));
        s.hooks = comp->HookCount();
        s.substituted = comp->SubstitutedCount();
        return s;
    }
    std::unique_ptr<TSymboltabelle> symbols;
    std::unique_ptr<RecordingComp> comp;
};

struct Accepted {
    const char* bytes;
    std::uint8_t variants;
    Entries entries;
    std::uint16_t cls;  // P0 class; the P2 form has cls + 0x80
    const char* text;
    const char* textP2;  // null: the P0 text with P2
    const char* image;
    bool substituted;
    bool portForm = true;  // false: a call whose bytes name the port
};

const Accepted AcceptedForms[] = {
    // Calls into the hook entry area.
    {"12 FF A3", V0, New, 0x03, "NOP; CLR P0.3", nullptr, "00 44 00", true, false},
    {"12 FF AB", V0, New, 0x0B, "NOP; SETB P0.3", nullptr, "00 44 00", true, false},
    {"12 FF B3", V0, New, 0x1B, "NOP; MOV C,P0.3", nullptr, "00 D2 D7", true, false},
    {"12 FF B8", V0, New, 0x60, "MOV P0,R7; MOV A,R7", nullptr, "E5 07 83", true, false},
    {"12 FF B9", V0, New, 0x61, "MOV 07,P0", nullptr, "75 07 00", true, false},
    {"12 FF C3", V0, New, 0x83, "NOP; CLR P2.3", nullptr, "00 44 00", true, false},
    {"12 FF CB", V0, New, 0x8B, "NOP; SETB P2.3", nullptr, "00 44 00", true, false},
    {"12 FF D3", V0, New, 0x9B, "NOP; MOV C,P2.3", nullptr, "00 D2 D7", true, false},
    {"12 FF D8", V0, New, 0xE0, "MOV P2,R7; MOV A,R7", nullptr, "E5 07 83", true, false},
    {"12 FF D9", V0, New, 0xE1, "MOV 07,P2", nullptr, "75 07 00", true, false},
    {"12 FF F4", V0, Old, 0xA60, "MOV P0,R7; MOV A,R7", nullptr, "E5 0F 83", true, false},
    {"12 FF F5", V0, Old, 0xA61, "MOV 0F,P0", nullptr, "75 0F 00", true, false},
    {"12 FF F6", V0, Old, 0xAE0, "MOV P2,R7; MOV A,R7", nullptr, "E5 0F 83", true, false},
    {"12 FF F7", V0, Old, 0xAE1, "MOV 0F,P2", nullptr, "75 0F 00", true, false},
    {"12 FF F8", V0, Old, 0x60, "MOV P0,R7; MOV A,R7", nullptr, "E5 07 83", true, false},
    {"12 FF F9", V0, Old, 0x61, "MOV 07,P0", nullptr, "75 07 00", true, false},
    {"12 FF FA", V0, Old, 0xE0, "MOV P2,R7; MOV A,R7", nullptr, "E5 07 83", true, false},
    {"12 FF FB", V0, Old, 0xE1, "MOV 07,P2", nullptr, "75 07 00", true, false},
    {"12 FF F8 00", V1, Any, 0x560, "SJMP $+2; MOV P0,R7", nullptr, "00 CF 83 CF", true, false},
    {"12 FF FA 00", V1, Any, 0x5E0, "SJMP $+0; MOV P2,R7", nullptr, "00 CF 83 CF", true, false},
    {"12 FF F8 00", V2, Any, 0x760, "MOV P0,R7; SJMP $+1", nullptr, "CF 83 CF FF", true, false},
    {"12 FF FA 00", V2, Any, 0x7E0, "MOV P2,R7; SJMP $-1", nullptr, "CF 83 CF FF", true, false},
    {"12 FF F9", V1 | V2, Any, 0x61, "MOV 07,P0", nullptr, "75 07 00", true, false},
    {"12 FF FB", V1 | V2, Any, 0xE1, "MOV 07,P2", nullptr, "75 07 00", true, false},
    // Bit instructions.
    {"C2 X", AnyV, Any, 0x103, "CLR P0.3", nullptr, "44 00", false},
    {"D2 X", AnyV, Any, 0x10B, "SETB P0.3", nullptr, "44 00", false},
    {"B2 X", AnyV, Any, 0x113, "CPL P0.3", nullptr, "44 00", false},
    {"A2 X", AnyV, Any, 0x11B, "MOV C,P0.3", nullptr, "D2 D7", false},
    {"20 X 10", AnyV, Any, 0x123, "JB P0.3,rel", nullptr, "02 10 13", false},
    {"30 X F0", AnyV, Any, 0x12B, "JNB P0.3,rel", nullptr, "02 0F F3", false},
    {"10 X 00", AnyV, Any, 0x223, "JBC P0.3,rel", nullptr, "02 10 03", false},
    {"82 X", AnyV, Any, 0x133, "ANL C,P0.3", nullptr, "C3 00", false},
    {"B0 X", AnyV, Any, 0x13B, "ANL C,/P0.3", nullptr, "C3 00", false},
    {"A0 X", AnyV, Any, 0x233, "ORL C,/P0.3", nullptr, "D3 00", false},
    {"72 X", AnyV, Any, 0x23B, "ORL C,P0.3", nullptr, "D3 00", false},
    // MOV P0.x,C with its follower.
    {"92 X E4", V0, Any, 0x143, "MOV P0.3,C; CLR A", nullptr, "E5 D0 83", false},
    {"92 X 00", V0, Any, 0x243, "MOV P0.3,C; NOP", nullptr, "00 44 00", false},
    {"92 X 80 00", V1, Any, 0x343, "MOV P0.3,C; SJMP $+2", nullptr, "40 01 44 00", false},
    {"92 X 00 00", V1, Any, 0x543, "MOV P0.3,C; SJMP $+2", nullptr, "40 01 44 00", true},
    {"92 X 80 00 00", V2, Any, 0x443, "MOV P0.3,C; SJMP $+2; NOP", nullptr, "40 01 80 01 00", false},
    {"92 X 00 00 00", V2, Any, 0x643, "MOV P0.3,C; SJMP $+2; NOP", nullptr, "40 01 80 01 00", true},
    // Byte writes in sequences.
    {"8F P EF", V0, Any, 0x160, "MOV P0,R7; MOV A,R7", nullptr, "E5 07 83", false},
    {"FF 8F P", V0, Any, 0x260, "MOV R7,A; MOV P0,R7", nullptr, "83 F5 07", false},
    {"80 00 8F P", V1, Any, 0x360, "SJMP $+2; MOV P0,R7", "SJMP $+0; MOV P2,R7", "00 CF 83 CF", false},
    {"80 00 F5 P", V1, Any, 0x460, "SJMP $+0; MOV P0,A", nullptr, "00 83 54 FF", false},
    {"8F P 80 FF", V2, Any, 0x660, "MOV P0,R7; SJMP $+1", "MOV P2,R7; SJMP $-1", "CF 83 CF FF", false},
    {"80 00 F5 P", V2, Any, 0x860, "SJMP $+0; MOV P0,A", nullptr, "44 00 83 FF", false},
    {"85 E0 P 80 00", V2, Any, 0x960, "MOV P0,ACC; SJMP $+0", nullptr, "80 02 00 00 83", false},
    // Reads.
    {"85 P 30", AnyV, Any, 0x161, "MOV 30H,P0", nullptr, "75 30 00", false},
    {"E5 P", AnyV, Any, 0x261, "MOV A,P0", nullptr, "74 00", false},
    {"45 P", AnyV, Any, 0x361, "ORL A,P0", nullptr, "44 00", false},
    {"55 P", AnyV, Any, 0x461, "ANL A,P0", nullptr, "54 00", false},
    {"65 P", AnyV, Any, 0x561, "XRL A,P0", nullptr, "64 00", false},
    {"B5 P 20", AnyV, Any, 0x661, "CJNE A,P0,rel", nullptr, "B4 00 20", false},
    {"25 P", AnyV, Any, 0x761, "ADD A,P0", nullptr, "24 00", false},
    {"35 P", AnyV, Any, 0x861, "ADDC A,P0", nullptr, "34 00", false},
    {"95 P", AnyV, Any, 0x961, "SUBB A,P0", nullptr, "94 00", false},
    {"AB P", V1, Any, 0x1B61, "MOV R3,P0", nullptr, "7B 00", false},
    // Read-modify-write and immediate writes.
    {"43 P 0F", V0 | V2, Any, 0x162, "ORL P0,#0FH", nullptr, "80 01 0F", false},
    {"43 P 0F", V1, Any, 0x462, "ORL P0,#0FH", nullptr, "75 A0 0F", false},
    {"53 P F0", V0 | V2, Any, 0x163, "ANL P0,#F0H", nullptr, "80 01 F0", false},
    {"53 P F0", V1, Any, 0x463, "ANL P0,#F0H", nullptr, "75 A0 F0", false},
    {"63 P 01", V0 | V2, Any, 0x164, "XRL P0,#01H", nullptr, "80 01 01", false},
    {"63 P 01", V1, Any, 0x464, "XRL P0,#01H", nullptr, "75 A0 01", false},
    {"75 P 55", V0 | V2, Any, 0x165, "MOV P0,#55H", nullptr, "80 01 55", false},
    {"75 P 55", V1, Any, 0x465, "MOV P0,#55H", nullptr, "75 A0 55", false},
    {"74 12 F5 P", AnyV, Any, 0x265, "MOV A,#12H; MOV P0,A", nullptr, "74 12 74 12", false},
    {"E4 F5 P", AnyV, Any, 0x365, "CLR A  MOV P0,A", nullptr, "E4 74 00", false},
    {"7A 5A 8A P", AnyV, Any, 0xA65, "MOV R2,#5A; MOV P0,R2", nullptr, "7A 5A 7A 5A", false},
    {"05 P", AnyV, Any, 0x166, "INC P0", nullptr, "44 00", false},
    {"15 P", AnyV, Any, 0x167, "DEC P0", nullptr, "44 00", false},
    {"D5 P FE", AnyV, Any, 0x168, "DJNZ P0,rel", nullptr, "02 10 01", false},
};

std::vector<std::uint8_t> Hex(const std::string& notation) { return Code(notation, false); }

// Whether some row accepts these bytes with this class in the variant and
// entry mode (the same call can be a form of several variants).
bool AcceptedAnywhere(const std::string& bytes, std::uint16_t cls, int variant, bool newEntries) {
    for (const Accepted& f : AcceptedForms)
        if (f.bytes == bytes && f.cls == cls && (f.variants & (1 << variant)) &&
            (f.entries == Any || (f.entries == New) == newEntries))
            return true;
    return false;
}

TEST_F(PellunarRules, EveryAcceptedFormInEveryVariant) {
    for (const Accepted& f : AcceptedForms) {
        for (bool p2 : {false, true}) {
            if (p2 && !f.portForm) continue;
            const auto bytes = Code(f.bytes, p2);
            const auto cls = static_cast<std::uint16_t>(f.cls + (p2 ? 0x80 : 0));
            const std::string text = !p2 ? f.text : f.textP2 ? f.textP2 : WithP2(f.text);
            for (int variant = 0; variant < 3; ++variant) {
                for (bool newEntries : {false, true}) {
                    SCOPED_TRACE(::testing::Message() << f.bytes << (p2 ? " P2" : " P0") << " V" << variant
                                                      << (newEntries ? " new" : " old") << " entries");
                    const bool modeFits = f.entries == Any || (f.entries == New) == newEntries;
                    const Scanned s = Scan(bytes, variant, newEntries);
                    if (!(f.variants & (1 << variant)) || !modeFits) {
                        if (AcceptedAnywhere(f.bytes, f.cls, variant, newEntries)) continue;
                        EXPECT_TRUE(s.hook == nullptr || s.hook->classCode != cls);
                        continue;
                    }
                    ASSERT_NE(s.hook, nullptr);
                    EXPECT_EQ(s.hook->classCode, cls);
                    EXPECT_EQ(s.hooks, 1u);
                    ASSERT_EQ(s.messages.size(), 1u);
                    EXPECT_EQ(s.messages[0].level, PellunarNote);
                    EXPECT_EQ(s.messages[0].text, "Pellunar " + text);
                    EXPECT_EQ(s.messages[0].location, "1000");
                    EXPECT_EQ(s.image, Hex(f.image));
                    EXPECT_EQ(s.hook->IsSubstituted(), f.substituted);
                    EXPECT_EQ(s.substituted, f.substituted ? 1 : 0);
                    EXPECT_EQ(s.hook->scannedBytes.span().size(), bytes.size());
                    EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), s.hook->scannedBytes.begin()));
                }
            }
        }
    }
}

TEST_F(PellunarRules, EveryBitAndEveryRegister) {
    for (int n = 0; n < 8; ++n) {
        for (std::uint8_t port : {0x80, 0xA0}) {
            const std::string pn = port == 0x80 ? "P0" : "P2";
            const auto bit = static_cast<std::uint8_t>(port + n);
            Scanned s = Scan({0xD2, bit}, Variant8051, false);
            ASSERT_NE(s.hook, nullptr);
            EXPECT_EQ(s.hook->classCode, 0x108 + n + (port == 0xA0 ? 0x80 : 0));
            EXPECT_EQ(s.messages.at(0).text, "Pellunar SETB " + pn + "." + std::to_string(n));

            const auto r = static_cast<std::uint8_t>(n);
            s = Scan({static_cast<std::uint8_t>(0x78 + r), 0x33, static_cast<std::uint8_t>(0x88 + r), port},
                     VariantTIMSC, false);
            ASSERT_NE(s.hook, nullptr);
            EXPECT_EQ(s.hook->classCode, 0x865 + n * 0x100 + (port == 0xA0 ? 0x80 : 0));
            EXPECT_EQ(s.messages.at(0).text, "Pellunar MOV R" + std::to_string(n) + ",#33; MOV " + pn + ",R" +
                                                 std::to_string(n));

            s = Scan({static_cast<std::uint8_t>(0xA8 + r), port}, VariantW77X, false);
            ASSERT_NE(s.hook, nullptr);
            EXPECT_EQ(s.hook->classCode, 0x1861 + n * 0x100 + (port == 0xA0 ? 0x80 : 0));
            EXPECT_EQ(s.image, (std::vector<std::uint8_t>{static_cast<std::uint8_t>(0x78 + r), 0x00}));
        }
        // Different registers in the two instructions are no form.
        const Scanned s = Scan({0x78, 0x33, 0x89, 0x80}, Variant8051, false);
        EXPECT_EQ(s.hook, nullptr);
    }
}

struct Refused {
    const char* bytes;
    std::uint8_t variants;
    Entries entries;
    const char* text;  // P0 text; the P2 form has P2 throughout
    bool portForm = true;
};

const Refused RefusedForms[] = {
    {"42 P", AnyV, Any, "Can't emulate Pellunar ORL P0,A: replace with: WriteP0()"},
    {"52 P", AnyV, Any, "Can't emulate Pellunar ANL P0,A: replace with: WriteP0()"},
    {"62 P", AnyV, Any, "Can't emulate Pellunar XRL P0,A: replace with: WriteP0()"},
    {"86 P", AnyV, Any, "Can't emulate Pellunar MOV P0,@R0: replace with: WriteP0()"},
    {"87 P", AnyV, Any, "Can't emulate Pellunar MOV P0,@R1: replace with: WriteP0()"},
    {"88 P", AnyV, Any, "Can't emulate Pellunar MOV P0,R0: replace with: WriteP0()"},
    {"8B P", AnyV, Any, "Can't emulate Pellunar MOV P0,R3: replace with: WriteP0()"},
    {"8F P", AnyV, Any, "Can't emulate Pellunar MOV P0,R7: replace with: WriteP0()"},
    {"F5 P", AnyV, Any, "Can't emulate Pellunar MOV P0,A: replace with: WriteP0()"},
    {"D0 P", AnyV, Any, "Can't emulate Pellunar POP P0: replace with: WriteP0()"},
    {"C5 P", AnyV, Any, "Can't emulate Pellunar XCH A,P0: replace with: WriteP0()"},
    {"85 12 P", AnyV, Any, "Can't emulate Pellunar MOV P0,12H: replace with: WriteP0()"},
    {"A6 P", AnyV, Any, "Can't emulate Pellunar MOV @R0,P0: replace with: ReadP0()"},
    {"A7 P", AnyV, Any, "Can't emulate Pellunar MOV @R1,P0: replace with: ReadP0()"},
    {"AB P", V0 | V2, Any, "Can't emulate Pellunar MOV R3,P0: replace with: ReadP0()"},
    {"C0 P", AnyV, Any, "Can't emulate Pellunar PUSH P0: replace with: ReadP0()"},
    {"92 X", AnyV, Any, "Can't emulate Pellunar MOV P0.3,C: insert _nop_ after Pellunar"},
    {"92 X 80 00", V0, Any, "Can't emulate Pellunar MOV P0.3,C: insert _nop_ after Pellunar"},
    {"92 X E4", V1 | V2, Any, "Can't emulate Pellunar MOV P0.3,C: insert _nop_ after Pellunar"},
    // A source of 0x80 in a write to P0, and a write of P0 to P2.
    {"85 80 80", AnyV, Any, "Can't emulate Pellunar MOV P0,80H: replace with: WriteP0()", false},
    {"85 A0 A0", AnyV, Any, "Can't emulate Pellunar MOV P2,A0H: replace with: WriteP2()", false},
    {"85 80 A0", AnyV, Any, "Can't emulate Pellunar MOV P2,80H: replace with: WriteP2()", false},
    // Calls the variant's board has no routine for, with the port they name.
    {"12 FF F8", V1 | V2, Any, "Can't emulate Pellunar WriteP0: insert _nop_ after Pellunar", false},
    {"12 FF FA", V1 | V2, Any, "Can't emulate Pellunar WriteP2: insert _nop_ after Pellunar", false},
    {"12 FF A3", V1 | V2, Any, "Can't emulate Pellunar WriteP0: insert _nop_ after Pellunar", false},
    {"12 FF B9", V1 | V2, New, "Can't emulate Pellunar WriteP0: insert _nop_ after Pellunar", false},
    {"12 FF C3", V1 | V2, Any, "Can't emulate Pellunar WriteP2: insert _nop_ after Pellunar", false},
    {"12 FF D9", V1 | V2, Any, "Can't emulate Pellunar WriteP2: insert _nop_ after Pellunar", false},
    // Jumps into the routine entries.
    {"02 FF A3", AnyV, New, "Can't emulate Pellunar Function Call: insert _nop_ after Pellunar", false},
    {"02 FF D9", AnyV, New, "Can't emulate Pellunar Function Call: insert _nop_ after Pellunar", false},
    {"02 FF F9", AnyV, Old, "Can't emulate Pellunar Function Call: insert _nop_ after Pellunar", false},
};

TEST_F(PellunarRules, EveryRefusedFormGivesItsErrorAndNoHook) {
    for (const Refused& f : RefusedForms) {
        for (bool p2 : {false, true}) {
            if (p2 && !f.portForm) continue;
            const auto bytes = Code(f.bytes, p2);
            const std::string text = p2 ? WithP2(f.text) : f.text;
            for (int variant = 0; variant < 3; ++variant) {
                for (bool newEntries : {false, true}) {
                    const bool modeFits = f.entries == Any || (f.entries == New) == newEntries;
                    if (!(f.variants & (1 << variant)) || !modeFits) continue;
                    SCOPED_TRACE(::testing::Message() << f.bytes << (p2 ? " P2" : " P0") << " V" << variant
                                                      << (newEntries ? " new" : " old") << " entries");
                    const Scanned s = Scan(bytes, variant, newEntries);
                    EXPECT_EQ(s.hooks, 0u);
                    ASSERT_EQ(s.messages.size(), 1u);
                    EXPECT_EQ(s.messages[0].level, PellunarError);
                    EXPECT_EQ(s.messages[0].text, text);
                    EXPECT_EQ(s.messages[0].location, "1000");
                    EXPECT_EQ(s.image, bytes) << "the program's bytes stay";
                }
            }
        }
    }
}

TEST_F(PellunarRules, CallsOfTheOtherEntriesAndJumpsElsewhereAreOrdinaryCode) {
    // The standard board's old entries are ordinary code for a program with
    // the new ones, and the other way round.
    for (const char* notation : {"12 FF F8", "12 FF F5"}) EXPECT_TRUE(Scan(Hex(notation), Variant8051, true).messages.empty());
    for (const char* notation : {"12 FF A3", "12 FF D9"}) EXPECT_TRUE(Scan(Hex(notation), Variant8051, false).messages.empty());
    EXPECT_TRUE(Scan(Hex("02 FF F9"), Variant8051, true).messages.empty());
    EXPECT_TRUE(Scan(Hex("02 FF A3"), Variant8051, false).messages.empty());
    EXPECT_TRUE(Scan(Hex("12 FF BA"), VariantW77X, true).messages.empty());
    EXPECT_TRUE(Scan(Hex("E5 81 C2 90 85 81 82"), Variant8051, false).messages.empty());
}

}  // namespace
}  // namespace tarvex
