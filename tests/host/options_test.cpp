#include <gtest/gtest.h>

#include <algorithm>

#include "core/errors.hpp"
#include "platform/process.hpp"
#include "tests/host/host_rig.hpp"

namespace tarvex {
namespace {

using test::HostRig;

const std::string ProcessorBox = "Processor %s not supported";

std::string firmwareBox(const std::string& cpu) {
    return "Processor " + cpu + " not supported.\nFirmware update neccessary!";
}

bool has(const std::vector<std::string>& v, const std::string& s) { return std::find(v.begin(), v.end(), s) != v.end(); }

TEST(Options, FirmwareDecidesWhichProcessorsAreUsable) {
    struct Case {
        std::uint8_t firmware;
        const char* cpu;
        bool usable;
        const char* fallback;
    };
    const Case cases[] = {
        {13, "MSC1210", false, "80C51"},
        {11, "DS80C400", false, "80C390_standard"},
        {13, "DS80C390_contiguous", false, "80C390_standard"},
        {12, "DS80C390", true, nullptr},
        {14, "MSC1210", true, nullptr},
        {14, "DS80C400", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cpu) + " on " + std::to_string(c.firmware));
        HostRig rig;
        rig.options->SetTargetName(c.cpu);
        rig.options->firmwareKnown(c.firmware);
        EXPECT_EQ(has(rig.options->GetProcessorList(""), c.cpu), c.usable);
        if (c.usable) {
            EXPECT_EQ(rig.options->TargetName(), c.cpu);
            EXPECT_TRUE(rig.boxes.shown().empty());
            continue;
        }
        EXPECT_EQ(rig.options->TargetName(), c.fallback);
        EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{firmwareBox(c.cpu)});
        EXPECT_EQ(rig.sfr->OptionNummer(), rig.options->FindTargetInfo(c.fallback)->OptionNummer);
    }
    HostRig rig;
    rig.options->firmwareKnown(13);
    EXPECT_FALSE(has(rig.options->GetManufacturerList(), "Texas Instruments"));
    EXPECT_TRUE(has(rig.options->GetManufacturerList(), "Dallas"));
    EXPECT_EQ(rig.options->GetProcessorList("Texas Instruments"), std::vector<std::string>{});
}

TEST(Options, SettingAnUnusableProcessorAppliesOnlyTheFallback) {
    HostRig rig;
    rig.options->firmwareKnown(13);
    rig.options->SetTargetName("80C51_32K");
    rig.logLines.clear();
    rig.options->SetTargetName("MSC1210");
    EXPECT_EQ(rig.options->TargetName(), "80C51");
    EXPECT_EQ(rig.sfr->OptionNummer(), 1);
    EXPECT_EQ(rig.programMax(), 0xFFFF);
    // One "Ende" only: the refused entry's setter stopped after the check.
    EXPECT_EQ(std::count(rig.logLines.begin(), rig.logLines.end(), "VokWinOptionen.TargetName setzen Ende"), 1);
}

TEST(Options, FallbacksEndInTheBuiltInEntryWithoutRecursion) {
    std::string text = test::readText(test::sourceDir() / "data" / "VokRegs.txt");
    // The fallback is itself unusable on firmware 11.
    text.replace(text.find("CPU=80C390_standard,OPTION=2"), 28, "CPU=80C390_standard,OPTION=10");
    {
        HostRig rig(text);
        rig.options->SetTargetName("DS80C400");
        rig.options->firmwareKnown(11);
        EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{firmwareBox("DS80C400")});
        EXPECT_EQ(rig.options->TargetName(), "80C51");
        EXPECT_EQ(rig.sfr->OptionNummer(), 0);
    }
    {
        HostRig rig;
        rig.options->SetTargetName("XYZ");
        EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{"Processor XYZ not supported"});
        EXPECT_EQ(rig.options->TargetName(), "80C51");
    }
    {
        HostRig rig("MANUFACTURER=x\nCPU=only,OPTION=1,XDATA=0 7FF,PROG=3FF\nGROUP=Ports\n0 P0 - - 80 0\n");
        rig.options->SetTargetName("only");
        rig.boxes.clear();
        rig.options->SetTargetName("XYZ");
        EXPECT_EQ(rig.boxTexts(), std::vector<std::string>{"Processor XYZ not supported"});
        EXPECT_EQ(rig.options->TargetName(), "80C51");
        EXPECT_EQ(rig.options->ProgMax(), 0xFFFF);
        EXPECT_EQ(rig.sfr->OptionNummer(), 0);
    }
}

