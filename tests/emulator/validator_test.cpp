#include "emulator/validator.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {
namespace {

// Options whose tool chain a test chooses.
class ToolChainOptions final : public IOptionsInfo {
public:
    std::vector<std::string> sourceExts() const override { return {".c"}; }
    int toolChain() const override { return toolChain_; }
    bool findFile(std::string&) const override { return false; }
    int toolChain_ = 0;
};

struct Fields {
    StandardAddressSpaces spaces;
    FixedBanking banking;
    ToolChainOptions options;
    FixedTraceInfo trace{1};
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    TRegisterTabelle registers;
    TVokWinValidator v;

    Fields()
        : ctx(MakeContext()), symbols(ctx), lines(symbols, ctx), v(&symbols, &lines, &registers, &trace, ctx) {}

    TargetContext MakeContext() {
        TargetContext c;
        c.spaces = &spaces;
        c.banking = &banking;
        c.options = &options;
        return c;
    }

    void Number(TVokWinKonvertierung kind, TVokWinZugelassenes allowed = vwzBereich | vwzSymbole) {
        v.SetKonvertierung(kind);
        v.SetZugelassen(allowed);
    }
};

// The message a conversion fails with.
std::string FailureOf(TVokWinValidator& v, std::string_view text) {
    try {
        v.Konvertieren(text);
    } catch (const EVokWinConvertError& e) {
        EXPECT_FALSE(v.Valid());
        return e.what();
    }
    return "(no failure)";
}

TEST(Validator, RangesSplitAtTheSeparatorDashOrBlank) {
    Fields f;
    for (const char* text : {"1000-1FFF", "1000 1FFF", " 1000 - 1FFF "}) {
        if (std::string_view(text) == " 1000 - 1FFF ") {
            // The blank is the separator: "- 1FFF" is no expression.
            EXPECT_EQ(FailureOf(f.v, text), FmtLoadStr(224, text));
            continue;
        }
        f.v.Konvertieren(text);
        EXPECT_EQ(f.v.OutVonInt(), 0x1000) << text;
        EXPECT_EQ(f.v.OutBisInt(), 0x1FFF) << text;
        EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon).offset, 0x1000);
        EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kBis).offset, 0x1FFF);
    }
    f.v.SetTrennung(",");
    f.v.Konvertieren("1000,1FFF");
    EXPECT_EQ(f.v.OutBisInt(), 0x1FFF);
    // A separator inside parentheses does not split (and is no operator).
    EXPECT_EQ(FailureOf(f.v, "(1000,1)"), FmtLoadStr(334, "1000,1"));
    f.v.SetTrennung(" ");
    f.v.Konvertieren("(10 + 2)");
    EXPECT_EQ(f.v.OutVonInt(), 0x12);
    EXPECT_EQ(f.v.OutBisInt(), 0x12);
}

TEST(Validator, ExpressionsFollowPrecedenceAndParentheses) {
    Fields f;
    f.Number(TVokWinKonvertierung::vwkString2Integer);
    const std::pair<const char*, int> cases[] = {
        {"(2+3)*4", 20}, {"2+3*4", 14}, {"20/3", 6}, {"((1+2)*(3+4))", 21}, {"$FF+1", 256}, {"2*3*4/6", 4},
        {"100-1-1", 98}};
    for (const auto& [text, value] : cases) {
        f.v.SetZugelassen(vwzSymbole);  // no range: "-" is subtraction
        f.v.Konvertieren(text);
        EXPECT_EQ(f.v.OutVonInt(), value) << text;
    }
    for (const char* bad : {"()", "(2+3", "2+3)", "2+", "*2", "2 3", ")(", "(2)(3)", "$", "12a"}) {
        EXPECT_EQ(FailureOf(f.v, bad), FmtLoadStr(224, bad)) << bad;
    }
}

