// The emulator object on the board simulator: settings, the FPGA load, the
// start sequence, the monitor settings and patches, SFR access, watchdog.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

#include "core/errors.hpp"
#include "core/register_table.hpp"
#include "emulator/sfr_config.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"
#include "tests/emulator/emulator_fixture.hpp"

namespace tarvex {
namespace {

using test::EmuRig;

sim::BoardConfig boardOf(const char* version, bool fpgaLoaded = true) {
    sim::BoardConfig c;
    c.version = version;
    c.fpgaLoaded = fpgaLoaded;
    return c;
}

std::string fileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::size_t countOf(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), line));
}

// Position of the first line that equals `line`, or npos.
std::size_t indexOf(const std::vector<std::string>& lines, const std::string& line, std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return std::string::npos;
}

template <typename F>
std::string messageOf(F&& f) {
    try {
        f();
    } catch (const EVokWinError& e) {
        return e.message();
    }
    return "(none)";
}

// ---------------------------------------------------------------- settings

TEST(EmulatorSettings, StoredGenerationOutsideItsRangeAsksTheUser) {
    struct Case {
        std::int32_t stored;
        std::uint8_t chosen;
        std::uint8_t generation;
        bool asked;
    };
    const Case cases[] = {{-1, 2, 2, true}, {5, 0, 0, true}, {1, 2, 1, false}, {-7, 1, 1, true}};
    for (const Case& c : cases) {
        EmuRig rig;
        rig.settings.writeInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", c.stored);
        rig.parts.generationAnswer = c.chosen;
        rig.emu->LoadFromRegistry();
        EXPECT_EQ(rig.emu->Generation(), c.generation) << c.stored;
        EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "Forms.ChooseGeneration"), c.asked ? 1 : 0);
        rig.emu->SaveSettings();
        EXPECT_EQ(rig.settings.readInteger(TEmulator::VokWinKey, TEmulator::VokWinSection, "Tarvex", 99), c.generation);
    }
    EmuRig rig;
    rig.parts.generationAnswer = 2;
    rig.emu->LoadFromRegistry();
    EXPECT_EQ(rig.emu->HardwareName(), "TARVEX-6");
    EXPECT_TRUE(rig.emu->AssembleFlag());
    // Without windows the chooser's place is taken by TARVEX-V.
    EmuRig bare;
    bare.emu->SetParts({});
    bare.emu->SetGeraet(255);
    EXPECT_EQ(bare.emu->Generation(), 1);
}

TEST(EmulatorSettings, ProjectStreamVersions) {
    EmuRig rig;
    auto& e = *rig.emu;
    e.SetExternalClock(true);
    e.SetWaitTimeReset(7);
    e.SetPortName("COM3");
    e.SetPortAdresse(0x278);
    e.SetBaudRate(1);
    e.SetTimeoutInitString(5000);
    e.SetTimeoutReadWrite(3000);
    e.SetFpgaVariante(true);
    e.SetExtResetEnabled(true);
    e.SetExtResetMode(false);
    e.SetPellunarOption(3);
    e.SetAlwaysReload(true);
    e.SetUsbSerialNumber("TX1234");
    e.SetInternalClock(4);
    platform::MemoryStream stream;
    ValueWriter writer(stream);
    e.WriteSettings(writer);
    const std::vector<std::uint8_t> written = stream.bytes();

    // Version 19 gives back every field.
    EmuRig back;
    stream.seek(0);
    ValueReader reader(stream);
    back.emu->ReadSettings(reader, TEmulator::StreamVersion);
    EXPECT_TRUE(reader.EndOfStream());
    platform::MemoryStream again;
    ValueWriter writer2(again);
    back.emu->WriteSettings(writer2);
    EXPECT_EQ(again.bytes(), written);
    EXPECT_EQ(back.emu->PortName(), "COM3");
    EXPECT_EQ(back.emu->InternalClock(), 4);

    // Version 6 stops after the port settings: the clock index stays.
    EmuRig v6;
    platform::MemoryStream s6;
    ValueWriter w6(s6);
    w6.WriteBoolean(false);
    w6.WriteString("C:\\old.bin");
    w6.WriteInteger(3);
    w6.WriteString("COM2");
    w6.WriteInteger(0x3BC);
    w6.WriteBoolean(false);
    w6.WriteInteger(0);
    w6.WriteInteger(4500);
    w6.WriteInteger(2500);
    w6.WriteBoolean(false);
    s6.seek(0);
    ValueReader r6(s6);
    v6.emu->ReadSettings(r6, 6);
    EXPECT_TRUE(r6.EndOfStream());
    EXPECT_EQ(v6.emu->PortName(), "COM2");
    EXPECT_EQ(v6.emu->PortAdresse(), 0x3BC);
    EXPECT_EQ(v6.emu->BaudRate(), 0);
    EXPECT_EQ(v6.emu->TimeoutReadWrite(), 2500u);
    EXPECT_EQ(v6.emu->WaitTimeReset(), 3);
    EXPECT_EQ(v6.emu->InternalClock(), 9);
    EXPECT_EQ(v6.emu->LastFpgaFile(), "C:\\old.bin");

    // Versions 2 and 3 carry one more Boolean after the file, which is
    // skipped; nothing after it.
    EmuRig v3;
    v3.emu->SetWaitTimeReset(5);
    platform::MemoryStream s3;
    ValueWriter w3(s3);
    w3.WriteBoolean(true);
    w3.WriteString("a.bin");
    w3.WriteBoolean(true);
    s3.seek(0);
    ValueReader r3(s3);
    v3.emu->ReadSettings(r3, 3);
    EXPECT_TRUE(r3.EndOfStream());
    EXPECT_TRUE(v3.emu->ExternalClock());
    EXPECT_EQ(v3.emu->WaitTimeReset(), 0);
}

