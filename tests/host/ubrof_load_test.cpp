#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "host/load/ubrof_load.hpp"
#include "tests/host/ubrof_test_writer.hpp"

namespace tarvex {
namespace {

using test::StartFunction;
using test::UbrofBytes;

// Type size of kind 3 = 2, module header "MAIN".
UbrofBytes hdr() { return UbrofBytes{0x4F, 3, 2, 0x00, 0, 0, 0, 0, 0, 0}.l("MAIN"); }
const UbrofBytes ModuleEnd = UbrofBytes{0x3D, 0, 0, 0, 0, 0, 0, 0, 0};

struct Rig {
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    TUbrofTables tables;
    std::map<std::uint32_t, std::uint8_t> code;  // bank << 16 | offset
    TUbrofLoad load{symbols, lines, tables};
    Rig() {
        load.SetCodeSink([this](const TBankAdresse& a, std::uint8_t b) { code[a.bank << 16 | a.offset] = b; });
    }
    void run(const UbrofBytes& file, const char* seed) {
        test::WriteSeed("fuzz_ubrof_reader", seed, file.data());
        test::WriteSeed("fuzz_ubrof_load", seed, file.data());
        load.Load(file.data(), seed);
    }
    TSymbol* type(int i) { return symbols.TypeAt(i); }
};

TEST(UbrofLoad, ModuleFunctionCodeLabelSourceAndLine) {
    Rig r;
    r.run(hdr()
              .bytes({0xB9})
              .w(1)
              .ws("main.c")
              .group(0, 0, 0)
              .group(0, 0, 0)
              .append(StartFunction())
              .append(ModuleEnd),
          "u1");
    const std::map<std::uint32_t, std::uint8_t> code = {{0xFF0000, 0x02}, {0xFF0001, 0x00}, {0xFF0002, 0x30}};
    EXPECT_EQ(r.code, code);
    EXPECT_EQ(r.load.CodeBytes(), 3u);
    TSymbol* module = r.symbols.FunctionRecord(1, 0);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(module->name, "MAIN");
    EXPECT_EQ(module->address.offset, 0);
    EXPECT_EQ(module->size, 2u);
    TSymbol* start = r.symbols.FunctionRecord(1, 1);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->name, "START");
    EXPECT_EQ(start->size, 2u);
    TSymbol* loop = r.symbols.FindByName("LOOP", sspProgram);
    ASSERT_NE(loop, nullptr);
    EXPECT_EQ(loop->klass, 1);
    EXPECT_EQ(loop->type, 0);
    EXPECT_EQ(loop->form, 1);
    ASSERT_EQ(r.lines.Count(), 1u);
    EXPECT_EQ(r.lines.Items(0)->line, 10);
    EXPECT_EQ(r.lines.Items(0)->fileNumber, 0);  // the 0xB9 record leaves index 0 behind it
    const TSymbolList* files = r.symbols.KindList(sspSource);
    ASSERT_EQ(files->Count(), 1u);
    EXPECT_EQ(files->Items(0)->address.offset, 1);
}

TEST(UbrofLoad, UndeclaredTagIsTheFormatError) {
    Rig r;
    const auto file = UbrofBytes{0x4F, 3, 2, 0xBD, 0, 0, 0, 1, 0x60, 0xFE, 0x60, 0x00, 0x03, 0xAA, 0xBB, 0xCC, 0x61, 0x00};
    try {
        r.run(file, "u2");
        FAIL();
    } catch (const EVokWinFileError& e) {
        EXPECT_STREQ(e.what(), "Loading: Format error in file u2");
    }
    // The declaration outlives the load: the next file may use tag 0x60.
    Rig again;
    again.tables = r.tables;
    EXPECT_NO_THROW(again.load.Load({0x60, 0x00, 0x01, 0xAA}, "next"));
}

TEST(UbrofLoad, TypesAndPendingMembers) {
    Rig r;
    const int b = static_cast<int>(r.symbols.KindList(sspTypedef)->Count());
    r.run(hdr()
              .bytes({0x4A, 0x00, 0x64, 0x0F, 0x00, 0x03})
              .bytes({0x4A, 0x00, 0x65, 0x11})
              .l("S")
              .d(4)
              .w(2)
              .d(0).l("A").w(4)
              .d(2).l("B").w(0x64)
              .bytes({0x4C, 2, 0, 2, 0, 0, 0, 0x30})
              .l("V")
              .bytes({0x00, 0x65, 0x00})
              .append(ModuleEnd),
          "u4");
    struct Expect {
        int index;
        std::uint8_t klass, type;
        std::uint32_t size;
        std::uint16_t moduleField;
        std::uint8_t bank;
        std::uint16_t offset;
    } expected[] = {
        {b, 15, 5, 3, 0, 0, 0},
        {b + 1, 17, 255, 4, 2, 0, static_cast<std::uint16_t>(b + 2)},
        {b + 2, 17, 4, 2, 0, 1, 0},
        {b + 3, 17, 255, 0, 2, 2, static_cast<std::uint16_t>(b)},
    };
    for (const auto& e : expected) {
        TSymbol* t = r.type(e.index);
        ASSERT_NE(t, nullptr) << e.index;
        EXPECT_EQ(t->klass, e.klass) << e.index;
        EXPECT_EQ(t->type, e.type) << e.index;
        EXPECT_EQ(t->size, e.size) << e.index;
        EXPECT_EQ(t->moduleId, e.moduleField) << e.index;
        EXPECT_EQ(t->address.bank, e.bank) << e.index;
        EXPECT_EQ(t->address.offset, e.offset) << e.index;
    }
    EXPECT_EQ(r.type(b + 1)->name, "S");
    TSymbol* v = r.symbols.FindByName("V", sspIntData);
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(v->address.offset, 0x30);
    EXPECT_EQ(v->type, 255);
    EXPECT_EQ(v->size, static_cast<std::uint32_t>(b + 1));

    Rig bad;
    EXPECT_THROW(bad.run(hdr().bytes({0x4A, 0x00, 0x64, 0x16}), "u5"), EVokWinFileError);
}

TEST(UbrofLoad, LiveRangesAndRegisterLocations) {
    Rig r;
    const auto item = [](std::uint32_t address, std::uint8_t kind, std::uint16_t segment, std::uint32_t value) {
        return UbrofBytes().w(0).d(address).b(kind).w(segment).d(value);
    };
    r.run(hdr()
              .bytes({0xA6, 2, 0, 2, 0, 0, 0, 0x30})
              .l("C")
              .w(0)
              .w(3)
              .append(item(0, 2, 2, 0x30))
              .append(item(0x10, 8, 6, 0x0706))  // R6 and R7 from here
              .append(item(0x18, 21, 0, 0))
              .l("")
              .append(ModuleEnd),
          "u6");
    TSymbol* c = r.symbols.FindByName("C", sspIntData);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->locationCount, 2);
    EXPECT_EQ(c->firstLocation, 0u);
    ASSERT_EQ(r.symbols.Locations().Count(), 2u);
    const TLocation* first = r.symbols.Locations().Items(0);
    EXPECT_EQ(first->start.offset, 0);
    EXPECT_EQ(first->end.offset, 0x10);
    EXPECT_EQ(first->kind, 2);
    EXPECT_EQ(first->offset, 0x30);
    const TLocation* reg = r.symbols.Locations().Items(1);
    EXPECT_EQ(reg->kind, 12);
    EXPECT_EQ(reg->end.offset, 0x18);
    EXPECT_EQ(reg->registers, (std::array<std::uint8_t, 4>{6, 7, 0, 0}));
}

