#include "checker/qz_check_main.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "core/errors.hpp"
#include "core/pellunar.hpp"
#include "platform/ui.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

namespace fs = std::filesystem;

class RecordingCheck : public TQzCheck {
public:
    void WriteLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

std::string hexText(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& l : lines) text += l + "\r\n";
    return text;
}

void writeText(const std::string& path, const std::string& text) { test::writeBytes(path, {text.begin(), text.end()}); }
std::string readText(const std::string& path) {
    const auto b = test::readBytes(path);
    return {b.begin(), b.end()};
}

// One HEX line for a data record.
std::string dataLine(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    THexWriter w;
    w.WriteRecord(THexRecord::CreateData(static_cast<std::uint8_t>(bytes.size()), address,
                                         std::string(bytes.begin(), bytes.end())));
    return w.Lines().front();
}

struct Fixture : ::testing::Test {
    test::TempDir dir;
    RecordingCheck check;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes};

    // Runs a HEX file of the given lines; returns the report after the
    // settings line.
    std::vector<std::string> runHex(const std::string& name, const std::vector<std::string>& hexLines, int level) {
        const auto path = dir.file(name);
        writeText(path, hexText(hexLines));
        check.FormatSetting(TQzCheck::FormatHex);
        check.MessageLevelSetting(level);
        check.SetInputFile(path);
        check.lines.clear();
        check.RunCheck();
        EXPECT_FALSE(check.lines.empty());
        return {check.lines.begin() + 1, check.lines.end()};
    }
    // Writes a HEX file of the text and makes it the input; returns its path.
    std::string hexInput(const std::string& name, const std::string& text) {
        const auto path = dir.file(name);
        writeText(path, text);
        check.FormatSetting(TQzCheck::FormatHex);
        check.SetInputFile(path);
        return path;
    }
    // The message of the error the run stops with; empty where it ends.
    template <class Error = Exception>
    std::string runError() {
        try {
            check.RunCheck();
        } catch (const Error& e) {
            return e.message();
        }
        return {};
    }
};

using Report = std::vector<std::string>;

// ----------------------------------------------------------- code buffer

TEST(CodeBuffer, FullImageCountsAllBytes) {
    TCodeBuffer buffer;
    std::vector<std::uint8_t> chunk(256, 0xAA);
    for (std::uint32_t a = 0; a < 0x10000; a += 256) ASSERT_TRUE(buffer.Append(a, chunk.data(), chunk.size()));
    EXPECT_EQ(buffer.Count(), 0x10000u);
    EXPECT_EQ(buffer.TakeAndClear().size(), 0x10000u);
    EXPECT_TRUE(buffer.Empty());
}

TEST(CodeBuffer, BytesEndingAtTheHeldStartDoNotContinue) {
    TCodeBuffer buffer;
    const std::uint8_t b[4] = {1, 2, 3, 4};
    buffer.Append(0x62, b, 4);
    EXPECT_FALSE(buffer.Continues(0x5E, 4));
    EXPECT_TRUE(buffer.Continues(0x66, 4));
    EXPECT_FALSE(buffer.Continues(0x67, 4));
    buffer.Append(0x5E, b, 4);  // replaces the block instead of landing after it
    EXPECT_EQ(buffer.Start(), 0x5E);
    EXPECT_EQ(buffer.Count(), 4u);
}

TEST(CodeBuffer, BytesPastTheTopAreRefused) {
    TCodeBuffer buffer;
    const std::uint8_t b[2] = {1, 2};
    EXPECT_TRUE(TCodeBuffer::Fits(0xFFFE, 2));
    EXPECT_FALSE(TCodeBuffer::Fits(0xFFFF, 2));
    EXPECT_FALSE(buffer.Append(0xFFFF, b, 2));
    EXPECT_TRUE(buffer.Empty());
}

// ----------------------------------------------------------- settings

TEST(QzCheckSettings, VersionSettingsTextAndRegisterBank) {
    RecordingCheck check;
    EXPECT_EQ(check.GetVersion(), "1.13.10");
    EXPECT_EQ(check.RegisterBankSetting(), 1);
    check.RegisterBankSelect(3);
    EXPECT_EQ(check.RegisterBankSetting(), 3);
    check.RegisterBankSelect(9);
    EXPECT_EQ(check.RegisterBankSetting(), 0);
    check.FormatSetting(TQzCheck::FormatHex);
    check.CpuSetting(2);
    check.LineNumbersSetting(true);
    check.MessageLevelSetting(2);
    check.CompilerSetting(1);
    EXPECT_EQ(check.GetSettingsText(), " HEX TIMSC LINE LVL2 TASKING REGBANK0");
}

