#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "core/errors.hpp"
#include "emulator/link/board_identity.hpp"
#include "tests/support/target/link_fixture.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

using test::SimLink;

int countCommands(const sim::Board& board, const std::string& name) {
    int n = 0;
    for (const auto& c : board.log()) n += c.name == name;
    return n;
}

TEST(VersionCode, TableRows) {
    EXPECT_EQ(VersionCode("5.1 "), 19);
    EXPECT_EQ(VersionCode("3.05"), 12);
    EXPECT_EQ(VersionCode("3.0 "), 11);
    EXPECT_EQ(VersionCode("3.01"), 11);
    EXPECT_EQ(VersionCode("4.31"), 17);
    EXPECT_EQ(VersionCode("4.35"), 16);
    EXPECT_EQ(VersionCode("4.4 "), 17);
    EXPECT_EQ(VersionCode("1.4 "), 3);
    EXPECT_EQ(VersionCode("1.7B"), 7);
    EXPECT_EQ(VersionCode("2.0 "), 9);
    EXPECT_EQ(VersionCode("6.1x"), 22);
    EXPECT_EQ(VersionCode("7.0 "), 0);
    EXPECT_EQ(VersionCode(""), 0);
}

TEST(BoardIdentity, NamesGenerationsAndSerialText) {
    EXPECT_EQ(GeraetName(0), "TARVEX-IV");
    EXPECT_EQ(GeraetName(2), "TARVEX-6");
    EXPECT_EQ(GeraetName(7), "");
    EXPECT_EQ(HardwareGeneration(0x32), 0);
    EXPECT_EQ(HardwareGeneration(0x08), 1);
    EXPECT_EQ(HardwareGeneration(0x09), 255);
    EXPECT_EQ(TraceKind(0x08, 16), 0);
    EXPECT_EQ(TraceKind(0x08, 17), 1);
    EXPECT_EQ(TraceKind(0x09, 11), 1);
    EXPECT_EQ(TraceKind(0x01, 11), 255);
    EXPECT_EQ(SerialNumberText(0x1234, 2), "61234.02");
    EXPECT_EQ(SerialNumberText(0x0012, 2), "61112.02");
    EXPECT_EQ(SerialNumberText(0x0234, 0x14), "61234.14");
    EXPECT_EQ(SerialNumberText(0xFFFFFFFFu, 2), "-");
    std::vector<std::string> names{"old"};
    FillClockNames(names);
    ASSERT_EQ(names.size(), 20u);
    EXPECT_EQ(names[9], "12");
    EXPECT_EQ(names[8], "11,1");
}

TEST(Handshake, IdentifiesTheBoardAndItsFirmware) {
    test::TempDir dir;
    SimLink s;
    s.link->SetProtFileName(dir.file("prot.txt"));
    s.link->SetProtokollieren(true);
    s.identify();
    EXPECT_EQ(s.link->EpromVersion(), "5.1 ");
    EXPECT_EQ(s.link->FirmwareCode(), 19);
    EXPECT_EQ(s.link->Generation(), 1);
    EXPECT_EQ(s.link->HardwareName(), "TARVEX-V");
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateIdentified);
    EXPECT_FALSE(s.link->TimeoutFlag());
    EXPECT_EQ(s.link->BusyCount(), 0);
    // The notice window was up during the handshake and is closed again.
    ASSERT_EQ(s.notice.shown().size(), 1u);
    EXPECT_EQ(s.notice.shown()[0], "Initializing communication to emulator");
    EXPECT_FALSE(s.notice.open());
    // Twelve polls at 50 ms each, on virtual time.
    EXPECT_EQ(countCommands(s.board, "x"), 12);
    EXPECT_GE(s.clock.totalSlept(), 600u);
    s.link->SetProtokollieren(false);
    std::ifstream in(dir.file("prot.txt"));
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(all.find("InitString eingelesen Version: 5.1 \n"), std::string::npos);
}

TEST(Handshake, BytesBeforeTheVersionDoNotMatterAndOldIdentificationIsKnown) {
    sim::BoardConfig config;
    config.junkPrefix = {'#', 0x00, 'T', 'A', 'R'};
    config.version = "3.05";
    config.identification = "TARVEX  ";
    SimLink s(config);
    s.identify();
    EXPECT_EQ(s.link->EpromVersion(), "3.05");
    EXPECT_EQ(s.link->FirmwareCode(), 12);
    EXPECT_EQ(s.link->Generation(), 0);
    EXPECT_EQ(s.link->SerialNumber(), TBasisEmulator::NoSerialNumber);
    EXPECT_EQ(s.link->GetSeriennummerText(), "-");
}

TEST(Handshake, SuccessOnlyWithTheFourVersionBytesInHand) {
    // A board that sends the identification with nothing before it: the
    // first eight bytes already match, but the version is not there yet.
    sim::BoardConfig config;
    config.version = "";
    SimLink s(config);
    s.link->InitStringEinlesen();
    EXPECT_EQ(countCommands(s.board, "x"), 16);
    EXPECT_EQ(s.link->EpromVersion(), "EX51");
    EXPECT_THROW(s.link->CheckEpromVersion(), ETarvexAbort);
}

