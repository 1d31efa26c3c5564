#include <gtest/gtest.h>

#include <fstream>

#include "core/errors.hpp"
#include "host/load/loader_cdb.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

// A CDB file as SDCC 4.2 writes it for two modules (all "L:" records last).
const std::vector<std::string> TypesCdb = {
    "M:types",
    "F:G$main$0_0$0({2}DF,SV:S),C,0,0,0,0,0",
    "F:Ftypes$tick$0_0$0({2}DF,SV:S),C,0,0,0,0,0",
    "T:Ftypes$point[({0}S:S$x$0_0$0({2}SI:S),Z,0,0)({2}S:S$y$0_0$0({1}SC:U),Z,0,0)]",
    "T:Ftypes$shape[({0}S:S$corner$0_0$0({6}DA2d,STpoint:S),Z,0,0)({6}S:S$area$0_0$0({4}SL:S),Z,0,0)]",
    "T:Ftypes$flags[({0}S:S$on$0_0$0({1}SB0$1:U),Z,0,0)({0}S:S$mode$0_0$0({1}SB1$3:U),Z,0,0)]",
    "S:G$box$0_0$0({10}STshape:S),F,0,0",
    "S:G$pbyte$0_0$0({1}SC:U),P,0,0",
    "S:G$fl$0_0$0({1}STflags:S),E,0,0",
    "S:G$ready$0_0$0({1}SX:U),H,0,0",
    "S:G$grid$0_0$0({12}DA3d,DA4d,SC:U),F,0,0",
    "S:G$cptr$0_0$0({2}DC,SC:U),E,0,0",
    "S:G$xptr$0_0$0({2}DX,SC:U),E,0,0",
    "S:G$gptr$0_0$0({3}DG,SC:U),E,0,0",
    "S:G$odd$0_0$0({2}DX,SQ:U),E,0,0",
    "S:Ftypes$counter$0_0$0({2}SI:U),E,0,0",
    "S:Ltypes.main$i$1_0$5({1}SC:U),R,0,0,[r7]",
    "S:Ltypes.main$j$1_0$5({1}SC:U),R,0,0,[]",
    "S:G$P0$0_0$0({1}SC:U),I,0,0",
    "Xyz",
    "M:types_helper",
    "F:G$helper$0_0$0({2}DF,SV:S),C,0,0,0,0,0",
    "T:Ftypes_helper$point[({0}S:S$x$0_0$0({1}SC:U),Z,0,0)]",
    "L:G$box$0_0$0:1",
    "L:G$pbyte$0_0$0:0",
    "L:G$fl$0_0$0:21",
    "L:G$grid$0_0$0:10",
    "L:Ftypes$counter$0_0$0:8",
    "L:G$main$0_0$0:100",
    "L:XG$main$0_0$0:120",
    "L:Ftypes$tick$0_0$0:90",
    "L:XFtypes$tick$0_0$0:9F",
    "L:G$helper$0_0$0:18000",
    "L:XG$helper$0_0$0:18010",
    "L:Ltypes_helper.helper$p$1_0$1:15",
    "L:C$types.c$32$1_0$5:103",
    "L:C$types.c$32$1_0$5:103",
    "L:C$types.c$1$0_0$1:0",
    "L:A$types$391:0",
    "L:A$types$40:100",
    "L:C$types_helper.c$7$1_0$1:18004",
};

struct Loaded {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    TCdbLoader loader{symbols, lines};
};

TSymbol* find(TSymboltabelle& t, const char* name, int kind) { return t.FindByName(name, kind); }

