// The board's own copies and fills: what each form moves, in which order,
// and that "FH" stays the bare pellunar start beside "FP", "FI" and "FN".
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/board.hpp"
#include "tests/sim/board_bytes.hpp"

namespace tarvex::sim {
namespace {

Bytes cmd(char letter, std::uint16_t a, std::uint16_t b, std::uint16_t c, std::initializer_list<std::uint8_t> tail) {
    Bytes out{static_cast<std::uint8_t>(letter), static_cast<std::uint8_t>(a >> 8), static_cast<std::uint8_t>(a),
              static_cast<std::uint8_t>(b >> 8), static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c >> 8),
              static_cast<std::uint8_t>(c)};
    out.insert(out.end(), tail);
    return out;
}

Bytes fill(char memory, std::uint16_t s, std::uint16_t e, std::uint8_t v) {
    return {'F', static_cast<std::uint8_t>(memory), static_cast<std::uint8_t>(s >> 8), static_cast<std::uint8_t>(s),
            static_cast<std::uint8_t>(e >> 8), static_cast<std::uint8_t>(e), v};
}

struct Rig {
    platform::FakeClock clock;
    Board board{clock};
    // Sends the bytes one at a time (the parser must not care) and returns
    // the answer.
    Bytes exchange(const Bytes& bytes) {
        for (std::uint8_t b : bytes) board.receive(&b, 1);
        return drain(board);
    }
    std::vector<std::uint8_t> code(std::uint16_t from, std::size_t n) const {
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < n; ++i) out.push_back(board.code(6, static_cast<std::uint16_t>(from + i)));
        return out;
    }
    std::vector<std::uint8_t> xdata(std::uint16_t from, std::size_t n) const {
        std::vector<std::uint8_t> out;
        for (std::size_t i = 0; i < n; ++i) out.push_back(board.xdata(static_cast<std::uint16_t>(from + i)));
        return out;
    }
};

std::vector<std::uint8_t> ramp(std::uint8_t first, std::size_t n) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < n; ++i) out.push_back(static_cast<std::uint8_t>(first + i));
    return out;
}

TEST(BoardCopy, OverlappingCopiesInTheRightDirectionMoveEveryByteOnce) {
    Rig r;
    r.board.setMaster(0xF400, 6);  // the code commands' hardware bank
    r.board.setCode(6, 0x1000, ramp(1, 8));
    // Up by 4 from the high end: z = 0x100B is the last byte written.
    EXPECT_EQ(r.exchange(cmd('M', 0x1000, 0x1007, 0x100B, {'P', 'U'})), Bytes{0x00});
    EXPECT_EQ(r.code(0x1004, 8), ramp(1, 8));
    // Down by 4 from the low end.
    EXPECT_EQ(r.exchange(cmd('M', 0x1004, 0x100B, 0x1000, {'P', 'D'})), Bytes{0x00});
    EXPECT_EQ(r.code(0x1000, 8), ramp(1, 8));
    // The wrong direction smears, as the board's loop would.
    EXPECT_EQ(r.exchange(cmd('M', 0x1000, 0x1007, 0x1001, {'P', 'D'})), Bytes{0x00});
    EXPECT_EQ(r.code(0x1000, 4), (std::vector<std::uint8_t>{1, 1, 1, 1}));
    // Unknown forms change nothing and say so; ends the wrong way round copy
    // nothing.
    r.board.setCode(6, 0x2000, ramp(0x40, 4));
    EXPECT_EQ(r.exchange(cmd('M', 0x2000, 0x2003, 0x3000, {'Q', 'D'})), Bytes{0x01});
    EXPECT_EQ(r.exchange(cmd('M', 0x2003, 0x2000, 0x3000, {'P', 'D'})), Bytes{0x00});
    EXPECT_EQ(r.board.code(6, 0x3000), 0xFF);

    // External data: 07 upwards, 06 from the top, 05 fills.
    r.board.setXdata(0x0100, ramp(0x10, 6));
    EXPECT_EQ(r.exchange(cmd('J', 0x0105, 0x0100, 0x0107, {0x06})), Bytes{0x00});
    EXPECT_EQ(r.xdata(0x0102, 6), ramp(0x10, 6));
    EXPECT_EQ(r.exchange(cmd('J', 0x0102, 0x0107, 0x0000, {0x07})), Bytes{0x00});
    EXPECT_EQ(r.xdata(0x0000, 6), ramp(0x10, 6));
    EXPECT_EQ(r.exchange(cmd('J', 0x0000, 0x0003, 0x0099, {0x05})), Bytes{0x00});
    EXPECT_EQ(r.xdata(0x0000, 5), (std::vector<std::uint8_t>{0x99, 0x99, 0x99, 0x99, 0x14}));
    EXPECT_EQ(r.exchange(cmd('J', 0x0000, 0x0003, 0x0000, {0x04})), Bytes{0x01});

    std::vector<std::string> names;
    for (const auto& c : r.board.log()) names.push_back(c.name);
    EXPECT_EQ(names, (std::vector<std::string>{"M", "M", "M", "M", "M", "J", "J", "J", "J"}));
}

