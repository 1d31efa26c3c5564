#include <gtest/gtest.h>

#include "emulator/debug/select_kinds.hpp"
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

}  // namespace
}  // namespace tarvex
