// The board's side of the select tables: "K 02", the line-number stream,
// the logic-probe load and the images the driver writes as master memory.
#include <gtest/gtest.h>

#include "platform/clock.hpp"
#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"

namespace tarvex::sim {
namespace {

TEST(SelectCommands, LineStreamMarksTheAddressesOfItsBank) {
    platform::FakeClock clock;
    Board board(clock);
    board.setMaster(0xF400, 0x03);
    board.setSelect(3, 0x0103, 0x01);
    // The distances may come in any number of writes; nothing is answered
    // before the 00.
    send(board, {0x9A, 0x80, 0x01});
    send(board, {0x00, 0x03});
    send(board, {0xFD});
    EXPECT_TRUE(drain(board).empty());
    send(board, {0x00});
    EXPECT_EQ(drain(board), Bytes{0x00});
    EXPECT_EQ(board.select(3, 0x0100), 0x80);
    EXPECT_EQ(board.select(3, 0x0103), 0x81);
    EXPECT_EQ(board.select(3, 0x0200), 0x80);
    EXPECT_EQ(board.select(3, 0x0101), 0x00);
    EXPECT_EQ(board.select(2, 0x0100), 0x00);
    // The address never wraps past 0xFFFF.
    send(board, {0x9A, 0x40, 0xFF, 0xF0, 0x0F, 0x20, 0x00});
    EXPECT_EQ(drain(board), Bytes{0x00});
    EXPECT_EQ(board.select(3, 0xFFFF), 0x40);
    EXPECT_EQ(board.select(3, 0x000F), 0x00);
    // "K 02" only precedes the range commands.
    send(board, {'K', 0x02});
    EXPECT_TRUE(drain(board).empty());
}

TEST(SelectCommands, LogicProbeLoadAndTheLoneO) {
    platform::FakeClock clock;
    Board board(clock);
    send(board, {'o'});
    send(board, {'$', 'p'});
    EXPECT_EQ(drain(board), Bytes{0x00});
    for (int i = 0; i < 512; ++i) {
        send(board, {static_cast<std::uint8_t>(i)});
        EXPECT_EQ(drain(board).size(), i < 511 ? 1u : 0u) << i;
    }
    const auto table = board.logicProbeTable();
    for (std::size_t i = 0; i < table.size(); ++i) ASSERT_EQ(table[i], static_cast<std::uint8_t>(~i)) << i;
    EXPECT_FALSE(board.flyingTrace());
    // A lone "o" runs when the next byte shows it is one.
    send(board, {'o'});
    send(board, {'K', 0x02});
    EXPECT_TRUE(board.flyingTrace());
}

TEST(SelectCommands, TheBreakDataImageTakesItsDataFromTheLaterWrite) {
    platform::FakeClock clock;
    Board board(clock);
    send(board, {'P', 'N', 0x01, 0xF2, 0x00, 0xA0, 'P', 'N', 0xFF, 0xF2, 0x01});
    Bytes rest;
    for (int i = 1; i < 256; ++i) rest.push_back(static_cast<std::uint8_t>(i));
    send(board, rest);
    EXPECT_EQ(board.master(0xF200), 0xA0);
    for (std::uint16_t i = 1; i < 256; ++i) ASSERT_EQ(board.master(static_cast<std::uint16_t>(0xF200 + i)), i);
    EXPECT_TRUE(drain(board).empty());
}

}  // namespace
}  // namespace tarvex::sim
