#include "core/symbol_table.hpp"

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "core/address_order.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

// Type graphs come from files; a chain deeper than this is malformed.
constexpr int kMaxTypeDepth = 64;

int NameOrder(const TSymbol& a, const TSymbol& b) {
    if (int c = AnsiCompareText(a.name, b.name); c != 0) return c;
    if (a.moduleId != b.moduleId) return a.moduleId < b.moduleId ? -1 : 1;
    if (a.functionId != b.functionId) return a.functionId < b.functionId ? -1 : 1;
    return 0;
}

bool NameLess(const TSymbol* a, const TSymbol* b) {
    if (int c = NameOrder(*a, *b); c != 0) return c < 0;
    return address_order::Key(a->address) < address_order::Key(b->address);
}

bool AddressLess(const TSymbol* a, const TSymbol* b) {
    const std::uint32_t ka = address_order::Key(a->address), kb = address_order::Key(b->address);
    if (ka != kb) return ka < kb;
    return NameOrder(*a, *b) < 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

std::uint64_t Saturate(std::uint64_t v) { return std::min<std::uint64_t>(v, 0xFFFFFFFFu); }

std::uint64_t MulSat(std::uint64_t a, std::uint64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a > 0xFFFFFFFFu / b) return 0xFFFFFFFFu;
    return a * b;
}

constexpr std::uint8_t kBaseSizes[34] = {1, 1, 1, 1, 2, 2, 4, 4, 4, 8, 1, 1, 4, 8, 0, 0, 3,
                                         1, 0, 0, 0, 0, 0, 0, 4, 6, 7, 0, 0, 0, 1, 0, 0, 3};

std::string FilePart(std::string_view name) {
    const std::size_t cut = name.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? name : name.substr(cut + 1));
}

bool HasExtension(std::string_view name) {
    const std::size_t dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return false;
    const std::size_t sep = name.find_last_of("\\/:");
    return sep == std::string_view::npos || dot > sep;
}

}  // namespace

std::string SymbolKindName(int kind) {
    static constexpr int kIds[] = {120, 114, 115, 116, 117, 118, 122, 119, 121, 123, 124, 125};
    kind &= 0x7F;
    if (kind >= 0 && kind <= 11) return std::string(LoadStr(kIds[kind]));
    if (kind == 12 || kind == 13) return "Register";
    return {};
}

bool SymbolKindSpace(int kind, SpaceKind& space) {
    switch (kind & 0x7F) {
    case sspModuleFunction:
    case sspProgram:
    case sspZeilennummer:
        space = SpaceKind::Program;
        return true;
    case sspIntData:
    case sspRoseSpI:
    case sspRegister:
    case sspRegBank:
        space = SpaceKind::IntData;
        return true;
    case sspExtData:
    case sspRoseSpX:
        space = SpaceKind::ExtData;
        return true;
    case sspBit:
        space = SpaceKind::Bit;
        return true;
    case sspSfr:
        space = SpaceKind::Sfr;
        return true;
    default:
        return false;
    }
}

bool ExpandTabs(std::vector<std::string>& lines, int width) {
    if (width < 1) width = 1;
    const std::size_t w = static_cast<std::size_t>(width);
    bool any = false;
    for (std::string& line : lines) {
        if (line.find('\t') == std::string::npos) continue;
        any = true;
        std::string out;
        out.reserve(line.size() + w * 4);
        for (char c : line) {
            if (c == '\t') {
                // To the next stop; a tab on a stop moves one full width.
                out.append(w - out.size() % w, ' ');
            } else {
                out.push_back(c);
            }
        }
        line = std::move(out);
    }
    return any;
}

// ---------------------------------------------------------------------------
// TLocationList

TLocation* TLocationList::Add() {
    items_.push_back(std::make_unique<TLocation>());
    return items_.back().get();
}

// ---------------------------------------------------------------------------
// TSymbolList

std::string TSymbolList::NameKey(std::string_view name) const {
    return caseless_ ? AnsiLowerCase(name) : std::string(name);
}

std::uint32_t TSymbolList::Position(const TSymbol* symbol) const {
    if (!positionsValid_) {
        for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->position_ = static_cast<std::uint32_t>(i);
        positionsValid_ = true;
    }
    return symbol->position_;
}

void TSymbolList::ReindexNames() {
    byName_.clear();
    for (TSymbol* s : items_) byName_[NameKey(s->name)].push_back(s);
}

TSymbol* TSymbolList::Add(std::unique_ptr<TSymbol> symbol) {
    TSymbol* raw = symbol.get();
    owned_.push_back(std::move(symbol));
    auto at = items_.end();
    if (order_ == Order::ByAddress) {
        // Stay sorted: the next address search needs no sort, and a stable
        // sort of the appended list would have put the record here too.
        at = std::upper_bound(items_.begin(), items_.end(), raw, AddressLess);
    } else {
        order_ = Order::Unsorted;
    }
    if (at == items_.end()) {
        raw->position_ = static_cast<std::uint32_t>(items_.size());
    } else {
        positionsValid_ = false;
    }
    items_.insert(at, raw);
    byName_[NameKey(raw->name)].push_back(raw);
    return raw;
}

void TSymbolList::Clear() {
    byName_.clear();
    items_.clear();
    owned_.clear();
    positionsValid_ = true;
    order_ = Order::Unsorted;
}

TSymbol* TSymbolList::FindByName(std::string_view name, std::uint16_t moduleId, std::uint16_t functionId) const {
    return FindNamed(name, [&](const TSymbol& s) {
        return (moduleId == 0 || s.moduleId == moduleId) && (functionId == 0 || s.functionId == functionId);
    });
}

void TSymbolList::Rename(TSymbol* symbol, std::string name) {
    if (auto it = byName_.find(NameKey(symbol->name)); it != byName_.end()) {
        auto& bucket = it->second;
        bucket.erase(std::remove(bucket.begin(), bucket.end(), symbol), bucket.end());
        if (bucket.empty()) byName_.erase(it);
    }
    symbol->name = std::move(name);
    byName_[NameKey(symbol->name)].push_back(symbol);
}

void TSymbolList::SortByName() {
    if (fixedOrder_ || order_ == Order::ByName) return;
    std::stable_sort(items_.begin(), items_.end(), NameLess);
    positionsValid_ = false;
    order_ = Order::ByName;
}

