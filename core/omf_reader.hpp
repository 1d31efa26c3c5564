#pragma once
// Reader of 8051 object files: OMF-51 with the extension records of the C
// compiler's tool chain, and OMF2 (records 0x80 and above).
//
// The reader hands out one decoded record at a time; its users (the check
// engine, the driver's object loader) walk a file with it:
//
//     TOmfReader reader;
//     reader.SetFileName(path);                // or TOmfReader(std::make_unique<MemoryStream>(...))
//     while (!reader.Eof()) {
//         auto rec = reader.ReadRecord();       // EOmfFormatError on malformed input
//         switch (rec->recordType) { ... }
//     }
//
// and keeps the few tables that later records refer to (segments, OMF2 type
// definitions, the number table, the module header, the memory model).
//
// Every record is read whole and decoded from memory, each field checked
// against the bytes the record has; whatever its decoder consumed, the next
// record is read from the record's start + 3 + its declared length. Content
// records carry their data bytes (`data`), so no caller needs to seek.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/basic_filer.hpp"
#include "core/omf_cursor.hpp"
#include "core/omf_typedefs.hpp"

namespace tarvex {

// Record types the reader decodes; those named by their type byte are
// written by the tool chain with a layout but no known meaning. KindName
// (a kind byte and a name) is read but used by no loader; ModuleClose2
// closes a pending module of an OMF2 file, and Omf2NameC2 and Omf2NameC4,
// a name each, only tell that the file is OMF2.
namespace omf {
constexpr std::uint8_t ModuleHeader = 0x02, ModuleEnd = 0x04, Content = 0x06, ScopeDefinition = 0x10,
                       DebugItems = 0x12, Typedefs51 = 0x20, DebugItems2 = 0x22, SourceName = 0x24,
                       ExtendedHeader = 0x2E, LineOffsetMode = 0x70, KindName = 0x80, NumberTable = 0x82,
                       SegmentDefinition = 0x84, Symbols88 = 0x88, Record8A = 0x8A, Symbols8C = 0x8C,
                       ScopeBegin = 0x8E, ScopeEnd = 0x90, LineNumbers2 = 0x92, Content2 = 0x94, Typedef2 = 0x98,
                       SourceFiles = 0x9A, Header2 = 0x9C, ModuleClose2 = 0xC0, Omf2NameC2 = 0xC2,
                       Omf2NameC4 = 0xC4, TypeCheck = 0xC6, MemoryModel = 0xC8, RecordCA = 0xCA, RecordCC = 0xCC,
                       SymbolsD0 = 0xD0;

// Block types of record 0x10 (16 to 47 are stored as the segment id and
// read as a procedure begin).
constexpr std::uint8_t ModuleBegin = 0, ProcedureBegin = 2, ModuleEndBlock = 3, ProcedureEnd = 5;

// Debug item kinds of records 0x12 and 0x22.
constexpr std::uint8_t LocalSymbols = 0, PublicSymbols = 1, SegmentSymbols = 2, LineNumberItems = 3;
}  // namespace omf

// One item of a record. Which fields are set depends on the record:
// - 0x12/0x22 symbols: segmentId, info, offset, type, name
// - 0x12/0x22 line numbers: segmentId, offset, line
// - 0x12/0x22 kind 7 members: offset (value), type, name; kind 8: offset, name
// - 0x82: number, name
// - 0x84 (segment table): segmentId (kind byte), info (second byte), address
//   (segment base), value (second address), type (word), name, number (index)
// - 0x88/0x8C/0xD0: segmentIndex, address, value (memory class), type, name
// - 0x8A: value, type, name
// - 0x92: line, address
// - 0x9A: number, info, name (directory), secondName, value
// - 0xCC: info (kind), type, name, address (kind 0) or offset
// - members of an OMF-51 list type definition: offset, type, name, recordType (the kind)
class TOmfElement {
public:
    std::uint8_t segmentId = 0;
    std::uint32_t number = 0;
    std::uint32_t value = 0;
    std::uint32_t offset = 0;
    std::int32_t position = 0;  // file position of the item
    std::uint8_t recordType = 0;
    std::uint32_t segmentIndex = 0;
    std::string secondName;
    std::string name;
    std::uint32_t type = 0;  // a type index or a 16-bit word
    std::uint8_t typeWidth = 0;
    std::uint8_t info = 0;
    OmfAddress address;
    std::uint32_t line = 0;

