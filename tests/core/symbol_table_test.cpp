#include "core/symbol_table.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <random>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"
#include "tests/core/small_stack.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex {
namespace {

TBankAdresse U(std::uint16_t offset) { return UnbankedAdresse(offset); }
TBankAdresse B(std::uint8_t bank, std::uint16_t offset) { return BankedAdresse(bank, offset); }

TSymbol* Code(TSymboltabelle& t, std::string_view name, TBankAdresse at, std::uint32_t size = 1) {
    return t.AddSymbol(sspProgram, name, 0, 0, 240, size, 19, at);
}

// ---------------------------------------------------------------------------
// Filling

TEST(SymbolTableAdd, KindsWithoutAListAreRefusedWithTheirDisplayName) {
    TSymboltabelle t;
    try {
        t.AddSymbol(sspRegister, "R0", 0, 0, 240, 1, 19, U(0));
        FAIL() << "kind 12 was accepted";
    } catch (const ESymbolError& e) {
        EXPECT_STREQ(e.what(), "Register is not a valid symbol class");
    }
    EXPECT_THROW(t.AddSymbol(sspZeilennummer, "L", 0, 0, 240, 1, 19, U(0)), ESymbolError);
    EXPECT_THROW(t.AddSymbol(14, "X", 0, 0, 240, 1, 19, U(0)), ESymbolError);
    EXPECT_EQ(t.Count(), 0u);
    // Kinds are taken modulo 128, and kind 13 shares the internal-data list.
    EXPECT_NE(t.AddSymbol(128 + sspProgram, "P", 0, 0, 240, 1, 19, U(1)), nullptr);
    t.AddSymbol(sspRegBank, "RB", 0, 0, 240, 1, 19, U(8));
    EXPECT_EQ(t.KindList(sspIntData)->Count(), 1u);
}

TEST(SymbolTableAdd, MainIsFoundByItsLowerCasedNameWhateverTheStoredCase) {
    TSymboltabelle t;
    TSymbol* m = t.AddSymbol(sspProgram, "main", 0, 0, 240, 1, 19, U(0x100));
    EXPECT_EQ(m->name, "MAIN");
    EXPECT_EQ(t.MainFunction(), m);
    t.AddSymbol(sspProgram, "_main", 0, 0, 240, 1, 19, U(0x200));
    EXPECT_EQ(t.MainFunction(), m) << "the first main stays";
    TSymbol* f = t.AddFunctionRange("start", 1, U(0), U(0x10), 1);
    EXPECT_EQ(t.MainFunction(), f);
}

// Program memory of four banks, as a target context gives it.
struct FourBanks {
    FourBanks() {
        spaces.setProgramMax(B(3, 0xFFFF));
        ctx.spaces = &spaces;
    }
    StandardAddressSpaces spaces;
    TargetContext ctx;
};

TEST(SymbolTableAdd, AddressesAreNormalisedAgainstTheKindsSpace) {
    FourBanks banks;
    TSymboltabelle t(banks.ctx);
    EXPECT_EQ(Code(t, "A", B(5, 0x1234))->address, B(1, 0x1234));
    EXPECT_EQ(Code(t, "C", U(0x10))->address, B(0, 0x10));
    EXPECT_EQ(Code(t, "ALL", AllBanksAdresse(0x20))->address, AllBanksAdresse(0x20));
    EXPECT_EQ(t.AddSymbol(sspIntData, "I", 0, 0, 240, 1, 19, U(0x1FF))->address, U(0xFF));
    // Constants, file names and types keep their addresses.
    EXPECT_EQ(t.AddSymbol(sspConst, "K", 0, 0, 240, 1, 19, U(0x1234))->address, U(0x1234));
    // The "all Modules" symbol lies in bank 0 of a banked program space.
    EXPECT_EQ(TSymboltabelle(banks.ctx).AllModules().address, B(0, 0));
    EXPECT_EQ(TSymboltabelle().AllModules().address, U(0));
    EXPECT_EQ(TSymboltabelle().AllModules().name, "all Modules");
}

TEST(SymbolTableAdd, CodeSymbolsSetTheBitmapsAndTheReadRoutine) {
    TSymboltabelle t;
    Code(t, "_qz_Entry", U(0x300));
    Code(t, "plain", U(0x400));
    TSymbol* rd = Code(t, "_ReadP0", U(0xFFF9));
    Code(t, "other_readp0", U(0xFFF8));
    EXPECT_TRUE(t.IsCodeSymbolAt(0x300));
    EXPECT_TRUE(t.IsQzEntryAt(0x300));
    EXPECT_TRUE(t.IsCodeSymbolAt(0x400));
    EXPECT_FALSE(t.IsQzEntryAt(0x400));
    EXPECT_FALSE(t.IsCodeSymbolAt(0x401));
    EXPECT_EQ(t.PellunarReadRoutine(), rd);
}

TEST(SymbolTableAdd, FileNamesTakeTheFilePartAndTheDefaultExtension) {
    test::FakeOptionsInfo options;
    options.exts = {".c51", ".a51"};
    TargetContext ctx;
    ctx.options = &options;
    TSymboltabelle t(ctx);
    EXPECT_EQ(t.Ext(), ".c51");
    EXPECT_EQ(t.AddFileName("C:\\src\\Main", 1, 2)->name, "MAIN.C51");
    EXPECT_EQ(t.AddFileName("dir.d/x.c", 1, 3)->name, "X.C");
    EXPECT_EQ(t.KindList(sspSource)->Items(0)->address.offset, 2);
    t.SetRelativePath(false);
    EXPECT_EQ(t.AddFileName("dir.d/y", 1, 4)->name, "DIR.D/Y.C51");
    try {
        t.AddFileName("z.c", 0, 1);
        FAIL();
    } catch (const EVokWinValueError& e) {
        EXPECT_STREQ(e.what(), "Value in Module number not valid");
    }
}

TEST(SymbolTableAdd, CounterSymbolsAreNumberedByTheCodeSymbolCount) {
    TSymboltabelle t;
    Code(t, "X", U(0x10));
    EXPECT_EQ(t.AddCounterSymbol(U(0x2000), sspProgram)->name, "Y1");
    EXPECT_EQ(t.AddCounterSymbol(U(0x1000), sspProgram)->name, "Y2");
    EXPECT_EQ(t.AddCounterSymbol(U(0x1000), sspIntData), nullptr);
    EXPECT_EQ(t.NameAt(U(0x2000), sspProgram), "Y1");
}

// ---------------------------------------------------------------------------
// Names and scopes

class SymbolTableScopes : public ::testing::Test {
protected:
    void SetUp() override {
        t.AddModule("MAIN", 1, U(0x100), U(0x1FF));
        t.AddFunction("f", 1, U(0x120), U(0x14F), 5);
        t.AddFunction("g", 1, U(0x150), U(0x17F), 6);
        t.AddModule("UTIL", 2, U(0x200), U(0x2FF));
        t.AddSymbol(sspIntData, "x", 5, 1, 4, 2, 0, U(0x30));  // MAIN.f
        t.AddSymbol(sspIntData, "x", 6, 1, 4, 2, 1, U(0x32));  // MAIN.g
        t.AddSymbol(sspIntData, "x", 0, 2, 4, 2, 2, U(0x34));  // UTIL
        t.AddSymbol(sspIntData, "y", 0, 0, 4, 2, 1, U(0x36));  // global
    }
    TSymboltabelle t;
};

TEST_F(SymbolTableScopes, QualifiedNamesSelectModuleAndFunction) {
    EXPECT_EQ(t.FindByName(":main:g:x", sspIntData)->address.offset, 0x32);
    EXPECT_EQ(t.FindByName(":MAIN:x", sspIntData)->address.offset, 0x30) << "any function of MAIN";
    EXPECT_EQ(t.FindByName(":UTIL:x", sspIntData)->address.offset, 0x34);
    EXPECT_EQ(t.FindByName(":nosuch:x", sspIntData)->address.offset, 0x30) << "unknown module: any scope";
    EXPECT_EQ(t.FindByName("y", sspIntData)->address.offset, 0x36);
    EXPECT_EQ(t.FindByName(":MAIN:g:nosuch", sspIntData), nullptr);
    EXPECT_EQ(t.FindByName("", sspIntData), nullptr);
    EXPECT_EQ(t.FindByName("x", sspRegister), nullptr);
}

TEST_F(SymbolTableScopes, ScopesPathsAndVariables) {
    std::vector<TSymbol*> out;
    t.FindInScope(out, sspIntData, 1, 0);
    EXPECT_EQ(out.size(), 2u);
    out.clear();
    t.FindInScope(out, sspIntData, 1, 6);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0]->address.offset, 0x32);
    out.clear();
    t.FindInScope(out, sspIntData, 0, 6);
    EXPECT_EQ(out.size(), 4u);

    EXPECT_EQ(t.ModuleName(2), "UTIL");
    EXPECT_EQ(t.FunctionName(1, 6), "G");
    EXPECT_EQ(t.FunctionPath(1, 6), ":MAIN:G:");
    EXPECT_EQ(t.FunctionPath(9, 6), "");
    EXPECT_EQ(t.QualifiedName(out[1]), ":MAIN:G:X");
    EXPECT_EQ(t.PlainName(":main:g:x"), "X");

    EXPECT_EQ(t.FindVariable("x", 2, 0, 0)->address.offset, 0x34);
    EXPECT_EQ(t.FindVariable("x", 1, 1, 0)->address.offset, 0x32);
    EXPECT_EQ(t.FindVariable("x", 1, 2, 0), nullptr);
    EXPECT_EQ(t.FindVariable("g", 35, 1, 0)->functionId, 6) << "class 35: functions, any class";
    EXPECT_EQ(t.FindOfKind("y", 1, 0, 0, sspIntData)->address.offset, 0x36);
}

