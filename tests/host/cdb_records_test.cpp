#include <gtest/gtest.h>

#include <fstream>

#include "core/errors.hpp"
#include "host/load/cdb_records.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

std::string chainText(const CdbTypeChain& c) {
    std::string s = "{" + std::to_string(c.size) + "}";
    for (const auto& e : c.elements) s += e + ",";
    return s + c.sign;
}

TEST(CdbRecords, SymbolAndFunctionRecordsAsSdccWritesThem) {
    struct Case {
        const char* text;  // after "S:" / "F:"
        bool function;
        char scope;
        const char* scopeModule;
        const char* scopeName;
        const char* name;
        int level, block;
        const char* chain;
        char space;
        const char* registers;  // joined, "-" for no list
    } cases[] = {
        {"G$buf$0_0$0({10}DA10d,SC:U),F,0,0", false, 'G', "", "", "buf", 0, 0, "{10}DA10d,SC,U", 'F', "-"},
        {"Ltypes.main$i$1_0$5({1}SC:U),R,0,0,[r7]", false, 'L', "types", "main", "i", 1, 5, "{1}SC,U", 'R', "R7"},
        {"Lports.main$i$1_0$19({1}SC:U),R,0,0,[]", false, 'L', "ports", "main", "i", 1, 19, "{1}SC,U", 'R', ""},
        {"Lm.f$l$1_0$2({4}SL:S),R,0,0,[r4,r5,r6,r7]", false, 'L', "m", "f", "l", 1, 2, "{4}SL,S", 'R', "R4R5R6R7"},
        {"Ftypes$counter$0_0$0({2}SI:U),E,0,0", false, 'F', "", "types", "counter", 0, 0, "{2}SI,U", 'E', "-"},
        {"G$blinkEnabled$0_0$0({1}SB0$1:U),H,0,0", false, 'G', "", "", "blinkEnabled", 0, 0, "{1}SB0$1,U", 'H', "-"},
        {"G$grid$0_0$0({12}DA3d,DA4d,SC:U),F,0,0", false, 'G', "", "", "grid", 0, 0, "{12}DA3d,DA4d,SC,U", 'F', "-"},
        {"G$box$0_0$0({15}STshape:S),F,0,0", false, 'G', "", "", "box", 0, 0, "{15}STshape,S", 'F', "-"},
        {"$x$3$1({1}SC:U),B,1,-4", false, 0, "", "", "x", 3, 1, "{1}SC,U", 'B', "-"},
        {"G$timer0Isr$0_0$0({2}DF,SV:S),C,0,0,1,1,1", true, 'G', "", "", "timer0Isr", 0, 0, "{2}DF,SV,S", 'C', "-"},
        {"Fports$delay$0_0$0({2}DF,SV:S),C,0,0,0,0,0", true, 'F', "", "ports", "delay", 0, 0, "{2}DF,SV,S", 'C', "-"},
    };
    for (const auto& c : cases) {
        const auto r = ParseCdbSymbol(c.text, c.function);
        EXPECT_EQ(r.scope, c.scope) << c.text;
        EXPECT_EQ(r.scopeModule, c.scopeModule) << c.text;
        EXPECT_EQ(r.scopeName, c.scopeName) << c.text;
        EXPECT_EQ(r.name, c.name) << c.text;
        EXPECT_EQ(r.level, c.level) << c.text;
        EXPECT_EQ(r.block, c.block) << c.text;
        EXPECT_EQ(chainText(r.chain), c.chain) << c.text;
        EXPECT_EQ(r.space, c.space) << c.text;
        std::string regs = r.hasRegisterList ? "" : "-";
        for (const auto& reg : r.registers) regs += reg;
        EXPECT_EQ(regs, c.registers) << c.text;
    }
    const auto isr = ParseCdbSymbol("G$timer0Isr$0_0$0({2}DF,SV:S),C,0,0,1,1,1", true);
    EXPECT_TRUE(isr.isInterrupt);
    EXPECT_EQ(isr.interruptNumber, 1);
    EXPECT_EQ(isr.registerBank, 1);
    EXPECT_EQ(ParseCdbSymbol("$x$3$1({1}SC:U),B,1,-4", false).stackOffset, -4);
}

