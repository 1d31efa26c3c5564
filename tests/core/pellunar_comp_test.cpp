// The analyser component: bank images, the hook list and its upkeep.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "core/pellunar.hpp"

namespace tarvex {
namespace {

std::vector<std::uint8_t> Seq(std::size_t n, std::uint8_t first) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + i);
    return out;
}

class RecordingComp : public TPellunarComp {
public:
    void HookAdded(bool flag) override { notices.push_back(flag); }
    std::vector<bool> notices;
};

TPellunarItem* Add(TPellunarComp& comp, std::uint16_t cls, TBankAdresse at, std::uint8_t extra = 0) {
    return comp.AddHook(std::make_unique<TPellunarItem>(&comp, extra, cls, at));
}

TEST(PellunarImages, BankCountIsClampedToTheImages) {
    TPellunarComp comp;
    EXPECT_EQ(comp.CodeBankCount(), 4);
    const std::vector<std::uint8_t> code{1, 2, 3};
    comp.StoreCode(BankedAdresse(3, 0x100), code);
    comp.SetCodeBankCount(7);
    EXPECT_EQ(comp.CodeBankCount(), 4);
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(3, 0x100), 3), code) << "setting 4 again keeps the images";
    // "Highest bank + 1" of a byte-sized bank number wraps to 0.
    comp.SetCodeBankCount(0);
    EXPECT_EQ(comp.CodeBankCount(), 1);
    comp.SetCodeBankCount(-5);
    EXPECT_EQ(comp.CodeBankCount(), 1);
    comp.StoreCode(BankedAdresse(9, 0x10), code);
    EXPECT_EQ(comp.ImageBytes(UnbankedAdresse(0x10), 3), code);
}

TEST(PellunarImages, OneBankMappingForStoreAndRead) {
    TPellunarComp comp;
    const std::vector<std::uint8_t> code{0xAA, 0xBB};
    comp.StoreCode(BankedAdresse(5, 0x2000), code);
    EXPECT_EQ(comp.ImageIndex(BankedAdresse(5, 0)), 1);
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(1, 0x2000), 2), code);
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(5, 0x2000), 2), code);
    EXPECT_EQ(comp.ImageBytes(BankedAdresse(3, 0x2000), 2), (std::vector<std::uint8_t>{0, 0}));
    comp.SetCodeBankCount(3);
    for (int bank = 0; bank < 256; ++bank) EXPECT_LT(comp.ImageIndex(BankedAdresse(static_cast<std::uint8_t>(bank), 0)), 3);
    EXPECT_EQ(comp.ImageIndex(AllBanksAdresse(0)), 0);
    EXPECT_EQ(comp.ImageIndex(UnbankedAdresse(0)), 0);
}

