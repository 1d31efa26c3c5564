// The board's monitor: the target's SFRs reached directly, the internal RAM
// as master memory.
#include <gtest/gtest.h>

#include <vector>

#include "sim/board.hpp"

namespace tarvex::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes drain(Board& board) {
    Bytes out(board.available());
    out.resize(board.read(out.data(), out.size()));
    return out;
}

void send(Board& board, const Bytes& bytes) { board.receive(bytes.data(), bytes.size()); }

TEST(Monitor, DirectSfrAccessStartsFromTheResetValues) {
    platform::FakeClock clock;
    Board board(clock);
    // P0, SP, DPL, DPH; then the block wraps from 0xFF to P0.
    send(board, {'D', 'S', 0x04, 0x00, 0x80, 'D', 'S', 0x02, 0x00, 0xFF});
    EXPECT_EQ(drain(board), (Bytes{0xFF, 0x07, 0x00, 0x00, 0x00, 0xFF}));
    // "PS" answers before it takes the value, which comes as a write of its own.
    send(board, {'P', 'S', 0x01, 0x00, 0x90});
    EXPECT_EQ(drain(board), (Bytes{0x00}));
    EXPECT_EQ(board.sfr(0x90), 0xFF);
    board.resetStats();
    send(board, {0x5A, 'D', 'S', 0x01, 0x00, 0x90, 'P', 'S', 0x02, 0x00, 0x10, 0x11, 0x22});
    EXPECT_EQ(drain(board), (Bytes{0x5A, 0x00}));
    // Without bit 7 the address names the same SFR.
    EXPECT_EQ(board.sfr(0x90), 0x11);
    EXPECT_EQ(board.sfr(0x91), 0x22);
    EXPECT_EQ(board.stats().roundTrips, 2u);
    std::vector<std::string> names;
    for (const auto& c : board.log()) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"DS", "DS", "PS", "sfr data", "DS", "PS", "sfr data"}));
}

TEST(Monitor, InternalRamIsMasterMemory7A00) {
    platform::FakeClock clock;
    Board board(clock);
    send(board, {'W', 'N', 0x7A, 0x03, 0x55, 'R', 'I', 0x00, 0x03, 'W', 'I', 0x00, 0xFF, 0x66, 'R', 'N', 0x7A, 0xFF,
                 'P', 'N', 0x02, 0x79, 0xFF, 0x01, 0x02, 'D', 'N', 0x03, 0x79, 0xFF});
    EXPECT_EQ(drain(board), (Bytes{0x55, 0x66, 0x01, 0x02, 0x00}));
    EXPECT_EQ(board.internal(0x00), 0x02);
    EXPECT_EQ(board.master(0x79FF), 0x01);
    board.setMaster(0x7A10, 0x77);
    EXPECT_EQ(board.internal(0x10), 0x77);
}

}  // namespace
}  // namespace tarvex::sim
