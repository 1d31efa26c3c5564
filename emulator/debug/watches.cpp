#include "emulator/debug/watches.hpp"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <cctype>
#include <optional>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/validator.hpp"
#include "emulator/debug/watch_types.hpp"

#include "emulator/debug/watches_internal.hpp"

namespace tarvex {

using namespace watch_detail;

// Pieces of an index text separated by ",".
std::vector<std::string> watch_detail::pieces(const std::string& idx) {
    std::vector<std::string> out;
    if (idx.empty()) return out;
    std::size_t at = 0;
    int nest = 0;
    std::string cur;
    for (; at < idx.size(); ++at) {
        const char c = idx[at];
        if (c == '[') ++nest;
        if (c == ']') --nest;
        if (c == ',' && nest == 0) {
            out.push_back(trim(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    out.push_back(trim(cur));
    return out;
}

// ---------------------------------------------------------------- target

TEmulWatchTarget::TEmulWatchTarget(TEmulSpaces& spaces, TEmulator& emulator, TDebug* debug,
                                   const IOptionsInfo* options)
    : spaces_(spaces), emulator_(emulator), debug_(debug), options_(options) {}

const TBasisEmulSpeicher* TEmulWatchTarget::Limits(int spaceKind) const {
    return spaceKind < 0 ? nullptr : spaces_.GetEmulSpeicher(spaceKind);
}
std::string TEmulWatchTarget::ReadBlock(int spaceKind, const TBankAdresse& address, std::int32_t count) {
    return spaces_.GetEmulSpeicher(spaceKind)->ReadBlock(address, count);
}
void TEmulWatchTarget::WriteBlock(int spaceKind, const TBankAdresse& address, std::string_view data) {
    spaces_.GetEmulSpeicher(spaceKind)->WriteBlock(address, data);
}
std::uint8_t TEmulWatchTarget::ReadSfrByte(std::uint8_t address) { return spaces_.Space(SpaceKind::Sfr).ReadByte(address); }
void TEmulWatchTarget::WriteSfr(std::uint8_t address, std::uint8_t value) {
    spaces_.Space(SpaceKind::Sfr).WriteSfr(address, value);
}
std::string TEmulWatchTarget::ReadRegisterBank() { return spaces_.Space(SpaceKind::IntData).ReadRegisterBank(); }
void TEmulWatchTarget::WriteRegister(int n, std::uint8_t value) {
    spaces_.Space(SpaceKind::IntData).WriteRegister(n, value);
}
std::uint8_t TEmulWatchTarget::ReadV(std::uint16_t index) { return emulator_.ReadV(index); }
void TEmulWatchTarget::WriteV(std::uint16_t index, std::uint8_t value) { emulator_.WriteV(index, value); }
TBankAdresse TEmulWatchTarget::PC() const { return debug_ != nullptr ? debug_->PC() : TBankAdresse{}; }
void TEmulWatchTarget::SetPC(const TBankAdresse& address) {
    if (debug_ != nullptr) debug_->SetPC(address);
}
void TEmulWatchTarget::UpdatePellunars() { emulator_.Download().UpdatePellunars(); }
int TEmulWatchTarget::ToolChain() const { return options_ != nullptr ? options_->toolChain() : 0; }

// ---------------------------------------------------------------- lists

TWatchItem* TWatchList::Add(std::unique_ptr<TWatchItem> item) {
    items_.push_back(std::move(item));
    return items_.back().get();
}

void TWatchList::Delete(std::size_t i) {
    if (i < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

// ---------------------------------------------------------------- texts

std::string CutIndex(std::string& rest, bool remove) {
    if (rest.empty() || rest[0] != '[') return {};
    int nest = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '[') ++nest;
        if (rest[i] == ']' && --nest == 0) {
            std::string inner = rest.substr(1, i - 1);
            if (remove) rest.erase(0, i + 1);
            return inner;
        }
    }
    return {};
}

std::string CutMember(std::string& rest, bool remove) {
    std::size_t start = 0;
    if (rest.starts_with(".")) start = 1;
    else if (rest.starts_with("->")) start = 2;
    else return {};
    std::size_t end = start;
    while (end < rest.size() && rest[end] != '.' && rest[end] != '[' && rest.compare(end, 2, "->") != 0) ++end;
    std::string member = trim(std::string_view(rest).substr(start, end - start));
    if (remove) rest.erase(0, end);
    return member;
}

std::string TWatchTabelle::TypeName(int requestedType) {
    static const char* const names[] = {"",     "Bit",   "Char",     "UChar",  "Int",     "UInt",
                                        "Long", "ULong", "FloatLow", "Double", "Label",   "Void",
                                        "Float", "String", "Pointer", "BCD Float", "BCD Double", "BCD Long Double"};
    const int t = requestedType % 128;
    return t < 18 ? names[t] : "";
}

std::string TWatchTabelle::FormatName(int format) {
    switch (format) {
    case display_format::Hex: return "Hex";
    case display_format::Decimal: return std::string(LoadResStr(rs::Decimal));
    case display_format::Ascii: return "Ascii";
    case display_format::Binary: return "Bin";
    case display_format::Record: return "Record";
    default: return "";
    }
}

std::string TWatchTabelle::MemoryClassName(int memoryClass) {
    switch (memoryClass % 128) {
    case 0: return std::string(LoadStr(57));
    case 1: return std::string(LoadResStr(rs::ProgramText));
    case 2: return std::string(LoadStr(54));
    case 3: return std::string(LoadStr(55));
    case 4: return std::string(LoadStr(58));
    case 5: return std::string(LoadStr(59));
    case 6: return std::string(LoadStr(56));
    case 8: return "SysVar";
    case 9:
    case 10: return "Register";
    default: return "";
    }
}

int TWatchTabelle::MemorySpace(int memoryClass) {
    switch (memoryClass) {
    case 1: return 0;
    case 2: return 1;
    case 3: return 2;
    case 4: return 3;
    case 5: return 4;
    case 6: return 5;
    case 10: return 1;
    default: return -1;
    }
}

std::uint8_t TWatchTabelle::TypeCodeOf(int requestedType) {
    switch (requestedType) {
    case 13: return 30;
    case 14: return 33;
    case 15: return 24;
    case 16: return 25;
    case 17: return 26;
    default: return static_cast<std::uint8_t>(requestedType);
    }
}

std::int32_t TWatchTabelle::BaseSize(int typeCode) { return WatchTypeRow(typeCode).size; }

int TWatchTabelle::DisplayFormat(const TWatchItem& item) {
    int f = item.displayFormat;
    if (f == display_format::Record && item.typeCode != code(WatchType::Structure)) f = display_format::Default;
    return f != display_format::Default ? f : WatchTypeRow(item.typeCode).defaultDisplay;
}

// ---------------------------------------------------------------- table

TWatchTabelle::TWatchTabelle(TSymboltabelle& symbols, const TRegisterTabelle& registers, IWatchTarget& target,
                             INotifier& notifier)
    : symbols_(symbols), registers_(registers), target_(target), notifier_(notifier),
      validator_(std::make_unique<TVokWinValidator>(&symbols, nullptr, &registers, nullptr, symbols.context())) {
    validator_->SetZugelassen(0);
    validator_->SetSymbolKlassen(0);
}

TWatchTabelle::~TWatchTabelle() = default;

std::unique_ptr<TWatchItem> TWatchTabelle::NewItem() { return std::make_unique<TWatchItem>(); }

TWatchList& TWatchTabelle::List(int n) {
    if (n < 1 || n > 4) throw EWatchError(FmtLoadStr(MsgWatchError, std::to_string(n), LoadStr(MsgBadSymbol)));
    return lists_[static_cast<std::size_t>(n - 1)];
}

TWatchItem* TWatchTabelle::AddItem(int n, std::unique_ptr<TWatchItem> item) { return List(n).Add(std::move(item)); }

void TWatchTabelle::fail(const TWatchItem& item, int detail, std::string_view fill) const {
    const std::string text = fill.empty() ? std::string(LoadStr(detail)) : FmtLoadStr(detail, fill);
    throw EWatchError(FmtLoadStr(MsgWatchError, item.expression, text));
}

const TBasisEmulSpeicher* TWatchTabelle::spaceOf(int memoryClass) const {
    return target_.Limits(MemorySpace(memoryClass));
}

bool TWatchTabelle::littleEndian() const {
    const int t = target_.ToolChain();
    return t == 2 || t == 4 || t == 6;
}

void TWatchTabelle::Notify(std::uint8_t code, const void*) {
    if (code == notify::SymbolFileFound || code == notify::ProgramLoaded) {
        if (!symbols_.ModifiedWatch) return;
        ResolveAll();
        symbols_.ModifiedWatch = false;
        notifier_.send(23, this);
    } else if (code == notify::TablesCleared) {
        ResolveAll();
    }
}

void TWatchTabelle::ResolveAll() {
    for (TWatchList& list : lists_) {
        for (std::size_t i = 0; i < list.Count(); ++i) {
            TWatchItem& item = *list.Items(i);
            item.resolved = false;
            // One bad watch must not end the broadcast that resolves them.
            try {
                Resolve(item);
            } catch (const EVokWinError& e) {
                item.rest = e.message();
            }
        }
    }
}

void TWatchTabelle::SetItemAddress(std::string_view text, TWatchItem& item) {
    try {
        validator_->Konvertieren(text);
        item.address = validator_->OutAdresse(TVokWinValidator::kVon);
    } catch (const EVokWinConvertError&) {
        item.expression = std::string(text);
    }
}

void TWatchTabelle::SetItemValueText(TWatchItem* item, std::string_view text) {
    if (item == nullptr) return;
    Resolve(*item);
    writeItemValues(*item, text);
}

// ---------------------------------------------------------------- resolution

void TWatchTabelle::parseExpression(TWatchItem& item) {
    if ((item.expression.empty() && item.memoryClass == 0) ||
        (!item.expression.empty() && (item.memoryClass == 6 || item.memoryClass == 8)))
        throw EWatchError(FmtLoadStr(MsgSymbolNotFound, item.expression));
    item.expression = symbols_.Transform(item.expression);
    std::string rest = item.expression;
    for (std::size_t at = rest.find("]["); at != std::string::npos; at = rest.find("][", at))
        rest.replace(at, 2, ",");
    int open = 0, close = 0;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '*') {
            if (static_cast<std::int32_t>(i) == item.dereferenceCount) ++item.dereferenceCount;
            else fail(item, MsgStar);
        }
        if (rest[i] == '[') ++open;
        if (rest[i] == ']') ++close;
    }
    if (open != close) fail(item, MsgBrackets);
    rest.erase(0, static_cast<std::size_t>(item.dereferenceCount));
    if (rest.ends_with(".") || rest.ends_with("->")) fail(item, MsgMissingMember);
    item.rest = rest;
}

TSymbol* TWatchTabelle::findSymbolOfClass(std::string_view name, int memoryClass) {
    const int c = memoryClass % 128;
    auto anyKind = [&]() -> TSymbol* {
        for (int kind : {2, 3, 4, 1, 5, 6, 0, 9, 10})
            if (TSymbol* s = symbols_.FindByName(name, kind)) return s;
        return nullptr;
    };
    switch (c) {
    case 0:
        for (int kind : {2, 3, 4, 1, 5})
            if (TSymbol* s = symbols_.FindByName(name, kind)) return s;
        return nullptr;
    case 1: case 2: case 3: case 4: case 5: return symbols_.FindByName(name, c);
    case 9: case 10: return symbols_.FindByName(name, 2);
    default: return anyKind();
    }
}

TWatchTabelle::Found TWatchTabelle::findItemSymbol(TWatchItem& item) {
    std::string name = item.rest;
    for (const char* cut : {"[", ".", "->"})
        if (const std::size_t at = name.find(cut); at != std::string::npos) name.erase(at);
    Found found;
    const bool plain = name == symbols_.PlainName(name);
    if (plain && item.moduleId > 0) {
        found.symbol = findSymbolOfClass(symbols_.FunctionPath(item.moduleId, item.functionId) + name, item.memoryClass);
        if (found.symbol != nullptr && found.symbol->functionId != item.functionId) found.symbol = nullptr;
        if (found.symbol == nullptr)
            found.symbol = findSymbolOfClass(symbols_.FunctionPath(item.moduleId, 0) + name, item.memoryClass);
    }
    if (found.symbol == nullptr) found.symbol = findSymbolOfClass(name, item.memoryClass);
    if (found.symbol != nullptr && plain && !name.empty()) {
        if (const std::size_t at = item.expression.find(name); at != std::string::npos)
            item.expression.replace(at, name.size(), symbols_.QualifiedName(found.symbol));
    }
    const int c = item.memoryClass % 128;
    if (found.symbol == nullptr && (c == 0 || c == 4 || c == 5)) {
        if (const TRegister* r = registers_.FindAnyByName(name)) {
            found.reg = r;
            item.registerSymbol = true;
        }
    }
    if (found.symbol == nullptr && found.reg == nullptr) throw EWatchError(FmtLoadStr(MsgSymbolNotFound, name));
    if (const std::size_t at = item.rest.find(name); at != std::string::npos) item.rest.erase(at, name.size());
    return found;
}

void TWatchTabelle::checkItemAddress(TWatchItem& item) {
    if (const TBasisEmulSpeicher* space = spaceOf(item.memoryClass)) {
        try {
            space->CheckAdresse(item.address);
        } catch (const EVokWinAddressError&) {
            const TBankAdresse max = space->GetMaxAdresse(), min = space->GetMinAdresse();
            TBankAdresse a = max;
            a.bank = std::min(item.address.bank, max.bank);
            a.offset = std::max(std::min(item.address.offset, max.offset), min.offset);
            item.address = a;
        }
        return;
    }
    const std::uint16_t o = item.address.offset;
    if (o <= 4 || (o >= 15 && o <= 17) || (o >= 20 && o <= 24)) return;
    throw EVokWinAddressError(FmtLoadStr(MsgAddressRange, o));
}

void TWatchTabelle::Resolve(TWatchItem& item) {
    item.elementSize = 0;
    item.typeCode = code(WatchType::Byte);
    item.elementCount = item.requestedCount;
    item.pointerKind = 0;
    item.typeRecord = nullptr;
    item.resolved = false;
    item.dereferenceCount = 0;
    item.rest.clear();
    item.indexByExpression = item.reading = item.memberFollows = item.pointerIndexed = item.registerSymbol = false;
    item.locationCount = 0;
    item.firstLocation = 0;
    parseExpression(item);
    if (item.expression.empty()) {
        checkItemAddress(item);
        item.typeCode = item.requestedType == 0 ? 3 : TypeCodeOf(item.requestedType);
        item.elementSize = BaseSize(item.typeCode);
        return;
    }
    const Found found = findItemSymbol(item);
    TSymbol* s = found.symbol;
    const TRegister* r = static_cast<const TRegister*>(found.reg);
    if (s != nullptr) {
        static constexpr std::uint8_t valid[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 24, 25, 26, 30, 33, 255};
        // The loaders mark a symbol without storage class as None; it is as
        // good as the classes 0 and 1.
        const bool klassOk = s->klass == 0 || s->klass == 1 || s->klass == symbol_class::None;
        if (!klassOk || std::find(std::begin(valid), std::end(valid), s->type) == std::end(valid))
            fail(item, MsgBadSymbol);
        item.typeRecord = symbols_.BaseType(s);
        item.address = s->address;
        if (item.memoryClass == 0) {
            if (s->kind >= 1 && s->kind <= 5) item.memoryClass = s->kind;
            else if (s->kind == sspRegBank) item.memoryClass = 10;
        }
        item.locationCount = s->locationCount;
        item.firstLocation = s->firstLocation;
    } else {
        item.address = TRegisterTabelle::Address(r);
        const int k = TRegisterTabelle::SymbolKind(r);
        if (k == 1 || k == 2 || k == 4 || k == 5) item.memoryClass = static_cast<std::uint8_t>(k);
    }
    if (item.typeRecord == nullptr) {
        int code = item.requestedType != 0 ? TypeCodeOf(item.requestedType)
                                           : (s != nullptr ? s->type : TRegisterTabelle::Width(r));
        if (code > 254) throw EWatchError(std::string(LoadResStr(rs::ErrorInSymbolInformation)));
        item.typeCode = static_cast<std::uint8_t>(code);
        item.elementSize = BaseSize(code);
    } else if (expandType(item) && item.requestedType != 0) {
        item.typeCode = TypeCodeOf(item.requestedType);
        item.elementSize = BaseSize(item.typeCode);
    }
    item.resolved = true;
}

}  // namespace tarvex
