#include "host/load/loader_omf.hpp"

#include <algorithm>
#include <cctype>

#include "core/ansi_case.hpp"
#include "core/format.hpp"
#include "core/messages.hpp"

namespace tarvex {

namespace {

// Bytes of the base types, by base type code (the symbol table's sizes).
constexpr std::uint8_t kBaseSizes[32] = {1, 1, 1, 1, 2, 2, 4, 4, 4, 8, 1, 1, 4, 8, 0, 0,
                                         3, 1, 0, 0, 0, 0, 0, 0, 4, 6, 7, 0, 0, 0, 1, 0};

std::uint32_t baseSize(std::uint32_t code) { return code < 32 ? kBaseSizes[code] : 0; }

constexpr std::uint8_t Omf2Form = 2;
constexpr std::uint8_t TypeListSymbolClass = 32;

// Symbol kind of an OMF-51 symbol item by its segment type.
int kindOfSegmentType(std::uint8_t segmentType, std::uint16_t offset) {
    switch (segmentType & 7) {
    case 0: return sspProgram;
    case 1: return sspExtData;
    case 2:
        if (offset >= 0x80) return sspSfr;
        if (offset < 8) return sspRegBank;
        return sspIntData;
    case 3: return sspIntData;
    case 4: return sspBit;
    default: return sspConst;
    }
}

// Symbol kind of an OMF2 symbol item by its memory class.
int kindOfMemoryClass(std::uint32_t memoryClass, std::uint16_t offset) {
    switch (memoryClass) {
    case 1: case 7: case 8: case 9: case 12: case 16: return sspExtData;
    case 2: return offset >= 0x80 ? sspSfr : sspIntData;
    case 3: return sspIntData;
    case 4: case 10: return sspBit;
    case 5: case 6: return sspProgram;
    default: return sspConst;
    }
}

// Memory class of an OMF2 pointer as the type texts read it.
std::uint16_t pointerClass(std::uint32_t memoryClass) {
    switch (memoryClass) {
    case 1: case 7: case 8: case 12: case 16: return 2;
    case 2: case 10: return 4;
    case 3: return 1;
    case 6: case 11: return 5;
    case 9: return 3;
    case 13: case 14: case 15: return 0;
    default: return static_cast<std::uint16_t>(memoryClass);
    }
}

TBankAdresse omf2Address(const OmfBankOffset& at, bool code, bool xdata) {
    if (xdata) return AllBanksAdresse(at.offset);
    if (code) return BankedAdresse(at.bank, at.offset);
    return UnbankedAdresse(at.offset);
}

TBankAdresse plus(TBankAdresse a, std::uint32_t n) {
    a.offset = static_cast<std::uint16_t>(a.offset + n);
    return a;
}

std::string twoBytes(std::uint32_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}

std::uint32_t saturatedProduct(const std::vector<std::uint16_t>& factors, std::uint32_t last) {
    std::uint64_t p = last;
    for (auto f : factors) p = std::min<std::uint64_t>(p * f, 0xFFFFFFFFu);
    return static_cast<std::uint32_t>(p);
}

// The name without folder (either separator) and extension.
std::string stemOf(const std::string& path) {
    const std::size_t cut = path.find_last_of("\\/:");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) name.resize(dot);
    return name;
}

}  // namespace

bool TOmfLoad::skipped(const TBankAdresse& address) const {
    return params_.ignoreBanking && address.banked && !address.allBanks && address.bank != params_.bankSelector;
}

TBankAdresse TOmfLoad::passAddress(int pass, std::uint16_t offset) const {
    TBankAdresse a = params_.loadAddress;
    if (a.banked && !a.allBanks) a.bank = static_cast<std::uint8_t>(a.bank + pass);
    a.offset = offset;
    return a;
}