TEST(QzCheckSettings, RejectedLevelIsReportedAndKept) {
    RecordingCheck check;
    check.MessageLevelSetting(1);
    check.MessageLevelSetting(255);
    EXPECT_EQ(check.MessageLevel(), 1);
    EXPECT_EQ(check.lines, Report{"ERROR:   Ignore unvalid MsgLvl: 255"});
}

TEST(QzCheckSettings, MissingInputNamesTheThreePlacesTried) {
    RecordingCheck check;
    check.SetProgramDirectory("/opt/qz");
    const struct {
        std::string name, message;
    } cases[] = {
        // A bare name is looked for here and in the program's folder.
        {"qz-no-such-input.omf", "File not found: qz-no-such-input.omf; qz-no-such-input.omf; " +
                                     (fs::path("/opt/qz") / "qz-no-such-input.omf").string()},
        // A name with a folder part is the only name tried.
        {"/no/such/dir/t.omf", "File not found: /no/such/dir/t.omf"},
        {"no-such-dir/t.omf", "File not found: no-such-dir/t.omf"},
    };
    for (const auto& c : cases) {
        try {
            check.SetInputFile(c.name);
            ADD_FAILURE() << c.name;
        } catch (const EQzCheckError& e) {
            EXPECT_EQ(e.message(), c.message);
        }
    }
}

TEST(QzCheckSettings, InputFoundInTheProgramDirectory) {
    test::TempDir dir;
    writeText(dir.file("qz-program-dir-test.hex"), ":00000001FF\n");
    RecordingCheck check;
    check.SetProgramDirectory(dir.path().string());
    check.SetInputFile("qz-program-dir-test.hex");
    EXPECT_EQ(check.InputFile(), (dir.path() / "qz-program-dir-test.hex").string());
    EXPECT_EQ(check.OutputFile(), (dir.path() / "qz-program-dir-test.hex").string());
}

TEST(QzCheckSettings, AFolderIsNamedAsWhatWasWrong) {
    test::TempDir dir;
    fs::create_directory(dir.path() / "p.hex");
    RecordingCheck check;
    try {
        check.SetInputFile(dir.file("p.hex"));
        FAIL();
    } catch (const EQzCheckError& e) {
        EXPECT_EQ(e.message(), "Is a folder, not a file: " + dir.file("p.hex"));
    }
}

// ----------------------------------------------------------- HEX runs

TEST_F(Fixture, Example1ClrP0NoteAndNoOutput) {
    const auto report = runHex("t1.hex", {":03000000C28300B8", ":00000001FF"}, 2);
    EXPECT_EQ(report, (Report{"0000:          Pellunar CLR P0.3",
                              "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)"}));
    EXPECT_EQ(readText(dir.file("t1.hex")), ":03000000C28300B8\r\n:00000001FF\r\n");
    EXPECT_FALSE(fs::exists(dir.file("t1.hex.bak")));
    EXPECT_TRUE(check.lines.front().starts_with("QzChecker:   -  "));
    EXPECT_TRUE(check.lines.front().ends_with("t1.hex HEX 8051 LVL2 KEIL REGBANK1"));
}

TEST_F(Fixture, Example2CantEmulateNeedsNoQuestion) {
    const auto report = runHex("t2.hex", {":03000000F5800088", ":00000001FF"}, 0);
    EXPECT_EQ(report, (Report{"0000: ERROR:   Can't emulate Pellunar MOV P0,A: replace with: WriteP0()",
                              "QzChecker:   -  1 Error(s), 0 Warning(s), 0 Pellunar(s)"}));
    EXPECT_TRUE(boxes.shown().empty());
}

TEST_F(Fixture, Example3ReadCallIsReplacedAndTheOriginalKept) {
    const std::string original = ":0300000012FFF9F3\r\n:00000001FF\r\n";
    writeText(dir.file("t3.hex"), original);
    const auto report = runHex("t3.hex", {":0300000012FFF9F3", ":00000001FF"}, 2);
    const auto out = dir.file("t3.hex");
    EXPECT_EQ(report, (Report{"0000:          Pellunar MOV 07,P0", "QzChecker:   -  Create Intel hex file: " + out,
                              "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)"}));
    EXPECT_EQ(readText(out), ":0300000075070081\r\n:00000001FF\r\n");
    EXPECT_EQ(readText(out + ".bak"), original);
}

