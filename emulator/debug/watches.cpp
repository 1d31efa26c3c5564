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

namespace tarvex {

namespace {
constexpr std::uint8_t code(WatchType type) { return static_cast<std::uint8_t>(type); }

constexpr int MsgSymbolNotFound = 322, MsgWatchError = 196, MsgTooManyIndices = 194, MsgBadIndex = 195,
              MsgStar = 197, MsgBrackets = 198, MsgMissingMember = 199, MsgBadMember = 200, MsgBadType = 201,
              MsgBadSymbol = 203, MsgBadPointer = 202, MsgNoChange = 205, MsgBadFloat = 207, MsgValueNotValid = 211,
              MsgWatchName = 193, MsgFormat = 213, MsgBadBit = 337, MsgAddressRange = 66, MsgInvalidAccess = 338;

std::uint8_t byteAt(std::string_view d, std::size_t i) {
    return i < d.size() ? static_cast<std::uint8_t>(d[i]) : 0;
}

std::uint16_t nameWord(const TSymbol& r, std::size_t i) {
    return static_cast<std::uint16_t>(byteAt(r.name, i) | byteAt(r.name, i + 1) << 8);
}

bool isDecimal(std::string_view t) {
    return !t.empty() && t.size() <= 9 && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trim(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return std::string(t);
}

// Pieces of an index text separated by ",".
std::vector<std::string> pieces(const std::string& idx) {
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
}  // namespace

// Nesting of the evaluation: expansions, index expressions, followed
// pointers and formatted members each take a level.
struct TWatchTabelle::Depth {
    Depth(TWatchTabelle& t, const TWatchItem& item) : table(t) {
        // Besides the nesting, the steps of one evaluation are bounded: a
        // structure whose members are the structure again fans out.
        if (table.depth_ == 0) table.steps_ = 0;
        if (++table.depth_ > kMaxDepth || ++table.steps_ > kMaxSteps) {
            --table.depth_;
            table.fail(item, MsgBadType, ByteToHex(item.typeRecord != nullptr ? item.typeRecord->klass : 0));
        }
    }
    ~Depth() { --table.depth_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
    TWatchTabelle& table;
};

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
    case 1: return "Hex";
    case 2: return std::string(LoadResStr(rs::Decimal));
    case 3: return "Ascii";
    case 4: return "Bin";
    case 5: return "Record";
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
    if (f == 5 && item.typeCode != 32) f = 0;
    return f != 0 ? f : WatchTypeRow(item.typeCode).defaultDisplay;
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

// ---------------------------------------------------------------- type expansion

bool TWatchTabelle::expandType(TWatchItem& item) {
    for (int level = 0;; ++level) {
        if (level >= kMaxDepth) fail(item, MsgBadType, ByteToHex(item.typeRecord != nullptr ? item.typeRecord->klass : 0));
        const bool answer = [&] {
            Depth depth(*this, item);
            return expandOnce(item);
        }();
        if (item.typeCode <= 254) return answer;
        item.typeRecord = symbols_.ElementType(item.typeRecord);
    }
}

std::int64_t TWatchTabelle::pieceValue(TWatchItem& item, const std::string& piece) {
    if (isDecimal(piece)) return std::stoll(piece);
    item.indexByExpression = true;
    return indexValue(item, piece);
}

namespace {
// An index expression that gave no index. It is final in every scope: the
// expressions inside it were already tried without scope themselves, so an
// outer level must not try them all again (each level would double the
// work).
class EWatchIndexExpressionError : public EWatchError {
public:
    using EWatchError::EWatchError;
};
}  // namespace

std::int32_t TWatchTabelle::indexValue(const TWatchItem& item, const std::string& text) {
    Depth depth(*this, item);
    const auto failed = [&text] {
        return EWatchIndexExpressionError(FmtLoadStr(MsgWatchError, text, std::string(LoadStr(MsgBadIndex))));
    };
    auto sub = NewItem();
    sub->expression = text;
    sub->reversed = item.reversed;
    sub->moduleId = item.moduleId;
    sub->functionId = item.functionId;
    try {
        try {
            Resolve(*sub);
        } catch (const EWatchIndexExpressionError&) {
            throw;
        } catch (const EWatchError&) {
            if (item.moduleId == 0 && item.functionId == 0) throw;  // the same again
            sub->expression = text;
            sub->moduleId = sub->functionId = 0;
            Resolve(*sub);
        }
        const std::uint8_t c = sub->typeCode;
        if (!(c == 0 || (c >= 2 && c <= 7))) throw failed();
        if (!item.reading) return 0;
        std::string t = ItemValueText(sub.get());
        if (DisplayFormat(*sub) == 1) t = "$" + t;
        return static_cast<std::int32_t>(StrToIntRt(t));
    } catch (const EWatchError&) {
        throw failed();
    } catch (const EConvertError&) {
        throw failed();
    }
}

namespace {
void advance(TWatchItem& item, const TBasisEmulSpeicher* space, std::int64_t by) {
    if (space != nullptr) item.address = space->CheckEndAdresse(item.address, static_cast<std::int32_t>(by));
    else item.address.offset = static_cast<std::uint16_t>(item.address.offset + by);
}
}  // namespace

bool TWatchTabelle::expandArray(TWatchItem& item, TSymbol* rec) {
    auto bounds = [&](const TSymbol& r, std::int64_t& lower, std::int64_t& upper) {
        if (r.klass == symbol_class::Array) {
            lower = nameWord(r, 0);
            upper = nameWord(r, 2);
        } else {
            lower = 0;
            upper = static_cast<std::int64_t>(ArrayCount(r)) - 1;
        }
    };
    auto next = [&](TSymbol* r) -> TSymbol* {
        TSymbol* e = r->type == kTypeOfRecord ? symbols_.ElementType(r) : nullptr;
        return e != nullptr && e->klass == r->klass && e != r ? e : nullptr;
    };
    // An index variable out of range while the item is read is the item's
    // value text, not an error of the watch.
    auto check = [&](std::int64_t v, std::int64_t lower, std::int64_t upper, const std::string& piece) {
        if (v >= lower && v <= upper) return;
        if (item.reading && !piece.empty() && !isDecimal(piece))
            throw EWatchIndexError(FmtLoadStr(MsgWatchError, item.expression, FmtLoadStr(MsgBadIndex, piece)));
        fail(item, MsgBadIndex);
    };
    const std::vector<std::string> parts = pieces(CutIndex(item.rest, false));
    // First pass: bounds and the number of indices, without reading.
    {
        TSymbol* r = rec;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            if (r == nullptr) fail(item, MsgTooManyIndices);
            std::int64_t lower, upper;
            bounds(*r, lower, upper);
            std::int64_t v = lower;
            if (!parts[i].empty()) {
                if (isDecimal(parts[i])) v = std::stoll(parts[i]);
                else {
                    item.indexByExpression = true;
                    if (item.reading) v = indexValue(item, parts[i]);
                }
            }
            check(v, lower, upper, parts[i]);
            r = next(r);
        }
    }
    if (item.indexByExpression && !item.reading) {
        item.elementSize = 0;
        item.typeCode = rec->klass;
        return false;
    }
    CutIndex(item.rest, true);
    std::int64_t offset = 0;
    bool whole = false;
    std::size_t k = 0;
    TSymbol* r = rec;
    std::int64_t n = 1;
    for (int level = 0; r != nullptr && level < kMaxDepth; ++level) {
        std::int64_t lower, upper;
        bounds(*r, lower, upper);
        const std::string piece = k < parts.size() ? parts[k] : std::string();
        ++k;
        std::int64_t v = lower;
        if (piece.empty()) {
            if (item.requestedCount == 1) whole = true;
        } else {
            v = isDecimal(piece) ? std::stoll(piece) : indexValue(item, piece);
        }
        check(v, lower, upper, piece);
        n = static_cast<std::int64_t>(ArrayCount(*r));
        if (n == 0) fail(item, MsgBadIndex);
        if (whole) item.elementCount = static_cast<std::uint32_t>(item.elementCount * n);
        offset += static_cast<std::int64_t>(symbols_.TypeSize(r)) * (v - lower) / n;
        TSymbol* e = next(r);
        if (e == nullptr) break;
        r = e;
    }
    item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(r) / static_cast<std::uint64_t>(n));
    advance(item, spaceOf(item.memoryClass), offset);
    item.typeRecord = r;
    item.typeCode = r->type;
    return item.typeCode < 255;
}

bool TWatchTabelle::expandCdbArray(TWatchItem& item, TSymbol* rec) {
    // The dimension list of the whole array. SDCC's debug file describes
    // int a[2][3] as an array of 2 whose element is an array of 3, one
    // record per dimension; other tool chains give one record with every
    // dimension. Both read as one list here, so that the indices follow
    // the same rules in either form and the elements are those of the
    // innermost record.
    std::vector<std::int64_t> dims;
    TSymbol* inner = rec;
    int links = 0;
    // A chain of arrays that returns to itself ends as any cyclic type.
    for (TSymbol* r = rec;;) {
        for (int i = 1; i <= r->functionId; ++i) {
            if (dims.size() >= static_cast<std::size_t>(kMaxDepth)) fail(item, MsgBadType, ByteToHex(r->klass));
            dims.push_back(nameWord(*r, static_cast<std::size_t>(2 * i - 2)));
        }
        inner = r;
        TSymbol* e = r->type == kTypeOfRecord ? symbols_.ElementType(r) : nullptr;
        if (e == nullptr || e->klass != symbol_class::CdbArray) break;
        if (++links >= kMaxDepth) fail(item, MsgBadType, ByteToHex(e->klass));
        r = e;
    }
    const std::uint8_t base = inner->type;
    std::string idx = CutIndex(item.rest, false);
    const bool emptyIdx = idx.empty();
    // A member after the index names a part of one element: the array is
    // never taken whole then.
    std::string after = item.rest;
    CutIndex(after, true);
    const bool memberNext = after.starts_with(".") || after.starts_with("->");
    if (emptyIdx && base != 2) idx = "0";
    const std::vector<std::string> parts = pieces(idx);
    std::int64_t product = 1, count = item.elementCount, offset = 0, last = 0, lastDim = 1;
    const std::int64_t size = symbols_.TypeSize(rec);
    const bool whole = emptyIdx && base != 2 && item.requestedCount == 1 && !memberNext;
    const std::size_t n = dims.size();
    for (std::size_t i = 0; i < n; ++i) {
        if (emptyIdx && base == 2 && i + 1 < n)
            throw EWatchError(FmtLoadStr(MsgValueNotValid, LoadStr(MsgWatchName)));
        const std::int64_t dim = dims[i];
        const std::string piece = i < parts.size() ? parts[i] : std::string();
        std::int64_t v = 0;
        bool fromExpression = false;
        if (!piece.empty()) {
            if (isDecimal(piece)) v = std::stoll(piece);
            else {
                item.indexByExpression = fromExpression = true;
                v = indexValue(item, piece);
            }
        }
        if (v < 0 || v >= dim) {
            if (fromExpression && item.reading)
                throw EWatchIndexError(FmtLoadStr(MsgWatchError, item.expression, FmtLoadStr(MsgBadIndex, piece)));
            fail(item, MsgBadIndex);
        }
        product *= dim;
        if (whole) count *= dim;
        offset += size * v / product;
        last = v;
        lastDim = dim;
    }
    if (parts.size() > n) fail(item, MsgTooManyIndices);
    if (item.indexByExpression && !item.reading) {
        item.elementSize = 0;
        item.typeCode = code(WatchType::Array);
        return false;
    }
    item.elementCount = static_cast<std::uint32_t>(count);
    CutIndex(item.rest, true);
    advance(item, spaceOf(item.memoryClass), offset);
    item.typeRecord = inner;
    item.elementSize = product > 0 ? static_cast<std::int32_t>(size / product) : 0;
    if (memberNext) {
        // The element itself is expanded on: its member's offset and type
        // are the item's, as for the arrays whose element is their base.
        if (base != kTypeOfRecord) fail(item, MsgBadMember);
        item.typeCode = kTypeOfRecord;
        return false;
    }
    item.typeCode = code(WatchType::Array);
    if (base == 2 && last == 0 && item.requestedCount == 1) {
        item.elementSize = static_cast<std::int32_t>(item.elementSize * lastDim);
        item.typeCode = code(WatchType::ZeroTerminatedText);
    }
    return true;
}

bool TWatchTabelle::expandMember(TWatchItem& item, TSymbol* rec, bool form3List, std::uint32_t count, TSymbol* first) {
    const std::string member = CutMember(item.rest, true);
    if (member.empty()) {
        item.typeCode = code(WatchType::Structure);
        item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
        return true;
    }
    std::vector<TSymbol*> members;
    if (form3List) {
        for (std::uint32_t i = 1; i <= count; ++i) {
            const std::size_t at = 2 * i - 2;
            if (at + 1 >= rec->name.size()) break;
            members.push_back(symbols_.TypeAt(byteAt(rec->name, at) << 8 | byteAt(rec->name, at + 1)));
        }
    } else {
        TSymbol* m = first;
        for (std::uint32_t i = 0; i < count && m != nullptr; ++i) {
            members.push_back(m);
            m = symbols_.CurrentType();
        }
    }
    // The expression went through the table's case rule; type names (SDCC
    // writes members in lower case) are kept as the file wrote them.
    for (TSymbol* m : members) {
        if (m == nullptr || symbols_.Transform(m->name) != member) continue;
        item.typeRecord = m;
        advance(item, spaceOf(item.memoryClass), MemberOffset(*m));
        item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(m));
        item.typeCode = m->type;
        return item.typeCode < 255;
    }
    fail(item, MsgBadMember);
}

bool TWatchTabelle::expandOnce(TWatchItem& item) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) fail(item, MsgBadSymbol);
    item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
    auto pointerParts = [&] {
        item.pointerKind = static_cast<std::uint8_t>(rec->moduleId & 0xFF);
        item.pointerIndexed = item.rest.starts_with("[");
    };
    switch (rec->klass) {
    case 6: case 16: return expandArray(item, rec);
    case 34: return expandCdbArray(item, rec);
    case 7: case 17: case 18: {
        const std::uint32_t count = MemberCount(*rec);
        return expandMember(item, rec, false, count, symbols_.ElementType(rec));
    }
    case 8: item.typeCode = code(WatchType::Word16); return true;
    case 9: item.typeCode = code(WatchType::Byte); return true;
    case 19: case 38: item.typeCode = code(WatchType::BitField); return true;
    case 15:
        pointerParts();
        item.typeCode = code(WatchType::Pointer);
        return true;
    case 33: case 39: case 40:
        pointerParts();
        item.typeCode = rec->klass;
        item.memberFollows = item.rest.find('.') != std::string::npos || item.rest.find("->") != std::string::npos;
        return true;
    case 21:
        item.typeCode = rec->type;
        if (item.typeCode < 255 && (rec->functionId & 0x40) != 0) item.typeCode = code(WatchType::Bit);
        return item.typeCode < 255;
    case 32: {
        if (rec->form != 2 || (rec->address.bank != 0 && rec->address.bank != BankNone)) {
            item.typeCode = rec->type;
            return item.typeCode < 255;
        }
        const std::string member = CutMember(item.rest, true);
        if (member.empty()) {
            item.typeCode = code(WatchType::Structure);
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(rec));
            return true;
        }
        const std::uint32_t count = ArrayCount(*rec);
        for (std::uint32_t i = 1; i <= count && 2 * i - 1 < rec->name.size(); ++i) {
            TSymbol* m = symbols_.TypeAt(nameWord(*rec, 2 * i - 2) + rec->address.offset);
            if (m == nullptr || symbols_.Transform(m->name) != member) continue;
            item.typeRecord = m;
            advance(item, spaceOf(item.memoryClass), MemberOffset(*m));
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(m));
            item.typeCode = m->type;
            return item.typeCode < 255;
        }
        fail(item, MsgBadMember);
    }
    case 36:
        item.typeCode = rec->type;
        return item.typeCode < 255;
    case 37: {
        if (target_.ToolChain() == 2) {
            item.elementCount = symbols_.TypeSize(rec);
            item.elementSize = 1;
            item.typeCode = code(WatchType::UnsignedChar);
            return false;
        }
        symbols_.InheritArraySize(rec);
        TSymbol* base = symbols_.ElementType(rec);
        if (base == nullptr) fail(item, MsgBadType, ByteToHex(rec->klass));
        item.typeRecord = base;
        if (!item.rest.starts_with(".") && !item.rest.starts_with("->")) {
            item.elementSize = static_cast<std::int32_t>(symbols_.TypeSize(base));
            item.typeCode = base->klass;
            return item.typeCode < 255;
        }
        const std::uint32_t count = ArrayCount(*base);
        return expandMember(item, base, base->form == 3, count, symbols_.ElementType(base));
    }
    default: fail(item, MsgBadType, ByteToHex(rec->klass));
    }
}