bool TOmfLoad::Load(TOmfReader& reader, const std::string& fileName, const TOmfLoadParams& params) {
    params_ = params;
    params_.bankCount = std::max(params_.bankCount, 1);
    book_.Clear(params_.defaultStart);
    fileStem_ = stemOf(fileName);
    loadOffset_ = params_.offsetFlag ? params_.loadAddress.offset : 0;
    omf2Seen_ = false;
    dialect_ = params_.dialect;
    storeInFirstPass_ = !params_.symbolsOnly && !params_.pellunarMode;
    ended_ = false;
    cancelled_ = false;
    bankedAreaDeclared_ = false;
    firstTypeNumber_ = -1;
    pending_.clear();
    references_.clear();

    firstPass(reader);
    if (cancelled_) return false;
    bool failed = !ended_;

    // Symbols, lines and types went in once; the other passes load code only.
    if (!params_.symbolsOnly) {
        for (int pass = storeInFirstPass_ ? 1 : 0; pass < params_.bankCount && !cancelled_; ++pass)
            contentPass(reader, pass);
    }
    if (cancelled_) return false;

    // Forward references are usual (a component list before its
    // components): whether a definition exists is known only at the end.
    reader.CheckTypeIndexes();
    for (const std::uint32_t index : references_) reader.HasTypedef(index);
    if (reader.missingTypedefs()) target_.AddMessage(std::string(LoadStr(90)) + ": " + std::string(LoadStr(93)));

    if (!failed && reader.HasExtendedHeader()) {
        const std::uint16_t start = reader.BankedAreaStart(), end = reader.BankedAreaEnd();
        if (start != 0 || end != 0) {
            target_.SetBankedArea(start, end);
            bankedAreaDeclared_ = true;
        }
    }
    return !failed;
}

void TOmfLoad::firstPass(TOmfReader& reader) {
    reader.SetPosition(0);
    while (!reader.Eof()) {
        if (target_.CancelRequested()) {
            cancelled_ = true;
            return;
        }
        const auto rec = reader.ReadRecord();
        if (!record(reader, *rec)) break;
    }
    endPosition_ = reader.GetPosition();
    enterPending();
    closeAll(0);
    target_.FlushCode();
}

void TOmfLoad::contentPass(TOmfReader& reader, int pass) {
    reader.SetPosition(0);
    while (!reader.Eof() && reader.GetPosition() < endPosition_) {
        if (target_.CancelRequested()) {
            cancelled_ = true;
            return;
        }
        const auto rec = reader.NextContent();
        if (rec) content(reader, *rec, false, pass);
    }
    target_.FlushCode();
}

void TOmfLoad::openScope(const std::string& name, bool moduleFile) {
    book_.OpenScope(name, moduleFile);
    scopeSkipped_ = false;
}

// A scope whose code and lines all lie in banks the load leaves out is left
// out with them.
void TOmfLoad::closeScope(std::uint8_t form) {
    const TObjectRange& range = book_.scopeRange;
    book_.CloseScope(symbols_, form, !skipped(range.start) && !(range.pending && scopeSkipped_));
}

void TOmfLoad::closeAll(std::uint8_t form) {
    closeScope(form);
    book_.CloseModule(symbols_, form);
}

bool TOmfLoad::record(TOmfReader& reader, const TOmfRecord& rec) {
    switch (rec.recordType) {
    case omf::ModuleHeader:
        book_.moduleName = rec.name;
        break;
    case omf::ModuleEnd:
        closeAll(0);
        book_.moduleName.clear();
        ended_ = true;
        return false;
    case omf::Content:
    case omf::Content2:
        content(reader, rec, true, 0);
        break;
    case omf::ScopeDefinition:
        scopeDefinition(rec);
        break;
    case omf::DebugItems:
    case omf::DebugItems2:
        if (rec.kind <= omf::SegmentSymbols)
            symbols51(rec);
        else if (rec.kind == omf::LineNumberItems)
            lines51(rec);
        else if (rec.kind >= 6 && rec.kind <= 10)
            debugType(rec);
        break;
    case omf::Typedefs51:
        typedefs51(rec);
        break;
    case omf::SourceName:
        // A file name without a module has no place in the table.
        if (book_.ModuleOpen()) symbols_.AddFileName(rec.name, book_.module, 0);
        break;
    case omf::ExtendedHeader:
    case omf::Header2:
        omf2Seen_ = true;
        break;
    case omf::Symbols88:
    case omf::Symbols8C:
    case omf::SymbolsD0:
        symbols2(reader, rec);
        break;
    case omf::ScopeBegin:
        scopeBegin2(reader, rec);
        break;
    case omf::ScopeEnd:
        scopeEnd2(rec);
        break;
    case omf::LineNumbers2:
        lines2(reader, rec);
        break;
    case omf::Typedef2:
        typedef2(reader, rec);
        break;
    case omf::SourceFiles:
        sourceFiles(rec);
        break;
    case omf::ModuleClose2:
        dialect_ = 2;
        closeAll(Omf2Form);
        break;
    case omf::Omf2NameC2:
    case omf::Omf2NameC4:
        dialect_ = 2;
        break;
    case omf::TypeCheck:
        dialect_ = 2;
        closeAll(Omf2Form);
        ended_ = true;
        return false;
    default:
        break;
    }
    return true;
}

