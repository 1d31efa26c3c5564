#pragma once
// Record reader of IAR UBROF object files (big-endian, no header, no
// checksum). Each NextRecord() yields one record whose fields are filled by
// its tag; the reader keeps what later records of the same file need: the
// sizes declared for tags it does not know, the segment table and the type
// sizes.
//
//     TUbrofReader reader(std::make_unique<platform::MemoryStream>(bytes));   // or SetFileName(path)
//     while (!reader.Eof()) {
//         auto rec = reader.NextRecord();   // EUbrofRecord on an undeclared tag,
//         switch (rec->tag) { ... }         // EReadError on a length beyond the file
//     }
//
// Every count and string length comes from the file and is checked against
// the bytes left before anything is read or allocated.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/basic_filer.hpp"

namespace tarvex {

// Tags that have a layout of their own; everything else goes through the
// tag-size list.
namespace ubrof {
constexpr std::uint8_t ModuleHeader0 = 0x00, ModuleHeader1 = 0x01, CodeBytes = 0x39, ModuleEnd = 0x3D,
                       ProgramEnd = 0x3F, SourceFile = 0x46, LineRecord = 0x47, BlockBegin = 0x48, BlockEnd = 0x49,
                       TypeRecord = 0x4A, Symbol = 0x4C, Version = 0x4D, Comment = 0x4E, TypeSize = 0x4F,
                       Function = 0x50, CodePosition = 0x51, Byte52 = 0x52, Banking = 0x53, Word54 = 0x54,
                       Record7A = 0x7A, Record7B = 0x7B, TimeStamp = 0xA5, SymbolLive = 0xA6, FunctionLive = 0xA7,
                       BlockLive = 0xA8, IndexedSource = 0xB9, SourceIndex = 0xBA, TagSizes = 0xBD,
                       ModuleNumber = 0xBE, SegmentNumber = 0xBF, Segments = 0xC0, RecordC1 = 0xC1, RecordC3 = 0xC3,
                       RecordC6 = 0xC6, RecordC9 = 0xC9, Extension = 0xCD, SymbolValue = 0xCE, RecordCF = 0xCF,
                       RecordD0 = 0xD0, RecordFF = 0xFF;
}  // namespace ubrof

// A live-range item: W, D, B, W, D.
struct TUbrofLocation {
    std::uint16_t number = 0;
    std::uint32_t address = 0;
    std::uint8_t kind = 0;
    std::uint16_t segmentType = 0;
    std::uint32_t value = 0;
};

// A variable item of 0x48/0x50/0xA7/0xA8: B, W, D, L, W (+ W count and
// locations for 0xA7 and 0xA8).
struct TUbrofVariable {
    std::uint8_t kind = 0;
    std::uint16_t segmentType = 0;
    std::uint32_t value = 0;
    std::string name;
    std::uint16_t typeNumber = 0;
    std::vector<TUbrofLocation> locations;
};

struct TUbrofSegPart {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
};

struct TUbrofSegInfo {
    std::uint8_t kind = 0;
    std::uint32_t value = 0;
    std::string name;
    std::vector<TUbrofSegPart> parts;
};

// Members of type kinds 17 (D offset, L name, W type), 18 (L name, W type)
// and 52 (D, D, W type, D).
struct TUbrofStructUnionElement {
    std::uint32_t offset = 0;
    std::string name;
    std::uint16_t typeNumber = 0;
    std::uint32_t value1 = 0;
    std::uint32_t value2 = 0;
};

// Constants of type kinds 44 (L name, D value) and 51 (D value, D).
struct TUbrofEnumConst {
    std::string name;
    std::uint32_t value = 0;
    std::uint32_t value2 = 0;
};

struct TUbrofTagSize {
    std::uint8_t tag = 0;
    std::uint8_t sizeCode = 0;
};

struct TUbrofTypeSize {
    std::uint16_t kind = 0;
    std::uint32_t size = 0;
};

class TUbrofReader;

// One record; which fields are set depends on the tag (see ubrof_reader.cpp).
class TUbrofRecord {
public:
    // Reads one record at the reader's current position.
    explicit TUbrofRecord(TUbrofReader& reader);

