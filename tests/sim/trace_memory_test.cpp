// The trace board as the simulator plays it: what is recorded and how, the
// counter and overflow of the three versions, the overflow break, the
// running time stamp, the large memory and the frame search.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::sim {
namespace {

// 0000 MOV DPTR,#4000 (2 cycles); 0003 MOV A,#5A (1); 0005 MOVX @DPTR,A (2);
// 0006 MOVX A,@DPTR (2); 0007 NOP (1); 0008 SJMP 0000 (2): 10 cycles a loop.
const Bytes Program{0x90, 0x40, 0x00, 0x74, 0x5A, 0xF0, 0xE0, 0x00, 0x80, 0xF6};

// The board after the driver's trace set-up: the program in bank 0, every
// code byte qualified with `code`, control bytes 11 and 12, the break data
// image, time base 1 (1 us), the counter at 0.
void setUp(Board& board, std::uint8_t code, std::uint8_t control1, std::uint8_t codeMode, std::uint8_t image = 0xFF) {
    board.setCode(0, 0, Program);
    for (std::uint16_t a = 0; a < Program.size(); ++a) board.setSelect(0, a, code);
    board.setMaster(0x7BF4, 7);  // break mode: never
    board.setMaster(0x7BFB, control1);
    board.setMaster(0x7BFC, codeMode);
    for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), image);
    send(board, {'W', 'V', 0x00, 0x18, 0x01, 'W', 'N', 0xA4, 0x40, 0x01, 'T', 0x00, 0x00, 0x00});
}

