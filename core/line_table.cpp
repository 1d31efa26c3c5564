#include "core/line_table.hpp"

#include <algorithm>
#include <charconv>

#include "core/address_order.hpp"
#include "core/opcode_table.hpp"
#include "core/symbol_table.hpp"

namespace tarvex {

namespace {

int LineOrder(const TZeilennummer& a, const TZeilennummer& b) {
    if (a.moduleId != b.moduleId) return a.moduleId < b.moduleId ? -1 : 1;
    if (a.fileNumber != b.fileNumber) return a.fileNumber < b.fileNumber ? -1 : 1;
    if (a.line != b.line) return a.line < b.line ? -1 : 1;
    return 0;
}

bool ByLine(const std::unique_ptr<TZeilennummer>& a, const std::unique_ptr<TZeilennummer>& b) {
    return LineOrder(*a, *b) < 0;
}

bool ByAddress(const std::unique_ptr<TZeilennummer>& a, const std::unique_ptr<TZeilennummer>& b) {
    const std::uint32_t ka = address_order::Key(a->address), kb = address_order::Key(b->address);
    if (ka != kb) return ka < kb;
    return LineOrder(*a, *b) < 0;
}

}  // namespace

TZeilennummertabelle::TZeilennummertabelle(TSymboltabelle& symbols, const TargetContext& context)
    : symbols_(symbols), ctx_(context) {}

TZeilennummertabelle::~TZeilennummertabelle() = default;

void TZeilennummertabelle::Renumber() {
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i]->position_ = static_cast<std::uint32_t>(i);
}

TZeilennummer* TZeilennummertabelle::AddLine(TBankAdresse address, std::int32_t line, std::uint16_t fileNumber,
                                             std::uint16_t functionId, std::uint16_t moduleId) {
    auto record = std::make_unique<TZeilennummer>();
    record->address = ctx_.spacesOrDefault().normalize(SpaceKind::Program, address);
    record->line = line;
    record->fileNumber = fileNumber;
    record->functionId = functionId;
    record->moduleId = moduleId;
    TZeilennummer* raw = record.get();
    const std::uint16_t offset = raw->address.offset;

    if (order_ == 2) {
        // Where a stable sort of the appended list would put it, so the list
        // stays sorted and the next search needs no sort.
        const auto at = std::upper_bound(items_.begin(), items_.end(), record, ByAddress);
        const std::size_t index = static_cast<std::size_t>(at - items_.begin());
        items_.insert(at, std::move(record));
        for (std::size_t i = index; i < items_.size(); ++i) items_[i]->position_ = static_cast<std::uint32_t>(i);
    } else {
        raw->position_ = static_cast<std::uint32_t>(items_.size());
        items_.push_back(std::move(record));
        order_ = 0;
    }
    byLine_[{moduleId, line}].push_back(raw);
    endsStale_ = true;
    byAddressValid_ = false;
    bits_[offset >> 3] = static_cast<std::uint8_t>(bits_[offset >> 3] | (1u << (offset & 7)));
    ModifiedSelect = true;
    ModifiedWatch = true;
    ++generation_;
    last_ = raw;
    return raw;
}

bool TZeilennummertabelle::AddLineOnce(TBankAdresse address, std::int32_t line, std::uint16_t fileNumber,
                                       std::uint16_t functionId, std::uint16_t moduleId) {
    // The last record added by either route, whatever the list's order.
    if (last_ != nullptr && last_->moduleId == moduleId && last_->line == line) return false;
    AddLine(address, line, fileNumber, functionId, moduleId);
    return true;
}

void TZeilennummertabelle::Clear() {
    items_.clear();
    byLine_.clear();
    byAddress_.clear();
    byAddressValid_ = false;
    bits_.fill(0);
    last_ = nullptr;
    iter_ = 0;
    order_ = 0;
    endsStale_ = false;
    ModifiedSelect = true;
    ModifiedWatch = true;
    ++generation_;
    // Synchronously, so that every holder of a record pointer drops it
    // before anything else runs.
    ctx_.notifierOrDefault().send(notify::TablesCleared, this);
}