TEST_F(Fixture, Example4BlockIsScannedAtItsOwnAddress) {
    const auto report = runHex("t4.hex", {":03010000C28300B7", ":00000001FF"}, 2);
    EXPECT_EQ(report.front(), "0100:          Pellunar CLR P0.3");
}

TEST_F(Fixture, Example5MovBitCNeedsANop) {
    const auto report = runHex("t5.hex", {":03000000928113D7", ":00000001FF"}, 0);
    EXPECT_EQ(report.front(), "0000: ERROR:   Can't emulate Pellunar MOV P0.1,C: insert _nop_ after Pellunar");
}

// Two distant records are two blocks; records written backwards (the
// second ends exactly where the first starts) are scanned where they belong.
TEST_F(Fixture, RecordsAreScannedEachAtItsOwnAddress) {
    const struct {
        const char* file;
        std::uint16_t first, second;
        std::uint8_t secondBit;
        const char* firstNote;
        const char* secondNote;
    } cases[] = {
        {"two.hex", 0x0010, 0x0200, 0xA5, "0010:          Pellunar CLR P0.3", "0200:          Pellunar SETB P2.5"},
        {"back.hex", 0x0003, 0x0000, 0x81, "0003:          Pellunar CLR P0.3", "0000:          Pellunar SETB P0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto report = runHex(
            c.file,
            {dataLine(c.first, {0xC2, 0x83, 0x00}), dataLine(c.second, {0xD2, c.secondBit, 0x00}), ":00000001FF"}, 2);
        ASSERT_GE(report.size(), 2u);
        EXPECT_EQ(report[0], c.firstNote);
        EXPECT_EQ(report[1], c.secondNote);
    }
}

TEST_F(Fixture, FullImageIsScanned) {
    std::vector<std::string> lines;
    for (std::uint32_t a = 0; a < 0x10000; a += 16) {
        std::vector<std::uint8_t> bytes(16, 0x00);
        if (a == 0xF000) bytes = {0xC2, 0x80, 0xC2, 0x81, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        lines.push_back(dataLine(static_cast<std::uint16_t>(a), bytes));
    }
    lines.push_back(":00000001FF");
    const auto report = runHex("full.hex", lines, 0);
    EXPECT_EQ(report.back(), "QzChecker:   -  0 Error(s), 0 Warning(s), 2 Pellunar(s)");
}

TEST_F(Fixture, LevelZeroHidesNotes) {
    const auto report = runHex("lv.hex", {":03000000C28300B8", ":00000001FF"}, 0);
    EXPECT_EQ(report, Report{"QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)"});
}

TEST_F(Fixture, RejectedLevelCountsInTheSummary) {
    check.MessageLevelSetting(255);
    const auto path = hexInput("lvl.hex", ":03000000C28300B8\n:00000001FF\n");
    check.lines.clear();
    check.RunCheck();
    EXPECT_EQ(check.lines.back(), "QzChecker:   -  1 Error(s), 0 Warning(s), 1 Pellunar(s)");
}

TEST_F(Fixture, StubsInTheHookAreaAreLeftOut) {
    runHex(
        "stub.hex", {":0300000012FFF9F3", dataLine(0xFFF0, {0, 0, 0, 0, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22, 0x22,
                                                        0, 0, 0, 0}),
                     ":00000001FF"},
        0);
    // Both runs of RETs go, the second found in what the first split left.
    EXPECT_EQ(readText(dir.file("stub.hex")), ":0300000075070081\r\n" + dataLine(0xFFF0, {0, 0, 0, 0}) + "\r\n" +
                                                  dataLine(0xFFFC, {0, 0, 0, 0}) + "\r\n:00000001FF\r\n");
}

TEST_F(Fixture, WholeRunOfStubsAtTheEndOfTheProgramIsDropped) {
    runHex("end.hex", {dataLine(0xFFF8, {0x22, 0x22, 0x22, 0x22}), ":00000001FF"}, 0);
    EXPECT_EQ(readText(dir.file("end.hex")), ":00000001FF\r\n") << "the block in the hook area asks for output";
}

TEST_F(Fixture, NonDataRecordsAreCopiedUnchanged) {
    runHex("addr.hex", {":020000040000FA", ":0300000012FFF9F3", ":0400000300000000F9", ":00000001FF"}, 0);
    EXPECT_EQ(readText(dir.file("addr.hex")),
              ":020000040000FA\r\n:0300000075070081\r\n:0400000300000000F9\r\n:00000001FF\r\n");
}

TEST_F(Fixture, ExtendedAddressAbove64KiBIsRefused) {
    const auto path = hexInput("ext.hex", ":020000040001F9\n:0300000012FFF9F3\n:00000001FF\n");
    EXPECT_EQ(runError(),
              "Format error in HEX file \"" + path + "\": Extended address not supported in line: 1 of file: " + path);
    EXPECT_EQ(readText(path), ":020000040001F9\n:0300000012FFF9F3\n:00000001FF\n");
}

TEST_F(Fixture, ChecksumErrorIsSeparatedFromTheFileName) {
    const auto path = hexInput("bad.hex", ":0100000000FF\n:0100010000FE\n:0100020000FE\n");
    EXPECT_EQ(runError(), "Format error in HEX file \"" + path + "\": Checksum error in line: 3 of file: " + path);
}

TEST_F(Fixture, ErrorsAskBeforeWritingAndNoWritesNothing) {
    const std::string text = dataLine(0, {0x12, 0xFF, 0xF9, 0xF5, 0x80}) + "\n:00000001FF\n";
    const auto path = hexInput("ask.hex", text);
    boxes.answer(platform::IdNo);
    check.RunCheck();
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "  -  1 Error(s)! Create Intel hex file? ");
    EXPECT_EQ(platform::defaultButtonOf(boxes.shown()[0].flags), platform::IdNo);
    EXPECT_EQ(readText(path), text);
    EXPECT_FALSE(fs::exists(path + ".bak"));

    boxes.answer(platform::IdYes);
    check.lines.clear();
    check.RunCheck();
    EXPECT_EQ(check.lines[2], "QzChecker:   -  Create Intel hex file: " + path);
    EXPECT_EQ(readText(path + ".bak"), text);
}