TEST_F(SymbolTableScopes, ModuleAtAnAddressIsTheInnermostRecord) {
    EXPECT_EQ(t.FindModuleAt(0x130)->name, "F");
    EXPECT_EQ(t.FindModuleAt(0x150)->name, "G");
    EXPECT_EQ(t.FindModuleAt(0x190)->name, "MAIN") << "past the functions, inside the module";
    EXPECT_EQ(t.FindModuleAt(0x2FF)->name, "UTIL");
    EXPECT_EQ(t.FindModuleAt(0x300), nullptr);
    EXPECT_EQ(t.FindModuleAt(0x50), nullptr);
}

TEST(SymbolTableCase, RenamedRecordsAndTypeNamesCompletedLaterAreFound) {
    TSymboltabelle t;
    TSymbol* v = t.AddSymbol(sspIntData, "old", 0, 0, 240, 1, 19, U(0x30));
    t.Rename(v, "new");
    EXPECT_EQ(v->name, "NEW");
    EXPECT_EQ(t.FindByName("new", sspIntData), v);
    EXPECT_EQ(t.FindByName("old", sspIntData), nullptr);
    // A loader appends member indices to a member-list record's name.
    TSymbol* list = t.AddSymbol(sspTypedef, "", 0, 0, 255, 0, 32, U(0));
    list->name += std::string("\x00\x01", 2);
    EXPECT_EQ(t.FindTypeByName(std::string("\x00\x01", 2), 32, 0), list);
    EXPECT_EQ(t.FindType(255, 0), nullptr);
}