TEST(Validator, DivisionByZeroIsASyntaxError) {
    Fields f;
    f.Number(TVokWinKonvertierung::vwkString2Integer, vwzSymbole);
    EXPECT_EQ(FailureOf(f.v, "4/0"), FmtLoadStr(224, "4/0"));
    EXPECT_EQ(FailureOf(f.v, "4/(2-2)"), FmtLoadStr(224, "4/(2-2)"));
    // Address fields divide offsets.
    f.Number(TVokWinKonvertierung::vwkString2BankAdresse, vwzSymbole);
    EXPECT_EQ(FailureOf(f.v, "1000/0"), FmtLoadStr(224, "1000/0"));
}

TEST(Validator, CharactersThatAreNeitherOperandsNorOperators) {
    Fields f;
    f.Number(TVokWinKonvertierung::vwkString2Integer);
    for (const char* bad : {".5", "5,", "!5", "5&3", "=5", "5%2", "5=5"}) {
        EXPECT_EQ(FailureOf(f.v, bad), FmtLoadStr(224, bad)) << bad;
    }
    EXPECT_EQ(FailureOf(f.v, ""), FmtLoadStr(224, ""));
    EXPECT_EQ(FailureOf(f.v, "   "), FmtLoadStr(224, "   "));
}

TEST(Validator, NumbersMustLieBetweenZeroAndMaxInt) {
    Fields f;
    f.Number(TVokWinKonvertierung::vwkString2Byte);
    EXPECT_EQ(FailureOf(f.v, "300"), FmtLoadStr(366, "300", "255"));
    f.v.Konvertieren("255");
    EXPECT_EQ(f.v.OutVonInt(), 255);
    // Without ranges "5-10" is a subtraction whose result is negative.
    f.Number(TVokWinKonvertierung::vwkString2Byte, vwzSymbole);
    EXPECT_EQ(FailureOf(f.v, "5-10"), FmtLoadStr(366, "-5", "255"));
    f.Number(TVokWinKonvertierung::vwkString2Word, vwzSymbole);
    EXPECT_EQ(FailureOf(f.v, "65536"), FmtLoadStr(366, "65536", "65535"));
    f.Number(TVokWinKonvertierung::vwkString2Integer, vwzSymbole);
    EXPECT_EQ(FailureOf(f.v, "2147483648"), FmtLoadStr(366, "2147483648", "2147483647"));
    f.v.Konvertieren("2147483647");
    EXPECT_EQ(f.v.OutVonInt(), 2147483647);
    // Products that would overflow 64 bits fail instead of wrapping.
    EXPECT_NE(FailureOf(f.v, "99999*99999*99999*99999*99999").find("out of range"), std::string::npos);
    EXPECT_NE(FailureOf(f.v, "99999999999999999999999").find("out of range"), std::string::npos);
    // A field's own limit.
    f.v.SetMaxInt(1000);
    EXPECT_EQ(FailureOf(f.v, "1001"), FmtLoadStr(366, "1001", "1000"));
}

TEST(Validator, TooManyOperands) {
    Fields f;
    f.Number(TVokWinKonvertierung::vwkString2Integer, vwzSymbole);
    std::string text = "1";
    for (int i = 1; i < 32; ++i) text += "+1";
    f.v.Konvertieren(text);
    EXPECT_EQ(f.v.OutVonInt(), 32);
    text += "+1";
    EXPECT_EQ(FailureOf(f.v, text), FmtLoadStr(235, text));
}

TEST(Validator, AddressesAreCheckedAgainstTheirSpace) {
    Fields f;
    f.v.Konvertieren("0FFFFH");
    EXPECT_EQ(f.v.OutVonInt(), 0xFFFF);
    f.spaces.setProgramMax(UnbankedAdresse(0x7FFF));
    EXPECT_EQ(FailureOf(f.v, "8000"), FmtLoadStr(66, 0x8000));
    EXPECT_EQ(FailureOf(f.v, "1000-8000"), FmtLoadStr(66, 0x8000));
    EXPECT_EQ(FailureOf(f.v, "12345678"), FmtLoadStr(334, "12345678"));
    // Offsets wrap at 16 bits in address arithmetic.
    f.spaces.setProgramMax(UnbankedAdresse(0xFFFF));
    f.Number(TVokWinKonvertierung::vwkString2BankAdresse, vwzSymbole);
    f.v.Konvertieren("0FFFF+2");
    EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon).offset, 1);
    // Banked: bank and offset, and a bank beyond the last one fails.
    f.banking.set(3, false);
    f.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
    f.Number(TVokWinKonvertierung::vwkString2BankAdresse);
    f.v.Konvertieren("21234");
    EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon), BankedAdresse(2, 0x1234));
    EXPECT_EQ(f.v.OutVonInt(), 0x21234);
    EXPECT_EQ(FailureOf(f.v, "41234"), FmtLoadStr(67, 4, 0x1234));
    // A range from offset 0 into a bank starts in bank 0.
    f.v.Konvertieren("0-21234");
    EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon), BankedAdresse(0, 0));
    EXPECT_EQ(f.v.MaxInt(), 0x3FFFF);
}

