#include <gtest/gtest.h>

#include <map>

#include "core/errors.hpp"
#include "host/load/loader_avr.hpp"
#include "platform/stream.hpp"
#include "tests/host/ubrof_test_writer.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

TEST(AvrObjectLoad, CodeAtByteAddressesLinesOnceAndRegisterAliases) {
    test::TempDir dir;
    const std::string asmText = ".include \"avrregs.inc\"\r\n.def temp = r16 ; work register\r\n"
                                ".def\tcnt\t=\tr17\r\n.def idx=r18\r\n.def low = r2\r\n.def r17 = r18\r\n.def  spaced  =  r19\r\n.equ SIZE = 4\r\n"
                                "rjmp main\r\n";
    const std::string incText = ".def\tXH\t= r27\n.def\tXL\t= r26\n.equ RAMEND = 0x45F\n";
    test::writeBytes(dir.file("avrdefs.asm"), std::vector<std::uint8_t>(asmText.begin(), asmText.end()));
    test::writeBytes(dir.file("avrregs.inc"), std::vector<std::uint8_t>(incText.begin(), incText.end()));

    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    TRegisterTabelle registers;
    // The 8051 table holds SFRs at 0x80 and above; the AVR registers stand
    // there for the test, R0..R7 as registers of kind 4.
    for (int n = 16; n < 32; ++n)
        registers.AddRegister("r" + std::to_string(n), "", 0, 0, 0, static_cast<std::uint8_t>(0x80 + n), "");
    for (int n = 0; n < 8; ++n) registers.AddRegister("R" + std::to_string(n), "", 4, 0, 0, static_cast<std::uint8_t>(n), "");
    std::map<std::uint32_t, std::uint8_t> memory;
    TAvrObjectLoad load(symbols, lines);
    load.SetCodeSink([&](std::uint32_t a, std::uint16_t w) {
        memory[a] = static_cast<std::uint8_t>(w & 0xFF);
        memory[a + 1] = static_cast<std::uint8_t>(w >> 8);
    });
    load.SetFindSource([&](const std::string& name) { return dir.file(name); });
    TAvrObjReader reader(std::make_unique<platform::MemoryStream>(test::AvrdefsObject()));
    load.Load(reader, "avrdefs");

    // The bytes avra's HEX file holds at the same addresses.
    const std::map<std::uint32_t, std::uint8_t> hex = {{0x00, 0x11}, {0x01, 0xC0}, {0x20, 0x0C}, {0x21, 0x94},
                                                        {0x22, 0x12}, {0x23, 0x00}, {0x24, 0x02}, {0x25, 0xE1},
                                                        {0x26, 0x10}, {0x27, 0x2F}, {0x28, 0xFD}, {0x29, 0xCF}};
    EXPECT_EQ(memory, hex);
    EXPECT_EQ(load.CodeBytes(), 12u);
    std::vector<std::pair<std::int32_t, std::uint16_t>> got;
    for (std::size_t i = 0; i < lines.Count(); ++i) got.emplace_back(lines.Items(i)->line, lines.Items(i)->address.offset);
    const decltype(got) want = {{9, 0x00}, {11, 0x20}, {12, 0x24}, {13, 0x26}, {14, 0x28}};
    EXPECT_EQ(got, want);
    EXPECT_EQ(symbols.ModuleName(1), "AVRDEFS");
    EXPECT_EQ(symbols.LocationText(lines.Items(0), false), "AVRDEFS.ASM");

    EXPECT_EQ(load.ReadAllDefs(reader, registers), 7);
    const std::map<std::string, std::uint16_t> aliases = {{"TEMP", 0x90}, {"CNT", 0x91}, {"IDX", 0x92},
                                                          {"SPACED", 0x93}, {"XH", 0x9B}, {"XL", 0x9A}};
    for (const auto& [name, reg] : aliases) {
        const TSymbol* s = symbols.FindByName(name, sspSfr);
        ASSERT_NE(s, nullptr) << name;
        EXPECT_EQ(s->address.offset, reg) << name;
        EXPECT_EQ(s->type, 3) << name;
        EXPECT_FALSE(s->address.banked) << name;
    }
    // A kind-4 register found through the upper-case name is internal data.
    ASSERT_NE(symbols.FindByName("LOW", sspIntData), nullptr);
    EXPECT_EQ(symbols.FindByName("LOW", sspIntData)->address.offset, 2);
    // ".equ" adds nothing; an alias named like a register is not entered.
    EXPECT_EQ(symbols.FindByName("SIZE", sspSfr), nullptr);
    EXPECT_EQ(symbols.FindByName("R17", sspSfr), nullptr);
}

}  // namespace
}  // namespace tarvex