TEST(UbrofLoad, ModuleNumbersPass255AndThePrePassStopsAtTheEnd) {
    Rig r;
    UbrofBytes file;
    file.bytes({0x7A, 1, 0, 2, 3, 0xC0}).d(0).w(0);  // before any 0x4F; an undeclared 0xC0 read and dropped
    for (int m = 1; m <= 300; ++m)
        file.bytes({0x00, 0, 0, 0, 0, 0, 0}).l("M" + std::to_string(m)).b(0x46).w(0).l("m.c").append(ModuleEnd);
    // A module with neither code, lines nor a source file gives its number
    // to the next one.
    file.bytes({0x00, 0, 0, 0, 0, 0, 0}).l("EMPTY").append(ModuleEnd);
    file.bytes({0x00, 0, 0, 0, 0, 0, 0}).l("LINES").bytes({0x47, 0, 5, 0, 0, 0, 0, 0, 0, 0}).append(ModuleEnd);
    r.run(file, "modules300");
    EXPECT_EQ(r.symbols.ModuleName(300), "M300");
    EXPECT_EQ(r.symbols.ModuleName(256), "M256");
    EXPECT_EQ(r.symbols.ModuleName(301), "LINES");

    Rig cancelled;
    int asked = 0;
    cancelled.load.SetCancel([&] { return ++asked > 5; });
    EXPECT_FALSE(cancelled.load.Load(file.data(), "cancelled"));
    EXPECT_EQ(cancelled.symbols.ModuleName(2), "");  // the fifth record was the last
}