TEST(SymbolTableCase, FileNamesCompareWithoutCaseAndTransformChangesStoredNames) {
    TSymboltabelle t;
    t.SetTransformCase(TTransformCase::tcNone);
    t.AddFileName("Main.c", 1, 0);
    Code(t, "Start", U(0x10));
    EXPECT_NE(t.FindByName("MAIN.C", sspSource), nullptr);
    EXPECT_EQ(t.FindByName("START", sspProgram), nullptr);
    t.SetTransformCase(TTransformCase::tcLower);
    EXPECT_EQ(t.NameAt(U(0x10), sspProgram), "start");
    EXPECT_NE(t.FindByName("START", sspProgram), nullptr) << "the lookup is transformed as well";
    EXPECT_EQ(AnsiUpperCase("gr\xfc\xdf"), "GR\xdc\xdf");
    EXPECT_EQ(AnsiLowerCase("\x8a\xc0Z"), "\x9a\xe0z");
}

// ---------------------------------------------------------------------------
// Addresses

TEST(SymbolTableAddress, NameAtFindsASymbolAddedBelowAnEarlierLookup) {
    TSymboltabelle t;
    Code(t, "A", U(0x100));
    EXPECT_EQ(t.NameAt(U(0x100), sspProgram), "A");
    Code(t, "B", U(0x050));
    EXPECT_EQ(t.NameAt(U(0x100), sspProgram), "A");
    EXPECT_EQ(t.NameAt(U(0x050), sspProgram), "B");
    // Also for lists without a bitmap and for later unsorted additions.
    t.AddSymbol(sspExtData, "V1", 0, 0, 240, 1, 19, U(0x4000));
    EXPECT_EQ(t.NameAt(U(0x4000), sspExtData), "V1");
    t.AddSymbol(sspExtData, "V0", 0, 0, 240, 1, 19, U(0x1000));
    t.KindList(sspExtData)->SortByName();
    t.AddSymbol(sspExtData, "A0", 0, 0, 240, 1, 19, U(0x0800));
    EXPECT_EQ(t.NameAt(U(0x1000), sspExtData), "V0");
    EXPECT_EQ(t.NameAt(U(0x0800), sspExtData), "A0");
}

TEST(SymbolTableAddress, AClearBitmapBitSparesTheWalk) {
    TSymboltabelle t;
    for (int i = 0; i < 100; ++i) Code(t, "L" + std::to_string(i), U(static_cast<std::uint16_t>(i * 16)));
    const std::uint64_t before = t.KindList(sspProgram)->comparisons();
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x11), 0), nullptr);
    EXPECT_EQ(t.KindList(sspProgram)->comparisons(), before);
    EXPECT_NE(t.FindByAddress(sspProgram, U(0x10), 0), nullptr);
    EXPECT_GT(t.KindList(sspProgram)->comparisons(), before);
}

TEST(SymbolTableAddress, ModesAboveBelowAndContaining) {
    TSymboltabelle t;
    Code(t, "LOW", U(0x0000), 4);
    Code(t, "MID", U(0x1000), 0x10);
    Code(t, "TOP", U(0xFFFF));
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0xFFFF), 2), nullptr);
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x0000), 3), nullptr);
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0xFFFE), 2)->name, "TOP");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x0001), 2)->name, "MID");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x1000), 2)->name, "TOP");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x1000), 3)->name, "LOW");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x100F), 4)->name, "MID");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x1010), 4), nullptr);
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x0003), 4)->name, "LOW");
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x1000), 1), nullptr);
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x1000), 5), nullptr);
    EXPECT_EQ(t.FindByAddress(sspTypedef, U(0), 0), nullptr);
}

TEST(SymbolTableAddress, AllBanksSymbolsMatchEveryBankAndIgnoreBankingDropsBanks) {
    StandardAddressSpaces spaces;
    spaces.setProgramMax(B(7, 0xFFFF));
    TargetContext ctx;
    ctx.spaces = &spaces;
    TSymboltabelle t(ctx);
    Code(t, "COMMON", AllBanksAdresse(0x0100));
    Code(t, "IN2", B(2, 0x8000));
    EXPECT_EQ(t.NameAt(B(5, 0x0100), sspProgram), "COMMON");
    EXPECT_EQ(t.NameAt(B(0, 0x0100), sspProgram), "COMMON");
    EXPECT_EQ(t.NameAt(B(3, 0x8000), sspProgram), "");
    EXPECT_EQ(t.NameAt(U(0x8000), sspProgram), "");
    EXPECT_EQ(t.FindByAddress(sspProgram, B(4, 0x0000), 2)->name, "COMMON");
    EXPECT_EQ(t.FindByAddress(sspProgram, B(2, 0x0200), 2)->name, "IN2");
    EXPECT_EQ(t.FindByAddress(sspProgram, B(3, 0x0200), 2), nullptr);
    t.SetIgnoreBanking(true);
    EXPECT_EQ(t.NameAt(U(0x8000), sspProgram), "IN2");
    EXPECT_EQ(t.NameAt(B(3, 0x8000), sspProgram), "") << "a banked address still needs its bank";
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x0200), 2)->name, "IN2");
}

// The searches answer exactly what the step-by-step definition answers: an
// exact search compares each record after adjusting it (banks ignored, all
// banks), the first match in address order wins, and modes 2 and 3 repeat
// the exact search offset by offset.
struct Reference {
    std::vector<TSymbol*> sorted;
    bool ignore = false;