// ---------------------------------------------------------------- code

void TOmfLoad::content(TOmfReader& reader, const TOmfRecord& rec, bool firstPass, int pass) {
    TBankAdresse at;
    if (rec.recordType == omf::Content) {
        at = OmfSegmentAddress(omf2Seen_, rec.segmentId, static_cast<std::uint16_t>(rec.offset + loadOffset_));
    } else {
        if (reader.ContinuesRecord(rec)) return;
        at = plus(omf2Address(reader.ElementBankOffset(rec), reader.IsCodeContent(rec), reader.IsXdataContent(rec)),
                  loadOffset_);
    }
    if (rec.data.empty()) return;
    if (skipped(at)) {
        if (firstPass) scopeSkipped_ = true;
        return;
    }
    // Later passes put unbanked code into their own bank; banked code has
    // its one place and went there in the first pass that stored code.
    const bool firstCodePass = storeInFirstPass_ ? firstPass : pass == 0;
    if (at.banked && !firstCodePass) return;

    if (firstPass) {
        if (!book_.ModuleOpen()) {
            // A file without scope records: its code still belongs to a
            // module and to one scope standing for it.
            book_.OpenModule(book_.moduleName);
            if (!book_.ScopeOpen())
                openScope("Modul" + book_.moduleName, AnsiSameText(book_.moduleName, fileStem_));
        }
        book_.Touch(at, plus(at, static_cast<std::uint32_t>(rec.data.size() - 1)));
    }
    const TBankAdresse place = at.banked ? at : passAddress(pass, at.offset);
    target_.PlaceCode(place, rec.data.data(), rec.data.size(), firstPass ? storeInFirstPass_ : true);
}

// ---------------------------------------------------------------- scopes

void TOmfLoad::scopeDefinition(const TOmfRecord& rec) {
    switch (rec.blockType) {
    case omf::ModuleBegin:
        closeAll(0);
        book_.OpenModule(rec.name);
        break;
    case omf::ProcedureBegin:
        closeScope(0);
        openScope(rec.name, false);
        if (rec.segmentId != 0) {
            // The segment names the bank the procedure's code lies in.
            const TBankAdresse bank = OmfSegmentAddress(omf2Seen_, rec.segmentId, book_.defaultStart.offset);
            book_.scopeRange.start = book_.scopeRange.end = bank;
        }
        break;
    case omf::ModuleEndBlock:
        closeAll(0);
        break;
    case omf::ProcedureEnd:
        closeScope(0);
        break;
    default:
        break;
    }
}

void TOmfLoad::scopeBegin2(TOmfReader& reader, const TOmfRecord& rec) {
    if (book_.nesting++ != 0) return;
    closeScope(Omf2Form);
    openScope(rec.name, false);
    scopeStart_ = plus(
        omf2Address(reader.ElementBankOffset(rec), reader.IsCodeContent(rec), reader.IsXdataContent(rec)),
        loadOffset_);
    book_.scopeRange.Take(scopeStart_, scopeStart_);
}

void TOmfLoad::scopeEnd2(const TOmfRecord& rec) {
    if (book_.nesting == 0) return;  // no scope record opened one
    if (--book_.nesting != 0 || !book_.ScopeOpen()) return;
    // The record gives the extent; lines inside do not move its start.
    const TBankAdresse start = scopeStart_;
    const TBankAdresse end = plus(start, rec.first.value);
    book_.scopeRange.pending = false;
    book_.scopeRange.start = start;
    book_.scopeRange.end = end;
    book_.moduleRange.Take(start, end);
    closeScope(Omf2Form);
}

// ---------------------------------------------------------------- types

