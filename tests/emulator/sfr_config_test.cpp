#include "emulator/sfr_config.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "core/errors.hpp"
#include "emulator/master_block.hpp"
#include "emulator/monitor_data.hpp"
#include "emulator/target_options.hpp"
#include "platform/files.hpp"
#include "platform/process.hpp"
#include "platform/settings.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

const TMonitorData& shippedMonitor() {
    static const TMonitorData data =
        ParseMonitorData(text(test::readBytes((test::sourceDir() / "data" / MonitorDataFileName).string())));
    return data;
}

// A configuration on a fake emulator at state 5 with the shipped monitor
// data, its definition file in a temporary folder.
struct Config {
    explicit Config(std::uint8_t firmware = 12) {
        emulator.firmwareCode = firmware;
        emulator.monitor = &shippedMonitor();
        emulator.targetParts = parts.parts();
        options.sfrFile = dir.file("VokRegs.txt");
    }
    void file(const std::string& content) { test::writeBytes(options.sfrFile, {content.begin(), content.end()}); }
    std::vector<std::string> traceCalls() const {
        std::vector<std::string> out;
        for (const std::string& line : parts.log)
            if (line.starts_with("TraceBoard.")) out.push_back(line);
        return out;
    }

    test::TempDir dir;
    test::RecordingTargetParts parts;
    test::FakeSfrEmulator emulator;
    StandaloneTargetOptions options{dir.path().string(), ""};
    TRegisterTabelle registers;
    TSfrConfig config{registers, emulator, options};
};

constexpr const char* kDefinitions = R"(; two derivatives
MANUFACTURER=Test
CPU=80C51X,OPTION=1
GROUP=Ports
0 P0 - - 80 0
CPU=80C51,OPTION=1,WATCHDOG=0   ; the first item alone names it
GROUP=Ports
0 P0 - - 80 0
2 P1 - - 90 0
+2 Q1 - - 91 0     ; listed in no group
GROUP=Can
0 CANADR - - $DA 0
0 candat - - 0xDB 0
1 DPTR DPL DPH 82H 83
CPU=Other
GROUP=Misc
0 XYZ - - A0 0
)";

std::string loadResult(TSfrConfig& config, std::string_view definitions, const std::string& name) {
    try {
        config.LoadDerivativeText(definitions, name);
        return "ok";
    } catch (const EVokWinError& e) {
        return e.what();
    }
}

TEST(SfrDefinition, SectionsGroupsAndRegisters) {
    Config c;
    EXPECT_EQ(loadResult(c.config, kDefinitions, "80C5"), "Register definition 80C5 not found");
    ASSERT_EQ(loadResult(c.config, kDefinitions, "80C51"), "ok");
    // Loaded twice: the second load replaces the first instead of meeting
    // its own names.
    ASSERT_EQ(loadResult(c.config, kDefinitions, "80C51"), "ok");

    const TRegister* p1 = c.registers.FindByName(2, "P1");
    ASSERT_NE(p1, nullptr);
    EXPECT_EQ(p1->lowAddr, 0x90);
    EXPECT_EQ(p1->bitMask, 0x01);
    EXPECT_EQ(c.registers.FindByName(2, "Q1")->bitMask, 0x02);
    const TRegister* dptr = c.registers.FindByName(1, "DPTR");
    ASSERT_NE(dptr, nullptr);
    EXPECT_EQ(TRegisterTabelle::ValueText(dptr), "83 82");
    // P0, CANADR, candat and the pair's DPL, DPH in file order; "Other"
    // and "80C51X" contribute nothing.
    ASSERT_EQ(c.registers.SfrCount(), 5);
    EXPECT_EQ(c.registers.SfrAddress(0), 0x80);
    EXPECT_EQ(c.registers.FindByName(0, "XYZ"), nullptr);
    EXPECT_EQ(c.config.CanAdrAddress(), 0xDA);
    EXPECT_EQ(c.config.CanDatAddress(), 0xDB);

    ASSERT_EQ(c.config.Groups().Count(), 2u);
    const TSfrGruppe* ports = c.config.Groups().Find("Ports");
    ASSERT_NE(ports, nullptr);
    ASSERT_EQ(ports->count, 2);
    EXPECT_EQ(ports->registers[1], p1);
    EXPECT_EQ(c.config.Groups().Find("Can")->count, 3);
}

