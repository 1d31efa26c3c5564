#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <cstdlib>
#include <thread>

#include "core/errors.hpp"
#include "emulator/link/d2xx.hpp"
#include "platform/parallel_port.hpp"
#include "platform/port_list.hpp"
#include "tests/support/target/link_fixture.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using test::boardOf;
using test::bytesOf;
using test::SimLink;

std::vector<sim::CommandRecord> named(const sim::Board& board, const std::string& name) {
    std::vector<sim::CommandRecord> out;
    for (const auto& c : board.log())
        if (c.name == name) out.push_back(c);
    return out;
}

TEST(FixedCommands, MemoriesAndVariablesRoundTrip) {
    SimLink s;
    s.identify();
    s.link->WriteN(0x7F00, 0x55);
    s.link->WriteI(0x22, 0x08);
    s.link->WriteV(0x000F, 0x03);
    EXPECT_EQ(s.board.master(0x7F00), 0x55);
    EXPECT_EQ(s.board.internal(0x22), 0x08);
    EXPECT_EQ(s.board.variable(0x000F), 0x03);
    EXPECT_EQ(s.link->ReadN(0x7F00), 0x55);
    EXPECT_EQ(s.link->ReadI(0x22), 0x08);
    EXPECT_EQ(s.link->ReadV(0x000F), 0x03);
    EXPECT_EQ(named(s.board, "RI").back().bytes, bytesOf(std::string("RI\x00\x22", 4)));
    EXPECT_EQ(named(s.board, "WN").back().bytes, bytesOf(std::string("WN\x7F\x00\x55", 5)));
    s.link->EnableExtReset();  // not enabled: nothing sent
    EXPECT_TRUE(named(s.board, "WN").size() == 1);
    s.link->SetExtResetEnabled(true);
    s.link->EnableExtReset();
    EXPECT_EQ(s.board.master(0xF500), 3);
    s.link->DisableExtReset();
    EXPECT_EQ(s.board.master(0xF500), 0);
}

TEST(FixedCommands, FrameReadFormFollowsTheFirmware) {
    // A 16-bit counter alone, with a count, a 24-bit counter with a count.
    const std::pair<const char*, std::size_t> forms[] = {{"4.2 ", 3}, {"4.3 ", 4}, {"5.0 ", 5}};
    for (const auto& [version, expected] : forms) {
        sim::BoardConfig config;
        config.version = version;
        // The link's frame size before the trace board sets it.
        config.frameSize = 11;
        SimLink s(config);
        s.identify();
        const auto frames = s.link->FrameLesen(0x012345, 1);
        ASSERT_EQ(frames.size(), 11u) << version;
        const auto n = named(s.board, "n");
        ASSERT_EQ(n.size(), 1u);
        EXPECT_EQ(n[0].bytes.size(), expected) << version;
    }
}

// Bytes still coming right behind an answer (40 where 1 or 16 were asked)
// mean the link is out of step: the answer is no data, and the link is
// broken as after a short answer, until it is started again.
TEST(Timeouts, AnAnswerLongerThanAskedIsNoData) {
    const std::pair<const char*, std::function<void(TBasisEmulator&)>> reads[] = {
        {"RN", [](TBasisEmulator& l) { l.ReadN(0x7F00); }},
        {"RI", [](TBasisEmulator& l) { l.ReadI(0x30); }},
        {"RV", [](TBasisEmulator& l) { l.ReadV(0x000F); }},
        {"n", [](TBasisEmulator& l) { l.FrameLesen(0x10, 1); }},
    };
    for (const auto& [name, read] : reads) {
        SCOPED_TRACE(name);
        sim::BoardConfig config;
        config.frameSize = 11;
        SimLink s(config);
        s.identify();
        s.board.armAtCommand(name, [](sim::Board& b) { b.garbleNextAnswer(std::vector<std::uint8_t>(40, 0x77)); });
        EXPECT_THROW(read(*s.link), EEmulatorTimeoutError);
        EXPECT_TRUE(s.link->TimeoutFlag());
        EXPECT_FALSE(s.link->HandleOpen());
        s.link->Restart();
        s.identify();
        s.link->WriteN(0x7F00, 0x5A);
        EXPECT_EQ(s.link->ReadN(0x7F00), 0x5A);
    }
}

