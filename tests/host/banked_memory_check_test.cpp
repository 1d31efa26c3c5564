// Random banked writes, reads, fills and copies in every banking mode, with
// and without the caches, against a plain model of emulation memory and the
// board's own code planes (fixed seeds; the fuzzer fuzz_banked_memory runs
// the same check longer).
#include "tests/support/host/banked_memory_check.hpp"

#include <gtest/gtest.h>

#include "tests/support/host/sim_host.hpp"

namespace tarvex {
namespace {

struct BankedHost : test::SimHost {
    explicit BankedHost(int mode) : SimHost(config(mode)) {
        open(environment());
        started = object->AG_Init(0x100, 0) == 0;
        object->Banking().SetBankingVersion(check::BankingVersionForMode(mode));
        object->Banking().SetBankingMode(mode);
    }
    ~BankedHost() { object.reset(); }
    static sim::BoardConfig config(int mode) {
        sim::BoardConfig c;
        c.version = check::BoardVersionForMode(mode);
        return c;
    }
    bool started = false;
};

TEST(BankedMemoryCheck, EveryModeWithAndWithoutCachesAgreesWithThePlainModel) {
    for (int mode = 0; mode < 12; ++mode) {
        SCOPED_TRACE(testing::Message() << "mode " << mode);
        BankedHost h(mode);
        ASSERT_TRUE(h.started);
        ASSERT_EQ(h.object->Banking().bankingMode(), mode);
        std::uint32_t state = 0x9E3779B9u * static_cast<std::uint32_t>(mode + 1);
        check::BankedMemoryCheck c(
            *h.object,
            [&state] {
                state ^= state << 13;
                state ^= state >> 17;
                state ^= state << 5;
                return state;
            },
            [&h](int hw, std::uint16_t offset) { return h.board.code(static_cast<std::size_t>(hw), offset); });
        // The model holds what the board holds, so one session serves both.
        for (const bool cached : {true, false}) {
            h.object->Spaces().SetNoCache(!cached);
            for (int step = 0; step < 150; ++step) ASSERT_TRUE(c.Step()) << (cached ? "cached: " : "") << c.Failure();
        }
    }
}

}  // namespace
}  // namespace tarvex
