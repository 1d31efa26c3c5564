#include "core/omf_reader.hpp"

#include <limits>

#include "core/format.hpp"

namespace tarvex {

namespace {

constexpr std::uint32_t kCodeFlag = 0x00800000;

std::uint32_t space(std::uint32_t address) { return address >> 24; }
std::uint32_t bankByte(std::uint32_t address) { return (address >> 16) & 0xFF; }

[[noreturn]] void failAt(std::int64_t position, std::string_view reason) {
    throw EOmfFormatError(Format("record at %.8x: %s", position, std::string(reason)));
}

// The checksum makes the bytes of a record, its header included, sum to 0.
// A checksum byte of 0 means the writer computed none; a record of length 0
// has no checksum byte at all.
void checkChecksum(std::int32_t position, std::uint8_t type, std::uint16_t length, const std::uint8_t* body) {
    if (length == 0 || body[length - 1u] == 0) return;
    unsigned sum = type + (length & 0xFFu) + (length >> 8);
    for (std::size_t i = 0; i < length; ++i) sum += body[i];
    if ((sum & 0xFFu) != 0)
        throw EOmfFormatError(Format("record %.2x at %.8x, length %d: checksum %.2x does not match its bytes", type,
                                     position, length, body[length - 1u]));
}

}  // namespace

EOmfFormatError::EOmfFormatError(const std::string& detail)
    : EVokWinFileError("Format error in OMF file: " + detail), detail_(detail) {}

void OmfCursor::Fail(std::string_view reason) const {
    throw EOmfFormatError(Format("record %.2x at %.8x, length %d: %s", recordType_, recordPosition_, size_,
                                 std::string(reason)));
}

void WriteTypeIndex(TBasicFiler& out, std::uint32_t value, std::uint8_t width) {
    if (width == 3) {
        out.WriteByte(0x1F);
        out.WriteByte(static_cast<std::uint8_t>((value >> 8) & 0xFF));
        out.WriteByte(static_cast<std::uint8_t>(value & 0xFF));
    } else {
        out.WriteByte(static_cast<std::uint8_t>(value & 0xFF));
    }
}

TBankAdresse OmfSegmentAddress(bool extendedHeader, std::uint8_t segmentId, std::uint16_t offset) {
    if (!extendedHeader) return UnbankedAdresse(offset);
    if (segmentId == 0) return AllBanksAdresse(offset);
    if (segmentId >= 16 && segmentId <= 47) return BankedAdresse(static_cast<std::uint8_t>(segmentId - 16), offset);
    if (segmentId == BankAll || segmentId == BankNone)
        throw EOmfFormatError(Format("segment id %.2x names no bank", segmentId));
    return BankedAdresse(segmentId, offset);
}

std::uint16_t TOmfRecord::DebugValueA() const {
    if ((recordType != omf::DebugItems && recordType != omf::DebugItems2) || kind != 6) return 0;
    return static_cast<std::uint16_t>(dataLength);
}

std::uint16_t TOmfRecord::DebugValueB() const {
    if ((recordType != omf::DebugItems && recordType != omf::DebugItems2) || kind != 6) return 0;
    return static_cast<std::uint16_t>(dataPosition);
}

std::uint16_t TOmfRecord::DebugValueC() const {
    if ((recordType != omf::DebugItems && recordType != omf::DebugItems2) || kind != 7) return 0;
    return static_cast<std::uint16_t>(dataLength);
}

TOmfReader::TOmfReader(std::unique_ptr<platform::Stream> stream) : TBasicReader(std::move(stream)) {
    resetTables();
    SetLittleEndian(true);
}

void TOmfReader::resetTables() {
    extendedHeader_ = false;
    header_ = {};
    modelFlag_ = 0;
    messages_.clear();
    remembered_ = {};
    remembered_.recordType = omf::Content2;
    numbers_.clear();
    missingTypedefs_ = false;
    wideLineOffsets_ = false;
    segments_.clear();
    memoryModel_ = 0;
    nextTypedefNumber_ = 128;
    typedefs_.clear();
    checkedTypedefs_ = 0;
    modelCount_ = 0;
}

TOmfReader::~TOmfReader() = default;

// ---------------------------------------------------------------- records

void TOmfReader::SetFileName(const std::string& name) {
    if (name == FileName()) return;
    // Closing keeps the tables: a caller may still look types up in them.
    if (!name.empty()) resetTables();
    TBasicReader::SetFileName(name);
}

// Position of the record about to be read, after checking that its header
// is in the file.
std::int32_t TOmfReader::recordStart() {
    const std::int64_t position = GetPosition();
    if (position > std::numeric_limits<std::int32_t>::max() - 0x10003)
        failAt(position, "file too large for an object file");
    if (GetSize() - position < 3) failAt(position, "the file ends inside a record header");
    return static_cast<std::int32_t>(position);
}

std::unique_ptr<TOmfRecord> TOmfReader::ReadRecord() {
    const std::int32_t position = recordStart();
    const std::uint8_t type = ReadByte();
    const std::uint16_t length = ReadWord();
    return readRecordBody(position, type, length);
}

std::unique_ptr<TOmfRecord> TOmfReader::NextContent() {
    const std::int32_t position = recordStart();
    const std::uint8_t type = ReadByte();
    const std::uint16_t length = ReadWord();
    if (type == omf::Content || type == omf::Content2) return readRecordBody(position, type, length);
    if (GetSize() - position - 3 < length) failAt(position, "the record runs past the end of the file");
    // Read rather than seek past it: the bytes are usually in the buffer already.
    body_.resize(length);
    ReadBuffer(body_.data(), length);
    checkChecksum(position, type, length, body_.data());
    return nullptr;
}

std::unique_ptr<TOmfRecord> TOmfReader::readRecordBody(std::int32_t position, std::uint8_t type,
                                                       std::uint16_t length) {
    if (GetSize() - position - 3 < length) failAt(position, "the record runs past the end of the file");
    body_.resize(length);
    ReadBuffer(body_.data(), length);
    checkChecksum(position, type, length, body_.data());

    auto rec = std::make_unique<TOmfRecord>();
    rec->position = position;
    rec->declaredLength = length;
    rec->recordType = type;
    OmfCursor in(body_.data(), length, position + 3, type, position);
    decodeBody(*rec, in);
    rec->remaining = static_cast<std::uint16_t>(in.remaining());
    if (rec->remaining >= 1) rec->checksum = body_[length - 1u];
    updateTables(*rec);
    return rec;
}

namespace {

void readContentData(TOmfRecord& rec, OmfCursor& in) {
    // The last byte is the checksum; a record without one has no room for data.
    if (in.remaining() < 1) in.Fail("the declared length is shorter than the content fields");
    rec.dataPosition = in.filePosition();
    rec.dataLength = static_cast<std::int32_t>(in.remaining() - 1);
    rec.data.assign(in.current(), in.current() + rec.dataLength);
    in.Skip(static_cast<std::size_t>(rec.dataLength));
}

std::unique_ptr<TOmfElement>& newItem(TOmfRecord& rec, const OmfCursor& in) {
    auto& item = rec.items.emplace_back(std::make_unique<TOmfElement>());
    item->position = in.filePosition();
    item->recordType = rec.recordType;
    return item;
}

// The bodies of the records decodeBody reads with no state of the reader.

void readName(TOmfRecord& rec, OmfCursor& in) {
    rec.name = in.Name();
}

void readContent(TOmfRecord& rec, OmfCursor& in) {
    rec.segmentId = in.Byte();
    rec.offset = in.Word();
    readContentData(rec, in);
}

void readScopeDefinition(TOmfRecord& rec, OmfCursor& in) {
    rec.blockType = in.Byte();
    if (rec.blockType < 6 || (rec.blockType >= 16 && rec.blockType <= 47)) rec.name = in.Name();
    if (rec.blockType >= 16 && rec.blockType <= 47) {
        rec.segmentId = rec.blockType;
        rec.blockType = omf::ProcedureBegin;
    }
}

void readTypedefs51(TOmfRecord& rec, OmfCursor& in) {
    // A kind the reader does not know has an unknown size: what follows
    // it cannot be read as further definitions, so the rest is skipped.
    do {
        auto def = std::make_unique<TOmf51Typedef>(in);
        const bool known = def->IsKnownKind();
        rec.typedefs.push_back(std::move(def));
        if (!known) break;
    } while (in.remaining() >= 3);
}

void readSourceName(TOmfRecord& rec, OmfCursor& in) {
    in.Skip(3);
    rec.name = in.Name();
}

void readExtendedHeader(TOmfRecord& rec, OmfCursor& in) {
    auto& h = rec.header;
    h.recordType = omf::ExtendedHeader;
    h.unknownWord1 = 3;
    h.unknownWord2 = 1;
    if (rec.declaredLength > 0) {
        h.unknownBytes[0] = in.Byte();
        h.unknownBytes[1] = in.Byte();
        h.unknownBytes[2] = in.Byte();
        h.unknownAddress1.value = in.Byte();
        h.unknownAddress2.value = in.Word();
        h.bankedAreaStart.value = in.Word();
        h.bankedAreaEnd.value = in.Word();
        h.unknownAddress3.value = in.Word();
        h.unknownWord4 = in.Word();
        h.unknownWord5 = in.Word();
    }
}

void readLineOffsetMode(TOmfRecord& rec, OmfCursor& in) {
    if (rec.declaredLength == 4) {
        const std::uint8_t a = in.Byte(), b = in.Byte(), c = in.Byte();
        rec.byte = (a == '#' && b == '0' && c == '\'') ? 1 : 0;
    }
}

void readKindName(TOmfRecord& rec, OmfCursor& in) {
    rec.kind = in.Byte();
    rec.name = in.Name();
}

void readNumberTable(TOmfRecord& rec, OmfCursor& in) {
    while (in.remaining() > 3) {
        auto& item = newItem(rec, in);
        item->number = in.Word();
        item->name = in.Name();
    }
}

void readSegmentDefinition(TOmfRecord& rec, OmfCursor& in) {
    rec.kind = in.Byte();
    rec.byte = in.Byte();
    rec.first = in.Address();
    rec.second = in.Address();
    rec.word = in.Word();
    rec.name = in.Name();
}

void readSymbols(TOmfRecord& rec, OmfCursor& in) {
    while (in.remaining() > 3) {
        auto& item = newItem(rec, in);
        item->segmentIndex = in.Word();
        item->address = in.Address();
        item->value = in.Word();
        item->type = in.Word();
        item->name = in.Name();
    }
}

void readTypedNames(TOmfRecord& rec, OmfCursor& in) {
    while (in.remaining() > 3) {
        auto& item = newItem(rec, in);
        item->value = in.Word();
        item->type = in.Word();
        item->name = in.Name();
    }
}

void readScopeBegin(TOmfRecord& rec, OmfCursor& in) {
    rec.word = in.Word();
    rec.typeIndex = {in.Word(), 2};
    rec.segmentIndex = in.Word();
    rec.first = in.Address();
    rec.name = in.Name();
}

void readScopeEnd(TOmfRecord& rec, OmfCursor& in) {
    rec.first = in.Address();
}

void readLineNumbers2(TOmfRecord& rec, OmfCursor& in) {
    rec.word = in.Word();
    rec.segmentIndex = in.Word();
    while (in.remaining() > 7) {
        auto& item = newItem(rec, in);
        item->line = in.Word();
        if (item->line == 0xFFFF) item->line = in.DWord();
        item->address = in.Address();
    }
}

void readContent2(TOmfRecord& rec, OmfCursor& in) {
    rec.word = in.Word();
    rec.segmentIndex = in.Word();
    rec.kind = in.Byte();
    rec.first = in.Address();
    readContentData(rec, in);
}

void readSourceFiles(TOmfRecord& rec, OmfCursor& in) {
    while (in.remaining() > 7) {
        auto& item = newItem(rec, in);
        item->number = in.Word();
        item->info = in.Byte();
        item->name = in.Name();
        item->secondName = in.Name();
        item->value = in.DWord();
    }
}

void readHeader2(TOmfRecord& rec, OmfCursor& in) {
    auto& h = rec.header;
    h.recordType = omf::Header2;
    h.unknownBytes[0] = in.Byte();
    h.unknownBytes[1] = in.Byte();
    h.unknownBytes[2] = in.Byte();
    h.unknownWord1 = in.Word();
    h.unknownAddress1 = in.Address();
    h.unknownWord2 = in.Word();
    h.unknownAddress2 = in.Address();
    h.unknownWord3 = in.Word();
    h.bankedAreaStart = in.Address();
    h.bankedAreaEnd = in.Address();
    h.unknownAddress3 = in.Address();
    h.unknownWord4 = in.Word();
    h.unknownWord5 = in.Word();
    h.unknownLastByte = in.Byte();
}

void readMemoryModel(TOmfRecord& rec, OmfCursor& in) {
    in.Skip(2);
    rec.modelByte = in.Byte();
    rec.flagByte = in.Byte();
    rec.countByte = in.Byte();
}

void readRecordCA(TOmfRecord& rec, OmfCursor& in) {
    rec.value = in.DWord();
    rec.offset = static_cast<std::uint16_t>(rec.value);
}

void readRecordCC(TOmfRecord& rec, OmfCursor& in) {
    while (in.remaining() > 6) {
        auto& item = newItem(rec, in);
        item->info = in.Byte();
        item->type = in.Word();
        item->name = in.Name();
        if (item->info == 0)
            item->address = in.Address();
        else
            item->offset = in.Word();
    }
}

}  // namespace

void TOmfReader::decodeBody(TOmfRecord& rec, OmfCursor& in) {
    switch (rec.recordType) {
    case omf::ModuleHeader:
    case omf::ModuleEnd:
    case omf::ModuleClose2:
    case omf::Omf2NameC2:
    case omf::Omf2NameC4:
        readName(rec, in);
        break;
    case omf::Content:
        readContent(rec, in);
        break;
    case omf::ScopeDefinition:
        readScopeDefinition(rec, in);
        break;
    case omf::DebugItems:
    case omf::DebugItems2:
        decodeDebugItems(rec, in);
        break;
    case omf::Typedefs51:
        readTypedefs51(rec, in);
        break;
    case omf::SourceName:
        readSourceName(rec, in);
        break;
    case omf::ExtendedHeader:
        readExtendedHeader(rec, in);
        break;
    case omf::LineOffsetMode:
        readLineOffsetMode(rec, in);
        break;
    case omf::KindName:
        readKindName(rec, in);
        break;
    case omf::NumberTable:
        readNumberTable(rec, in);
        break;
    case omf::SegmentDefinition:
        readSegmentDefinition(rec, in);
        break;
    case omf::Symbols88:
    case omf::Symbols8C:
    case omf::SymbolsD0:
        readSymbols(rec, in);
        break;
    case omf::Record8A:
        readTypedNames(rec, in);
        break;
    case omf::ScopeBegin:
        readScopeBegin(rec, in);
        break;
    case omf::ScopeEnd:
        readScopeEnd(rec, in);
        break;
    case omf::LineNumbers2:
        readLineNumbers2(rec, in);
        break;
    case omf::Content2:
        readContent2(rec, in);
        break;
    case omf::Typedef2:
        rec.typedefs.push_back(std::make_unique<TOmf2Typedef>(in));
        rec.typeIndex = {static_cast<std::uint32_t>(nextTypedefNumber_), 2};
        break;
    case omf::SourceFiles:
        readSourceFiles(rec, in);
        break;
    case omf::Header2:
        readHeader2(rec, in);
        break;
    case omf::MemoryModel:
        readMemoryModel(rec, in);
        break;
    case omf::RecordCA:
        readRecordCA(rec, in);
        break;
    case omf::RecordCC:
        readRecordCC(rec, in);
        break;
    default:  // not decoded: skipped by its length
        break;
    }
}

void TOmfReader::decodeDebugItems(TOmfRecord& rec, OmfCursor& in) {
    rec.kind = in.Byte();
    switch (rec.kind) {
    case omf::LocalSymbols:
    case omf::PublicSymbols:
    case omf::SegmentSymbols:
        do {
            auto& item = newItem(rec, in);
            item->segmentId = in.Byte();
            item->info = in.Byte();
            item->offset = in.Word();
            const OmfTypeIndex ti = in.TypeIndex();
            item->type = ti.value;
            item->typeWidth = ti.width;
            item->name = in.Name();
        } while (in.remaining() >= 5);
        break;
    case omf::LineNumberItems:
        do {
            auto& item = newItem(rec, in);
            item->segmentId = in.Byte();
            if (wideLineOffsets_) {
                // Three offset bytes b0 b1 b2 stand for b0 + 256 * b2.
                const std::uint8_t b0 = in.Byte();
                in.Byte();
                const std::uint8_t b2 = in.Byte();
                item->offset = b0 + 256u * b2;
            } else {
                item->offset = in.Word();
            }
            item->line = in.Word();
        } while (in.remaining() >= 5);
        break;
    case 6:
        rec.blockType = in.Byte();
        rec.dataPosition = in.Word();
        rec.dataLength = in.Word();
        rec.typeIndex = in.TypeIndex();
        break;
    case 7:
        rec.blockType = in.Byte();
        rec.dataLength = in.Word();
        rec.name = in.Name();
        do {
            auto& item = newItem(rec, in);
            item->offset = in.Word();
            const OmfTypeIndex ti = in.TypeIndex();
            item->type = ti.value;
            item->typeWidth = ti.width;
            item->name = in.Name();
        } while (in.remaining() >= 4);
        break;
    case 8:
        rec.blockType = in.Byte();
        rec.name = in.Name();
        do {
            auto& item = newItem(rec, in);
            item->offset = in.Word();
            item->name = in.Name();
        } while (in.remaining() >= 4);
        break;
    case 9:
        rec.blockType = in.Byte();
        rec.name = in.Name();
        rec.typeIndex = in.TypeIndex();
        break;
    case 10:
        rec.blockType = in.Byte();
        rec.byte = in.Byte();
        rec.typeIndex = in.TypeIndex();
        break;
    default:  // kinds 4, 5 and above 10 are not decoded
        break;
    }
}

void TOmfReader::updateTables(TOmfRecord& rec) {
    switch (rec.recordType) {
    case omf::ExtendedHeader: {
        // Only the values: the address flags stay as an earlier header left them.
        const auto& h = rec.header;
        header_.recordType = h.recordType;
        for (int i = 0; i < 3; ++i) header_.unknownBytes[i] = h.unknownBytes[i];
        header_.unknownWord1 = h.unknownWord1;
        header_.unknownAddress1.value = h.unknownAddress1.value;
        header_.unknownWord2 = h.unknownWord2;
        header_.unknownAddress2.value = h.unknownAddress2.value;
        header_.bankedAreaStart.value = h.bankedAreaStart.value;
        header_.bankedAreaEnd.value = h.bankedAreaEnd.value;
        header_.unknownWord3 = 0;
        header_.unknownAddress3.value = h.unknownAddress3.value;
        header_.unknownWord4 = h.unknownWord4;
        header_.unknownWord5 = h.unknownWord5;
        header_.unknownLastByte = 0;
        extendedHeader_ = true;
        break;
    }
    case omf::Header2:
        header_ = rec.header;
        extendedHeader_ = true;
        break;
    case omf::LineOffsetMode:
        if (rec.byte == 1) wideLineOffsets_ = true;
        break;
    case omf::NumberTable:
        for (const auto& item : rec.items) numbers_.push_back({static_cast<std::uint16_t>(item->number), item->name});
        break;
    case omf::SegmentDefinition: {
        auto seg = std::make_unique<TOmfElement>();
        seg->position = rec.position;
        seg->recordType = rec.recordType;
        seg->segmentId = rec.kind;
        seg->info = rec.byte;
        seg->address = rec.first;
        seg->value = rec.second.value;
        seg->type = rec.word;
        seg->name = rec.name;
        seg->number = static_cast<std::uint32_t>(segments_.size());
        segments_.push_back(std::move(seg));
        break;
    }
    case omf::Content2: {
        const std::uint32_t address = RecordAddress(rec);
        if ((rec.kind & 1) != 0 && space(address) == 1 && bankByte(address) == 0) {
            remembered_.first = rec.first;
            remembered_.segmentIndex = rec.segmentIndex;
            remembered_.dataLength = rec.dataLength;
        }
        break;
    }
    case omf::Typedef2: {
        // The reader keeps its own copy, decoded again from the record's bytes.
        OmfCursor again(body_.data(), rec.declaredLength, rec.position + 3, rec.recordType, rec.position);
        typedefs_.push_back(std::make_unique<TOmf2Typedef>(again));
        ++nextTypedefNumber_;
        break;
    }
    case omf::TypeCheck:
        CheckTypeIndexes();
        break;
    case omf::MemoryModel:
        switch ((rec.modelByte >> 4) & 3) {
        case 0: memoryModel_ = 4; break;
        case 1: memoryModel_ = 3; break;
        case 2: memoryModel_ = 1; break;
        default: memoryModel_ = 2; break;
        }
        modelFlag_ = rec.flagByte & 1;
        modelCount_ = static_cast<std::uint8_t>(rec.countByte + 1);
        break;
    default:
        break;
    }
}

// ---------------------------------------------------------------- lookups

std::uint32_t TOmfReader::SegmentBase(const TOmfRecord& rec) const {
    if (rec.recordType != omf::ScopeBegin && rec.recordType != omf::LineNumbers2 && rec.recordType != omf::Content2)
        return 0;
    if (rec.segmentIndex == 0 || rec.segmentIndex > segments_.size()) return 0;
    return segments_[rec.segmentIndex - 1]->address.value;
}

std::uint32_t TOmfReader::RecordAddress(const TOmfRecord& rec) const {
    if (rec.recordType != omf::ScopeBegin && rec.recordType != omf::Content2) return 0;
    return SegmentBase(rec) + rec.first.value;
}

OmfBankOffset TOmfReader::ElementBankOffset(const TOmfRecord& rec) const {
    return SplitOmfAddress(RecordAddress(rec));
}

std::uint32_t TOmfReader::ElementAddress(const TOmfRecord& rec) const { return SegmentBase(rec) & 0x007FFFFF; }

OmfBankOffset TOmfReader::SymbolBankOffset(const TOmfElement& item) const {
    std::uint32_t base = 0;
    if (item.segmentIndex != 0 && item.segmentIndex <= segments_.size())
        base = segments_[item.segmentIndex - 1]->address.value;
    return SplitOmfAddress(base + item.address.value);
}

std::uint32_t TOmfReader::ResolveTypeIndex(std::uint32_t index) const {
    if (index < 128) return index;
    const std::uint32_t entry = index - 128;
    if (entry >= numbers_.size())
        throw EOmfFormatError(Format("type index %.4x beyond the number table of %d entries", index, numbers_.size()));
    return numbers_[entry].number;
}

const TOmf2Typedef* TOmfReader::TypedefByNumber(std::uint32_t number) const {
    if (number < 128 || number - 128 >= typedefs_.size()) return nullptr;
    return typedefs_[number - 128].get();
}

bool TOmfReader::HasTypedef(std::uint32_t index) {
    if (index < 128 || TypedefByNumber(index) != nullptr) return true;
    missingTypedefs_ = true;
    return false;
}

void TOmfReader::checkIndex(std::uint32_t index, std::int32_t number, const TOmf2Typedef& def, bool list) {
    if (HasTypedef(index) || messages_.size() >= MaxTypeMessages) return;
    messages_.push_back(Format(list ? "Missing type index list: %.4x in typedef %.4x (%s)"
                                    : "Missing type index: %.4x in typedef %.4x (%s)",
                               index, number, def.KindName()));
}

void TOmfReader::CheckTypeIndexes() {
    // Only the definitions added since the last check: a file may carry a
    // check record after every definition, and checking all of them each
    // time costs the square of their number.
    const std::size_t from = checkedTypedefs_;
    checkedTypedefs_ = typedefs_.size();
    for (std::size_t i = from; i < typedefs_.size(); ++i) {
        const TOmf2Typedef& def = *typedefs_[i];
        const auto number = static_cast<std::int32_t>(128 + i);
        switch (def.kind) {
        case 0x20:
        case 0x22:
        case 0x23:
        case 0x26:
        case 0x27:
            checkIndex(def.typeIndex.value, number, def, false);
            break;
        case 0x21:
            for (auto entry : def.indexList) checkIndex(entry, number, def, false);
            break;
        case 0x24:
            checkIndex(def.typeIndex.value, number, def, false);
            checkIndex(def.secondTypeIndex.value, number, def, true);
            break;
        case 0x25:
            checkIndex(def.secondTypeIndex.value, number, def, true);
            break;
        default:
            break;
        }
    }
}

bool TOmfReader::HasExtendedHeader() const {
    return header_.recordType == omf::ExtendedHeader || header_.recordType == omf::Header2;
}

// ---------------------------------------------------------------- classification

bool TOmfReader::IsCodeSymbol(const TOmfElement& item) const {
    if (!HasExtendedHeader()) return memoryModel_ == 2;
    return space(item.address.value) == 0 && (item.address.value & kCodeFlag) != 0;
}

bool TOmfReader::IsXdataSymbol(const TOmfElement& item) const {
    return HasExtendedHeader() && space(item.address.value) == 1 && bankByte(item.address.value) == 0;
}

bool TOmfReader::IsCodeContent(const TOmfRecord& rec) const {
    if (rec.recordType == omf::ScopeBegin) {
        if (!HasExtendedHeader()) return memoryModel_ == 2;
        const std::uint32_t a = RecordAddress(rec);
        return space(a) == 0 && (a & kCodeFlag) != 0;
    }
    if (rec.recordType == omf::Content2) return memoryModel_ == 2 || (rec.kind & 2) != 0;
    return false;
}

bool TOmfReader::IsXdataContent(const TOmfRecord& rec) const {
    if (rec.recordType == omf::ScopeBegin) {
        const std::uint32_t a = RecordAddress(rec);
        return HasExtendedHeader() && space(a) == 1 && bankByte(a) == 0;
    }
    if (rec.recordType == omf::Content2) return (rec.kind & 1) != 0;
    return false;
}

bool TOmfReader::ContinuesRecord(const TOmfRecord& rec) const {
    if (rec.recordType != omf::Content2 || (rec.kind & 1) == 0) return false;
    if (rec.dataLength != remembered_.dataLength) return false;
    const std::uint32_t a = RecordAddress(rec);
    return (a & 0xFFFF) == (RecordAddress(remembered_) & 0xFFFF) && (a & kCodeFlag) != 0;
}

}  // namespace tarvex