TOmfLoad::TypeRef TOmfLoad::ref51(std::uint32_t value) {
    if (dialect_ == 4) {
        const int letter = value < 0x80 ? std::toupper(static_cast<int>(value)) : 0;
        if (value == 0) return {3, 0};
        switch (letter) {
        case 'B': return {3, 0};
        case 'C': return {2, 0};
        case 'D': return {4, 0};
        case 'L': return {6, 0};
        case 'N': return {1, 0};
        case 'R': return {8, 0};
        case 'S': return {30, 0};
        case 'W': return {5, 0};
        default: break;
        }
        // Debug-item type records count down from the first one's number.
        const std::int64_t first = firstTypeNumber_ < 0 ? 0 : firstTypeNumber_;
        return {kTypeOfRecord, book_.TypeIndex(symbols_, first - static_cast<std::int64_t>(value))};
    }
    if (value < 32) return {static_cast<std::uint8_t>(value), 0};
    return {kTypeOfRecord, book_.TypeIndex(symbols_, static_cast<std::int64_t>(value) - 32)};
}

TOmfLoad::TypeRef TOmfLoad::ref2(std::uint32_t index) {
    if (index < 128) return {static_cast<std::uint8_t>(index), 0};
    references_.insert(index);  // a dangling one is reported after the load
    return {kTypeOfRecord, book_.TypeIndex(symbols_, static_cast<std::int64_t>(index) - 128)};
}

std::uint32_t TOmfLoad::sizeOf(const TypeRef& ref) {
    return ref.code == kTypeOfRecord ? ref.index : baseSize(ref.code);
}

TSymbol* TOmfLoad::addType(const std::string& name, std::uint16_t functionField, std::uint16_t moduleField,
                           std::uint8_t code, std::uint32_t size, std::uint8_t klass, std::uint16_t offset,
                           std::uint8_t bank, std::uint8_t form) {
    TBankAdresse address;
    address.bank = bank;
    address.offset = offset;
    TSymbol* t = symbols_.AddSymbol(sspTypedef, name, functionField, moduleField, code, size, klass, address);
    t->form = form;
    return t;
}

void TOmfLoad::typedefs51(const TOmfRecord& rec) {
    book_.typeBase = typeCount();
    if (firstTypeNumber_ < 0) firstTypeNumber_ = 0;
    struct List {
        TSymbol* symbol;
        const TOmfTypedef* def;
    };
    std::vector<List> lists;
    for (const auto& base : rec.typedefs) {
        const auto* def = dynamic_cast<const TOmf51Typedef*>(base.get());
        if (def == nullptr || !def->IsKnownKind()) continue;
        const auto low = [](std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFF); };
        const auto high = [](std::uint32_t v) { return static_cast<std::uint16_t>((v >> 8) & 0xFF); };
        const std::uint8_t klass = def->kind;  // 0x20 to 0x28 are the classes 32 to 40
        switch (def->kind) {
        case 0x20: {
            const auto count = static_cast<std::uint32_t>(def->count);
            lists.push_back({addType("", high(count), low(count), kTypeOfRecord, 0, klass, 0, 0, 0), def});
            break;
        }
        case 0x21: {
            const TypeRef e = ref51(def->typeIndex.value);
            addType("", 0, 0, e.code, 3, klass, static_cast<std::uint16_t>(e.index), 0, 0);
            break;
        }
        case 0x22: {
            const TypeRef e = ref51(def->typeIndex.value);
            std::string name;
            for (auto d : def->dimensions) name += twoBytes(d);
            const std::uint32_t size = e.code < 31 ? saturatedProduct(def->dimensions, baseSize(e.code)) : 0;
            addType(name, static_cast<std::uint16_t>(def->count), 0, e.code, size, klass,
                    static_cast<std::uint16_t>(e.index), 0, 0);
            break;
        }
        case 0x23: {
            const TypeRef list = ref51(def->secondTypeIndex.value);
            const TypeRef e = ref51(def->typeIndex.value);
            addType("", high(list.index), low(list.index), e.code, 1, klass, static_cast<std::uint16_t>(e.index), 0,
                    0);
            break;
        }
        case 0x24: {
            const TypeRef e = ref51(def->typeIndex.value);
            addType(def->name, 0, 0, e.code, 0, klass, static_cast<std::uint16_t>(e.index), 0, 0);
            break;
        }
        case 0x25: {
            const TypeRef list = ref51(def->secondTypeIndex.value);
            const TypeRef e = ref51(def->typeIndex.value);
            addType("", high(list.index), low(list.index), e.code, def->value, klass,
                    static_cast<std::uint16_t>(e.index), 0, 0);
            break;
        }
        case 0x26: {
            const bool word = def->typeIndex.value != 0;
            addType("", def->bitWidth, def->bitOffset, word ? 5 : 3, word ? 2 : 1, klass, 0, 0, 0);
            break;
        }
        case 0x27: {
            const TypeRef e = ref51(def->typeIndex.value);
            addType("", 0, def->memory, e.code, def->size, klass, static_cast<std::uint16_t>(e.index), 0, 0);
            break;
        }
        case 0x28: {
            const TypeRef e = ref51(def->typeIndex.value);
            addType("", def->pointerKind, def->memory, e.code, def->size, klass, static_cast<std::uint16_t>(e.index),
                    def->attribute, 0);
            break;
        }
        default:
            break;
        }
    }
    // The members follow all definitions of the record, so that type
    // references of the record count its definitions only.
    for (const List& list : lists) {
        symbols_.SetTypeReference(list.symbol, list.symbol->type, typeCount());
        std::uint8_t sequence = 0;
        std::uint32_t sum = 0;
        bool allBase = true;
        for (const auto& m : list.def->members) {
            if (++sequence == 0) sequence = 1;
            const TypeRef e = ref51(m->type);
            const std::uint32_t size = e.code < 32 ? baseSize(e.code) : 0;
            if (e.code >= 32) allBase = false;
            sum += size;
            addType(m->name, static_cast<std::uint16_t>((m->offset >> 8) & 0xFF),
                    static_cast<std::uint16_t>(m->offset & 0xFF), e.code, size, TypeListSymbolClass,
                    static_cast<std::uint16_t>(e.index), sequence, 0);
        }
        if (allBase) list.symbol->size = sum;
    }
}