TEST(SfrDefinition, FailingLoadsChangeNothing) {
    Config c;
    c.file(kDefinitions);
    c.emulator.state = 3;
    c.config.SetTargetName("80C51");
    const std::uint32_t generation = c.registers.Generation();

    std::string many = "CPU=Big\nGROUP=All\n";
    for (int i = 0; i < MaxSfrEntries + 1; ++i) many += "0 S" + std::to_string(i) + " - - 80 0\n";
    const struct {
        std::string definitions;
        std::string message;
    } cases[] = {
        {"CPU=Big\nGROUP=G\n0 A - - 80 0\n0 B - - 100 0\n", "Unvalid 8 bit constant 100"},
        {"CPU=Big\nGROUP=G\n0 A - - 80 0\n0 B - - 9G 0\n", "Unvalid 8 bit constant 9G"},
        {"CPU=Big\nGROUP=G\n0 A - - 80 0\n0 B - -\n", "Syntax error in 0 B - -"},
        {"CPU=Big\nGROUP=G\n0 - - - 80 0\n", "Syntax error in 0 - - - 80 0"},
        {"CPU=Big\nGROUP=G\n6 A - - 80 0\n", "Syntax error in 6 A - - 80 0"},
        {"CPU=Big\nP0 80\n", "Syntax error in P0 80"},
        {"CPU=Big\nGROUP=G\n0 A - - 80 0\n0 A - - 81 0\n", "Symbol name A already exists"},
        {many, "Value in number of SFRs not valid"},
        {"CPU=Other\n", "Register definition Big not found"},
    };
    for (const auto& k : cases) {
        c.file(k.definitions);
        try {
            c.config.SetTargetName("Big");
            ADD_FAILURE() << k.message;
        } catch (const EVokWinError& e) {
            EXPECT_EQ(std::string(e.what()), k.message);
        }
        EXPECT_EQ(c.config.TargetName(), "80C51");
        EXPECT_EQ(c.registers.SfrCount(), 5) << k.message;
        EXPECT_EQ(c.registers.Generation(), generation) << k.message;
        EXPECT_EQ(c.config.Groups().Count(), 2u);
        EXPECT_EQ(c.config.CanAdrAddress(), 0xDA);
    }
    std::filesystem::remove(c.options.sfrFile);
    EXPECT_THROW(c.config.SetTargetName("Big"), ETarvexAbort);

    // The largest table that fits one command.
    many = "CPU=Big\nGROUP=All\n";
    for (int i = 0; i < MaxSfrEntries; ++i) many += "0 S" + std::to_string(i) + " - - 80 0\n";
    ASSERT_EQ(loadResult(c.config, many, "Big"), "ok");
    c.config.TransmitSfrTabelle();
    EXPECT_EQ(MasterBlockWriteCommand(0x7B00, c.emulator.blocks.back().bytes).size(), 255u);
}

TEST(SfrDefinition, GroupContains) {
    Config c;
    c.file(kDefinitions);
    EXPECT_TRUE(c.config.GroupContains("80C51", "CANADR"));
    EXPECT_TRUE(c.config.GroupContains("80C51", "+2 Q1"));
    EXPECT_FALSE(c.config.GroupContains("80C51", "XYZ"));        // the next derivative's
    EXPECT_FALSE(c.config.GroupContains("80C51", "WATCHDOG"));   // before the first group
    EXPECT_FALSE(c.config.GroupContains("80C51", "no group"));   // a comment
    EXPECT_FALSE(c.config.GroupContains("80C51", "Can"));        // a GROUP= line
    EXPECT_THROW(c.config.GroupContains("80C52", "P0"), EVokWinFileError);
}