// ---------------------------------------------------------------- reading

bool TWatchTabelle::applyLocation(TWatchItem& item, TLocation* registers) {
    if (item.locationCount == 0) return true;
    const TBankAdresse pc = target_.PC();
    // A register location forms no address: the symbol's own address stands
    // for nothing when registers are all the variable ever has.
    std::uint32_t seen = 0, inRegisters = 0;
    for (std::uint32_t i = 0; i < item.locationCount; ++i) {
        const TLocation* loc = symbols_.Locations().Items(item.firstLocation + i);
        if (loc == nullptr) break;
        ++seen;
        if (loc->kind == 12) ++inRegisters;
        if (CompareBankAdresse(loc->start, pc) > 0 || CompareBankAdresse(pc, loc->end) >= 0) continue;
        if (loc->kind >= 1 && loc->kind <= 5) item.memoryClass = loc->kind;
        if (loc->kind == 12) {
            item.memoryClass = 9;
            if (registers != nullptr) *registers = *loc;
        } else if (const TBasisEmulSpeicher* space = spaceOf(item.memoryClass)) {
            item.address = space->MakeAdresse(loc->offset, loc->bank);
        }
        return true;
    }
    return seen == 0 || inRegisters < seen;
}

std::string TWatchTabelle::readItemData(TWatchItem& item) {
    item.reading = true;
    if (item.indexByExpression) expandType(item);
    TLocation regs;
    if (!applyLocation(item, &regs)) return {};
    const int c = item.memoryClass;
    const TBasisEmulSpeicher* space = spaceOf(c);
    if (c == 8) return std::string(1, static_cast<char>(target_.ReadV(item.address.offset)));
    if (c == 9) {
        std::string out;
        for (std::size_t i = 0; i < std::min<std::size_t>(regs.registerCount, regs.registers.size()); ++i) {
            const std::uint8_t n = regs.registers[i];
            std::uint8_t b = 0;
            if (n <= 7) b = byteAt(target_.ReadRegisterBank(), n);
            else if (n <= 11) {
                static constexpr std::uint8_t sfr[] = {0xE0, 0xF0, 0x82, 0x83};
                b = byteAt(target_.ReadBlock(4, UnbankedAdresse(sfr[n - 8]), 1), 0);
            } else if (n == 12) b = byteAt(target_.ReadBlock(3, UnbankedAdresse(0xD7), 1), 0);
            out.insert(out.begin(), static_cast<char>(b));
        }
        return out;
    }
    if (c == 10) return std::string(1, static_cast<char>(byteAt(target_.ReadRegisterBank(), item.address.offset & 0xFF)));
    if (item.elementCount == 1 && item.typeCode == code(WatchType::Text) && space != nullptr) {
        if (target_.ToolChain() == 4) {
            const std::uint8_t length = byteAt(target_.ReadBlock(MemorySpace(c), item.address, 1), 0);
            item.elementSize = length;
            if (length == 0) return {};
            return target_.ReadBlock(MemorySpace(c), space->CheckEndAdresse(item.address, 1), length);
        }
        std::string out;
        TBankAdresse at = item.address;
        const std::uint16_t max = space->GetMaxAdresse().offset;
        for (;;) {
            const std::int32_t left = static_cast<std::int32_t>(max) - at.offset + 1;
            if (left <= 0) break;
            const std::string chunk = target_.ReadBlock(MemorySpace(c), at, std::min(32, left));
            const std::size_t zero = chunk.find('\0');
            out += chunk.substr(0, zero);
            if (zero != std::string::npos || chunk.empty() || at.offset + chunk.size() > max) break;
            at.offset = static_cast<std::uint16_t>(at.offset + chunk.size());
        }
        item.elementSize = static_cast<std::int32_t>(out.size());
        return out;
    }
    if (item.registerSymbol) {
        const TBasisEmulSpeicher* sfr = target_.Limits(4);
        const std::uint16_t lo = sfr != nullptr ? sfr->GetMinAdresse().offset : 0x80;
        const std::uint16_t hi = sfr != nullptr ? sfr->GetMaxAdresse().offset : 0xFF;
        const std::uint16_t o = item.address.offset;
        if (o < lo || o > hi) {
            if (c == 1) {
                const TBankAdresse pc = target_.PC();
                return {static_cast<char>(pc.bank), static_cast<char>(pc.offset >> 8), static_cast<char>(pc.offset)};
            }
            if (c == 2) return std::string(1, static_cast<char>(byteAt(target_.ReadRegisterBank(), o & 0xFF)));
            if (c == 5)
                return {static_cast<char>(target_.ReadSfrByte(static_cast<std::uint8_t>(o >> 8))),
                        static_cast<char>(target_.ReadSfrByte(static_cast<std::uint8_t>(o)))};
            return {};
        }
    }
    if (space == nullptr || item.elementSize <= 0 || item.elementCount == 0) return {};
    const std::int64_t total = static_cast<std::int64_t>(item.elementSize) * item.elementCount;
    if (total > 0x20000) throw EVokWinAddressError(FmtLoadStr(MsgAddressRange, item.address.offset));
    return target_.ReadBlock(MemorySpace(c), item.address, static_cast<std::int32_t>(total));
}