void TOmfLoad::debugType(const TOmfRecord& rec) {
    dialect_ = 4;
    if (book_.typeBase < 0) book_.typeBase = typeCount();
    if (firstTypeNumber_ < 0) firstTypeNumber_ = rec.blockType;
    const auto low = [](std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFF); };
    const auto high = [](std::uint32_t v) { return static_cast<std::uint16_t>((v >> 8) & 0xFF); };
    const auto memberCount = static_cast<std::uint16_t>(rec.items.size());
    switch (rec.kind) {
    case 6: {
        const TypeRef e = ref51(rec.typeIndex.value);
        const std::uint32_t count = static_cast<std::uint16_t>(rec.DebugValueA() - rec.DebugValueB() + 1);
        addType(rec.name, high(count), low(count), e.code, 0, rec.kind, static_cast<std::uint16_t>(e.index), 0, 0);
        break;
    }
    case 7:
    case 8: {
        PendingOwner owner;
        owner.klass = rec.kind;
        owner.size = rec.kind == 7 ? rec.DebugValueC() : 2;
        const std::uint16_t offset = rec.kind == 7 ? 0 : static_cast<std::uint16_t>(typeCount() + 1);
        owner.symbol = addType(rec.name, memberCount, 0, kTypeOfRecord, owner.size, rec.kind, offset, 0, 0);
        for (const auto& item : rec.items)
            owner.members.push_back({item->name, static_cast<std::uint16_t>(item->offset), item->type});
        pending_.push_back(std::move(owner));
        break;
    }
    case 9: {
        const TypeRef e = ref51(rec.typeIndex.value);
        addType(rec.name, 0, 0, e.code, 1, rec.kind, static_cast<std::uint16_t>(e.index), 0, 0);
        break;
    }
    case 10: {
        const TypeRef e = ref51(rec.typeIndex.value);
        addType(rec.name, 0, rec.byte, e.code, 0, rec.kind, static_cast<std::uint16_t>(e.index), 0, 0);
        break;
    }
    default:
        break;
    }
    // The last type record of the file (number 1) is in: member types now
    // refer to records that exist.
    if (rec.blockType == 1) enterPending();
}

