// The board's break logic over the select planes, the register block at
// 0x7BF0 and the break data image at 0xF200, driven through "G".
#include <gtest/gtest.h>

#include <vector>

#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"

namespace tarvex::sim {
namespace {

// 0000 MOV DPTR,#4000 (2 cycles); 0003 MOV A,#5A (1); 0005 MOVX @DPTR,A (2);
// 0006 MOVX A,@DPTR (2); 0007 NOP (1); 0008 SJMP 0000 (2): 10 cycles a loop.
const Bytes Program{0x90, 0x40, 0x00, 0x74, 0x5A, 0xF0, 0xE0, 0x00, 0x80, 0xF6};

struct Qualifier {
    std::size_t bank;
    std::uint16_t address;
    std::uint8_t bits;
};

struct BreakCase {
    const char* what;
    // Bytes 0-10 of the register block: channels 10, 12, 11, 13; mode;
    // 5, 6; counter bytes 7, 8 (chaining), 9, 10.
    Bytes block;
    std::vector<Qualifier> qualifiers;
    std::uint8_t dataImage5A;  // the image byte of the value written and read
    int haltPc;                // -1: runs on
    std::uint64_t cycles;
};

const BreakCase Cases[] = {
    {"OPCODE halts before the instruction", {5, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0}, {{0, 0x0006, 0x01}}, 0xFF, 6, 5},
    {"the third hit fires a count of 3", {5, 7, 7, 7, 0, 0, 0, 0, 0, 0xFD, 0}, {{0, 0x0006, 0x01}}, 0xFF, 6, 25},
    {"chaining 1: 300 hits on a 16-bit counter", {5, 7, 7, 7, 0, 0, 0, 0, 1, 0xD4, 0xFE}, {{0, 0x0006, 0x01}}, 0xFF,
     6, 5 + 299 * 10},
    {"chaining 3: 24 bits over 7:10:9", {5, 7, 7, 7, 0, 0, 0, 0xFF, 3, 0xFE, 0xFF}, {{0, 0x0006, 0x01}}, 0xFF, 6,
     15},
    {"WRITE in the data bank halts after the MOVX", {7, 2, 7, 7, 1, 0, 0, 0, 0, 0, 0xFF}, {{7, 0x4000, 0x02}}, 0xFF,
     6, 5},
    {"READ in the code's bank", {7, 1, 7, 7, 1, 0, 0, 0, 0, 0, 0xFF}, {{0, 0x4000, 0x02}}, 0xFF, 7, 7},
    {"READ+WRITE takes the first", {7, 3, 7, 7, 1, 0, 0, 0, 0, 0, 0xFF}, {{7, 0x4000, 0x02}}, 0xFF, 6, 5},
    {"the data image decides", {7, 2, 7, 7, 1, 0, 0, 0, 0, 0, 0xFF}, {{7, 0x4000, 0x02}}, 0xFD, -1, 0},
    {"PROGRAM on an operand fetch halts after the instruction", {4, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0},
     {{0, 0x0002, 0x01}}, 0xFF, 3, 2},
    {"LINE NUMBER needs the line bit", {6, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0}, {{0, 0x0006, 0x01}}, 0xFF, -1, 0},
    {"LINE NUMBER with the line bit", {6, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0}, {{0, 0x0006, 0x81}}, 0xFF, 6, 5},
    {"mode 2: either channel", {5, 2, 7, 7, 2, 0, 0, 0, 0, 0xFF, 0xFF}, {{0, 0x0007, 0x01}, {7, 0x4000, 0x02}}, 0xFF,
     6, 5},
    {"mode 3: both have fired", {5, 2, 7, 7, 3, 0, 0, 0, 0, 0xFF, 0xFF}, {{0, 0x0007, 0x01}, {7, 0x4000, 0x02}},
     0xFF, 7, 7},
    {"mode 4: kind 10 after kind 12 (the first instruction is exempt)", {5, 2, 7, 7, 4, 0, 0, 0, 0, 0xFF, 0xFF},
     {{0, 0x0000, 0x01}, {7, 0x4000, 0x02}}, 0xFF, 0, 10},
    {"mode 5: kind 12 after kind 10", {5, 2, 7, 7, 5, 0, 0, 0, 0, 0xFF, 0xFF}, {{0, 0x0007, 0x01}, {7, 0x4000, 0x02}},
     0xFF, 6, 15},
    {"mode 6: any opcode with the line bit", {7, 7, 7, 7, 6, 0, 0, 0, 0, 0, 0}, {{0, 0x0003, 0x80}}, 0x00, 3, 2},
    {"mode 7 never halts", {5, 2, 7, 7, 7, 0, 0, 0, 0, 0xFF, 0xFF}, {{0, 0x0006, 0x01}, {7, 0x4000, 0x02}}, 0xFF, -1,
     0},
    {"kinds 11 and 13 do not halt", {7, 7, 5, 5, 0, 0, 0, 0xFF, 0, 0, 0}, {{0, 0x0006, 0x0C}}, 0xFF, -1, 0},
};

TEST(BreakLogic, ChannelsCountersAndModes) {
    for (const BreakCase& c : Cases) {
        SCOPED_TRACE(c.what);
        platform::FakeClock clock;
        Board board(clock);
        board.setCode(0, 0, Program);
        for (std::size_t i = 0; i < c.block.size(); ++i)
            board.setMaster(static_cast<std::uint16_t>(0x7BF0 + i), c.block[i]);
        for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), 0xFF);
        board.setMaster(0xF25A, c.dataImage5A);
        for (const Qualifier& q : c.qualifiers) board.setSelect(q.bank, q.address, q.bits);
        send(board, {'G'});
        board.runCycles(5000);
        if (c.haltPc < 0) {
            EXPECT_TRUE(board.targetRunning());
            continue;
        }
        const Bytes halt = drain(board);
        ASSERT_EQ(halt.size(), 15u);
        EXPECT_EQ(halt[1] << 8 | halt[2], c.haltPc);
        board.withCpu([&c](const Cpu8051& cpu) { EXPECT_EQ(cpu.cycles(), c.cycles); });
    }
}