// A value outside its field takes the field's default, and the protocol
// names it; the low bits of a number that does not fit are never taken.
TEST(EmulatorSettings, ValuesOutsideTheirFieldTakeTheirDefaults) {
    EmuRig rig;
    rig.emu->SetProtFileName(rig.root.file("prot.txt"));
    rig.emu->SetProtokollieren(true);
    rig.emu->SetWaitTimeReset(7);
    rig.emu->SetPortAdresse(0x278);
    rig.emu->SetInternalClock(4);
    platform::MemoryStream s;
    ValueWriter w(s);
    w.WriteBoolean(false);
    w.WriteString("");
    w.WriteInteger(300);  // WaitTimeReset
    w.WriteString("COM1");
    w.WriteInteger(-5);  // PortAdresse
    w.WriteBoolean(false);
    w.WriteInteger(9);   // BaudRate
    w.WriteInteger(-1);  // TimeoutInitString
    w.WriteInteger(0);   // TimeoutReadWrite
    w.WriteBoolean(false);
    for (int i = 0; i < 3; ++i) w.WriteBoolean(false);
    w.WriteString("");
    w.WriteInteger(0);
    w.WriteInteger(1);
    w.WriteBoolean(false);
    w.WriteString("");
    w.WriteInteger(99);  // internal clock index
    s.seek(0);
    ValueReader r(s);
    rig.emu->ReadSettings(r, TEmulator::StreamVersion);
    EXPECT_TRUE(r.EndOfStream());
    EXPECT_EQ(rig.emu->WaitTimeReset(), 0);
    EXPECT_EQ(rig.emu->PortAdresse(), 0x378);
    EXPECT_EQ(rig.emu->BaudRate(), 2);
    EXPECT_EQ(rig.emu->TimeoutInitString(), 4000u);
    EXPECT_EQ(rig.emu->TimeoutReadWrite(), 2000u);
    EXPECT_EQ(rig.emu->InternalClock(), 4);
    const std::string protocol = fileText(rig.root.file("prot.txt"));
    for (const char* line : {"WaitTimeReset=300", "PortAdresse=-5", "BaudRate=9", "TimeoutInitString=-1",
                             "TimeoutReadWrite=0", "InternalClock=99"})
        EXPECT_NE(protocol.find(std::string("Projektdatei: ") + line + " ausserhalb des Wertebereichs"),
                  std::string::npos)
            << line;
}

TEST(EmulatorSettings, StreamReadWhileStartedSkipsADifferentPortAndReadsOn) {
    EmuRig source;
    source.emu->SetPortName("COM7");
    source.emu->SetPellunarOption(2);
    source.emu->SetUsbSerialNumber("TX9");
    platform::MemoryStream stream;
    ValueWriter writer(stream);
    source.emu->WriteSettings(writer);

    EmuRig rig;
    rig.emu->SetProtFileName(rig.root.file("prot.txt"));
    rig.emu->SetProtokollieren(true);
    rig.identify();
    rig.emu->SetConnectionState(TBasisEmulator::StateReady);
    stream.seek(0);
    ValueReader reader(stream);
    rig.emu->ReadSettings(reader, TEmulator::StreamVersion);
    EXPECT_TRUE(reader.EndOfStream());
    EXPECT_EQ(rig.emu->PortName(), "COM1");
    EXPECT_EQ(rig.emu->PellunarOption(), 2);
    EXPECT_EQ(rig.emu->UsbSerialNumber(), "TX9");
    EXPECT_NE(fileText(rig.root.file("prot.txt")).find("Porteinstellung beim Lesen übergangen: PortName"),
              std::string::npos);
}

// ---------------------------------------------------------------- FPGA

TEST(FpgaTransfer, SizesAreCheckedBeforeAnythingIsSent) {
    struct Case {
        const char* version;
        std::size_t size;
        bool refused;
    };
    const Case cases[] = {{"3.05", 14750, true}, {"3.05", 14751, false}, {"5.1 ", 0, true},
                          {"6.0 ", 65536, true}, {"6.0 ", 65535, false}, {"5.1 ", 32768, false}};
    for (const Case& c : cases) {
        EmuRig rig(boardOf(c.version, false));
        rig.emu->SetBaudRate(0);
        rig.image("T5b1", c.size);
        rig.emu->SetFpgaName("T5b1");  // not yet started: nothing loads
        rig.identify();
        const std::string message = messageOf([&] { rig.emu->LoadFpga(); });
        if (c.refused) {
            EXPECT_EQ(message, "TARVEX init file size not valid") << c.version << " " << c.size;
            EXPECT_TRUE(rig.commands().empty()) << c.version << " " << c.size;
        } else {
            EXPECT_EQ(message, "(none)") << c.version << " " << c.size;
            EXPECT_TRUE(rig.board.fpgaLoaded());
            EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateStarting);
        }
    }
}