std::string TWatchTabelle::ItemValueText(TWatchItem* item) {
    if (item == nullptr) return {};
    if (!item->expression.empty() && !item->resolved) return item->rest;
    std::string text;
    try {
        TWatchItem copy;
        TWatchItem& work = item->indexByExpression ? (copy = *item) : *item;
        const std::string data = readItemData(work);
        text = formatItem(work, data);
    } catch (const EWatchIndexError& e) {
        text = e.message();
    }
    if (!item->comment.empty()) text += "; " + item->comment;
    return text;
}

// ---------------------------------------------------------------- formatting

std::string TWatchTabelle::formatItem(TWatchItem& item, std::string_view data) {
    Depth depth(*this, item);
    std::string text = item.typeCode == code(WatchType::Array) ? "[" : "";
    const bool ascii = item.displayFormat == 3 && WatchTypeRow(item.typeCode).klass == WatchClass::ByteInteger;
    const std::size_t size = item.elementSize > 0 ? static_cast<std::size_t>(item.elementSize) : 0;
    // Elements beyond the data would all show empty: one stands for them.
    std::uint64_t count = item.elementCount;
    if (size == 0) count = std::min<std::uint64_t>(count, 1);
    else count = std::min<std::uint64_t>(count, data.size() / size + 1);
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t at = static_cast<std::size_t>(i) * size;
        if (i > 0 && !ascii) text += item.typeCode == code(WatchType::Array) ? ", " : " ";
        if (at + size <= data.size()) text += formatElement(item, data.substr(at, size));
    }
    if (ascii) text = "\"" + text + "\"";
    if (item.typeCode == code(WatchType::Array)) text += "]";
    return text;
}