TEST_F(Fixture, AFailedRunLeavesNothingBehindForTheNext) {
    const auto bad = hexInput("bad.hex", ":03000000C28300B8\n:0100010000FF\n");
    EXPECT_THROW(check.RunCheck(), Exception);
    // The same file, now repaired, is read from its start again.
    writeText(bad, ":03000000C28300B8\n:00000001FF\n");
    check.lines.clear();
    check.RunCheck();
    EXPECT_EQ(check.lines.back(), "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)");
}

TEST_F(Fixture, EmptyHexReportsNoCode) {
    const auto report = runHex("empty.hex", {":00000001FF"}, 0);
    EXPECT_EQ(report, (Report{"QzChecker: ERROR:   No code!", "QzChecker:   -  1 Error(s), 0 Warning(s), 0 Pellunar(s)"}));
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// ----------------------------------------------------------- OMF runs

using Bytes = std::vector<std::uint8_t>;

// One OMF record: type, length (body + checksum, little-endian), body, checksum.
// (Built byte by byte: GCC 12 at -O2 takes inserting after a braced start for
// an out-of-bounds copy.)
Bytes rec(std::uint8_t type, const Bytes& body) {
    Bytes out;
    out.reserve(body.size() + 4);
    out.push_back(type);
    out.push_back(static_cast<std::uint8_t>((body.size() + 1) & 0xFF));
    out.push_back(static_cast<std::uint8_t>((body.size() + 1) >> 8));
    for (std::uint8_t b : body) out.push_back(b);
    out.push_back(0);
    return out;
}
Bytes name(const std::string& s) {
    Bytes out;
    out.push_back(static_cast<std::uint8_t>(s.size()));
    for (char c : s) out.push_back(static_cast<std::uint8_t>(c));
    return out;
}
Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}
Bytes content(std::uint8_t segment, std::uint16_t offset, const Bytes& data) {
    return rec(0x06, cat({{segment, static_cast<std::uint8_t>(offset & 0xFF), static_cast<std::uint8_t>(offset >> 8)},
                          data}));
}
Bytes scope(std::uint8_t block, const std::string& n) { return rec(0x10, cat({{block}, name(n)})); }
Bytes line(std::uint16_t offset, std::uint16_t number) {
    return rec(0x12, {3, 0, static_cast<std::uint8_t>(offset & 0xFF), static_cast<std::uint8_t>(offset >> 8),
                      static_cast<std::uint8_t>(number & 0xFF), static_cast<std::uint8_t>(number >> 8)});
}
const Bytes kExtendedHeader = rec(0x2E, Bytes(16, 0));

