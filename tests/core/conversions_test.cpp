#include <gtest/gtest.h>

#include "core/conversions.hpp"
#include "core/errors.hpp"

namespace tarvex {
namespace {

TEST(Conversions, BinaryTexts) {
    EXPECT_EQ(BinStrToInt(""), 0);
    EXPECT_EQ(BinStrToInt("101"), 5);
    EXPECT_EQ(BinStrToInt("0000000011111111"), 255);
    EXPECT_EQ(BinStrToInt(std::string(40, '0') + "1"), 1);
    EXPECT_EQ(BinStrToInt(std::string(32, '1')), -1);
    // The family's conversion error, so that the common handlers catch it.
    try {
        BinStrToInt("102");
        FAIL();
    } catch (const EVokWinConvertError& e) {
        EXPECT_EQ(e.message(), "Unvalid binary input 102");
    }
    EXPECT_THROW(BinStrToInt("1" + std::string(32, '0')), EVokWinConvertError);
    EXPECT_THROW(BinStrToInt(" 1"), EVokWinConvertError);
    EXPECT_EQ(ByteToBin(0xA5), "10100101");
    EXPECT_EQ(ByteToBin(0), "00000000");
}

TEST(Conversions, RawAndHexTexts) {
    EXPECT_EQ(WordToBytes(0x12AB), std::string("\x12\xAB", 2));
    EXPECT_EQ(WordToBytes(0x0100), std::string("\x01\x00", 2));
    EXPECT_EQ(ByteToHex(0x1AB), "AB");
    EXPECT_EQ(WordToHex(0x1ABCD), "ABCD");
    EXPECT_EQ(WordToHex(0xF), "000F");
    std::string text = "x";
    AppendHex(text, 0xABCDE, 3);
    AppendHex(text, 0x12345678, 8);
    AppendHex(text, 0x5, 0);
    EXPECT_EQ(text, "xCDE12345678");
    text.clear();
    AppendHex(text, 0xFEDCBA98, 12);  // never more digits than the value has bits
    EXPECT_EQ(text, "FEDCBA98");
    EXPECT_EQ(StrToHexText(std::string("\x01\xAB", 2), true), " 01 AB");
    EXPECT_EQ(StrToHexText(std::string("\x01\xAB", 2), false), "01AB");
    EXPECT_EQ(StrToHexText("", true), "");
}

TEST(Conversions, HexNormalisation) {
    EXPECT_EQ(HexStrNormalize("0x1fH"), "$1F");
    EXPECT_EQ(HexStrNormalize("$ff"), "$FF");
    EXPECT_EQ(HexStrNormalize("0A5h"), "$0A5");
    EXPECT_EQ(HexStrNormalize("12G4"), "");
    EXPECT_EQ(HexStrNormalize(""), "");
    EXPECT_EQ(HexStrNormalize(" 12"), "");
    // A bare prefix or suffix is no number.
    EXPECT_EQ(HexStrNormalize("H"), "");
    EXPECT_EQ(HexStrNormalize("$"), "");
    EXPECT_EQ(HexStrNormalize("0X"), "");
    EXPECT_EQ(HexStrNormalize("$0xH"), "");
}

TEST(Conversions, TimeTexts) {
    EXPECT_EQ(MsToTimeStr(3723004, 0), "1h02\"03'004");
    EXPECT_EQ(MsToTimeStr(5003, 0), "0\"05'003");
    EXPECT_EQ(MsToTimeStr(0, 0), "0\"00'000");
    EXPECT_EQ(MsToTimeStr(754003, 0), "12\"34'003");
    EXPECT_EQ(MsToTimeStr(5003, 12), "    0\"05'003");
    EXPECT_EQ(MsToTimeStr(3723004, 3), "1h02\"03'004");
    EXPECT_EQ(MsToTimeStr(0xFFFFFFFFu, 0), "1193h02\"47'295");
}

}  // namespace
}  // namespace tarvex