namespace {

std::string hexAll(std::string_view b) {
    std::string s;
    for (char c : b) s += ByteToHex(static_cast<std::uint8_t>(c));
    return s;
}

std::string binAll(std::string_view b) {
    std::string s;
    for (char c : b) s += ByteToBin(static_cast<std::uint8_t>(c));
    return s;
}

std::uint32_t valueLsbFirst(std::string_view b) {
    std::uint32_t v = 0;
    for (std::size_t i = b.size(); i-- > 0;) v = v << 8 | static_cast<std::uint8_t>(b[i]);
    return v;
}

}  // namespace

std::string TWatchTabelle::formatElement(TWatchItem& item, std::string_view d) {
    const int f = DisplayFormat(item);
    std::string b(d);
    switch (WatchTypeRow(item.typeCode).klass) {
    case WatchClass::ByteInteger: return formatByte(item, b, f);
    case WatchClass::Bit: return formatBit(item, b);
    case WatchClass::Integer: return formatInteger(item, b, f);
    case WatchClass::Float: return formatFloat(item, b, f);
    case WatchClass::RawBytes: return formatRawBytes(b, f);
    case WatchClass::CodeAddress: return formatCodeAddress(b);
    case WatchClass::BcdFloat: return formatBcdFloat(item, b, f);
    case WatchClass::Text: return b;
    case WatchClass::Structure: return formatStructure(item, b);
    case WatchClass::Pointer: return formatPointer(item, b);
    case WatchClass::Array: return formatArray(item, b);
    case WatchClass::BitField: return formatBitField(item, b, f);
    case WatchClass::ZeroTerminatedText: return formatZeroTerminated(b);
    case WatchClass::Unresolved: return formatUnresolved(item, b);
    case WatchClass::None: break;
    }
    return {};
}