TEST(FpgaTransfer, LoadedOrNot) {
    struct Case {
        const char* version;
        bool boardLoaded;
        std::optional<std::uint8_t> queryAnswer;
        bool sameFile;
        std::uint8_t baud;
        bool sent;
    };
    const Case cases[] = {
        {"5.1 ", true, {}, true, 0, false},     // loaded and known: kept
        {"5.1 ", true, 0x00, true, 0, false},   // "not loaded" with a passing memory test: kept
        {"5.1 ", true, {}, false, 0, true},     // another file: loaded again
        {"5.1 ", false, {}, true, 0, true},     // no image: memory test fails
        {"4.31", true, {}, true, 2, true},      // serial above code 16 at a fast rate: always
        {"4.2 ", true, {}, true, 2, false},     // code 15: not so
    };
    for (const Case& c : cases) {
        sim::BoardConfig config = boardOf(c.version, c.boardLoaded);
        config.fpgaQueryAnswer = c.queryAnswer;
        EmuRig rig(config);
        rig.emu->SetBaudRate(c.baud);
        const std::string path = rig.image("T5b1", 32768);
        platform::MemoryStream stream;
        ValueWriter w(stream);
        w.WriteBoolean(false);
        w.WriteString(c.sameFile ? path : "other.bin");
        stream.seek(0);
        ValueReader r(stream);
        rig.emu->ReadSettings(r, 4);
        rig.emu->SetFpgaName("T5b1");
        rig.emu->InitStringEinlesen();
        rig.emu->CheckEpromVersion();
        rig.emu->SwitchBaudRate();
        rig.emu->SetConnectionState(TBasisEmulator::StateStarted);
        rig.wire.clear();
        rig.emu->LoadFpga();
        const auto lines = rig.commands();
        const std::vector<std::string> test = {"W N 7F 00 55", "R N 7F 00", "W N 7F 00 AA", "R N 7F 00", "f"};
        ASSERT_GE(lines.size(), 6u) << c.version;
        EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), test) << c.version;
        EXPECT_EQ(lines[5], c.sent ? "FF" : "00") << c.version;
        EXPECT_EQ(rig.sent("W N 7C 74 C1"), c.sent) << c.version;
        EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateStarting);
        EXPECT_EQ(rig.emu->LastFpgaFile(), c.sent || c.sameFile ? path : "other.bin");
    }
}

TEST(FpgaTransfer, LoadWithSizeHeaderAndConfirmation) {
    EmuRig rig(boardOf("6.0 ", false));
    rig.emu->SetBaudRate(0);
    const std::string path = rig.image("T6_8051", 1000);
    rig.emu->SetFpgaName("T6_8051");
    rig.emu->SetProtFileName(rig.root.file("prot.txt"));
    rig.emu->SetSysProtokollieren(true);
    rig.identify();
    rig.emu->LoadFpga();
    const auto lines = rig.commands();
    const std::size_t ff = indexOf(lines, "FF");
    ASSERT_NE(ff, std::string::npos);
    EXPECT_EQ(lines[ff + 1], "03 E8");
    // ceil(1000 / 128) writes of image data, then the confirmation.
    EXPECT_EQ(lines[ff + 2 + 8], "W N 7C 74 C1");
    EXPECT_EQ(lines[ff + 2 + 9], "W N 7C 86 C2");
    EXPECT_EQ(rig.board.fpgaImageBytes(), 1000u);
    EXPECT_TRUE(rig.board.fpgaLoaded());
    EXPECT_EQ(rig.emu->LastFpgaFile(), path);
    // Generation 2 gets the option byte, and the external reset is off.
    EXPECT_EQ(lines[ff + 2 + 10], "W N F6 00 00");
    EXPECT_EQ(lines[ff + 2 + 11], "W N F5 00 00");
    EXPECT_EQ(rig.parts.log.back(), "TraceBoard.TransmitTimeStamp");
    // The protocol kept what was written before the load and holds the
    // load's line, but none of the image's data lines.
    EXPECT_TRUE(rig.emu->Protokollieren());
    const std::string prot = fileText(rig.root.file("prot.txt"));
    EXPECT_NE(prot.find("InitStringEinlesen"), std::string::npos);
    EXPECT_NE(prot.find("FPGA laden Anzahl=1000 File=" + path), std::string::npos);
    EXPECT_NE(prot.find("574E 7C74 C1"), std::string::npos);
    EXPECT_EQ(prot.find(std::string(40, '0')), std::string::npos);
}

