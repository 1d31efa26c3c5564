#include "emulator/debug/select_list.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <string_view>

#include "core/format.hpp"

namespace tarvex {
namespace {

// Addresses as the cases write them: "0100" unbanked, "02:0100" in bank 2,
// "*:0100" in every bank.
TBankAdresse addr(std::string_view text) {
    const auto hex = [](std::string_view digits) { return std::stoul(std::string(digits), nullptr, 16); };
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return UnbankedAdresse(static_cast<std::uint16_t>(hex(text)));
    const auto offset = static_cast<std::uint16_t>(hex(text.substr(colon + 1)));
    if (text.front() == '*') return AllBanksAdresse(offset);
    return BankedAdresse(static_cast<std::uint8_t>(hex(text.substr(0, colon))), offset);
}

std::string addrText(const TBankAdresse& a) {
    if (a.allBanks) return Format("*:%.4X", a.offset);
    return a.banked ? Format("%.2X:%.4X", a.bank, a.offset) : Format("%.4X", a.offset);
}

// "START-END", optionally "=NAME1,NAME2" (entered by those names) or
// "~NAME1,NAME2" (names kept, not entered by them).
std::unique_ptr<TSelectItem> item(const std::string& text) {
    auto made = std::make_unique<TSelectItem>();
    const std::size_t names = text.find_first_of("=~");
    const std::string range = text.substr(0, names);
    const std::size_t dash = range.find('-');
    made->start = addr(std::string_view(range).substr(0, dash));
    made->end = addr(std::string_view(range).substr(dash + 1));
    if (names != std::string::npos) {
        const std::size_t comma = text.find(',', names);
        made->name1 = text.substr(names + 1, comma - names - 1);
        made->name2 = text.substr(comma + 1);
        made->named = text[names] == '=';
    }
    return made;
}

std::string itemText(const TSelectItem& i) {
    std::string text = addrText(i.start) + "-" + addrText(i.end);
    if (!i.name1.empty() || !i.name2.empty()) text += (i.named ? "=" : "~") + i.name1 + "," + i.name2;
    return text;
}

// Items inserted one after another; the indices InsertSorted gave them.
std::string fill(TSelectList& list, const std::string& items) {
    std::istringstream in(items);
    std::string indices;
    for (std::string one; in >> one;)
        indices += (indices.empty() ? "" : " ") + std::to_string(list.InsertSorted(item(one)));
    return indices;
}

std::string listText(const TSelectList& list) {
    std::string text;
    for (const auto& i : list) text += (text.empty() ? "" : " ") + itemText(*i);
    return text;
}

TEST(SelectList, KeysOrderUnbankedAsBankZeroAndAllBanksLast) {
    const struct {
        const char* address;
        std::uint32_t key;
    } cases[] = {{"0100", 0x0100}, {"00:0100", 0x0100}, {"05:1234", 0x51234}, {"*:0010", 0xFE0010}};
    for (const auto& c : cases) EXPECT_EQ(SelectKey(addr(c.address)), c.key) << c.address;
}

TEST(SelectList, InsertSortedGoesAfterEqualStarts) {
    const struct {
        const char* inserted;
        const char* indices;
        const char* list;
    } cases[] = {
        {"0200-02FF 0100-011F 0300-0300", "0 0 2", "0100-011F 0200-02FF 0300-0300"},
        {"0100-0100=a,a 0100-0110=b,b", "0 1", "0100-0100=a,a 0100-0110=b,b"},
        {"00:0100-00:0100 0100-0100", "0 1", "00:0100-00:0100 0100-0100"},
        {"01:0000-01:00FF 0500-05FF *:0000-*:0010 02:0000-02:0010", "0 0 2 2",
         "0500-05FF 01:0000-01:00FF 02:0000-02:0010 *:0000-*:0010"},
    };
    for (const auto& c : cases) {
        TSelectList list(10);
        EXPECT_EQ(fill(list, c.inserted), c.indices) << c.inserted;
        EXPECT_EQ(listText(list), c.list) << c.inserted;
    }
}

TEST(SelectList, SearchesForOverlapAndContainment) {
    TSelectList list(12);
    fill(list, "0100-01FF 0180-0280 0400-04FF *:0100-*:01FF");
    // kind: 'o' FindOverlap(from, to); 'f' and 'b' FindContaining(from) from
    // the front and the back.
    const struct {
        char kind;
        const char* from;
        const char* to;
        std::int32_t index;
    } cases[] = {
        {'o', "0000", "00FF", -1}, {'o', "00FF", "0100", 0},        {'o', "0200", "03FF", 1},
        {'o', "0300", "03FF", -1}, {'o', "01:0100", "01:0100", -1}, {'o', "*:0150", "*:0150", 3},
        {'f', "0190", "", 0},      {'b', "0190", "", 1},            {'f', "0500", "", -1},
        {'b', "0400", "", 2},      {'f', "*:0100", "", 3},          {'b', "01:0150", "", -1},
    };
    for (const auto& c : cases) {
        const std::int32_t found = c.kind == 'o' ? list.FindOverlap(addr(c.from), addr(c.to))
                                                 : list.FindContaining(addr(c.from), c.kind == 'b');
        EXPECT_EQ(found, c.index) << c.kind << " " << c.from << " " << c.to;
    }
}

TEST(SelectList, DeleteOverlappingRemovesEveryItemTheRangeMeets) {
    const struct {
        const char* list;
        const char* from;
        const char* to;
        std::int32_t removed;
        const char* left;
    } cases[] = {
        {"0100-01FF 0300-03FF 0500-05FF", "0200", "0400", 1, "0100-01FF 0500-05FF"},
        {"0100-01FF 0300-03FF 0500-05FF", "01FF", "0500", 3, ""},
        {"0100-01FF 0300-03FF 0500-05FF", "0600", "06FF", 0, "0100-01FF 0300-03FF 0500-05FF"},
        {"0100-01FF *:0100-*:01FF", "0100", "0100", 1, "*:0100-*:01FF"},
    };
    for (const auto& c : cases) {
        TSelectList list(10);
        fill(list, c.list);
        EXPECT_EQ(list.DeleteOverlapping(addr(c.from), addr(c.to)), c.removed) << c.list << " " << c.from;
        EXPECT_EQ(listText(list), c.left) << c.list << " " << c.from;
    }
}

TEST(SelectList, MergeJoinsTouchingItemsOnly) {
    const struct {
        const char* list;
        const char* merged;
    } cases[] = {
        {"0100-01FF 0200-02FF 0400-04FF", "0100-02FF 0400-04FF"},
        {"0100-01FF 0201-02FF", "0100-01FF 0201-02FF"},
        {"0100-01FF 0200-02FF 0300-03FF", "0100-03FF"},
        // The end's name comes with the end; named only when both were.
        {"0100-01FF=a,b 0200-02FF=c,d", "0100-02FF=a,d"},
        {"0100-01FF=a,b 0200-02FF~c,d", "0100-02FF~a,d"},
    };
    for (const auto& c : cases) {
        TSelectList list(22);
        fill(list, c.list);
        list.Merge();
        EXPECT_EQ(listText(list), c.merged) << c.list;
    }
}

TEST(SelectList, CopyFromReplacesTheItemsWithOwnCopies) {
    TSelectList source(10), target(11);
    fill(source, "0100-01FF=a,b 0300-03FF");
    fill(target, "0500-05FF");
    target.SetChanged(true);
    target.CopyFrom(source);
    EXPECT_EQ(listText(target), "0100-01FF=a,b 0300-03FF");
    // Kind and changed mark stay the target's own.
    EXPECT_EQ(target.Kind(), 11);
    EXPECT_TRUE(target.Changed());
    source[0].name1 = "changed";
    EXPECT_EQ(target[0].name1, "a");
}

}  // namespace
}  // namespace tarvex