TEST(Options, TargetLimitsFollowThePod) {
    HostRig rig;
    rig.options->SetPodKennung(TPodKennung::pkA2);
    rig.options->SetTargetName("80C51_32K");
    EXPECT_EQ(rig.programMax(), 0x7FFF);
    EXPECT_EQ(rig.xdataMax(), 0x1FFF);
    rig.options->SetPodKennung(TPodKennung::pkA1);
    rig.options->SetTargetName("80C52");
    rig.options->SetTargetName("80C51_32K");
    EXPECT_EQ(rig.xdataMax(), 0xFFFF);
    EXPECT_EQ(rig.notifier.count(notify::ProcessorChanged), 0);
}

TEST(Options, PodSwitchesTheEmulator) {
    struct Case {
        TPodKennung pod;
        bool podFlag, pellunars, bit1, bit2;
        int resets;
    };
    const Case cases[] = {
        {TPodKennung::pkQZ, true, true, false, false, 0},
        {TPodKennung::pkDebug, false, false, false, false, 1},
        {TPodKennung::pkIceConnectQZ, false, true, true, false, 0},
        {TPodKennung::pkDebugQZP0Mixed, true, true, false, true, 0},
        {TPodKennung::pkIceConnect, false, false, true, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(PodName(static_cast<int>(c.pod)));
        HostRig rig;
        rig.options->SetPodKennung(c.pod);
        EXPECT_EQ(rig.emu->PodFlag(), c.podFlag);
        EXPECT_EQ(rig.emu->PellunarsOn(), c.pellunars);
        EXPECT_EQ((rig.emu->OptionByte() & 0x02) != 0, c.bit1);
        EXPECT_EQ((rig.emu->OptionByte() & 0x04) != 0, c.bit2);
        EXPECT_EQ(rig.extDataMapResets, c.resets);
        EXPECT_EQ(rig.logLines, std::vector<std::string>{"VokWinOptionen.PodKennung setzen: " + rig.options->PodName()});
        rig.logLines.clear();
        rig.options->SetPodKennung(c.pod);
        EXPECT_TRUE(rig.logLines.empty());
    }
    EXPECT_EQ(PodName(11), "DebugConnector");
    EXPECT_EQ(PodName(24), "DebugICEconnector QZ P0/P2 Mixed");
    EXPECT_EQ(PodName(25), "unknown");
}

TEST(Options, ConnectedBoardHearsPodTargetAndWatchdog) {
    HostRig rig;
    std::vector<std::uint8_t> watchdog(48);
    for (std::size_t i = 0; i < watchdog.size(); ++i) watchdog[i] = static_cast<std::uint8_t>(0x40 + i);
    test::writeBytes(rig.root.file("Watchdog.bin"), watchdog);
    rig.options->SetWatchdogFiles(rig.root.file("Watchdog.bin"), rig.root.file("WatchdogUser.bin"));
    rig.start();
    ASSERT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
    const std::uint8_t before = rig.board.master(0xF0FF);
    rig.options->SetPodKennung(TPodKennung::pkQZ);
    EXPECT_NE(rig.board.master(0xF0FF), before);
    EXPECT_TRUE(rig.emu->PodFlag());

    rig.options->SetWatchdogSupport(true);
    rig.options->SetTargetName("P89C51RD2");
    EXPECT_EQ(rig.notifier.count(notify::ProcessorChanged), 1);
    for (std::uint16_t i = 0; i < 16; ++i) EXPECT_EQ(rig.board.master(static_cast<std::uint16_t>(0x7C00 + i)), 0x40 + i);
}

TEST(Options, SourceExtensions) {
    HostRig rig;
    const struct {
        const char* in;
        const char* stored;
        const char* stern;
        std::size_t count;
    } cases[] = {{"", ".c", "*.c", 1}, {";.c;.a51", ".c;.a51", "*.c;*.a51", 2}, {",.a51;;.c;", ".a51;;.c;", "*.a51;*.c", 2}};
    for (const auto& c : cases) {
        rig.options->SetSourceExtNames(c.in);
        EXPECT_EQ(rig.options->SourceExtNames(), c.stored);
        EXPECT_EQ(rig.options->SourceExtNamesStern(), c.stern);
        EXPECT_EQ(rig.options->sourceExts().size(), c.count);
    }
}

TEST(Options, CommandLineAndNames) {
    platform::MemorySettingsStore settings;
    const auto idOf = [&](std::vector<std::string> args) {
        OptionsEnvironment env;
        env.root = "/nonexistent";
        env.arguments = std::move(args);
        return TVokWinOptionen(settings, env).InstanceId();
    };
    EXPECT_EQ(idOf({"ide", "/ID=Abc", "/id=XyZ"}), "XyZ");
    EXPECT_EQ(idOf({"ide"}), "0");
    EXPECT_EQ(idOf({"/id=prog", "x"}), "0");
    EXPECT_EQ(platform::splitWindowsCommandLine(R"("C:\a b\ide.exe" /id=1 "x y" a\\\"b c\\"d e" "")"),
              (std::vector<std::string>{R"(C:\a b\ide.exe)", "/id=1", "x y", R"(a\"b)", R"(c\d e)", ""}));

    HostRig rig;
    const std::string p = rig.root.file("p"), q = rig.root.file("q");
    const char sep = static_cast<char>(std::filesystem::path::preferred_separator);
    rig.options->SetProjectDir(q + sep + "proj.uv2");
    EXPECT_EQ(rig.options->ProjectDir(), q + sep);
    rig.options->SetOptionFileName(p + sep + "x.uv2");
    EXPECT_EQ(rig.options->GetOptionFileName(), q + sep + "x.bopt");
    rig.options->SetProjectDir(p + sep + "proj.uv2");
    rig.options->SetOptionFileName(p + sep + "x.uv2");
    EXPECT_EQ(rig.options->GetOptionFileName(), p + sep + "x.bopt");
    rig.options->SetOptionFileName("");
    rig.options->SetProjectName("dir/proj.uv2");
    EXPECT_EQ(rig.options->GetOptionFileName(), rig.options->WorkDirName() + sep + "proj.bopt");
    EXPECT_EQ(DirectoryWithSeparator("x"), "");
    EXPECT_EQ(ChangeFileExt("a.b/c.uv2", ".btm"), "a.b/c.btm");
}

TEST(Options, SystemModeAndFiles) {
    HostRig rig;
    EXPECT_FALSE(rig.options->SystemMode());
    test::writeBytes(rig.root.file("SystemMode.txt"), {});
    rig.options->UpdateSystemMode();
    EXPECT_TRUE(rig.options->SystemMode());
    rig.options->SetProjectDir(rig.root.file("proj") + "/x.uv2");
    EXPECT_FALSE(rig.options->SystemMode());

    std::string name = "SystemMode.txt";
    rig.options->SetSourceDirNames(";" + rig.root.file("none") + ";" + rig.root.path().string());
    EXPECT_TRUE(rig.options->findFile(name));
    EXPECT_EQ(std::filesystem::path(name), rig.root.path() / "SystemMode.txt");
    name = "absent.c";
    EXPECT_FALSE(rig.options->findFile(name));
    EXPECT_EQ(name, "absent.c");
}

// An installation in `root` and nothing else: no registry root, no arguments.
OptionsEnvironment onlyRoot(const test::TempDir& root) {
    OptionsEnvironment env;
    env.root = root.path().string();
    env.registryRoot = "";
    env.arguments = std::vector<std::string>{};
    return env;
}

TEST(Options, WorkingDirectory) {
    {
        test::TempDir root;
        std::filesystem::create_directories(root.path() / "Data");
        test::writeBytes(root.file("Data/keep.txt"), {1});
        std::filesystem::copy_file(test::sourceDir() / "data" / "VokRegs.txt", root.file("VokRegs.txt"));
        platform::MemorySettingsStore settings;
        TVokWinOptionen options(settings, onlyRoot(root));
        options.InitialSettings();
        EXPECT_EQ(options.WorkDirName(), root.file("VokData"));
        EXPECT_TRUE(std::filesystem::exists(root.path() / "VokData" / "keep.txt"));
        EXPECT_FALSE(std::filesystem::exists(root.path() / "Data"));
        EXPECT_EQ(options.TargetFileName(), root.file("VokRegs.txt"));
        EXPECT_EQ(options.ProjectName(), "Default");
        EXPECT_EQ(options.HelpFileName(), root.file("VokDllE.hlp"));
    }
    {
        // A root that cannot take the folder (a file stands where it would go).
        test::TempDir dir;
        test::writeBytes(dir.file("root"), {});
        std::filesystem::copy_file(test::sourceDir() / "data" / "VokRegs.txt", dir.file("VokRegs.txt"));
        platform::MemorySettingsStore settings;
        settings.writeString(TBasisOptionen::SettingsKey, TBasisOptionen::SettingsSection, "Project", "last");
        OptionsEnvironment env;
        env.root = dir.file("root");
        env.registryRoot = dir.path().string();
        env.arguments = std::vector<std::string>{};
        env.userDataDir = dir.file("user");
        TVokWinOptionen options(settings, env);
        options.InitialSettings();
        EXPECT_EQ(options.WorkDirName(), (dir.path() / "user" / "Tarvex" / "VokData").string());
        EXPECT_TRUE(std::filesystem::is_directory(options.WorkDirName()));
        EXPECT_EQ(options.TargetFileName(), dir.file("VokRegs.txt"));
        EXPECT_EQ(options.ProjectName(), "last");
        options.SetDefaults();
        EXPECT_EQ(options.ObjectDirName(), (dir.path() / "Demos").string());
    }
}

TEST(Options, WatchdogBlocks) {
    test::TempDir root;
    const std::string regs = "CPU=w1,WATCHDOG=1,XDATA=0 1\nCPU=wm2,WATCHDOG=-2,XDATA=0 1\nCPU=80C51,XDATA=0 1\n";
    test::writeBytes(root.file("VokRegs.txt"), std::vector<std::uint8_t>(regs.begin(), regs.end()));
    std::vector<std::uint8_t> file(96), user(96);
    for (std::size_t i = 0; i < 96; ++i) {
        file[i] = static_cast<std::uint8_t>(i);
        user[i] = static_cast<std::uint8_t>(0x80 + i);
    }
    test::writeBytes(root.file("Watchdog.bin"), file);
    test::writeBytes(root.file("WatchdogUser.bin"), user);
    platform::MemorySettingsStore settings;
    TVokWinOptionen options(settings, onlyRoot(root));
    options.InitialSettings();
    const struct {
        const char* cpu;
        int first;
    } cases[] = {{"w1", 0}, {"wm2", 0x80 + 48}, {"80C51", -1}};
    for (const auto& c : cases) {
        options.SetTargetName(c.cpu);
        const auto block = options.GetWatchdogCommands();
        for (std::size_t i = 0; i < block.size(); ++i)
            ASSERT_EQ(block[i], c.first < 0 ? 0 : c.first + static_cast<int>(i)) << c.cpu << " " << i;
    }
    test::writeBytes(root.file("Watchdog.bin"), std::vector<std::uint8_t>(40));
    options.SetTargetName("w1");
    try {
        options.GetWatchdogCommands();
        ADD_FAILURE();
    } catch (const EVokWinFileError& e) {
        EXPECT_EQ(e.message(), "Watchdog number 1 too large (see: VokRegs.txt) for file " + root.file("Watchdog.bin"));
    }
}

TEST(Options, WatchdogListing) {
    ITargetOptions::WatchdogCommands block{};
    block[0] = 0x74;
    block[1] = 0x12;
    block[2] = 0xC3;
    EXPECT_EQ(TVokWinOptionen::ListWatchdogCommands(block, 0),
              (std::vector<std::string>{"0000 MOV   A,#12H", "0002 CLR   C"}));
    EXPECT_TRUE(TVokWinOptionen::ListWatchdogCommands(block, 1).empty());
    // An LJMP at the last byte of the last sequence reads 0 past the block.
    for (std::size_t i = 32; i < 48; ++i) block[i] = 0x00;
    block[32] = 0xC3;
    block[47] = 0x02;
    EXPECT_EQ(TVokWinOptionen::ListWatchdogCommands(block, 2), std::vector<std::string>{"0000 CLR   C"});
    for (std::size_t i = 32; i < 47; ++i) block[i] = 0xC3;
    const auto lines = TVokWinOptionen::ListWatchdogCommands(block, 2);
    ASSERT_EQ(lines.size(), 16u);
    EXPECT_EQ(lines.back(), "000F LJMP  0000H");
}

}  // namespace
}  // namespace tarvex