TEST(FpgaTransfer, FailuresAndMissingImage) {
    struct Case {
        std::uint8_t answer;
        bool serviceMode;
        const char* message;
    };
    const Case cases[] = {{0x01, true, "(none)"}, {0x01, false, "Loading error: TARVEX init file"},
                          {0x02, true, "Loading error: TARVEX init file"}};
    for (const Case& c : cases) {
        EmuRig rig(boardOf("5.1 ", false));
        rig.emu->SetBaudRate(0);
        rig.options.serviceMode = c.serviceMode;
        rig.image("T5b1", 32768);
        rig.emu->SetFpgaName("T5b1");
        rig.identify();
        rig.board.failFpgaLoad(c.answer);
        EXPECT_EQ(messageOf([&] { rig.emu->LoadFpga(); }), c.message) << int(c.answer);
    }
    EmuRig rig(boardOf("5.1 "));
    rig.emu->SetFpgaName("T5nowhere");
    rig.identify();
    EXPECT_EQ(messageOf([&] { rig.emu->LoadFpga(); }),
              "TARVEX init file " + rig.root.file("T5nowhere.bin") + " not found");
    EXPECT_TRUE(rig.commands().empty());
}

// ---------------------------------------------------------------- start sequence

std::vector<std::string> starts(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const auto& l : log)
        if (l.find("InitEmulStart") != std::string::npos || l.find("Reset") != std::string::npos ||
            l.find("Clear") != std::string::npos || l.find("IapForm") != std::string::npos)
            out.push_back(l);
    return out;
}

TEST(StartSequence, StepsPartsAndSessionStart) {
    EmuRig rig(boardOf("5.1 ", false));
    rig.image("T5b1", 32768);
    rig.emu->SetFpgaName("T5b1");
    rig.emu->SetExternalClock(true);  // before the start: only marked
    EXPECT_TRUE(rig.wire.empty());
    rig.emu->Startup();
    EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
    const std::vector<std::string> expected = {
        "Banking.InitEmulStart", "RunControl.InitEmulStart", "TraceBoard.InitEmulStart",
        "SelectTable.InitEmulStart", "ProgramClear.ClearProgramMemory", "RunControl.ResetAll",
        "RunControl.ResetSlave"};
    EXPECT_EQ(starts(rig.parts.log), expected);
    EXPECT_EQ(rig.notifier.count(TEmulator::NotifyEmulatorState), 1);
    EXPECT_EQ(std::count(rig.notice.shown().begin(), rig.notice.shown().end(), "Starting TARVEX Emulator"), 1);
    EXPECT_FALSE(rig.notice.open());
    // Steps 4 to 6 in order after the load, the clock switch at the end.
    const auto lines = rig.commands();
    const std::size_t wv = indexOf(lines, "W V 00 0F 00");
    ASSERT_NE(wv, std::string::npos);
    EXPECT_LT(indexOf(lines, "W N 7C 86 C2"), wv);
    // The board comes up with bit 7 of the configuration byte set (master
    // memory behind "DN"/"PN"); the start keeps it.
    const std::vector<std::string> steps = {"R I 00 22",    "W I 00 22 80", "W N F0 FF 80",
                                            "W N 7B F3 00", "W N F1 08 00", "W N 7B FD 00"};
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<std::ptrdiff_t>(wv + 1),
                                       lines.begin() + static_cast<std::ptrdiff_t>(wv + 7)),
              steps);
    // The clock switch at the end reads nothing again: bit 5 cleared for the
    // external clock.
    EXPECT_EQ(countOf(lines, "R I 00 22"), 1u);
    EXPECT_EQ(lines[lines.size() - 2], "W I 00 22 80");
    EXPECT_EQ(lines[lines.size() - 1], "W N F0 FF 80");

    // A restart of the same session keeps the program memory.
    rig.parts.log.clear();
    rig.emu->Restart();
    rig.emu->Startup();
    EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "ProgramClear.ClearProgramMemory"), 0);
    rig.emu->SetSessionStart();
    rig.emu->Restart();
    rig.emu->Startup();
    EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "ProgramClear.ClearProgramMemory"), 1);
}

// The board's command log of a whole start, one line per command (name and
// bytes in hex; long data phases by their size), against the golden file.
// TARVEX_UPDATE_GOLDEN=1 writes the files instead.
TEST(StartSequence, GoldenTraces) {
    struct Case {
        const char* version;
        const char* image;
        std::size_t size;
        const char* file;
    };
    const Case cases[] = {{"3.05", "KORLU51", 14751, "start_gen0.txt"},
                          {"5.1 ", "T5b1", 32768, "start_gen1.txt"},
                          {"6.0 ", "T6_8051", 32768, "start_gen2.txt"}};
    for (const Case& c : cases) {
        EmuRig rig(boardOf(c.version, false));
        rig.image(c.image, c.size);
        rig.emu->SetProzessorTyp(1);
        rig.emu->SetFpgaName(c.image);
        rig.emu->Startup();
        std::string trace;
        for (const auto& record : rig.board.log()) {
            if (record.name == "x") continue;
            trace += record.name;
            if (record.bytes.size() > 24) {
                trace += Format(" (%d bytes)", record.bytes.size());
            } else {
                for (std::uint8_t b : record.bytes) trace += Format(" %.2X", b);
            }
            trace += "\n";
        }
        trace += "-- parts\n";
        for (const auto& call : rig.parts.log) trace += call + "\n";
        const std::string path = (test::sourceDir() / "tests" / "emulator" / "data" / c.file).string();
        std::string golden = fileText(path);
        const std::size_t body = golden.find("\n\n");
        if (std::getenv("TARVEX_UPDATE_GOLDEN")) {
            const std::string header = body == std::string::npos ? "" : golden.substr(0, body + 2);
            std::ofstream(path, std::ios::binary) << header << trace;
            continue;
        }
        ASSERT_NE(body, std::string::npos) << path;
        EXPECT_EQ(golden.substr(body + 2), trace) << c.file;
        EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
    }
}