TEST(CdbRecords, LinkerRecords) {
    struct Case {
        const char* text;  // after "L:"
        CdbLinkKind kind;
        bool isEnd;
        const char* file;
        const char* scopeModule;
        const char* scopeName;
        const char* name;
        std::uint32_t line;
        std::uint32_t address;
    } cases[] = {
        {"C$main.c$12$0_0$0:1A3", CdbLinkKind::CLine, false, "main.c", "", "", "", 12, 0x1A3},
        {"C$main.c$12$0$0:1A3", CdbLinkKind::CLine, false, "main.c", "", "", "", 12, 0x1A3},
        {"A$types$391:0", CdbLinkKind::ALine, false, "types", "", "", "", 391, 0},
        {"G$far_fn$0$0:18000", CdbLinkKind::Global, false, "", "", "", "far_fn", 0, 0x18000},
        {"XG$main$0$0:15C", CdbLinkKind::Global, true, "", "", "", "main", 0, 0x15C},
        {"Ftypes$tick$0$0:7B", CdbLinkKind::FileStatic, false, "", "", "types", "tick", 0, 0x7B},
        {"XFtypes$tick$0$0:8B", CdbLinkKind::FileStatic, true, "", "", "types", "tick", 0, 0x8B},
        {"Ltypes_helper.helper$p$1_0$1:15", CdbLinkKind::Local, false, "", "types_helper", "helper", "p", 0, 0x15},
        {"S$x:10", CdbLinkKind::Other, false, "", "", "", "", 0, 0x10},
    };
    for (const auto& c : cases) {
        const auto r = ParseCdbLink(c.text);
        EXPECT_EQ(r.kind, c.kind) << c.text;
        EXPECT_EQ(r.isEnd, c.isEnd) << c.text;
        EXPECT_EQ(r.file, c.file) << c.text;
        EXPECT_EQ(r.scopeModule, c.scopeModule) << c.text;
        EXPECT_EQ(r.scopeName, c.scopeName) << c.text;
        EXPECT_EQ(r.name, c.name) << c.text;
        EXPECT_EQ(r.line, c.line) << c.text;
        EXPECT_EQ(r.address, c.address) << c.text;
    }
    for (const char* bad : {"C$main.c$x$0$0:1A3", "G$main$0$0:XYZ", "G$main$0$0", "G$main$a_0$0:10"})
        EXPECT_THROW(ParseCdbLink(bad), EConvertError) << bad;
}

TEST(CdbRecords, StructureRecordsAndChainElements) {
    const auto t = ParseCdbStruct(
        "Ftypes$point[({0}S:S$x$0_0$0({2}SI:S),Z,0,0)({2}S:S$y$0_0$0({1}SC:U),Z,0,0)({3}S:S$m$0_0$0({1}SB1$3:U),Z,0,0)]");
    EXPECT_EQ(t.scope, 'F');
    EXPECT_EQ(t.scopeName, "types");
    EXPECT_EQ(t.name, "point");
    ASSERT_EQ(t.members.size(), 3u);
    EXPECT_EQ(t.members[1].offset, 2u);
    EXPECT_EQ(t.members[1].symbol.name, "y");
    EXPECT_EQ(chainText(t.members[2].symbol.chain), "{1}SB1$3,U");

    struct Case {
        const char* element;
        char sign;
        int typeClass, baseCode;
        std::uint32_t number;
    } cases[] = {
        {"DA10d", 'U', 34, 255, 10}, {"DA", 'U', 34, 255, 0},  {"DF", 'S', 35, 255, 0}, {"DG", 'U', 33, 255, 0},
        {"DI", 'U', 39, 255, 1},     {"DX", 'U', 39, 255, 2},  {"DP", 'U', 39, 255, 3}, {"DD", 'U', 39, 255, 4},
        {"DC", 'U', 39, 255, 5},     {"SC", 'U', 0, 3, 0},     {"SC", 'S', 0, 2, 0},    {"SI", 'U', 0, 5, 0},
        {"SS", 'S', 0, 4, 0},        {"SL", 'U', 0, 7, 0},     {"SL", 'S', 0, 6, 0},    {"SV", 'S', 0, 11, 0},
        {"SF", 'S', 0, 8, 0},        {"STshape", 'S', 37, 255, 0}, {"SX", 'U', 0, 1, 0}, {"SQ", 'U', 0, 0, 0},
    };
    for (const auto& c : cases) {
        const auto e = RecogniseCdbElement(c.element, c.sign);
        EXPECT_EQ(e.typeClass, c.typeClass) << c.element << c.sign;
        EXPECT_EQ(e.baseCode, c.baseCode) << c.element << c.sign;
        EXPECT_EQ(e.number, c.number) << c.element << c.sign;
    }
    const auto bits = RecogniseCdbElement("SB1$3", 'U');
    EXPECT_EQ(bits.typeClass, 38);
    EXPECT_EQ(bits.bitPosition, 1);
    EXPECT_EQ(bits.bitWidth, 3);
    EXPECT_EQ(RecogniseCdbElement("STshape", 'S').structName, "shape");
}

// Every line of the SDCC fixtures parses; malformed lines are only marked.
TEST(CdbRecords, EveryLineOfTheSdccFixturesParses) {
    for (const char* name : {"ports.cdb", "hooks.cdb", "hooks_old.cdb"}) {
        std::ifstream in(test::sourceDir() / "examples" / "build" / name);
        ASSERT_TRUE(in) << name;
        std::string line;
        int records = 0;
        while (std::getline(in, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const std::string_view text = std::string_view(line).substr(line.size() >= 2 ? 2 : 0);
            switch (CdbLineKind(line)) {
            case CdbKind::Function:
            case CdbKind::Symbol:
                EXPECT_NO_THROW(ParseCdbSymbol(text, CdbLineKind(line) == CdbKind::Function)) << line;
                break;
            case CdbKind::Type:
                EXPECT_NO_THROW(ParseCdbStruct(text)) << line;
                break;
            case CdbKind::Link:
                EXPECT_NO_THROW(ParseCdbLink(text)) << line;
                break;
            default:
                break;
            }
            ++records;
        }
        EXPECT_GT(records, 100) << name;
    }
    EXPECT_EQ(CdbLineKind("Xyz"), CdbKind::Malformed);
    EXPECT_EQ(CdbSourceName("L:C$ports.c$39$0_0$1:7B"), "ports.c");
    EXPECT_EQ(CdbSourceName("L:A$ports$391:0"), "");
}

}  // namespace
}  // namespace tarvex