TEST(CdbLoader, SymbolsLinesAndModulesOfTwoModules) {
    Loaded l;
    ASSERT_TRUE(l.loader.Load(TypesCdb));
    auto& s = l.symbols;
    // Messages: the malformed line, the register local without a register.
    ASSERT_EQ(l.loader.Messages().size(), 2u);
    EXPECT_EQ(l.loader.Messages()[0], "CDB Format Error (missing \":\") in line: 20");
    EXPECT_EQ(l.loader.Messages()[1], "Ignore symbol j");

    struct Expect {
        const char* name;
        int kind;
        std::uint16_t offset;
        std::uint16_t moduleId;
        std::uint8_t klass;
    } expected[] = {
        {"box", sspExtData, 1, 0, 1},   {"pbyte", sspExtData, 0, 0, 1}, {"fl", sspIntData, 0x21, 0, 1},
        {"ready", sspBit, 0, 0, 1},     {"grid", sspExtData, 0x10, 0, 1}, {"counter", sspIntData, 8, 1, 1},
        {"i", sspRegBank, 7, 1, 0},     {"P0", sspSfr, 0, 0, 1},
    };
    for (const auto& e : expected) {
        TSymbol* sym = find(s, e.name, e.kind);
        ASSERT_NE(sym, nullptr) << e.name;
        EXPECT_EQ(sym->address.offset, e.offset) << e.name;
        EXPECT_EQ(sym->moduleId, e.moduleId) << e.name;
        EXPECT_EQ(sym->klass, e.klass) << e.name;
    }
    EXPECT_EQ(find(s, "i", sspRegBank)->functionId, 1);  // main, the first function of types
    EXPECT_EQ(find(s, "j", sspRegBank), nullptr);

    TSymbol* main = s.FunctionRecord(1, 1);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(main->name, "MAIN");  // the table upper-cases names
    EXPECT_EQ(main->address.offset, 0x100);
    EXPECT_EQ(main->size, 0x120u);
    EXPECT_EQ(s.FunctionName(1, 2), "TICK");
    TSymbol* helper = s.FunctionRecord(2, 1);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->address.offset, 0x8000);
    EXPECT_EQ(s.ModuleName(1), "TYPES");
    EXPECT_EQ(s.ModuleName(2), "TYPES_HELPER");

    // Lines: the C line once, in its module with file 0; A lines with file 1;
    // line 1 at address 0 dropped.
    std::vector<std::tuple<std::int32_t, std::uint16_t, std::uint16_t, std::uint16_t>> got;
    for (std::size_t i = 0; i < l.lines.Count(); ++i) {
        const auto* r = l.lines.Items(i);
        got.emplace_back(r->line, r->moduleId, r->fileNumber, r->address.offset);
    }
    const decltype(got) want = {{32, 1, 0, 0x103}, {391, 1, 1, 0}, {40, 1, 1, 0x100}, {7, 2, 0, 0x8004}};
    EXPECT_EQ(got, want);
    TZeilennummer* ref = l.lines.FindLineRef(":TYPES:#32");
    ASSERT_NE(ref, nullptr);
    EXPECT_EQ(ref->address.offset, 0x103);
}

TEST(CdbLoader, TypeChainsBecomeSharedTypeRecords) {
    Loaded l;
    l.loader.Load(TypesCdb);
    auto& s = l.symbols;
    auto typeOf = [&](const char* name, int kind) { return s.TypeAt(static_cast<int>(find(s, name, kind)->size)); };
    // Pointers: class 39 with their kind number, generic class 33.
    EXPECT_EQ(typeOf("cptr", sspIntData)->klass, 39);
    EXPECT_EQ(typeOf("cptr", sspIntData)->moduleId, 5);
    EXPECT_EQ(typeOf("xptr", sspIntData)->moduleId, 2);
    EXPECT_EQ(typeOf("cptr", sspIntData)->type, 3);
    EXPECT_EQ(typeOf("gptr", sspIntData)->klass, 33);
    EXPECT_EQ(typeOf("odd", sspIntData)->type, 0);  // "SQ": nothing SDCC writes
    // grid: array of 3 of array of 4 of unsigned char.
    TSymbol* grid = typeOf("grid", sspExtData);
    EXPECT_EQ(grid->klass, 34);
    EXPECT_EQ(grid->type, kTypeOfRecord);
    EXPECT_EQ(static_cast<unsigned char>(grid->name[0]), 3);
    TSymbol* row = s.TypeAt(grid->address.offset);
    EXPECT_EQ(static_cast<unsigned char>(row->name[0]), 4);
    EXPECT_EQ(row->type, 3);
    EXPECT_EQ(row->size, 4u);
    // shape: a structure whose member list names corner and area.
    TSymbol* shape = typeOf("box", sspExtData);
    EXPECT_EQ(shape->klass, 37);
    TSymbol* list = s.TypeAt(shape->address.offset);
    ASSERT_EQ(list->name.size(), 4u);
    EXPECT_EQ(list->moduleId, 2);
    TSymbol* area = s.TypeAt(static_cast<unsigned char>(list->name[2]) << 8 | static_cast<unsigned char>(list->name[3]));
    EXPECT_EQ(area->name, "area");
    EXPECT_EQ(area->moduleId, 6);  // member offset, low byte
    EXPECT_EQ(area->type, 6);
    // flags.mode: a bit field of width 3.
    auto member = [&](TSymbol* structure, int n) {
        const std::string& names = s.TypeAt(structure->address.offset)->name;
        return s.TypeAt(static_cast<unsigned char>(names[2 * n]) << 8 | static_cast<unsigned char>(names[2 * n + 1]));
    };
    TSymbol* mode = member(typeOf("fl", sspIntData), 1);
    EXPECT_EQ(mode->name, "mode");
    TSymbol* bits = s.TypeAt(mode->address.offset);
    EXPECT_EQ(bits->klass, 38);
    EXPECT_EQ(bits->functionId, 3);
    // The two modules' point structures are two records; a structure no
    // symbol has as its type takes its members' extent as its size.
    TSymbol* point = s.FindTypeByName(std::string("\0\1point", 7), 37, 0);
    ASSERT_NE(point, nullptr);
    EXPECT_EQ(s.TypeSize(point), 3u);
    EXPECT_EQ(s.TypeSize(s.ElementType(point)), 3u);
    EXPECT_NE(s.FindTypeByName(std::string("\0\2point", 7), 37, 0), nullptr);
    // The same chain twice is one record.
    EXPECT_EQ(typeOf("cptr", sspIntData), s.TypeAt(static_cast<int>(find(s, "cptr", sspIntData)->size)));
}