struct OmfFixture : Fixture {
    std::vector<std::string> runOmf(const std::string& file, const Bytes& bytes, int level = 2) {
        const auto path = dir.file(file);
        test::writeBytes(path, bytes);
        check.FormatSetting(TQzCheck::FormatOmf51);
        check.MessageLevelSetting(level);
        check.SetInputFile(path);
        check.lines.clear();
        check.RunCheck();
        return {check.lines.begin() + 1, check.lines.end()};
    }
};

TEST_F(OmfFixture, FindingsAreLocatedBySourceLine) {
    const auto report = runOmf(
        "m.omf", cat({rec(0x02, name("M")), scope(0, "M"), rec(0x24, cat({{0, 0, 0}, name("prog.c")})),
                      scope(2, "MAIN"), content(0, 0x0100, {0x00, 0xC2, 0x83, 0x22}), line(0x0100, 11),
                      line(0x0101, 12), line(0x0103, 13), scope(5, "MAIN"), scope(3, "M"), rec(0x04, name("M"))}));
    // The symbol table keeps names upper-case, file names included.
    EXPECT_EQ(report[0], "PROG.C(12):          Pellunar CLR P0.3");
    EXPECT_EQ(report[1], "QzChecker:   -  Create Intel hex file: " + dir.file("m.hex"));
    EXPECT_EQ(readText(dir.file("m.hex")), dataLine(0x0100, {0x00, 0x44, 0x00, 0x22}) + "\r\n:00000001FF\r\n");
}

// "No" to the question (a batch build without a terminal answers so): the
// report says that no HEX file was written, and names an older one it left.
TEST_F(OmfFixture, NoToTheQuestionIsReportedWithTheOlderFileLeft) {
    const Bytes program = content(0, 0x0000, {0x12, 0xFF, 0xF9, 0xF5, 0x80});
    const auto hex = dir.file("e.hex");
    const std::string older = ":00000001FF\r\n";
    for (bool stale : {false, true}) {
        SCOPED_TRACE(stale);
        if (stale) writeText(hex, older);
        boxes.answer(platform::IdNo);
        const auto report = runOmf("e.omf", program, 0);
        Report expected{"QzChecker:   -  No Intel hex file written"};
        if (stale) expected.push_back("QzChecker:   -  Older Intel hex file left unchanged: " + hex);
        expected.push_back("QzChecker:   -  1 Error(s), 0 Warning(s), 1 Pellunar(s)");
        ASSERT_GE(report.size(), expected.size());
        EXPECT_EQ(Report(report.end() - static_cast<std::ptrdiff_t>(expected.size()), report.end()), expected);
        if (stale)
            EXPECT_EQ(readText(hex), older);
        else
            EXPECT_FALSE(fs::exists(hex));
    }
}

TEST_F(OmfFixture, CallBytesInsideATableKeepTheProgramsBytesAndWarn) {
    // A public code symbol of type unsigned char (3) over a table whose bytes
    // read as LCALL 0FFF9H.
    const Bytes symbol = rec(0x12, cat({{1, 0, 0, 0x00, 0x02, 3}, name("TABLE")}));
    const auto report = runOmf("table.omf", cat({symbol, content(0, 0x0200, {0x12, 0xFF, 0xF9, 0x00})}), 1);
    EXPECT_EQ(report, (Report{"QzChecker:   -  Create Intel hex file: " + dir.file("table.hex"),
                              "0200: WARNING: LCALL code not substituted: 12FFF9",
                              "QzChecker:   -  0 Error(s), 1 Warning(s), 1 Pellunar(s)"}));
    EXPECT_EQ(readText(dir.file("table.hex")), dataLine(0x0200, {0x12, 0xFF, 0xF9, 0x00}) + "\r\n:00000001FF\r\n");
}

TEST_F(OmfFixture, LevelZeroHidesWarningsButTheSummaryCountsThem) {
    // MOV P0.1,C; NOP with the NOP on a line of its own: the hook would run
    // past the end of its source line, so it is ignored with a warning.
    const Bytes program = cat({scope(0, "M"), scope(2, "F"), content(0, 0x0100, {0x92, 0x81, 0x00, 0x00, 0x22}),
                               line(0x0100, 10), line(0x0102, 11), scope(5, "F"), scope(3, "M")});
    const auto quiet = runOmf("w.omf", program, 0);
    EXPECT_EQ(quiet, (Report{"QzChecker:   -  Create Intel hex file: " + dir.file("w.hex"),
                             "QzChecker:   -  0 Error(s), 1 Warning(s), 0 Pellunar(s)"}));
    const auto loud = runOmf("w.omf", program, 1);
    EXPECT_EQ(loud[0], "0100: WARNING: Ignore Pellunar MOV P0.1,C; NOP");
}

