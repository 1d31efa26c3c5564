#pragma once
// Intel HEX files of the checkers: a reader that walks the file's lines
// record by record, and a writer that collects the records of the corrected
// output file. The driver has its own HEX loading; these belong to the
// checkers alone.
#include <cstdint>
#include <string>
#include <vector>

#include "core/basic_filer.hpp"
#include "core/intel_hex.hpp"

namespace tarvex {

// One record of a HEX line. The data are bytes, one character each.
class THexRecord {
public:
    static constexpr std::uint8_t Data = hexrecord::Data, EndOfFile = hexrecord::EndOfFile,
                                  ExtendedSegment = hexrecord::ExtendedSegment, StartSegment = hexrecord::StartSegment,
                                  ExtendedLinear = hexrecord::ExtendedLinear, StartLinear = hexrecord::StartLinear;

    // A data record (type 0) with its checksum.
    static THexRecord CreateData(std::uint8_t length, std::uint16_t address, std::string data);

    // Replaces the data and recomputes the checksum.
    void SetData(std::string bytes);
    void UpdateChecksum();
    // address <= a < address + length, in 32 bits so that a record ending at
    // 0xFFFF holds its last byte.
    bool ContainsAddress(std::uint32_t a) const;
    bool HasByteAt(std::uint8_t value, std::uint32_t a) const;

    std::uint8_t checksum = 0;
    std::uint16_t address = 0;
    std::uint8_t length = 0;
    std::uint8_t type = 0;
    std::string data;
    // The 1-based line the record was read from; 0 for a record made here.
    std::int32_t line = 0;
};

// Holds a whole HEX file as lines; a cursor names the next line to read or
// the place where the next written line goes. The buffered byte access of
// the base is not used: HEX is read line by line.
class THexReader : public TBasicReader {
public:
    THexReader() = default;

    // Loads every line of the file; an empty name closes it. Setting the
    // current name again keeps the cursor.
    void SetFileName(const std::string& name) override;
    const std::string& FileName() const { return fileName_; }
    bool Eof() override;

    // Reads the record at the cursor and advances it. A malformed line, a
    // wrong checksum (of any record) or a record type above 05 raises
    // EHexFileError and leaves the cursor on that line. Only the end record
    // (type 01) ends reading.
    THexRecord ReadRecord();
    void SetPosition(std::int32_t n);
    std::int32_t Position() const { return cursor_; }
    void Clear();
    // Writes the lines so that the file is either complete or untouched.
    void SaveToFile(const std::string& name) const;

    // The lines, for tests and for readers fed from memory.
    const std::vector<std::string>& Lines() const { return lines_; }
    void SetText(const std::string& text);

protected:
    void InsertLine(std::string line);

private:
    [[noreturn]] void FormatError() const;

    bool endSeen_ = false;
    std::string fileName_;
    std::int32_t cursor_ = 0;
    std::vector<std::string> lines_;
};

// The output side: records are inserted at the cursor.
class THexWriter final : public THexReader {
public:
    void WriteRecord(const THexRecord& record);
    void WriteEndRecord();
};

}  // namespace tarvex