void TSymbolList::SortByAddress() {
    if (fixedOrder_ || order_ == Order::ByAddress) return;
    std::stable_sort(items_.begin(), items_.end(), AddressLess);
    positionsValid_ = false;
    order_ = Order::ByAddress;
}

std::vector<TSymbol*> TSymbolList::Snapshot(Order order) const {
    std::vector<TSymbol*> copy;
    copy.reserve(owned_.size());
    for (const auto& s : owned_) copy.push_back(s.get());
    // Sorted from the order of addition, so that equal keys keep one order
    // whatever the searches did to the list in between.
    if (order == Order::ByName) std::stable_sort(copy.begin(), copy.end(), NameLess);
    if (order == Order::ByAddress) std::stable_sort(copy.begin(), copy.end(), AddressLess);
    return copy;
}

// The comparison of the searched address with a record: equal offsets, and
// equal banks unless the record stands for all banks. A searched address
// that stands for all banks, or an unbanked one while banks are ignored,
// matches any bank.
TSymbol* TSymbolList::FindExact(const TBankAdresse& address) {
    ++comparisons_;
    if (items_.empty()) return nullptr;
    if (address.allBanks || (ignoreBank_ && !address.banked)) {
        TSymbol* hit = nullptr;
        address_order::EachBankAt(items_, address.offset, [&](std::size_t i) {
            hit = items_[i];
            return true;
        });
        return hit;
    }
    const std::uint32_t bank = address_order::BankKey(address);
    for (const std::uint32_t b : {bank, address_order::kAllBanks}) {
        const std::uint32_t key = b << 16 | address.offset;
        const std::size_t i = address_order::LowerBound(items_, key);
        if (i < items_.size() && address_order::Key(items_[i]->address) == key) return items_[i];
    }
    return nullptr;
}

TSymbol* TSymbolList::FindNext(const TBankAdresse& address, bool upwards) {
    ++comparisons_;
    return address_order::Nearest(items_, address, upwards, address.allBanks || (ignoreBank_ && !address.banked));
}

// ---------------------------------------------------------------------------
// TSymboltabelle

TSymboltabelle::TSymboltabelle(const TargetContext& context) : ctx_(context) {
    lists_[sspSource].caseless_ = true;
    lists_[sspTypedef].fixedOrder_ = true;
    InitAllModules();
}

TSymboltabelle::~TSymboltabelle() = default;

void TSymboltabelle::InitAllModules() {
    allModules_ = TSymbol{};
    allModules_.kind = sspModuleFunction;
    const TBankAdresse min = ctx_.spacesOrDefault().minAddress(SpaceKind::Program);
    allModules_.address = min.banked ? BankedAdresse(0, 0) : UnbankedAdresse(0);
    allModules_.name = std::string(LoadStr(332));
    allModules_.klass = 0;
    allModules_.size = 0;
    allModules_.type = 0;
}

void TSymboltabelle::Notify(std::uint8_t code, const void*) {
    if (code == notify::LanguageChanged) allModules_.name = std::string(LoadStr(332));
}

TSymbolList* TSymboltabelle::ListOf(int kind) {
    kind &= 0x7F;
    if (kind == sspRegBank) return &lists_[sspIntData];
    if (kind >= 0 && kind < kListCount) return &lists_[static_cast<std::size_t>(kind)];
    return nullptr;
}

TSymbolList* TSymboltabelle::KindList(int kind) { return ListOf(kind); }

std::string TSymboltabelle::Transform(std::string_view name) const {
    switch (transformCase_) {
    case TTransformCase::tcUpper:
        return AnsiUpperCase(name);
    case TTransformCase::tcLower:
        return AnsiLowerCase(name);
    case TTransformCase::tcNone:
        break;
    }
    return std::string(name);
}

// Type records carry binary data (dimensions, member indices) in their
// names; their names are never transformed, neither stored nor looked up.
static std::string TransformFor(const TSymboltabelle& table, int kind, std::string_view name) {
    return (kind & 0x7F) == sspTypedef ? std::string(name) : table.Transform(name);
}

TSymbol* TSymboltabelle::AddSymbol(int kind, std::string_view name, std::uint16_t functionId,
                                   std::uint16_t moduleId, std::uint8_t type, std::uint32_t size,
                                   std::uint8_t klass, TBankAdresse address) {
    kind &= 0x7F;
    TSymbolList* list = (kind == sspZeilennummer || kind == sspRegister) ? nullptr : ListOf(kind);
    if (list == nullptr) throw ESymbolError(FmtLoadStr(113, SymbolKindName(kind)));
    SpaceKind space;
    if (SymbolKindSpace(kind, space)) address = ctx_.spacesOrDefault().normalize(space, address);

    auto symbol = std::make_unique<TSymbol>();
    symbol->kind = static_cast<std::uint8_t>(kind);
    symbol->address = address;
    symbol->name = TransformFor(*this, kind, name);
    symbol->klass = klass;
    symbol->size = size;
    symbol->type = type;
    symbol->moduleId = moduleId;
    symbol->functionId = functionId;
    list->ignoreBank_ = ignoreBanking_;
    TSymbol* s = list->Add(std::move(symbol));

    const std::string lower = AnsiLowerCase(name);
    if (kind == sspModuleFunction) {
        scopes_[static_cast<std::uint32_t>(moduleId) << 16 | functionId].push_back(s);
        ++moduleGeneration_;
    }
    if (kind == sspProgram) {
        SetBit(codeBits_, address.offset);
        if (StartsWith(lower, "_qz_")) SetBit(entryBits_, address.offset);
        if (EndsWith(lower, "readp0") && address.offset == 0xFFF9) readP0_ = s;
    }
    ModifiedSelect = true;
    ModifiedWatch = true;
    ++generation_;
    if (main_ == nullptr && (lower == "main" || lower == "_main")) main_ = s;
    return s;
}

TSymbol* TSymboltabelle::AddModule(std::string_view name, std::uint16_t moduleId, TBankAdresse start,
                                   TBankAdresse end) {
    return AddSymbol(sspModuleFunction, name, 0, moduleId, kNoType, end.offset, symbol_class::None, start);
}