TEST(Timeouts, AShortAnswerBreaksTheLinkUntilRestart) {
    SimLink s;
    s.identify();
    s.board.shortenNextAnswer(0);
    try {
        s.link->ReadN(0x1000);
        FAIL();
    } catch (const EEmulatorTimeoutError& e) {
        EXPECT_EQ(e.message(), "Communication error! Please restart emulator");
    }
    EXPECT_TRUE(s.link->TimeoutFlag());
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateClosed);
    EXPECT_FALSE(s.link->HandleOpen());
    // No further byte goes out and no read waits.
    const auto received = s.board.bytesReceived();
    const auto now = s.clock.monotonicMs();
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(s.link->ReadN(0x1000), 0);
        s.link->WriteN(0x1000, 1);
        EXPECT_EQ(s.link->Schreiben("RN\x10\x00"), 0u);
        EXPECT_TRUE(s.link->Lesen(5).empty());
    }
    EXPECT_EQ(s.board.bytesReceived(), received);
    EXPECT_EQ(s.clock.monotonicMs(), now);

    s.link->Restart();
    EXPECT_FALSE(s.link->TimeoutFlag());
    s.board.setMaster(0x1000, 0x42);
    EXPECT_EQ(s.link->ReadN(0x1000), 0x42);
}

TEST(Timeouts, OverlongCommandsAndFlashBlocksAreRefusedBeforeAnythingGoesOut) {
    SimLink s;
    s.identify();
    const auto before = s.board.bytesReceived();
    EXPECT_THROW(s.link->Schreiben("PN" + std::string(254, '\x01')), EEmulatorError);
    EXPECT_THROW(s.link->FlashBlockTransfer(0x2000, std::string(251, '\x05')), EEmulatorError);
    EXPECT_EQ(s.board.bytesReceived(), before);
    // The link is whole: no restart needed.
    EXPECT_FALSE(s.link->TimeoutFlag());
    EXPECT_EQ(s.link->Schreiben("WN" + std::string("\x00\x01\x02", 3)), 5u);
    EXPECT_EQ(s.link->FlashBlockTransfer(0x2000, std::string(250, '\x05')), 0);
    EXPECT_EQ(s.board.flash(0, 0x2000 + 249), 0x05);
    EXPECT_EQ(s.board.flash(0, 0x2000 + 250), 0xFF);
}

TEST(Timeouts, AnAnswerThatComesLateButInTimeIsTaken) {
    SimLink s;
    s.identify();
    s.board.setAnswerDelay(1500);
    s.board.setMaster(1, 9);
    EXPECT_EQ(s.link->ReadN(1), 9);
    s.board.setAnswerDelay(2500);
    EXPECT_THROW(s.link->ReadN(1), EEmulatorTimeoutError);
}

TEST(Iap, EraseWaitsLongerAndPutsTheTimeoutBackEvenOnFailure) {
    SimLink s;
    s.identify();
    EXPECT_FALSE(s.link->SettingsChanged());
    s.board.setAnswerDelay(15000);
    EXPECT_EQ(s.link->FlashCommand(0x16, 1, 0x2000, 0), 0);
    EXPECT_EQ(s.link->TimeoutReadWrite(), 2000u);

    s.board.setAnswerDelay(25000);
    EXPECT_THROW(s.link->FlashCommand(0x16, 1, 0x2000, 0), EEmulatorTimeoutError);
    EXPECT_EQ(s.link->TimeoutReadWrite(), 2000u);
    EXPECT_FALSE(s.link->SettingsChanged());
    // With the flag set an erase answers 0xFF, anything else 0.
    EXPECT_EQ(s.link->FlashCommand(0x16, 1, 0x2000, 0), 0xFF);
    EXPECT_EQ(s.link->FlashCommand(0x16, 3, 0x2000, 0), 0);
}

TEST(Iap, BlockEraseSelectsTheBlockAndSkipsWhenTheBoardSaysSo) {
    SimLink s;
    s.link->Startup();  // ends in flash block 1
    EXPECT_EQ(s.link->IAPBlockErase(1), 0);
    EXPECT_EQ(s.board.flashBlock(), 0);
    const auto erase = named(s.board, "aFlC").back().bytes;
    EXPECT_EQ(erase, bytesOf(std::string("aFlC\x16\x01\x20\x00\x00", 9)));

    sim::BoardConfig config;
    config.iapInfo = 88;
    SimLink t(config);
    t.link->Startup();
    const auto before = named(t.board, "aFlC").size();
    EXPECT_EQ(t.link->IAPBlockErase(0), 0);
    EXPECT_EQ(named(t.board, "aFlC").size(), before + 1);  // only the query
}