    // The item's address value with bit 23 cleared, as bank and offset.
    OmfBankOffset SplitAddress() const { return SplitOmfAddress(address.value); }
    // Segment type of an OMF-51 symbol item: the low three bits of its info
    // byte (0 code, 1 external data, 2 internal data or SFR, 3 indirect
    // data, 4 bit). The segment id does not carry it: SDCC writes 0 there
    // for every symbol.
    std::uint8_t SegmentType() const { return info & 7; }
};

// Address of OMF-51 content, symbol, line and scope items from their segment
// id and offset. Once the file has an extended module header (0x2E or 0x9C)
// the segment id names the bank: 0 every bank, 16 to 47 bank id - 16, any
// other id that bank; without one the address is unbanked. Ids 0xFE and 0xFF
// name no bank (the values mark "all banks" and "unbanked") and raise
// EOmfFormatError.
TBankAdresse OmfSegmentAddress(bool extendedHeader, std::uint8_t segmentId, std::uint16_t offset);

// Module header folded from record 0x2E (OMF-51 extended) or 0x9C (OMF2).
// Only the banked area is used; the other fields are written by the tool
// chain and kept as read, in their order in the record, under "unknown".
struct TOmfModuleHeader {
    std::uint8_t recordType = 0;
    std::uint8_t unknownBytes[3] = {};
    std::uint16_t unknownWord1 = 0;
    OmfAddress unknownAddress1;
    std::uint16_t unknownWord2 = 0;
    OmfAddress unknownAddress2;
    OmfAddress bankedAreaStart;
    OmfAddress bankedAreaEnd;
    std::uint16_t unknownWord3 = 0;
    OmfAddress unknownAddress3;
    std::uint16_t unknownWord4 = 0;
    std::uint16_t unknownWord5 = 0;
    std::uint8_t unknownLastByte = 0;
};

class TOmfRecord {
public:
    // Frame.
    std::int32_t position = 0;  // file position of the type byte
    std::uint16_t declaredLength = 0;
    std::uint8_t recordType = 0;
    std::uint16_t remaining = 0;  // bytes its decoder left unread, checksum included
    std::uint8_t checksum = 0;

    std::string name;
    std::vector<std::unique_ptr<TOmfElement>> items;
    // 0x20: every OMF-51 definition of the record; 0x98: its one OMF2 definition.
    std::vector<std::unique_ptr<TOmfTypedef>> typedefs;

    // Decoded fields; each record type fills its own (see the record reader).
    std::uint8_t segmentId = 0;
    std::uint16_t offset = 0;
    std::uint8_t kind = 0;  // debug item kind, kind byte of 0x80/0x84, flags of 0x94
    std::uint8_t blockType = 0;
    std::int32_t dataPosition = 0;  // 0x06/0x94; first value of debug item kind 6
    std::int32_t dataLength = 0;    // 0x06/0x94; second value of kind 6, value of kind 7
    std::uint32_t segmentIndex = 0;
    OmfTypeIndex typeIndex;
    OmfAddress first;
    OmfAddress second;
    std::uint16_t word = 0;
    std::uint8_t byte = 0;
    std::uint32_t value = 0;       // 0xCA
    TOmfModuleHeader header;       // 0x2E (folded form), 0x9C
    std::uint8_t modelByte = 0;    // 0xC8
    std::uint8_t flagByte = 0;     // 0xC8
    std::uint8_t countByte = 0;    // 0xC8
    // Data bytes of a content record (0x06, 0x94): dataLength bytes from dataPosition.
    std::vector<std::uint8_t> data;

    bool IsContent() const { return recordType == omf::Content || recordType == omf::Content2; }
    std::int32_t DataLength() const { return IsContent() ? dataLength : 0; }
    std::int32_t DataPosition() const { return IsContent() ? dataPosition : 0; }
    // Debug item kind 6: its second and first value; kind 7: its value.
    std::uint16_t DebugValueA() const;
    std::uint16_t DebugValueB() const;
    std::uint16_t DebugValueC() const;
};

// A (number, name) entry of record 0x82.
struct TOmfNumberName {
    std::uint16_t number = 0;
    std::string name;
};

class TOmfReader : public TBasicReader {
public:
    explicit TOmfReader(std::unique_ptr<platform::Stream> stream = nullptr);
    ~TOmfReader() override;

    // Opening another file starts with the tables of a new reader: segment
    // indices, type numbers and the header of one file mean nothing in the
    // next. Closing (an empty name) keeps them.
    void SetFileName(const std::string& name) override;