TEST_F(OmfFixture, StartUpCodeWrittenAfterTheFunctionsLandsAtItsAddress) {
    // As SDCC writes it: the function first, then the code from 0x0000 that
    // ends exactly where the function starts.
    const auto report = runOmf("s.omf", cat({content(0, 0x0004, {0xC2, 0x83, 0x22}),
                                             content(0, 0x0000, {0xD2, 0x81, 0x00, 0x00})}));
    EXPECT_EQ(report[0], "0004:          Pellunar CLR P0.3");
    EXPECT_EQ(report[1], "0000:          Pellunar SETB P0.1");
    EXPECT_EQ(readText(dir.file("s.hex")), dataLine(0x0004, {0x44, 0x00, 0x22}) + "\r\n" +
                                               dataLine(0x0000, {0x44, 0x00, 0x00, 0x00}) + "\r\n:00000001FF\r\n");
}

TEST_F(OmfFixture, LongContentIsWrittenInSixteenByteRecords) {
    Bytes code(40, 0x00);
    runOmf("long.omf", content(0, 0x0FF0, code), 0);
    const auto text = readText(dir.file("long.hex"));
    EXPECT_EQ(text, dataLine(0x0FF0, Bytes(16, 0)) + "\r\n" + dataLine(0x1000, Bytes(16, 0)) + "\r\n" +
                        dataLine(0x1010, Bytes(8, 0)) + "\r\n:00000001FF\r\n");
}

TEST_F(OmfFixture, TruncatedFileIsAFormatErrorAndWritesNothing) {
    const auto path = dir.file("cut.omf");
    test::writeBytes(path, cat({content(0, 0, {0xC2, 0x83}), {0x06, 0x10, 0x00, 0x00}}));
    check.SetInputFile(path);
    const std::string error = runError<EQzCheckError>();
    EXPECT_TRUE(error.starts_with("Format error in OMF file \"" + path + "\": ")) << error;
    EXPECT_FALSE(fs::exists(dir.file("cut.hex")));
}

TEST_F(OmfFixture, EveryBankIsReportedButNoHexFileWritten) {
    const auto report = runOmf("banked.omf", cat({kExtendedHeader, content(0, 0x0010, {0xC2, 0x83, 0x00}),
                                                  content(0x11, 0x8000, {0x00, 0xD2, 0xA5, 0x00}),
                                                  content(0x13, 0x8000, {0xF5, 0x80, 0x00})}));
    EXPECT_EQ(report, (Report{" X0010:          Pellunar CLR P0.3", "018001:          Pellunar SETB P2.5",
                              "038000: ERROR:   Can't emulate Pellunar MOV P0,A: replace with: WriteP0()",
                              "QzChecker:   -  No Intel hex file for banked code (16-bit addresses only): " +
                                  dir.file("banked.hex"),
                              "QzChecker:   -  1 Error(s), 0 Warning(s), 2 Pellunar(s)"}));
    EXPECT_TRUE(check.OutputRefused());
    EXPECT_TRUE(boxes.shown().empty()) << "nothing to ask about";
    EXPECT_FALSE(fs::exists(dir.file("banked.hex")));
    // The analyser holds four bank images; a fifth bank is refused whole.
    const auto path = dir.file("bank4.omf");
    test::writeBytes(path, cat({kExtendedHeader, content(0x14, 0x8000, {0x00})}));
    check.SetInputFile(path);
    EXPECT_EQ(runError<EQzCheckError>(), "Banked code beyond bank 3 is not supported: 048000");
}

TEST_F(OmfFixture, ContentPastTheTopOfMemoryIsRefused) {
    const auto path = dir.file("top.omf");
    test::writeBytes(path, content(0, 0xFFF0, Bytes(32, 0x00)));
    check.SetInputFile(path);
    EXPECT_EQ(runError<EQzCheckError>(), "Code beyond 0xFFFF at FFF0");
    EXPECT_FALSE(fs::exists(dir.file("top.hex")));
}

TEST_F(OmfFixture, CommonCodeOfAnExtendedFileIsChecked) {
    const auto report = runOmf("common.omf", cat({kExtendedHeader, content(0, 0x0010, {0xC2, 0x83, 0x00})}));
    EXPECT_EQ(report.back(), "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)");
}

TEST_F(OmfFixture, ExtendedHeaderOfOneFileDoesNotChangeTheNext) {
    runOmf("first.omf", cat({kExtendedHeader, content(0, 0x0010, {0x00})}));
    // Without its own extended header a segment byte is no bank.
    const auto report = runOmf("second.omf", content(0x11, 0x0010, {0xC2, 0x83, 0x00}));
    EXPECT_EQ(report.back(), "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)");
}

