#include "host/load/ubrof_load.hpp"

#include "core/ansi_case.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "platform/exception.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

constexpr std::uint8_t UbrofForm = 1;
constexpr std::uint8_t RegisterKind = 12;

int kindOfSegment(std::uint16_t segmentType) {
    switch (segmentType & 0x1F) {
    case 0: return (segmentType & 0x60) != 0 ? sspConst : sspProgram;
    case 1: return sspProgram;
    case 2:
    case 4: return sspIntData;
    case 3: return sspExtData;
    case 5: return sspBit;
    case 6: return sspSfr;
    default: return sspConst;
    }
}

}  // namespace

TUbrofTables::TUbrofTables() {
    for (int k : {0, 1, 2, 23, 27}) typeSizes[static_cast<std::size_t>(k)] = 1;
    for (int k : {3, 4, 5, 6, 14, 24, 25, 31}) typeSizes[static_cast<std::size_t>(k)] = 2;
    for (int k : {7, 8, 9}) typeSizes[static_cast<std::size_t>(k)] = 4;
    typeSizes[10] = typeSizes[11] = 8;
    typeSizes[26] = 3;
}

void TUbrofTables::Declare(const TUbrofTagSize& size) {
    if (declared_.test(size.tag)) return;
    declared_.set(size.tag);
    tagSizes.push_back(size);
}

void TUbrofLoad::formatError() const { throw EVokWinFileError(FmtLoadStr(98, fileName_)); }

std::uint8_t TUbrofLoad::sizeOf(std::uint32_t n) const { return n < TUbrofTables::KindCount ? tables_.typeSizes[n] : 0; }

std::uint8_t TUbrofLoad::baseCode(std::uint32_t n, std::uint32_t& index) const {
    const std::uint8_t size = sizeOf(n);
    switch (n) {
    case 0: case 2: case 5: case 7: return static_cast<std::uint8_t>(n);
    case 1: return 3;
    case 3: return size == 1 ? 3 : 5;
    case 4: return size == 1 ? 2 : 4;
    case 6: return 4;
    case 8: return 6;
    case 9: return 12;
    case 10: case 11: return size == 4 ? 12 : 9;
    case 12: return 11;
    case 14: return size == 3 ? 33 : 5;
    default: break;
    }
    if (n < 100) return 0;
    // Type numbers from 100 count the file's type records in order.
    const std::int32_t base =
        typeBase_ >= 0 ? typeBase_ : static_cast<std::int32_t>(symbols_.KindList(sspTypedef)->Count());
    index = static_cast<std::uint32_t>(base) + n - 100;
    return kTypeOfRecord;
}

void TUbrofLoad::prePass(const std::vector<std::uint8_t>& bytes) {
    TUbrofReader reader(std::make_unique<platform::MemoryStream>(bytes));
    for (const auto& t : tables_.tagSizes) reader.AddTagSize(t);
    bool seen = false;
    try {
        // To the end at most: a file need not have 0x4F or 0x3F records.
        while (!reader.Eof()) {
            const auto rec = reader.NextRecord();
            if (rec->tag == ubrof::ProgramEnd) break;
            const auto* size = std::get_if<TUbrofTypeSize>(&rec->body);
            if (size == nullptr) {
                if (seen) break;
                continue;
            }
            seen = true;
            on(*size, rec->tag);
        }
    } catch (const EUbrofRecord&) {
    } catch (const EReadError&) {
    }
}