    bool Matches(const TSymbol* s, TBankAdresse a) const {
        TBankAdresse r = s->address;
        if (ignore && !a.banked) r = UnbankedAdresse(r.offset);
        if (r.allBanks) r = a.banked ? BankedAdresse(a.bank, r.offset) : UnbankedAdresse(r.offset);
        return BankAdresseEqual(r, a);
    }
    const TSymbol* Exact(TBankAdresse a) const {
        for (const TSymbol* s : sorted)
            if (Matches(s, a)) return s;
        return nullptr;
    }
    const TSymbol* Step(TBankAdresse a, int mode) const {
        // No record lies above 0x400.
        while (mode == 2 ? a.offset < 0x401 : a.offset > 0) {
            a.offset = static_cast<std::uint16_t>(mode == 2 ? a.offset + 1 : a.offset - 1);
            if (const TSymbol* s = Exact(a)) return s;
        }
        return nullptr;
    }
};

TEST(SymbolTableAddress, BinarySearchesAgreeWithTheStepwiseDefinition) {
    std::mt19937 rng(1234);
    FourBanks banks;
    for (int round = 0; round < 6; ++round) {
        TSymboltabelle t(banks.ctx);
        t.SetIgnoreBanking(round % 2 == 1);
        for (int i = 0; i < 120; ++i) {
            const std::uint16_t offset = static_cast<std::uint16_t>(rng() % 0x400);
            TBankAdresse at;
            switch (rng() % 4) {
            case 0: at = AllBanksAdresse(offset); break;
            case 1: at = U(offset); break;
            default: at = B(static_cast<std::uint8_t>(rng() % 4), offset); break;
            }
            t.AddSymbol(sspExtData, "S" + std::to_string(i), 0, 0, 240, 1, 19, at);
            if (i % 40 == 0) t.FindByAddress(sspExtData, U(0), 0);  // sorted from here on
        }
        TSymbolList* list = t.KindList(sspExtData);
        list->SortByAddress();
        Reference ref;
        ref.ignore = t.IgnoreBanking();
        for (std::size_t i = 0; i < list->Count(); ++i) ref.sorted.push_back(list->Items(i));
        for (int q = 0; q < 400; ++q) {
            const std::uint16_t offset = static_cast<std::uint16_t>(rng() % 0x410);
            const TBankAdresse a = rng() % 3 == 0 ? U(offset) : B(static_cast<std::uint8_t>(rng() % 4), offset);
            ASSERT_EQ(t.FindByAddress(sspExtData, a, 0), ref.Exact(a)) << BankAdresseToStrFull(a);
            ASSERT_EQ(t.FindByAddress(sspExtData, a, 2), ref.Step(a, 2)) << BankAdresseToStrFull(a);
            ASSERT_EQ(t.FindByAddress(sspExtData, a, 3), ref.Step(a, 3)) << BankAdresseToStrFull(a);
        }
    }
}

TEST(SymbolTableAddress, ModuleAtAgreesWithTheInnermostHoldingRecord) {
    // Overlapping modules and functions in three banks and for all banks;
    // the answer is the holding function record that starts nearest below
    // the address (the shorter on a tie), else such a module record.
    std::mt19937 rng(77);
    FourBanks banks;
    for (int round = 0; round < 4; ++round) {
        TSymboltabelle t(banks.ctx);
        for (int i = 0; i < 90; ++i) {
            const auto first = static_cast<std::uint16_t>(rng() % 0x300);
            const TBankAdresse at =
                rng() % 4 == 0 ? AllBanksAdresse(first) : B(static_cast<std::uint8_t>(rng() % 3), first);
            TBankAdresse end = at;
            end.offset = static_cast<std::uint16_t>(first + rng() % 0x80);
            const auto module = static_cast<std::uint16_t>(1 + i % 7);
            if (rng() % 3 == 0)
                t.AddModule("M" + std::to_string(i), module, at, end);
            else
                t.AddFunction("F" + std::to_string(i), module, at, end, static_cast<std::uint16_t>(i + 1));
            if (i == 45) t.FindModuleAt(0);  // answered once before the rest is added
        }
        const TSymbolList* list = t.KindList(sspModuleFunction);
        for (int q = 0; q < 500; ++q) {
            const std::uint32_t bank = rng() % 4;
            const auto offset = static_cast<std::uint16_t>(rng() % 0x3A0);
            const TBankAdresse a = bank == 0 ? U(offset) : B(static_cast<std::uint8_t>(bank), offset);
            auto inner = [&](bool functions) {
                const TSymbol* best = nullptr;
                for (std::size_t i = 0; i < list->Count(); ++i) {
                    const TSymbol* s = list->Items(i);
                    if ((s->functionId != 0) != functions || CompareBankAdresse(s->address, a) > 0 ||
                        CompareBankAdresse(a, t.SymbolEndAddress(s)) > 0)
                        continue;
                    if (best == nullptr || s->address.offset > best->address.offset ||
                        (s->address.offset == best->address.offset && s->size < best->size))
                        best = s;
                }
                return best;
            };
            const TSymbol* expected = inner(true);
            if (expected == nullptr) expected = inner(false);
            const TSymbol* found = t.FindModuleAt(bank << 16 | offset);
            ASSERT_EQ(found == nullptr, expected == nullptr) << BankAdresseToStrFull(a);
            if (found == nullptr) continue;
            EXPECT_EQ(found->functionId != 0, expected->functionId != 0) << BankAdresseToStrFull(a);
            EXPECT_EQ(found->address.offset, expected->address.offset) << BankAdresseToStrFull(a);
            EXPECT_EQ(found->size, expected->size) << BankAdresseToStrFull(a);
        }
    }
}