TSymbol* TSymboltabelle::AddFunction(std::string_view name, std::uint16_t moduleId, TBankAdresse start,
                                     TBankAdresse end, std::uint16_t functionId) {
    TSymbol* s =
        AddSymbol(sspModuleFunction, name, functionId, moduleId, kNoType, end.offset, symbol_class::None, start);
    if (AnsiLowerCase(name) == "main") main_ = s;
    return s;
}

TSymbol* TSymboltabelle::AddFunctionRange(std::string_view name, std::uint16_t moduleId, TBankAdresse start,
                                          TBankAdresse end, std::uint16_t functionId) {
    TSymbol* s =
        AddSymbol(sspModuleFunction, name, functionId, moduleId, kNoType, end.offset, symbol_class::None, start);
    main_ = s;
    return s;
}

TSymbol* TSymboltabelle::AddFileName(std::string_view name, std::uint16_t moduleId, std::uint16_t fileNumber) {
    std::string file = relativePath_ ? FilePart(name) : std::string(name);
    if (!HasExtension(file)) file += Ext();
    if (moduleId == 0) throw EVokWinValueError(FmtLoadStr(211, LoadStr(112)));
    return AddSymbol(sspSource, file, 0, moduleId, kNoType, 1, symbol_class::None, BankedAdresse(0, fileNumber));
}

TSymbol* TSymboltabelle::AddCounterSymbol(TBankAdresse address, int kind) {
    if ((kind & 0x7F) != sspProgram) return nullptr;
    const std::string name = "Y" + std::to_string(lists_[sspProgram].Count());
    return AddSymbol(sspProgram, name, 0, 0, kNoType, 1, symbol_class::None, address);
}

void TSymboltabelle::Clear() {
    for (TSymbolList& list : lists_) list.Clear();
    locations_.Clear();
    scopes_.clear();
    typeKeys_.clear();
    typesKeyed_ = 0;
    codeBits_.fill(0);
    entryBits_.fill(0);
    main_ = nullptr;
    readP0_ = nullptr;
    typeIndex_ = 0;
    ModifiedSelect = true;
    ModifiedWatch = true;
    ++generation_;
    ++moduleGeneration_;
    // Synchronously, so that every holder of a record pointer drops it
    // before anything else runs.
    ctx_.notifierOrDefault().send(notify::TablesCleared, this);
}

std::size_t TSymboltabelle::Count() const {
    std::size_t n = 0;
    for (const TSymbolList& list : lists_) n += list.Count();
    return n;
}

// ---------------------------------------------------------------------------
// Lookups by name and scope

TSymbol* TSymboltabelle::FindByName(std::string_view name, int kind) {
    TSymbolList* list = ListOf(kind);
    if (name.empty() || list == nullptr) return nullptr;
    const std::string text = TransformFor(*this, kind, name);
    std::string_view module, function, plain = text;
    if (!text.empty() && text[0] == ':') {
        const std::string_view rest0 = std::string_view(text).substr(1);
        const std::size_t c1 = rest0.find(':');
        if (c1 == std::string_view::npos) {
            plain = rest0;
        } else {
            module = rest0.substr(0, c1);
            const std::string_view rest = rest0.substr(c1 + 1);
            const std::size_t c2 = rest.find(':');
            if (c2 == std::string_view::npos) {
                plain = rest;
            } else {
                function = rest.substr(0, c2);
                plain = rest.substr(c2 + 1);
            }
        }
    }
    std::uint16_t moduleId = 0, functionId = 0;
    if (const TSymbol* m = lists_[sspModuleFunction].FindByName(module, 0, 0)) {
        moduleId = m->moduleId;
        if (const TSymbol* f = lists_[sspModuleFunction].FindByName(function, moduleId, 0)) functionId = f->functionId;
    }
    TSymbol* result = list->FindByName(plain, moduleId, functionId);
    if (result == nullptr && module == function) result = list->FindByName(plain, moduleId, 0);
    return result;
}

void TSymboltabelle::FindInScope(std::vector<TSymbol*>& out, int kind, std::uint16_t moduleId,
                                 std::uint16_t functionId) {
    TSymbolList* list = ListOf(kind);
    if (list == nullptr) return;
    for (std::size_t i = 0; i < list->Count(); ++i) {
        TSymbol* s = list->Items(i);
        if (moduleId != 0 && s->moduleId != moduleId) continue;
        if (moduleId != 0 && functionId != 0 && s->functionId != functionId) continue;
        out.push_back(s);
    }
}

TSymbol* TSymboltabelle::FunctionRecord(std::uint16_t moduleId, std::uint16_t functionId) {
    // The first kind-0 record (current order) of exactly these ids.
    const auto it = scopes_.find(static_cast<std::uint32_t>(moduleId) << 16 | functionId);
    if (it == scopes_.end()) return nullptr;
    const TSymbolList& list = lists_[sspModuleFunction];
    TSymbol* best = nullptr;
    for (TSymbol* s : it->second)
        if (best == nullptr || list.Position(s) < list.Position(best)) best = s;
    return best;
}

std::string TSymboltabelle::ModuleName(std::uint16_t moduleId) {
    const TSymbol* s = FunctionRecord(moduleId, 0);
    return s != nullptr ? s->name : std::string();
}

std::string TSymboltabelle::FunctionName(std::uint16_t moduleId, std::uint16_t functionId) {
    const TSymbol* s = FunctionRecord(moduleId, functionId);
    return s != nullptr ? s->name : std::string();
}

std::string TSymboltabelle::FunctionPath(std::uint16_t moduleId, std::uint16_t functionId) {
    const std::string module = ModuleName(moduleId);
    if (module.empty()) return {};
    return ":" + module + ":" + FunctionName(moduleId, functionId) + ":";
}

std::string TSymboltabelle::QualifiedName(const TSymbol* symbol) {
    if (symbol == nullptr) return {};
    return FunctionPath(symbol->moduleId, symbol->functionId) + symbol->name;
}

std::string TSymboltabelle::PlainName(std::string_view name) const {
    std::string t = Transform(name);
    const std::size_t cut = t.find_last_of(':');
    return cut == std::string::npos ? t : t.substr(cut + 1);
}