// The executing bank is the one in 0xF400 at "G": its code and its
// qualifiers, not those of bank 0.
TEST(BreakLogic, TheExecutingBankIsTheOneAtTheGo) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(3, 0, Program);
    const Bytes block{5, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0};
    for (std::size_t i = 0; i < block.size(); ++i) board.setMaster(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
    for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), 0xFF);
    board.setSelect(0, 0x0003, 0x01);
    board.setSelect(3, 0x0006, 0x01);
    send(board, {'W', 'N', 0xF4, 0x00, 0x03, 'G', 'W', 'N', 0xF4, 0x00, 0x00});
    board.runCycles(100);
    const Bytes halt = drain(board);
    ASSERT_EQ(halt.size(), 15u);
    EXPECT_EQ(halt[2], 0x06);
}

// With 32 KB code windows a MOVX finds its qualifier where the driver's
// ranges put it: below 0x8000 in bank 0's hardware bank, above it in the
// selected bank's window, the lower half of its hardware bank while the bank
// line A15 (P1.3 here) is low. Mode 5 sends xdata 9000 of an even bank as
// "B 10 00 10 FF".
TEST(BreakLogic, DataCyclesFindTheirQualifiersThroughTheCodeWindows) {
    struct Case {
        const char* what;
        bool windows;
        std::uint8_t control;  // master 0xF400
        std::uint8_t pins1;
        std::uint16_t movx;
        Qualifier qualifier;
        bool halts;
    };
    const Case cases[] = {
        {"even bank: 9000 lies at 1000", true, 0x0A, 0xF7, 0x9000, {2, 0x1000, 0x02}, true},
        {"even bank: not at 9000", true, 0x0A, 0xF7, 0x9000, {2, 0x9000, 0x02}, false},
        {"odd bank: at 9000 itself", true, 0x0A, 0xFF, 0x9000, {2, 0x9000, 0x02}, true},
        {"odd bank: not at 1000", true, 0x0A, 0xFF, 0x9000, {2, 0x1000, 0x02}, false},
        {"the common area lies in bank 0's hardware bank", true, 0x0A, 0xFF, 0x1000, {3, 0x1000, 0x02}, true},
        {"mode 8 puts bank 0 in hardware bank 7", true, 0x1D, 0xFF, 0x1000, {3, 0x1000, 0x02}, false},
        {"no windows: the raw address", false, 0x0A, 0xF7, 0x9000, {2, 0x9000, 0x02}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        platform::FakeClock clock;
        BoardConfig config;
        if (c.windows) config.windowLine = WindowLine{1, 3};
        Board board(clock, config);
        Bytes program = Program;
        program[1] = static_cast<std::uint8_t>(c.movx >> 8);
        program[2] = static_cast<std::uint8_t>(c.movx & 0xFF);
        board.setCode(c.control & 0x07, 0, program);
        const Bytes block{7, 2, 7, 7, 1, 0, 0, 0, 0, 0, 0xFF};
        for (std::size_t i = 0; i < block.size(); ++i)
            board.setMaster(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
        for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), 0xFF);
        board.setSelect(c.qualifier.bank, c.qualifier.address, c.qualifier.bits);
        board.setPortPins(1, c.pins1);
        send(board, {'W', 'N', 0xF4, 0x00, c.control, 'G'});
        board.runCycles(100);
        if (!c.halts) {
            EXPECT_TRUE(board.targetRunning());
            continue;
        }
        const Bytes halt = drain(board);
        ASSERT_EQ(halt.size(), 15u);
        EXPECT_EQ(halt[1] << 8 | halt[2], 0x0006);
    }
}

}  // namespace
}  // namespace tarvex::sim