// Five and six hex digits name a bank: only a banked space has one, and
// only as many as it has; any other address above the space's highest is
// refused with its value.
TEST(Validator, FiveAndSixDigitAddressesInEverySpace) {
    const struct {
        std::uint16_t klassen;
        SpaceKind space;
    } spaces[] = {{0x0003, SpaceKind::Program},
                  {0x0008, SpaceKind::ExtData},
                  {0x0004, SpaceKind::IntData},
                  {0x0020, SpaceKind::Sfr},
                  {0x0010, SpaceKind::Bit}};
    const char* const texts[] = {"10000", "1FFFF", "3FFFF", "100000", "FFFFFF", "0 10000"};
    for (bool banked : {false, true}) {
        for (const auto& s : spaces) {
            Fields f;
            if (banked) {
                f.banking.set(3, false);
                f.spaces.setProgramMax(BankedAdresse(3, 0xFFFF));
            }
            f.Number(TVokWinKonvertierung::vwkString2BankAdresse, vwzBereich | vwzSymbole);
            f.v.SetSymbolKlassen(s.klassen);
            for (const char* text : texts) {
                SCOPED_TRACE(std::string(text) + (banked ? " banked " : " ") + std::to_string(s.klassen));
                const std::string last = std::string(text).substr(std::string(text).rfind(' ') + 1);
                const auto value = static_cast<std::uint32_t>(std::stoul(last, nullptr, 16));
                const std::uint32_t bank = value >> 16;
                if (banked && s.space == SpaceKind::Program && bank <= 3) {
                    f.v.Konvertieren(text);
                    EXPECT_EQ(f.v.OutBisInt(), static_cast<std::int32_t>(value));
                } else if (banked && s.space == SpaceKind::Program) {
                    EXPECT_EQ(FailureOf(f.v, text), FmtLoadStr(67, bank, value & 0xFFFF));
                } else {
                    EXPECT_EQ(FailureOf(f.v, text), FmtLoadStr(66, value));
                }
            }
        }
    }
}

TEST(Validator, SymbolsAndTheirClasses) {
    Fields f;
    f.symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 0x20, 19, UnbankedAdresse(0x0100));
    f.symbols.AddSymbol(sspProgram, "loop", 0, 0, 240, 1, 19, UnbankedAdresse(0x0180));
    f.symbols.AddSymbol(sspIntData, "count", 0, 0, 240, 1, 19, UnbankedAdresse(0x30));
    f.v.Konvertieren("main+4");
    EXPECT_EQ(f.v.OutVonInt(), 0x104);
    f.v.Konvertieren("main-loop");
    EXPECT_EQ(f.v.OutVonInt(), 0x100);
    EXPECT_EQ(f.v.OutBisInt(), 0x180);
    // Kind 2 is not among the default classes.
    EXPECT_EQ(FailureOf(f.v, "count"), FmtLoadStr(334, "count"));
    f.v.SetSymbolKlassen(0x0807);
    EXPECT_EQ(FailureOf(f.v, "main+count"), FmtLoadStr(254, "main+count"));
    EXPECT_EQ(FailureOf(f.v, "main count"), FmtLoadStr(254, "main count"));
    // "@" and a module or function name: where its code ends.
    f.symbols.AddFunction("work", 1, UnbankedAdresse(0x0200), UnbankedAdresse(0x0250), 1);
    f.v.SetSymbolKlassen(TVokWinValidator::kDefaultSymbolKlassen);
    f.v.Konvertieren("@work");
    EXPECT_EQ(f.v.OutVonInt(), 0x250);
    f.v.Konvertieren("work-@work");
    EXPECT_EQ(f.v.OutBisInt(), 0x250);
    // Without symbols the name is read as an address.
    f.v.SetZugelassen(vwzBereich);
    f.v.SetSymbolKlassen(TVokWinValidator::kDefaultSymbolKlassen);
    EXPECT_EQ(FailureOf(f.v, "main"), FmtLoadStr(334, "main"));
}