TEST(PellunarImages, StoresAndReadsAreClippedToTheImage) {
    TPellunarComp comp;
    comp.StoreCode(UnbankedAdresse(0xFFF0), Seq(16, 0x10));
    EXPECT_EQ(comp.ImageBytes(UnbankedAdresse(0xFFFF), 1), std::vector<std::uint8_t>{0x1F});
    comp.StoreCode(UnbankedAdresse(0xFFF8), Seq(32, 0x40));
    EXPECT_EQ(comp.ImageBytes(UnbankedAdresse(0xFFFE), 8), (std::vector<std::uint8_t>{0x46, 0x47}));
    EXPECT_EQ(comp.ImageByte(UnbankedAdresse(0x0000)), 0) << "nothing wraps to the image's start";

    comp.SetCodeBankSize(0x1000);
    EXPECT_EQ(comp.CodeBankSize(), 0x1000u);
    comp.StoreCode(UnbankedAdresse(0x0FFE), Seq(4, 1));
    EXPECT_EQ(comp.ImageBytes(UnbankedAdresse(0x0FFE), 4), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_TRUE(comp.ImageBytes(UnbankedAdresse(0x2000), 4).empty());
    EXPECT_EQ(comp.ImageByte(UnbankedAdresse(0x2000)), 0);
    comp.SetCodeBankSize(0x20000);
    EXPECT_EQ(comp.CodeBankSize(), 0x10000u);

    comp.StoreCode(UnbankedAdresse(0x10), Seq(2, 5));
    comp.ClearImages();
    EXPECT_EQ(comp.ImageBytes(UnbankedAdresse(0x10), 2), (std::vector<std::uint8_t>{0, 0}));
}

TEST(PellunarList, IndexOfAddressFindsEveryByteOfAHook) {
    TPellunarComp comp;
    Add(comp, 0x261, UnbankedAdresse(0x100));  // two bytes
    Add(comp, 0x960, UnbankedAdresse(0x200));  // five bytes
    Add(comp, 0x161, UnbankedAdresse(0x010));  // three bytes, added out of order
    auto& list = comp.Hooks();
    EXPECT_EQ(list.Order(), TPellunarList::ByAddress);
    EXPECT_EQ(list.Items(0)->address.offset, 0x010);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x101))->address.offset, 0x100);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x012))->address.offset, 0x010);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x204))->address.offset, 0x200);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x102)), nullptr);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x00F)), nullptr);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x205)), nullptr);
    TPellunarList empty;
    EXPECT_EQ(empty.IndexOfAddress(UnbankedAdresse(0)), nullptr);
}

TEST(PellunarList, HooksForAllBanksAreFoundFromEveryBank) {
    TPellunarComp comp;
    Add(comp, 0x261, BankedAdresse(0, 0x100));  // two bytes
    Add(comp, 0x261, BankedAdresse(1, 0x050));
    Add(comp, 0x161, AllBanksAdresse(0x080));    // three bytes
    auto& list = comp.Hooks();
    const TBankAdresse common = AllBanksAdresse(0x080);
    const struct {
        TBankAdresse at;
        const TPellunarItem* expected;
    } cases[] = {
        {BankedAdresse(0, 0x081), list.Items(2)},  {BankedAdresse(1, 0x082), list.Items(2)},
        {BankedAdresse(2, 0x080), list.Items(2)},  {UnbankedAdresse(0x081), list.Items(2)},
        {BankedAdresse(0, 0x101), list.Items(0)},  {BankedAdresse(1, 0x101), nullptr},
        {BankedAdresse(1, 0x051), list.Items(1)},  {BankedAdresse(0, 0x051), nullptr},
        {AllBanksAdresse(0x051), list.Items(1)},   {BankedAdresse(0, 0x083), nullptr},
    };
    ASSERT_EQ(list.Items(2)->address, common);
    for (const auto& c : cases) EXPECT_EQ(list.IndexOfAddress(c.at), c.expected) << BankAdresseToStrFull(c.at);
    comp.RemoveHookAt(BankedAdresse(3, 0x082));
    EXPECT_EQ(comp.HookCount(), 2u);
    EXPECT_EQ(list.IndexOfAddress(BankedAdresse(0, 0x081)), nullptr);
}