TEST(StartSequence, NoReactionAndServiceMode) {
    {
        EmuRig rig(boardOf("5.1 "));
        rig.image("T5b1", 32768);
        rig.emu->SetFpgaName("T5b1");
        rig.parts.resetAllAnswer = -1;
        EXPECT_EQ(messageOf([&] { rig.emu->Startup(); }), "No reaction of target processor");
        EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateClosed);
        EXPECT_FALSE(rig.notice.open());
    }
    {
        EmuRig rig(boardOf("5.1 "));
        rig.image("T5b1", 32768);
        rig.emu->SetFpgaName("T5b1");
        rig.options.serviceMode = true;
        rig.parts.notYetReset = true;
        rig.emu->Startup();
        EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
        ASSERT_EQ(rig.boxes.shown().size(), 1u);
        EXPECT_EQ(rig.boxes.shown()[0].text, "Attention: no reset of target processor!");
        EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "RunControl.ResetAll"), 0);
        EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "Forms.ShowIapForm 1"), 1);
    }
    {
        // A missing image: the notice closes with the failure.
        EmuRig rig(boardOf("5.1 "));
        rig.emu->SetFpgaName("T5b1");
        EXPECT_NE(messageOf([&] { rig.emu->Startup(); }).find("not found"), std::string::npos);
        EXPECT_FALSE(rig.notice.open());
    }
}

// ---------------------------------------------------------------- monitor settings and patches

// Whether a line writes master memory at the address ("W N hi lo" or
// "P N n hi lo").
bool writes(const std::vector<std::string>& lines, std::uint16_t address) {
    const std::string wn = Format("W N %.2X %.2X", address >> 8, address & 0xFF);
    for (const auto& l : lines) {
        if (l.compare(0, wn.size(), wn) == 0) return true;
        if (l.size() >= 16 && l.compare(0, 4, "P N ") == 0 && l.compare(7, 5, wn.substr(4)) == 0) return true;
    }
    return false;
}

std::vector<std::string> afterNotification32(const char* version, int family, int mode = -1) {
    EmuRig rig(boardOf(version));
    rig.identify();
    rig.emu->SetProzessorTyp(static_cast<std::uint8_t>(family));
    if (mode >= 0) rig.emu->SetMonitorMode(static_cast<std::uint8_t>(mode));
    rig.emu->SetConnectionState(TBasisEmulator::StateReady);
    rig.wire.clear();
    rig.emu->Notify(TEmulator::NotifyProcessorChanged, nullptr);
    EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
    return rig.commands();
}

TEST(ChipPatches, ByFamilyFirmwareAndMonitorMode) {
    struct Case {
        const char* version;
        int family;
        int mode;
        std::vector<std::uint16_t> written;
        std::vector<std::uint16_t> untouched;
    };
    const Case cases[] = {
        {"5.1 ", 16, -1, {0x7EE9, 0x7EEF}, {0x7BD0, 0x7C94, 0x7C60}},
        {"4.2 ", 13, -1, {0x7C94, 0x7CA0, 0x7DB0, 0x7C18}, {0x7D00, 0x7EE9}},
        {"4.0 ", 13, -1, {0x7D00, 0x7D0A, 0x7D10, 0x7D19}, {0x7C94}},
        {"4.0 ", 2, 0, {0x7BD0, 0x7C33, 0x7CEE, 0x7DBD, 0x5C05, 0x5C3D, 0x7D44, 0x7D79, 0x7C60},
         {0x7EF7, 0x7580, 0x7590, 0x7D5E}},
        {"4.0 ", 2, 2, {0x7EF7, 0x7580, 0x7EE2, 0x7590}, {}},
        {"3.05", 2, 0, {0x7BD0, 0x5C05}, {0x7CEE}},
        {"5.1 ", 17, -1, {0x7EEA, 0x7EEC, 0x7EF5, 0x7EF9}, {0x7EF7, 0x7BD0}},
        {"5.1 ", 12, -1, {0x7C60, 0x7C61}, {0x7BD0}},
        {"5.1 ", 1, -1, {}, {0x7BD0, 0x7C60, 0x7EE9, 0x4000}},
    };
    for (const Case& c : cases) {
        const auto lines = afterNotification32(c.version, c.family, c.mode);
        EXPECT_EQ(lines[0], Format("W V 00 0F %.2X", c.family)) << c.family;
        for (auto a : c.written) EXPECT_TRUE(writes(lines, a)) << c.version << " f" << c.family << " " << a;
        for (auto a : c.untouched) EXPECT_FALSE(writes(lines, a)) << c.version << " f" << c.family << " " << a;
    }
    const auto aduc = afterNotification32("5.1 ", 16);
    EXPECT_EQ(countOf(aduc, "P N 04 7E E9 75 D7 00 90"), 1u);
    EXPECT_EQ(countOf(aduc, "P N 03 7E EF 75 A7 00"), 1u);
}

