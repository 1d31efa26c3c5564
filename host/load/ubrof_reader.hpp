#pragma once
// Record reader of IAR UBROF object files (big-endian, no header, no
// checksum). Each NextRecord() yields one record, a struct of its kind chosen
// by its tag; the reader keeps what later records of the same file need: the
// sizes declared for tags it does not know, the segment table and the type
// sizes.
//
//     TUbrofReader reader(std::make_unique<platform::MemoryStream>(bytes));   // or SetFileName(path)
//     while (!reader.Eof()) {
//         auto rec = reader.NextRecord();   // EUbrofRecord on an undeclared tag,
//         std::visit(..., rec->body);       // EReadError on a length beyond the file
//     }
//
// Every count and string length comes from the file and is checked against
// the bytes left before anything is read or allocated.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "core/basic_filer.hpp"

namespace tarvex {

namespace ubrof {
#define UBROF_RECORD(code, name, type) inline constexpr std::uint8_t name = code;
#include "host/load/ubrof_tags.def"
#undef UBROF_RECORD
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

class TUbrofReader;

// ---- One struct per record kind; each reads its own layout (B byte, W
// word, D double word, L/W/D string with that length prefix, dotted: three
// bytes as "a.b.c"). Fields the tool chain writes that the loader has no use
// for are kept under the name "unknown".

// 0x00, 0x01: B B B, dotted version, L name.
struct TUbrofModuleHeader {
    std::array<std::uint8_t, 3> unknown{};
    std::string version;
    std::string name;
    static TUbrofModuleHeader read(TUbrofReader& r, std::uint8_t tag);
};
// 0x39: L code bytes at the current code position.
struct TUbrofCode {
    std::string bytes;
    static TUbrofCode read(TUbrofReader& r, std::uint8_t tag);
};
// 0x3D: W, D, W (dropped).
struct TUbrofModuleEnd {
    std::uint16_t unknown1 = 0;
    std::uint32_t unknown2 = 0;
    static TUbrofModuleEnd read(TUbrofReader& r, std::uint8_t tag);
};
// 0x3F: W (dropped).
struct TUbrofProgramEnd {
    static TUbrofProgramEnd read(TUbrofReader& r, std::uint8_t tag);
};
// 0x46: W line count, L name, the lines as W strings (written out beside
// the object file when the reader allows it, never kept in the record).
struct TUbrofSourceFile {
    std::uint16_t lineCount = 0;
    std::string name;
    static TUbrofSourceFile read(TUbrofReader& r, std::uint8_t tag);
};
// 0x47: W line number, W W W, B.
struct TUbrofLine {
    std::uint16_t line = 0;
    std::array<std::uint16_t, 3> unknownWords{};
    std::uint8_t unknownByte = 0;
    static TUbrofLine read(TUbrofReader& r, std::uint8_t tag);
};
// 0x48, 0xA8: W count, the variables (with live ranges for 0xA8).
struct TUbrofBlock {
    std::vector<TUbrofVariable> variables;
    static TUbrofBlock read(TUbrofReader& r, std::uint8_t tag);
};
// 0x49: no fields.
struct TUbrofBlockEnd {
    static TUbrofBlockEnd read(TUbrofReader& r, std::uint8_t tag);
};
// 0xFF: no fields.
struct TUbrofEmpty {
    static TUbrofEmpty read(TUbrofReader& r, std::uint8_t tag);
};
// 0x4A: W type number, B kind, then by kind:
//   15, 23..34, 37..40, 53   W base type
//   16 / 41                  W element type, D size, W / D element count
//   17 / 18                  L name, D size, W member count, members (17: D offset, L name, W type; 18: L name, W type)
//   52                       D unknown, D unknown2, D size, D member count, members (D, D, W type, D offset)
//   19                       B first, B second, W base type
//   20 / 35                  W return type, B first, (35: D value), B parameter count, W parameter types
//   21 / 36                  B / D value, W base type
//   42 / 43                  B first, W base type, D unknown2, L text
//   44 / 51                  W base type, L name / D unknown, D constant count, constants (44: L name, D value; 51: D, D)
//   49                       W base type, D unknown
//   50                       W base type, W W
// Kinds outside these carry nothing more.
struct TUbrofType {
    std::uint16_t typeNumber = 0;
    std::uint8_t kind = 0;
    std::uint16_t baseType = 0;
    std::uint32_t size = 0;
    std::uint32_t count = 0;
    std::string name;
    std::string text;
    // The two bytes of kind 19 and the first of 20, 35, 42 and 43; the
    // loader keeps them in the type's symbol as they are.
    std::uint8_t first = 0, second = 0;
    // Kinds 21, 35, 36: the value the loader takes fields from.
    std::uint32_t value = 0;
    std::uint32_t unknown = 0, unknown2 = 0;
    std::array<std::uint16_t, 2> unknownWords{};
    std::vector<TUbrofStructUnionElement> elements;  // 17, 18, 52
    std::vector<TUbrofEnumConst> constants;          // 44, 51
    std::vector<std::uint16_t> parameters;           // 20, 35: parameter type numbers
    static TUbrofType read(TUbrofReader& r, std::uint8_t tag);
};
// 0x4C, 0xA6, 0xCE: B kind, W segment type, D value, L name, W type number,
// (0xA6, 0xCE: W count, the live ranges), L text. The module is the
// reader's current one, when there is one.
struct TUbrofSymbol {
    TUbrofVariable variable;
    std::string text;
    std::optional<std::uint16_t> module;
    static TUbrofSymbol read(TUbrofReader& r, std::uint8_t tag);
};
// 0x4D: dotted version.
struct TUbrofVersion {
    std::string version;
    static TUbrofVersion read(TUbrofReader& r, std::uint8_t tag);
};
// 0x4E: L name, W text; the module as for a symbol.
struct TUbrofComment {
    std::string name;
    std::string text;
    std::optional<std::uint16_t> module;
    static TUbrofComment read(TUbrofReader& r, std::uint8_t tag);
};
// 0x4F: B type kind, B its size.
struct TUbrofTypeSize {
    std::uint16_t kind = 0;
    std::uint32_t size = 0;
    static TUbrofTypeSize read(TUbrofReader& r, std::uint8_t tag);
};
// 0x50, 0xA7: L name, W W W W, W count, the variables (with live ranges for
// 0xA7).
struct TUbrofFunction {
    std::string name;
    std::array<std::uint16_t, 4> unknownWords{};
    std::vector<TUbrofVariable> variables;
    static TUbrofFunction read(TUbrofReader& r, std::uint8_t tag);
};
// 0x51: B segment type, D value (the address, bank in bits 16..23).
struct TUbrofCodePosition {
    std::uint8_t segmentType = 0;
    std::uint32_t value = 0;
    static TUbrofCodePosition read(TUbrofReader& r, std::uint8_t tag);
};
// 0x52, 0x7B: B.
struct TUbrofByte {
    std::uint8_t unknown = 0;
    static TUbrofByte read(TUbrofReader& r, std::uint8_t tag);
};
// 0x53: W flags; bit 1 says the program uses code banking.
struct TUbrofBanking {
    std::uint16_t flags = 0;
    static TUbrofBanking read(TUbrofReader& r, std::uint8_t tag);
};
// 0x54: W, L text.
struct TUbrofWord54 {
    std::uint16_t unknown = 0;
    std::string text;
    static TUbrofWord54 read(TUbrofReader& r, std::uint8_t tag);
};
// 0x7A: B, W, B.
struct TUbrofRecord7A {
    std::uint8_t unknown1 = 0;
    std::uint16_t unknown2 = 0;
    std::uint8_t unknown3 = 0;
    static TUbrofRecord7A read(TUbrofReader& r, std::uint8_t tag);
};
// 0xA5: three bytes as "h:m:s", then dotted date.
struct TUbrofTimeStamp {
    std::string time;
    std::string date;
    static TUbrofTimeStamp read(TUbrofReader& r, std::uint8_t tag);
};
// 0xB9: W index, W name, time and date as in 0xA5.
struct TUbrofIndexedSource {
    std::uint16_t index = 0;
    std::string name;
    std::string time;
    std::string date;
    static TUbrofIndexedSource read(TUbrofReader& r, std::uint8_t tag);
};
// 0xBA: W index of the source file the next lines belong to.
struct TUbrofSourceIndex {
    std::uint16_t index = 0;
    static TUbrofSourceIndex read(TUbrofReader& r, std::uint8_t tag);
};
// 0xBD: dotted version, B count, (B tag, B size code) pairs; the reader
// keeps them.
struct TUbrofTagSizes {
    std::string version;
    static TUbrofTagSizes read(TUbrofReader& r, std::uint8_t tag);
};
// 0xBE: D size, W module number (the reader's current module).
struct TUbrofModuleNumber {
    std::uint32_t size = 0;
    std::uint16_t module = 0;
    static TUbrofModuleNumber read(TUbrofReader& r, std::uint8_t tag);
};
// 0xBF: W segment number (the reader's current segment).
struct TUbrofSegmentNumber {
    std::uint16_t segment = 0;
    static TUbrofSegmentNumber read(TUbrofReader& r, std::uint8_t tag);
};
// 0xC0: D size, W count, segments (B kind, D value, L name, W count, parts
// of D start, D size); the reader keeps them.
struct TUbrofSegments {
    std::uint32_t size = 0;
    static TUbrofSegments read(TUbrofReader& r, std::uint8_t tag);
};
// 0xC1: B B B B B.
struct TUbrofRecordC1 {
    std::array<std::uint8_t, 5> unknown{};
    static TUbrofRecordC1 read(TUbrofReader& r, std::uint8_t tag);
};
// 0xC3: W size, D, L text.
struct TUbrofRecordC3 {
    std::uint16_t size = 0;
    std::uint32_t unknown = 0;
    std::string text;
    static TUbrofRecordC3 read(TUbrofReader& r, std::uint8_t tag);
};
// 0xC6: W size, B B B, D, L name.
struct TUbrofRecordC6 {
    std::uint16_t size = 0;
    std::array<std::uint8_t, 3> unknownBytes{};
    std::uint32_t unknown = 0;
    std::string name;
    static TUbrofRecordC6 read(TUbrofReader& r, std::uint8_t tag);
};
// 0xC9: D size, D text, D text.
struct TUbrofRecordC9 {
    std::uint32_t size = 0;
    std::string text1, text2;
    static TUbrofRecordC9 read(TUbrofReader& r, std::uint8_t tag);
};
// 0xCD: D length (of the kind byte and what follows), B kind, then kind 1:
// D name, D value; 2: D value, W; 3: D value, D; others skipped. Each gets
// the reader's next serial number.
struct TUbrofExtension {
    std::uint32_t size = 0;
    std::uint8_t kind = 0;
    std::string name;
    std::uint32_t value = 0;
    std::uint16_t unknownWord = 0;
    std::uint32_t unknown = 0;
    std::uint32_t serial = 0;
    static TUbrofExtension read(TUbrofReader& r, std::uint8_t tag);
};
// 0xCF: W index, D, W, D, W.
struct TUbrofRecordCF {
    std::uint16_t index = 0;
    std::uint32_t unknown1 = 0;
    std::uint16_t unknown2 = 0;
    std::uint32_t unknown3 = 0;
    std::uint16_t unknown4 = 0;
    static TUbrofRecordCF read(TUbrofReader& r, std::uint8_t tag);
};
// 0xD0: D.
struct TUbrofRecordD0 {
    std::uint32_t unknown = 0;
    static TUbrofRecordD0 read(TUbrofReader& r, std::uint8_t tag);
};
// Any other tag: skipped by the size its 0xBD declaration gives (a size
// code below 253, or a B, W or D length for 253, 254, 255).
struct TUbrofSkipped {
    std::uint32_t size = 0;
    static TUbrofSkipped read(TUbrofReader& r, std::uint8_t tag);
};

using TUbrofBody = std::variant<TUbrofSkipped, TUbrofModuleHeader, TUbrofCode, TUbrofModuleEnd, TUbrofProgramEnd,
                                TUbrofSourceFile, TUbrofLine, TUbrofBlock, TUbrofBlockEnd, TUbrofEmpty, TUbrofType,
                                TUbrofSymbol, TUbrofVersion, TUbrofComment, TUbrofTypeSize, TUbrofFunction,
                                TUbrofCodePosition, TUbrofByte, TUbrofBanking, TUbrofWord54, TUbrofRecord7A,
                                TUbrofTimeStamp, TUbrofIndexedSource, TUbrofSourceIndex, TUbrofTagSizes,
                                TUbrofModuleNumber, TUbrofSegmentNumber, TUbrofSegments, TUbrofRecordC1,
                                TUbrofRecordC3, TUbrofRecordC6, TUbrofRecordC9, TUbrofExtension, TUbrofRecordCF,
                                TUbrofRecordD0>;

// One record: its tag and the fields of its kind.
struct TUbrofRecord {
    std::uint8_t tag = 0;
    TUbrofBody body;
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

    // Bounded helpers the records use.
    void Skip(std::uint64_t n);
    void CheckLeft(std::uint64_t n);
    std::string ReadDotted();
    std::string ReadColon();

    // Called by the records that fill the reader's tables.
    void AddSegment(TUbrofSegInfo segment) { segInfos_.push_back(std::move(segment)); }
    void SetCurrentModule(std::uint16_t module) { currentModule_ = module; }
    void SetCurrentSegment(std::uint16_t segment) { currentSegment_ = segment; }
    void AddTypeSize(const TUbrofTypeSize& size) { typeSizes_.push_back(size); }
    void WriteSource(const std::string& name, const std::vector<std::string>& lines);
    // The current module's number (from the last 0xBE record, until a 0x3F
    // record), if any.
    std::optional<std::uint16_t> CurrentModuleNumber() const;
    // Counts 0xCD records: 1, 2, ... (after 0xFFFFFFFF, 1 again).
    std::uint32_t NextSerial();

private:

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