TEST(PellunarList, ContainingSearchAgreesWithTheStepwiseDefinition) {
    // Random hooks of every length in four banks, unbanked and for all
    // banks, overlapping; every lookup answers a hook that holds the address
    // (the nearest start) exactly when one does.
    std::mt19937 rng(99);
    const std::uint16_t classes[] = {0x261, 0x161, 0x360, 0x960};  // 2, 3, 4 and 5 bytes
    for (int round = 0; round < 4; ++round) {
        TPellunarComp comp;
        for (int i = 0; i < 60; ++i) {
            const std::uint16_t offset = static_cast<std::uint16_t>(rng() % 0x80);
            TBankAdresse at;
            switch (rng() % 4) {
            case 0: at = AllBanksAdresse(offset); break;
            case 1: at = UnbankedAdresse(offset); break;
            default: at = BankedAdresse(static_cast<std::uint8_t>(rng() % 4), offset); break;
            }
            Add(comp, classes[rng() % 4], at);
        }
        TPellunarList& list = comp.Hooks();
        for (int q = 0; q < 300; ++q) {
            const std::uint16_t offset = static_cast<std::uint16_t>(rng() % 0x88);
            const TBankAdresse a = rng() % 5 == 0   ? AllBanksAdresse(offset)
                                   : rng() % 3 == 0 ? UnbankedAdresse(offset)
                                                    : BankedAdresse(static_cast<std::uint8_t>(rng() % 5), offset);
            int nearest = -1;
            for (std::size_t i = 0; i < list.Count(); ++i) {
                const TPellunarItem* item = list.Items(i);
                if (CompareBankAdresse(item->address, a) <= 0 && CompareBankAdresse(item->EndAddress(), a) >= 0)
                    nearest = std::max<int>(nearest, item->address.offset);
            }
            const TPellunarItem* found = list.IndexOfAddress(a);
            if (nearest < 0) {
                EXPECT_EQ(found, nullptr) << BankAdresseToStrFull(a);
            } else {
                ASSERT_NE(found, nullptr) << BankAdresseToStrFull(a);
                EXPECT_EQ(found->address.offset, nearest) << BankAdresseToStrFull(a);
                EXPECT_EQ(found->Overlap(a, a), found->address.offset == a.offset ? -1 : 1);
            }
        }
    }
}

TEST(PellunarList, ClassOrderThenAddressOrderAgain) {
    TPellunarComp comp;
    Add(comp, 0x165, UnbankedAdresse(0x300), 0x10);  // key 0x610
    Add(comp, 0x60, UnbankedAdresse(0x100));         // key 0x3
    Add(comp, 0x261, UnbankedAdresse(0x200));        // key 0x300 + third byte
    auto& list = comp.Hooks();
    list.SetSortOrder(TPellunarList::ByClass);
    EXPECT_EQ(list.Items(0)->classCode, 0x60);
    EXPECT_EQ(list.Items(1)->classCode, 0x261);
    EXPECT_EQ(list.Items(2)->classCode, 0x165);
    Add(comp, 0x61, UnbankedAdresse(0x050));
    EXPECT_EQ(list.Order(), TPellunarList::Unsorted);
    EXPECT_EQ(list.IndexOfAddress(UnbankedAdresse(0x201))->classCode, 0x261);
    EXPECT_EQ(list.Items(0)->address.offset, 0x050);
}

TEST(PellunarList, OverlapOfARangeWithAHook) {
    TPellunarItem item(nullptr, 0, 0x161, UnbankedAdresse(0x100));  // 0x100..0x102
    auto o = [&](std::uint16_t s, std::uint16_t e) { return item.Overlap(UnbankedAdresse(s), UnbankedAdresse(e)); };
    EXPECT_EQ(o(0x0F0, 0x0FF), -2);
    EXPECT_EQ(o(0x0F0, 0x100), -1);
    EXPECT_EQ(o(0x0F0, 0x101), -1);
    EXPECT_EQ(o(0x100, 0x101), 1);
    EXPECT_EQ(o(0x101, 0x101), 1);
    EXPECT_EQ(o(0x100, 0x102), 0);
    EXPECT_EQ(o(0x0F0, 0x102), 0);
    EXPECT_EQ(o(0x101, 0x102), 1);
    EXPECT_EQ(o(0x0F0, 0x110), 0);
    EXPECT_EQ(o(0x101, 0x110), 2);
    EXPECT_EQ(o(0x102, 0x110), 2);
    EXPECT_EQ(o(0x103, 0x110), 3);
}