TSymbol* TSymboltabelle::FindOfKind(std::string_view name, std::uint8_t klass, std::uint16_t moduleId,
                                    std::uint16_t functionId, int kind) {
    TSymbolList* list = ListOf(kind);
    if (list == nullptr || name.empty()) return nullptr;
    const bool anyClass = klass == symbol_class::CdbFunction;
    return list->FindNamed(TransformFor(*this, kind, name), [&](const TSymbol& s) {
        return (moduleId == 0 || s.moduleId == moduleId) && (functionId == 0 || s.functionId == functionId) &&
               (anyClass || s.klass == klass);
    });
}

TSymbol* TSymboltabelle::FindVariable(std::string_view name, std::uint8_t klass, std::uint16_t moduleId,
                                      std::uint16_t functionId) {
    if (klass == symbol_class::CdbFunction)
        return FindOfKind(name, klass, moduleId, functionId, sspModuleFunction);
    for (int kind : {1, 2, 3, 4, 5, 9, 10})
        if (TSymbol* s = FindOfKind(name, klass, moduleId, functionId, kind)) return s;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Lookups by address

TSymbol* TSymboltabelle::FindByAddress(int kind, TBankAdresse address, int mode) {
    TSymbolList* list = ListOf(kind);
    if (list == nullptr || list->Count() == 0 || list->fixedOrder_) return nullptr;
    list->ignoreBank_ = ignoreBanking_;
    list->SortByAddress();
    const bool code = (kind & 0x7F) == sspProgram;
    switch (mode) {
    case 0:
        if (code && !TestBit(codeBits_, address.offset)) return nullptr;
        return list->FindExact(address);
    case 2:
        return list->FindNext(address, true);
    case 3:
        return list->FindNext(address, false);
    case 4: {
        TSymbol* s = (code && !TestBit(codeBits_, address.offset)) ? nullptr : list->FindExact(address);
        if (s == nullptr) s = list->FindNext(address, false);
        if (s == nullptr) return nullptr;
        return CompareBankAdresse(address, SymbolEndAddress(s)) <= 0 ? s : nullptr;
    }
    default:
        return nullptr;
    }
}

std::string TSymboltabelle::NameAt(TBankAdresse address, int kind) {
    // Through the sorted search: a walk over an unsorted list that stops at
    // the first higher record could miss the symbol.
    const TSymbol* s = FindByAddress(kind, address, 0);
    return s != nullptr ? s->name : std::string();
}

TBankAdresse TSymboltabelle::SymbolEndAddress(const TSymbol* symbol) {
    if (symbol == nullptr) return TBankAdresse{};
    TBankAdresse end = symbol->address;
    const std::uint32_t size = TypeSize(const_cast<TSymbol*>(symbol));
    // A size of 0 still covers the symbol's own address; the end never
    // wraps around the top of the bank.
    const std::uint64_t last = static_cast<std::uint64_t>(symbol->address.offset) + (size == 0 ? 0 : size - 1);
    end.offset = static_cast<std::uint16_t>(std::min<std::uint64_t>(last, 0xFFFF));
    return end;
}

TSymbol* TSymboltabelle::FindModuleAt(std::uint32_t linearAddress) {
    const TBankAdresse address =
        LinearToBankAdresse(static_cast<std::int32_t>(linearAddress & 0x00FFFFFF), &ctx_.bankingOrDefault());
    if (lists_[sspModuleFunction].Count() == 0) return nullptr;
    if (moduleSpansGeneration_ != moduleGeneration_ || moduleSpans_.empty()) BuildModuleSpans();
    // Each bank's spans begin at offset 0; a bank without records of its
    // own has only those for all banks.
    auto spanAt = [&](std::uint32_t bank) -> const ModuleSpan* {
        const std::uint32_t key = bank << 16 | address.offset;
        const auto it = std::upper_bound(moduleSpans_.begin(), moduleSpans_.end(), key,
                                         [](std::uint32_t k, const ModuleSpan& span) { return k < span.from; });
        if (it == moduleSpans_.begin() || ((it - 1)->from >> 16) != bank) return nullptr;
        return &*(it - 1);
    };
    const std::uint32_t bank = address_order::BankKey(address);
    const ModuleSpan* span = spanAt(bank);
    if (span == nullptr && bank != address_order::kAllBanks) span = spanAt(address_order::kAllBanks);
    return span != nullptr ? span->record : nullptr;
}

// The answer of FindModuleAt for every address, as runs of offsets per bank:
// of the records that hold an address, the function record that starts
// nearest below it (on a tie the shorter, then the first in address order),
// else the module record chosen the same way. Records for all banks hold
// their offsets in every bank.
void TSymboltabelle::BuildModuleSpans() {
    TSymbolList& list = lists_[sspModuleFunction];
    list.ignoreBank_ = ignoreBanking_;
    list.SortByAddress();
    struct Held {
        std::uint32_t first, last;  // offsets
        std::size_t rank;           // position in address order
        TSymbol* record;
    };
    // The nearest start first, then the shorter, then the earlier.
    struct Inner {
        bool operator()(const Held& a, const Held& b) const {
            if (a.first != b.first) return a.first > b.first;
            if (a.last != b.last) return a.last < b.last;
            return a.rank < b.rank;
        }
    };
    std::vector<Held> common;
    std::vector<std::pair<std::uint32_t, Held>> banked;  // (bank key, record)
    for (std::size_t i = 0; i < list.Count(); ++i) {
        TSymbol* s = list.Items(i);
        const Held held{s->address.offset, SymbolEndAddress(s).offset, i, s};
        if (s->address.allBanks)
            common.push_back(held);
        else
            banked.emplace_back(address_order::BankKey(s->address), held);
    }
    moduleSpans_.clear();
    auto sweep = [&](std::uint32_t bank, std::vector<Held> records) {
        // (offset, record index): a record enters at its first offset and
        // leaves after its last.
        std::vector<std::pair<std::uint32_t, std::size_t>> enter, leave;
        for (std::size_t i = 0; i < records.size(); ++i) {
            enter.emplace_back(records[i].first, i);
            leave.emplace_back(records[i].last + 1u, i);
        }
        std::sort(enter.begin(), enter.end());
        std::sort(leave.begin(), leave.end());
        std::set<Held, Inner> functions, modules;
        std::size_t in = 0, out = 0;
        std::uint32_t at = 0;
        const TSymbol* current = nullptr;
        bool first = true;
        while (at <= 0xFFFF) {
            for (; out < leave.size() && leave[out].first == at; ++out) {
                const Held& h = records[leave[out].second];
                (h.record->functionId != 0 ? functions : modules).erase(h);
            }
            for (; in < enter.size() && enter[in].first == at; ++in) {
                const Held& h = records[enter[in].second];
                (h.record->functionId != 0 ? functions : modules).insert(h);
            }
            TSymbol* answer = !functions.empty() ? functions.begin()->record
                              : !modules.empty() ? modules.begin()->record
                                                 : nullptr;
            if (first || answer != current) moduleSpans_.push_back({bank << 16 | at, answer});
            first = false;
            current = answer;
            std::uint32_t next = 0x10000;
            if (in < enter.size()) next = std::min(next, enter[in].first);
            if (out < leave.size()) next = std::min(next, leave[out].first);
            at = next;
        }
    };
    std::stable_sort(banked.begin(), banked.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 0; i < banked.size();) {
        const std::uint32_t bank = banked[i].first;
        std::vector<Held> records = common;
        for (; i < banked.size() && banked[i].first == bank; ++i) records.push_back(banked[i].second);
        sweep(bank, std::move(records));
    }
    sweep(address_order::kAllBanks, common);
    moduleSpansGeneration_ = moduleGeneration_;
}

namespace {

// The first code symbol, in address order, whose linear address lies in
// [from, to] and that satisfies pred. Unbanked and banked records sort by
// their linear address; records for all banks sort last.
template <typename Pred>
TSymbol* FirstInLinearRange(const std::vector<TSymbol*>& items, std::uint64_t from, std::uint64_t to, Pred pred) {
    std::size_t lo = 0, hi = items.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (!items[mid]->address.allBanks && BankAdresseToLinear(items[mid]->address) < from)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (std::size_t i = lo; i < items.size() && !items[i]->address.allBanks; ++i) {
        const std::uint64_t lin = BankAdresseToLinear(items[i]->address);
        if (lin > to) break;
        if (pred(*items[i])) return items[i];
    }
    for (std::size_t i = address_order::LowerBound(items, address_order::kAllBanks << 16); i < items.size(); ++i) {
        const std::uint64_t lin = BankAdresseToLinear(items[i]->address);
        if (lin >= from && lin <= to && pred(*items[i])) return items[i];
    }
    return nullptr;
}

}  // namespace

TSymbol* TSymboltabelle::FindRoutineInRange(TBankAdresse address, std::uint32_t length) {
    const std::uint32_t last = std::min<std::uint32_t>(0xFFFFu, address.offset + std::min<std::uint32_t>(length, 0xFFFFu));
    bool any = false;
    for (std::uint32_t o = address.offset; o <= last && !any; ++o) any = TestBit(codeBits_, static_cast<std::uint16_t>(o));
    if (!any) return nullptr;
    TSymbolList& list = lists_[sspProgram];
    list.SortByAddress();
    const std::uint64_t from = BankAdresseToLinear(address);
    return FirstInLinearRange(list.items_, from, from + length, [](const TSymbol&) { return true; });
}

TSymbol* TSymboltabelle::FindQzEntryNear(TBankAdresse address) {
    bool any = false;
    for (std::uint32_t o = address.offset; o <= std::min<std::uint32_t>(address.offset + 2u, 0xFFFF); ++o)
        any = any || TestBit(entryBits_, static_cast<std::uint16_t>(o));
    if (!any) return nullptr;
    TSymbolList& list = lists_[sspProgram];
    list.SortByAddress();
    const std::uint64_t from = BankAdresseToLinear(address);
    return FirstInLinearRange(list.items_, from, from + 2,
                              [](const TSymbol& s) { return StartsWith(AnsiLowerCase(s.name), "_qz_"); });
}

// ---------------------------------------------------------------------------
// Types

TSymbol* TSymboltabelle::TypeAt(int index) {
    typeIndex_ = index;
    const TSymbolList& list = lists_[sspTypedef];
    if (index < 0 || static_cast<std::size_t>(index) >= list.Count()) return nullptr;
    return list.Items(static_cast<std::size_t>(index));
}

TSymbol* TSymboltabelle::CurrentType() {
    const TSymbolList& list = lists_[sspTypedef];
    if (typeIndex_ < 0 || static_cast<std::size_t>(typeIndex_) >= list.Count()) return nullptr;
    ++typeIndex_;
    return list.Items(static_cast<std::size_t>(typeIndex_));
}

int TSymboltabelle::TypeIndex(const TSymbol* symbol) const {
    if (symbol == nullptr) return -1;
    const TSymbolList& list = lists_[sspTypedef];
    const std::uint32_t position = list.Position(symbol);
    return list.Items(position) == symbol ? static_cast<int>(position) : -1;
}

TSymbol* TSymboltabelle::BaseType(const TSymbol* symbol) {
    if (symbol == nullptr || symbol->type != kTypeOfRecord) return nullptr;
    return lists_[sspTypedef].Items(symbol->size);
}

TSymbol* TSymboltabelle::ElementType(const TSymbol* symbol) {
    if (symbol == nullptr || symbol->kind != sspTypedef || symbol->type != kTypeOfRecord) return nullptr;
    return TypeAt(symbol->address.offset);
}

int TSymboltabelle::BaseTypeCodeOf(const TSymbol* symbol, int depth) {
    if (symbol == nullptr) return kTypeOfRecord;
    if (symbol->type < kTypeOfRecord) return symbol->type;
    if (depth > kMaxTypeDepth) return kTypeOfRecord;
    const TSymbol* base = symbol->kind == sspTypedef ? ElementType(symbol) : BaseType(symbol);
    if (base == nullptr || base->klass == symbol_class::Function || base->klass == symbol_class::CdbFunction)
        return kTypeOfRecord;
    return BaseTypeCodeOf(base, depth + 1);
}

int TSymboltabelle::BaseTypeCode(const TSymbol* symbol) { return BaseTypeCodeOf(symbol, 0); }

namespace {

// One size computation over a type graph read from a file: every record is
// computed once, and a record met again while its own size is being
// computed (a cycle) counts 0. The walk keeps its own stack: a chain of
// named types in a file can be tens of thousands deep, far more than a
// thread's stack holds as recursion.
class TypeSizer {
public:
    // zeroSized: records whose size came out 0 in earlier computations of
    // the same table state; 0 in the size field means "not computed".
    TypeSizer(const TSymbolList& types, std::unordered_set<const TSymbol*>& zeroSized)
        : types_(types), zeroSized_(zeroSized) {}

    std::uint64_t Size(TSymbol* s) {
        std::uint64_t value = 0;
        if (Settled(s, value)) return value;
        Open(*s);
        for (;;) {
            TSymbol* part = nullptr;
            if (NextPart(stack_.back(), part)) {
                if (Settled(part, value))
                    Take(stack_.back(), value);
                else
                    Open(*part);
                continue;
            }
            value = Close();
            if (stack_.empty()) return value;
            Take(stack_.back(), value);
        }
    }

private:
    // How a record's size is made from the sizes of other records.
    enum class Parts : std::uint8_t { None, Chain, List, Element };

    struct Frame {
        TSymbol* s = nullptr;
        Parts parts = Parts::None;
        std::uint64_t count = 0;
        std::uint64_t value = 0;  // the result of None, else the sum or the element size
        std::size_t next = 0;     // Chain: type index; List: name position; Element: 1 once taken
        std::uint64_t taken = 0;  // Chain: members taken
    };

    static std::uint16_t Word(const std::string& name, std::size_t i) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(name[i]) |
                                          static_cast<unsigned char>(name[i + 1]) << 8);
    }

    // True with the size when it needs no other type record's size (or is
    // already known); false leaves s at the type record to compute.
    bool Settled(TSymbol*& s, std::uint64_t& value) {
        value = 0;
        for (int hop = 0; s != nullptr && s->kind != sspTypedef; ++hop) {
            if (s->kind == sspModuleFunction) {
                if (s->size >= s->address.offset) value = static_cast<std::uint64_t>(s->size) - s->address.offset + 1;
                return true;
            }
            if (s->type != kTypeOfRecord) {
                value = s->size;
                return true;
            }
            if (hop > 0) return true;
            s = types_.Items(s->size);
        }
        if (s == nullptr) return true;
        if (s->size > 0) {
            value = s->size;
            return true;
        }
        if (zeroSized_.count(s) != 0) return true;
        if (const auto it = done_.find(s); it != done_.end()) {
            value = it->second;
            return true;
        }
        return busy_.count(s) != 0;
    }

    void Open(TSymbol& s) {
        busy_.insert(&s);
        Frame f;
        f.s = &s;
        if (s.form == 0 && s.klass == symbol_class::Array) {
            f.count = s.moduleId + static_cast<std::uint64_t>(s.functionId) * 256;
        } else if (s.form == 0 && s.klass == symbol_class::CdbArray) {
            // Dimensions as 2-byte little-endian values at the start of
            // the name; a name too short for them is malformed.
            if (s.name.size() < 2u * s.functionId) {
                stack_.push_back(f);
                return;
            }
            f.count = 1;
            for (std::size_t d = 0; d < s.functionId; ++d) f.count = MulSat(f.count, Word(s.name, 2 * d));
        }
        const bool plainBank = s.address.bank == 0 || !s.address.banked;
        if (s.type < 34)
            f.value = f.count == 0 ? kBaseSizes[s.type] : MulSat(kBaseSizes[s.type], f.count);
        else if (s.type != kTypeOfRecord)
            f.value = 0;
        else if (s.form == 0 && s.klass == symbol_class::Member && plainBank) {
            // A structure: the chain of member records from the element on.
            f.parts = Parts::Chain;
            f.next = s.address.offset;
        } else if (s.form == 2 && s.klass == symbol_class::Member && plainBank)
            f.parts = Parts::List;
        else
            f.parts = Parts::Element;
        stack_.push_back(f);
    }

    // The next record whose size the frame's record is made of.
    bool NextPart(Frame& f, TSymbol*& part) {
        switch (f.parts) {
        case Parts::None: return false;
        case Parts::Chain: {
            if (f.next >= types_.Count()) return false;
            TSymbol* member = types_.Items(f.next);
            if (f.count == 0 ? member->klass != symbol_class::Member : f.taken >= f.count) return false;
            if (member == f.s) return false;
            ++f.next;
            ++f.taken;
            part = member;
            return true;
        }
        case Parts::List:
            if (f.next + 1 >= f.s->name.size()) return false;
            part = types_.Items(static_cast<std::size_t>(Word(f.s->name, f.next)) + f.s->address.offset);
            f.next += 2;
            return true;
        case Parts::Element:
            if (f.next != 0) return false;
            f.next = 1;
            part = types_.Items(f.s->address.offset);
            return true;
        }
        return false;
    }

    static void Take(Frame& f, std::uint64_t size) {
        f.value = f.parts == Parts::Element ? size : Saturate(f.value + size);
    }

    std::uint64_t Close() {
        const Frame f = stack_.back();
        stack_.pop_back();
        std::uint64_t size = f.value;
        if (f.parts == Parts::Element && f.count != 0) size = MulSat(size, f.count);
        size = Saturate(size);
        busy_.erase(f.s);
        done_[f.s] = size;
        if (size == 0) zeroSized_.insert(f.s);
        f.s->size = static_cast<std::uint32_t>(size);
        return size;
    }

    const TSymbolList& types_;
    std::unordered_set<const TSymbol*>& zeroSized_;
    std::vector<Frame> stack_;
    std::unordered_map<const TSymbol*, std::uint64_t> done_;
    std::unordered_set<const TSymbol*> busy_;
};

}  // namespace

