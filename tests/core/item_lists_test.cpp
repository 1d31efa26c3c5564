#include <gtest/gtest.h>

#include <random>

#include "core/item_lists.hpp"

namespace tarvex {
namespace {

struct Entry {
    explicit Entry(int k, std::vector<int>* f = nullptr) : key(k), freed(f) {}
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;
    int key;
    std::vector<int>* freed;
    ~Entry() {
        if (freed) freed->push_back(key);
    }
};

int compareEntry(const Entry& e, int key) { return e.key - key; }

template <typename List>
void fill(List& list, std::initializer_list<int> keys, std::vector<int>* freed = nullptr) {
    for (int k : keys) list.Emplace(k, freed);
}

TEST(ItemLists, EntriesKeepTheirAddressesThroughSortAndGrowth) {
    TItemList<Entry> list;
    fill(list, {5000, 3000, 9000});
    const Entry* tracked = list.Get(2);
    for (int i = 0; i < 1000; ++i) list.Emplace(i);
    list.Sort([](const Entry& a, const Entry& b) { return a.key < b.key; });
    EXPECT_EQ(list.IndexOf(tracked), list.Count() - 1);
    EXPECT_EQ(tracked->key, 9000);
    EXPECT_THROW(list.Get(list.Count()), std::out_of_range);
    EXPECT_THROW(list.Get(-1), std::out_of_range);
}

TEST(ItemLists, ClearFreesFromTheLastToTheFirst) {
    std::vector<int> freed;
    {
        TObjectList<Entry> objects;
        fill(objects, {1, 2, 3}, &freed);
        objects.Clear();
        EXPECT_EQ(freed, (std::vector<int>{3, 2, 1}));
        fill(objects, {4, 5}, &freed);
    }
    EXPECT_EQ(freed, (std::vector<int>{3, 2, 1, 5, 4}));  // the destructor clears too
    freed.clear();
    {
        TItemList<Entry> items;
        fill(items, {1, 2}, &freed);
        auto kept = items.Extract(0);
        EXPECT_EQ(items.Count(), 1);
        EXPECT_TRUE(freed.empty());
    }
    EXPECT_EQ(freed, (std::vector<int>{1, 2}));  // the extracted entry is the caller's
}

// A subclass that needs more than the destructor when an entry goes.
class CountingList : public TObjectList<Entry> {
public:
    ~CountingList() override { Clear(); }
    void DeleteObject(std::int32_t index) override {
        ++deleted;
        TObjectList<Entry>::DeleteObject(index);
    }
    int deleted = 0;
};

TEST(ItemLists, OverriddenDeleteIsUsedByClear) {
    CountingList list;
    fill(list, {1, 2, 3});
    list.Clear();
    EXPECT_EQ(list.deleted, 3);
}

TEST(FindSorted, DocumentedCases) {
    TItemList<Entry> list;
    std::int32_t index = -1;
    EXPECT_FALSE(FindSorted(list, 1, compareEntry, index));
    EXPECT_EQ(index, 0);

    fill(list, {1, 2, 2, 2, 3});
    EXPECT_TRUE(FindSortedFirst(list, 2, compareEntry, index));
    EXPECT_EQ(index, 1);

    TItemList<Entry> three;
    fill(three, {1, 2, 3});
    EXPECT_FALSE(FindSorted(three, 4, compareEntry, index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(FindSorted(three, 0, compareEntry, index));
    EXPECT_EQ(index, 0);
    // Bounds beyond the list are clamped instead of read.
    EXPECT_TRUE(FindSorted(three, 3, compareEntry, index, 100, -5));
    EXPECT_EQ(index, 2);
}

TEST(FindSorted, AgreesWithTheStandardLowerBound) {
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        std::vector<int> keys(rng() % 20);
        for (int& k : keys) k = static_cast<int>(rng() % 10) * 2;
        std::sort(keys.begin(), keys.end());
        TItemList<Entry> list;
        for (int k : keys) list.Emplace(k);
        for (int key = -1; key <= 20; ++key) {
            std::int32_t index = -1;
            const bool found = FindSortedFirst(list, key, compareEntry, index);
            const auto lower = std::lower_bound(keys.begin(), keys.end(), key) - keys.begin();
            const bool present = std::binary_search(keys.begin(), keys.end(), key);
            ASSERT_EQ(found, present);
            if (found) {
                ASSERT_EQ(index, lower);
            } else {
                ASSERT_EQ(index, lower) << "insert position for " << key;
            }
        }
    }
}

}  // namespace
}  // namespace tarvex