TEST(PellunarHooks, DeleteHooksInRangeTakesEveryHookSharingAByte) {
    TPellunarComp comp;
    Add(comp, 0x61, UnbankedAdresse(0x100));   // substituted, 0x100..0x102
    Add(comp, 0x261, UnbankedAdresse(0x200));  // 0x200..0x201
    EXPECT_EQ(comp.SubstitutedCount(), 1);
    comp.DeleteHooksInRange(UnbankedAdresse(0x0F0), UnbankedAdresse(0x0FF));
    EXPECT_EQ(comp.HookCount(), 2u) << "a range ending one byte before keeps the hook";
    comp.DeleteHooksInRange(UnbankedAdresse(0x0F0), UnbankedAdresse(0x100));
    EXPECT_EQ(comp.HookCount(), 1u) << "a range ending on the first byte deletes it";
    EXPECT_FALSE(comp.HasSubstitutedHooks());
    comp.DeleteHooksInRange(UnbankedAdresse(0x201), UnbankedAdresse(0x300));
    EXPECT_EQ(comp.HookCount(), 0u);
}

TEST(PellunarHooks, CopyHooksOntoAnOverlappingRangeDoesNotDoubleThem) {
    TPellunarComp comp;
    Add(comp, 0x261, UnbankedAdresse(0x100));
    Add(comp, 0x61, UnbankedAdresse(0x110));
    Add(comp, 0x165, UnbankedAdresse(0x1FF), 0x42);  // not wholly inside 0x100..0x1FF
    comp.CopyHooks(UnbankedAdresse(0x100), UnbankedAdresse(0x1FF), UnbankedAdresse(0x100));
    EXPECT_EQ(comp.HookCount(), 2u) << "onto itself: each hook once, the straddling one gone with the range";
    EXPECT_EQ(comp.SubstitutedCount(), 1);

    comp.CopyHooks(UnbankedAdresse(0x100), UnbankedAdresse(0x11F), UnbankedAdresse(0x108));
    auto& list = comp.Hooks();
    ASSERT_EQ(comp.HookCount(), 3u);
    EXPECT_EQ(list.Items(0)->address.offset, 0x100);
    EXPECT_EQ(list.Items(1)->address.offset, 0x108);
    EXPECT_EQ(list.Items(2)->address.offset, 0x118);
    EXPECT_EQ(comp.SubstitutedCount(), 1) << "the old hook at 0x110 lay in the destination";
}

TEST(PellunarHooks, CopiesKeepTheirBank) {
    TPellunarComp comp;
    Add(comp, 0x261, BankedAdresse(2, 0x100));
    comp.CopyHooks(BankedAdresse(2, 0x0F0), BankedAdresse(2, 0x1F0), BankedAdresse(2, 0x8F0));
    ASSERT_EQ(comp.HookCount(), 2u);
    EXPECT_EQ(comp.Hooks().IndexOfAddress(BankedAdresse(2, 0x901))->address, BankedAdresse(2, 0x900));
}

TEST(PellunarHooks, ChangeTrackingAndNotice) {
    RecordingComp comp;
    comp.SetHookVariant(0x17);
    EXPECT_FALSE(comp.Changed()) << "no hooks, nothing to send again";
    Add(comp, 0x261, UnbankedAdresse(0x10));
    Add(comp, 0x261, UnbankedAdresse(0x20));
    EXPECT_EQ(comp.notices, std::vector<bool>{true});
    comp.SetChanged(false);
    comp.SetHookVariant(0x17);
    EXPECT_FALSE(comp.Changed());
    comp.SetHookVariant(0x1F);
    EXPECT_TRUE(comp.Changed());
    comp.SetChanged(false);
    comp.RemoveHookAt(UnbankedAdresse(0x11));
    EXPECT_EQ(comp.HookCount(), 1u);
    EXPECT_TRUE(comp.Changed());
    comp.RemoveHookAt(UnbankedAdresse(0x30));
    comp.DeleteHook(nullptr);
    EXPECT_EQ(comp.HookCount(), 1u);
    comp.ClearHooks();
    EXPECT_EQ(comp.HookCount(), 0u);
    EXPECT_EQ(comp.SubstitutedCount(), 0);
}

}  // namespace
}  // namespace tarvex
