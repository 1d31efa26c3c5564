#pragma once
// The address order the symbol and line-number tables keep their records in,
// and the searches over a list sorted that way. Lists are vectors of record
// pointers (plain or owning) whose records have an `address`.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "core/bank_adressen.hpp"

namespace tarvex::address_order {

// The bank key of a record that stands for all banks: after every real bank.
inline constexpr std::uint32_t kAllBanks = 0x100;

inline std::uint32_t BankKey(const TBankAdresse& a) {
    if (a.allBanks) return kAllBanks;
    return a.banked ? a.bank : 0u;
}

// A total order of addresses: bank (unbanked as 0, all banks after every
// real bank), then offset.
inline std::uint32_t Key(const TBankAdresse& a) { return BankKey(a) << 16 | a.offset; }

template <typename Items>
std::uint32_t KeyAt(const Items& items, std::size_t i) {
    return Key(items[i]->address);
}

// First record at or after `key`.
template <typename Items>
std::size_t LowerBound(const Items& items, std::uint32_t key) {
    std::size_t lo = 0, hi = items.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (KeyAt(items, mid) < key)
            lo = mid + 1;
        else
            hi = mid;
    }
    return lo;
}

// Calls visit(i) with the first record at `offset` in each bank that has
// one, in bank order, until visit returns true.
template <typename Items, typename Visit>
void EachBankAt(const Items& items, std::uint16_t offset, Visit visit) {
    std::uint32_t bank = 0;
    while (bank <= kAllBanks) {
        const std::uint32_t key = bank << 16 | offset;
        const std::size_t i = LowerBound(items, key);
        if (i == items.size()) return;
        const std::uint32_t found = KeyAt(items, i);
        if (found == key && visit(i)) return;
        // On to the next bank that has records.
        bank = (found >> 16) == bank ? bank + 1 : found >> 16;
    }
}

// The record nearest above (upwards) or below `address` with another offset;
// of several at that offset the first in the list. With anyBank every bank
// that has records is searched, else the address's own bank and the records
// for all banks.
template <typename Items>
auto Nearest(const Items& items, const TBankAdresse& address, bool upwards, bool anyBank)
    -> decltype(std::to_address(items[0])) {
    using Record = decltype(std::to_address(items[0]));
    if (upwards ? address.offset == 0xFFFF : address.offset == 0) return nullptr;
    auto nearestIn = [&](std::uint32_t bank) -> Record {
        if (upwards) {
            const std::size_t i = LowerBound(items, bank << 16 | (address.offset + 1u));
            if (i < items.size() && (KeyAt(items, i) >> 16) == bank) return std::to_address(items[i]);
            return nullptr;
        }
        const std::size_t i = LowerBound(items, bank << 16 | address.offset);
        if (i == 0 || (KeyAt(items, i - 1) >> 16) != bank) return nullptr;
        return std::to_address(items[LowerBound(items, KeyAt(items, i - 1))]);
    };
    auto better = [&](Record best, Record candidate) {
        if (candidate == nullptr) return best;
        if (best == nullptr) return candidate;
        if (candidate->address.offset == best->address.offset) return best;  // earlier in the list
        return (candidate->address.offset < best->address.offset) == upwards ? candidate : best;
    };
    if (!anyBank) return better(nearestIn(BankKey(address)), nearestIn(kAllBanks));
    Record best = nullptr;
    for (std::uint32_t bank = 0; bank <= kAllBanks; ++bank) {
        const std::size_t i = LowerBound(items, bank << 16);
        if (i == items.size()) break;
        bank = KeyAt(items, i) >> 16;
        best = better(best, nearestIn(bank));
    }
    return best;
}

}  // namespace tarvex::address_order