// Below firmware 18 the block goes byte-wise (mode 2 in the header), from
// 18 on in one write (mode 0); the data phase is the same.
TEST(Iap, BlockTransferByteWiseBelowFirmware18AndInOneWriteFrom18) {
    const struct {
        const char* version;
        char mode;
    } cases[] = {
        {"4.31", '\x02'},  // code 17
        {"5.1 ", '\x00'},  // code 19
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.version);
        SimLink s(boardOf(c.version));
        s.identify();
        s.board.clearLog();
        EXPECT_EQ(s.link->FlashBlockTransfer(0x2000, std::string("\x01\x02\x03", 3)), 0);
        const auto log = s.board.log();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].bytes, bytesOf(std::string("bFlC\x03\x16\x02\x20", 8) + c.mode));
        EXPECT_EQ(log[1].bytes, (std::vector<std::uint8_t>{3, 2, 1}));
        EXPECT_EQ(s.board.flash(0, 0x2000), 1);
        EXPECT_EQ(s.board.flash(0, 0x2002), 3);
    }
}

TEST(Iap, AByteWiseTransferThatStopsEarlyBreaksTheLink) {
    sim::BoardConfig config;
    config.version = "4.2 ";  // code 15
    SimLink s(config);
    s.identify();
    s.board.failFlashByteAt(1, 0x55);
    try {
        s.link->FlashBlockTransfer(0x2000, std::string("\x01\x02\x03\x04", 4));
        FAIL();
    } catch (const EFlashTransferError& e) {
        // Still a broken link to the host, with the board's reason kept.
        EXPECT_NE(dynamic_cast<const EEmulatorTimeoutError*>(&e), nullptr);
        EXPECT_EQ(e.errorByte(), 0x55);
        EXPECT_EQ(e.address(), 0x2002);  // the second byte sent is the third of the block
        EXPECT_EQ(e.bytesDone(), 2u);
        EXPECT_EQ(e.count(), 4u);
        EXPECT_EQ(e.message(), "Flash write failed at 2002 (byte 2 of 4): the emulator answered 55\r\n"
                               "Communication error! Please restart emulator");
    }
    EXPECT_TRUE(s.link->TimeoutFlag());
    // The restart resets the board, which no longer waits for data bytes.
    s.link->Restart();
    s.board.setMaster(0x30, 0x31);
    EXPECT_EQ(s.link->ReadN(0x30), 0x31);
    // A failure on the last byte is just the answer.
    s.board.failFlashByteAt(1, 0x55);
    EXPECT_EQ(s.link->FlashBlockTransfer(0x2000, std::string("\x01\x02", 2)), 0x55);
    EXPECT_FALSE(s.link->TimeoutFlag());
}

TEST(FlashBlock, ToggleOnlyOnChangeAndNeverOnTheOldestBoards) {
    SimLink s;
    s.identify();
    s.link->FlashBlockSwitch(0);
    EXPECT_TRUE(named(s.board, "z").empty());
    s.link->FlashBlockSwitch(1);
    s.link->FlashBlockSwitch(1);
    EXPECT_EQ(named(s.board, "z").size(), 1u);
    EXPECT_EQ(s.board.flashBlock(), 1);

    sim::BoardConfig config;
    config.version = "3.0 ";
    SimLink old(config);
    old.identify();
    old.link->FlashBlockSwitch(1);
    EXPECT_TRUE(named(old.board, "z").empty());
    EXPECT_EQ(old.link->FlashBlock(), 1);
}

TEST(FlashBlock, ReestablishedAfterAReconnect) {
    SimLink s;
    s.identify();
    s.link->FlashBlockSwitch(1);
    s.board.shortenNextAnswer(0);
    EXPECT_THROW(s.link->ReadN(0), EEmulatorTimeoutError);
    EXPECT_FALSE(s.link->FlashBlockKnown());
    s.link->Restart();
    s.link->FlashBlockSwitch(1);
    EXPECT_EQ(s.board.flashBlock(), 1);
    EXPECT_TRUE(s.link->FlashBlockKnown());

    // A flash write after a failure reopens the serial port first, and the
    // reset puts the board into the block the link takes it to be in.
    s.board.shortenNextAnswer(0);
    EXPECT_THROW(s.link->ReadN(0), EEmulatorTimeoutError);
    s.link->Restart();
    EXPECT_EQ(s.link->FlashBlockTransfer(0x2000, "\x07"), 0);
    EXPECT_EQ(s.board.flash(0, 0x2000), 0x07);
    EXPECT_EQ(s.link->FlashBlock(), 0);
}

