#pragma once
// Reader of AVR assembler object files (as avra writes them): a header, a
// run of 9-byte records (word address, instruction word, source file index,
// line, macro flag) and the table of source file names after them. Numbers
// are big-endian. The header's offsets are checked against the file before
// any record is read, so no record runs past the name table.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/basic_filer.hpp"

namespace tarvex {

struct TAvrObjRecord {
    std::uint32_t address = 0;  // in instruction words
    std::uint16_t opcode = 0;
    std::uint8_t fileIndex = 0;
    std::uint32_t line = 0;
    std::uint8_t macro = 0;

    // Where the instruction word lies in program memory: two bytes per word.
    std::uint32_t ByteAddress() const { return address * 2u; }
};

class TAvrObjReader : public TBasicReader {
public:
    static constexpr std::uint8_t RecordSize = 9;
    static constexpr std::string_view Identification = "AVR Object File";

    explicit TAvrObjReader(std::unique_ptr<platform::Stream> stream = nullptr);

    // Reads the header and checks the record area against the file:
    // EAvrObjError for a wrong record length or identification, the format
    // error (EReadError) for offsets the file does not hold.
    void ReadHeader();
    // Reads the name table, then returns to the first record. An empty name
    // is EAvrObjError "Fehler: Dateiname %d ist leer!" (1-based).
    void ReadFileNames();
    // The record at the current position; outside the record area it starts
    // over at the first record.
    TAvrObjRecord NextRecord();
    bool AtEnd();
    // The name of a 0-based index; empty outside the table.
    std::string FileName(std::int32_t index) const;

    std::int32_t NameTableOffset() const { return nameTable_; }
    std::int32_t FirstRecordOffset() const { return firstRecord_; }
    std::uint8_t RecordLength() const { return recordLength_; }
    std::uint16_t NameCount() const { return nameCount_; }
    const std::vector<std::string>& FileNames() const { return names_; }

private:
    std::int32_t nameTable_ = 0;
    std::int32_t firstRecord_ = 0;
    std::uint8_t recordLength_ = 0;
    std::uint16_t nameCount_ = 0;
    std::vector<std::string> names_;
};

// One ".def name = register" line of an AVR source: the alias and the
// register it names, both empty when the line is no such definition. Words
// are split on runs of blanks and tabs; a ";" ends the line.
struct TAvrDef {
    std::string name;
    std::string value;
};
TAvrDef ParseAvrDefLine(std::string_view line);

}  // namespace tarvex