std::uint32_t TSymboltabelle::TypeSize(TSymbol* symbol) {
    // A type that comes out 0 (a chain ending in an unknown or empty type)
    // is known for as long as the table is unchanged: otherwise every query
    // would walk its whole chain again.
    if (zeroSizedGeneration_ != generation_) {
        zeroSized_.clear();
        zeroSizedGeneration_ = generation_;
    }
    TypeSizer sizer(lists_[sspTypedef], zeroSized_);
    return static_cast<std::uint32_t>(Saturate(sizer.Size(symbol)));
}

std::string TSymboltabelle::TypeSizeText(TSymbol* symbol) {
    if (symbol == nullptr) return {};
    return std::to_string(TypeSize(symbol));
}

std::string TSymboltabelle::TypeText(const TSymbol* symbol) { return TypeTextOf(symbol, 0); }

std::string TSymboltabelle::TypeTextOf(const TSymbol* symbol, int depth) {
    if (symbol == nullptr || depth > kMaxTypeDepth) return {};
    auto byCode = [&]() -> std::string {
        switch (symbol->type) {
        case 0: return "untyped";
        case 1: return "bit";
        case 2: return "char";
        case 3: return "Uchar";
        case 4: return "int";
        case 5: return "Uint";
        case 6: return "long";
        case 7: return "Ulong";
        case 8: return "float (low)";
        case 9: return "double";
        case 10: return "label";
        case 11: return "void";
        case 12: return "float";
        case 24: return "BCD float";
        case 25: return "BCD double";
        case 26: return "BCD long double";
        case 30: return "String";
        case 33: return "Pointer";
        case kTypeOfRecord:
            return TypeTextOf(symbol->kind == sspTypedef ? lists_[sspTypedef].Items(symbol->address.offset)
                                                         : BaseType(symbol),
                              depth + 1);
        default: return Format("%.2x", symbol->type);
        }
    };
    if (symbol->kind != sspTypedef) return byCode();
    // The texts of every type class, by code (symbol_class names those the
    // tables compute with).
    switch (symbol->klass) {
    case 6: case 16: case 34: return "Array";
    case 7: case 17: case 18: case 37:
        return ctx_.optionsOrDefault().toolChain() == 4 ? "Record" : "Struct/Union";
    case 8: return "Enumeration";
    case 9: return "Set";
    case 15: case 33: case 39: case 40: return Format("Pointer %.2x", symbol->klass);
    case 19: case 38: return "Bit Field";
    case 20: case 35: return "Function";
    case 21: return "Attribute " + byCode();
    case 28: return "DPTR5..7";
    case 29: return "CPTR1..7";
    case 32: return "Liste";
    case 36: return "Type " + symbol->name;
    default: return Format("%.2x", symbol->klass);
    }
}