TEST(SymbolTableAddress, RoutinesAndEntriesForThePellunarScan) {
    TSymboltabelle t;
    Code(t, "R1", U(0x1005));
    Code(t, "_QZ_E", U(0x2002));
    Code(t, "NOTQZ", U(0x3001));
    EXPECT_EQ(t.FindRoutineInRange(U(0x1000), 5)->name, "R1");
    EXPECT_EQ(t.FindRoutineInRange(U(0x1000), 4), nullptr);
    EXPECT_EQ(t.FindRoutineInRange(U(0x1006), 0xFFFF)->name, "_QZ_E");
    EXPECT_EQ(t.FindRoutineInRange(U(0x3002), 0xFFFF), nullptr);
    EXPECT_EQ(t.FindQzEntryNear(U(0x2000))->name, "_QZ_E");
    EXPECT_EQ(t.FindQzEntryNear(U(0x2003)), nullptr);
    EXPECT_EQ(t.FindQzEntryNear(U(0x3000)), nullptr);
    EXPECT_EQ(t.FindQzEntryNear(U(0xFFFF)), nullptr);
}

TEST(SymbolTableAddress, RoutinesInBanksAreFoundByTheirLinearAddress) {
    FourBanks banks;
    TSymboltabelle t(banks.ctx);
    Code(t, "IN1", B(1, 0x0005));
    EXPECT_EQ(t.FindRoutineInRange(B(1, 0x0000), 5)->name, "IN1");
    EXPECT_EQ(t.FindRoutineInRange(B(0, 0x0000), 5), nullptr);
    EXPECT_EQ(t.FindRoutineInRange(B(0, 0xFFFE), 0x10), nullptr) << "the bits of bank 0's top are clear";
}

TEST(SymbolTableAddress, SnapshotsKeepTheirOrderWhileSearchesReorderTheList) {
    TSymboltabelle t;
    TSymbol* c = Code(t, "C", U(0x10));
    TSymbol* a = Code(t, "a", U(0x30));
    TSymbol* b = Code(t, "B", U(0x20));
    TSymbolList& list = *t.KindList(sspProgram);
    const std::vector<TSymbol*> byName = list.Snapshot(TSymbolList::Order::ByName);
    list.SortByName();
    EXPECT_EQ(list.Items(0), a);
    EXPECT_EQ(t.FindByAddress(sspProgram, U(0x20), 0), b);
    EXPECT_EQ(list.Items(0), c) << "the search re-sorted the list";
    EXPECT_EQ(byName, (std::vector<TSymbol*>{a, b, c}));
    EXPECT_EQ(list.Snapshot(TSymbolList::Order::ByName), byName);
    EXPECT_EQ(list.Snapshot(TSymbolList::Order::ByAddress), (std::vector<TSymbol*>{c, b, a}));
    EXPECT_EQ(list.Snapshot(TSymbolList::Order::Unsorted), (std::vector<TSymbol*>{c, a, b}));
}

// ---------------------------------------------------------------------------
// Clear and notifications

TEST(SymbolTableClear, NotifiesCodeNineSynchronouslyWithTheTableEmpty) {
    test::RecordingNotifier notifier;
    TargetContext ctx;
    ctx.notifier = &notifier;
    TSymboltabelle t(ctx);
    Code(t, "main", U(0x100));
    std::size_t countSeen = 99;
    notifier.onSend = [&](std::uint8_t code, const void* data) {
        if (code == notify::TablesCleared && data == &t) countSeen = t.Count();
    };
    t.ModifiedSelect = false;
    const std::uint32_t generation = t.Generation();
    t.Clear();
    EXPECT_EQ(countSeen, 0u);
    EXPECT_EQ(notifier.count(notify::TablesCleared), 1);
    EXPECT_EQ(t.MainFunction(), nullptr);
    EXPECT_FALSE(t.IsCodeSymbolAt(0x100));
    EXPECT_TRUE(t.ModifiedSelect);
    EXPECT_NE(t.Generation(), generation);
}

TEST(SymbolTableClear, RelativePathChangeEmptiesFileNamesAndWarnsOnce) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes);
    TSymboltabelle t;
    t.SetRelativePath(false);
    EXPECT_TRUE(boxes.shown().empty()) << "nothing to clear, no warning";
    t.AddFileName("a.c", 1, 0);
    t.AddFileName("b.c", 1, 1);
    t.SetRelativePath(false);
    EXPECT_TRUE(boxes.shown().empty()) << "no change";
    t.SetRelativePath(true);
    ASSERT_EQ(boxes.shown().size(), 1u);
    EXPECT_EQ(boxes.shown()[0].text, "All file name symbols cleared. Load symbols again");
    EXPECT_EQ(t.KindList(sspSource)->Count(), 0u);
}

