#include "checker/hex_classes.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string errorOf(THexReader& reader) {
    try {
        reader.ReadRecord();
    } catch (const EHexFileError& e) {
        return e.message();
    }
    return "(no error)";
}

struct TextReader : THexReader {
    explicit TextReader(const std::string& text) { SetText(text); }
};

TEST(HexWriter, WritesDataRecordWithItsChecksum) {
    THexWriter writer;
    writer.WriteRecord(THexRecord::CreateData(3, 0x1234, "\x01\x02\x03"));
    ASSERT_EQ(writer.Lines().size(), 1u);
    EXPECT_EQ(writer.Lines()[0], ":03123400010203B1");
}

TEST(HexWriter, EmptiedWriterGivesRecordsInOrderThenEndRecord) {
    THexWriter writer;
    writer.WriteRecord(THexRecord::CreateData(1, 0, "\xAA"));
    writer.Clear();
    writer.WriteRecord(THexRecord::CreateData(2, 0x0010, std::string("\x00\x01", 2)));
    writer.WriteRecord(THexRecord::CreateData(1, 0x0000, "\x22"));
    writer.WriteEndRecord();
    EXPECT_EQ(writer.Lines(), (std::vector<std::string>{":020010000001ED", ":0100000022DD", ":00000001FF"}));
}

TEST(HexWriter, SavedFileReadsBackAndReplacesTheOldOne) {
    test::TempDir dir;
    const auto path = dir.file("out.hex");
    test::writeBytes(path, {'o', 'l', 'd'});
    THexWriter writer;
    writer.WriteRecord(THexRecord::CreateData(3, 0xFFFD, "\x22\x22\x22"));
    writer.WriteEndRecord();
    writer.SaveToFile(path);
    THexReader reader;
    reader.SetFileName(path);
    const auto record = reader.ReadRecord();
    EXPECT_EQ(record.address, 0xFFFD);
    EXPECT_EQ(record.data, "\x22\x22\x22");
    reader.ReadRecord();
    EXPECT_TRUE(reader.Eof());
}

TEST(HexRecord, UpdateChecksumCoversTheTypeOfNonDataRecords) {
    THexRecord record;
    record.type = 4;
    record.SetData(std::string("\x00\x01", 2));
    EXPECT_EQ(record.checksum, 0xF9);  // :020000040001F9
}

TEST(HexRecord, ContainsAddressAndByteAtTheTopOfMemory) {
    const auto record = THexRecord::CreateData(4, 0xFFFC, "\x22\x22\x22\x01");
    EXPECT_TRUE(record.ContainsAddress(0xFFFF));
    EXPECT_FALSE(record.ContainsAddress(0x10000));
    EXPECT_FALSE(record.ContainsAddress(0xFFFB));
    EXPECT_TRUE(record.HasByteAt(0x22, 0xFFFC));
    EXPECT_FALSE(record.HasByteAt(0x22, 0xFFFF));
    EXPECT_TRUE(record.HasByteAt(0x01, 0xFFFF));
}

TEST(HexReader, ReadsDataAndStopsAtTheEndRecord) {
    TextReader reader(":03000000C28300B8\r\n:00000001FF\r\n:0100000022DD\r\n");
    EXPECT_FALSE(reader.Eof());
    const auto record = reader.ReadRecord();
    EXPECT_EQ(record.type, 0);
    EXPECT_EQ(record.address, 0);
    EXPECT_EQ(record.data, std::string("\xC2\x83\x00", 3));
    EXPECT_EQ(record.line, 1);
    const auto end = reader.ReadRecord();
    EXPECT_EQ(end.type, 1);
    EXPECT_TRUE(reader.Eof());
}

TEST(HexReader, ChecksumOneTooHighInTheThirdLine) {
    TextReader reader(":0100000000FF\n:0100010000FE\n:0100020000FE\n");
    reader.SetFileName("");  // keeps the text: the name is already empty
    reader.ReadRecord();
    reader.ReadRecord();
    EXPECT_EQ(errorOf(reader), "Checksum error in line: 3 of file: ");
    EXPECT_EQ(reader.Position(), 2) << "the cursor stays on the failing line";
}

TEST(HexReader, ChecksumErrorNamesTheFile) {
    test::TempDir dir;
    const auto path = dir.file("t.hex");
    const std::string text = ":0100000000FF\n:0100010000FE\n:0100020000FE\n";
    test::writeBytes(path, {text.begin(), text.end()});
    THexReader reader;
    reader.SetFileName(path);
    reader.ReadRecord();
    reader.ReadRecord();
    EXPECT_EQ(errorOf(reader), "Checksum error in line: 3 of file: " + path);
}