TEST_F(OmfFixture, FileWithoutContentReportsNoCodeAndWritesOnlyTheEndRecord) {
    const auto report = runOmf("none.omf", cat({rec(0x02, name("M")), rec(0x04, name("M"))}), 0);
    EXPECT_EQ(report[0], "QzChecker: ERROR:   No code!");
    // An error asks first; the scripted answer is the default, No.
    EXPECT_EQ(boxes.shown().size(), 1u);
    EXPECT_FALSE(fs::exists(dir.file("none.hex")));
}

}  // namespace
}  // namespace tarvex

namespace tarvex {
namespace {

// ----------------------------------------------------------- what a HEX file holds

TEST_F(Fixture, AnEmptyRecordInTheMiddleHidesNothingAfterIt) {
    boxes.answer(platform::IdYes);
    const std::vector<std::string> program = {dataLine(0x0000, {0x12, 0xFF, 0xF9}), ":0000000000",
                                              dataLine(0x0010, {0x12, 0xFF, 0xF9}),
                                              dataLine(0x0020, {0xF5, 0x80, 0x00}), ":00000001FF"};
    const auto report = runHex("gap.hex", program, 0);
    EXPECT_EQ(report, (Report{"0020: ERROR:   Can't emulate Pellunar MOV P0,A: replace with: WriteP0()",
                              "QzChecker:   -  Create Intel hex file: " + dir.file("gap.hex"),
                              "QzChecker:   -  1 Error(s), 0 Warning(s), 2 Pellunar(s)"}));
    EXPECT_EQ(readText(dir.file("gap.hex")), hexText({":0300000075070081", ":0000000000", ":0300100075070071",
                                                      program[3], ":00000001FF"}));
    EXPECT_EQ(readText(dir.file("gap.hex.bak")), hexText(program));
}

TEST_F(Fixture, WhatTheFileDoesNotSayWhole) {
    const std::string a = dataLine(0x0000, {0x00, 0x00, 0x00}), b = dataLine(0x0002, {0x00, 0x00});
    const struct {
        std::vector<std::string> lines;
        Report report;
    } cases[] = {
        {{a, ":00000001FF", "", b, ":00000001FF"},
         {"QzChecker: ERROR:   Not read: 2 line(s) after the end record, from line: 4",
          "QzChecker:   -  1 Error(s), 0 Warning(s), 0 Pellunar(s)"}},
        {{a, b, ":00000001FF"},
         {"0002: WARNING: Data of line 2 overlaps data of line 1",
          "QzChecker:   -  0 Error(s), 1 Warning(s), 0 Pellunar(s)"}},
        {{a},
         {"QzChecker: WARNING: No end record: the file may be incomplete",
          "QzChecker:   -  0 Error(s), 1 Warning(s), 0 Pellunar(s)"}},
        {{a, ":00000001FF", "", "\x1A"}, {"QzChecker:   -  0 Error(s), 0 Warning(s), 0 Pellunar(s)"}},
    };
    for (const auto& c : cases) EXPECT_EQ(runHex("w.hex", c.lines, 1), c.report) << c.lines.front();
}

TEST_F(Fixture, OverlappingHooksAreCountedAsListed) {
    const auto report = runHex("o.hex", {dataLine(0x0000, {0xC2, 0x83, 0x00}), dataLine(0x0000, {0xC2, 0x83, 0x00}),
                                         ":00000001FF"},
                               2);
    EXPECT_EQ(report, (Report{"0000: WARNING: Data of line 2 overlaps data of line 1", "0000:          Pellunar CLR P0.3",
                              "QzChecker:   -  0 Error(s), 1 Warning(s), 1 Pellunar(s)"}));
}

// ----------------------------------------------------------- the user's files

// A call to replace and code in the hook area: every run rewrites it.
const std::vector<std::string> kRewritten = {":0300000012FFF9F3", ":01FFA0000060", ":00000001FF"};

TEST_F(Fixture, NoRunEverLosesAnOriginalProgram) {
    const auto path = dir.file("p.hex");
    const std::string first = ":0300000012FFF9F3\n:01FFA0000060\n:00000001FF\n";  // LF: the output differs
    const std::string second = ":0300100012FFF9E3\n:01FFA0000060\n:00000001FF\n";
    const struct {
        std::string input;  // written before the run; empty: the file as the last run left it
        std::string kept;   // the report's backup line, if any
    } runs[] = {
        {first, ""},                      // p.hex.bak
        {"", "p.hex.bak1"},               // a second run: its input is the first run's output
        {"", ""},                         // ... which p.hex.bak1 holds already
        {first, ""},                      // recompiled to the first program: p.hex.bak holds it
        {second, "p.hex.bak2"},           // recompiled to another program
    };
    for (const auto& run : runs) {
        if (!run.input.empty()) writeText(path, run.input);
        const auto before = readText(path);
        check.FormatSetting(TQzCheck::FormatHex);
        check.SetInputFile(path);
        check.lines.clear();
        check.RunCheck();
        const std::string prefix = "QzChecker:   -  Input kept as: ";
        const auto named = std::find_if(check.lines.begin(), check.lines.end(),
                                        [&](const std::string& l) { return l.starts_with(prefix); });
        if (run.kept.empty()) {
            EXPECT_EQ(named, check.lines.end()) << "a backup line after run " << &run - runs;
        } else {
            ASSERT_NE(named, check.lines.end()) << run.kept;
            EXPECT_EQ(*named, prefix + dir.file(run.kept));
            EXPECT_EQ(readText(dir.file(run.kept)), before);
        }
    }
    EXPECT_EQ(readText(path + ".bak"), first);
    EXPECT_EQ(readText(path + ".bak2"), second);
    EXPECT_FALSE(fs::exists(path + ".bak3"));
}

TEST_F(Fixture, AReadOnlyFileIsCheckedButNotReplaced) {
    const auto path = dir.file("ro.hex");
    writeText(path, hexText(kRewritten));
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    check.FormatSetting(TQzCheck::FormatHex);
    check.SetInputFile(path);
    check.lines.clear();
    check.RunCheck();
    EXPECT_EQ(Report(check.lines.begin() + 1, check.lines.end()),
              (Report{"QzChecker:   -  Read-only file not replaced: " + path,
                      "QzChecker:   -  0 Error(s), 0 Warning(s), 1 Pellunar(s)"}));
    EXPECT_TRUE(check.OutputRefused());
    EXPECT_EQ(readText(path), hexText(kRewritten));
    EXPECT_FALSE(fs::exists(path + ".bak"));
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(OmfFixture, AReadOnlyObjectFileIsOnlyReadButAReadOnlyHexBesideItIsKept) {
    const auto omf = dir.file("r.omf");
    test::writeBytes(omf, content(0, 0x0010, {0xC2, 0x83, 0x00}));
    fs::permissions(omf, fs::perms::owner_read);
    runOmf("r.omf", test::readBytes(omf), 0);
    EXPECT_FALSE(check.OutputRefused());
    EXPECT_EQ(readText(dir.file("r.hex")), dataLine(0x0010, {0x44, 0x00, 0x00}) + "\r\n:00000001FF\r\n");
    fs::permissions(dir.file("r.hex"), fs::perms::owner_read);
    fs::permissions(omf, fs::perms::owner_write, fs::perm_options::add);
    const auto report = runOmf("r.omf", content(0, 0x0020, {0xC2, 0x83, 0x00}), 0);
    EXPECT_EQ(report.front(), "QzChecker:   -  Read-only file not replaced: " + dir.file("r.hex"));
    EXPECT_TRUE(check.OutputRefused());
    EXPECT_EQ(readText(dir.file("r.hex")), dataLine(0x0010, {0x44, 0x00, 0x00}) + "\r\n:00000001FF\r\n");
    fs::permissions(dir.file("r.hex"), fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(Fixture, ALinkedInputStaysALinkAndTheFileItNamesIsCorrected) {
    fs::create_directory(dir.path() / "real");
    const auto real = (dir.path() / "real" / "p.hex").string();
    writeText(real, hexText(kRewritten));
    std::error_code ec;
    fs::create_symlink(fs::path("real") / "p.hex", dir.path() / "l.hex", ec);
    if (ec) GTEST_SKIP() << "no symbolic links here";
    check.FormatSetting(TQzCheck::FormatHex);
    check.SetInputFile(dir.file("l.hex"));
    check.RunCheck();
    EXPECT_TRUE(fs::is_symlink(dir.path() / "l.hex"));
    EXPECT_EQ(readText(real), hexText({":0300000075070081", ":01FFA0000060", ":00000001FF"}));
    EXPECT_EQ(readText(dir.file("l.hex.bak")), hexText(kRewritten));
}

}  // namespace
}  // namespace tarvex
