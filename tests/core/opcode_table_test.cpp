#include "core/opcode_table.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(OpcodeLength, CountsPerLengthMatchTheInstructionSet) {
    // The MCS-51 map has 141 one-byte, 91 two-byte and 24 three-byte opcodes
    // (0xA5 counted as one byte).
    int count[4] = {};
    for (int op = 0; op < 256; ++op) ++count[OpcodeLength(static_cast<std::uint8_t>(op))];
    EXPECT_EQ(count[0], 0);
    EXPECT_EQ(count[1], 141);
    EXPECT_EQ(count[2], 91);
    EXPECT_EQ(count[3], 24);
}

TEST(OpcodeLength, RepresentativeOpcodes) {
    EXPECT_EQ(OpcodeLength(0x00), 1);  // NOP
    EXPECT_EQ(OpcodeLength(0xA5), 1);  // undefined
    EXPECT_EQ(OpcodeLength(0x85), 3);  // MOV dir,dir
    EXPECT_EQ(OpcodeLength(0xB8), 3);  // CJNE R0,#,rel
    EXPECT_EQ(OpcodeLength(0xD8), 2);  // DJNZ R0,rel
    EXPECT_EQ(OpcodeLength(0xD5), 3);  // DJNZ dir,rel
    EXPECT_EQ(OpcodeLength(0x75), 3);  // MOV dir,#
    EXPECT_EQ(OpcodeLength(0x78), 2);  // MOV R0,#
    EXPECT_EQ(OpcodeLength(0xE0), 1);  // MOVX A,@DPTR
    EXPECT_EQ(OpcodeLength(0x73), 1);  // JMP @A+DPTR
}

TEST(OpcodeLength, TwentyFourBitAddressesLengthenJumpsAndDptrLoad) {
    for (int op = 0; op < 256; ++op) {
        auto o = static_cast<std::uint8_t>(op);
        int expected = OpcodeLength(o);
        if ((op & 0x1F) == 0x01) expected = 3;
        if (op == 0x02 || op == 0x12 || op == 0x90) expected = 4;
        EXPECT_EQ(OpcodeLength(o, 4), expected) << op;
        EXPECT_EQ(OpcodeLength(o, 3), OpcodeLength(o)) << op;
    }
}

}  // namespace
}  // namespace tarvex