TEST(Transports, ASerialSessionSurvivesTheUsbListWithoutTheLibrary) {
    SimLink s;
    s.link->Startup();
    ASSERT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    s.link->setUsbLibrary("/nonexistent/" + ftd2xx::LibraryName());
    s.board.clearLog();
    EXPECT_THROW(s.link->ListUsbDevices(), EUsbDllError);
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfSerial);
    s.board.setMaster(0x10, 0x77);
    EXPECT_EQ(s.link->ReadN(0x10), 0x77);
    // No reopen: no reset, no second handshake, still at the fast rate.
    for (const auto& c : s.board.log()) EXPECT_TRUE(c.name != "x" && c.name != "reset") << c.name;
    EXPECT_EQ(s.board.baud(), 115200u);
}

TEST(Transports, AFailedBindingLeavesNameTransportAndPortAsTheyWere) {
    SimLink s;
    s.link->setIoSearchDirs("/nonexistent-a", "/nonexistent-b");
    s.link->setUsbLibrary("/nonexistent/" + ftd2xx::LibraryName());
    s.link->GetHandle();
    for (const char* name : {"LPT1", "USB", "LPT1"}) {
        SCOPED_TRACE(name);
        // Every try raises: the same name again is no silent no-op.
        EXPECT_ANY_THROW(s.link->SetPortName(name));
        EXPECT_EQ(s.link->PortName(), "COM1");
        EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfSerial);
        EXPECT_TRUE(s.link->HandleOpen());
        EXPECT_FALSE(s.link->SettingsChanged());
    }
}

TEST(Settings, DefaultsLoadAndSave) {
    SimLink s;
    s.link->LoadSettings();
    EXPECT_EQ(s.link->PortName(), "COM1");
    EXPECT_EQ(s.link->PortAdresse(), 888);
    EXPECT_TRUE(s.link->PortExclusiv());
    EXPECT_EQ(s.link->BaudRate(), 2);
    EXPECT_EQ(s.link->TimeoutInitString(), 4000u);
    EXPECT_EQ(s.link->TimeoutReadWrite(), 2000u);
    EXPECT_FALSE(s.link->SysProtokollieren());

    s.link->SetBaudRate(1);
    s.link->SetTimeoutReadWrite(3000);
    EXPECT_TRUE(s.link->SettingsChanged());
    s.link->SaveSettings();
    EXPECT_FALSE(s.link->SettingsChanged());
    const char* key = TBasisEmulator::RegistryKey;
    EXPECT_EQ(s.settings.readInteger(key, "Interface", "BaudRate", -1), 1);
    EXPECT_EQ(s.settings.readInteger(key, "Interface", "TimeoutReadWrite", -1), 3000);
    EXPECT_EQ(s.settings.readString(key, "Interface", "Port", ""), "COM1");
    EXPECT_FALSE(s.settings.readBool(key, "Interface", "Protokoll", true));

    TBasisEmulator other(s.clock, s.settings);
    other.LoadSettings();
    EXPECT_EQ(other.BaudRate(), 1);
    EXPECT_EQ(other.TimeoutReadWrite(), 3000u);
}

TEST(Settings, PortChangesRefusedWhileTheBoardIsStarted) {
    SimLink s;
    s.link->SetPortName("com2");
    EXPECT_EQ(s.link->PortName(), "COM2");
    EXPECT_EQ(s.link->Interface(), TBasisEmulator::IfSerial);
    s.identify();
    try {
        s.link->SetPortName("COM3");
        FAIL();
    } catch (const EEmulatorCommError& e) {
        EXPECT_EQ(e.message(), "Changes on port configuration not allowed");
    }
    s.link->SetPortName("COM2");  // the same name is fine
    s.link->SetPortName("com2");
    EXPECT_THROW(s.link->SetPortAdresse(0x278), EEmulatorCommError);
    s.link->SetPortAdresse(0x378);
    EXPECT_EQ(s.link->PortName(), "COM2");
}

TEST(Settings, PortChosenWhileStartedWaitsForTheNextStart) {
    SimLink s;
    s.link->SetPortName("COM2");
    s.identify();
    s.link->SetPortSettingsForNextStart("com3", 0x278, false);
    EXPECT_EQ(s.link->PortName(), "COM2");
    EXPECT_TRUE(s.link->PortSettingsPending());
    s.link->SaveSettings();
    const char* key = TBasisEmulator::RegistryKey;
    EXPECT_EQ(s.settings.readString(key, "Interface", "Port", ""), "COM3");
    EXPECT_EQ(s.settings.readInteger(key, "Interface", "PortAdresse", 0), 0x278);
    s.link->Restart();
    s.link->Startup();
    EXPECT_EQ(s.link->PortName(), "COM3");
    EXPECT_EQ(s.link->PortAdresse(), 0x278);
    EXPECT_FALSE(s.link->PortSettingsPending());
    // Closed: the setters at once.
    s.link->Restart();
    s.link->SetPortSettingsForNextStart("COM4", 0x378, true);
    EXPECT_EQ(s.link->PortName(), "COM4");
    EXPECT_FALSE(s.link->PortSettingsPending());
}

