#include "core/target_interfaces.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"

namespace tarvex {
namespace {

TEST(StandardAddressSpaces, LimitsOfAnUnbanked8051) {
    const StandardAddressSpaces spaces;
    EXPECT_EQ(spaces.maxAddress(SpaceKind::Program), UnbankedAdresse(0xFFFF));
    EXPECT_EQ(spaces.minAddress(SpaceKind::Program), UnbankedAdresse(0));
    EXPECT_EQ(spaces.maxAddress(SpaceKind::IntData), UnbankedAdresse(0xFF));
    EXPECT_EQ(spaces.minAddress(SpaceKind::Sfr), UnbankedAdresse(0x80));
    EXPECT_EQ(spaces.maxAddress(SpaceKind::Bit), UnbankedAdresse(0xFF));
    EXPECT_EQ(spaces.maxAddress(SpaceKind::EmulSystem), BankedAdresse(1, 0xFFFF));
    EXPECT_EQ(spaces.minAddress(SpaceKind::EmulSystem), BankedAdresse(0, 0));
    EXPECT_EQ(spaces.normalize(SpaceKind::IntData, UnbankedAdresse(0x1234)), UnbankedAdresse(0x34));
    EXPECT_EQ(spaces.normalize(SpaceKind::Program, BankedAdresse(2, 0x10)), BankedAdresse(2, 0x10))
        << "an unbanked space leaves banked addresses alone";
}

TEST(StandardAddressSpaces, BankedProgramSpace) {
    StandardAddressSpaces spaces;
    spaces.setProgramMax(BankedAdresse(3, 0x7FFF));
    EXPECT_EQ(spaces.minAddress(SpaceKind::Program), BankedAdresse(0, 0));
    EXPECT_EQ(spaces.normalize(SpaceKind::Program, UnbankedAdresse(0x10)), BankedAdresse(0, 0x10));
    EXPECT_EQ(spaces.normalize(SpaceKind::Program, BankedAdresse(6, 0x9000)), BankedAdresse(2, 0x1000));
    EXPECT_EQ(spaces.normalize(SpaceKind::Program, AllBanksAdresse(0x20)), AllBanksAdresse(0x20));
    EXPECT_EQ(spaces.normalize(SpaceKind::ExtData, BankedAdresse(6, 0x9000)), BankedAdresse(6, 0x9000));
}

TEST(BufferCodeReader, ReadsWithinTheImageOnly) {
    std::vector<std::uint8_t> image{0x02, 0x12, 0x34, 0x22};
    BufferCodeReader reader(image);
    std::uint8_t buf[4] = {};
    EXPECT_EQ(reader.read(UnbankedAdresse(1), buf, 4), 3);
    EXPECT_EQ(buf[0], 0x12);
    EXPECT_EQ(buf[2], 0x22);
    EXPECT_EQ(reader.read(UnbankedAdresse(4), buf, 1), 0);
    EXPECT_EQ(reader.read(UnbankedAdresse(0), nullptr, 1), 0);
    EXPECT_EQ(reader.read(UnbankedAdresse(0), buf, -1), 0);
}

// The checkers' configuration: no driver components at all, code from the
// checker's buffer.
TEST(TargetContext, TablesWorkWithTheCheckersDefaults) {
    std::vector<std::uint8_t> image(0x10000, 0x00);
    image[0x100] = 0x12;  // LCALL
    BufferCodeReader code(image);
    TargetContext ctx;
    ctx.code = &code;
    TSymboltabelle symbols(ctx);
    TZeilennummertabelle lines(symbols, ctx);
    EXPECT_EQ(symbols.Ext(), ".c");
    TZeilennummer* line = lines.AddLine(UnbankedAdresse(0x100), 1, 0, 0, 0);
    lines.AddLine(UnbankedAdresse(0x200), 2, 0, 0, 0);
    EXPECT_EQ(lines.LineEndAddress(line), UnbankedAdresse(0x102));
    symbols.Clear();  // notifies nobody, without fault
    lines.Clear();
    EXPECT_EQ(ctx.bankingOrDefault().maxCountBefehlsBytes(), 3);
}

}  // namespace
}  // namespace tarvex