void TOmfLoad::enterPending() {
    for (PendingOwner& owner : pending_) {
        symbols_.SetTypeReference(owner.symbol, owner.symbol->type, typeCount());
        std::uint8_t sequence = 0;
        for (std::size_t i = 0; i < owner.members.size(); ++i) {
            const PendingMember& m = owner.members[i];
            if (++sequence == 0) sequence = 1;
            TypeRef e;
            std::uint32_t size = 0;
            if (owner.klass == 7) {
                e = ref51(m.type);
                const std::uint32_t next = i + 1 < owner.members.size() ? owner.members[i + 1].value : owner.size;
                size = next > m.value ? next - m.value : 0;
            }
            addType(m.name, static_cast<std::uint16_t>(m.value >> 8), static_cast<std::uint16_t>(m.value & 0xFF),
                    e.code, size, owner.klass, static_cast<std::uint16_t>(e.index), sequence, 0);
        }
    }
    pending_.clear();
}

void TOmfLoad::typedef2(TOmfReader& reader, const TOmfRecord& rec) {
    if (book_.typeBase < 0) book_.typeBase = typeCount();
    if (firstTypeNumber_ < 0) firstTypeNumber_ = 0;
    if (rec.typedefs.empty()) return;
    const auto* def = dynamic_cast<const TOmf2Typedef*>(rec.typedefs.front().get());
    if (def == nullptr) return;
    const auto low = [](std::uint32_t v) { return static_cast<std::uint16_t>(v & 0xFF); };
    const auto high = [](std::uint32_t v) { return static_cast<std::uint16_t>((v >> 8) & 0xFF); };
    const std::uint16_t start = typeCount();
    switch (def->kind) {
    case 0x20: {
        const TypeRef e = ref2(def->typeIndex.value);
        addType(def->name, high(def->first.value), low(def->first.value), e.code, baseSize(e.code),
                TypeListSymbolClass, static_cast<std::uint16_t>(e.index), 1, Omf2Form);
        break;
    }
    case 0x21: {
        std::string name;
        for (auto entry : def->indexList) {
            const TypeRef e = ref2(entry);
            name += twoBytes(e.code == kTypeOfRecord ? e.index - start : entry);
        }
        const auto count = static_cast<std::uint32_t>(def->count);
        addType(name, high(count), low(count), kTypeOfRecord, 0, TypeListSymbolClass, start, 0, Omf2Form);
        break;
    }
    case 0x22: {
        if (def->vendorId != 0) target_.AddMessage(Format("TYPEDEF POINTER: VendorId %d not supported", def->vendorId));
        const TypeRef e = ref2(def->typeIndex.value);
        const std::uint16_t memoryClass = pointerClass(reader.ResolveTypeIndex(def->memClassIndex));
        addType("", static_cast<std::uint16_t>(def->value & 0xFF), memoryClass, e.code, def->value / 8, 40,
                static_cast<std::uint16_t>(e.index), 1, Omf2Form);
        break;
    }
    case 0x23: {
        const TypeRef e = ref2(def->typeIndex.value);
        std::string name;
        for (auto d : def->indexList) name += twoBytes(d);
        const std::uint32_t size = e.code < 31 ? saturatedProduct(def->indexList, baseSize(e.code)) : 0;
        addType(name, static_cast<std::uint16_t>(def->count), 0, e.code, size, 34,
                static_cast<std::uint16_t>(e.index), 0, Omf2Form);
        break;
    }
    case 0x24: {
        const TypeRef list = ref2(def->secondTypeIndex.value);
        const TypeRef e = ref2(def->typeIndex.value);
        addType("", high(list.index), low(list.index), e.code, 1, 35, static_cast<std::uint16_t>(e.index), 0,
                Omf2Form);
        break;
    }
    case 0x25: {
        const TypeRef e = ref2(def->secondTypeIndex.value);
        addType(def->name, 0, 0, e.code, def->value, 37, static_cast<std::uint16_t>(e.index), 0, Omf2Form);
        break;
    }
    case 0x26: {
        const auto code = static_cast<std::uint8_t>(def->typeIndex.value & 0xFF);
        addType("", def->bitWidth, def->bitOffset, code, baseSize(code), 38, 0, 0, Omf2Form);
        break;
    }
    case 0x27: {
        const TypeRef e = def->kindValue == 4 ? ref2(def->typeIndex.value) : TypeRef{};
        addType(def->name, 0, 0, e.code, 1, 36, static_cast<std::uint16_t>(e.index), 0, Omf2Form);
        break;
    }
    default:
        // The reader numbered the definition all the same: a place holder
        // keeps the later references pointing at their own records.
        addType("", 0, 0, 0, 0, def->kind, 0, 0, Omf2Form);
        break;
    }
}

// ---------------------------------------------------------------- symbols and lines