TEST(MonitorSettings, ConfigByteShadowOkiWaitTimeAndLpc) {
    EmuRig rig(boardOf("5.1 "));
    rig.identify();
    rig.emu->SetConnectionState(TBasisEmulator::StateReady);
    rig.board.withTarget([](sim::Target& t, sim::TraceRecorder&) { t.setIdata(0x22, 0x21); });
    rig.emu->SetPodKennung(true);
    rig.emu->SetPodKennung(false);
    const std::vector<std::string> pod = {"R I 00 22", "W I 00 22 29", "W N F0 FF 29", "W I 00 22 21",
                                          "W N F0 FF 21"};
    EXPECT_EQ(rig.commands(), pod);
    rig.wire.clear();
    rig.emu->SetWaitTimeReset(7);
    rig.parts.okiByte = 0x3C;
    rig.emu->TransmitOkiCpu();
    rig.options.lpc1 = 0x12;
    rig.options.lpc2 = 0x34;
    rig.emu->SetLpcConfig();  // not an LPC: nothing
    rig.emu->SetProzessorTyp(9);
    rig.emu->SetLpcConfig();
    const std::vector<std::string> rest = {"W N 7B FD 07", "W N 7B F3 3C", "W N F1 08 3C", "W V 00 0F 09",
                                           "P N 02 40 00 12 34"};
    EXPECT_EQ(rig.commands(), rest);
    // Below state 4 the setters only store.
    rig.emu->SetConnectionState(TBasisEmulator::StateStarted);
    rig.wire.clear();
    rig.emu->SetWaitTimeReset(9);
    rig.emu->SetProzessorTyp(1);
    rig.emu->SetPodKennung(true);
    EXPECT_TRUE(rig.commands().empty());
}

// ---------------------------------------------------------------- SFR access

TEST(SfrAccess, SavedDirectAndPseudoAddresses) {
    EmuRig rig(boardOf("5.1 "));
    rig.identify();
    rig.emu->SetProzessorTyp(1);
    rig.emu->SetConnectionState(TBasisEmulator::StateReady);
    const TMonitorData* data = rig.emu->MonitorData();
    ASSERT_NE(data, nullptr);
    const std::uint16_t acc = data->SaveCell(rig.emu->MonitorMode(), 0xE0).value();

    rig.emu->WriteSfr(0xE0, 0x12);
    EXPECT_EQ(rig.commands(), std::vector<std::string>{Format("W N %.2X %.2X 12", acc >> 8, acc & 0xFF)});
    EXPECT_EQ(rig.emu->ReadSfr(0xE0), 0x12);

    rig.board.withTarget([](sim::Target& t, sim::TraceRecorder&) { t.setSfr(0x90, 0x77); });
    rig.wire.clear();
    EXPECT_EQ(rig.emu->ReadSfr(0x90), 0x77);
    const auto before = rig.clock.monotonicMs();
    rig.emu->WriteSfr(0x90, 0x5A);
    EXPECT_GE(rig.clock.monotonicMs() - before, 20u);
    const std::vector<std::string> direct = {"D S 01 00 90", "P S 01 00 90", "5A"};
    EXPECT_EQ(rig.commands(), direct);
    rig.board.withTarget([](sim::Target& t, sim::TraceRecorder&) { EXPECT_EQ(t.sfr(0x90), 0x5A); });

    rig.parts.notYetReset = true;
    rig.wire.clear();
    EXPECT_EQ(rig.emu->ReadSfr(0x90), 0xFF);
    EXPECT_TRUE(rig.wire.empty());
    rig.parts.notYetReset = false;

    // Monitor mode 1 keeps the program counter split over paged cells.
    rig.emu->SetMonitorMode(1);
    rig.wire.clear();
    rig.emu->WriteSfr(TEmulator::SfrPcHigh, 0x12);
    const std::vector<std::string> split = {"W N 76 F4 16", "W N 76 FF 41", "W N 7E FF 41"};
    EXPECT_EQ(rig.commands(), split);
    EXPECT_EQ(rig.emu->ReadSfr(TEmulator::SfrPcHigh), 0x12);
    rig.wire.clear();
    rig.emu->WriteSfr(0x88, 0x05);  // TCON: its cell and 0x7EFB
    rig.emu->WriteSfr(0x9C, 0x06);
    EXPECT_TRUE(writes(rig.commands(), 0x7EFB));
    EXPECT_TRUE(writes(rig.commands(), 0x76F8));
    EXPECT_TRUE(writes(rig.commands(), 0x7EF8));
    // Family-bound cells.
    rig.emu->SetProzessorTyp(16);
    rig.emu->SetMonitorMode(0);
    rig.wire.clear();
    rig.emu->WriteSfr(0xD7, 0x01);
    rig.emu->WriteSfr(0xA7, 0x02);
    const std::vector<std::string> aduc = {"W N 7E EB 01", "W N 7E F1 02"};
    EXPECT_EQ(rig.commands(), aduc);
}