TEST(UbrofLoad, BankLimitsAndBankedCode) {
    Rig r;
    r.run(hdr()
              .bytes({0x4C, 2, 0, 1}).d(0x4000).l("?BANK_LOW").w(0).l("")
              .bytes({0x4C, 2, 0, 1}).d(0).l("?BANK_HIGH").w(0).l("")
              .bytes({0x51, 1}).d(0x039234).bytes({0x39, 1, 0x22})
              .bytes({0x51, 1}).d(0x031234).bytes({0x39, 1, 0x23})
              .append(ModuleEnd),
          "u3");
    EXPECT_EQ(r.load.BankedAreaStart(), 0x4000);
    EXPECT_EQ(r.load.BankedAreaEnd(), 0xFFFF);
    const std::map<std::uint32_t, std::uint8_t> code = {{0x039234, 0x22}, {0xFE1234, 0x23}};
    EXPECT_EQ(r.code, code);
}

// Code that would run past 0xFFFF is refused before any byte of its record
// reaches the sink, and a record that continues a run which reached the end
// is refused too; a run that ends at 0xFFFF is whole.
TEST(UbrofLoad, CodePastTheEndOfTheBankIsRefusedBeforeItsFirstByte) {
    const auto file = [](std::initializer_list<std::uint8_t> sizes) {
        UbrofBytes f = hdr();
        f.bytes({0x51, 0x01}).d(0xFFF8);
        for (const std::uint8_t n : sizes) {
            f.bytes({0x39, n});
            for (std::uint8_t i = 0; i < n; ++i) f.b(0xA0 + i);
        }
        return f.append(ModuleEnd);
    };
    const struct {
        const char* seed;
        UbrofBytes file;
        std::size_t written;
        const char* error;  // empty: loaded
    } cases[] = {
        {"u7", file({16}), 0, "Address FFF8 + 16 out of address range"},
        {"u8", file({8, 1}), 8, "Address FFF8 + 9 out of address range"},
        {"u9", file({4, 4}), 8, ""},
    };
    for (const auto& c : cases) {
        Rig r;
        if (*c.error == 0) {
            r.run(c.file, c.seed);
        } else {
            try {
                r.run(c.file, c.seed);
                ADD_FAILURE() << c.seed;
            } catch (const EVokWinAddressError& e) {
                EXPECT_EQ(e.message(), c.error) << c.seed;
            }
        }
        EXPECT_EQ(r.code.size(), c.written) << c.seed;
        EXPECT_EQ(r.code.count(0xFF0000), 0u) << c.seed;  // never the bank's start
    }
}

std::vector<std::uint8_t> fromHex(const std::string& hex) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// Code placed in a bank is no common-area code of an all-banks load, and a
// block end too many leaves the module's name alone.
TEST(UbrofLoad, PlacedCodeNamesItsBankAndAStrayBlockEndEntersNothing) {
    Rig banked;
    banked.load.SetCurrentBank(BankAll);
    // Module MOD, 0x53 with bit 1, code position 0x039234, four code bytes.
    banked.load.Load(fromHex("00000000000000034d4f445300025101000392343904010203043d0000000000000000"), "u5");
    EXPECT_EQ(banked.code.size(), 4u);
    EXPECT_EQ(banked.code.count(0x039234), 1u);
    EXPECT_EQ(banked.load.HighestCommonOffset(), 0);

    // Module MOD with functions F1 and F2, a second block end after F1's.
    Rig stray;
    stray.load.Load(fromHex("00000000000000034d4f4450024631000000000000000000005101000001004700050000000000000039"
                            "030102034949500246320000000000000000000051010000020047000600000000000000390104493d"
                            "0000000000000000"),
                    "u6");
    EXPECT_EQ(stray.symbols.ModuleName(1), "MOD");
    ASSERT_NE(stray.symbols.FunctionRecord(1, 1), nullptr);
    EXPECT_EQ(stray.symbols.FunctionRecord(1, 1)->name, "F1");
    ASSERT_NE(stray.symbols.FunctionRecord(1, 2), nullptr);
    EXPECT_EQ(stray.symbols.FunctionRecord(1, 2)->name, "F2");
}

}  // namespace
}  // namespace tarvex