TEST(SymbolTableLocation, FileNameOfALineFromTheTableOrFoundOnce) {
    test::RecordingNotifier notifier;
    test::FakeOptionsInfo options;
    options.exts = {".c", ".a51"};
    options.files = {{"MAIN.c", "/src/MAIN.c"}, {"MAIN.a51", "/src/MAIN.a51"}};
    TargetContext ctx;
    ctx.notifier = &notifier;
    ctx.options = &options;
    TSymboltabelle t(ctx);
    TZeilennummertabelle lines(t, ctx);
    t.AddModule("main", 1, U(0), U(0xFF));
    t.AddFileName("util.c", 1, 3);
    TZeilennummer* known = lines.AddLine(U(0x10), 7, 3, 0, 1);
    TZeilennummer* unknown = lines.AddLine(U(0x20), 9, 1, 0, 1);
    EXPECT_EQ(t.LocationText(known, false), "UTIL.C");
    EXPECT_EQ(t.LocationText(unknown, false), "");
    EXPECT_EQ(notifier.count(notify::SymbolFileFound), 0);
    EXPECT_EQ(t.LocationText(unknown, true), "/src/MAIN.c");
    EXPECT_EQ(options.searches, 1) << "stops at the first hit";
    EXPECT_EQ(t.KindList(sspSource)->Count(), 2u);
    EXPECT_EQ(notifier.count(notify::SymbolFileFound), 1);
    EXPECT_EQ(t.LocationText(unknown, true), "MAIN.C") << "now from the table";
    EXPECT_EQ(t.LocationText(nullptr, true), "");
}

TEST(SymbolTableSettings, PropertiesRoundTripThroughTheOptionStream) {
    platform::MemoryStream stream;
    TSymboltabelle source;
    source.SetRelativePath(false);
    source.SetTransformCase(TTransformCase::tcLower);
    ValueWriter writer(stream);
    source.WriteProperties(writer);
    writer.WriteBoolean(false);
    writer.WriteInteger(7);  // a transformation no version knows
    stream.seek(0);
    ValueReader reader(stream);
    TSymboltabelle t;
    t.ReadProperties(reader, 19);
    EXPECT_FALSE(t.RelativePath());
    EXPECT_EQ(t.TransformCase(), TTransformCase::tcLower);
    t.SetTransformCase(TTransformCase::tcNone);
    t.ReadProperties(reader, 19);
    EXPECT_EQ(t.TransformCase(), TTransformCase::tcNone);
    t.SetDefaults();
    EXPECT_TRUE(t.RelativePath());
    EXPECT_EQ(t.TransformCase(), TTransformCase::tcUpper);
}

// ---------------------------------------------------------------------------
// Source files

TEST(SymbolTableSource, TabsExpandToTheNextStop) {
    std::vector<std::string> lines{"\tX", "a\tX", "ab\tX", "\t\tX", "none"};
    EXPECT_TRUE(ExpandTabs(lines, 2));
    EXPECT_EQ(lines[0], "  X");
    EXPECT_EQ(lines[1], "a X");
    EXPECT_EQ(lines[2], "ab  X") << "a tab on a stop moves one full width";
    EXPECT_EQ(lines[3], "    X");
    EXPECT_EQ(lines[4], "none");
    std::vector<std::string> zero{"a\tb"};
    EXPECT_TRUE(ExpandTabs(zero, 0));
    EXPECT_EQ(zero[0], "a b");
    std::vector<std::string> plain{"x"};
    EXPECT_FALSE(ExpandTabs(plain, 4));
}

TEST(SymbolTableSource, SourceFilesAreLoadedOnceWithoutCarriageReturns) {
    test::TempDir dir;
    const std::string path = dir.file("Prog.c");
    test::writeBytes(path, {'\t', 'X', '\r', '\n', 'a', '\t', 'Y', '\r', '\n', 'z'});
    TSymboltabelle t;
    EXPECT_EQ(t.SourceLines(path), "  X\r\na Y\r\nz\r\n");
    std::filesystem::remove(path);
    EXPECT_EQ(t.SourceLines(path), "  X\r\na Y\r\nz\r\n") << "from the cache";
    EXPECT_EQ(t.SourceLines(""), "");
    EXPECT_THROW(t.SourceLines(dir.file("missing.c")), Exception);
    EXPECT_THROW(t.SourceLines(dir.file("missing.c")), Exception) << "a failed load is not cached";
}

// ---------------------------------------------------------------------------
// Types

// A type record: kind 8, binary name, class, form, type code, element index.
TSymbol* Type(TSymboltabelle& t, std::string name, std::uint8_t klass, std::uint8_t type, std::uint16_t element = 0,
              std::uint16_t moduleField = 0, std::uint16_t functionField = 0, std::uint8_t form = 0) {
    TSymbol* s = t.AddSymbol(sspTypedef, name, functionField, moduleField, type, 0, klass, U(element));
    s->form = form;
    return s;
}

TEST(SymbolTableTypes, ArrayDimensionsSurviveTheCaseTransformation) {
    TSymboltabelle t;  // tcUpper
    // Two dimensions, 97 ('a') and 2, little-endian, of int.
    TSymbol* array = Type(t, std::string("a\0\x02\0", 4), 34, 4, 0, 0, 2);
    EXPECT_EQ(array->name, std::string("a\0\x02\0", 4));
    EXPECT_EQ(t.TypeSize(array), 194u * 2);
    TSymbol* again = Type(t, std::string("b\0\x01\0", 4), 34, 2, 0, 0, 2);
    t.SetTransformCase(TTransformCase::tcLower);
    t.SetTransformCase(TTransformCase::tcUpper);
    EXPECT_EQ(t.TypeSize(again), 98u);
    EXPECT_EQ(t.FindMember(2, std::string("b\0\x01\0", 4), 0), nullptr) << "function field is 2, not 1";
}