bool TUbrofLoad::Load(const std::vector<std::uint8_t>& bytes, const std::string& fileName) {
    fileName_ = fileName;
    prePass(bytes);
    TUbrofReader reader(std::make_unique<platform::MemoryStream>(bytes));
    for (const auto& t : tables_.tagSizes) reader.AddTagSize(t);
    tagsSeen_ = reader.TagSizes().size();
    try {
        while (!reader.Eof()) {
            if (cancel_ && cancel_()) return false;
            const auto rec = reader.NextRecord();
            if (!pending_.empty() && rec->tag != ubrof::TypeRecord && rec->tag != ubrof::TypeSize) enterMembers();
            if (rec->tag == ubrof::TagSizes) {
                const auto& all = reader.TagSizes();
                for (std::size_t i = tagsSeen_; i < all.size(); ++i) tables_.Declare(all[i]);
                tagsSeen_ = all.size();
            }
            convert(*rec);
        }
    } catch (const EUbrofRecord&) {
        formatError();
    } catch (const EReadError&) {
        formatError();
    }
    if (!pending_.empty()) enterMembers();
    return true;
}

void TUbrofLoad::openModule(const std::string& name) {
    ++moduleCounter_;
    if (moduleCounter_ == 0) moduleCounter_ = 1;
    functionCounter_ = 0;
    module_ = moduleCounter_;
    moduleName_ = name;
    moduleHasCode_ = false;
    moduleRange_ = Range{};
}

void TUbrofLoad::closeModule() {
    if (moduleCounter_ != 0 && (moduleHasCode_ || lastSourceModule_ == module_)) {
        symbols_.AddModule(moduleName_, moduleCounter_, moduleRange_.start, moduleRange_.end)->form = UbrofForm;
    } else if (moduleCounter_ > 0) {
        // The next module reuses the number.
        --moduleCounter_;
    }
    module_ = 0;
}

void TUbrofLoad::openFunction(const std::string& name) {
    ++functionCounter_;
    function_ = functionCounter_;
    functionName_ = name;
    functionRange_ = Range{};
}

void TUbrofLoad::closeFunction() {
    // A block end without an open function (one too many) enters nothing: as
    // function 0 it would stand for the module.
    if (functionCounter_ != 0 && function_ != 0)
        symbols_.AddFunction(functionName_, module_, functionRange_.start, functionRange_.end, function_)->form =
            UbrofForm;
    function_ = 0;
}

void TUbrofLoad::touch(const TBankAdresse& address, std::uint16_t lastOffset) {
    for (Range* r : {&moduleRange_, &functionRange_}) {
        if (r->pending) {
            r->pending = false;
            r->start = r->end = address;
        } else if (address.offset < r->start.offset) {
            r->start.offset = address.offset;
        }
        if (lastOffset > r->end.offset) r->end.offset = lastOffset;
    }
    moduleHasCode_ = true;
}

void TUbrofLoad::codePosition(std::uint8_t segmentType, std::uint32_t value) {
    segmentType_ = segmentType;
    if (kindOfSegment(segmentType) != sspProgram) return;
    placedBank(value);
    code_ = placed(value);
    runStart_ = code_.offset;
    runNext_ = code_.offset;
}

// Code and variables placed in a banked file name their bank: what follows
// is no longer common-area code of an all-banks load.
void TUbrofLoad::placedBank(std::uint32_t value) {
    if (banking_) bank_ = static_cast<std::uint8_t>((value >> 16) & 0xFF);
}

// A code address from a 32-bit value: the bank from bits 16..23 when the
// file uses banking; every bank for an offset outside the banked area.
TBankAdresse TUbrofLoad::placed(std::uint32_t value) const {
    const auto offset = static_cast<std::uint16_t>(value & 0xFFFF);
    if (!banking_) return UnbankedAdresse(offset);
    if (offset < areaStart_ || offset > areaEnd_) return AllBanksAdresse(offset);
    return BankedAdresse(static_cast<std::uint8_t>((value >> 16) & 0xFF), offset);
}