    std::uint8_t tag = 0;
    std::uint8_t kind = 0;
    std::string Name, Text, Text2;
    std::uint8_t Byte1 = 0, Byte2 = 0, Byte3 = 0, Byte4 = 0, Byte5 = 0;
    std::uint16_t Word1 = 0, Word2 = 0, Word3 = 0;
    std::uint16_t Index = 0;
    std::uint16_t Module = 0;
    std::uint32_t Serial = 0;
    std::uint32_t Num1 = 0, Num2 = 0, Num3 = 0, Num4 = 0;
    std::uint32_t Val1 = 0, Val2 = 0, Val3 = 0;
    std::uint32_t Size = 0;
    bool hasModule = false;  // Module was set from the reader's current module

    std::vector<TUbrofVariable> variables;              // 0x48, 0x50, 0xA7, 0xA8
    std::vector<TUbrofLocation> locations;              // 0xA6, 0xCE
    std::vector<TUbrofStructUnionElement> elements;     // 0x4A kinds 17, 18, 52
    std::vector<TUbrofEnumConst> constants;             // 0x4A kinds 44, 51
    std::vector<std::uint16_t> parameters;              // 0x4A kinds 20, 35: parameter type numbers
    std::vector<std::string> lines;                     // 0x46: the embedded file's lines

private:
    void readTypeRecord(TUbrofReader& r);
};

class TUbrofReader : public TBasicReader {
public:
    explicit TUbrofReader(std::unique_ptr<platform::Stream> stream = nullptr);

    // Opening a different file forgets the tables of the previous one.
    void SetFileName(const std::string& name) override;

    // Reads the next record and updates the reader's tables.
    std::unique_ptr<TUbrofRecord> NextRecord();

    // Embedded source files (tag 0x46) are written only when a caller allows
    // it; off by default.
    void SetWriteSources(bool allow) { writeSources_ = allow; }
    bool WriteSources() const { return writeSources_; }
    // Where embedded source files go; the object file's folder by default.
    void SetSourceDirectory(std::string dir) { sourceDir_ = std::move(dir); }

    const std::vector<TUbrofSegInfo>& SegInfos() const { return segInfos_; }
    const std::vector<TUbrofTagSize>& TagSizes() const { return tagSizes_; }
    const std::vector<TUbrofTypeSize>& TypeSizes() const { return typeSizes_; }
    std::int32_t CurrentModule() const { return currentModule_; }
    std::int32_t CurrentSegment() const { return currentSegment_; }
    std::uint32_t SerialCounter() const { return serial_; }

    // Declares a tag's size as a 0xBD record would (for sizes known from
    // earlier files).
    void AddTagSize(const TUbrofTagSize& size);
    // The size code declared for a tag by a 0xBD record; -1 when none.
    std::int32_t DeclaredSize(std::uint8_t tag) const;

    // Bounded helpers the record uses.
    void Skip(std::uint64_t n);
    void CheckLeft(std::uint64_t n);
    std::string ReadDotted();
    std::string ReadColon();

private:
    friend class TUbrofRecord;
    void writeSource(const TUbrofRecord& rec);

    std::vector<TUbrofSegInfo> segInfos_;
    std::vector<TUbrofTagSize> tagSizes_;
    // The first size code declared per tag (-1: none): the look-up a file
    // with many declarations would otherwise make quadratic.
    std::array<std::int16_t, 256> firstSize_;
    std::vector<TUbrofTypeSize> typeSizes_;
    std::int32_t currentSegment_ = -1;
    std::int32_t currentModule_ = -1;
    std::uint32_t serial_ = 0;
    bool writeSources_ = false;
    std::string sourceDir_;
};

// The base name of an embedded source file's name (either separator); empty
// when nothing safe is left ("", ".", "..").
std::string UbrofSourceBaseName(const std::string& name);

}  // namespace tarvex
