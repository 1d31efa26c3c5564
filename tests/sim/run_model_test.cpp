// The target runs on the board: "G", "S", "I", "i", "Z" and "o" over the
// 8051 core, lazily on the board's clock, with the state exchanged through
// the monitor's save cells, and the faults a test can ask for.
#include <gtest/gtest.h>

#include <vector>

#include "emulator/monitor_data.hpp"
#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::sim {
namespace {

// 0000 MOV A,#1; 0002 INC A; 0003 SJMP 0002.
const Bytes Loop{0x74, 0x01, 0x04, 0x80, 0xFD};

// Without a table of its own the register string is PC high, PC low,
// R0-R7, the bank and three trace bytes.
constexpr std::size_t StringLength = 14;

std::uint16_t pcOf(const Bytes& answer) { return static_cast<std::uint16_t>(answer.at(1) << 8 | answer.at(2)); }

// A breakpoint of kind 10 at `address`: OPCODE, break mode 0, count 1,
// every data value.
void breakAt(Board& board, std::uint16_t address) {
    board.setSelect(0, address, 0x01);
    const Bytes block{5, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0};
    for (std::size_t i = 0; i < block.size(); ++i)
        board.setMaster(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
    for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), 0xFF);
}

std::uint64_t cycles(const Board& board) {
    std::uint64_t n = 0;
    board.withCpu([&n](const Cpu8051& cpu) { n = cpu.cycles(); });
    return n;
}

TEST(RunModel, GoRunsOnTheClockUntilABreakAndLeavesItAtTheNextGo) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(0, 0, Loop);
    breakAt(board, 0x0003);
    send(board, {'G'});
    EXPECT_TRUE(board.targetRunning());
    EXPECT_EQ(cycles(board), 0u);  // nothing runs before the clock moves
    clock.advance(1);
    const Bytes halt = drain(board);
    ASSERT_EQ(halt.size(), 1 + StringLength);
    EXPECT_EQ(halt[0], 0x00);
    EXPECT_EQ(pcOf(halt), 0x0003);
    EXPECT_FALSE(board.targetRunning());
    // The go from the breakpoint executes it and halts there again.
    send(board, {'G'});
    clock.advance(1);
    EXPECT_EQ(pcOf(drain(board)), 0x0003);
    EXPECT_EQ(cycles(board), 2u + 3u);
}

