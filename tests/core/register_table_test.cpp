#include "core/register_table.hpp"

#include <gtest/gtest.h>

#include "core/errors.hpp"

namespace tarvex {
namespace {

std::string Refusal(TRegisterTabelle& t, std::string_view name, std::string_view low, std::uint8_t kind,
                    std::uint8_t high, std::uint8_t lowAddr, std::string_view highName = "") {
    try {
        t.AddRegister(name, low, kind, 0, high, lowAddr, highName);
    } catch (const ESymbolError& e) {
        return e.what();
    }
    return "accepted";
}

TEST(RegisterTable, APairAddsItsTwoSfrs) {
    TRegisterTabelle t;
    TRegister* dptr = t.AddRegister("DPTR", "DPL", 1, 0, 0x83, 0x82, "DPH");
    EXPECT_EQ(t.FindByAddress(0x8382), dptr);
    EXPECT_EQ(t.FindByAddress(0x82)->name, "DPL");
    EXPECT_EQ(t.FindByAddress(0x83)->name, "DPH");
    EXPECT_EQ(t.SfrCount(), 2);
    EXPECT_EQ(TRegisterTabelle::ValueText(dptr), "83 82");
    EXPECT_EQ(TRegisterTabelle::Address(dptr), UnbankedAdresse(0x8382));
    EXPECT_EQ(TRegisterTabelle::Width(dptr), 5);
    EXPECT_EQ(TRegisterTabelle::KindText(dptr), "Double SFR");
    EXPECT_EQ(TRegisterTabelle::KindName(dptr), "Sfr symbol");
}

TEST(RegisterTable, AFailingPairLeavesNothingBehind) {
    TRegisterTabelle t;
    t.AddRegister("DPL", "", 0, 0, 0, 0x82, "");
    EXPECT_EQ(Refusal(t, "DPTR", "DPL", 1, 0x83, 0x82, "DPH"), "Symbol name DPL already exists");
    EXPECT_EQ(Refusal(t, "DPTR", "XL", 1, 0x83, 0x82, ""), "Symbol  not valid");
    EXPECT_EQ(Refusal(t, "DPTR", "XL", 1, 0x83, 0x82, "XL"), "Symbol name XL already exists");
    EXPECT_EQ(Refusal(t, "DPTR", "XL", 1, 0x23, 0x82, "XH"), "Symbol DPTR not valid");
    EXPECT_EQ(t.List(TRegisterTabelle::kDoubleSfrList).Count(), 0u);
    EXPECT_EQ(t.SfrCount(), 1);
    EXPECT_NE(t.AddRegister("DPTR", "XL", 1, 0, 0x83, 0x82, "XH"), nullptr) << "nothing of the refusals stuck";
}

TEST(RegisterTable, ChecksOfNamesKindsAndAddresses) {
    TRegisterTabelle t;
    EXPECT_EQ(Refusal(t, "LOW", "", 0, 0, 0x7F), "Symbol LOW not valid");
    EXPECT_EQ(Refusal(t, "", "", 0, 0, 0x90), "Symbol  not valid");
    EXPECT_EQ(Refusal(t, "K", "", 6, 0, 0x90), "Symbol K not valid");
    EXPECT_EQ(Refusal(t, "R8", "", 4, 0, 8), "Symbol R8 not valid");
    EXPECT_EQ(Refusal(t, "P1", "", 0, 0x12, 0x90, "HI"), "accepted");
    EXPECT_EQ(Refusal(t, "P1", "", 0, 0, 0x91), "Symbol name P1 already exists");
    EXPECT_EQ(Refusal(t, "P1", "", 2, 0, 0x91), "accepted") << "names are unique per list";
    const TRegister* p1 = t.FindByName(0, "P1");
    EXPECT_EQ(p1->highAddr, 0) << "cleared for an SFR";
    EXPECT_EQ(p1->highPartName, "");
    EXPECT_EQ(t.FindByName(0, "p1"), nullptr) << "case-sensitive";
    EXPECT_EQ(t.FindAnyByName("P1"), p1);
    EXPECT_EQ(t.FindByName(7, "P1"), nullptr);
    EXPECT_THROW(TRegisterTabelle::Address(nullptr), ESymbolError);
    EXPECT_THROW(TRegisterTabelle::SymbolKind(nullptr), ESymbolError);
    EXPECT_THROW(TRegisterTabelle::Width(nullptr), ESymbolError);
    EXPECT_EQ(TRegisterTabelle::ValueText(nullptr), "");
}

TEST(RegisterTable, SmallAddressesFindWorkingRegistersNotTheProgramCounter) {
    TRegisterTabelle t;
    t.AddRegister("PC", "", 3, 0, 0x12, 0x34, "X");
    t.AddRegister("R0", "", 4, 0, 0, 0, "");
    t.AddRegister("R5", "", 4, 0, 0, 5, "");
    const TRegister* pc = t.FindByName(3, "PC");
    EXPECT_EQ(pc->highAddr, 0);
    EXPECT_EQ(pc->lowAddr, 0);
    EXPECT_EQ(t.FindByAddress(0)->name, "R0");
    EXPECT_EQ(t.FindByAddress(5)->name, "R5");
    EXPECT_EQ(t.FindByAddress(6), nullptr);
    EXPECT_EQ(t.FindByAddressInKind(3, 0), pc);
    EXPECT_EQ(TRegisterTabelle::WidthText(pc), "");
    EXPECT_EQ(TRegisterTabelle::Width(pc), 16);
    EXPECT_EQ(TRegisterTabelle::KindText(pc), "Program counter");
    EXPECT_EQ(TRegisterTabelle::KindName(t.FindByAddress(5)), "IntData memory symbol");
}

TEST(RegisterTable, SfrPositionsAndBits) {
    TRegisterTabelle t;
    t.AddRegister("P0", "", 0, 0, 0, 0x80, "");
    t.AddRegister("SP", "", 0, 0, 0, 0x81, "");
    t.AddRegister("CY", "", 2, 0x80, 0, 0xD7, "");
    t.AddRegister("WIDE", "WL", 1, 0, 0x99, 0x98, "WH");
    EXPECT_EQ(t.SfrCount(), 4);
    EXPECT_EQ(t.SfrAddress(1), 0x81);
    EXPECT_EQ(t.SfrAddress(9), 0);
    EXPECT_EQ(t.IndexOfSfr(0x81), 1);
    EXPECT_EQ(t.IndexOfSfr(0x99), 3);
    EXPECT_EQ(t.IndexOfSfr(0x42), -1);
    EXPECT_EQ(t.FindByAddressInKind(2, 0xD7)->name, "CY");
    EXPECT_EQ(TRegisterTabelle::ValueText(t.FindByName(2, "CY")), "D7");
    std::vector<TRegister*> all;
    t.CollectAll(all);
    EXPECT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0]->name, "P0");
    EXPECT_EQ(all[4]->name, "WIDE");
}