TEST(Handshake, SilentBoardIsNotReadyAfterTheInitTimeout) {
    SimLink s;
    s.board.setSilent(true);
    const auto before = s.clock.monotonicMs();
    try {
        s.link->InitStringEinlesen();
        FAIL() << "no start error";
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "Emulator on port COM1 not ready");
    }
    EXPECT_GE(s.clock.monotonicMs() - before, 4000u);
    EXPECT_LT(s.clock.monotonicMs() - before, 4100u);
    EXPECT_TRUE(s.link->TimeoutFlag());
    EXPECT_FALSE(s.notice.open());
    EXPECT_EQ(s.link->BusyCount(), 0);
}

TEST(Handshake, AnOpenErrorBecomesAStartError) {
    SimLink s;
    s.link->setSerialPortOpener([](const std::string&) -> std::unique_ptr<platform::SerialPort> {
        throw platform::SerialError(2, "open", true);
    });
    try {
        s.link->InitStringEinlesen();
        FAIL();
    } catch (const EEmulatorStartError& e) {
        EXPECT_EQ(e.message(), "Open error 2 on port COM1\r\n Emulator on port COM1 not ready");
        EXPECT_EQ(e.value(), 0);
    }
}

TEST(Handshake, StaleBytesAreFlushedAfterTheHandshake) {
    SimLink s;
    // A board that answers late lets several identification bytes pile up.
    s.board.setAnswerDelay(120);
    s.link->InitStringEinlesen();
    s.board.setAnswerDelay(0);
    s.board.setMaster(0x1234, 0x5A);
    EXPECT_EQ(s.link->ReadN(0x1234), 0x5A);
}

// A board that answers late, up to the read time-out, starts: the answers
// still owed to the last polls are read before the next command, which then
// gets its own answer.
TEST(Handshake, ABoardAnsweringLateStartsAndStaysInStep) {
    for (std::uint32_t delay : {55u, 300u, 1900u}) {
        SCOPED_TRACE(delay);
        SimLink s;
        s.board.setAnswerDelay(delay);
        s.link->Startup();
        EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
        EXPECT_EQ(s.link->EpromVersion(), "5.1 ");
        EXPECT_EQ(s.link->GetSeriennummerText(), "61234.04");
        s.board.setMaster(0x1234, 0x5A);
        EXPECT_EQ(s.link->ReadN(0x1234), 0x5A);
        EXPECT_FALSE(s.link->TimeoutFlag());
    }
}

TEST(Startup, SwitchesTo115200AndIdentifiesAgainAtTheNewRate) {
    SimLink s;
    s.link->Startup();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateReady);
    EXPECT_EQ(s.link->CurrentBaudIndex(), 2);
    EXPECT_EQ(s.board.baud(), 115200u);
    // The lone byte after "y" went out with RTS off and was not a command.
    bool switched = false, tailIgnored = false;
    int pollsAtNewRate = 0;
    for (const auto& c : s.board.log()) {
        if (c.name == "y") switched = c.bytes == test::bytesOf(std::string("y\x00", 2));
        if (c.name == "ignored" && c.bytes == std::vector<std::uint8_t>{0x20}) tailIgnored = true;
        if (c.name == "x" && c.baud == 115200) ++pollsAtNewRate;
    }
    EXPECT_TRUE(switched);
    EXPECT_TRUE(tailIgnored);
    EXPECT_GE(pollsAtNewRate, 12);
    // The base start reads the serial number in flash block 1.
    EXPECT_EQ(s.board.flashBlock(), 1);
    EXPECT_EQ(s.link->GetSeriennummerText(), "61234.04");
}

TEST(Startup, At38400TheTailByteIsAQuote) {
    SimLink s;
    s.link->SetBaudRate(1);
    s.link->Startup();
    EXPECT_EQ(s.board.baud(), 38400u);
    bool tail = false;
    for (const auto& c : s.board.log()) tail |= c.name == "ignored" && c.bytes == std::vector<std::uint8_t>{0x22};
    EXPECT_TRUE(tail);
}

TEST(Startup, UnsupportedFirmwareAborts) {
    sim::BoardConfig config;
    config.version = "2.0 ";
    SimLink s(config);
    try {
        s.link->Startup();
        FAIL();
    } catch (const ETarvexAbort& e) {
        EXPECT_EQ(e.message(), "EPROM version 2.0  not supported");
    }
}

TEST(Startup, OlderFirmwareReadsTheSerialNumberThroughIap) {
    sim::BoardConfig config;
    config.version = "4.0 ";
    config.deviceVersion = 2;
    config.serialNumber = 0x0012;
    config.hardwareId = 0x08;
    SimLink s(config);
    s.identify();
    // Code 13 with device version 2 reads as 4.03, code 14.
    EXPECT_EQ(s.link->FirmwareCode(), 14);
    EXPECT_EQ(s.link->EpromVersion(), "4.03");
    EXPECT_EQ(s.link->GetSeriennummerText(), "61112.08");
    EXPECT_EQ(countCommands(s.board, "k"), 0);
    EXPECT_EQ(countCommands(s.board, "aIaP"), 4);
}

TEST(ResetMaster, ReturnsTheBoardTo9600) {
    SimLink s;
    s.link->Startup();
    s.link->ResetMaster();
    EXPECT_EQ(s.link->ConnectionState(), TBasisEmulator::StateOpen);
    EXPECT_EQ(s.link->CurrentBaudIndex(), 0);
    EXPECT_EQ(s.board.baud(), 9600u);
    EXPECT_EQ(s.board.flashBlock(), 0);
    // And the link still talks to it.
    s.board.setMaster(0x10, 0x77);
    EXPECT_EQ(s.link->ReadN(0x10), 0x77);
}

}  // namespace
}  // namespace tarvex