std::string TWatchTabelle::formatByte(const TWatchItem& item, const std::string& b, int f) const {
    if (b.empty()) return {};
    const std::uint8_t v = static_cast<std::uint8_t>(b[0]);
    switch (f) {
    case 1: return ByteToHex(v);
    case 2:
        return item.typeCode == code(WatchType::SignedChar) ? std::to_string(static_cast<std::int8_t>(v))
                                                            : std::to_string(v);
    case 3: return v == 0 ? std::string("#0") : std::string(1, static_cast<char>(v));
    case 4: return ByteToBin(v);
    default: return {};
    }
}

std::string TWatchTabelle::formatBit(const TWatchItem& item, const std::string& b) const {
    if (b.empty()) return {};
    return (static_cast<std::uint8_t>(b[0]) & (1u << (item.address.offset & 7))) != 0 ? "1" : "0";
}

std::string TWatchTabelle::formatInteger(const TWatchItem& item, std::string b, int f) const {
    const bool le = littleEndian();
    if (b.size() < static_cast<std::size_t>(WatchTypeRow(item.typeCode).size)) return {};
    bool turn = (le && (f == 1 || f == 4)) || (!le && (f == 0 || f == 2));
    if (item.reversed) turn = !turn;
    if (turn) std::reverse(b.begin(), b.end());
    switch (f) {
    case 0: case 2: {
        const std::uint32_t v = valueLsbFirst(b);
        if (item.typeCode == code(WatchType::Int16)) return std::to_string(static_cast<std::int16_t>(v));
        if (item.typeCode == code(WatchType::Int32)) return std::to_string(static_cast<std::int32_t>(v));
        return std::to_string(v);
    }
    case 1: return hexAll(b);
    case 3: return "\"" + b + "\"";
    case 4: return binAll(b);
    default: return {};
    }
}

std::string TWatchTabelle::formatFloat(const TWatchItem& item, std::string b, int f) const {
    if (b.size() < 4) return {};
    if (item.typeCode == code(WatchType::FloatHighFirst) && f != 1) std::reverse(b.begin(), b.end());
    if (item.reversed) std::reverse(b.begin(), b.end());
    if (f == 1) return hexAll(b);
    const std::uint32_t bits = valueLsbFirst(b);
    float v;
    static_assert(sizeof v == 4);
    std::memcpy(&v, &bits, 4);
    std::string t = FixedText(v, 4);
    if (t.size() > 9) t = ScientificText(v);
    return t;
}

std::string TWatchTabelle::formatRawBytes(const std::string& b, int f) {
    std::string s;
    for (char c : b) {
        const std::uint8_t v = static_cast<std::uint8_t>(c);
        if (f < 3) s += ByteToHex(v);
        else if (f == 3) s += c;
        else if (f == 4) s += ByteToBin(v);
    }
    return s;
}

std::string TWatchTabelle::formatCodeAddress(const std::string& b) const {
    if (b.size() < 3) return {};
    // The bank byte means something only where code is banked.
    const IBankingInfo* banking = symbols_.context().banking;
    const auto offset =
        static_cast<std::uint16_t>(static_cast<std::uint8_t>(b[1]) << 8 | static_cast<std::uint8_t>(b[2]));
    const bool banked = banking != nullptr && banking->bankingMode() != 0;
    return BankAdresseToStr(
        banked ? BankedAdresse(static_cast<std::uint8_t>(b[0]), offset) : UnbankedAdresse(offset), banking);
}

