// The board's monitor: the target's SFRs reached directly, the internal RAM
// as master memory, the target reset and its register string.
#include <gtest/gtest.h>

#include <vector>

#include "emulator/monitor_data.hpp"
#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::sim {
namespace {

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

const TMonitorData& shippedMonitor() {
    static const TMonitorData data = LoadMonitorData((test::sourceDir() / "data").string(), "");
    return data;
}

std::uint8_t codeOf(std::uint8_t sfr, int variant) { return shippedMonitor().AccessCodes(variant)[sfr - 0x80]; }

// The driver's table: the codes, then PC, R0-R7, the bank and the end.
Bytes sfrTable(const Bytes& codes) {
    Bytes t{'P', 'N', static_cast<std::uint8_t>(codes.size() + 12), 0x7B, 0x00};
    t.insert(t.end(), codes.begin(), codes.end());
    for (std::uint8_t c : {0x4F, 0x50, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0x7A, 0xFF}) t.push_back(c);
    return t;
}

TEST(Monitor, TheResetAnswersTheRegisterStringOfTheTable) {
    const Bytes registers{0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17};  // R0-R7 at master 0x7A00
    const Bytes tail = [&] {
        Bytes t{0x00, 0x00};
        t.insert(t.end(), registers.begin(), registers.end());
        for (std::uint8_t b : {0x00, 0x00, 0x00, 0x00}) t.push_back(b);
        return t;
    }();
    auto concat = [](Bytes a, const Bytes& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    struct Row {
        const char* what;
        const char* version;
        std::uint8_t family;
        bool specialReset, noReaction;
        Bytes table;  // the codes; empty: no table written
        Bytes answer;
    };
    // Family 1 at code 19 takes variant 2; family 8 has its own port codes,
    // family 17 its own code for 0xD8.
    const Row rows[] = {
        {"P1, ACC, SP", "5.1 ", 1, false, false, {codeOf(0x90, 2), codeOf(0xE0, 2), codeOf(0x81, 2)},
         concat({0x00, 0xFF, 0x00, 0x07}, tail)},
        {"no table", "5.1 ", 1, false, false, {}, concat({0x00}, tail)},
        {"special reset", "6.0 ", 1, true, false, {codeOf(0x90, 2), codeOf(0xE0, 2), codeOf(0x81, 2)},
         concat({0xFE, 0x00, 0xFF, 0x00, 0x07}, tail)},
        {"special reset below 21", "5.1 ", 1, true, false, {codeOf(0x81, 2)}, concat({0x00, 0x07}, tail)},
        {"no reaction", "5.1 ", 1, false, true, {codeOf(0x81, 2)}, {0xFF}},
        {"overrides, other variants, unknown code", "4.2 ", 8, false, false, {0x64, 0x80, 0x20, 0x73, 0x4E},
         concat({0x00, 0xFF, 0x00, 0x00, 0xFF, 0x00}, tail)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        platform::FakeClock clock;
        BoardConfig config;
        config.version = r.version;
        config.monitor = shippedMonitor();
        config.specialReset = r.specialReset;
        Board board(clock, config);
        board.setNoReaction(r.noReaction);
        Bytes setup{'W', 'V', 0x00, 0x0F, r.family, 'P', 'N', 0x08, 0x7A, 0x00};
        setup.insert(setup.end(), registers.begin(), registers.end());
        if (!r.table.empty()) setup = concat(setup, sfrTable(r.table));
        send(board, setup);
        board.resetStats();
        send(board, {'Z'});
        EXPECT_EQ(drain(board), r.answer);
        EXPECT_EQ(board.stats().roundTrips, 1u);
    }
}

TEST(Monitor, RegistersAndTraceCounterAreReadAtEachReset) {
    platform::FakeClock clock;
    BoardConfig config;
    config.monitor = shippedMonitor();
    Board board(clock, config);
    send(board, sfrTable({codeOf(0x90, 2), codeOf(0xE0, 2), codeOf(0x81, 2)}));
    send(board, {'W', 'N', 0x7A, 0x03, 0x55, 'Z'});
    const Bytes first = drain(board);
    ASSERT_EQ(first.size(), 18u);
    EXPECT_EQ(first[1 + 3 + 2 + 3], 0x55);
    board.withTarget([](Target&, TraceRecorder& trace) {
        trace.setCounter(0x21234);
        trace.setOverflow(true);
    });
    send(board, {'Z'});
    const Bytes second = drain(board);
    ASSERT_EQ(second.size(), 18u);
    // Bits 8-15, 0-7, then 16-17 with the overflow flag in bit 2.
    EXPECT_EQ(Bytes(second.end() - 3, second.end()), (Bytes{0x12, 0x34, 0x06}));
}

// The reset writes the reset values into the save cells of the monitor mode
// that the family and the firmware code give, and the PC into its cells.
TEST(Monitor, TheResetFillsTheSaveCellsOfTheMode) {
    struct Row {
        const char* version;
        std::uint8_t family;
        std::uint16_t cell;
        std::uint8_t value;
    };
    const Row rows[] = {
        {"5.1 ", 1, 0x7EF7, 0x00},   // mode 0: ACC
        {"5.1 ", 1, 0x7EFF, 0x00},   // PC high
        {"5.1 ", 10, 0x76E8, 0x00},  // mode 1: ACC
        {"5.1 ", 10, 0x76F4, 0x06},  // the split PC
        {"5.1 ", 10, 0x76FF, 0x01},
        {"5.1 ", 10, 0x7EFF, 0x01},
        {"5.1 ", 10, 0x7EFB, 0x00},  // TCON twice
        {"5.1 ", 10, 0x76F8, 0x00},  // 0x9C
        {"3.0 ", 10, 0x7EF7, 0x00},  // code 11 keeps mode 0's cells
        {"3.0 ", 10, 0x7EFF, 0x00},
        {"5.1 ", 11, 0x7EE8, 0x00},  // mode 2: ACC
        {"5.1 ", 16, 0x7EF1, 0x00},  // the ADuC's 0xA7
        {"5.1 ", 13, 0x7DB5, 0x00},  // the Atmel's DPL1
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.version << " family " << int(r.family) << " cell " << r.cell);
        platform::FakeClock clock;
        BoardConfig config;
        config.version = r.version;
        config.monitor = shippedMonitor();
        Board board(clock, config);
        board.setMaster(r.cell, 0xEE);
        send(board, {'W', 'V', 0x00, 0x0F, r.family, 'Z'});
        EXPECT_EQ(board.master(r.cell), r.value);
    }
}

}  // namespace
}  // namespace tarvex::sim