void TSymboltabelle::InheritArraySize(TSymbol* symbol) {
    if (symbol == nullptr || symbol->kind != sspTypedef || symbol->klass != symbol_class::CdbStructure ||
        symbol->size == 0)
        return;
    if (symbol->type != kTypeOfRecord) return;
    TSymbol* element = lists_[sspTypedef].Items(symbol->address.offset);
    if (element != nullptr && element->size == 0) element->size = symbol->size;
}

namespace {

// The keys of the type look-ups: a letter for the look-up, then the fields
// it compares, fixed widths first and the name last.
struct TypeKey {
    std::string text;
    explicit TypeKey(char lookup) : text(1, lookup) {}
    TypeKey& u8(std::uint32_t v) { return text += static_cast<char>(v & 0xFF), *this; }
    TypeKey& u16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    std::string name(std::string_view n) { return text.append(n); }
};

std::string NameKey(std::uint8_t klass, std::string_view name) { return TypeKey('N').u8(klass).name(name); }
std::string NameTypeKey(std::uint8_t klass, std::uint8_t type, std::string_view name) {
    return TypeKey('T').u8(klass).u8(type).name(name);
}
std::string FunctionKey(std::uint8_t type, std::uint16_t address) { return TypeKey('F').u8(type).u16(address).text; }
std::string PointerKey(std::uint8_t klass, std::uint16_t moduleId, std::uint16_t address, std::uint8_t type) {
    return TypeKey('P').u8(klass).u16(moduleId).u16(address).u8(type).text;
}
std::string ArrayKey(std::uint8_t type, std::uint16_t address, std::string_view name) {
    return TypeKey('A').u8(type).u16(address).name(name);
}

}  // namespace

