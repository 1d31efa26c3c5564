// The address-ordered searches the symbol and line-number tables share, over
// both kinds of list they keep (owning and plain pointers).
#include "core/address_order.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace tarvex {
namespace {

struct Rec {
    TBankAdresse address;
    int id;
};

class AddressOrder : public ::testing::Test {
protected:
    AddressOrder() {
        // Unsorted on purpose; the fixture sorts as the tables do.
        add(BankedAdresse(2, 0x0200), 1);
        add(UnbankedAdresse(0x0100), 2);
        add(AllBanksAdresse(0x0150), 3);
        add(BankedAdresse(2, 0x0080), 4);
        add(BankedAdresse(5, 0x0100), 5);
        add(BankedAdresse(2, 0x0200), 6);  // a second record at one address
        std::stable_sort(owned.begin(), owned.end(), [](const auto& a, const auto& b) {
            return address_order::Key(a->address) < address_order::Key(b->address);
        });
        for (const auto& r : owned) plain.push_back(r.get());
    }
    void add(TBankAdresse a, int id) { owned.push_back(std::make_unique<Rec>(Rec{a, id})); }
    static int id(const Rec* r) { return r ? r->id : 0; }

    std::vector<std::unique_ptr<Rec>> owned;
    std::vector<Rec*> plain;
};

TEST_F(AddressOrder, KeysSortUnbankedFirstAndAllBanksLast) {
    EXPECT_LT(address_order::Key(UnbankedAdresse(0xFFFF)), address_order::Key(BankedAdresse(1, 0)));
    EXPECT_EQ(address_order::Key(UnbankedAdresse(0x1234)), address_order::Key(BankedAdresse(0, 0x1234)));
    EXPECT_GT(address_order::Key(AllBanksAdresse(0)), address_order::Key(BankedAdresse(0xFF, 0xFFFF)));
}

TEST_F(AddressOrder, NearestInOneBankConsidersTheAllBanksRecords) {
    // Bank 2 alone: upwards from 0x0080 the all-banks record at 0x0150 is nearer than 0x0200.
    EXPECT_EQ(id(address_order::Nearest(owned, BankedAdresse(2, 0x0080), true, false)), 3);
    EXPECT_EQ(id(address_order::Nearest(plain, BankedAdresse(2, 0x0160), true, false)), 1) << "the first of two";
    EXPECT_EQ(id(address_order::Nearest(plain, BankedAdresse(2, 0x0200), true, false)), 0);
    EXPECT_EQ(id(address_order::Nearest(owned, BankedAdresse(2, 0x0150), false, false)), 4);
    EXPECT_EQ(id(address_order::Nearest(owned, BankedAdresse(2, 0x0080), false, false)), 0);
}

TEST_F(AddressOrder, NearestInAnyBankAndAtTheEndsOfTheRange) {
    EXPECT_EQ(id(address_order::Nearest(owned, BankedAdresse(9, 0x00FF), true, true)), 2) << "0x0100 of bank 0 before bank 5";
    EXPECT_EQ(id(address_order::Nearest(plain, UnbankedAdresse(0x0100), false, true)), 4);
    EXPECT_EQ(address_order::Nearest(plain, UnbankedAdresse(0xFFFF), true, true), nullptr);
    EXPECT_EQ(address_order::Nearest(plain, UnbankedAdresse(0x0000), false, true), nullptr);
    const std::vector<Rec*> none;
    EXPECT_EQ(address_order::Nearest(none, UnbankedAdresse(0x10), true, true), nullptr);
}

TEST_F(AddressOrder, EachBankAtVisitsEveryBankWithARecordThereInOrder) {
    std::vector<int> seen;
    address_order::EachBankAt(owned, 0x0100, [&](std::size_t i) {
        seen.push_back(owned[i]->id);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<int>{2, 5}));
    seen.clear();
    address_order::EachBankAt(plain, 0x0200, [&](std::size_t i) {
        seen.push_back(plain[i]->id);
        return true;  // the first is enough
    });
    EXPECT_EQ(seen, (std::vector<int>{1}));
    address_order::EachBankAt(plain, 0x0300, [&](std::size_t) -> bool { ADD_FAILURE(); return true; });
}

}  // namespace
}  // namespace tarvex
