#pragma once
// Owning lists whose entries keep their addresses for life: other parts of
// the system hold plain pointers to list entries, so the lists store
// unique_ptrs and sorting moves pointers, never records.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

namespace tarvex {

template <typename T>
class OwningList {
public:
    OwningList() = default;
    OwningList(const OwningList&) = delete;
    OwningList& operator=(const OwningList&) = delete;
    virtual ~OwningList() = default;

    std::int32_t Count() const { return static_cast<std::int32_t>(items_.size()); }
    bool Empty() const { return items_.empty(); }

    // Raises std::out_of_range for an index outside the list.
    T& operator[](std::int32_t index) { return *items_.at(checked(index)); }
    const T& operator[](std::int32_t index) const { return *items_.at(checked(index)); }
    T* Get(std::int32_t index) { return items_.at(checked(index)).get(); }
    const T* Get(std::int32_t index) const { return items_.at(checked(index)).get(); }

    // The new entry's index.
    std::int32_t Add(std::unique_ptr<T> item) {
        items_.push_back(std::move(item));
        return Count() - 1;
    }
    template <typename... Args>
    T& Emplace(Args&&... args) {
        items_.push_back(std::make_unique<T>(std::forward<Args>(args)...));
        return *items_.back();
    }
    void Insert(std::int32_t index, std::unique_ptr<T> item) {
        if (index < 0 || index > Count()) throw std::out_of_range("list index out of bounds");
        items_.insert(items_.begin() + index, std::move(item));
    }
    // Takes the entry out of the list without freeing it.
    std::unique_ptr<T> Extract(std::int32_t index) {
        auto item = std::move(items_.at(checked(index)));
        items_.erase(items_.begin() + index);
        return item;
    }
    // -1 when the entry is not in the list.
    std::int32_t IndexOf(const T* item) const {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (items_[i].get() == item) return static_cast<std::int32_t>(i);
        return -1;
    }
    // less(a, b) on entries; must be a strict weak ordering.
    template <typename Less>
    void Sort(Less less) {
        std::sort(items_.begin(), items_.end(),
                  [&](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) { return less(*a, *b); });
    }
    template <typename Less>
    void StableSort(Less less) {
        std::stable_sort(items_.begin(), items_.end(),
                         [&](const std::unique_ptr<T>& a, const std::unique_ptr<T>& b) { return less(*a, *b); });
    }

    auto begin() { return items_.begin(); }
    auto end() { return items_.end(); }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

protected:
    // Frees the entry and removes it; no range check beyond the vector's.
    void eraseAt(std::int32_t index) { items_.erase(items_.begin() + checked(index)); }

private:
    std::size_t checked(std::int32_t index) const {
        if (index < 0 || index >= Count()) throw std::out_of_range("list index out of bounds");
        return static_cast<std::size_t>(index);
    }
    std::vector<std::unique_ptr<T>> items_;
};

// A list of objects; subclasses override the two operations where freeing
// an entry needs more than its destructor.
template <typename T>
class TObjectList : public OwningList<T> {
public:
    // Entries go from the last to the first, each through DeleteObject.
    virtual void Clear() {
        for (std::int32_t i = this->Count() - 1; i >= 0; --i) DeleteObject(i);
    }
    virtual void DeleteObject(std::int32_t index) { this->eraseAt(index); }
    // Frees last to first. Subclasses that override the two operations call
    // Clear in their own destructors: from here the overrides are no longer
    // reachable.
    ~TObjectList() override { TObjectList::Clear(); }
};

// A list of plain records.
template <typename T>
class TItemList : public OwningList<T> {
public:
    void Clear() {
        for (std::int32_t i = this->Count() - 1; i >= 0; --i) DeleteItem(i);
    }
    virtual void DeleteItem(std::int32_t index) { this->eraseAt(index); }
    ~TItemList() override { Clear(); }
};

// Binary search over a sorted range of entries, with the bound updates the
// callers' insert positions rely on. compareAt(i) compares entry i with the
// key: negative when the entry sorts before it, 0 equal, positive after.
// Found: true and index names an equal entry. Not found: false and index is
// where the key would be inserted. Bounds outside [0, count) are clamped.
template <typename CompareAt>
bool FindSortedAt(std::int32_t count, CompareAt compareAt, std::int32_t& index, std::int32_t high, std::int32_t low) {
    if (count <= 0) {
        index = 0;
        return false;
    }
    if (high > count - 1) high = count - 1;
    if (low < 0) low = 0;
    if (high < low) {
        index = low;
        return false;
    }
    for (;;) {
        index = (low + high) / 2;
        const auto c = compareAt(index);
        if (c == 0) return true;
        if (c > 0) {
            high = high != index ? index : index - 1;
        } else {
            if (index == low) ++index;
            low = index;
        }
        if (high < low) return false;
    }
}

// compare(entry, key) over the list's entries, between high and low.
template <typename List, typename Key, typename Compare>
bool FindSorted(const List& list, const Key& key, Compare compare, std::int32_t& index, std::int32_t high,
                std::int32_t low) {
    return FindSortedAt(
        list.Count(), [&](std::int32_t i) { return compare(list[i], key); }, index, high, low);
}
template <typename List, typename Key, typename Compare>
bool FindSorted(const List& list, const Key& key, Compare compare, std::int32_t& index) {
    return FindSorted(list, key, compare, index, list.Count() - 1, 0);
}

// As FindSorted; when found, index names the lowest of the equal entries.
template <typename List, typename Key, typename Compare>
bool FindSortedFirst(const List& list, const Key& key, Compare compare, std::int32_t& index, std::int32_t high,
                     std::int32_t low) {
    if (!FindSorted(list, key, compare, index, high, low)) return false;
    while (index > 0 && compare(list[index - 1], key) == 0) --index;
    return true;
}
template <typename List, typename Key, typename Compare>
bool FindSortedFirst(const List& list, const Key& key, Compare compare, std::int32_t& index) {
    return FindSortedFirst(list, key, compare, index, list.Count() - 1, 0);
}

}  // namespace tarvex