// Registers for an OPCODE trace with a breakpoint of kind 10 (count 1),
// time base 1, the counter at 0.
void setOpcodeTraceAndBreak(Board& board) {
    const Bytes block{5, 7, 7, 7, 0, 0, 0, 0, 0, 0xFF, 0, 0, 1};
    for (std::size_t i = 0; i < block.size(); ++i) board.setMaster(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
    for (unsigned v = 0; v < 256; ++v) board.setMaster(static_cast<std::uint16_t>(0xF200 + v), 0xFF);
    send(board, {'W', 'V', 0x00, 0x18, 0x01, 'W', 'N', 0xA4, 0x40, 0x01, 'T', 0x00, 0x00, 0x00});
}

// Runs one loop of the program and stops the target.
void runOneLoop(Board& board) {
    send(board, {'G'});
    board.runCycles(10);
    send(board, {'I'});
    drain(board);
}

std::uint32_t counter(Board& board) {
    send(board, {'T', 0x80});
    const Bytes b = drain(board);
    return static_cast<std::uint32_t>((b.at(0) & 0xFB) << 16 | b.at(1) << 8 | b.at(2));
}

TEST(TraceMemory, OpcodeFramesCarryAddressesCodeBytesPortsAndTimeStamps) {
    platform::FakeClock clock;
    Board board(clock);
    setUp(board, 0x10, 0x00, 1);
    board.setPortPins(1, 0x5F);
    runOneLoop(board);
    ASSERT_EQ(counter(board), 6u);
    send(board, {'n', 0x00, 0x00, 0x00, 0x06});
    const Bytes frames = drain(board);
    ASSERT_EQ(frames.size(), 6u * 12);
    const std::uint16_t addresses[] = {0x0000, 0x0003, 0x0005, 0x0006, 0x0007, 0x0008};
    const std::uint32_t stamps[] = {0, 2, 3, 5, 7, 8};
    for (std::size_t i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        const std::uint8_t* f = frames.data() + 12 * i;
        EXPECT_EQ(f[0], 0x90);  // an opcode frame, both probes inactive
        EXPECT_EQ(f[1], Program[addresses[i]]);
        EXPECT_EQ(f[2] << 8 | f[3], addresses[i]);
        EXPECT_EQ(f[4], 0x5F);  // P1 as the pins drive it
        EXPECT_EQ(f[5], 0xFF);  // P3
        EXPECT_EQ(static_cast<std::uint32_t>(f[6] << 24 | f[7] << 16 | f[8] << 8 | f[9]), stamps[i]);
        EXPECT_EQ(f[10], Program[(addresses[i] + 1) % Program.size()]);
    }
}

struct QualifyCase {
    const char* what;
    std::uint8_t code;  // qualifier of every code byte
    std::uint8_t control1, codeMode;
    std::uint8_t data7;  // qualifier of xdata 0x4000 in bank 7
    std::uint8_t line5;  // extra qualifier bits at 0x0005
    std::uint8_t imageE0;  // break data image at 0xE0 (others 0xFF unless imageOthers)
    std::uint8_t imageOthers;
    std::vector<std::uint8_t> kinds;  // the recorded status bytes' cycle kinds
};

// One loop: 6 opcodes, 4 operand fetches, a write and a read of 0x4000.
const QualifyCase QualifyCases[] = {
    {"mode 3 records every cycle", 0x00, 0x00, 3, 0, 0, 0xFF, 0xFF, {0, 3, 3, 0, 3, 0, 2, 0, 1, 0, 0, 3}},
    {"OPCODE", 0x10, 0x00, 1, 0, 0, 0xFF, 0xFF, {0, 0, 0, 0, 0, 0}},
    {"PROGRAM adds the operand fetches", 0x10, 0x00, 0, 0, 0, 0xFF, 0xFF, {0, 3, 3, 0, 3, 0, 0, 0, 0, 3}},
    {"LINE NUMBER needs the line bit", 0x10, 0x00, 2, 0, 0x80, 0xFF, 0xFF, {0}},
    {"kind 15 with a WRITE cycle", 0x10, 0x01, 1, 0x20, 0, 0xFF, 0xFF, {0, 0, 0, 2, 0, 0, 0}},
    {"kind 16 with a READ cycle is no code kind", 0x40, 0x20, 1, 0x40, 0, 0xFF, 0xFF, {1}},
    {"kind 15 without a data cycle qualifies code", 0x20, 0x00, 1, 0, 0, 0xFF, 0xFF, {0, 0, 0, 0, 0, 0}},
    {"the data image narrows kind 15 to one opcode", 0x20, 0x00, 1, 0, 0, 0x20, 0x00, {0}},
    {"the data image does not narrow kind 14", 0x30, 0x00, 1, 0, 0, 0x20, 0x10, {0, 0, 0, 0, 0, 0}},
};

TEST(TraceMemory, QualificationByCodeModeKindsAndDataImage) {
    for (const QualifyCase& c : QualifyCases) {
        SCOPED_TRACE(c.what);
        platform::FakeClock clock;
        Board board(clock);
        setUp(board, c.code, c.control1, c.codeMode, c.imageOthers);
        board.setMaster(0xF2E0, c.imageE0);
        board.setSelect(7, 0x4000, c.data7);
        board.setSelect(0, 0x0005, static_cast<std::uint8_t>(c.code | c.line5));
        runOneLoop(board);
        const std::uint32_t n = counter(board);
        ASSERT_EQ(n, c.kinds.size());
        send(board, {'n', 0x00, 0x00, 0x00, static_cast<std::uint8_t>(n)});
        const Bytes frames = drain(board);
        for (std::size_t i = 0; i < n; ++i) EXPECT_EQ((frames[12 * i] >> 5) & 3, c.kinds[i]) << i;
    }
}

TEST(TraceMemory, TheOverflowBreakHaltsAfterTheRecordsBeforeTheWrap) {
    for (const bool overflowBreak : {true, false}) {
        SCOPED_TRACE(overflowBreak);
        platform::FakeClock clock;
        Board board(clock);
        setUp(board, 0x00, 0x00, 3);
        // The driver's reset of the trace: 50 records before the wrap.
        const std::uint8_t mode = overflowBreak ? 0x05 : 0x01;
        send(board, {'W', 'V', 0x00, 0x18, mode, 'W', 'N', 0xA4, 0x40, mode, 'T', 0x04, 0x7F, 0xCE});
        send(board, {'G'});
        board.runCycles(200);
        if (!overflowBreak) {
            EXPECT_TRUE(board.targetRunning());
            EXPECT_GT(counter(board), 0u);
            continue;
        }
        const Bytes halt = drain(board);
        ASSERT_EQ(halt.size(), 15u);
        EXPECT_EQ(Bytes(halt.end() - 3, halt.end()), (Bytes{0x00, 0x00, 0x04}));
        send(board, {'T', 0x80});
        EXPECT_EQ(drain(board), (Bytes{0x04, 0x00, 0x00}));
        // Slot 32,767 holds the 50th record; slot 0 was never written.
        board.withTrace([](TraceMemory& t) {
            EXPECT_EQ(t.recorder().byteAt(0x7FFF, 4), 0xFF);
            EXPECT_EQ(t.recorder().byteAt(0, 1), 0x01);  // the pattern of a slot never written
        });
        // Bit 18 of a counter write clears the overflow.
        send(board, {'T', 0x04, 0x00, 0x00, 'T', 0x80});
        EXPECT_EQ(drain(board), (Bytes{0x00, 0x00, 0x00}));
    }
}

// Version 0: nibble registers, the marker of the reset in the last slot, the
// stop of 0xA01A, the latched time stamp.
TEST(TraceMemory, VersionZeroRegistersAndTheMarker) {
    platform::FakeClock clock;
    Board board(clock, test::boardOf("3.0 "));
    setUp(board, 0x00, 0x00, 3);
    const auto writeCounter = [&board](std::uint16_t v) {
        send(board, {'W', 'N', 0xA0, 0x26, static_cast<std::uint8_t>(v >> 12), 'W', 'N', 0xA0, 0x24,
                     static_cast<std::uint8_t>(v >> 8 & 0xF), 'W', 'N', 0xA0, 0x22, static_cast<std::uint8_t>(v >> 4 & 0xF),
                     'W', 'N', 0xA0, 0x20, static_cast<std::uint8_t>(v & 0xF)});
    };
    writeCounter(0x7FFF);
    send(board, {'W', 'N', 0xA0, 0x28, 0xA5, 'W', 'N', 0xA0, 0x2C, 0x00, 'W', 'N', 0xA0, 0x2E, 0x00});
    writeCounter(0x5AA5);
    send(board, {'R', 'N', 0xA0, 0x27, 'R', 'N', 0xA0, 0x25, 'R', 'N', 0xA0, 0x23, 'R', 'N', 0xA0, 0x21});
    EXPECT_EQ(drain(board), (Bytes{0x5, 0xA, 0xA, 0x5}));
    writeCounter(0);
    runOneLoop(board);
    send(board, {'n', 0x7F, 0xFF, 'n', 0x00, 0x00});
    const Bytes frames = drain(board);
    ASSERT_EQ(frames.size(), 22u);
    EXPECT_EQ(frames[0], 0x00);
    EXPECT_EQ(frames[1], 0xA5);
    // An 11-byte record: the low nibble of P3 in the status byte.
    EXPECT_EQ(frames[11], 0x9F);
    // A stop through 0xA01A lasts until the next counter write.
    send(board, {'W', 'N', 0xA0, 0x1A, 0x00, 'R', 'N', 0xA0, 0x21});
    const std::uint8_t before = drain(board).at(0);
    runOneLoop(board);
    send(board, {'R', 'N', 0xA0, 0x21});
    EXPECT_EQ(drain(board).at(0), before);
    // The time stamp is latched by a write of 0xA030 with bit 3 clear.
    writeCounter(0);
    runOneLoop(board);
    send(board, {'W', 'N', 0xA0, 0x30, 0x01, 'R', 'N', 0xA0, 0x11});
    EXPECT_EQ(drain(board), Bytes{10});
}

TEST(TraceMemory, VersionOneCounterAndOverflowRegisters) {
    platform::FakeClock clock;
    Board board(clock, test::boardOf("4.2 "));
    setUp(board, 0x00, 0x00, 3);
    send(board, {'W', 'N', 0xA6, 0x03, 0x07, 'W', 'N', 0xA6, 0x02, 0x0F, 'W', 'N', 0xA6, 0x01, 0x0F, 'W', 'N', 0xA6,
                 0x00, 0x0A});
    runOneLoop(board);
    send(board, {'R', 'N', 0xA6, 0x03, 'R', 'N', 0xA6, 0x02, 'R', 'N', 0xA6, 0x01, 'R', 'N', 0xA6, 0x00, 'R', 'N',
                 0xA6, 0x04});
    // 0x7FFA + 12 records wraps to 6 and sets the overflow.
    EXPECT_EQ(drain(board), (Bytes{0x0, 0x0, 0x0, 0x6, 0x04}));
    send(board, {'W', 'N', 0xA6, 0x04, 0x00, 'R', 'N', 0xA6, 0x04});
    EXPECT_EQ(drain(board), Bytes{0x00});
}

TEST(TraceMemory, StopReArmTimeStampAndLargeMemory) {
    platform::FakeClock clock;
    Board board(clock);
    setUp(board, 0x00, 0x00, 3);
    // Stopped through the mode register: the next go re-arms with V24
    // (time base 0 now) and the counter runs from 0.
    send(board, {'W', 'V', 0x00, 0x18, 0x00, 'W', 'N', 0xA4, 0x40, 0x21});
    runOneLoop(board);
    EXPECT_EQ(board.master(0xA440), 0x00);
    EXPECT_EQ(counter(board), 12u);
    // 10 cycles at 12 MHz in 0.1 us.
    send(board, {'D', 'N', 0x07, 0xA4, 0x8C});
    EXPECT_EQ(drain(board), (Bytes{100, 0, 0, 0, 0, 0, 0}));
    for (const bool large : {true, false}) {
        BoardConfig config;
        config.largeTrace = large;
        Board b(clock, config);
        send(b, {'W', 'N', 0xA6, 0x05, 0x01});
        b.withTrace([large](TraceMemory& t) { EXPECT_EQ(t.capacity(), large ? 131072u : 32768u); });
    }
}

// The probes mark the records they are active in (bits 7 and 4 clear) and
// the logic-probe break halts the target when they match its masks.
TEST(TraceMemory, LogicProbesInTheRecordsAndTheirBreak) {
    platform::FakeClock clock;
    Board board(clock);
    setUp(board, 0x00, 0x00, 3);
    board.setLogicProbes(0x05, 0x00);
    // Probe 1 lines 0 and 2 high, probe 2 free: mask 1 = 05, value 1 = 05.
    send(board, {'W', 'N', 0xA0, 0x80, 0x05, 'W', 'N', 0xA0, 0x20, 0x05, 'G'});
    board.runCycles(100);
    const Bytes halt = drain(board);
    ASSERT_EQ(halt.size(), 15u);
    EXPECT_EQ(halt[1] << 8 | halt[2], 0x0003);  // after the first instruction
    send(board, {'n', 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(drain(board).at(0), 0x10);  // probe 1 active, probe 2 not
    board.setLogicProbes(0x04, 0x00);
    send(board, {'G'});
    board.runCycles(100);
    EXPECT_TRUE(board.targetRunning());
}

struct SearchCase {
    const char* version;
    Bytes command;
    Bytes answer;
};

// After one loop in mode 3 the records are: 0 opcode 0000, 1-2 its fetches,
// 3 opcode 0003, 4 fetch, 5 opcode 0005, 6 write, 7 opcode 0006, 8 read,
// 9 opcode 0007, 10 opcode 0008, 11 fetch.
const SearchCase SearchCases[] = {
    {"5.1 ", {'m', 0, 0, 0, 1, 0x00, 0x06, 0x00, 0x06, 0x60, 0x00, 0, 0, 0, 0, 0, 0}, {0x00, 0x07, 0x00}},
    {"5.1 ", {'m', 0, 0, 11, 0, 0x00, 0x00, 0xFF, 0xFF, 0x60, 0x00, 0, 0, 0xFF, 0x00, 0, 0}, {0x00, 0x09, 0x00}},
    {"5.1 ", {'m', 0, 0, 0, 1, 0x12, 0x34, 0x12, 0x34, 0, 0, 0, 0, 0, 0, 0, 0}, {0xFF, 0xFF, 0xFF}},
    {"5.1 ", {'m', 0, 0, 9, 1, 0x00, 0x06, 0x00, 0x06, 0x60, 0x00, 0, 0, 0, 0, 0, 0}, {0xFF, 0xFF, 0xFF}},
    {"4.2 ", {'m', 0, 0, 1, 0x40, 0x00, 0x40, 0x00, 0x60, 0x20, 0, 0, 0xFF, 0x5A, 0, 0}, {0x00, 0x08}},
    {"3.0 ", {'m', 0, 0, 1, 0x00, 0x00, 0xFF, 0xFF, 0x60, 0x40, 0xFF, 0x5A, 0, 0}, {0x00, 0x06}},
    {"3.0 ", {'m', 0, 12, 1, 0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0, 0}, {0xFF, 0xFF}},
};

TEST(TraceMemory, TheFrameSearchOfEachVersion) {
    for (const SearchCase& c : SearchCases) {
        SCOPED_TRACE(c.version);
        platform::FakeClock clock;
        Board board(clock, test::boardOf(c.version));
        setUp(board, 0x00, 0x00, 3);
        send(board, {'W', 'N', 0xA0, 0x26, 0, 'W', 'N', 0xA0, 0x24, 0, 'W', 'N', 0xA0, 0x22, 0, 'W', 'N', 0xA0, 0x20,
                     0, 'W', 'N', 0xA6, 0x00, 0});
        runOneLoop(board);
        // The command may come in parts.
        send(board, Bytes(c.command.begin(), c.command.begin() + 10));
        send(board, Bytes(c.command.begin() + 10, c.command.end()));
        EXPECT_EQ(drain(board), c.answer);
    }
}

// The example call tree, run to a breakpoint at g (0x0280) with the trace
// in OPCODE mode over the whole program: the records are exactly the opcode
// fetches of the same program on a core of its own, with its cycles as time
// stamps (1 us at 12 MHz).
TEST(TraceMemory, AGoToABreakpointRecordsWhatTheCoreExecuted) {
    std::ifstream in(test::sourceDir() / "examples" / "build" / "calls.hex", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    Cpu8051Memory memory;
    ASSERT_EQ(memory.loadHex(text.str()), "");
    struct Opcodes final : BusObserver {
        std::vector<std::pair<std::uint16_t, std::uint64_t>> seen;
        const Cpu8051* cpu = nullptr;
        void cycle(const BusCycle& c) override {
            if (c.kind == BusCycleKind::Opcode) seen.emplace_back(c.address, cpu->cycles());
        }
    } expected;
    Cpu8051 reference(memory.memories());
    reference.reset();
    expected.cpu = &reference;
    reference.setObserver(&expected);
    while (reference.pc() != 0x0280) reference.step();

    platform::FakeClock clock;
    Board board(clock);
    for (std::uint16_t a = 0; a < 0x0300; ++a) {
        board.setCode(0, a, memory.code(a));
        board.setSelect(0, a, a == 0x0280 ? 0x11 : 0x10);
    }
    setOpcodeTraceAndBreak(board);
    send(board, {'Z', 'G'});
    drain(board);
    clock.advance(10);
    const Bytes halt = drain(board);
    ASSERT_EQ(halt.size(), 15u);
    EXPECT_EQ(halt[1] << 8 | halt[2], 0x0280);
    ASSERT_EQ(counter(board), expected.seen.size());
    send(board, {'n', 0x00, 0x00, 0x00, static_cast<std::uint8_t>(expected.seen.size())});
    const Bytes frames = drain(board);
    for (std::size_t i = 0; i < expected.seen.size(); ++i) {
        const std::uint8_t* f = frames.data() + 12 * i;
        EXPECT_EQ(f[2] << 8 | f[3], expected.seen[i].first) << i;
        EXPECT_EQ(static_cast<std::uint64_t>(f[6] << 24 | f[7] << 16 | f[8] << 8 | f[9]), expected.seen[i].second) << i;
    }
}

}  // namespace
}  // namespace tarvex::sim
