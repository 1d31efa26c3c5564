// The start of a debug session over the simulated board: what the driver
// does to the target's memory before the first target reset.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "host/agdi_records.hpp"
#include "tests/support/host/sim_host.hpp"

namespace tarvex {
namespace {

// Where the board keeps the code of a target without banking.
constexpr std::size_t CodePlane = 6;

// The first start of a session fills the whole program memory with 0 on the
// board, before the target is reset; code left from before reads 0.
TEST(SessionStart, ClearsTheProgramMemoryBeforeTheFirstReset) {
    test::SimHost h;
    const std::uint16_t left[] = {0x0000, 0x1234, 0xFFFF};
    for (std::uint16_t a : left) h.board.setCode(CodePlane, a, 0xA5);
    h.open(h.environment());
    ASSERT_EQ(h.object->AG_Init(0x100, 0), 0u);

    const auto log = h.board.log();
    const auto named = [&](const char* name) {
        return std::find_if(log.begin(), log.end(), [&](const sim::CommandRecord& c) { return c.name == name; });
    };
    const auto fill = named("FP");
    ASSERT_NE(fill, log.end());
    EXPECT_EQ(fill->bytes, (std::vector<std::uint8_t>{'F', 'P', 0x00, 0x00, 0xFF, 0xFF, 0x00}));
    EXPECT_LT(fill - log.begin(), named("Z") - log.begin());
    for (std::uint16_t a : left) {
        EXPECT_EQ(h.board.code(CodePlane, a), 0x00) << a;
        std::uint8_t b = 0xEE;
        agdi::MemRequest r{0xFF000000u | a, 0};
        EXPECT_EQ(h.object->AG_MemAcc(4, &b, &r, 1), 0u);
        EXPECT_EQ(b, 0x00) << a;
    }
}

}  // namespace
}  // namespace tarvex