TEST(CdbLoader, TheSdccFixturesLoad) {
    for (const char* name : {"ports.cdb", "hooks.cdb", "hooks_old.cdb"}) {
        std::ifstream in(test::sourceDir() / "examples" / "build" / name);
        std::vector<std::string> text;
        for (std::string line; std::getline(in, line);) text.push_back(line);
        Loaded l;
        ASSERT_NO_THROW(l.loader.Load(text)) << name;
        EXPECT_GT(l.lines.Count(), 20u) << name;
        EXPECT_NE(l.symbols.MainFunction(), nullptr) << name;
    }
}

// examples/build/types.cdb, as SDCC 4.2 wrote it.
TEST(CdbLoader, TheTypesExample) {
    std::ifstream in(test::sourceDir() / "examples" / "build" / "types.cdb");
    std::vector<std::string> text;
    for (std::string line; std::getline(in, line);) text.push_back(line);
    Loaded l;
    ASSERT_TRUE(l.loader.Load(text));
    auto& s = l.symbols;
    // types_helper is linked first: module 1.
    EXPECT_EQ(s.ModuleName(1), "TYPES_HELPER");
    EXPECT_EQ(s.ModuleName(2), "TYPES");
    TSymbol* helper = s.FunctionRecord(1, 1);
    ASSERT_NE(helper, nullptr);
    EXPECT_EQ(helper->address.offset, 0x62);
    EXPECT_EQ(helper->size, 0x77u);
    TSymbol* tick = s.FindByName("TICK", sspModuleFunction);
    ASSERT_NE(tick, nullptr);
    EXPECT_EQ(tick->moduleId, 2);
    EXPECT_EQ(tick->address.offset, 0x78);
    for (std::size_t i = 0; i < l.lines.Count(); ++i) {
        const auto* r = l.lines.Items(i);
        if (r->fileNumber == 0) {
            EXPECT_EQ(s.LocationText(r, false), r->moduleId == 1 ? "TYPES_HELPER.C" : "TYPES.C");
        }
    }
    const TZeilennummer* at = l.lines.FindLineRef(":TYPES:#47");
    ASSERT_NE(at, nullptr);
    EXPECT_EQ(at->address.offset, 0x78);
    EXPECT_EQ(l.lines.FindByAddress(UnbankedAdresse(0x62), 1)->fileNumber, 0);

    EXPECT_NE(s.FindByName("PBYTE", sspExtData), nullptr);
    EXPECT_NE(s.FindByName("BOX", sspExtData), nullptr);
    EXPECT_NE(s.FindByName("READY", sspBit), nullptr);
    EXPECT_NE(s.FindByName("TABLE", sspProgram), nullptr);
    EXPECT_NE(s.FindByName("IWORD", sspIntData), nullptr);
    TSymbol* i = s.FindByName("I", sspRegBank);
    ASSERT_NE(i, nullptr);
    EXPECT_EQ(i->address.offset, 7);
    EXPECT_EQ(i->moduleId, 2);
    EXPECT_EQ(s.FunctionName(i->moduleId, i->functionId), "MAIN");
    TSymbol* counter = s.FindByName("COUNTER", sspIntData);
    ASSERT_NE(counter, nullptr);
    EXPECT_EQ(counter->moduleId, 2);
    EXPECT_EQ(counter->klass, 1);

    // shape's members: corner (an array of 2 point), area at 6 (long), ratio at 10 (float).
    TSymbol* shape = s.TypeAt(static_cast<int>(s.FindByName("BOX", sspExtData)->size));
    EXPECT_EQ(shape->klass, 37);
    const std::string& members = s.TypeAt(shape->address.offset)->name;
    ASSERT_EQ(members.size(), 6u);
    auto member = [&](int n) {
        return s.TypeAt(static_cast<unsigned char>(members[2 * n]) << 8 | static_cast<unsigned char>(members[2 * n + 1]));
    };
    EXPECT_EQ(member(0)->name, "corner");
    EXPECT_EQ(s.TypeAt(member(0)->address.offset)->klass, 34);
    EXPECT_EQ(member(1)->moduleId, 6);
    EXPECT_EQ(member(1)->type, 6);
    EXPECT_EQ(member(2)->moduleId, 10);
    EXPECT_EQ(member(2)->type, 8);
    const int pointers[][2] = {{39, 5}, {39, 2}, {39, 4}, {39, 1}, {39, 3}, {33, 0}};
    const char* names[] = {"CPTR", "XPTR", "DPTR", "IPTR", "PPTR", "GPTR"};
    for (int n = 0; n < 6; ++n) {
        TSymbol* t = s.TypeAt(static_cast<int>(s.FindByName(names[n], sspIntData)->size));
        EXPECT_EQ(t->klass, pointers[n][0]) << names[n];
        if (pointers[n][0] == 39) {
            EXPECT_EQ(t->moduleId, pointers[n][1]) << names[n];
        }
    }
}