TEST(SfrAccess, TiMscHostAddresses) {
    EmuRig rig(boardOf("5.1 "));
    rig.identify();
    rig.emu->SetProzessorTyp(17);
    rig.emu->SetConnectionState(TBasisEmulator::StateReady);
    const int mode = rig.emu->MonitorMode();
    const TMonitorData* data = rig.emu->MonitorData();
    rig.board.setMaster(0x7EEB, 0x11);
    rig.board.setMaster(0x7EF6, 0x22);
    rig.board.setMaster(0x7EFA, 0x33);
    rig.board.setMaster(0x7080, 0x44);
    rig.emu->CorrectHostAddresses();
    EXPECT_EQ(rig.board.master(data->SaveCell(mode, 0x83).value()), 0x11);
    EXPECT_EQ(rig.board.master(data->SaveCell(mode, 0xE0).value()), 0x22);
    EXPECT_EQ(rig.board.master(data->SaveCell(mode, 0x88).value()), 0x33);
    EXPECT_EQ(rig.board.master(0x7EFA), 0x44);
    EXPECT_EQ(rig.board.master(0x7EF6), 0x88);
    EXPECT_EQ(rig.emu->ReadSfr(0xD8), 0x44);  // the TI MSC's own cell
}

TEST(EmulatorSwitches, FpgaVariantHoldsOnlyWhereItExists) {
    struct Case {
        const char* version;
        int family;
        int pod;
        bool on;
    };
    const Case cases[] = {{"4.3 ", 2, 0, true},  {"4.2 ", 2, 0, false}, {"5.1 ", 1, 0, false},
                          {"5.1 ", 18, 0, true}, {"5.1 ", 10, 3, false}, {"6.0 ", 15, 0, true}};
    for (const Case& c : cases) {
        EmuRig rig(boardOf(c.version));
        rig.identify();
        rig.options.pod = c.pod;
        rig.emu->SetProzessorTyp(static_cast<std::uint8_t>(c.family));
        rig.emu->SetFpgaVariante(true);
        EXPECT_TRUE(rig.emu->FpgaVariante());
        EXPECT_EQ(rig.emu->FpgaVariantFlag(), c.on) << c.version << " f" << c.family;
    }
}

// ---------------------------------------------------------------- watchdog

TEST(Watchdog, TrailersAndRegions) {
    struct Case {
        const char* version;
        int family;
        std::uint16_t code;
        bool copy;
    };
    const Case cases[] = {{"5.1 ", 1, 0x7DBD, true}, {"4.1 ", 2, 0x7DC0, true}, {"3.05", 2, 0x7DC0, false}};
    for (const Case& c : cases) {
        EmuRig rig(boardOf(c.version));
        rig.options.watchdog = 1;
        rig.options.watchdogSupport = true;
        for (std::size_t i = 0; i < 48; ++i) rig.options.commands[i] = static_cast<std::uint8_t>(i);
        rig.identify();
        rig.emu->SetProzessorTyp(static_cast<std::uint8_t>(c.family));
        rig.emu->SetConnectionState(TBasisEmulator::StateStarting);
        rig.board.setMaster(0x7C10, 0xA1);
        rig.board.setMaster(0x7C11, 0xA2);
        rig.board.setMaster(0x7C12, 0xA3);
        rig.board.setMaster(0x7C18, 0xB1);
        rig.board.setMaster(static_cast<std::uint16_t>(c.code + 18), 0xC3);
        rig.wire.clear();
        rig.emu->ReadWatchdogTrailers();
        rig.emu->UpdateWatchdog(1, true);
        const auto lines = rig.commands();
        const std::string hi = Format("%.2X %.2X", c.code >> 8, c.code & 0xFF);
        std::vector<std::string> expected = {"D N 13 7C 00", "D N 03 7C 18", "D N 13 " + hi,
                                             "P N 13 7C 00 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F A1 A2 A3",
                                             "P N 13 " + hi + " 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E 1F 00 00 C3"};
        if (c.copy)
            expected.push_back(Format("P N 13 %.2X %.2X", (c.code - 0x2100) >> 8, (c.code - 0x2100) & 0xFF) +
                               expected.back().substr(12));
        expected.push_back("P N 03 7C 18 B1 00 00");
        EXPECT_EQ(lines, expected) << c.version;
        EXPECT_EQ(rig.parts.log.back(), "RunControl.ResetSlave");
        // Nothing selected: zero commands, the trailers kept.
        rig.wire.clear();
        rig.emu->UpdateWatchdog(0, false);
        EXPECT_EQ(rig.commands()[0], "P N 13 7C 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 A1 A2 A3");
        rig.wire.clear();
        rig.emu->ResetMaster();
        EXPECT_EQ(rig.commands().front().compare(0, 3, "P N"), 0);
    }
    // Before the trailers were read, a master reset leaves the watchdog
    // code alone.
    EmuRig rig(boardOf("5.1 "));
    rig.identify();
    rig.emu->ResetMaster();
    for (const auto& line : rig.commands()) EXPECT_NE(line.compare(0, 3, "P N"), 0) << line;
}