// The keys of a record, from its fields as they are.
static std::vector<std::string> TypeKeysOf(const TSymbol& record) {
    std::vector<std::string> keys{NameKey(record.klass, record.name),
                                  NameTypeKey(record.klass, record.type, record.name),
                                  PointerKey(record.klass, record.moduleId, record.address.offset, record.type)};
    if (record.klass == symbol_class::CdbFunction && record.name.empty())
        keys.push_back(FunctionKey(record.type, record.address.offset));
    if (record.klass == symbol_class::CdbArray && record.functionId == 1)
        keys.push_back(ArrayKey(record.type, record.address.offset, record.name));
    return keys;
}

void TSymboltabelle::KeyType(TSymbol* record) {
    const TSymbolList& list = lists_[sspTypedef];
    const std::uint32_t at = list.Position(record);
    for (std::string& key : TypeKeysOf(*record)) {
        std::vector<TSymbol*>& records = typeKeys_[std::move(key)];
        // Mostly the last in list order: a re-keyed record may be earlier.
        auto it = records.end();
        while (it != records.begin() && list.Position(*(it - 1)) > at) --it;
        records.insert(it, record);
    }
}

// Before a change of the fields the record joined with.
void TSymboltabelle::UnkeyType(TSymbol* record) {
    for (const std::string& key : TypeKeysOf(*record)) {
        const auto found = typeKeys_.find(key);
        if (found == typeKeys_.end()) continue;
        auto& records = found->second;
        records.erase(std::remove(records.begin(), records.end(), record), records.end());
        if (records.empty()) typeKeys_.erase(found);
    }
}

bool TSymboltabelle::TypeKeyed(const TSymbol* record) const {
    const int at = TypeIndex(record);
    return at >= 0 && static_cast<std::size_t>(at) < typesKeyed_;
}

void TSymboltabelle::IndexTypes() {
    const TSymbolList& list = lists_[sspTypedef];
    for (; typesKeyed_ < list.Count(); ++typesKeyed_) KeyType(list.Items(typesKeyed_));
}

TSymbol* TSymboltabelle::FirstWithTypeKey(const std::string& key) {
    IndexTypes();
    const auto found = typeKeys_.find(key);
    return found == typeKeys_.end() || found->second.empty() ? nullptr : found->second.front();
}

void TSymboltabelle::SetTypeReference(TSymbol* record, std::uint8_t type, std::uint16_t index) {
    if (record == nullptr) return;
    const bool keyed = TypeKeyed(record);
    if (keyed) UnkeyType(record);
    record->type = type;
    record->address.offset = index;
    if (keyed) KeyType(record);
}