TEST(CdbLoader, BadNumbersEndTheLoad) {
    Loaded l;
    EXPECT_THROW(l.loader.Load({"M:m", "S:G$x$a$0({1}SC:U),E,0,0"}), EConvertError);
}

// Variables in several registers: a register location over their function,
// the list reversed (SDCC names the low byte first, the watches read the
// first register as the highest byte) and counted, so that R0 is listed too.
TEST(CdbLoader, RegisterListsBecomeRegisterLocations) {
    const struct {
        const char* list;
        std::vector<std::uint8_t> registers;  // empty: "Ignore symbol"
    } cases[] = {
        {"[r6,r7]", {7, 6}},        {"[r0,r1]", {1, 0}},   {"[r4,r5,r6,r7]", {7, 6, 5, 4}},
        {"[dpl,dph,b,a]", {8, 9, 11, 10}}, {"[a]", {8}}, {"[r0,r1,r2,r3,r4]", {}}, {"[r6,x7]", {}},
    };
    for (const auto& c : cases) {
        Loaded l;
        ASSERT_TRUE(l.loader.Load({"M:m", "F:G$main$0_0$0({2}DF,SV:S),C,0,0,0,0,0",
                                   std::string("S:Lm.main$x$1_0$2({2}SI:U),R,0,0,") + c.list, "L:G$main$0$0:62",
                                   "L:XG$main$0$0:88"}));
        TSymbol* x = find(l.symbols, "x", sspIntData);
        if (c.registers.empty()) {
            EXPECT_EQ(x, nullptr) << c.list;
            ASSERT_EQ(l.loader.Messages().size(), 1u) << c.list;
            EXPECT_EQ(l.loader.Messages()[0], "Ignore symbol x") << c.list;
            continue;
        }
        ASSERT_NE(x, nullptr) << c.list;
        EXPECT_EQ(x->functionId, 1) << c.list;
        ASSERT_EQ(x->locationCount, 1) << c.list;
        const TLocation* at = l.symbols.Locations().Items(x->firstLocation);
        ASSERT_NE(at, nullptr) << c.list;
        EXPECT_EQ(at->kind, 12) << c.list;
        EXPECT_EQ(std::vector<std::uint8_t>(at->registers.begin(), at->registers.begin() + at->registerCount),
                  c.registers)
            << c.list;
        // Over main, its last instruction included.
        EXPECT_EQ(at->start.offset, 0x62) << c.list;
        EXPECT_EQ(at->end.offset, 0x89) << c.list;
    }
}

}  // namespace
}  // namespace tarvex