std::string TWatchTabelle::formatBcdFloat(const TWatchItem& item, std::string b, int f) {
    const auto n = static_cast<std::size_t>(WatchTypeRow(item.typeCode).size);
    if (b.size() < n) return {};
    if (item.reversed) std::reverse(b.begin(), b.end());
    if (f == 1) return hexAll(b);
    std::string digits = "0.";
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const std::uint8_t v = static_cast<std::uint8_t>(b[i]);
        digits += static_cast<char>('0' + (v >> 4) % 10);
        digits += static_cast<char>('0' + (v & 15) % 10);
    }
    const std::uint8_t last = static_cast<std::uint8_t>(b[n - 1]);
    digits += "e" + std::to_string(static_cast<int>(last & 0x7F) - 64);
    double v = 0;
    std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (last & 0x80) v = -v;
    return GeneralText(v);
}

std::string TWatchTabelle::formatStructure(TWatchItem& item, const std::string& b) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) return {};
    Depth depth(*this, item);
    const std::uint32_t count = MemberCount(*rec);
    std::vector<TSymbol*> members;
    if (rec->form == 3) {
        for (std::uint32_t i = 1; i <= count && 2 * i - 1 < rec->name.size(); ++i)
            members.push_back(symbols_.TypeAt(byteAt(rec->name, 2 * i - 2) << 8 | byteAt(rec->name, 2 * i - 1)));
    } else {
        TSymbol* m = symbols_.ElementType(rec);
        for (std::uint32_t i = 0; i < count && m != nullptr; ++i) {
            members.push_back(m);
            m = symbols_.CurrentType();
        }
    }
    std::string s = "(";
    bool firstMember = true;
    for (TSymbol* m : members) {
        if (m == nullptr) break;
        const std::size_t off = MemberOffset(*m);
        if (b.size() < off) break;
        TWatchItem member = item;
        member.requestedCount = member.elementCount = 1;
        advance(member, spaceOf(member.memoryClass), static_cast<std::int64_t>(off));
        member.indexByExpression = member.memberFollows = false;
        member.typeCode = rec->type;
        member.typeRecord = m;
        if (member.displayFormat == 5) member.displayFormat = 0;
        const std::size_t size = symbols_.TypeSize(m);
        if (!firstMember) s += ", ";
        firstMember = false;
        if (item.displayFormat == 5) s += m->name + ":";
        s += formatElement(member, std::string_view(b).substr(off, std::min(size, b.size() - off)));
    }
    return s + ")";
}

std::string TWatchTabelle::formatArray(TWatchItem& item, const std::string& b) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr) return {};
    Depth depth(*this, item);
    TWatchItem element = item;
    element.typeCode = rec->type;
    if (rec->type == kTypeOfRecord) element.typeRecord = symbols_.ElementType(rec);
    return formatElement(element, b);
}

std::string TWatchTabelle::formatBitField(const TWatchItem& item, const std::string& b, int f) {
    TSymbol* rec = item.typeRecord;
    if (rec == nullptr || b.empty()) return {};
    const BitFieldPlace place = BitFieldOf(*rec);
    const int pos = place.position;
    const int width = std::min(place.width, 16);
    std::uint32_t v = static_cast<std::uint8_t>(b[0]);
    if (item.elementSize == 2 && b.size() >= 2) v = v * 256 + static_cast<std::uint8_t>(b[1]);
    const std::uint32_t mask = width >= 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    v = (v & (mask << pos)) >> pos;
    switch (f) {
    case 1: return width <= 8 ? ByteToHex(v) : WordToHex(v);
    case 2: return std::to_string(v);
    case 3: {
        std::string s;
        if (width >= 9) s += static_cast<char>(v >> 8);
        return s + static_cast<char>(v & 0xFF);
    }
    case 0: case 4: {
        std::string s = width > 8 ? ByteToBin(static_cast<std::uint8_t>(v >> 8)) : "";
        s += ByteToBin(static_cast<std::uint8_t>(v));
        return width > 0 && static_cast<std::size_t>(width) < s.size() ? s.substr(s.size() - static_cast<std::size_t>(width)) : s;
    }
    default: return {};
    }
}

std::string TWatchTabelle::formatZeroTerminated(const std::string& b) {
    const std::size_t zero = b.find('\0');
    if (zero == std::string::npos) return b;
    return "\"" + b.substr(0, zero) + "\"";
}

std::string TWatchTabelle::formatUnresolved(TWatchItem& item, const std::string& b) {
    Depth depth(*this, item);
    TWatchItem copy = item;
    copy.requestedCount = copy.elementCount = 1;
    copy.indexByExpression = copy.memberFollows = false;
    if (expandType(copy) && copy.requestedType != 0) {
        copy.typeCode = TypeCodeOf(copy.requestedType);
        copy.elementSize = BaseSize(copy.typeCode);
    }
    return formatItem(copy, b);
}