void TUbrofLoad::codeBytes(const std::string& bytes) {
    if (kindOfSegment(segmentType_) != sspProgram || bytes.empty()) return;
    // A run of code ends with its bank: the bytes past 0xFFFF would land on
    // the bank's start, the reset vector. Refused before any byte of the
    // record goes out, also when an earlier record of the run reached the end.
    if (runNext_ + bytes.size() > 0x10000u) {
        const auto count = static_cast<std::int32_t>(runNext_ + bytes.size() - runStart_);
        if (code_.banked && !code_.allBanks) throw EVokWinAddressError(FmtLoadStr(65, code_.bank, runStart_, count));
        throw EVokWinAddressError(FmtLoadStr(64, runStart_, count));
    }
    runNext_ += static_cast<std::uint32_t>(bytes.size());
    const std::uint16_t last = static_cast<std::uint16_t>(code_.offset + bytes.size() - 1);
    touch(code_, last);
    for (const char c : bytes) {
        if (sink_) {
            sink_(code_, static_cast<std::uint8_t>(c));
            ++codeBytes_;
        }
        ++code_.offset;
    }
    if (bank_ == BankAll && last > highestCommon_) highestCommon_ = last;
}

TSymbol* TUbrofLoad::variable(const TUbrofVariable& v) {
    std::uint32_t index = 0;
    std::uint32_t size = sizeOf(v.typeNumber);
    const std::uint8_t type = baseCode(v.typeNumber, index);
    if (type == kTypeOfRecord) size = index;
    const int kind = kindOfSegment(v.segmentType);
    if (v.kind != 2 && v.kind != 4) return nullptr;  // registers and the rest have no place
    placedBank(v.value);
    const std::uint8_t klass = v.kind == 2 ? 1 : 0;
    const TBankAdresse address =
        kind == sspProgram ? placed(v.value) : UnbankedAdresse(static_cast<std::uint16_t>(v.value & 0xFFFF));
    if (registers_ != nullptr) {
        const std::string upper = AnsiUpperCase(v.name);
        if (kind == sspBit && (registers_->FindByName(2, v.name) || registers_->FindByName(2, upper))) return nullptr;
        if (kind == sspSfr && (registers_->FindByName(0, v.name) || registers_->FindByName(0, upper))) return nullptr;
    }
    TSymbol* s = symbols_.AddSymbol(kind, v.name, function_, module_, type, size, klass, address);
    s->form = UbrofForm;
    return s;
}

void TUbrofLoad::locations(const std::vector<TUbrofLocation>& items, TSymbol* symbol) {
    bool open = false;
    TLocation current;
    for (const auto& item : items) {
        const TBankAdresse at = placed(item.address);
        if (open && symbol != nullptr) {
            current.end = at;
            TLocation* added = symbols_.Locations().Add();
            *added = current;
            if (symbol->locationCount == 0)
                symbol->firstLocation = static_cast<std::uint32_t>(symbols_.Locations().Count() - 1);
            ++symbol->locationCount;
        }
        open = item.kind != 21;
        if (!open) continue;
        if (item.kind == 2 || item.kind == 4) placedBank(item.value);
        const int segmentKind = kindOfSegment(item.segmentType);
        current = TLocation{};
        current.start = at;
        current.kind = static_cast<std::uint8_t>(item.kind == 8 && segmentKind == sspSfr ? RegisterKind : segmentKind);
        current.offset = static_cast<std::uint16_t>(item.value & 0xFFFF);
        current.bank = static_cast<std::uint8_t>((item.value >> 16) & 0xFF);
        if (current.kind == RegisterKind)
            for (std::size_t b = 0; b < 4; ++b) {
                current.registers[b] = static_cast<std::uint8_t>(item.value >> (8 * b));
                if (current.registers[b] == 0) break;  // the list's end
                current.registerCount = static_cast<std::uint8_t>(b + 1);
            }
    }
}