TEST(HexReader, MalformedLinesAreFormatErrorsNotOutOfBoundsReads) {
    const char* bad[] = {
        ":01000000G0FF",        // non-hex digit in the data
        ":0300000000",          // truncated: the data and checksum are missing
        ":030000",              // shorter than the fixed fields
        "",                     // a blank line
        "0300000000C28300B8",   // no colon
        ":FF000000",            // a length the line cannot hold
        ":02000000C2",          // data cut in the middle
        ":0X000000FF",          // non-hex digit in the length
        ":0100000000FF:0100010000FE",  // two records run together: the second would be lost
        ":00000001FF00",        // an end record with more after it
    };
    for (const char* line : bad) {
        TextReader reader(std::string(":00000000FF\n") + line + "\n");
        reader.SetPosition(1);
        EXPECT_EQ(errorOf(reader), "Format error in line: 2 of file: ") << '"' << line << '"';
        EXPECT_EQ(reader.Position(), 1);
        EXPECT_FALSE(reader.Eof());
    }
}

TEST(HexReader, DataRecordRunningPastTheTopOfMemoryIsRefused) {
    TextReader reader(":02FFFF00000000\n");
    EXPECT_EQ(errorOf(reader), "Record beyond 0xFFFF in line: 1 of file: ");
    TextReader fits(":01FFFF0022DF\n");
    EXPECT_EQ(fits.ReadRecord().data, "\x22");
}

TEST(HexReader, OtherRecordTypesKeepTheirFieldsAndAreChecked) {
    TextReader reader(":020000040001F9\n:020000040001F8\n");
    const auto record = reader.ReadRecord();
    EXPECT_EQ(record.type, 4);
    EXPECT_EQ(record.data, std::string("\x00\x01", 2));
    EXPECT_EQ(record.checksum, 0xF9);
    EXPECT_EQ(errorOf(reader), "Checksum error in line: 2 of file: ");
}

TEST(HexReader, OnlyTheEndRecordEndsReading) {
    // Empty records of any type are read past: the code after them counts.
    TextReader reader(":0000000000\n:00000003FD\n:0100000000FF\n:00000001FF\n:0100000000FF\n");
    EXPECT_EQ(reader.ReadRecord().length, 0);
    EXPECT_FALSE(reader.Eof());
    EXPECT_EQ(reader.ReadRecord().type, 3);
    EXPECT_FALSE(reader.Eof());
    EXPECT_EQ(reader.ReadRecord().data, std::string(1, '\0'));
    EXPECT_EQ(reader.ReadRecord().type, THexRecord::EndOfFile);
    EXPECT_TRUE(reader.Eof());
    EXPECT_EQ(reader.Position(), 4) << "the lines after the end stay for the caller to see";
}

TEST(HexReader, EveryRecordIsTestedAndUnknownTypesAreRefused) {
    const struct {
        const char* line;
        const char* error;
    } cases[] = {
        {":00000001FE", "Checksum error in line: 1 of file: "},   // the end record
        {":00000000FF", "Checksum error in line: 1 of file: "},   // an empty data record
        {":00000003FE", "Checksum error in line: 1 of file: "},   // an empty start record
        {":00000006FA", "Unknown record type 06 in line: 1 of file: "},
        {":01000010AA45", "Unknown record type 10 in line: 1 of file: "},
        {":0100000100FE", "Format error in line: 1 of file: "},   // an end record with data
    };
    for (const auto& c : cases) {
        TextReader reader(std::string(c.line) + "\n:00000001FF\n");
        EXPECT_EQ(errorOf(reader), c.error) << c.line;
        EXPECT_EQ(reader.Position(), 0);
    }
}

TEST(HexReader, PositionOutOfRangeAndRewind) {
    TextReader reader(":03000000C28300B8\n:00000001FF\n");
    reader.ReadRecord();
    reader.ReadRecord();
    EXPECT_TRUE(reader.Eof());
    reader.SetPosition(0);
    EXPECT_FALSE(reader.Eof());
    EXPECT_EQ(reader.ReadRecord().line, 1);
    try {
        reader.SetPosition(3);
        FAIL();
    } catch (const EHexFileError& e) {
        EXPECT_EQ(e.message(), "Position 3 out of range");
    }
    EXPECT_THROW(reader.SetPosition(-1), EHexFileError);
    reader.SetPosition(2);
    EXPECT_TRUE(reader.Eof());
}

TEST(HexReader, LowerCaseDigitsAndLineEndingsAreAccepted) {
    TextReader reader(":03000000c28300b8  \r\n:0100100022CD\r:0100200022BD\n:00000001FF");
    EXPECT_EQ(reader.ReadRecord().data, std::string("\xC2\x83\x00", 3));
    EXPECT_EQ(reader.ReadRecord().address, 0x0010);
    EXPECT_EQ(reader.ReadRecord().address, 0x0020);
    EXPECT_EQ(reader.ReadRecord().type, THexRecord::EndOfFile);
    EXPECT_EQ(reader.Lines().size(), 4u);
}

TEST(HexReader, MissingFileRaisesTheOpenErrorAndKeepsTheOldName) {
    THexReader reader;
    EXPECT_THROW(reader.SetFileName("/nonexistent/x.hex"), EFOpenError);
    EXPECT_EQ(reader.FileName(), "");
}

}  // namespace
}  // namespace tarvex