TEST(Validator, WholeObjectsCoverTheirSize) {
    Fields f;
    f.v.SetGanzeGroesse(true);
    f.symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 0x20, 19, UnbankedAdresse(0x0100));
    f.v.Konvertieren("main");
    EXPECT_EQ(f.v.OutVonInt(), 0x100);
    EXPECT_EQ(f.v.OutBisInt(), 0x11F);
    // A function record ends at its recorded end offset.
    f.symbols.AddFunction("work", 1, UnbankedAdresse(0x0200), UnbankedAdresse(0x0250), 1);
    f.v.Konvertieren("work");
    EXPECT_EQ(f.v.OutBisInt(), 0x250);
    // Size 0 is one byte; an object that runs past 0xFFFF is refused.
    f.symbols.AddSymbol(sspProgram, "empty", 0, 0, 240, 0, 19, UnbankedAdresse(0x0300));
    f.v.Konvertieren("empty");
    EXPECT_EQ(f.v.OutBisInt(), 0x300);
    f.symbols.AddSymbol(sspProgram, "tail", 0, 0, 240, 0x20, 19, UnbankedAdresse(0xFFF0));
    EXPECT_EQ(FailureOf(f.v, "tail"), FmtLoadStr(66, 0x1000F));
    // A line stands for its code.
    f.symbols.AddModule("mod", 7, UnbankedAdresse(0x0400), UnbankedAdresse(0x04FF));
    f.lines.AddLine(UnbankedAdresse(0x0400), 42, 1, 1, 7);
    f.lines.AddLine(UnbankedAdresse(0x0408), 43, 1, 1, 7);
    f.v.Konvertieren(":MOD:#42");
    EXPECT_EQ(f.v.OutVonInt(), 0x400);
    EXPECT_EQ(f.v.OutBisInt(), 0x407);
    // A range given in full is kept.
    f.v.Konvertieren("main-200");
    EXPECT_EQ(f.v.OutBisInt(), 0x200);
}

TEST(Validator, RegisterNames) {
    Fields f;
    f.registers.AddRegister("P1", "", 0, 0, 0, 0x90, "");
    f.registers.AddRegister("TI", "", 2, 2, 0, 0x99, "");
    f.v.SetSymbolKlassen(1u << 5);
    f.v.Konvertieren("P1");
    EXPECT_EQ(f.v.OutVonInt(), 0x90);
    EXPECT_EQ(FailureOf(f.v, "TI"), FmtLoadStr(334, "TI"));
    f.v.SetSymbolKlassen(1u << 4);
    f.v.Konvertieren("TI");
    EXPECT_EQ(f.v.OutVonInt(), 0x99);
}

TEST(Validator, LocalSymbolsOfTheRoseToolChain) {
    Fields f;
    f.symbols.AddSymbol(sspRoseSpI, "local", 1, 1, 240, 1, 19, UnbankedAdresse(0x40));
    f.v.SetSymbolKlassen(1u << 2);
    EXPECT_EQ(FailureOf(f.v, "local"), FmtLoadStr(334, "local"));
    f.options.toolChain_ = 2;
    f.v.Invalidate();
    f.v.Konvertieren("local");
    EXPECT_EQ(f.v.OutVonInt(), 0x40);
}