void TUbrofLoad::on(const TUbrofType& rec, std::uint8_t) {
    if (typeBase_ < 0) typeBase_ = static_cast<std::int32_t>(symbols_.KindList(sspTypedef)->Count());
    const std::uint8_t kind = rec.kind;
    if (kind < 15 || kind == 22 || (kind >= 45 && kind <= 48) || kind > 53) formatError();
    if ((kind >= 42 && kind <= 44) || (kind >= 49 && kind <= 53)) return;
    std::string name;
    TBankAdresse address{};
    address.bank = 0;
    std::uint16_t moduleField = 0, functionField = 0;
    std::uint32_t size = 0;
    std::uint8_t type = 0;
    std::uint8_t klass = kind;
    auto element = [&](std::uint32_t typeNumber) {
        std::uint32_t index = 0;
        type = baseCode(typeNumber, index);
        address.offset = static_cast<std::uint16_t>(index);
    };
    switch (kind) {
    case 15:
        element(rec.baseType);
        size = tables_.typeSizes[15] != 0 ? tables_.typeSizes[15] : 3;
        break;
    case 16:
    case 41:
        element(rec.baseType);
        size = rec.size;
        moduleField = rec.count & 0xFF;
        functionField = (rec.count >> 8) & 0xFF;
        break;
    case 17:
    case 18: {
        name = rec.name;
        size = rec.size;
        type = kTypeOfRecord;
        moduleField = rec.count & 0xFF;
        functionField = (rec.count >> 8) & 0xFF;
        break;
    }
    case 19:
        functionField = rec.first;
        moduleField = rec.second;
        element(rec.baseType);
        size = rec.baseType < TUbrofTables::KindCount ? sizeOf(rec.baseType) : 0;
        break;
    case 20:
    case 35: {
        size = 1;
        element(rec.baseType);
        functionField = rec.first;
        if (kind == 35) address.bank = static_cast<std::uint8_t>((rec.value >> 4) & 0x1F);
        moduleField = static_cast<std::uint16_t>(rec.count & 0xFF);
        for (std::size_t i = 0; i < rec.parameters.size() && i < 8; ++i) {
            std::uint32_t index = 0;
            const std::uint8_t code = baseCode(rec.parameters[i], index);
            if (code == kTypeOfRecord)
                name += std::string{static_cast<char>(index & 0xFF), static_cast<char>((index >> 8) & 0xFF)};
            else
                name += std::string{static_cast<char>(code), '\0'};
        }
        break;
    }
    case 21:
    case 36:
        moduleField = static_cast<std::uint16_t>(rec.value & 0xFF);
        if (kind == 36) functionField = static_cast<std::uint16_t>((rec.value >> 8) & 0xFF);
        klass = 21;
        element(rec.baseType);
        size = sizeOf(rec.baseType);
        break;
    default: {  // pointer kinds 23..34, 37..40
        element(rec.baseType);
        address.bank = 2;
        functionField = 1;
        size = sizeOf(kind);
        switch (kind) {
        case 23: moduleField = 1; break;
        case 24: moduleField = 2; break;
        case 25: moduleField = 5; break;
        case 26: moduleField = 0, address.bank = 1; break;
        case 27: moduleField = 3; break;
        case 28: case 29: case 30: klass = 28; break;
        case 31: moduleField = 5, functionField = 2; break;
        default: klass = 29; break;
        }
        if (size != 0) klass = 40;
        break;
    }
    }
    TSymbol* s = symbols_.AddSymbol(sspTypedef, name, functionField, moduleField, type, size, klass, address);
    s->form = UbrofForm;
    if (kind != 17 && kind != 18) return;
    // The members wait until the type records that follow are in, so that
    // the structure's own index and its members' indices stay in order.
    PendingStruct p;
    p.symbol = s;
    p.kind = kind;
    std::uint8_t sequence = 0;
    for (const auto& e : rec.elements) {
        PendingMember m;
        m.name = e.name;
        if (++sequence == 0) sequence = 1;
        m.address.bank = sequence;
        std::uint32_t index = 0;
        m.type = baseCode(e.typeNumber, index);
        m.address.offset = static_cast<std::uint16_t>(index);
        m.size = m.type == kTypeOfRecord ? 0 : sizeOf(e.typeNumber);
        m.offsetLow = static_cast<std::uint8_t>(e.offset & 0xFF);
        m.offsetHigh = static_cast<std::uint8_t>((e.offset >> 8) & 0xFF);
        p.members.push_back(std::move(m));
    }
    pending_.push_back(std::move(p));
}

