// The link traffic of the IDE's memory requests through the spaces, cold
// and warm: round trips and wire bytes at the protocol's minimum.
#include <gtest/gtest.h>

#include "emulator/download.hpp"
#include "emulator/memory_spaces.hpp"
#include "tests/support/target/sim_target.hpp"

namespace tarvex {
namespace {

struct Traffic {
    std::uint64_t roundTrips;
    std::uint64_t wireBytes;
};

Traffic traffic(const sim::Board& board) {
    const auto s = board.stats();
    return {s.roundTrips, s.bytesIn + s.bytesOut};
}

struct Rig : test::SimTarget {
    Rig() { start(); }
    // Runs op cold, then again warm; the lines of the cold run.
    std::vector<std::string> measure(const std::function<void()>& op, Traffic& cold, Traffic& warm) {
        fresh();
        op();
        cold = traffic(board);
        const auto lines = log();
        fresh();
        op();
        warm = traffic(board);
        return lines;
    }
};

TEST(MemoryTraffic, ReadsAtTheProtocolsMinimum) {
    struct Row {
        const char* what;
        std::function<void(Rig&)> op;
        std::vector<std::string> lines;
        Traffic cold;
    };
    const Row rows[] = {
        {"256 bytes of external data",
         [](Rig& r) { r.space(SpaceKind::ExtData).ReadBlock(UnbankedAdresse(0x4000), 256); },
         {"D E 80 40 00", "D E 80 40 80"},
         {2, 2 * 5 + 256}},
        {"64 bytes of code",
         [](Rig& r) { r.space(SpaceKind::Program).ReadBlock(UnbankedAdresse(0x1234), 64); },
         {"D P 80 12 00"},
         {1, 5 + 128}},
        {"128 bytes of internal data",
         [](Rig& r) { r.space(SpaceKind::IntData).ReadBlock(UnbankedAdresse(0), 128); },
         {"D N 80 7A 00"},
         {1, 5 + 128}},
        {"the registers after a halt",
         [](Rig& r) {
             // The halt's register string, PSW selecting bank 1: the image
             // is set once, before the cold run.
             auto& sfr = r.space(SpaceKind::Sfr);
             for (std::uint8_t a : {0x81, 0xD0, 0xF0, 0xE0, 0x82, 0x83}) sfr.ReadByte(a);
             EXPECT_EQ(r.space(SpaceKind::IntData).ReadRegisterBank().size(), 8u);
         },
         {"D N 08 7A 08"},
         {1, 5 + 8}},
    };
    for (const Row& row : rows) {
        Rig r;
        std::string image;
        for (int i = 0; i < r.registers.SfrCount(); ++i)
            image += static_cast<char>(r.registers.SfrAddress(i) == 0xD0 ? 0x08 : i);
        r.space(SpaceKind::Sfr).SetSfrImage(image);
        Traffic cold{}, warm{};
        const auto lines = r.measure([&] { row.op(r); }, cold, warm);
        EXPECT_EQ(lines, row.lines) << row.what;
        EXPECT_EQ(cold.roundTrips, row.cold.roundTrips) << row.what;
        EXPECT_EQ(cold.wireBytes, row.cold.wireBytes) << row.what;
        EXPECT_EQ(warm.roundTrips, 0u) << row.what;
        EXPECT_EQ(warm.wireBytes, 0u) << row.what;
    }
}

TEST(MemoryTraffic, DownloadOf64KiBWaitsForNoAnswer) {
    Rig r;
    const std::string code(0x10000, '\x00');
    r.space(SpaceKind::Program).WriteProgram(UnbankedAdresse(0), code);
    const Traffic t = traffic(r.board);
    EXPECT_EQ(t.roundTrips, 0u);
    EXPECT_EQ(t.wireBytes, 65536u + 263u * 4u);
    EXPECT_EQ(r.board.tally("p").commands, 263u);
}

TEST(MemoryTraffic, DownloadWithPellunarsScansInTheDriver) {
    Rig r;
    r.emu->SetPellunars(true);
    ASSERT_TRUE(r.emu->PellunarsOn());
    r.fresh();
    r.space(SpaceKind::Program).WriteProgram(UnbankedAdresse(0), std::string(0x10000, '\x00'));
    EXPECT_EQ(traffic(r.board).roundTrips, 0u);
    EXPECT_EQ(r.board.tally("p").commands, 526u);
    r.fresh();
    r.emu->Download().UpdatePellunars();
    EXPECT_LE(traffic(r.board).roundTrips, 1u);
}

}  // namespace
}  // namespace tarvex