TEST(Validator, LogicProbePatterns) {
    Fields f;
    f.v.SetKonvertierung(TVokWinKonvertierung::vwkString2LogicProbe);
    f.v.Konvertieren("10x");
    EXPECT_EQ(f.v.OutLogicProbe(), "XXXXXXXXXXXXX10X");
    EXPECT_EQ(FailureOf(f.v, "102"), FmtLoadStr(323, "102"));
    EXPECT_EQ(FailureOf(f.v, ""), FmtLoadStr(323, ""));
    EXPECT_EQ(FailureOf(f.v, "10101010101010101"), FmtLoadStr(323, "10101010101010101"));
    f.trace.setVersion(0);
    f.banking.set(4, false);
    f.v.Konvertieren("111111111111");
    EXPECT_EQ(f.v.OutLogicProbe(), "XXX111111111");
    EXPECT_EQ(FailureOf(f.v, "1111111111111"), FmtLoadStr(323, "1111111111111"));
    f.banking.set(7, false);
    f.v.Konvertieren("10X");
    EXPECT_EQ(f.v.OutLogicProbe(), "XXXXXXXXX10X");
    f.banking.set(1, false);
    f.v.Konvertieren("011111111111");
    EXPECT_EQ(f.v.OutLogicProbe(), "X11111111111");
}

TEST(Validator, ResultsThatDoNotExistCannotBeRead) {
    Fields f;
    const std::string invalid(LoadStr(338));
    EXPECT_THROW(f.v.OutVonInt(), EVokWinConvertError);
    f.v.Konvertieren("1000");
    EXPECT_THROW(f.v.OutLogicProbe(), EVokWinConvertError);
    EXPECT_EQ(f.v.OutVonInt(), 0x1000);
    f.v.SetGanzeGroesse(true);  // any property change drops the result
    EXPECT_THROW(f.v.OutBisInt(), EVokWinConvertError);
    f.v.SetKonvertierung(TVokWinKonvertierung::vwkString2LogicProbe);
    f.v.Konvertieren("1");
    try {
        f.v.OutAdresse(TVokWinValidator::kVon);
        ADD_FAILURE();
    } catch (const EVokWinConvertError& e) {
        EXPECT_EQ(e.what(), invalid);
    }
    // A failure drops the previous result.
    f.v.SetKonvertierung(TVokWinKonvertierung::vwkString2Integer);
    f.v.Konvertieren("5");
    EXPECT_THROW(f.v.Konvertieren("x"), EVokWinConvertError);
    EXPECT_THROW(f.v.OutVonInt(), EVokWinConvertError);
}

TEST(Validator, SameTextIsNotEvaluatedTwiceUntilSomethingChanges) {
    Fields f;
    TSymbol* main = f.symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 1, 19, UnbankedAdresse(0x0100));
    f.v.Konvertieren("main");
    EXPECT_EQ(f.v.OutVonInt(), 0x100);
    // Moving the record behind the table's back shows whether the second
    // conversion looked it up again.
    main->address.offset = 0x0200;
    f.v.Konvertieren("main");
    EXPECT_EQ(f.v.OutVonInt(), 0x100);
    f.v.Invalidate();
    f.v.Konvertieren("main");
    EXPECT_EQ(f.v.OutVonInt(), 0x200);
    // A reload of the symbols is noticed without being told.
    f.symbols.Clear();
    f.symbols.AddSymbol(sspProgram, "main", 0, 0, 240, 1, 19, UnbankedAdresse(0x0300));
    f.v.Konvertieren("main");
    EXPECT_EQ(f.v.OutVonInt(), 0x300);
    // So is a change of the banking.
    f.v.Konvertieren("01000");
    EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon), BankedAdresse(0, 0x1000));
    f.banking.set(1, false);
    f.spaces.setProgramMax(BankedAdresse(1, 0xFFFF));
    f.v.Konvertieren("01000");
    EXPECT_EQ(f.v.OutAdresse(TVokWinValidator::kVon), BankedAdresse(0, 0x1000));
    // Notifications of new symbols or lines drop the result too.
    f.v.Notify(4);
    EXPECT_FALSE(f.v.Valid());
}

}  // namespace
}  // namespace tarvex
