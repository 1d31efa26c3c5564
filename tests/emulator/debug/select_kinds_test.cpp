#include "emulator/debug/select_kinds.hpp"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "emulator/debug/select_table.hpp"

namespace tarvex {
namespace {

TEST(SelectKinds, EveryKindFrom10To23HasItsRowAndNoOtherHasOne) {
    EXPECT_EQ(SelectKindRow(9), nullptr);
    EXPECT_EQ(SelectKindRow(24), nullptr);
    for (int kind = select_kind::First; kind <= select_kind::Last; ++kind) {
        ASSERT_NE(SelectKindRow(kind), nullptr) << kind;
        EXPECT_EQ(SelectKindRow(kind)->code, kind);
    }
}

// A break channel's data-bus condition is the same channel: its bit in the
// break-data image, its mode and its name in the history are the channel's.
TEST(SelectKinds, DataBusConditionsFollowTheirBreakChannel) {
    const std::pair<int, int> pairs[] = {{select_kind::Break1Data, select_kind::Break1},
                                         {select_kind::Clear1Data, select_kind::Clear1},
                                         {select_kind::Break2Data, select_kind::Break2},
                                         {select_kind::Clear2Data, select_kind::Clear2}};
    for (const auto& [data, channel] : pairs) {
        EXPECT_EQ(TSelectTabelle::ChannelBit(data), TSelectTabelle::ChannelBit(channel)) << data;
        EXPECT_EQ(TSelectTabelle::modeChannel(data), channel);
        EXPECT_EQ(SelectKindRow(data)->historyText, SelectKindRow(channel)->historyText);
        EXPECT_EQ(TSelectTabelle::ChannelIndex(data), -1);
    }
    // Each qualifier-memory bit belongs to one channel.
    std::uint8_t seen = 0;
    for (int kind = select_kind::Break1; kind <= select_kind::LineTrace; ++kind) {
        const std::uint8_t bit = TSelectTabelle::ChannelBit(kind);
        EXPECT_EQ(seen & bit, 0) << kind;
        seen = static_cast<std::uint8_t>(seen | bit);
    }
    EXPECT_EQ(seen, 0xFF);
    EXPECT_EQ(TSelectTabelle::modeChannel(select_kind::LineTrace), -1);
    EXPECT_EQ(TSelectTabelle::modeChannel(select_kind::ProgramMap), -1);
}

// Every kind's role range, data-bus partner and other map, written out by
// number: the ranges and partners are derived from the rows.
TEST(SelectKinds, RangesAndPartnersOfEveryKind) {
    struct Row {
        int kind;
        int role;  // index into roles, -1 for none
        int dataBus, otherMap;
    };
    const SelectRole roles[] = {SelectRole::Break, SelectRole::Trace, SelectRole::LineTrace, SelectRole::BreakData,
                                SelectRole::Map};
    const Row rows[] = {{7, -1, 7, 7},   {8, -1, 8, 8},   {9, -1, 9, 9},   {10, 0, 18, 10}, {11, 0, 19, 11},
                        {12, 0, 20, 12}, {13, 0, 21, 13}, {14, 1, 14, 14}, {15, 1, 15, 15}, {16, 1, 16, 16},
                        {17, 2, 17, 17}, {18, 3, 18, 18}, {19, 3, 19, 19}, {20, 3, 20, 20}, {21, 3, 21, 21},
                        {22, 4, 22, 23}, {23, 4, 23, 22}, {24, -1, 24, 24}};
    for (const Row& r : rows) {
        EXPECT_EQ(DataBusKind(r.kind), r.dataBus) << r.kind;
        EXPECT_EQ(OtherMapKind(r.kind), r.otherMap) << r.kind;
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(SelectKindsOf(roles[i]).contains(r.kind), i == r.role) << r.kind << " role " << i;
    }
    const std::pair<SelectRole, std::vector<int>> ranges[] = {{SelectRole::Break, {10, 11, 12, 13}},
                                                              {SelectRole::Trace, {14, 15, 16}},
                                                              {SelectRole::LineTrace, {17}},
                                                              {SelectRole::BreakData, {18, 19, 20, 21}},
                                                              {SelectRole::Map, {22, 23}}};
    for (const auto& [role, kinds] : ranges) {
        std::vector<int> walked;
        for (int kind : SelectKindsOf(role)) walked.push_back(kind);
        EXPECT_EQ(walked, kinds) << static_cast<int>(role);
    }
}

}  // namespace
}  // namespace tarvex
