#include "emulator/monitor_data.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <set>

#include "core/errors.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/target_options.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string shippedText(const char* name) {
    const auto bytes = test::readBytes((test::sourceDir() / "data" / name).string());
    return {bytes.begin(), bytes.end()};
}

TEST(ShippedMonitorData, AccessCodesKeepTheSimulatorsRule) {
    const TMonitorData data = ParseMonitorData(shippedText(MonitorDataFileName));
    const std::uint8_t fixed[4][4] = {
        {0x65, 0x65, 0x65, 0x65}, {0x59, 0x59, 0x59, 0x59}, {0x25, 0x26, 0x1B, 0x20}, {0x1F, 0x22, 0x17, 0x16}};
    const std::set<int> driverCodes = {0x0C, 0x4F, 0x50, 0x64, 0x69, 0x6E, 0x73, 0x7A, 0x80,
                                       0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFF};
    std::map<int, int> sfrOfCode;
    for (int v = 0; v < AccessCodeVariants; ++v) {
        for (int a = 0x80; a <= 0xFF; ++a) {
            const int code = data.AccessCodes(v)[static_cast<std::size_t>(a - 0x80)];
            if (a <= 0x83) EXPECT_EQ(code, fixed[a - 0x80][v]) << a;
            else EXPECT_EQ(code, data.AccessCodes(0)[static_cast<std::size_t>(a - 0x80)]) << a;
            EXPECT_FALSE(driverCodes.contains(code)) << a;
            const auto [it, added] = sfrOfCode.emplace(code, a);
            EXPECT_EQ(it->second, a) << "code " << code << " serves two SFRs";
        }
    }
    const auto aduc = data.PatchLines("ADUC Patch DPCON,PLLCON", 12);
    ASSERT_EQ(aduc.size(), 2u);
    EXPECT_EQ(aduc[0].address, 0x7EE9);
    EXPECT_EQ(aduc[0].bytes, std::string("\x75\xD7\x00\x90", 4));
    EXPECT_EQ(aduc[1].address, 0x7EEF);
    EXPECT_EQ(aduc[1].bytes, std::string("\x75\xA7\x00", 3));
    EXPECT_EQ(data.PatchLines("Atmel Patch DPTR1", 15).size(), 4u);
    EXPECT_EQ(data.PatchLines("Atmel Patch DPTR1", 15).back().bytes, "\x02\x0D\xB0");
    EXPECT_EQ(data.PatchLines("Atmel Patch DPTR1", 14).size(), 4u);
    EXPECT_EQ(data.SaveCell(3, 0xE0), data.SaveCell(0, 0xE0));
}

TEST(ShippedMonitorData, SaveCellsLieInNoPatchOfTheirMode) {
    const TMonitorData data = ParseMonitorData(shippedText(MonitorDataFileName));
    // The patches that never meet a monitor mode: the Dallas rows of
    // banking mode 2 only there, the ADuC (family 16) and LPC (9) only in
    // mode 0, the Atmel (13) in 0 and 3, the TI MSC (17) never in 2.
    const std::map<int, std::set<std::string>> absent = {
        {0, {"Dallas Patch 7EF7", "Dallas Patch LJMP -> AJMP", "Dallas Patch LCALL -> ACALL"}},
        {1, {"Dallas Patch 7EF7", "Dallas Patch LJMP -> AJMP", "Dallas Patch LCALL -> ACALL",
             "ADUC Patch DPCON,PLLCON", "Atmel Patch DPTR1", "LPC Patch Monitor"}},
        {2, {"ADUC Patch DPCON,PLLCON", "Atmel Patch DPTR1", "LPC Patch Monitor", "MSC12xx Patch 7EEA..7EF9"}},
        {3, {"Dallas Patch 7EF7", "Dallas Patch LJMP -> AJMP", "Dallas Patch LCALL -> ACALL",
             "ADUC Patch DPCON,PLLCON", "LPC Patch Monitor"}},
    };
    for (int mode = 0; mode < MonitorModes; ++mode) {
        std::vector<std::uint16_t> cells;
        for (int sfr = 0x80; sfr <= 0xFF; ++sfr)
            if (const auto cell = data.SaveCell(mode, static_cast<std::uint8_t>(sfr))) cells.push_back(*cell);
        ASSERT_TRUE(data.BankCell(mode).has_value());
        cells.push_back(*data.BankCell(mode));
        ASSERT_GE(cells.size(), 11u);
        for (const std::string& name : data.PatchNames()) {
            // The banking's return-address patch rewrites the paged
            // monitor's return area on purpose.
            if (absent.at(mode).contains(name) || name == "Banking.DallasPatchRuecksprungAdresse") continue;
            for (const TMonitorPatchLine& line : *data.Patch(name))
                for (std::uint16_t cell : cells)
                    EXPECT_FALSE(cell >= line.address && cell < line.address + line.bytes.size())
                        << "mode " << mode << " cell " << cell << " in " << name;
        }
    }
}

