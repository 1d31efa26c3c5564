// The board's FPGA ("f" and the image load), its master memory blocks
// ("DN"/"PN") and the traffic counters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"

namespace tarvex::sim {
namespace {

// The bytes as the driver sends an image: one write per 128.
void sendInChunks(Board& board, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); i += 128)
        board.receive(bytes.data() + i, std::min<std::size_t>(128, bytes.size() - i));
}

TEST(Fpga, TheDecisionByteKeepsOrLoadsTheImageOfTheGenerationsSize) {
    struct Row {
        const char* version;
        bool loadedAtStart;
        std::optional<std::uint8_t> queryAnswer;
        std::optional<std::uint8_t> failure;
        Bytes decision;          // the byte after "f", and from code 21 the size
        std::size_t imageSize;   // image bytes sent after it
        std::uint8_t query;      // what "f" answers
        Bytes final;             // what the board answers after the image
        bool loadedAfter;
    };
    const Row rows[] = {
        {"5.1 ", true, {}, {}, {0x00}, 0, 0x01, {}, true},
        {"5.1 ", false, {}, {}, {0xFF}, 32768, 0x00, {0x00}, true},
        {"3.05", false, {}, {}, {0xFF}, 14751, 0x00, {0x00}, true},
        {"4.0 ", true, {}, {}, {0xFF}, 32768, 0x01, {0x00}, true},
        {"6.0 ", false, {}, {}, {0xFF, 0x01, 0x81}, 0x181, 0x00, {0x00}, true},
        {"6.0 ", false, {}, {}, {0xFF, 0x00, 0x00}, 0, 0x00, {0x02}, false},
        {"6.0 ", false, {}, 0x01, {0xFF, 0x00, 0x10}, 16, 0x00, {0x01}, false},
        {"5.0 ", true, {}, 0x02, {0xFF}, 32768, 0x01, {0x02}, false},
        // The edge case of a query that says "not loaded" while it is.
        {"5.1 ", true, 0x00, {}, {0x00}, 0, 0x00, {}, true},
        // Any other decision keeps the image too.
        {"5.1 ", false, {}, {}, {0x5A}, 0, 0x00, {}, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.version << " decision " << int(r.decision[0]) << " size " << r.imageSize);
        platform::FakeClock clock;
        BoardConfig config;
        config.version = r.version;
        config.fpgaLoaded = r.loadedAtStart;
        config.fpgaQueryAnswer = r.queryAnswer;
        Board board(clock, config);
        if (r.failure) board.failFpgaLoad(*r.failure);
        send(board, {'f'});
        EXPECT_EQ(drain(board), Bytes{r.query});
        send(board, r.decision);
        Bytes image(r.imageSize);
        for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 0x5A);
        if (!image.empty()) {
            sendInChunks(board, Bytes(image.begin(), image.end() - 1));
            EXPECT_TRUE(drain(board).empty()) << "answered before the last byte";
            send(board, {image.back()});
        }
        EXPECT_EQ(drain(board), r.final);
        EXPECT_EQ(board.fpgaLoaded(), r.loadedAfter);
        // The parser is back at commands, and the log names the phase with
        // its decision and size bytes only.
        send(board, {'k'});
        EXPECT_EQ(drain(board).size(), 3u);
        const auto log = board.log();
        ASSERT_EQ(log.size(), 3u);
        EXPECT_EQ(log[1].name, "fpga");
        EXPECT_EQ(log[1].bytes, r.decision);
        if (r.decision[0] == 0xFF) {
            EXPECT_EQ(board.fpgaImageBytes(), r.imageSize);
        }
    }
}

TEST(Fpga, ConfiguredSizeAndAResetInTheMiddleOfALoad) {
    platform::FakeClock clock;
    BoardConfig config;
    config.fpgaLoaded = false;
    config.fpgaImageSize = 300;
    Board board(clock, config);
    send(board, {'f', 0xFF});
    sendInChunks(board, Bytes(300, 0x11));
    EXPECT_EQ(drain(board), (Bytes{0x00, 0x00}));
    EXPECT_TRUE(board.fpgaLoaded());
    // A reset keeps the image; one in the middle of a load does not, nor
    // does a power cycle.
    board.reset();
    EXPECT_TRUE(board.fpgaLoaded());
    send(board, {'f', 0xFF, 1, 2, 3});
    board.reset();
    EXPECT_FALSE(board.fpgaLoaded());
    send(board, {'k'});
    EXPECT_EQ(drain(board).size(), 3u);
    send(board, {'f', 0xFF});
    sendInChunks(board, Bytes(300, 0x11));
    EXPECT_TRUE(board.fpgaLoaded());
    board.powerCycle();
    EXPECT_FALSE(board.fpgaLoaded());
}

