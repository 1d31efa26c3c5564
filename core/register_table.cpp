#include "core/register_table.hpp"

#include <algorithm>

#include "core/ansi_case.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/messages.hpp"
#include "core/symbol_table.hpp"

namespace tarvex {

namespace {

int ListOfKind(int kind) {
    switch (kind) {
    case 0: return TRegisterTabelle::kSfrList;
    case 1: return TRegisterTabelle::kDoubleSfrList;
    case 2: return TRegisterTabelle::kSfrBitList;
    case 3:
    case 4:
    case 5: return TRegisterTabelle::kOtherList;
    default: return -1;
    }
}

[[noreturn]] void NotValid(std::string_view name) { throw ESymbolError(FmtLoadStr(127, name)); }
[[noreturn]] void Exists(std::string_view name) { throw ESymbolError(FmtLoadStr(126, name)); }

void RequireEntry(const TRegister* r) {
    if (r == nullptr) throw ESymbolError(std::string(LoadStr(203)));
}

}  // namespace

TRegister* TRegisterTabelle::FindByName(int kind, std::string_view name) const {
    const int list = ListOfKind(kind);
    if (list < 0) return nullptr;
    for (const auto& r : lists_[list].items_)
        if (r->name == name) return r.get();
    return nullptr;
}

TRegister* TRegisterTabelle::FindAnyByName(std::string_view name) const {
    for (const TRegisterList& list : lists_)
        for (const auto& r : list.items_)
            if (r->name == name) return r.get();
    return nullptr;
}

TRegister* TRegisterTabelle::AddRegister(std::string_view name, std::string_view lowPartName, std::uint8_t kind,
                                         std::uint8_t bitMask, std::uint8_t highAddress, std::uint8_t lowAddress,
                                         std::string_view highPartName) {
    const int list = ListOfKind(kind);
    if (list < 0 || name.empty()) NotValid(name);
    if (FindByName(kind, name) != nullptr) Exists(name);

    auto entry = std::make_unique<TRegister>();
    entry->name = std::string(name);
    entry->kind = kind;
    entry->bitMask = bitMask;
    switch (kind) {
    case 0:
    case 2:
        if (lowAddress < kSfrMin) NotValid(name);
        entry->lowAddr = lowAddress;
        entry->lowPartName = std::string(lowPartName);
        break;
    case 1:
        if (lowAddress < kSfrMin || highAddress < kSfrMin) NotValid(name);
        // The two part SFRs are checked before anything is added, so that a
        // refused pair leaves nothing of itself behind.
        if (lowPartName.empty()) NotValid(lowPartName);
        if (highPartName.empty()) NotValid(highPartName);
        if (FindByName(0, lowPartName) != nullptr) Exists(lowPartName);
        if (FindByName(0, highPartName) != nullptr || highPartName == lowPartName) Exists(highPartName);
        entry->lowAddr = lowAddress;
        entry->highAddr = highAddress;
        entry->lowPartName = std::string(lowPartName);
        entry->highPartName = std::string(highPartName);
        break;
    case 4:
        if (lowAddress >= 8) NotValid(name);
        entry->lowAddr = lowAddress;
        break;
    default:  // program counter: no address, no parts
        break;
    }
    TRegister* added = entry.get();
    lists_[list].items_.push_back(std::move(entry));
    ++generation_;
    if (kind == 1) {
        AddRegister(lowPartName, "", 0, 0, 0, lowAddress, "");
        AddRegister(highPartName, "", 0, 0, 0, highAddress, "");
    }
    return added;
}

void TRegisterTabelle::Clear() {
    for (TRegisterList& list : lists_) list.items_.clear();
    ++generation_;
}

void TRegisterTabelle::Assign(TRegisterTabelle&& other) {
    if (&other == this) return;
    for (std::size_t i = 0; i < 4; ++i) {
        lists_[i].items_ = std::move(other.lists_[i].items_);
        other.lists_[i].items_.clear();
    }
    generation_ = std::max(generation_, other.generation_) + 1;
    other.generation_ = generation_;
}

TRegister* TRegisterTabelle::FindByAddressInKind(int kind, std::uint16_t address) const {
    const int list = ListOfKind(kind);
    if (list < 0) return nullptr;
    const std::uint8_t high = static_cast<std::uint8_t>(address >> 8), low = static_cast<std::uint8_t>(address);
    for (const auto& r : lists_[list].items_) {
        // The other list holds three kinds; the program counter's cleared
        // address must not answer for register 0.
        if (list == kOtherList && r->kind != kind) continue;
        if (r->highAddr == high && r->lowAddr == low) return r.get();
    }
    return nullptr;
}

TRegister* TRegisterTabelle::FindByAddress(std::uint16_t address) const {
    if (address < kSfrMin) return FindByAddressInKind(4, address);
    if (address <= 0xFF) return FindByAddressInKind(0, address);
    return FindByAddressInKind(1, address);
}

void TRegisterTabelle::CollectAll(std::vector<TRegister*>& out) const {
    for (const TRegisterList& list : lists_)
        for (const auto& r : list.items_) out.push_back(r.get());
}

std::uint8_t TRegisterTabelle::SfrAddress(int i) const {
    const TRegister* r = i >= 0 ? lists_[kSfrList].Items(static_cast<std::size_t>(i)) : nullptr;
    return r != nullptr ? r->lowAddr : 0;
}

int TRegisterTabelle::IndexOfSfr(std::uint8_t address) const {
    const auto& items = lists_[kSfrList].items_;
    for (std::size_t i = 0; i < items.size(); ++i)
        if (items[i]->lowAddr == address && items[i]->highAddr == 0) return static_cast<int>(i);
    return -1;
}

std::string TRegisterTabelle::ValueText(const TRegister* r) {
    if (r == nullptr) return {};
    switch (r->kind) {
    case 0:
    case 2: return Format("%.2x", r->lowAddr);
    case 1: return Format("%.2x %.2x", r->highAddr, r->lowAddr);
    default: return {};
    }
}

std::string TRegisterTabelle::WidthText(const TRegister* r) {
    if (r == nullptr) return {};
    switch (r->kind) {
    case 0:
    case 2:
    case 4: return "1";
    case 1: return "2";
    default: return {};
    }
}

std::string TRegisterTabelle::KindText(const TRegister* r) {
    if (r == nullptr) return {};
    switch (r->kind) {
    case 0: return "SFR";
    case 1: return std::string(LoadStr(243));
    case 2: return std::string(LoadStr(242));
    case 3:
    case 5: return std::string(LoadStr(244));
    case 4: return "Register";
    default: return {};
    }
}

std::string TRegisterTabelle::KindName(const TRegister* r) {
    if (r == nullptr || r->kind > 5) return {};
    return SymbolKindName(SymbolKind(r));
}

TBankAdresse TRegisterTabelle::Address(const TRegister* r) {
    RequireEntry(r);
    return UnbankedAdresse(static_cast<std::uint16_t>(r->highAddr << 8 | r->lowAddr));
}

int TRegisterTabelle::SymbolKind(const TRegister* r) {
    RequireEntry(r);
    static constexpr int kKinds[] = {sspSfr, sspSfr, sspBit, sspProgram, sspIntData, sspProgram};
    return r->kind <= 5 ? kKinds[r->kind] : -1;
}

int TRegisterTabelle::Width(const TRegister* r) {
    RequireEntry(r);
    static constexpr int kWidths[] = {3, 5, 1, 16, 3, 3};
    return r->kind <= 5 ? kWidths[r->kind] : 0;
}

std::vector<TRegister*> TRegisterTabelle::SetSortOrder(int list, int order) const {
    std::vector<TRegister*> out;
    for (const auto& r : List(list).items_) out.push_back(r.get());
    auto byName = [](const TRegister* a, const TRegister* b) {
        if (int c = AnsiCompareText(a->name, b->name); c != 0) return c;
        return a->name.compare(b->name);
    };
    auto byAddress = [](const TRegister* a, const TRegister* b) {
        return (a->highAddr << 8 | a->lowAddr) - (b->highAddr << 8 | b->lowAddr);
    };
    if (order == 1) {
        std::stable_sort(out.begin(), out.end(), [&](const TRegister* a, const TRegister* b) {
            if (int c = byName(a, b); c != 0) return c < 0;
            if (a->kind != b->kind) return a->kind < b->kind;
            return byAddress(a, b) < 0;
        });
    } else if (order == 2) {
        std::stable_sort(out.begin(), out.end(), [&](const TRegister* a, const TRegister* b) {
            if (int c = byAddress(a, b); c != 0) return c < 0;
            if (int c = byName(a, b); c != 0) return c < 0;
            return a->kind < b->kind;
        });
    }
    return out;
}

}  // namespace tarvex