TEST(SfrTable, ThreeSfrsOnTheWireAndTheRegisterString) {
    Config c;
    c.config.SetOptionNummer(1);
    ASSERT_EQ(loadResult(c.config, "CPU=Three\nGROUP=G\n0 P1 - - 90 0\n0 ACC - - E0 0\n0 SP - - 81 0\n", "Three"),
              "ok");
    EXPECT_EQ(c.config.SfrCount(), 11);  // nothing sent yet: the empty table
    EXPECT_EQ(c.config.RegisterStringLength(), 14);
    c.config.TransmitSfrTabelle();

    const auto& codes = shippedMonitor().AccessCodes(c.config.CodeVariant());
    const std::string expected = std::string("PN\x0F\x7B\x00", 5) + char(codes[0x10]) + char(codes[0x60]) +
                                 char(codes[0x01]) + "\x4F\x50\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\x7A\xFF";
    ASSERT_EQ(c.emulator.blocks.size(), 1u);
    EXPECT_EQ(c.emulator.blocks[0].address, 0x7B00);
    EXPECT_EQ(MasterBlockWriteCommand(0x7B00, c.emulator.blocks[0].bytes), expected);
    EXPECT_EQ(c.config.SfrCount(), 14);
    EXPECT_EQ(c.config.RegisterStringLength(), 17);
    EXPECT_EQ(c.config.PcIndex(), 3);
    EXPECT_EQ(c.config.RegisterIndex(0), 5);
    EXPECT_EQ(c.config.RegisterIndex(7), 12);
    EXPECT_EQ(c.config.BankIndex(), 13);
    EXPECT_EQ(c.config.TraceIndex(), 14);
}

TEST(SfrTable, AccessCodeVariantsAndOverrides) {
    const struct {
        int fw, family, variant;
    } variants[] = {{11, 2, 1}, {11, 1, 0}, {12, 1, 2}, {15, 10, 2}, {16, 10, 3},
                    {16, 11, 3}, {16, 15, 3}, {16, 2, 2}, {21, 1, 2}, {5, 17, 1}};
    for (const auto& v : variants) EXPECT_EQ(AccessCodeVariantOf(v.fw, v.family), v.variant) << v.fw << " " << v.family;

    const struct {
        std::uint8_t fw;
        int option;
        std::uint8_t sfr, code;  // code 0: the variant's own
    } codes[] = {{12, 8, 0x80, 0x64},   {12, 8, 0x90, 0x69},  {12, 8, 0xA0, 0x6E},  {12, 8, 0xB0, 0x73},
                 {12, 15, 0xB0, 0x73},  {12, 1, 0x80, 0},     {14, 12, 0x86, 0x0C}, {14, 2, 0x86, 0x0C},
                 {13, 12, 0x86, 0},     {14, 13, 0x86, 0},    {12, 17, 0xD8, 0x80}, {12, 117, 0xD8, 0x80},
                 {12, 16, 0xD8, 0}};
    for (const auto& k : codes) {
        Config c(k.fw);
        c.config.SetOptionNummer(k.option);
        const std::uint8_t own = shippedMonitor().AccessCodes(c.config.CodeVariant())[k.sfr - 0x80];
        EXPECT_EQ(c.config.AccessCodes()[k.sfr - 0x80], k.code ? k.code : own)
            << int(k.fw) << " " << k.option << " " << int(k.sfr);
    }

    // Before the monitor data are read every code is zero.
    Config c;
    c.emulator.monitor = nullptr;
    c.config.SetOptionNummer(2);
    EXPECT_EQ(c.config.AccessCodes()[0x01], 0);
    EXPECT_EQ(c.config.TrailerBytes(), (std::array<std::uint8_t, 5>{0x00, 0x4F, 0x50, 0x7A, 0xF5}));
}

TEST(SfrConfig, FamilyModesAndFlags) {
    const struct {
        std::uint8_t fw;
        int option, pod;
        std::uint8_t mode;
        int addressing;
        bool runPod, podBit5;
    } rows[] = {
        {11, 2, 0, 1, 0, false, false},  {11, 1, 0, 0, 0, false, false},  {14, 10, 0, 1, 1, false, false},
        {14, 11, 0, 2, 2, false, false}, {11, 15, 0, 1, 2, false, false}, {14, 12, 0, 3, 0, false, false},
        {13, 12, 0, 0, 0, false, false}, {16, 16, 0, 0, 0, false, false}, {12, 5, 3, 0, 0, true, true},
        {12, 6, 13, 0, 0, true, false},  {12, 5, 5, 0, 0, false, false},  {12, 105, 4, 0, 0, true, true},
    };
    for (const auto& r : rows) {
        Config c(r.fw);
        c.options.pod = r.pod;
        c.config.SetOptionNummer(r.option);
        const std::string at = std::to_string(r.fw) + "/" + std::to_string(r.option);
        EXPECT_EQ(c.emulator.monitorMode, r.mode) << at;
        EXPECT_EQ(c.emulator.prozessorTyp, r.option % 100) << at;
        EXPECT_EQ(c.config.RunPodFlag(), r.runPod) << at;
        EXPECT_EQ(c.emulator.podBit5, r.podBit5) << at;
        EXPECT_EQ(c.config.Family7Flag(), false) << at;
        EXPECT_EQ(c.parts.log.front(), "Banking.SetDallasAddressingMode " + std::to_string(r.addressing)) << at;
        EXPECT_EQ(c.emulator.processorChanges, 1) << at;
    }
    Config seven;
    seven.config.SetOptionNummer(107);
    EXPECT_EQ(seven.config.GetOptionNummer(), 7);
    EXPECT_TRUE(seven.config.Family7Flag());
    // The constructor chose the variant only.
    Config fresh;
    EXPECT_EQ(fresh.emulator.processorChanges, 0);
    EXPECT_TRUE(fresh.parts.log.empty());
    EXPECT_EQ(fresh.emulator.monitorMode, 0xFF);
}