TEST(BoardCopy, FillsReachCodePlaneAndWhatDnReachesAndLeaveFhBare) {
    Rig r;
    r.board.setMaster(0xF400, 2);
    EXPECT_EQ(r.exchange(fill('P', 0x00FE, 0x0101, 0x5A)), Bytes{0x00});
    EXPECT_EQ(r.board.code(2, 0x00FD), 0xFF);
    EXPECT_EQ(r.board.code(2, 0x00FE), 0x5A);
    EXPECT_EQ(r.board.code(2, 0x0101), 0x5A);
    EXPECT_EQ(r.board.code(2, 0x0102), 0xFF);
    EXPECT_EQ(r.board.code(6, 0x0100), 0xFF);
    // Internal data through master memory at 0x7A00.
    EXPECT_EQ(r.exchange(fill('I', 0x7A30, 0x7A31, 0xAA)), Bytes{0x00});
    EXPECT_EQ(r.board.internal(0x30), 0xAA);
    EXPECT_EQ(r.board.internal(0x32), 0x00);
    EXPECT_EQ(r.exchange(fill('N', 0x4000, 0x4000, 0x11)), Bytes{0x00});
    EXPECT_EQ(r.board.master(0x4000), 0x11);
    // Master copy of internal data.
    EXPECT_EQ(r.exchange(cmd('M', 0x7A30, 0x7A31, 0x7A41, {'N', 'U'})), Bytes{0x00});
    EXPECT_EQ(r.board.internal(0x40), 0xAA);
    EXPECT_EQ(r.board.internal(0x41), 0xAA);
    // A bare "FH" is still the pellunar start, answered at once, and the next
    // bytes are the next command.
    EXPECT_EQ(r.exchange(Bytes{'F', 'H', 'R', 'N', 0x40, 0x00}), (Bytes{0x00, 0x11}));
}

TEST(BoardCopy, ProgramCopyReadsTheTargetRomWhereTheMapLeavesTheProgramToTheTarget) {
    Rig r;
    r.board.setMaster(0xF400, 6);
    r.board.setCode(6, 0x0000, ramp(0x80, 0x80));
    // Without a target ROM the map does not matter.
    EXPECT_EQ(r.exchange(cmd('M', 0x0000, 0x007F, 0x0000, {'P', 'D'})), Bytes{0x00});
    EXPECT_EQ(r.code(0x0000, 0x80), ramp(0x80, 0x80));
    // With one: 0x0000-0x003F emulated (bit 1), 0x0040-0x007F the target's;
    // the ROM is 0x50 bytes long.
    r.board.setTargetRom(ramp(0x00, 0x50));
    r.board.setMaster(0xC000, 0x02);
    r.board.setMaster(0xC001, 0x00);
    EXPECT_EQ(r.exchange(cmd('M', 0x0000, 0x007F, 0x0000, {'P', 'D'})), Bytes{0x00});
    std::vector<std::uint8_t> expected = ramp(0x80, 0x40);
    const std::vector<std::uint8_t> rom = ramp(0x40, 0x10);
    expected.insert(expected.end(), rom.begin(), rom.end());
    expected.insert(expected.end(), 0x30, 0xFF);
    EXPECT_EQ(r.code(0x0000, 0x80), expected);
}

}  // namespace
}  // namespace tarvex::sim