TZeilennummer* TZeilennummertabelle::First() {
    iter_ = 0;
    return Current();
}

TZeilennummer* TZeilennummertabelle::Current() {
    if (iter_ >= items_.size()) return nullptr;
    return items_[iter_++].get();
}

void TZeilennummertabelle::SetCurrent(const TZeilennummer* record) {
    iter_ = 0;
    if (record != nullptr && record->position_ < items_.size() && items_[record->position_].get() == record)
        iter_ = record->position_;
}

void TZeilennummertabelle::CollectLines(std::vector<TZeilennummer*>& out, std::uint16_t moduleId,
                                        std::uint16_t functionId) const {
    for (const auto& r : items_) {
        if (moduleId != 0 && r->moduleId != moduleId) continue;
        if (moduleId != 0 && functionId != 0 && r->functionId != functionId) continue;
        out.push_back(r.get());
    }
}

void TZeilennummertabelle::Sort(std::uint8_t order) {
    if (order == 1)
        std::stable_sort(items_.begin(), items_.end(), ByLine);
    else if (order == 2)
        std::stable_sort(items_.begin(), items_.end(), ByAddress);
    Renumber();
    order_ = order;
}

void TZeilennummertabelle::SetSortOrder(std::uint8_t order) {
    if (order == order_ || order > 2) return;
    Sort(order);
}

// Records at exactly the searched address, in list order: equal offsets and
// equal banks, unless the record stands for all banks; a searched address
// that stands for all banks, or an unbanked one while banks are ignored,
// matches any bank.
template <typename Records>
TZeilennummer* TZeilennummertabelle::Exact(const Records& items, const TBankAdresse& address, bool highestLine) const {
    TZeilennummer* best = nullptr;
    auto scan = [&](std::uint32_t key) {
        for (std::size_t i = address_order::LowerBound(items, key); i < items.size(); ++i) {
            TZeilennummer* r = std::to_address(items[i]);
            if (address_order::Key(r->address) != key) break;
            if (best == nullptr) best = r;
            if (!highestLine) return;
            if (r->line > best->line) best = r;
        }
    };
    if (address.allBanks || (ignoreBank_ && !address.banked)) {
        address_order::EachBankAt(items, address.offset, [&](std::size_t i) {
            scan(address_order::KeyAt(items, i));
            return best != nullptr && !highestLine;
        });
        return best;
    }
    scan(address_order::BankKey(address) << 16 | address.offset);
    if (best == nullptr || highestLine) scan(address_order::kAllBanks << 16 | address.offset);
    return best;
}

template <typename Records>
TZeilennummer* TZeilennummertabelle::Next(const Records& items, const TBankAdresse& address, bool upwards) const {
    return address_order::Nearest(items, address, upwards, address.allBanks || (ignoreBank_ && !address.banked));
}

const std::vector<TZeilennummer*>& TZeilennummertabelle::AddressIndex() {
    if (!byAddressValid_) {
        byAddress_.clear();
        byAddress_.reserve(items_.size());
        for (const auto& r : items_) byAddress_.push_back(r.get());
        std::stable_sort(byAddress_.begin(), byAddress_.end(), [](const TZeilennummer* a, const TZeilennummer* b) {
            const std::uint32_t ka = address_order::Key(a->address), kb = address_order::Key(b->address);
            if (ka != kb) return ka < kb;
            return LineOrder(*a, *b) < 0;
        });
        byAddressValid_ = true;
    }
    return byAddress_;
}

TZeilennummer* TZeilennummertabelle::FindByAddress(TBankAdresse address, int mode) {
    if (items_.empty() || mode < 0 || mode > 5) return nullptr;
    SetSortOrder(2);
    const bool lineAt = IsLineAt(address.offset);
    switch (mode) {
    case 0:
    case 1:
        return lineAt ? Exact(items_, address, mode == 1) : nullptr;
    case 2:
        return Next(items_, address, true);
    case 3:
        return Next(items_, address, false);
    default: {
        TZeilennummer* r = lineAt ? Exact(items_, address, false) : nullptr;
        if (r == nullptr) r = Next(items_, address, false);
        if (r == nullptr) return nullptr;
        if (CompareBankAdresse(address, LineEndAddress(r)) > 0) return nullptr;
        return mode == 5 ? Exact(items_, r->address, true) : r;
    }
    }
}

