#include "emulator/debug/select_list.hpp"

namespace tarvex {

std::int32_t TSelectList::InsertSorted(std::unique_ptr<TSelectItem> item) {
    const std::uint32_t k = SelectKey(item->start);
    std::int32_t at = 0;
    while (at < Count() && SelectKey((*this)[at].start) <= k) ++at;
    Insert(at, std::move(item));
    return at;
}

std::int32_t TSelectList::FindOverlap(const TBankAdresse& start, const TBankAdresse& end) const {
    for (std::int32_t i = 0; i < Count(); ++i)
        if (SelectOverlaps((*this)[i], SelectKey(start), SelectKey(end))) return i;
    return -1;
}

std::int32_t TSelectList::FindContaining(const TBankAdresse& address, bool fromBack) const {
    const std::uint32_t k = SelectKey(address);
    for (std::int32_t n = 0; n < Count(); ++n) {
        const std::int32_t i = fromBack ? Count() - 1 - n : n;
        if (SelectOverlaps((*this)[i], k, k)) return i;
    }
    return -1;
}

std::int32_t TSelectList::DeleteOverlapping(const TBankAdresse& start, const TBankAdresse& end) {
    std::int32_t removed = 0;
    for (std::int32_t i = Count() - 1; i >= 0; --i) {
        if (!SelectOverlaps((*this)[i], SelectKey(start), SelectKey(end))) continue;
        DeleteItem(i);
        ++removed;
    }
    return removed;
}

void TSelectList::Merge() {
    for (std::int32_t i = 0; i + 1 < Count();) {
        TSelectItem& a = (*this)[i];
        const TSelectItem& b = (*this)[i + 1];
        if (SelectKey(a.end) + 1 != SelectKey(b.start)) {
            ++i;
            continue;
        }
        a.end = b.end;
        a.name2 = b.name2;
        a.named = a.named && b.named;
        DeleteItem(i + 1);
    }
}

void TSelectList::CopyFrom(const TSelectList& other) {
    Clear();
    for (const auto& item : other) Add(std::make_unique<TSelectItem>(*item));
}

}  // namespace tarvex