TEST(SfrConfig, TargetNameSendsPendsOrRefuses) {
    Config c;
    c.file(kDefinitions);
    c.emulator.state = 3;
    c.config.SetTargetName("80C51");
    EXPECT_TRUE(c.emulator.blocks.empty());
    EXPECT_TRUE(c.config.TablePending());
    c.config.TransmitSfrTabelle();  // the run control's first reset
    EXPECT_FALSE(c.config.TablePending());

    c.emulator.state = 5;
    c.parts.running = true;
    const auto logged = c.emulator.logLines.size();
    EXPECT_THROW(c.config.SetTargetName("Other"), ETarvexAccessError);
    EXPECT_EQ(c.config.TargetName(), "80C51");
    EXPECT_EQ(c.registers.SfrCount(), 5);
    EXPECT_EQ(c.emulator.logLines.size(), logged);

    c.parts.running = false;
    c.config.SetTargetName("Other");
    ASSERT_EQ(c.emulator.blocks.size(), 2u);
    EXPECT_EQ(c.emulator.blocks[1].bytes.size(), 13u);
    EXPECT_FALSE(c.config.TablePending());
    c.config.SetTargetName("Other");  // unchanged: nothing
    EXPECT_EQ(c.emulator.blocks.size(), 2u);
}

TEST(FpgaImage, NamesAndModeSwitches) {
    const struct {
        int generation, pod, option;
        std::uint8_t fw;
        const char* image;  // the one file that exists
        bool variant;
        const char* name;
        std::vector<std::string> trace;
    } rows[] = {
        {1, 0, 2, 12, "", false, "T5b1320", {}},
        {1, 0, 2, 12, "T5ab1320", false, "T5ab1320", {"TraceBoard.SetBusModeA1 0"}},
        {1, 25, 1, 12, "", false, "", {}},
        {1, 0, 0, 12, "", false, "T5No0", {}},
        {0, 0, 1, 12, "", false, "KORLJ51", {}},
        {0, 0, 1, 13, "", false, "KORLU51", {}},
        {1, 0, 2, 16, "", true, "T5b1320nm", {}},
        {1, 0, 16, 12, "", false, "T5ab1aduc", {"TraceBoard.SetBusModeA1 0"}},
        {1, 2, 2, 12, "T5ab1320", false, "T5ab1320", {"TraceBoard.SetBusModeA1 1"}},
        {1, 2, 2, 12, "", false, "T5a1320", {}},
        {1, 2, 4, 13, "", false, "T5b1520", {}},
        {1, 0, 15, 13, "", false, "T5b1320401", {}},
        {1, 2, 17, 14, "", false, "T5a1320410", {}},
        {1, 0, 15, 16, "", false, "T5b1400", {}},
        {1, 0, 11, 16, "", false, "T5b1390", {}},
        {1, 0, 12, 12, "T5ab1w77", false, "T5ab1w77", {"TraceBoard.SetBusModeA1 0"}},
        {1, 0, 1, 12, "", false, "T5b1", {}},
        {1, 1, 2, 12, "T5ab1320", false, "T5b1", {}},
        {1, 3, 1, 12, "", false, "T5a2", {}},
        {1, 6, 1, 12, "", false, "T5b2", {}},
        {1, 7, 1, 12, "T5b23", false, "T5b23", {"TraceBoard.SetHookP0Bus 1"}},
        {1, 14, 2, 12, "", false, "T5b4", {}},
        {1, 16, 13, 12, "T5b458252", false, "T5b458252", {"TraceBoard.SetHookP0Bus 0"}},
        {1, 9, 13, 12, "T5b458252", false, "T5b458252",
         {"TraceBoard.SetBusModeA1 0", "TraceBoard.SetHookP0Bus 1"}},
        {1, 18, 16, 12, "", false, "T5b45aduc", {"TraceBoard.SetBusModeA1 1", "TraceBoard.SetHookP0Bus 1"}},
        {1, 24, 1, 12, "", false, "T5b5", {}},
        {1, 0, 14, 12, "", false, "T5AVR", {}},
        {0, 0, 14, 13, "", false, "KORLU51", {}},
        {0, 3, 5, 13, "", false, "KORLUPH", {}},
        {0, 0, 5, 13, "", false, "KORLU51", {}},
        {0, 0, 10, 13, "", false, "KORLU390", {}},
        {0, 0, 9, 13, "", false, "KORLULPC", {}},
        {0, 0, 3, 13, "", false, "KORLU154", {}},
        {2, 0, 17, 21, "", false, "T6_MSC", {}},
        {2, 0, 13, 21, "", false, "T6_8252", {}},
        {2, 0, 1, 21, "", false, "T6_8051", {}},
        {255, 0, 1, 21, "", false, "", {}},
    };
    for (const auto& r : rows) {
        Config c(r.fw);
        c.emulator.generation = static_cast<std::uint8_t>(r.generation);
        c.emulator.variantFlag = r.variant;
        c.options.pod = r.pod;
        if (*r.image) c.emulator.images = {r.image};
        c.config.SetOptionNummer(r.option);
        const std::string at = std::to_string(r.generation) + "/" + std::to_string(r.pod) + "/" +
                               std::to_string(r.option) + "/" + std::to_string(r.fw);
        EXPECT_EQ(ReduceFpgaName(c.emulator.fpgaName, r.fw), r.name) << at;
        EXPECT_EQ(c.traceCalls(), r.trace) << at;
    }
    EXPECT_EQ(ReduceFpgaName("C:\\Tarvex\\KORLU320.bin", 12), "KORLJ320");
    EXPECT_EQ(ReduceFpgaName("/opt/tarvex/T5b1.bin", 12), "T5b1");
}

