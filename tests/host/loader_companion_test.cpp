// The companion loader of the UBROF path and its byte buffer.
#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "host/loader_companion.hpp"
#include "tests/host/loader_rig.hpp"

namespace tarvex::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::string hexOf(const Bytes& bytes, std::uint16_t at, std::size_t perRecord) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); i += perRecord) {
        const std::size_t n = std::min(perRecord, bytes.size() - i);
        const auto address = static_cast<std::uint16_t>(at + i);
        unsigned sum = static_cast<unsigned>(n + (address >> 8) + (address & 0xFF));
        text += Format(":%.2X%.4X00", static_cast<unsigned>(n), address);
        for (std::size_t k = 0; k < n; ++k) {
            text += Format("%.2X", bytes[i + k]);
            sum += bytes[i + k];
        }
        text += Format("%.2X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    return text + ":00000001FF\n";
}

TEST(LoaderCompanion, InstructionAcrossTwoWriteOutsIsRewrittenWhole) {
    LoaderRig r;
    Bytes code(8194, 0x00);
    code[0x1FFF] = 0x75, code[0x2000] = 0x80, code[0x2001] = 0x12;
    TKommandoStruktur q = r.request(r.file("split.hex", hexOf(code, 0, 16)), memkind::Program, fileformat::IntelHex,
                                    loadflag::Convert2);
    EXPECT_EQ(LoadHexBinFile(r.loader->Target(), q), 8194u);
    EXPECT_EQ(r.code(0x1FFF, 3), (Bytes{0x75, 0xE8, 0x12}));
    EXPECT_EQ(r.status.text(platform::LoadField::CodeAnzahl), "8194");
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "File loaded");
    EXPECT_EQ(r.status.text(platform::LoadField::Caption), "Load hex file");
    EXPECT_FALSE(r.status.isOpen());
    // Binary, into internal data: written at once, no rewrite there.
    TKommandoStruktur d = r.request(r.example("portrw.bin"), memkind::IntData, fileformat::Binary, 0,
                                    UnbankedAdresse(0x20));
    EXPECT_EQ(LoadHexBinFile(r.loader->Target(), d), 0x33u);
    EXPECT_EQ(r.board.internal(0x21), 0x80);
    EXPECT_EQ(r.status.text(platform::LoadField::Caption), "Load binary file");
}

TEST(LoaderCompanion, RecordBeyondTheSpaceRaisesTheRangeError) {
    LoaderRig r;
    TKommandoStruktur q =
        r.request(r.file("top.hex", hexOf(Bytes(32, 0x11), 0xFFF0, 32)), memkind::Program, fileformat::IntelHex);
    EXPECT_THROW(LoadHexBinFile(r.loader->Target(), q), EVokWinAddressError);
    EXPECT_EQ(r.status.text(platform::LoadField::Warnung), "Loading canceled");
    EXPECT_FALSE(r.status.isOpen());
    // Up to the last byte is fine.
    TKommandoStruktur ok =
        r.request(r.file("last.hex", hexOf(Bytes(16, 0x22), 0xFFF0, 16)), memkind::Program, fileformat::IntelHex);
    EXPECT_EQ(LoadHexBinFile(r.loader->Target(), ok), 16u);
    EXPECT_EQ(r.code(0xFFFF, 1), Bytes{0x22});
}

TEST(LoaderCompanion, ByteInterface) {
    LoaderRig r;
    TCompanionCodeBuffer b(r.spaces->Space(SpaceKind::Program));
    const Bytes mov = {0x75, 0x80, 0x12, 0xC2, 0x97};
    for (std::size_t i = 0; i < mov.size(); ++i)
        b.Append(UnbankedAdresse(static_cast<std::uint16_t>(0x100 + i)), mov[i], i < 3 ? 2 : 1);
    EXPECT_EQ(b.CodeBytes(), 0u);  // nothing written yet
    b.WriteOut();
    EXPECT_EQ(b.CodeBytes(), 5u);
    r.spaces->Space(SpaceKind::Program).ClearProgramCache();
    EXPECT_EQ(r.code(0x100, 5), (Bytes{0x75, 0x80, 0x12, 0xC2, 0xEF}));  // the mode of the write-out
    // A gap writes out first and starts the rewrite afresh: 80 is an opcode here.
    b.Append(UnbankedAdresse(0x200), 0x75, 2);
    b.Append(UnbankedAdresse(0x300), 0x80, 2);
    b.Append(UnbankedAdresse(0x301), 0x12, 2);
    b.WriteOut();
    r.spaces->Space(SpaceKind::Program).ClearProgramCache();
    EXPECT_EQ(r.code(0x300, 2), (Bytes{0x80, 0x12}));
    // Reset drops what is buffered.
    const Bytes before = r.code(0x400, 1);
    b.Append(UnbankedAdresse(0x400), 0x55, 0);
    b.Reset();
    b.WriteOut();
    EXPECT_EQ(b.CodeBytes(), 8u);
    r.spaces->Space(SpaceKind::Program).ClearProgramCache();
    EXPECT_EQ(r.code(0x400, 1), before);
}

}  // namespace
}  // namespace tarvex::test