#ifndef _WIN32  // Windows opens the port name itself
TEST(Settings, PortListNamesExistingDevicesAndConfiguredPorts) {
    platform::MemorySettingsStore settings;
    const char* key = TBasisEmulator::RegistryKey;
    settings.writeString(key, "Ports", "COM7", "/dev/null");
    settings.writeString(key, "Ports", "COM9", "/nonexistent/tty");
    const auto ports = platform::listPorts(settings, key);
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM7"), ports.end());
    EXPECT_NE(std::find(ports.begin(), ports.end(), "COM9"), ports.end());  // named in the settings
    EXPECT_EQ(std::count(ports.begin(), ports.end(), "COM7"), 1);
}

TEST(Settings, ComPortNamesResolveToDevices) {
    platform::MemorySettingsStore settings;
    const char* key = TBasisEmulator::RegistryKey;
    EXPECT_EQ(platform::serialDevicePath("COM1", settings, key), "/dev/ttyS0");
    EXPECT_EQ(platform::serialDevicePath("COM12", settings, key), "/dev/ttyS11");
    settings.writeString(key, "Ports", "COM5", "/dev/ttyUSB0");
    EXPECT_EQ(platform::serialDevicePath("COM5", settings, key), "/dev/ttyUSB0");
    ::setenv("TARVEX_PORT_COM7", "/dev/pts/9", 1);
    EXPECT_EQ(platform::serialDevicePath("COM7", settings, key), "/dev/pts/9");
    ::unsetenv("TARVEX_PORT_COM7");
    // A parallel port has a node only when one is named.
    EXPECT_EQ(platform::parallelDevicePath("LPT1", settings, key), "");
    settings.writeString(key, "Ports", "LPT1", "/dev/parport0");
    EXPECT_EQ(platform::parallelDevicePath("LPT1", settings, key), "/dev/parport0");
    ::setenv("TARVEX_PORT_LPT2", "/tmp/lpt2", 1);
    EXPECT_EQ(platform::parallelDevicePath("LPT2", settings, key), "/tmp/lpt2");
    ::unsetenv("TARVEX_PORT_LPT2");
}
#endif

TEST(ProtocolLines, CommandsAnswersAndFailuresAreLogged) {
    test::TempDir dir;
    SimLink s;
    s.link->SetProtFileName(dir.file("prot.txt"));
    s.link->SetSysProtokollieren(true);
    s.identify();
    s.board.setMaster(0x7F00, 0x41);
    s.link->ReadN(0x7F00);
    s.board.shortenNextAnswer(0);
    EXPECT_THROW(s.link->ReadN(0x7F00), EEmulatorTimeoutError);
    s.link->SetSysProtokollieren(false);
    std::ifstream in(dir.file("prot.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(13));
    auto has = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    };
    // Text padded to 23, data as characters, padded to 30, two blanks, hex.
    EXPECT_TRUE(has("WRITE:" + std::string(17, ' ') + "RN\x7F." + std::string(3, ' ') + "  524E 7F00"));
    EXPECT_TRUE(has("READ:" + std::string(18, ' ') + "A" + std::string(6, ' ') + "  41"));
    EXPECT_TRUE(has("READ FEHLER (Soll: 1/Ist: 0): "));
    EXPECT_TRUE(has("Timeout ERROR          "));
}

TEST(Threads, OneExchangeIsAtomic) {
    SimLink s;
    s.identify();
    for (int a = 0; a < 256; ++a) s.board.setMaster(static_cast<std::uint16_t>(0x100 + a), static_cast<std::uint8_t>(a));
    std::atomic<int> wrong{0};
    auto reader = [&](int offset) {
        for (int i = 0; i < 2000; ++i) {
            const int a = (i * 7 + offset) & 0xFF;
            if (s.link->ReadN(static_cast<std::uint16_t>(0x100 + a)) != a) ++wrong;
        }
    };
    std::thread t1(reader, 0), t2(reader, 101);
    t1.join();
    t2.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace tarvex