TEST(Fpga, MasterMemoryIsDeadWithoutAnImage) {
    platform::FakeClock clock;
    BoardConfig config;
    config.fpgaLoaded = false;
    Board board(clock, config);
    board.setMaster(0x7F00, 0x12);
    // The driver's memory test, a block read and a block write.
    send(board, {'W', 'N', 0x7F, 0x00, 0x55, 'R', 'N', 0x7F, 0x00, 'D', 'N', 0x02, 0x7F, 0x00,
                 'P', 'N', 0x02, 0x7F, 0x00, 0xAA, 0xBB});
    EXPECT_EQ(drain(board), (Bytes{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(board.master(0x7F00), 0x12);
    EXPECT_EQ(board.master(0x7F01), 0x00);
    send(board, {'f', 0xFF});
    sendInChunks(board, Bytes(32768, 0));
    send(board, {'W', 'N', 0x7F, 0x00, 0x55, 'R', 'N', 0x7F, 0x00});
    EXPECT_EQ(drain(board), (Bytes{0x00, 0x00, 0x55}));
}

TEST(MasterBlocks, WritesArriveInAnySplitAndWrapAt64K) {
    const Bytes command{'P', 'N', 0x04, 0xFF, 0xFE, 0x01, 0x02, 0x03, 0x04, 'D', 'N', 0x04, 0xFF, 0xFE,
                        'P', 'N', 0x00, 0x10, 0x00, 'k'};
    for (std::size_t split : {command.size(), std::size_t{1}, std::size_t{3}, std::size_t{6}}) {
        SCOPED_TRACE(split);
        platform::FakeClock clock;
        Board board(clock);
        for (std::size_t i = 0; i < command.size(); i += split)
            board.receive(command.data() + i, std::min(split, command.size() - i));
        EXPECT_EQ(drain(board), (Bytes{0x01, 0x02, 0x03, 0x04, 0x12, 0x34, 0x04}));
        EXPECT_EQ(board.master(0xFFFF), 0x02);
        EXPECT_EQ(board.master(0x0001), 0x04);
        std::vector<std::string> names;
        for (const auto& c : board.log()) names.push_back(c.name);
        EXPECT_EQ(names, (std::vector<std::string>{"PN", "master data", "DN", "PN", "k"}));
        EXPECT_EQ(board.log()[1].bytes, (Bytes{0x01, 0x02, 0x03, 0x04}));
    }
}

TEST(BoardStats, CountCommandsAnswersAndBytes) {
    platform::FakeClock clock;
    Board board(clock);
    send(board, {'W', 'N', 0x10, 0x00, 0x01});
    EXPECT_EQ(board.stats().roundTrips, 0u);
    send(board, {'R', 'N', 0x10, 0x00, 'D', 'N', 0x03, 0x10, 0x00, 0x20, '~', 0x00, 0x05, 0x61});
    clock.advance(5);
    EXPECT_EQ(drain(board).size(), 5u);
    const Board::Stats s = board.stats();
    // The unknown byte is no command; the byte sent later is no answer.
    EXPECT_EQ(s.commands, 4u);
    EXPECT_EQ(s.roundTrips, 2u);
    EXPECT_EQ(s.bytesIn, 19u);
    EXPECT_EQ(s.bytesOut, 5u);
    board.resetStats();
    send(board, {'k'});
    EXPECT_EQ(board.stats().commands, 1u);
    EXPECT_EQ(board.stats().roundTrips, 1u);
    EXPECT_EQ(board.stats().bytesIn, 1u);
    EXPECT_EQ(board.stats().bytesOut, 3u);
}

}  // namespace
}  // namespace tarvex::sim
