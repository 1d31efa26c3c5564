#pragma once
// One select list: the address ranges of one kind of the select tables,
// kept sorted, with the searches the tables make over them.
#include <cstdint>
#include <memory>
#include <string>

#include "core/bank_adressen.hpp"
#include "core/item_lists.hpp"

namespace tarvex {

// One range of a select list. An item keeps its address while it is in a
// list (dialogs hold pointers to the items they show).
struct TSelectItem {
    bool flag = false;  // set; false: a request to remove the range
    TBankAdresse start;
    TBankAdresse end;
    std::string name1;  // symbol names of start and end
    std::string name2;
    std::uint8_t symbolClass = 0;  // 11: a line number
    bool named = false;            // entered by symbol name
};

// The order of the lists: bank and offset as they stand, unbanked counting
// as bank 0 and all banks as its own bank 0xFE after every real one.
inline std::uint32_t SelectKey(const TBankAdresse& a) {
    return (a.banked ? std::uint32_t{a.bank} : 0u) << 16 | a.offset;
}

// Whether the item meets the keys start to end.
inline bool SelectOverlaps(const TSelectItem& item, std::uint32_t start, std::uint32_t end) {
    return SelectKey(item.start) <= end && SelectKey(item.end) >= start;
}

// The items of one kind, sorted by start (bank first). The containment and
// overlap tests compare keys: an all-banks item meets only all-banks
// addresses.
class TSelectList final : public TItemList<TSelectItem> {
public:
    explicit TSelectList(std::uint8_t kind) : kind_(kind) {}
    std::uint8_t Kind() const { return kind_; }
    bool Changed() const { return changed_; }
    void SetChanged(bool changed) { changed_ = changed; }

    // Before the first item whose start is greater, so that items read from
    // a stream keep their order; the new index.
    std::int32_t InsertSorted(std::unique_ptr<TSelectItem> item);
    // -1 when none.
    std::int32_t FindOverlap(const TBankAdresse& start, const TBankAdresse& end) const;
    // The item holding the address, searched from the front or the back.
    std::int32_t FindContaining(const TBankAdresse& address, bool fromBack) const;
    // Removes every item that the range overlaps; how many.
    std::int32_t DeleteOverlapping(const TBankAdresse& start, const TBankAdresse& end);
    // Items that touch (end + 1 = next start) become one.
    void Merge();
    // Clears this list, then copies every item of the other.
    void CopyFrom(const TSelectList& other);

private:
    std::uint8_t kind_;
    bool changed_ = false;
};

}  // namespace tarvex
