#include "core/symbol_table.hpp"

#include <gtest/gtest.h>

namespace tarvex {
namespace {

TEST(SymbolTableAddress, NameAtFindsASymbolAddedBelowAnEarlierLookup) {
    TSymboltabelle t;
    t.AddSymbol(sspProgram, "A", 0, 0, 240, 1, 19, UnbankedAdresse(0x100));
    EXPECT_EQ(t.NameAt(UnbankedAdresse(0x100), sspProgram), "A");
    t.AddSymbol(sspProgram, "B", 0, 0, 240, 1, 19, UnbankedAdresse(0x050));
    EXPECT_EQ(t.NameAt(UnbankedAdresse(0x100), sspProgram), "A");
    EXPECT_EQ(t.NameAt(UnbankedAdresse(0x050), sspProgram), "B");
}

}  // namespace
}  // namespace tarvex