// ---------------------------------------------------------------- processor change

struct SfrRig : EmuRig {
    explicit SfrRig(const char* version) : EmuRig(boardOf(version)), sfr(registers, *emu, options) {
        copyFile(test::sourceDir() / "data" / "VokRegs.txt", root.file("VokRegs.txt"));
        options.sfrFile = root.file("VokRegs.txt");
        emu->SetSfrConfig(&sfr);
    }
    // The image of the family on this board, made present.
    std::string imageFor(int family) {
        const std::string name = ChooseFpgaImageName(emu->Generation(), 0, family, emu->FirmwareCode(),
                                                     [](const std::string&) { return false; })
                                     .name;
        image(name, 32768);
        return name;
    }
    TRegisterTabelle registers;
    TSfrConfig sfr;
};

TEST(ProcessorChange, SameImageByNotificationOtherImageByReloadEachOnce) {
    SfrRig rig("6.0 ");
    rig.emu->SetBaudRate(0);
    rig.emu->InitStringEinlesen();
    rig.emu->CheckEpromVersion();
    ASSERT_EQ(rig.emu->Generation(), 2);
    ASSERT_EQ(rig.imageFor(1), rig.imageFor(16));  // the case that sent nothing
    rig.imageFor(2);
    rig.emu->Restart();
    rig.sfr.SetTargetName("80C51");
    rig.sfr.SetOptionNummer(1);
    rig.emu->Startup();
    ASSERT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);

    // 8051 to ADuC: the options set the family, then notify.
    rig.sfr.SetTargetName("ADuC812");
    rig.sfr.SetOptionNummer(16);
    rig.wire.clear();
    rig.emu->Notify(TEmulator::NotifyProcessorChanged, nullptr);
    auto lines = rig.commands();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "W V 00 0F 10");
    EXPECT_TRUE(writes(lines, 0xF0FF));  // pod flag
    EXPECT_TRUE(writes(lines, 0x7BF3));  // OKI
    EXPECT_TRUE(writes(lines, 0x7BFD));  // wait time
    EXPECT_EQ(countOf(lines, "P N 04 7E E9 75 D7 00 90"), 1u);
    EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);

    // To a Dallas family with its own image: the reload ends in state 5 with
    // the start from step 4 again; the notification then sends nothing.
    rig.wire.clear();
    rig.parts.log.clear();
    const int notified = rig.notifier.count(TEmulator::NotifyEmulatorState);
    rig.sfr.SetOptionNummer(2);
    EXPECT_TRUE(rig.sent("FF"));
    EXPECT_EQ(rig.emu->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(rig.notifier.count(TEmulator::NotifyEmulatorState), notified + 1);
    EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "RunControl.ResetAll"), 1);
    EXPECT_EQ(std::count(rig.parts.log.begin(), rig.parts.log.end(), "ProgramClear.ClearProgramMemory"), 0);
    const std::size_t afterReload = rig.commands().size();
    rig.emu->Notify(TEmulator::NotifyProcessorChanged, nullptr);
    lines = rig.commands();
    EXPECT_EQ(lines.size(), afterReload);
    EXPECT_EQ(countOf(lines, "W V 00 0F 02"), 2u);  // the setter's and step 4's
    EXPECT_TRUE(writes(lines, 0x7BD0));
    // A later notification of another cause sends again.
    rig.emu->Notify(TEmulator::NotifyProcessorChanged, nullptr);
    EXPECT_EQ(countOf(rig.commands(), "W V 00 0F 02"), 3u);
}

TEST(ProcessorChange, CanAddressIsKeptAcrossTheDataAccess) {
    for (std::uint8_t canAdr : {std::uint8_t{0x28}, std::uint8_t{0x05}}) {
        SfrRig rig("5.1 ");
        rig.identify();
        rig.emu->SetConnectionState(TBasisEmulator::StateReady);
        rig.sfr.SetTargetName("DS80C390");
        ASSERT_EQ(rig.sfr.CanDatAddress(), 0xDB);
        rig.emu->WriteSfr(0xDA, canAdr);
        rig.wire.clear();
        rig.emu->WriteSfr(0xDB, 0x01);
        std::vector<std::string> expected = {"D S 01 00 DA", "P S 01 00 DB", "01"};
        if (canAdr >= 32) {
            expected.push_back("P S 01 00 DA");
            expected.push_back(Format("%.2X", canAdr));
        }
        EXPECT_EQ(rig.commands(), expected);
        EXPECT_EQ(rig.emu->CanAdrValue(), canAdr);
    }
}

}  // namespace
}  // namespace tarvex
