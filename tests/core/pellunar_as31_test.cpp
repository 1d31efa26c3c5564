// The pellunar rules against a real assembler: small programs assembled by
// as31, so that the byte sequences are those a toolchain writes, scanned in
// each processor variant.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/pellunar.hpp"
#include "tests/support/pellunar_recorder.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

constexpr std::uint16_t Origin = 0x100;

using RecordingComp = test::RecordingPellunar;

// Assembles the lines at Origin, followed by a RET, and returns the bytes
// from Origin on; empty when as31 failed.
std::vector<std::uint8_t> Assemble(const test::TempDir& dir, const std::string& body) {
    const std::string asmFile = dir.file("form.asm"), binFile = dir.file("form.bin");
    {
        std::ofstream out(asmFile);
        out << "\t.org " << Origin << "\n";
        std::size_t from = 0;
        while (from <= body.size()) {
            const std::size_t end = std::min(body.find(';', from), body.size());
            const std::string line = body.substr(from, end - from);
            out << (line.find(':') != std::string::npos ? "" : "\t") << line << "\n";
            from = end + 1;
        }
        out << "\tret\n";
    }
    const std::string command = "as31 -Fbin -O" + binFile + " " + asmFile + " > " + dir.file("as31.log") + " 2>&1";
    if (std::system(command.c_str()) != 0) return {};
    const std::vector<std::uint8_t> image = test::readBytes(binFile);
    if (image.size() <= Origin) return {};
    return {image.begin() + Origin, image.end()};
}

// as31 answers no version query with success; assembling a NOP tells.
bool HaveAs31(const test::TempDir& dir) { return !Assemble(dir, "nop").empty(); }

// The forms go through as31 where it is installed.
class PellunarAs31 : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveAs31(dir)) GTEST_SKIP() << "as31 is not installed";
    }
    // The lines assembled and scanned at Origin in the processor variant,
    // `code` what as31 wrote; none where it failed.
    std::unique_ptr<RecordingComp> AssembleAndScan(const char* source, int variant, std::vector<std::uint8_t>& code) {
        code = Assemble(dir, source);
        if (code.empty()) return nullptr;
        auto comp = std::make_unique<RecordingComp>();
        comp->SetProcessorVariant(static_cast<std::uint8_t>(variant));
        comp->ScanCode(UnbankedAdresse(Origin), code);
        return comp;
    }
    std::unique_ptr<RecordingComp> AssembleAndScan(const char* source, int variant) {
        std::vector<std::uint8_t> code;
        return AssembleAndScan(source, variant, code);
    }

    test::TempDir dir;
};

struct Form {
    int variant;
    const char* source;  // assembler lines separated by ';'
    std::uint16_t cls;
    const char* note;
};

const Form Forms[] = {
    {0, "clr p0.3", 0x103, "CLR P0.3"},
    {0, "setb p2.4", 0x18C, "SETB P2.4"},
    {0, "cpl p0.0", 0x110, "CPL P0.0"},
    {0, "mov c, p2.1", 0x199, "MOV C,P2.1"},
    {0, "jb p0.3, t;t: nop", 0x123, "JB P0.3,rel"},
    {0, "jnb p2.6, t;t: nop", 0x1AE, "JNB P2.6,rel"},
    {0, "jbc p0.7, t;t: nop", 0x227, "JBC P0.7,rel"},
    {0, "anl c, p0.2", 0x132, "ANL C,P0.2"},
    {0, "anl c, /p2.2", 0x1BA, "ANL C,/P2.2"},
    {0, "orl c, /p0.5", 0x235, "ORL C,/P0.5"},
    {0, "orl c, p2.5", 0x2BD, "ORL C,P2.5"},
    {0, "mov p0.1, c;clr a", 0x141, "MOV P0.1,C; CLR A"},
    {0, "mov p2.1, c;nop", 0x2C1, "MOV P2.1,C; NOP"},
    {0, "mov p0, r7;mov a, r7", 0x160, "MOV P0,R7; MOV A,R7"},
    {0, "mov r7, a;mov p2, r7", 0x2E0, "MOV R7,A; MOV P2,R7"},
    {0, "mov 0x30, p0", 0x161, "MOV 30H,P0"},
    {0, "mov a, p2", 0x2E1, "MOV A,P2"},
    {0, "orl a, p0", 0x361, "ORL A,P0"},
    {0, "anl a, p2", 0x4E1, "ANL A,P2"},
    {0, "xrl a, p0", 0x561, "XRL A,P0"},
    {0, "cjne a, p2, t;t: nop", 0x6E1, "CJNE A,P2,rel"},
    {0, "add a, p0", 0x761, "ADD A,P0"},
    {0, "addc a, p2", 0x8E1, "ADDC A,P2"},
    {0, "subb a, p0", 0x961, "SUBB A,P0"},
    {0, "orl p0, #0x0F", 0x162, "ORL P0,#0FH"},
    {0, "anl p2, #0xF0", 0x1E3, "ANL P2,#F0H"},
    {2, "xrl p0, #0x01", 0x164, "XRL P0,#01H"},
    {0, "mov p2, #0x55", 0x1E5, "MOV P2,#55H"},
    {0, "mov a, #0x12;mov p0, a", 0x265, "MOV A,#12H; MOV P0,A"},
    {0, "clr a;mov p2, a", 0x3E5, "CLR A  MOV P2,A"},
    {0, "mov r2, #0x5A;mov p2, r2", 0xAE5, "MOV R2,#5A; MOV P2,R2"},
    {0, "inc p0", 0x166, "INC P0"},
    {0, "dec p2", 0x1E7, "DEC P2"},
    {0, "djnz p0, t;t: nop", 0x168, "DJNZ P0,rel"},
    {0, "lcall 0xFFF9", 0x61, "MOV 07,P0"},
    {0, "lcall 0xFFFA", 0xE0, "MOV P2,R7; MOV A,R7"},
    {0, "lcall 0xFFF5", 0xA61, "MOV 0F,P0"},
    {1, "mov p0.2, c;sjmp t;t: nop", 0x342, "MOV P0.2,C; SJMP $+2"},
    {1, "mov p2.2, c;nop;nop", 0x5C2, "MOV P2.2,C; SJMP $+2"},
    {1, "sjmp t;t: mov p0, r7", 0x360, "SJMP $+2; MOV P0,R7"},
    {1, "sjmp t;t: mov p2, a", 0x4E0, "SJMP $+0; MOV P2,A"},
    {1, "mov r3, p0", 0x1B61, "MOV R3,P0"},
    {1, "orl p2, #0x01", 0x4E2, "ORL P2,#01H"},
    {1, "lcall 0xFFF8;nop", 0x560, "SJMP $+2; MOV P0,R7"},
    {2, "mov p0.4, c;sjmp t;t: nop", 0x444, "MOV P0.4,C; SJMP $+2; NOP"},
    {2, "mov p2.4, c;nop;nop;nop", 0x6C4, "MOV P2.4,C; SJMP $+2; NOP"},
    {2, "mov p0, r7;.db 0x80, 0xFF", 0x660, "MOV P0,R7; SJMP $+1"},
    {2, "sjmp t;t: mov p2, a", 0x8E0, "SJMP $+0; MOV P2,A"},
    {2, "mov p0, 0xE0;sjmp t;t: nop", 0x960, "MOV P0,ACC; SJMP $+0"},
    {2, "lcall 0xFFFA;nop", 0x7E0, "MOV P2,R7; SJMP $-1"},
};