    // Reads the record at the current position and updates the tables.
    std::unique_ptr<TOmfRecord> ReadRecord();
    // Reads a content record (0x06, 0x94), or moves past any other record and
    // returns nullptr.
    std::unique_ptr<TOmfRecord> NextContent();

    // Record and element addresses (OMF2).
    std::uint32_t SegmentBase(const TOmfRecord& rec) const;
    std::uint32_t RecordAddress(const TOmfRecord& rec) const;
    OmfBankOffset ElementBankOffset(const TOmfRecord& rec) const;
    std::uint32_t ElementAddress(const TOmfRecord& rec) const;
    OmfBankOffset SymbolBankOffset(const TOmfElement& item) const;

    // Types. ResolveTypeIndex raises EOmfFormatError for an index beyond the number table.
    std::uint32_t ResolveTypeIndex(std::uint32_t index) const;
    const TOmf2Typedef* TypedefByNumber(std::uint32_t number) const;
    bool HasTypedef(std::uint32_t index);
    // Checks the definitions added since the last check; the message list
    // keeps at most MaxTypeMessages lines (the missing-typedefs flag still
    // tells of any further gap).
    void CheckTypeIndexes();
    static constexpr std::size_t MaxTypeMessages = 1000;
    static OmfTypeIndex ReadTypeIndex(OmfCursor& in) { return in.TypeIndex(); }

    // Module header.
    bool HasExtendedHeader() const;
    // The banked area the header declares.
    std::uint16_t BankedAreaStart() const { return static_cast<std::uint16_t>(header_.bankedAreaStart.value); }
    std::uint16_t BankedAreaEnd() const { return static_cast<std::uint16_t>(header_.bankedAreaEnd.value); }

    // Classification of OMF2 symbols and content.
    bool IsCodeSymbol(const TOmfElement& item) const;
    bool IsXdataSymbol(const TOmfElement& item) const;
    bool IsCodeContent(const TOmfRecord& rec) const;
    bool IsXdataContent(const TOmfRecord& rec) const;
    bool ContinuesRecord(const TOmfRecord& rec) const;

    // Reader state.
    bool extendedHeader() const { return extendedHeader_; }
    const TOmfModuleHeader& moduleHeader() const { return header_; }
    std::uint8_t modelFlag() const { return modelFlag_; }
    std::uint8_t memoryModel() const { return memoryModel_; }
    std::uint8_t modelCount() const { return modelCount_; }
    const std::vector<std::string>& messages() const { return messages_; }
    const TOmfRecord& rememberedContent() const { return remembered_; }
    const std::vector<TOmfNumberName>& numberTable() const { return numbers_; }
    bool missingTypedefs() const { return missingTypedefs_; }
    bool wideLineOffsets() const { return wideLineOffsets_; }
    const std::vector<std::unique_ptr<TOmfElement>>& segmentTable() const { return segments_; }
    std::int32_t nextTypedefNumber() const { return nextTypedefNumber_; }
    const std::vector<std::unique_ptr<TOmf2Typedef>>& typeDefinitions() const { return typedefs_; }

private:
    std::int32_t recordStart();
    std::unique_ptr<TOmfRecord> readRecordBody(std::int32_t position, std::uint8_t type, std::uint16_t length);
    void decodeBody(TOmfRecord& rec, OmfCursor& in);
    void decodeDebugItems(TOmfRecord& rec, OmfCursor& in);
    void updateTables(TOmfRecord& rec);
    void checkIndex(std::uint32_t index, std::int32_t number, const TOmf2Typedef& def, bool list);
    void resetTables();

    bool extendedHeader_ = false;
    TOmfModuleHeader header_;
    std::uint8_t modelFlag_ = 0;
    std::vector<std::string> messages_;
    TOmfRecord remembered_;
    std::vector<TOmfNumberName> numbers_;
    bool missingTypedefs_ = false;
    bool wideLineOffsets_ = false;
    std::vector<std::unique_ptr<TOmfElement>> segments_;
    std::uint8_t memoryModel_ = 0;
    std::int32_t nextTypedefNumber_ = 128;
    std::vector<std::unique_ptr<TOmf2Typedef>> typedefs_;
    std::size_t checkedTypedefs_ = 0;  // definitions the type check has seen
    std::uint8_t modelCount_ = 0;
    std::vector<std::uint8_t> body_;  // bytes of the record being decoded, reused
};

}  // namespace tarvex