TBankAdresse TZeilennummertabelle::LineEndAddress(TZeilennummer* record) {
    if (record == nullptr) return UnbankedAdresse(0);
    if (endsStale_) {
        for (const auto& r : items_) r->endKnown = 0;
        endsStale_ = false;
    }
    if (record->endKnown != 0) return record->endAddress;

    TBankAdresse end = record->address;
    // The next line in address order, found without reordering the list so
    // that a walk in line order can ask for ends as it goes.
    const TZeilennummer* next =
        order_ == 2 ? Next(items_, record->address, true) : Next(AddressIndex(), record->address, true);
    if (next != nullptr && next->moduleId == record->moduleId && next->functionId == record->functionId) {
        end = next->address;
        end.offset = static_cast<std::uint16_t>(end.offset - 1);
    } else if (const TSymbol* function = symbols_.FunctionRecord(record->moduleId, record->functionId)) {
        end = function->address;
        end.offset = static_cast<std::uint16_t>(function->size);
    }
    const int maxBytes = ctx_.bankingOrDefault().maxCountBefehlsBytes();
    if (record->functionId == 0 &&
        (next == nullptr || static_cast<int>(end.offset) - static_cast<int>(record->address.offset) >= maxBytes)) {
        // Only the instruction at the line's start is known to belong to it.
        std::uint8_t opcode = 0;
        int got = 0;
        try {
            got = ctx_.codeOrDefault().read(record->address, &opcode, 1);
        } catch (...) {
            // A lookup never raises: the code is unavailable.
            got = 0;
        }
        const int length = got == 1 ? OpcodeLength(opcode, maxBytes) : 1;
        end = record->address;
        end.offset = static_cast<std::uint16_t>(std::min(0xFFFF, record->address.offset + length - 1));
    }
    record->endAddress = end;
    record->endKnown = 1;
    return end;
}

void TZeilennummertabelle::RecomputeEnds() {
    for (const auto& r : items_) LineEndAddress(r.get());
}

std::string TZeilennummertabelle::LineRefText(const TZeilennummer* record) {
    if (record == nullptr) return {};
    std::string text = "#" + std::to_string(record->line);
    if (record->moduleId != 0) text = ":" + symbols_.ModuleName(record->moduleId) + ":" + text;
    return text;
}

std::string TZeilennummertabelle::LineText(TBankAdresse address) { return LineRefText(FindByAddress(address, 1)); }

TZeilennummer* TZeilennummertabelle::FindLineRef(std::string_view text) {
    const std::size_t hash = text.find('#');
    if (hash == std::string_view::npos) return nullptr;
    const std::string_view number = text.substr(hash + 1);
    std::string_view module = text.substr(0, hash);
    // ":MAIN:", "MAIN:", ":MAIN" and "MAIN" all name the module MAIN.
    if (!module.empty() && module.front() == ':') module.remove_prefix(1);
    if (const std::size_t c = module.find(':'); c != std::string_view::npos) module = module.substr(0, c);
    std::uint16_t moduleId = 0;
    if (!module.empty()) {
        const std::string name = symbols_.Transform(module);
        const TSymbolList* modules = symbols_.KindList(sspModuleFunction);
        const TSymbol* found = nullptr;
        for (std::size_t i = 0; i < modules->Count() && found == nullptr; ++i) {
            const TSymbol* s = modules->Items(i);
            if (s->functionId == 0 && s->name == name) found = s;
        }
        if (found == nullptr) return nullptr;
        moduleId = found->moduleId;
    }
    std::int32_t line = 0;
    std::string_view digits = number;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), line);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return nullptr;
    const auto it = byLine_.find({moduleId, line});
    if (it == byLine_.end()) return nullptr;
    TZeilennummer* best = nullptr;
    for (TZeilennummer* r : it->second)
        if (best == nullptr || r->position_ < best->position_) best = r;
    return best;
}

}  // namespace tarvex