std::string TWatchTabelle::formatPointer(TWatchItem& item, std::string_view d) {
    const int kind = item.pointerKind;
    const std::size_t need = kind == 0 ? 3 : (kind == 2 || kind == 5) ? 2 : 1;
    if (d.size() < need || kind > 5) return {};
    std::array<std::uint8_t, 3> b{byteAt(d, 0), byteAt(d, 1), byteAt(d, 2)};
    if (target_.ToolChain() == 6 && kind == 0) {
        std::uint8_t tag = b[2];
        // SDCC 3.x and 4.x, whose debug files the loader reads, tag a
        // generic pointer 0x00 external, 0x40 internal, 0x60 paged and 0x80
        // code; the small numbers are the tags of its early versions, of
        // which only 0 (internal) collides: it is external here, as those
        // compilers write it for every pointer into external data.
        switch (tag) {
        case 0x00: tag = 2; break;
        case 0x40: tag = 1; break;
        case 0x60: tag = 3; break;
        case 0x80: tag = 5; break;
        case 1: tag = 2; break;
        case 2: tag = 5; break;
        case 3: tag = 2; break;
        case 5: tag = 1; break;
        default: break;
        }
        b = {tag, b[1], b[0]};
    }
    if (kind == 2 || kind == 5) {
        if (littleEndian()) std::swap(b[0], b[1]);
        if (item.reversed) std::swap(b[0], b[1]);
    }
    std::uint16_t target = 0;
    if (kind == 0) target = static_cast<std::uint16_t>(b[1] << 8 | b[2]);
    else if (kind == 2 || kind == 5) target = static_cast<std::uint16_t>(b[0] << 8 | b[1]);
    else target = b[0];
    if (kind != 0) b[0] = static_cast<std::uint8_t>(kind);
    const std::uint8_t t = b[0];
    int memoryClass = -1;
    const char* prefix = "";
    if (kind == 0 && item.typeCode == code(WatchType::Pointer40)) {
        if (t == 0) memoryClass = 2, prefix = "Int.";
        else if (t == 1 || t == 3 || t == 254) memoryClass = 3, prefix = "Ext.";
        else if (t == 2 || t == 255) memoryClass = 1, prefix = "Prg.";
    } else {
        if (t == 1 || t == 4) memoryClass = 2, prefix = "Int.";
        else if (t == 2 || t == 3) memoryClass = 3, prefix = "Ext.";
        else if (t == 5) memoryClass = 1, prefix = "Prg.";
    }
    if (item.memberFollows || item.pointerIndexed || item.dereferenceCount > 0) {
        Depth depth(*this, item);
        TWatchItem copy = item;
        copy.address = UnbankedAdresse(target);
        if (memoryClass >= 0) copy.memoryClass = static_cast<std::uint8_t>(memoryClass);
        // The target is no variable of the pointer's: where the pointer
        // lives (registers, for one) says nothing about where it points.
        copy.locationCount = 0;
        TSymbol* rec = item.typeRecord;
        copy.typeCode = rec != nullptr ? rec->type : 0;
        const bool record = copy.typeCode == kTypeOfRecord;
        if (record) copy.typeRecord = symbols_.ElementType(rec);
        else if (copy.requestedType != 0) copy.typeCode = TypeCodeOf(copy.requestedType);
        // The index steps over whole elements of the pointed-to type, and is
        // taken before that type is expanded: a member after it ("p[1].y")
        // is then a member of that element.
        if (copy.pointerIndexed) {
            const std::string idx = trim(CutIndex(copy.rest, true));
            const std::int64_t v = isDecimal(idx) ? std::stoll(idx) : indexValue(copy, idx);
            const std::int64_t size = copy.requestedType != 0 ? BaseSize(TypeCodeOf(copy.requestedType))
                                      : record ? static_cast<std::int64_t>(symbols_.TypeSize(copy.typeRecord))
                                               : BaseSize(copy.typeCode);
            advance(copy, spaceOf(copy.memoryClass), static_cast<std::int16_t>(size * v));
            copy.pointerIndexed = false;
        } else if (!copy.memberFollows) {
            --copy.dereferenceCount;
        }
        if (record) {
            if (expandType(copy) && copy.requestedType != 0) {
                copy.typeCode = TypeCodeOf(copy.requestedType);
                copy.elementSize = BaseSize(copy.typeCode);
            }
        } else {
            copy.elementSize = BaseSize(copy.typeCode);
        }
        copy.requestedCount = copy.elementCount = 1;
        copy.memberFollows = copy.indexByExpression = false;
        const std::string data = readItemData(copy);
        return formatItem(copy, data);
    }
    if (memoryClass < 0) {
        return ByteToHex(b[0]) + " " + ByteToHex(b[1]) + " " + ByteToHex(b[2]) + std::string(LoadStr(MsgBadPointer));
    }
    return prefix + WordToHex(target);
}

// ---------------------------------------------------------------- writing

void TWatchTabelle::writeItemValues(TWatchItem& item, std::string_view text) {
    std::string rest(text);
    const TBankAdresse start = item.address;
    // The item walks its elements; whatever ends the walk, a listed watch
    // keeps its own address.
    try {
        for (std::uint32_t i = 0; i < item.elementCount; ++i) {
            std::string piece;
            if (const std::size_t comma = rest.find(','); comma != std::string::npos) {
                piece = rest.substr(0, comma);
                rest.erase(0, comma + 1);
            } else {
                piece = std::move(rest);
                rest.clear();
            }
            modifyElement(item, piece);
            // Only to a next element: the last one may end at the top of
            // its memory.
            if (i + 1 < item.elementCount) advance(item, spaceOf(item.memoryClass), item.elementSize);
        }
    } catch (const EConvertError& e) {
        item.address = start;
        throw EWatchError(e.message());
    } catch (...) {
        item.address = start;
        throw;
    }
    item.address = start;
}

// Integer values outside the width are refused rather than truncated.
std::string TWatchTabelle::integerBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value) const {
    auto check = [&](std::int64_t lo, std::int64_t hi, int message) {
        if (value < lo || value > hi) throw EWatchError(FmtResStr(message, t));
    };
    switch (static_cast<WatchType>(item.typeCode)) {
    case WatchType::SignedChar:
        if (f == 2) check(-127, 127, rs::Unvalid8BitConstant);
        else check(-128, 255, rs::Unvalid8BitConstant);
        break;
    case WatchType::Int16:
        if (f == 2) check(-32767, 32767, rs::Invalid16BitConstant);
        else check(-32768, 65535, rs::Invalid16BitConstant);
        break;
    case WatchType::Word16: check(-32768, 65535, rs::Invalid16BitConstant); break;
    case WatchType::Int32:
    case WatchType::Word32:
        if (f == 3 && t.size() != 4) throw EWatchError(FmtResStr(rs::Invalid32BitConstant, t));
        check(-2147483648LL, 4294967295LL, rs::Invalid32BitConstant);
        break;
    default: check(-128, 255, rs::Unvalid8BitConstant); break;
    }
    const auto width = static_cast<std::size_t>(WatchTypeRow(item.typeCode).size);
    std::string bytes;
    const std::uint32_t v = static_cast<std::uint32_t>(value);
    for (int i = 3; i >= 0; --i) bytes += static_cast<char>(v >> (8 * i));
    bytes.erase(0, 4 - width);
    if (littleEndian()) std::reverse(bytes.begin(), bytes.end());
    if (item.reversed) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

std::string TWatchTabelle::bitBytes(int f, const std::string& t, std::int64_t& value) {
    if (f == 3) value = BinStrToInt(t);
    if (value > 1 || value < 0) throw EWatchError(FmtLoadStr(MsgBadBit, t));
    return std::string(1, static_cast<char>(value));
}

std::string TWatchTabelle::floatBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value) {
    float single = 0;
    if (f == 1) {
        const std::uint32_t bits = static_cast<std::uint32_t>(value);
        std::memcpy(&single, &bits, 4);
    } else if (!TextToSingle(t, single)) {
        throw EWatchError(FmtLoadStr(MsgBadFloat, t));
    }
    std::uint32_t bits;
    std::memcpy(&bits, &single, 4);
    std::string bytes;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>(bits >> (8 * i));
    if (item.typeCode == code(WatchType::FloatHighFirst)) std::reverse(bytes.begin(), bytes.end());
    if (item.reversed) std::reverse(bytes.begin(), bytes.end());
    return bytes;
}

