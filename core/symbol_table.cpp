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

std::string TSymboltabelle::transformFor(int kind, std::string_view name) const {
    return (kind & 0x7F) == sspTypedef ? std::string(name) : Transform(name);
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
    symbol->name = transformFor(kind, name);
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
    list->Rename(symbol, transformFor(symbol->kind, name));
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