TEST(RunModel, TheClockOwesCrystalTwelfthsAndNothingRunsWhileAnAnswerIsUnread) {
    platform::FakeClock clock;
    BoardConfig config;
    config.crystalHz = 24'000'000;
    Board board(clock, config);
    board.setCode(0, 0, Loop);
    send(board, {'G', 'R', 'N', 0x00, 0x10});
    clock.advance(10);
    // The answer of "RN" is waiting: the target waits too.
    EXPECT_EQ(board.available(), 1u);
    EXPECT_EQ(cycles(board), 0u);
    drain(board);
    EXPECT_EQ(board.available(), 0u);
    // 10 ms at 24 MHz: 20,000 machine cycles (an instruction may run over).
    EXPECT_GE(cycles(board), 20'000u);
    EXPECT_LT(cycles(board), 20'002u);
    EXPECT_EQ(board.nextReadyAt(), clock.monotonicMs() + 1);
    board.runCycles(100);
    EXPECT_GE(cycles(board), 20'100u);
}

TEST(RunModel, StopStepAndResetAnswerTheRegisterString) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(0, 0, Loop);
    // Halted: "I" and "i" have nothing to answer.
    send(board, {'I', 'i'});
    EXPECT_TRUE(drain(board).empty());
    send(board, {'S'});
    Bytes a = drain(board);
    ASSERT_EQ(a.size(), 1 + StringLength);
    EXPECT_EQ(pcOf(a), 0x0002);
    send(board, {'G'});
    clock.advance(5);
    send(board, {'I'});
    a = drain(board);
    ASSERT_EQ(a.size(), 1 + StringLength);
    EXPECT_FALSE(board.targetRunning());
    const std::uint16_t stoppedAt = pcOf(a);
    EXPECT_TRUE(stoppedAt == 2 || stoppedAt == 3);
    send(board, {'G'});
    clock.advance(5);
    send(board, {'i'});
    EXPECT_EQ(drain(board).size(), 1 + StringLength);
    // "Z" stops a running target and leaves it at 0 without executing.
    send(board, {'G'});
    clock.advance(5);
    send(board, {'Z'});
    a = drain(board);
    EXPECT_EQ(pcOf(a), 0x0000);
    EXPECT_FALSE(board.targetRunning());
    const std::uint64_t before = cycles(board);
    clock.advance(5);
    EXPECT_EQ(cycles(board), before);
    // "o" toggles the flying trace and answers nothing; the byte after it
    // tells it from "o$p", so it takes effect then.
    send(board, {'o', 'o'});
    EXPECT_TRUE(board.flyingTrace());
    send(board, {'K', 0x02});
    EXPECT_FALSE(board.flyingTrace());
    EXPECT_TRUE(drain(board).empty());
}

// The driver sets the PC and IE in the save cells of the monitor mode; "S"
// takes them, and the halt writes them back.
TEST(RunModel, TheSaveCellsCarryTheStateBothWays) {
    const TMonitorData monitor = LoadMonitorData((test::sourceDir() / "data").string(), "");
    struct Row {
        const char* version;
        std::uint8_t family;
        Bytes pcCells;  // address high, low, value, ...
    };
    const Row rows[] = {
        // Monitor mode 1 (family 10) keeps the PC split over three cells.
        {"5.1 ", 10, {0x76, 0xF4, 0x10, 0x76, 0xFF, 0x40, 0x77, 0x00, 0x34}},
        // Mode 1 of firmware code 11 and the other modes use 0x7EFF/0x7F00.
        {"3.0 ", 10, {0x7E, 0xFF, 0x12, 0x7F, 0x00, 0x34}},
        {"5.1 ", 1, {0x7E, 0xFF, 0x12, 0x7F, 0x00, 0x34}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.version + std::to_string(r.family));
        platform::FakeClock clock;
        BoardConfig config;
        config.version = r.version;
        config.monitor = monitor;
        Board board(clock, config);
        send(board, {'W', 'V', 0x00, 0x0F, r.family});
        // MOV A,#0x5A at 0x1234.
        board.setCode(0, 0x1234, Bytes{0x74, 0x5A});
        for (std::size_t i = 0; i + 2 < r.pcCells.size(); i += 3)
            board.setMaster(static_cast<std::uint16_t>(r.pcCells[i] << 8 | r.pcCells[i + 1]), r.pcCells[i + 2]);
        const int area = r.family == 10 && r.version[0] == '5' ? 1 : 0;
        const auto ieCell = monitor.SaveCell(area, 0xA8), accCell = monitor.SaveCell(area, 0xE0);
        ASSERT_TRUE(ieCell && accCell);
        board.setMaster(*ieCell, 0x05);
        send(board, {'S'});
        const Bytes a = drain(board);
        ASSERT_EQ(a.size(), 1 + StringLength);
        EXPECT_EQ(pcOf(a), 0x1236);
        EXPECT_EQ(board.sfr(0xA8), 0x05);
        EXPECT_EQ(board.master(*accCell), 0x5A);
    }
}

TEST(RunModel, FaultsOfTheHaltTheStopAndTheReset) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(0, 0, Loop);
    breakAt(board, 0x0003);
    board.failNextHalt();
    send(board, {'G'});
    clock.advance(1);
    EXPECT_EQ(drain(board), Bytes{0xFF});
    // A target that cannot be interrupted runs on; "i" still stops it.
    board.setNeverHalts(true);
    board.setStopRefused(true);
    send(board, {'G'});
    clock.advance(20);
    EXPECT_TRUE(board.targetRunning());
    send(board, {'I'});
    EXPECT_EQ(drain(board), Bytes{0x01});
    EXPECT_TRUE(board.targetRunning());
    board.setHardStopRefused(true);
    send(board, {'i'});
    EXPECT_EQ(drain(board), Bytes{0x01});
    board.setHardStopRefused(false);
    send(board, {'i'});
    EXPECT_EQ(drain(board).size(), 1 + StringLength);
    board.setNoReaction(true);
    send(board, {'Z'});
    EXPECT_EQ(drain(board), Bytes{0xFF});
}

TEST(RunModel, TheStopByteNeverLandsInsideAnotherAnswer) {
    platform::FakeClock clock;
    Board board(clock);
    board.setCode(0, 0, Loop);
    breakAt(board, 0x0003);
    // "DN" partly received when the clock moves: the target waits for it.
    send(board, {'G', 'D', 'N', 0x04});
    clock.advance(1);
    EXPECT_TRUE(board.targetRunning());
    send(board, {0x7B, 0xF0});
    const Bytes a = drain(board);
    ASSERT_EQ(a.size(), 4u);
    EXPECT_EQ(a[0], 5);
    EXPECT_EQ(board.available(), 1 + StringLength);
    // "I" that comes after the halt, its bytes still unread, gets no answer
    // of its own: the stop byte and string are read as its answer.
    send(board, {'I'});
    EXPECT_EQ(board.available(), 1 + StringLength);
    EXPECT_EQ(pcOf(drain(board)), 0x0003);
    EXPECT_EQ(board.available(), 0u);
}

}  // namespace
}  // namespace tarvex::sim