TEST(MasterBlock, OneCommandOfAtMost255Bytes) {
    EXPECT_EQ(MasterBlockWriteCommand(0x7EE9, std::string("\x75\xD7\x00\x90", 4)),
              std::string("PN\x04\x7E\xE9\x75\xD7\x00\x90", 9));
    EXPECT_EQ(MasterBlockReadCommand(0x7C00, 19), std::string("DN\x13\x7C\x00", 5));
    EXPECT_EQ(MasterBlockReadCommand(0xFFFF, 1).size(), 5u);
    EXPECT_THROW(MasterBlockWriteCommand(0x7B00, std::string(MaxMasterBlock + 1, 'x')), EVokWinValueError);
    EXPECT_THROW(MasterBlockWriteCommand(0x7B00, ""), EVokWinValueError);
    EXPECT_THROW(MasterBlockReadCommand(0xFFFF, 2), EVokWinValueError);
}

TEST(TargetOptions, InstallationRoots) {
    platform::MemorySettingsStore settings;
    const std::string program = std::filesystem::path(platform::executablePath()).filename().string();
    settings.writeString(AppPathsKey, program, "Path", "/opt/tarvex");
    const StandaloneTargetOptions options(settings);
    // The main job may name the root for every program it runs.
    const char* root = std::getenv("TARVEX_ROOT");
    const bool named = root != nullptr && *root != 0;
    EXPECT_EQ(options.rootDirName(), named ? std::string(root) : platform::executableDir());
    // Windows asks the machine's registry, which the test cannot write.
    EXPECT_EQ(options.rootDirRegistry(), named ? std::string(root) : platform::appPathsValue(program, settings));
#ifndef _WIN32
    EXPECT_EQ(platform::appPathsValue(program, settings), "/opt/tarvex");
#endif
    EXPECT_EQ(std::filesystem::path(options.targetFileName()),
              std::filesystem::path(options.rootDirName()) / "VokRegs.txt");
}

}  // namespace
}  // namespace tarvex