void TUbrofLoad::enterMembers() {
    for (auto& p : pending_) {
        symbols_.SetTypeReference(p.symbol, p.symbol->type,
                                  static_cast<std::uint16_t>(symbols_.KindList(sspTypedef)->Count()));
        for (const auto& m : p.members)
            symbols_.AddSymbol(sspTypedef, m.name, m.offsetHigh, m.offsetLow, m.type, m.size, p.kind, m.address)
                ->form = UbrofForm;
    }
    pending_.clear();
}

void TUbrofLoad::convert(const TUbrofRecord& rec) {
    std::visit([&](const auto& body) { on(body, rec.tag); }, rec.body);
}

void TUbrofLoad::on(const TUbrofModuleHeader& rec, std::uint8_t) { openModule(rec.name); }

void TUbrofLoad::on(const TUbrofCode& rec, std::uint8_t) { codeBytes(rec.bytes); }

void TUbrofLoad::on(const TUbrofModuleEnd&, std::uint8_t) { closeModule(); }

void TUbrofLoad::on(const TUbrofProgramEnd&, std::uint8_t) { closeModule(); }

void TUbrofLoad::on(const TUbrofSourceFile& rec, std::uint8_t) {
    if (module_ != 0) symbols_.AddFileName(rec.name, module_, 0)->form = UbrofForm;
    lastSourceModule_ = module_;
}

void TUbrofLoad::on(const TUbrofLine& rec, std::uint8_t) {
    // A line places the module as code does: a module with lines is entered.
    touch(code_, code_.offset);
    lines_.AddLineOnce(code_, static_cast<std::int32_t>(rec.line), sourceIndex_, function_, module_);
}

void TUbrofLoad::on(const TUbrofBlock& rec, std::uint8_t) {
    ++nesting_;
    for (const auto& v : rec.variables) locations(v.locations, variable(v));
}

void TUbrofLoad::on(const TUbrofBlockEnd&, std::uint8_t) {
    if (nesting_ == 0)
        closeFunction();
    else
        --nesting_;
}

void TUbrofLoad::on(const TUbrofSymbol& rec, std::uint8_t tag) {
    // A symbol value (0xCE) places nothing.
    if (tag == ubrof::SymbolValue) return;
    const TUbrofVariable& v = rec.variable;
    const std::string upper = AnsiUpperCase(v.name);
    if (upper == "?BANK_LOW") banking_ = true, areaStart_ = static_cast<std::uint16_t>(v.value & 0xFFFF);
    if (upper == "?BANK_HIGH") {
        banking_ = true;
        areaEnd_ = static_cast<std::uint16_t>(v.value & 0xFFFF);
        if (areaEnd_ == 0) areaEnd_ = 0xFFFF;
    }
    locations(v.locations, variable(v));
}

void TUbrofLoad::on(const TUbrofTypeSize& rec, std::uint8_t) {
    if (rec.kind < TUbrofTables::KindCount) tables_.typeSizes[rec.kind] = static_cast<std::uint8_t>(rec.size);
}

void TUbrofLoad::on(const TUbrofFunction& rec, std::uint8_t) {
    openFunction(rec.name);
    for (const auto& v : rec.variables) locations(v.locations, variable(v));
}

void TUbrofLoad::on(const TUbrofCodePosition& rec, std::uint8_t) { codePosition(rec.segmentType, rec.value); }

void TUbrofLoad::on(const TUbrofBanking& rec, std::uint8_t) {
    if ((rec.flags & 2) != 0) banking_ = true;
}

void TUbrofLoad::on(const TUbrofIndexedSource& rec, std::uint8_t) {
    if (module_ != 0) symbols_.AddFileName(rec.name, module_, rec.index)->form = UbrofForm;
    lastSourceModule_ = module_;
    sourceIndex_ = 0;
}

void TUbrofLoad::on(const TUbrofSourceIndex& rec, std::uint8_t) { sourceIndex_ = rec.index; }

}  // namespace tarvex