void TOmfLoad::addSymbol(int kind, const std::string& name, const TypeRef& type, std::uint8_t klass,
                         const TBankAdresse& address) {
    if ((kind == sspModuleFunction || kind == sspProgram) && skipped(address)) return;
    if (registers_ != nullptr && (kind == sspSfr || kind == sspBit)) {
        const int list = kind == sspSfr ? 0 : 2;
        const std::string upper = AnsiUpperCase(name);
        if (registers_->FindByName(list, name) != nullptr || registers_->FindByName(list, upper) != nullptr) return;
        if (kind == sspSfr && (registers_->FindByName(1, name) != nullptr || registers_->FindByName(1, upper) != nullptr))
            return;
    }
    symbols_.AddSymbol(kind, name, book_.scope, book_.module, type.code, sizeOf(type), klass, address);
}

void TOmfLoad::symbols51(const TOmfRecord& rec) {
    for (const auto& item : rec.items) {
        const auto offset = static_cast<std::uint16_t>(item->offset);
        const int kind = kindOfSegmentType(item->SegmentType(), offset);
        TBankAdresse at;
        if (kind == sspProgram)
            at = OmfSegmentAddress(omf2Seen_, item->segmentId, static_cast<std::uint16_t>(offset + loadOffset_));
        else if (kind == sspExtData)
            at = OmfSegmentAddress(omf2Seen_, item->segmentId, offset);
        else
            at = UnbankedAdresse(offset);
        // The module's own name as a segment symbol marks where its code starts.
        if (rec.kind == omf::SegmentSymbols && item->info == 0x20 && book_.moduleRange.pending &&
            AnsiSameText(item->name, book_.moduleName))
            book_.moduleRange.Take(at, at);
        addSymbol(kind, item->name, ref51(item->type), rec.kind, at);
    }
}

void TOmfLoad::lines51(const TOmfRecord& rec) {
    for (const auto& item : rec.items) {
        const TBankAdresse at =
            OmfSegmentAddress(omf2Seen_, item->segmentId, static_cast<std::uint16_t>(item->offset + loadOffset_));
        // Line 1 at 0 is what some compilers write for "no line".
        if (item->line == 1 && at.offset == 0) continue;
        if (skipped(at)) {
            scopeSkipped_ = true;
            continue;
        }
        lines_.AddLineOnce(at, static_cast<std::int32_t>(item->line), 0, book_.scope, book_.module);
        book_.Touch(at, at);
    }
}

void TOmfLoad::symbols2(TOmfReader& reader, const TOmfRecord& rec) {
    const std::uint8_t klass = rec.recordType == omf::Symbols8C ? 0 : 1;
    for (const auto& item : rec.items) {
        TBankAdresse at =
            omf2Address(reader.SymbolBankOffset(*item), reader.IsCodeSymbol(*item), reader.IsXdataSymbol(*item));
        const int kind = kindOfMemoryClass(reader.ResolveTypeIndex(item->value), at.offset);
        if (kind == sspProgram) at = plus(at, loadOffset_);
        if (kind != sspProgram && kind != sspExtData) at = UnbankedAdresse(at.offset);
        addSymbol(kind, item->name, ref2(item->type), klass, at);
    }
}

void TOmfLoad::lines2(TOmfReader& reader, const TOmfRecord& rec) {
    const std::uint32_t base = reader.SegmentBase(rec);
    for (const auto& item : rec.items) {
        const TBankAdresse at =
            plus(omf2Address(SplitOmfAddress(base + item->address.value), reader.IsCodeSymbol(*item),
                             reader.IsXdataSymbol(*item)),
                 loadOffset_);
        if (skipped(at)) {
            scopeSkipped_ = true;
            continue;
        }
        lines_.AddLineOnce(at, static_cast<std::int32_t>(item->line), rec.word, book_.scope, book_.module);
        book_.Touch(at, at);
    }
}

void TOmfLoad::sourceFiles(const TOmfRecord& rec) {
    if (!book_.ModuleOpen()) return;
    for (const auto& item : rec.items) {
        std::string path = item->name;
        if (!path.empty() && path.back() != '\\' && path.back() != '/') path += '/';
        path += item->secondName;
        symbols_.AddFileName(path, book_.module, static_cast<std::uint16_t>(item->number));
    }
}

}  // namespace tarvex
