// The register string's corrections for the derivatives whose monitors keep
// registers of their own: the AT89S8252 (family 13) and the ADuC (16).
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "sim/standin_root.hpp"
#include "tests/emulator/run_rig.hpp"

namespace tarvex::test {
namespace {

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A board of the firmware version whose root is a stand-in installation:
// the images every derivative's family chooses are there.
struct InstalledRig : RunRig {
    explicit InstalledRig(const char* version) : RunRig(boardOf(version)) {
        sim::MakeStandinRoot(root.path(), sourceDir() / "data");
    }
};

// After a step from main (0x0100, MOV SP,#60H) to 0x0103, with the monitor's
// mark at 0x7004 set to the new PC's low byte plus 4: P0's bit 7 is set in
// the string, P0, IE and TCON go back to the monitor, and the second data
// pointer (firmware 15 and up: written to the monitor's cells; below:
// read from the target) or DPCON/PLLCON follow.
TEST(RegisterString, AtmelAndAducCorrections) {
    struct Case {
        const char* version;  // firmware code 19 or 14
        const char* derivative;
        int family;
        const char* logLine;
    };
    const Case cases[] = {
        {"5.1 ", "AT89S8252", 13, "Atmel 89S8252: RegisterString korrigieren"},
        {"4.1 ", "AT89S8252", 13, "Atmel 89S8252: RegisterString korrigieren"},
        {"5.1 ", "ADuC812", 16, "ADUC: RegisterString korrigieren"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + std::string(c.derivative));
        InstalledRig rig(c.version);
        rig.emu->SetProtFileName(rig.root.file("prot.txt"));
        rig.emu->SetProtokollieren(true);
        rig.startWithProgram();
        rig.sfr->SetTargetName(c.derivative);
        rig.sfr->SetOptionNummer(c.family);
        rig.emu->SetProzessorTyp(static_cast<std::uint8_t>(c.family));
        ASSERT_GE(rig.debug.ResetSlave(), 0);
        rig.emu->WriteSfr(0x80, 0x12);
        rig.emu->WriteSfr(0xA8, 0x05);
        rig.emu->WriteSfr(0x88, 0x50);
        const std::uint8_t extras[2] = {0x34, 0x56};
        const std::uint8_t extraSfrs[2][2] = {{0x84, 0x85}, {0xA7, 0xD7}};
        const auto* extra = extraSfrs[c.family == 13 ? 0 : 1];
        for (int i = 0; i < 2; ++i) rig.emu->WriteSfr(extra[i], extras[i]);
        rig.emu->WriteN(0x7004, 0x03 + 4);
        rig.debug.SetPC(UnbankedAdresse(RunRig::Main));
        rig.fresh();
        rig.debug.SingleStep();
        ASSERT_EQ(rig.debug.PC().offset, 0x0103);

        const std::string& r = rig.debug.RegisterString();
        const auto byteOf = [&](std::uint8_t sfr) {
            const int i = rig.registers.IndexOfSfr(sfr);
            return i < 0 ? -1 : static_cast<std::uint8_t>(r[static_cast<std::size_t>(i)]);
        };
        EXPECT_EQ(byteOf(0x80), 0x92);
        EXPECT_EQ(byteOf(0xA8), 0x05);
        EXPECT_EQ(byteOf(0x88), 0x50);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(byteOf(extra[i]), extras[i]) << int(extra[i]);
        // P0 with its bit 7 is the target's now.
        rig.board.withCpu([](const sim::Cpu8051& cpu) { EXPECT_EQ(cpu.sfr(0x80), 0x92); });
        // What went back to the monitor after the step.
        const std::vector<std::string> log = rig.log();
        const auto wrote = [&](const std::string& line) { return std::find(log.begin(), log.end(), line) != log.end(); };
        EXPECT_TRUE(wrote("92")) << "P0's value after its direct write";
        if (c.family == 16) {
            EXPECT_TRUE(wrote("W N 7E F1 34"));
            EXPECT_TRUE(wrote("W N 7E EB 56"));
        } else if (rig.emu->FirmwareCode() >= 15) {
            EXPECT_TRUE(wrote("W N 7D B5 34"));
            EXPECT_TRUE(wrote("W N 7D B4 56"));
        } else {
            EXPECT_TRUE(wrote("D S 01 00 84"));
            EXPECT_TRUE(wrote("D S 01 00 85"));
        }
        EXPECT_NE(fileText(rig.root.file("prot.txt")).find(c.logLine), std::string::npos);
    }
}

// The driver and the board's monitor agree on where the stopped target's
// registers live, in every monitor mode: registers written while the target
// is stopped are the target's after a step over SJMP $ (which changes none),
// and the string of that step shows them.
TEST(RegisterString, WrittenRegistersSurviveAStepInEveryMonitorMode) {
    struct Case {
        const char* version;
        int family;
        int mode;
    };
    const Case cases[] = {{"5.1 ", 1, 0}, {"5.1 ", 10, 1}, {"5.1 ", 11, 2}, {"5.1 ", 2, 3}, {"3.0 ", 2, 1}};
    const std::pair<std::uint8_t, std::uint8_t> writes[] = {{0xE0, 0x5A}, {0xF0, 0x3C}, {0xD0, 0x10}, {0x81, 0x44},
                                                            {0x82, 0xFE}, {0x83, 0xCA}, {0xA8, 0x05}, {0x88, 0x05}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version + std::to_string(c.family));
        InstalledRig rig(c.version);
        rig.startWithProgram();
        rig.sfr->SetOptionNummer(c.family);
        rig.emu->SetProzessorTyp(static_cast<std::uint8_t>(c.family));
        ASSERT_EQ(rig.emu->MonitorMode(), c.mode);
        ASSERT_GE(rig.debug.ResetSlave(), 0);
        rig.debug.SetPC(UnbankedAdresse(RunRig::Done));
        for (const auto& [sfr, value] : writes) rig.emu->WriteSfr(sfr, value);
        rig.debug.SingleStep();
        ASSERT_EQ(rig.debug.PC().offset, RunRig::Done);
        rig.board.withCpu([&](const sim::Cpu8051& cpu) {
            for (const auto& [sfr, value] : writes) {
                // PSW's parity follows ACC (0x5A: even).
                EXPECT_EQ(cpu.sfr(sfr), value) << int(sfr);
            }
        });
        for (const auto& [sfr, value] : writes) EXPECT_EQ(rig.emu->ReadSfr(sfr), value) << int(sfr);
        rig.expectRegistersOfCpu();
    }
}

// A reset in banking mode whose reset bank is not the bank the reset left
// selects the reset bank again and rebuilds the string with it: the PC that
// the next use of the string takes keeps the reset bank, also where the
// bank is a register of the target (family 12).
TEST(RegisterString, RebuiltAfterTheResetBankIsSelectedAgain) {
    for (const int family : {0, 12}) {
        SCOPED_TRACE(family);
        RunRig rig;
        rig.startBankedInFamily(family);
        rig.banking->SetResetBankNummer(1);
        ASSERT_EQ(rig.banking->ResetBankNummer(), 1);
        ASSERT_GE(rig.debug.ResetSlave(), 0);
        EXPECT_EQ(rig.debug.PC(), BankedAdresse(1, 0x0000));
        if (family) {
            const std::string& r = rig.debug.RegisterString();
            const auto bankAt = static_cast<std::size_t>(rig.sfr->BankIndex());
            ASSERT_LT(bankAt, r.size());
            EXPECT_EQ(static_cast<std::uint8_t>(r[bankAt]), 1);
        }
        EXPECT_EQ(rig.banking->CurrentCodeBank(), 1);
    }
}

}  // namespace
}  // namespace tarvex::test