TEST(RegisterTable, SortingForDisplayKeepsTheWireOrder) {
    TRegisterTabelle t;
    t.AddRegister("SP", "", 0, 0, 0, 0x81, "");
    t.AddRegister("ACC", "", 0, 0, 0, 0xE0, "");
    t.AddRegister("P0", "", 0, 0, 0, 0x80, "");
    const std::vector<TRegister*> byName = t.SetSortOrder(TRegisterTabelle::kSfrList, 1);
    EXPECT_EQ(byName[0]->name, "ACC");
    EXPECT_EQ(byName[2]->name, "SP");
    const std::vector<TRegister*> byAddress = t.SetSortOrder(TRegisterTabelle::kSfrList, 2);
    EXPECT_EQ(byAddress[0]->name, "P0");
    EXPECT_EQ(byAddress[2]->name, "ACC");
    EXPECT_EQ(t.SfrAddress(0), 0x81) << "the table's own order is the file's";
    EXPECT_EQ(t.IndexOfSfr(0x80), 2);
    const std::uint32_t generation = t.Generation();
    t.Clear();
    EXPECT_EQ(t.SfrCount(), 0);
    EXPECT_NE(t.Generation(), generation);
}

TEST(RegisterTable, AssignTakesTheOtherTablesEntriesWhole) {
    TRegisterTabelle t, other;
    t.AddRegister("OLD", "", 0, 0, 0, 0x90, "");
    for (int i = 0; i < 5; ++i) other.AddRegister("R" + std::to_string(i), "", 0, 0, 0, 0x80, "");
    TRegister* kept = other.AddRegister("DPTR", "DPL", 1, 0, 0x83, 0x82, "DPH");
    const std::uint32_t before = std::max(t.Generation(), other.Generation());
    t.Assign(std::move(other));
    EXPECT_EQ(t.SfrCount(), 7);
    EXPECT_EQ(t.FindByName(1, "DPTR"), kept);  // the entries themselves, so groups may point at them
    EXPECT_EQ(t.FindByName(0, "OLD"), nullptr);
    EXPECT_EQ(other.SfrCount(), 0);
    EXPECT_GT(t.Generation(), before);
    EXPECT_GT(other.Generation(), before);
}

}  // namespace
}  // namespace tarvex