TEST(ShippedSfrDefinitions, EveryDerivativeLoads) {
    const std::string file = shippedText(SfrDefinitionFileName);
    test::FakeSfrEmulator emulator;
    StandaloneTargetOptions options("", "");
    TRegisterTabelle registers;
    TSfrConfig config(registers, emulator, options);
    const std::map<std::string, int> families = {
        {"80C51", 1},  {"80C320", 2},     {"80C390_standard", 2}, {"DS80C390", 10}, {"DS80C400", 15},
        {"W77E58", 12}, {"AT89S8252", 13}, {"ADuC812", 16},        {"MSC1210", 17},  {"P89LPC932", 9}};
    for (const auto& [name, family] : families) {
        SCOPED_TRACE(name);
        config.LoadDerivativeText(file, name);
        EXPECT_TRUE(SfrDefinitionGroupContains(file, name, "ACC"));
        EXPECT_GT(registers.SfrCount(), 20);
        EXPECT_NE(registers.FindByName(4, "R7"), nullptr);
        EXPECT_NE(file.find("CPU=" + name + ",OPTION=" + std::to_string(family) + ","), std::string::npos);
    }
    config.LoadDerivativeText(file, "DS80C390");
    EXPECT_EQ(config.CanAdrAddress(), 0xDA);
    EXPECT_EQ(config.CanDatAddress(), 0xDB);
    config.LoadDerivativeText(file, "ADuC812");
    EXPECT_EQ(config.CanAdrAddress(), 0xFFFF);
    EXPECT_NE(registers.FindByAddress(0xA7), nullptr);
    EXPECT_NE(registers.FindByAddress(0xD7), nullptr);
}

TEST(MonitorDataFile, SyntaxAndPlaces) {
    std::string complete;
    for (int v = 0; v < 4; ++v) {
        complete += "[AccessCodes " + std::to_string(v) + "]\n";
        for (int row = 0x80; row <= 0xF0; row += 0x10) {
            char key[4];
            std::snprintf(key, sizeof key, "%02X", row);
            complete += std::string(key) + ": 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F " + std::to_string(v) + "\n";
        }
    }
    complete += "[SaveArea 0]\nE0: 7EF7\nBANK: 7EE8 ; bank\n[SaveArea 1]\nE0: 76E8\n[SaveArea 2]\n";
    complete += "[Patch P]\nfw 0D-0E 1000: AA BB\n2000: CC\n";
    const TMonitorData data = ParseMonitorData(complete);
    EXPECT_EQ(data.AccessCodes(3)[0x7F], 3);
    EXPECT_EQ(data.SaveCell(3, 0xE0), 0x7EF7);   // missing: as mode 0
    EXPECT_FALSE(data.SaveCell(2, 0xE0));        // present and empty
    EXPECT_EQ(data.BankCell(0), 0x7EE8);
    EXPECT_EQ(data.PatchLines("P", 0x0C).size(), 1u);
    EXPECT_EQ(data.PatchLines("P", 0x0E).size(), 2u);
    EXPECT_EQ(data.Patch("Q"), nullptr);

    const struct {
        std::string edit, from, to, message;
    } broken[] = {
        {"missing variant", "[AccessCodes 3]", "[AccessCodes 2]", "Syntax error in [AccessCodes 2]"},
        {"missing row", "F0: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 3\n", "",
         "Syntax error in [AccessCodes 3] F0"},
        {"short row", "0F 3\n", "\n", "Syntax error in F0: 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E"},
        {"byte", "7EE8 ; bank", "7EE8 100", "Syntax error in BANK: 7EE8 100"},
        {"cell", "E0: 76E8", "E0: 10000", "Syntax error in E0: 10000"},
        {"sfr below 80", "E0: 76E8", "7F: 76E8", "Syntax error in 7F: 76E8"},
        {"twice", "E0: 76E8", "E0: 76E8\nE0: 76E9", "Syntax error in E0: 76E9"},
        {"no mode 1", "[SaveArea 1]", "[SaveArea 3]", "Syntax error in [SaveArea 1]"},
        {"mode 4", "[SaveArea 2]", "[SaveArea 4]", "Syntax error in [SaveArea 4]"},
        {"range", "fw 0D-0E", "fw 0E-0D", "Syntax error in fw 0E-0D 1000: AA BB"},
        {"past FFFF", "2000: CC", "FFFF: CC DD", "Syntax error in FFFF: CC DD"},
        {"no bytes", "2000: CC", "2000:", "Syntax error in 2000:"},
        {"section", "[Patch P]", "[Patches P]", "Syntax error in [Patches P]"},
        {"same patch", "2000: CC", "2000: CC\n[Patch P]", "Syntax error in [Patch P]"},
    };
    for (const auto& b : broken) {
        std::string edited = complete;
        const std::size_t at = edited.rfind(b.from);
        ASSERT_NE(at, std::string::npos) << b.edit;
        edited.replace(at, b.from.size(), b.to);
        try {
            ParseMonitorData(edited);
            ADD_FAILURE() << b.edit;
        } catch (const EVokWinFileError& e) {
            EXPECT_EQ(std::string(e.what()), b.message) << b.edit;
        }
    }
    EXPECT_THROW(ParseMonitorData("stray\n" + complete), EVokWinFileError);
    std::string tooLong = complete + "3000:";
    for (int i = 0; i < 251; ++i) tooLong += " 00";
    EXPECT_THROW(ParseMonitorData(tooLong), EVokWinFileError);

    test::TempDir root, registryRoot;
    try {
        LoadMonitorData(root.path().string(), registryRoot.path().string());
        ADD_FAILURE();
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(std::string(e.what()), "Can't open file " + root.file(MonitorDataFileName));
    }
    test::writeBytes(registryRoot.file(MonitorDataFileName), {complete.begin(), complete.end()});
    EXPECT_EQ(LoadMonitorData(root.path().string(), registryRoot.path().string()).BankCell(1), std::nullopt);
}

}  // namespace
}  // namespace tarvex
