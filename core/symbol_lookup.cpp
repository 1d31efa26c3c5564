// The symbol table's lookups: by name within a scope, and by address.
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

// ---------------------------------------------------------------------------
// Lookups by name and scope

TSymbol* TSymboltabelle::FindByName(std::string_view name, int kind) {
    TSymbolList* list = ListOf(kind);
    if (name.empty() || list == nullptr) return nullptr;
    const std::string text = transformFor(kind, name);
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
    return list->FindNamed(transformFor(kind, name), [&](const TSymbol& s) {
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
                              [](const TSymbol& s) { return AnsiLowerCase(s.name).starts_with("_qz_"); });
}

}  // namespace tarvex