TEST(SymbolTableTypes, SizesOfArraysStructuresAndMemberLists) {
    TSymboltabelle t;
    TSymbol* member1 = Type(t, "A", 32, 4);      // 0: int
    TSymbol* member2 = Type(t, "B", 32, 6);      // 1: long
    Type(t, "end", 7, 2);                        // 2: not a member
    TSymbol* strukt = Type(t, "S", 32, 255, 0);  // 3: chain from 0
    EXPECT_EQ(t.TypeSize(strukt), 6u);
    EXPECT_EQ(strukt->size, 6u) << "cached";
    TSymbol* list = Type(t, std::string("\x00\x00\x01\x00", 4), 32, 255, 0, 0, 0, 2);  // 4: entries 0 and 1
    EXPECT_EQ(t.TypeSize(list), 6u);
    TSymbol* arr = Type(t, "", 6, 255, 3, 10, 0);  // 5: 10 x S
    EXPECT_EQ(t.TypeSize(arr), 60u);
    EXPECT_EQ(t.TypeIndex(arr), 5);
    EXPECT_EQ(t.TypeIndex(member1), 0);
    EXPECT_EQ(t.ElementType(arr), strukt);
    TSymbol* fifth = t.TypeAt(4);
    t.ElementType(arr);
    EXPECT_EQ(t.CurrentType(), fifth) << "iteration goes on after the element";
    EXPECT_EQ(t.BaseTypeCode(arr), 4) << "through the element chain";
    EXPECT_EQ(t.TypeSizeText(member2), "4");
    EXPECT_EQ(t.TypeSizeText(nullptr), "");
    TSymbol* var = t.AddSymbol(sspExtData, "v", 0, 0, 255, 5, 1, U(0x100));  // typed by record 5
    EXPECT_EQ(t.TypeSize(var), 60u);
    EXPECT_EQ(t.SymbolEndAddress(var).offset, 0x100 + 59);
    EXPECT_EQ(t.FindByAddress(sspExtData, U(0x13B), 4), var);
    EXPECT_EQ(t.FindByAddress(sspExtData, U(0x13C), 4), nullptr);
}

TEST(SymbolTableTypes, MalformedTypeGraphsEndAndSaturate) {
    TSymboltabelle t;
    Type(t, "self", 6, 255, 0, 2);                          // 0: array of itself
    Type(t, std::string("\x01\x00", 2), 32, 255, 0, 0, 0, 2);  // 1: list naming itself
    Type(t, "short", 34, 4, 0, 0, 9);                       // 2: 9 dimensions, 5-byte name
    Type(t, std::string("\xff\xff\xff\xff\xff\xff", 6), 34, 9, 0, 0, 3);  // 3: 65535^3 doubles
    Type(t, "far", 6, 255, 4000);                           // 4: element out of range
    Type(t, "cyc", 32, 255, 6);                             // 5: chain into a cycle
    Type(t, "m", 32, 255, 5);                               // 6
    for (int i = 0; i < 7; ++i) {
        TSymbol* s = t.TypeAt(i);
        EXPECT_NO_THROW(t.TypeSize(s));
        EXPECT_NO_THROW(t.TypeText(s));
        EXPECT_NO_THROW(t.BaseTypeCode(s));
    }
    EXPECT_EQ(t.TypeSize(t.TypeAt(2)), 0u);
    EXPECT_EQ(t.TypeSize(t.TypeAt(3)), 0xFFFFFFFFu);
    EXPECT_EQ(t.TypeSize(t.TypeAt(4)), 0u);
    EXPECT_EQ(t.BaseTypeCode(t.TypeAt(0)), 255);
    TSymbol* badBase = t.AddSymbol(sspIntData, "p", 0, 0, 255, 123456, 1, U(0));
    EXPECT_EQ(t.TypeSize(badBase), 0u);
    EXPECT_EQ(t.TypeText(badBase), "");
    EXPECT_EQ(t.BaseType(badBase), nullptr);
}

TEST(SymbolTableTypes, ADeepChainOfNamedTypesIsSizedOnASmallStack) {
    // Each named type names the one before it, as a file's definitions may;
    // a code symbol of the last type makes the pellunar scan ask its end.
    constexpr int kDepth = 65000;
    TSymboltabelle t;
    Type(t, "T0", 36, 4);  // int
    for (int i = 1; i < kDepth; ++i) Type(t, "T" + std::to_string(i), 36, 255, static_cast<std::uint16_t>(i - 1));
    TSymbol* code = t.AddSymbol(sspProgram, "v", 0, 0, 255, kDepth - 1, 19, U(0x100));
    TBankAdresse end{};
    test::RunOnStack(1u << 20, [&] { end = t.SymbolEndAddress(code); });
    EXPECT_EQ(end.offset, 0x101);
    EXPECT_EQ(t.TypeAt(kDepth / 2)->size, 2u) << "every link is sized once and kept";
}

TEST(SymbolTableTypes, AChainThatComesOutZeroIsWalkedOnceNotOncePerQuery) {
    // 0 in the size field means "not computed": a chain ending in a type
    // out of range would be walked to its end by each of the 20,000 queries.
    constexpr int kDepth = 20000;
    TSymboltabelle t;
    Type(t, "T0", 36, 255, 0xFFFF);  // names a type that does not exist
    for (int i = 1; i < kDepth; ++i) Type(t, "T" + std::to_string(i), 36, 255, static_cast<std::uint16_t>(i - 1));
    const auto start = std::chrono::steady_clock::now();
    for (int i = kDepth - 1; i >= 0; --i) {
        ASSERT_EQ(t.TypeSize(t.TypeAt(i)), 0u);
        if (i % 1000 == 0) {
            ASSERT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)) << i;
        }
    }
    Type(t, "base", 36, 4);  // any change to the table computes again
    t.TypeAt(0)->address.offset = kDepth;
    EXPECT_EQ(t.TypeSize(t.TypeAt(kDepth - 1)), 2u);
}