TSymbol* TSymboltabelle::FindTypeByName(std::string_view name, std::uint8_t klass, std::uint8_t type) {
    return FirstWithTypeKey(type == 0 ? NameKey(klass, name) : NameTypeKey(klass, type, name));
}

TSymbol* TSymboltabelle::FindType(std::uint8_t type, std::uint16_t address) {
    return FirstWithTypeKey(FunctionKey(type, address));
}

TSymbol* TSymboltabelle::FindTypeAt(std::uint8_t klass, std::uint16_t moduleId, std::uint16_t address,
                                    std::uint8_t type) {
    return FirstWithTypeKey(PointerKey(klass, moduleId, address, type));
}

TSymbol* TSymboltabelle::FindMember(std::uint8_t type, std::string_view twoCharName, std::uint16_t address) {
    return FirstWithTypeKey(ArrayKey(type, address, twoCharName));
}

// ---------------------------------------------------------------------------
// Source files

std::string TSymboltabelle::LocationText(const TZeilennummer* line, bool search) {
    if (line == nullptr) return {};
    const TSymbolList& files = lists_[sspSource];
    for (std::size_t i = 0; i < files.Count(); ++i) {
        const TSymbol* s = files.Items(i);
        if (s->moduleId == line->moduleId && s->address.offset == line->fileNumber) return s->name;
    }
    if (!search || line->moduleId == 0) return {};
    const std::string module = ModuleName(line->moduleId);
    if (module.empty()) return {};
    std::string result;
    for (const std::string& ext : ctx_.optionsOrDefault().sourceExts()) {
        std::string candidate = module + ext;
        if (ctx_.optionsOrDefault().findFile(candidate)) {
            // The first hit only: one file-name symbol per file number.
            AddFileName(candidate, line->moduleId, line->fileNumber);
            result = candidate;
            break;
        }
    }
    // One notification, once the table is consistent again.
    if (!result.empty()) ctx_.notifierOrDefault().send(notify::SymbolFileFound, this);
    return result;
}

const TSourceItem& TSymboltabelle::SourceItem(const std::string& fileName) {
    auto less = [](const std::unique_ptr<TSourceItem>& item, const std::string& name) {
        return AnsiCompareText(item->fileName, name) < 0;
    };
    auto it = std::lower_bound(sources_.begin(), sources_.end(), fileName, less);
    if (it != sources_.end() && AnsiSameText((*it)->fileName, fileName)) return **it;

    std::vector<std::uint8_t> bytes;
    try {
        bytes = platform::readWholeFile(fileName);
    } catch (const Exception&) {
        // Names from the debug information of a Windows build.
        std::string mapped = fileName;
        std::replace(mapped.begin(), mapped.end(), '\\', '/');
        if (mapped == fileName) throw;
        bytes = platform::readWholeFile(mapped);
    }
    auto item = std::make_unique<TSourceItem>();
    item->fileName = fileName;
    std::string line;
    for (std::uint8_t b : bytes) {
        if (b == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            item->lines.push_back(std::move(line));
            line.clear();
        } else {
            line.push_back(static_cast<char>(b));
        }
    }
    if (!line.empty()) {
        if (line.back() == '\r') line.pop_back();
        item->lines.push_back(std::move(line));
    }
    ExpandTabs(item->lines, item->tabWidth);
    it = sources_.insert(it, std::move(item));
    return **it;
}

std::string TSymboltabelle::SourceLines(const std::string& fileName) {
    if (fileName.empty()) return {};
    const TSourceItem& item = SourceItem(fileName);
    std::string text;
    for (const std::string& l : item.lines) {
        text += l;
        text += "\r\n";
    }
    return text;
}

// ---------------------------------------------------------------------------
// Settings

std::string TSymboltabelle::Ext() const {
    const std::vector<std::string> exts = ctx_.optionsOrDefault().sourceExts();
    return exts.empty() ? std::string() : exts.front();
}

void TSymboltabelle::Rename(TSymbol* symbol, std::string_view name) {
    TSymbolList* list = symbol != nullptr ? ListOf(symbol->kind) : nullptr;
    if (list == nullptr) return;
    const bool keyedType = list == &lists_[sspTypedef] && TypeKeyed(symbol);
    if (keyedType) UnkeyType(symbol);
    list->Rename(symbol, TransformFor(*this, symbol->kind, name));
    if (keyedType) KeyType(symbol);
    ++generation_;
    ++moduleGeneration_;
}

void TSymboltabelle::SetRelativePath(bool value) {
    if (value == relativePath_) return;
    relativePath_ = value;
    TSymbolList& files = lists_[sspSource];
    if (files.Count() == 0) return;
    files.Clear();
    ++generation_;
    // Their records are gone: holders of record pointers drop them before
    // the warning box lets anything else run.
    ctx_.notifierOrDefault().send(notify::TablesCleared, this);
    WarningBox(std::string(LoadStr(252)) + ". " + std::string(LoadStr(253)), 0);
}

void TSymboltabelle::SetTransformCase(TTransformCase value) {
    if (value == transformCase_) return;
    transformCase_ = value;
    if (value == TTransformCase::tcNone) return;
    for (std::size_t k = 0; k < lists_.size(); ++k) {
        if (k == sspTypedef) continue;
        for (std::size_t i = 0; i < lists_[k].Count(); ++i) {
            TSymbol* s = lists_[k].Items(i);
            s->name = Transform(s->name);
        }
        lists_[k].ReindexNames();
    }
    ++generation_;
    ++moduleGeneration_;
}

void TSymboltabelle::SetDefaults() {
    SetRelativePath(true);
    SetTransformCase(TTransformCase::tcUpper);
}

void TSymboltabelle::WriteProperties(ValueWriter& writer) const {
    writer.WriteBoolean(relativePath_);
    writer.WriteInteger(static_cast<std::int32_t>(transformCase_));
}

void TSymboltabelle::ReadProperties(ValueReader& reader, std::int32_t) {
    SetRelativePath(reader.ReadBoolean());
    const std::int32_t transform = reader.ReadInteger();
    // A value no version wrote keeps the current setting.
    if (transform >= 0 && transform <= 2) SetTransformCase(static_cast<TTransformCase>(transform));
}

}  // namespace tarvex
