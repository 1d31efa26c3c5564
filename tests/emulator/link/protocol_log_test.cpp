#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "emulator/link/basis_emulator.hpp"
#include "emulator/link/protocol_log.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

const std::string Stamp = "  0\"00'000  ";  // any 12 characters

std::vector<std::string> linesOf(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ProtocolLogLine, CommandFieldsOfAWriteAreSeparated) {
    const std::string rn = ProtocolLog::formatLine(Stamp, "WRITE: ", std::string("RN\x7F\x00", 4));
    EXPECT_EQ(rn, Stamp + " " + "WRITE:                 " + "RN\x7F." + "   " + "  524E 7F00");
    EXPECT_EQ(rn.substr(13 + 30), "  524E 7F00");  // the hex part starts at column 44

    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "WRITE: ", std::string("WN\x7F\x00\x55", 5)).substr(43),
              "  574E 7F00 55");
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "WRITE: ", std::string("DN\x03\x7C\x00", 5)).substr(43),
              "  444E 03 7C00");
    // A text part beyond 30 characters is followed by the hex part at once.
    const std::string pn = ProtocolLog::formatLine(Stamp, "WRITE: ", std::string("PN\x02\x7B\x00\xAA\xBB", 7));
    EXPECT_EQ(pn.substr(pn.find("  504E")), "  504E 02 7B00 AABB");
    const std::string b = ProtocolLog::formatLine(Stamp, "WRITE: ", std::string("B\x10\x00\x1F\xFF\x02\x99", 7));
    EXPECT_EQ(b.substr(b.find("  42 ")), "  42 1000 1FFF 02 99");
    // Only "WRITE: " lines are split, and only commands long enough.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "READ: ", std::string("RN\x7F\x00", 4)).substr(43), "  524E7F00");
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "WRITE: ", "RN\x01").substr(43), "  524E01");
}

TEST(ProtocolLogLine, TextPartPaddingAndCharacters) {
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "Startup", {}), Stamp + " Startup" + std::string(16, ' '));
    // A first byte below 0x14: hex only.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "READ: ", std::string("\x13\x41", 2)),
              Stamp + " READ:" + std::string(25, ' ') + "  1341");
    // From 0x14 on also as characters, control bytes as ".".
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "READ: ", std::string("A\x01", 2)),
              Stamp + " READ:" + std::string(18, ' ') + "A." + std::string(5, ' ') + "  4101");
    // Control characters in the text itself too.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "a\tb", {}).substr(13, 3), "a.b");
}

TEST(ProtocolLogLine, TextsKeepTheirUtf8AndArePaddedByCharacters) {
    // "ö" is two bytes of the text and one column of the line.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "USB: Puffer gel\xC3\xB6scht", {}),
              Stamp + " USB: Puffer gel\xC3\xB6scht" + std::string(3, ' '));
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "gel\xC3\xB6scht: ", std::string("\x01", 1)),
              Stamp + " gel\xC3\xB6scht: " + std::string(20, ' ') + "  01");
    // Data bytes are Latin-1; so is a stray byte of a text, so that the file stays UTF-8.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "READ: ", std::string("A\xF6", 2)),
              Stamp + " READ:" + std::string(18, ' ') + "A\xC3\xB6" + std::string(5, ' ') + "  41F6");
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "x\xF6y\xC3", {}).substr(13, 6), "x\xC3\xB6y\xC3\x83");
}

TEST(ProtocolLogLine, LongDataGoesOnALineOfItsOwn) {
    const std::string data(64, '\x01');
    const std::string line = ProtocolLog::formatLine(Stamp, "READ: ", data);
    const auto cut = line.find('\n');
    ASSERT_NE(cut, std::string::npos);
    EXPECT_EQ(line.substr(0, cut), Stamp + " READ:" + std::string(18, ' '));
    std::string hex;
    for (int i = 0; i < 64; ++i) hex += "01";
    EXPECT_EQ(line.substr(cut + 1), std::string(15, ' ') + hex);
    // 59 bytes still fit the line.
    EXPECT_EQ(ProtocolLog::formatLine(Stamp, "READ: ", std::string(59, '\x01')).find('\n'), std::string::npos);
}

TEST(ProtocolLogFile, NamesStampsAndTruncation) {
    test::TempDir dir;
    platform::FakeClock clock(3'723'004);
    ProtocolLog log(clock);
    log.setFileName(dir.file("trace"));
    EXPECT_EQ(log.fileName(), dir.file("trace.txt"));
    log.setFileName("");
    EXPECT_EQ(log.fileName(), "VokProt.txt");
    log.setFileName(dir.file("p.log"));
    EXPECT_EQ(log.fileName(), dir.file("p.log"));

    log.setEnabled(true);
    log.write("one");
    log.write("two");  // same millisecond
    clock.advance(5);
    log.write("three");
    log.setEnabled(false);
    auto lines = linesOf(dir.file("p.log"));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0].rfind("Date: ", 0), 0u);
    EXPECT_NE(lines[0].find(dir.file("p.log")), std::string::npos);
    EXPECT_EQ(lines[1].substr(0, 12), MsToTimeStr(3'723'004, 12));
    EXPECT_EQ(lines[1].substr(0, 12), " 1h02\"03'004");
    EXPECT_EQ(lines[2].substr(0, 13), std::string(13, ' '));
    EXPECT_EQ(lines[3].substr(0, 12), MsToTimeStr(3'723'009, 12));

    // Switching on again starts a fresh file.
    log.setEnabled(true);
    log.write("again");
    log.setEnabled(false);
    lines = linesOf(dir.file("p.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("again"), std::string::npos);
}

TEST(ProtocolLogFile, DataLinesOnlyWithTheSystemSwitch) {
    test::TempDir dir;
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    TBasisEmulator link(clock, settings);
    link.SetProtFileName(dir.file("prot"));
    link.SetProtokollieren(true);
    link.ProtokollSys("WRITE: ", "RN\x01\x02");
    link.Protokoll("Startup");
    EXPECT_EQ(link.protocolLog().formattedLines(), 0u);
    link.SetProtokollieren(false);
    auto lines = linesOf(dir.file("prot.txt"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[1].find("Startup"), std::string::npos);

    link.SetSysProtokollieren(true);  // also opens the file
    EXPECT_TRUE(link.Protokollieren());
    link.ProtokollSys("WRITE: ", "RN\x01\x02");
    EXPECT_EQ(link.protocolLog().formattedLines(), 1u);
    link.SetSysProtokollieren(false);
    EXPECT_FALSE(link.Protokollieren());
}

TEST(ProtocolLogFile, AFileThatCannotBeCreatedRaises) {
    platform::FakeClock clock;
    ProtocolLog log(clock);
    log.setFileName("/nonexistent-folder/x.txt");
    EXPECT_THROW(log.setEnabled(true), EFOpenError);
}

}  // namespace
}  // namespace tarvex