void TWatchTabelle::modifyElement(TWatchItem& original, std::string_view text) {
    if (WatchTypeRow(original.typeCode).klass == WatchClass::Array) {
        TWatchItem element = original;
        TSymbol* rec = original.typeRecord;
        element.typeCode = rec != nullptr ? rec->type : 0;
        if (element.typeCode == kTypeOfRecord) {
            element.typeRecord = symbols_.ElementType(rec);
            expandType(element);
        }
        modifyElement(element, text);
        return;
    }
    const WatchClass klass = WatchTypeRow(original.typeCode).klass;
    if (!WatchClassWritable(klass)) throw EWatchError(FmtLoadStr(MsgNoChange));
    const bool textType = klass == WatchClass::Text || klass == WatchClass::ZeroTerminatedText;
    TWatchItem item = original;
    TLocation regs;
    if (!applyLocation(item, &regs))
        throw EWatchError(FmtLoadStr(MsgWatchError, item.expression, LoadStr(MsgInvalidAccess)));
    const int c = item.memoryClass;
    const TBasisEmulSpeicher* space = spaceOf(c);
    if (space == nullptr && c != 8 && c != 9) return;
    const int f = DisplayFormat(item);
    const std::string t(text);
    std::int64_t value = 0;
    TBankAdresse addressValue{};
    switch (f) {
    case 1: value = StrToIntRt(HexStrNormalize(t)); break;
    case 2: value = StrToIntRt(t); break;
    case 3:
        if (t.empty() && !textType) value = StrToIntRt(t);
        for (std::size_t i = 0; i < t.size() && i < 4; ++i) value = value * 256 + static_cast<std::uint8_t>(t[i]);
        break;
    case 4: value = static_cast<std::uint32_t>(BinStrToInt(t)); break;
    case 5: throw EWatchError(FmtLoadStr(MsgValueNotValid, LoadStr(MsgFormat)));
    case 6:
        addressValue = StrToBankAdresse(t, symbols_.context().banking);
        value = addressValue.offset;
        break;
    default: break;
    }
    std::string bytes;
    switch (klass) {
    case WatchClass::ByteInteger:
    case WatchClass::Integer: bytes = integerBytes(item, f, t, value); break;
    case WatchClass::Bit: bytes = bitBytes(f, t, value); break;
    case WatchClass::Float: bytes = floatBytes(item, f, t, value); break;
    case WatchClass::CodeAddress:
        if (space != nullptr) space->CheckAdresse(addressValue);
        break;
    case WatchClass::Text: bytes = t; break;
    case WatchClass::ZeroTerminatedText: bytes = t + std::string(1, '\0'); break;
    default: break;
    }
    const std::uint16_t o = item.address.offset;
    if (item.registerSymbol) {
        const TBasisEmulSpeicher* sfr = target_.Limits(4);
        const std::uint16_t lo = sfr != nullptr ? sfr->GetMinAdresse().offset : 0x80;
        const std::uint16_t hi = sfr != nullptr ? sfr->GetMaxAdresse().offset : 0xFF;
        if (o < lo || o > hi) {
            if (c == 1) target_.SetPC(addressValue);
            else if (c == 2) target_.WriteRegister(o & 0xFF, static_cast<std::uint8_t>(value));
            else if (c == 5) {
                target_.WriteSfr(static_cast<std::uint8_t>(o >> 8), byteAt(bytes, 0));
                target_.WriteSfr(static_cast<std::uint8_t>(o), byteAt(bytes, 1));
            }
            return;
        }
    }
    if (c == 9) {
        for (std::size_t i = 0; i < std::min<std::size_t>(regs.registerCount, regs.registers.size()); ++i) {
            const std::uint8_t n = regs.registers[i];
            if (bytes.empty()) break;
            const char b = bytes.back();
            bytes.pop_back();
            if (n <= 7) target_.WriteRegister(n, static_cast<std::uint8_t>(b));
            else if (n <= 11) {
                static constexpr std::uint8_t sfrAt[] = {0xE0, 0xF0, 0x82, 0x83};
                target_.WriteBlock(4, UnbankedAdresse(sfrAt[n - 8]), std::string(1, b));
            } else if (n == 12) {
                target_.WriteBlock(3, UnbankedAdresse(0xD7), std::string(1, b));
            }
        }
        return;
    }
    if (c == 10) {
        target_.WriteRegister(o & 0xFF, static_cast<std::uint8_t>(value));
        return;
    }
    if (c == 8) {
        target_.WriteV(o, byteAt(bytes, 0));
        return;
    }
    if (bytes.empty()) return;
    // An element that does not fit below the top of its memory is refused
    // before anything of it is written.
    if (space != nullptr) space->CheckRange(item.address, static_cast<std::int32_t>(bytes.size()));
    target_.WriteBlock(MemorySpace(c), item.address, bytes);
    if (MemorySpace(c) == 0) target_.UpdatePellunars();
}

}  // namespace tarvex
