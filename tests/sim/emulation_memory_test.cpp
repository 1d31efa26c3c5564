// The board's emulation memory as the link reaches it: the code, system,
// select and external-data commands, the hook tables, and the monitor's
// switch of "DN"/"PN" between master memory and system memory.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"

namespace tarvex::sim {
namespace {

// Hardware bank 3 selected; known bytes in the planes the rows read.
void prepare(Board& board) {
    board.setMaster(0xF400, 0xE3);  // the bits above 2 are the banking mode's
    board.setCode(3, 0x1000, {0x11, 0x22, 0x33});
    board.setCode(3, 0xFFFF, 0x3F);
    board.setCode(3, 0x0000, 0x30);
    board.setCode(5, 0x1001, 0x55);
    board.setCode(6, 0x1001, 0x66);
    board.setSystem(5, true, 0x1001, 0xA5);
    board.setXdata(0xFFFF, {0x7E, 0x7F});
    for (std::uint16_t a = 0x100; a <= 0x104; ++a) board.setSelect(3, a, 0x30);
    board.setCode(4, 0x2000, 0x44);
}

struct Row {
    const char* what;
    Bytes wire;
    Bytes answer;
    std::uint64_t roundTrips;  // one per answer, one per handshake byte
    std::function<void(const Board&)> check;
};

TEST(EmulationMemory, EveryCommandAnswersAndStoresWhateverTheSplit) {
    const auto selects = [](const Board& b, std::uint8_t outside, std::uint8_t inside) {
        EXPECT_EQ(b.select(3, 0x100), outside);
        EXPECT_EQ(b.select(3, 0x101), inside);
        EXPECT_EQ(b.select(3, 0x103), inside);
        EXPECT_EQ(b.select(3, 0x104), outside);
        EXPECT_EQ(b.select(2, 0x101), 0x00);
    };
    const Row rows[] = {
        {"DP reads the code plane of the hardware bank", {'D', 'P', 3, 0x10, 0x00}, {0x11, 0x22, 0x33}, 1, nullptr},
        {"Dp wraps within the plane", {'D', 'p', 2, 0xFF, 0xFF}, {0x3F, 0x30}, 1, nullptr},
        {"p downloads without an answer",
         {'p', 0x20, 0x00, 3, 0xA1, 0xA2, 0xA3},
         {},
         0,
         [](const Board& b) {
             EXPECT_EQ(b.code(3, 0x2002), 0xA3);
             EXPECT_EQ(b.code(4, 0x2000), 0x44);
         }},
        {"PP answers before each data byte",
         {'P', 'P', 3, 0x20, 0x10, 0xB1, 0xB2, 0xB3},
         {0x00, 0x00, 0x00},
         3,
         [](const Board& b) {
             EXPECT_EQ(b.code(3, 0x2010), 0xB1);
             EXPECT_EQ(b.code(3, 0x2012), 0xB3);
         }},
        {"PP of no bytes answers nothing", {'P', 'P', 0, 0x20, 0x10}, {}, 0, nullptr},
        {"RM bit 7: the code plane of the bank byte", {'R', 'M', 0x10, 0x01, 0x83}, {0x22}, 1, nullptr},
        {"RM bit 6: system high", {'R', 'M', 0x10, 0x01, 0x45}, {0xA5}, 1, nullptr},
        {"RM neither: system memory is the code plane", {'R', 'M', 0x10, 0x01, 0x0D}, {0x55}, 1, nullptr},
        {"DM bit 7 wins over bit 6", {'D', 'M', 2, 0x10, 0x01, 0xC6}, {0x66, 0xFF}, 1, nullptr},
        {"WM to system high",
         {'W', 'M', 0x30, 0x00, 0x41, 0x5A},
         {},
         0,
         [](const Board& b) {
             EXPECT_EQ(b.system(1, true, 0x3000), 0x5A);
             EXPECT_EQ(b.code(1, 0x3000), 0xFF);
         }},
        {"q to a code plane",
         {'q', 0xFF, 0xFF, 0x82, 2, 0xC1, 0xC2},
         {},
         0,
         [](const Board& b) {
             EXPECT_EQ(b.code(2, 0xFFFF), 0xC1);
             EXPECT_EQ(b.code(2, 0x0000), 0xC2);
             EXPECT_EQ(b.system(2, false, 0x0000), 0xC2);
         }},
        {"DE reads external data", {'D', 'E', 2, 0xFF, 0xFF}, {0x7E, 0x7F}, 1, nullptr},
        {"PE answers before each data byte",
         {'P', 'E', 2, 0x40, 0x00, 0xE1, 0xE2},
         {0x00, 0x00},
         2,
         [](const Board& b) { EXPECT_EQ(b.xdata(0x4001), 0xE2); }},
        {"B 01 sets the mask's bits",
         {'B', 0x01, 0x01, 0x01, 0x03, 0x0F, 0x01},
         {0x00},
         1,
         [&](const Board& b) { selects(b, 0x30, 0x3F); }},
        {"B 00 keeps the mask's bits",
         {'B', 0x01, 0x01, 0x01, 0x03, 0x1F, 0x00},
         {0x00},
         1,
         [&](const Board& b) { selects(b, 0x30, 0x10); }},
        {"B 02 sets the value",
         {'B', 0x01, 0x01, 0x01, 0x03, 0x81, 0x02},
         {0x00},
         1,
         [&](const Board& b) { selects(b, 0x30, 0x81); }},
        {"B with another flag changes nothing",
         {'B', 0x01, 0x01, 0x01, 0x03, 0x81, 0x03},
         {0x00},
         1,
         [&](const Board& b) { selects(b, 0x30, 0x30); }},
        {"B with the end below the start changes nothing",
         {'B', 0x01, 0x03, 0x01, 0x01, 0x81, 0x02},
         {0x00},
         1,
         [&](const Board& b) { selects(b, 0x30, 0x30); }},
        {"h stores the routine unXORed",
         {'h', 0x0A, 0x55, 0x54, 0xAA, 0x00},
         {},
         0,
         [](const Board& b) {
             EXPECT_EQ(b.routine(3, 0x0A), (EmulationMemory::Routine{0x00, 0x01, 0xFF, 0x55}));
         }},
        {"H hooks an address",
         {'H', 0x12, 0x34, 0x0A},
         {},
         0,
         [](const Board& b) {
             EXPECT_EQ(b.hooks(3), (EmulationMemory::Hooks{{0x1234, 0x0A}}));
         }},
        {"FH answers 0x00", {'F', 'H'}, {0x00}, 1, nullptr},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        // Whole, byte by byte, and the header apart from the rest; a poll
        // after it shows that the command took exactly its bytes.
        for (std::size_t split : {r.wire.size(), std::size_t{1}, std::size_t{3}}) {
            platform::FakeClock clock;
            Board board(clock);
            prepare(board);
            Bytes wire = r.wire;
            wire.push_back('k');
            for (std::size_t i = 0; i < wire.size(); i += split)
                send(board, Bytes(wire.begin() + static_cast<std::ptrdiff_t>(i),
                                  wire.begin() + static_cast<std::ptrdiff_t>(std::min(wire.size(), i + split))));
            Bytes expected = r.answer;
            for (std::uint8_t b : {0x12, 0x34, 0x04}) expected.push_back(b);
            EXPECT_EQ(drain(board), expected);
            EXPECT_EQ(board.stats().commands, 2u);
            EXPECT_EQ(board.stats().roundTrips, r.roundTrips + 1);
            const std::size_t prefix =
                std::string("pqhBH").find(static_cast<char>(r.wire[0])) == std::string::npos ? 2 : 1;
            EXPECT_EQ(board.log().front().name, std::string(r.wire.begin(), r.wire.begin() + prefix));
            if (r.check) r.check(board);
        }
    }
}

// Each code command and the hook tables address the bank that master 0xF400
// names at the time of the command.
TEST(EmulationMemory, TheHardwareBankComesFromMaster0xF400) {
    platform::FakeClock clock;
    Board board(clock);
    EXPECT_EQ(board.hardwareBank(), 0);
    for (std::uint8_t bank = 0; bank < 8; ++bank)
        send(board, {'W',
                     'N',
                     0xF4,
                     0x00,
                     static_cast<std::uint8_t>(0x18 | bank),
                     'p',
                     0x00,
                     0x10,
                     1,
                     static_cast<std::uint8_t>(0xB0 + bank),
                     'h',
                     0x0A,
                     static_cast<std::uint8_t>(bank),
                     0,
                     0,
                     0,
                     'H',
                     0x00,
                     0x10,
                     0x0A});
    EXPECT_EQ(board.hardwareBank(), 7);
    for (std::uint8_t bank = 0; bank < 8; ++bank) {
        EXPECT_EQ(board.code(bank, 0x0010), 0xB0 + bank);
        EXPECT_EQ(board.routine(bank, 0x0A)[0], bank ^ 0x55);
        EXPECT_EQ(board.hooks(bank).size(), 1u);
    }
    // "FH" empties the tables of its bank only.
    send(board, {'W', 'N', 0xF4, 0x00, 0x02, 'F', 'H', 'W', 'N', 0xF4, 0x00, 0x05, 'D', 'P', 1, 0x00, 0x10});
    EXPECT_EQ(drain(board), (Bytes{0x00, 0xB5}));
    EXPECT_TRUE(board.hooks(2).empty());
    EXPECT_EQ(board.routine(2, 0x0A), (EmulationMemory::Routine{}));
    EXPECT_EQ(board.hooks(3).size(), 1u);
    EXPECT_EQ(board.routine(3, 0x0A)[0], 3 ^ 0x55);
}

// "DN"/"PN" reach the system planes of the hardware bank while monitor
// variable 1 is 0 and bit 7 of the configuration byte is clear; "RN"/"WN"
// always reach master memory.
TEST(EmulationMemory, TheMonitorSwitchesBlockAccessBetweenMasterAndSystemMemory) {
    enum Where { Master, System, High };
    struct Case {
        std::uint8_t variable, config;
        Where where;
    };
    const Case cases[] = {{1, 0x80, Master}, {0, 0x80, Master}, {1, 0x00, Master},
                          {0, 0x00, System}, {0, 0x40, High},   {0, 0xC0, Master}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.variable) << " " << int(c.config));
        platform::FakeClock clock;
        Board board(clock);
        board.setMaster(0x6000, 0x01);
        board.setCode(4, 0x6000, 0x02);
        board.setSystem(4, true, 0x6000, 0x03);
        send(board, {'W',  'N',  0xF4,     0x00, 0x04, 'W',  'V',  0x00, 0x01, c.variable, 'W',  'I',
                     0x00, 0x22, c.config, 'D',  'N',  1,    0x60, 0x00, 'R',  'N',        0x60, 0x00,
                     'P',  'N',  2,        0x60, 0x01, 0xD1, 0xD2, 'W',  'N',  0x60,       0x03, 0xD3});
        EXPECT_EQ(drain(board), (Bytes{static_cast<std::uint8_t>(c.where + 1), 0x01}));
        EXPECT_EQ(board.master(0x6002), c.where == Master ? 0xD2 : 0x00);
        EXPECT_EQ(board.code(4, 0x6002), c.where == System ? 0xD2 : 0xFF);
        EXPECT_EQ(board.system(4, true, 0x6002), c.where == High ? 0xD2 : 0x00);
        EXPECT_EQ(board.master(0x6003), 0xD3);
        // A power cycle brings the board back to master memory.
        board.powerCycle();
        EXPECT_EQ(board.variable(1), 1);
        EXPECT_EQ(board.internal(0x22), 0x80);
    }
}

// The driver's system bracket below firmware 21, as it goes on the wire:
// the configuration byte (internal RAM and its mirror) around the block.
TEST(EmulationMemory, ASystemBracketReadsAndWritesTheCodePlane) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(1, 0x0100, {0x01, 0x02});
    const Bytes open{'W', 'N', 0xF4, 0x00, 0x01, 'W', 'V', 0x00, 0x01, 0x00,
                     'W', 'I', 0x00, 0x22, 0x00, 'W', 'N', 0xF0, 0xFF, 0x00};
    const Bytes close{'W', 'I', 0x00, 0x22, 0x80, 'W', 'N', 0xF0, 0xFF, 0x80, 'W', 'V', 0x00, 0x01, 0x01};
    send(board, open);
    send(board, {'D', 'N', 2, 0x01, 0x00, 'P', 'N', 1, 0x01, 0x02, 0x03});
    send(board, close);
    send(board, {'D', 'N', 2, 0x01, 0x00});
    EXPECT_EQ(drain(board), (Bytes{0x01, 0x02, 0x00, 0x00}));
    EXPECT_EQ(board.code(1, 0x0102), 0x03);
    EXPECT_EQ(board.master(0xF0FF), 0x80);
}

}  // namespace
}  // namespace tarvex::sim
