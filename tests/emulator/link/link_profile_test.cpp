#include <gtest/gtest.h>

#include "emulator/link/board_identity.hpp"
#include "emulator/link/link_profile.hpp"
#include "tests/support/target/link_fixture.hpp"

namespace tarvex {
namespace {

using FC = FrameCommand;
using SS = SerialSource;
using MC = MemoryCommands;

// What each firmware the driver supports decides, written out per version
// text (the board's own generation in force).
struct FirmwareRow {
    const char* version;
    std::uint8_t code;
    std::uint8_t generation;
    const char* flashCommand;
    FC frame;
    bool byteWise;
    SS serial;
    MC memory;
    std::uint8_t traceBlock;
    int traceVersion;
    bool largeTrace;
    int iapForm;
    // resetStub, stopQuestion, specialResetAnswer, fpgaSizeSent, selectFill
    const char* newer;
    // dpsPatch, dallasPatch5C05, dallasPatch7CEE, watchdogCopy, dallasAddressing
    const char* patches;
};

constexpr FirmwareRow Rows[] = {
    {"3.0 ", 11, 0, "aIaP", FC::OneFrame, true, SS::None, MC::DirectBank, 1, 0, false, 0, "-----", "D----"},
    {"3.05", 12, 0, "aIaP", FC::OneFrame, true, SS::None, MC::DirectBank, 1, 0, false, 0, "-----", "D5--A"},
    {"4.0 ", 13, 1, "aIaP", FC::OneFrame, true, SS::FlashCells, MC::DirectBank, 1, 1, false, 0, "-----", "D57--"},
    {"4.1 ", 14, 1, "aIaP", FC::OneFrame, true, SS::FlashCells, MC::DirectBank, 1, 1, false, 0, "-----", "D57WA"},
    {"4.2 ", 15, 1, "aFlC", FC::OneFrame, true, SS::Command, MC::DirectBank, 1, 1, false, 0, "-----", "D57WA"},
    {"4.3 ", 16, 1, "aFlC", FC::Counter16, true, SS::Command, MC::DirectBank, 16, 1, false, 0, "R----", "D57WA"},
    {"4.31", 17, 1, "aFlC", FC::Counter24, true, SS::Command, MC::DirectBank, 16, 2, false, 0, "R----", "D57WA"},
    {"4.4 ", 17, 1, "aFlC", FC::Counter24, true, SS::Command, MC::DirectBank, 16, 2, false, 0, "R----", "D57WA"},
    {"5.0 ", 18, 1, "aFlC", FC::Counter24, false, SS::Command, MC::DirectBank, 16, 2, false, 1, "R---F", "D57WA"},
    {"5.1 ", 19, 1, "aFlC", FC::Counter24, false, SS::Command, MC::DirectBank, 16, 2, false, 1, "RQ--F", "D57WA"},
    {"5.2 ", 20, 1, "aFlC", FC::Counter24, false, SS::Command, MC::DirectBank, 16, 2, false, 1, "RQ--F", "D57WA"},
    {"6.0 ", 21, 2, "aFlC", FC::Counter24, false, SS::Command, MC::BankByte, 16, 2, true, 2, "RQZSF", "D57WA"},
    {"6.1 ", 22, 2, "aFlC", FC::Counter24, false, SS::Command, MC::BankByte, 16, 2, true, 2, "RQZSF", "D57WA"},
};

std::string flags(std::initializer_list<std::pair<bool, char>> bits) {
    std::string out;
    for (const auto& [on, letter] : bits) out += on ? letter : '-';
    return out;
}

TEST(LinkProfile, EachFirmwareVersionDecodesToItsRow) {
    for (const FirmwareRow& row : Rows) {
        const std::uint8_t code = VersionCode(row.version);
        const LinkProfile p = LinkProfile::Of(code, LinkProfile::GenerationOf(code));
        SCOPED_TRACE(row.version);
        EXPECT_EQ(p.code, row.code);
        EXPECT_EQ(p.generation, row.generation);
        EXPECT_EQ(p.flashCommand, row.flashCommand);
        EXPECT_EQ(p.transferCommand, std::string("b") + (row.flashCommand + 1));
        EXPECT_EQ(p.frameCommand, row.frame);
        EXPECT_EQ(p.byteWiseTransfer, row.byteWise);
        EXPECT_EQ(p.serialSource, row.serial);
        EXPECT_EQ(p.memoryCommands, row.memory);
        EXPECT_EQ(p.traceBlockSize, row.traceBlock);
        EXPECT_EQ(p.traceVersion, row.traceVersion);
        EXPECT_EQ(p.largeTraceMemory, row.largeTrace);
        EXPECT_EQ(p.iapForm, row.iapForm);
        EXPECT_EQ(flags({{p.resetStub, 'R'},
                         {p.stopQuestion, 'Q'},
                         {p.specialResetAnswer, 'Z'},
                         {p.fpgaSizeSent, 'S'},
                         {p.selectFill, 'F'}}),
                  row.newer);
        EXPECT_EQ(flags({{p.dpsPatch, 'D'},
                         {p.dallasPatch5C05, '5'},
                         {p.dallasPatch7CEE, '7'},
                         {p.watchdogCopy, 'W'},
                         {p.dallasAddressing, 'A'}}),
                  row.patches);
    }
}

TEST(LinkProfile, VersionsBeforeTheThirdAreNotSupported) {
    for (const char* version : {"1.0 ", "2.0 ", "2.4 ", "7.0 ", ""})
        EXPECT_EQ(LinkProfile::GenerationOf(VersionCode(version)), LinkProfile::NoGeneration) << version;
}

// What each generation has, whatever the firmware.
TEST(LinkProfile, TheGenerationInForceDecidesTheBoardsParts) {
    struct Row {
        std::uint8_t generation;
        bool flashBlocks, pellunars, optionByte, ownDataPlane;
        std::uint8_t frameSize, programBank, systemTopBank;
        int bankLimit, parity;
    };
    constexpr Row rows[] = {{0, false, false, false, false, 11, 7, 1, 1, 0},
                            {1, true, true, false, true, 12, 6, 7, 7, 1},
                            {2, true, true, true, true, 12, 6, 1, 7, -1},
                            {LinkProfile::NoGeneration, true, true, false, true, 12, 6, 1, 7, -1}};
    for (const Row& row : rows) {
        const LinkProfile p = LinkProfile::Of(17, row.generation);
        SCOPED_TRACE(int(row.generation));
        EXPECT_EQ(p.flashBlocks, row.flashBlocks);
        EXPECT_EQ(p.pellunars, row.pellunars);
        EXPECT_EQ(p.optionByte, row.optionByte);
        EXPECT_EQ(p.internalClock, row.optionByte);
        EXPECT_EQ(p.ownDataPlane, row.ownDataPlane);
        EXPECT_EQ(p.traceFrameSize, row.frameSize);
        EXPECT_EQ(p.programBank, row.programBank);
        EXPECT_EQ(p.systemTopBank, row.systemTopBank);
        EXPECT_EQ(p.hardwareBankLimit, row.bankLimit);
        EXPECT_EQ(p.bankingVersionParity, row.parity);
    }
}

TEST(LinkProfile, TheLinkKeepsTheProfileOfTheBoardItIdentified) {
    sim::BoardConfig config;
    config.version = "4.0 ";
    config.deviceVersion = 1;
    test::SimLink s(config);
    // Before the board answers, the generation chosen decides alone.
    s.link->SetGeraet(2);
    EXPECT_EQ(s.link->Profile().code, 0);
    EXPECT_TRUE(s.link->Profile().optionByte);
    s.identify();
    // A 4.0x board holding a device version is code 14, a TARVEX-V.
    EXPECT_EQ(s.link->Profile().code, 14);
    EXPECT_EQ(s.link->Profile().generation, 1);
    EXPECT_FALSE(s.link->Profile().optionByte);
    EXPECT_TRUE(s.link->Profile().watchdogCopy);
}

}  // namespace
}  // namespace tarvex