TEST(SymbolTableTypes, TypeTexts) {
    test::FakeOptionsInfo options;
    TargetContext ctx;
    ctx.options = &options;
    TSymboltabelle t(ctx);
    TSymbol* uchar = t.AddSymbol(sspIntData, "c", 0, 0, 3, 1, 1, U(0));
    EXPECT_EQ(t.TypeText(uchar), "Uchar");
    uchar->type = 0x22;
    EXPECT_EQ(t.TypeText(uchar), "22");
    TSymbol* rec = Type(t, "R", 37, 2);
    EXPECT_EQ(t.TypeText(rec), "Struct/Union");
    options.chain = 4;
    EXPECT_EQ(t.TypeText(rec), "Record");
    EXPECT_EQ(t.TypeText(Type(t, "", 39, 4)), "Pointer 27");
    EXPECT_EQ(t.TypeText(Type(t, "T", 36, 4)), "Type T");
    EXPECT_EQ(t.TypeText(Type(t, "", 21, 5)), "Attribute Uint");
    EXPECT_EQ(t.TypeText(Type(t, "", 0x41, 5)), "41");
    TSymbol* typed = t.AddSymbol(sspIntData, "v", 0, 0, 255, 0, 1, U(0));
    EXPECT_EQ(t.TypeText(typed), "Record");
    EXPECT_EQ(t.TypeText(nullptr), "");
}

TEST(SymbolTableTypes, CdbLookupsAndInheritedArraySizes) {
    TSymboltabelle t;
    TSymbol* st = Type(t, std::string("\x00\x01Point", 7), 37, 255, 1);
    TSymbol* element = Type(t, "", 32, 255);
    TSymbol* fn = Type(t, "", 35, 4, 7);
    TSymbol* ptr = Type(t, "", 33, 2, 3, 12);
    TSymbol* arr = Type(t, std::string("\x05\x00", 2), 34, 2, 0, 0, 1);
    EXPECT_EQ(t.FindTypeByName(std::string("\x00\x01Point", 7), 37, 0), st);
    EXPECT_EQ(t.FindTypeByName(std::string("\x00\x01POINT", 7), 37, 0), nullptr) << "type names are binary";
    EXPECT_EQ(t.FindType(4, 7), fn);
    EXPECT_EQ(t.FindType(4, 8), nullptr);
    EXPECT_EQ(t.FindTypeAt(33, 12, 3, 2), ptr);
    EXPECT_EQ(t.FindMember(2, std::string("\x05\x00", 2), 0), arr);
    st->size = 8;
    t.InheritArraySize(st);
    EXPECT_EQ(element->size, 8u);
}

// The type look-ups answer from an index: against a walk of the type list,
// over additions, in-place completion right after an addition, re-pointed
// and renamed records (earlier ones too), and clears.
TEST(SymbolTableTypes, TypeLookUpsAgreeWithAWalkOfTheTypeList) {
    TSymboltabelle t;
    std::mt19937 random(42);
    // One of the values, as the narrowest type the fields have.
    auto pick = [&](std::initializer_list<int> values) {
        return static_cast<std::uint8_t>(values.begin()[random() % values.size()]);
    };
    const std::string names[] = {"", std::string("\x03\x00", 2), std::string("\x00\x01S", 3), "A"};
    auto name = [&] { return names[random() % 4]; };
    auto walk = [&](auto pred) -> TSymbol* {
        const TSymbolList& list = *t.KindList(sspTypedef);
        for (std::size_t i = 0; i < list.Count(); ++i)
            if (pred(*list.Items(i))) return list.Items(i);
        return nullptr;
    };
    auto record = [&]() -> TSymbol* {
        const TSymbolList& list = *t.KindList(sspTypedef);
        return list.Count() == 0 ? nullptr : list.Items(random() % list.Count());
    };
    for (int step = 0; step < 4000; ++step) {
        const int op = static_cast<int>(random() % 100);
        if (op < 35) {
            TSymbol* s = t.AddSymbol(sspTypedef, name(), pick({0, 1}), pick({0, 1, 2}), pick({0, 2, 255}), 0,
                                     pick({33, 34, 35, 37, 39}), U(pick({0, 1, 2})));
            if (random() % 4 == 0) s->name += "m";  // completed before any look-up
        } else if (op < 45) {
            t.SetTypeReference(record(), pick({0, 2, 255}), pick({0, 1, 2}));
        } else if (op < 50) {
            if (TSymbol* s = record()) t.Rename(s, name());
        } else if (op == 50 && random() % 8 == 0) {
            t.Clear();
        } else {
            const std::string n = name();
            const std::uint8_t klass = pick({33, 34, 35, 37, 39}), type = pick({0, 2, 255});
            const std::uint16_t offset = pick({0, 1, 2}), module = pick({0, 1, 2});
            ASSERT_EQ(t.FindTypeByName(n, klass, type), walk([&](const TSymbol& s) {
                          return s.name == n && s.klass == klass && (type == 0 || s.type == type);
                      })) << step;
            ASSERT_EQ(t.FindType(type, offset), walk([&](const TSymbol& s) {
                          return s.name.empty() && s.klass == 35 && s.type == type && s.address.offset == offset;
                      })) << step;
            ASSERT_EQ(t.FindTypeAt(klass, module, offset, type), walk([&](const TSymbol& s) {
                          return s.klass == klass && s.moduleId == module && s.address.offset == offset &&
                                 s.type == type;
                      })) << step;
            ASSERT_EQ(t.FindMember(type, n, offset), walk([&](const TSymbol& s) {
                          return s.name == n && s.klass == 34 && s.functionId == 1 && s.type == type &&
                                 s.address.offset == offset;
                      })) << step;
        }
    }
}

}  // namespace
}  // namespace tarvex