TEST_F(PellunarAs31, AssembledFormsBecomeHooks) {
    for (const Form& f : Forms) {
        SCOPED_TRACE(f.source);
        std::vector<std::uint8_t> code;
        const auto comp = AssembleAndScan(f.source, f.variant, code);
        ASSERT_NE(comp, nullptr);
        const TPellunarItem* hook = comp->Hooks().IndexOfAddress(UnbankedAdresse(Origin));
        ASSERT_NE(hook, nullptr);
        EXPECT_EQ(hook->classCode, f.cls);
        const PellunarBytes written(std::span<const std::uint8_t>(code).first(hook->Length()));
        EXPECT_EQ(hook->scannedBytes, written);
        // The board's substitutes stand for the direct port instruction, the
        // others for what the assembler wrote.
        if (!hook->IsSubstituted()) {
            EXPECT_EQ(hook->CodeBytes(), written);
        }
        ASSERT_FALSE(comp->messages.empty());
        EXPECT_EQ(comp->messages[0].level, PellunarNote);
        EXPECT_EQ(comp->messages[0].text, std::string("Pellunar ") + f.note);
    }
}

struct Refused {
    int variant;
    const char* source;
    const char* error;
};

const Refused RefusedForms[] = {
    {0, "mov p0, a", "Can't emulate Pellunar MOV P0,A: replace with: WriteP0()"},
    {0, "xch a, p2", "Can't emulate Pellunar XCH A,P2: replace with: WriteP2()"},
    {1, "push p0", "Can't emulate Pellunar PUSH P0: replace with: ReadP0()"},
    {2, "pop p2", "Can't emulate Pellunar POP P2: replace with: WriteP2()"},
    {0, "mov @r1, p2", "Can't emulate Pellunar MOV @R1,P2: replace with: ReadP2()"},
    {0, "mov p0, @r0", "Can't emulate Pellunar MOV P0,@R0: replace with: WriteP0()"},
    {0, "mov p2, p0", "Can't emulate Pellunar MOV P2,80H: replace with: WriteP2()"},
    {0, "mov p0, 0x30", "Can't emulate Pellunar MOV P0,30H: replace with: WriteP0()"},
    {2, "mov r5, p2", "Can't emulate Pellunar MOV R5,P2: replace with: ReadP2()"},
    {0, "mov p0, r4", "Can't emulate Pellunar MOV P0,R4: replace with: WriteP0()"},
    {0, "orl p2, a", "Can't emulate Pellunar ORL P2,A: replace with: WriteP2()"},
    {0, "mov p0.1, c", "Can't emulate Pellunar MOV P0.1,C: insert _nop_ after Pellunar"},
    {1, "mov p2.1, c;nop", "Can't emulate Pellunar MOV P2.1,C: insert _nop_ after Pellunar"},
    {1, "lcall 0xFFF8", "Can't emulate Pellunar WriteP0: insert _nop_ after Pellunar"},
    {2, "lcall 0xFFFA", "Can't emulate Pellunar WriteP2: insert _nop_ after Pellunar"},
    {0, "ljmp 0xFFF8", "Can't emulate Pellunar Function Call: insert _nop_ after Pellunar"},
};

TEST_F(PellunarAs31, AssembledFormsTheBoardCannotCarryOut) {
    for (const Refused& f : RefusedForms) {
        SCOPED_TRACE(f.source);
        const auto comp = AssembleAndScan(f.source, f.variant);
        ASSERT_NE(comp, nullptr);
        EXPECT_EQ(comp->HookCount(), 0u);
        ASSERT_EQ(comp->messages.size(), 1u);
        EXPECT_EQ(comp->messages[0].level, PellunarError);
        EXPECT_EQ(comp->messages[0].text, f.error);
    }
}

}  // namespace
}  // namespace tarvex
