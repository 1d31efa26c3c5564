#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/value_stream.hpp"

namespace tarvex {
namespace {

const FixedBanking BankingOn(1, false);
const FixedBanking BankingOff(0, false);

std::string convertErrorOf(std::string_view text, const IBankingInfo* banking) {
    try {
        StrToBankAdresse(text, banking);
    } catch (const EVokWinConvertError& e) {
        return e.message();
    }
    return "(no error)";
}

TEST(BankAdresse, SettersKeepTheInvariants) {
    TBankAdresse a = BankedAdresse(3, 0x1234);
    SetAlleBaenke(a, true);
    EXPECT_EQ(a.bank, BankAll);
    EXPECT_TRUE(a.banked);
    SetBankGueltig(a, false);
    EXPECT_EQ(a.bank, BankNone);
    EXPECT_FALSE(a.allBanks);
    EXPECT_EQ(a.offset, 0x1234);
    SetAlleBaenke(a, true);
    SetAlleBaenke(a, false);
    EXPECT_TRUE(a.banked);  // clearing "all banks" leaves a banked address
}

TEST(BankAdresse, ParsesTheDocumentedFormsWithBankingOnAndOff) {
    for (const IBankingInfo* banking : {static_cast<const IBankingInfo*>(&BankingOn),
                                        static_cast<const IBankingInfo*>(&BankingOff), static_cast<const IBankingInfo*>(nullptr)}) {
        SCOPED_TRACE(banking ? banking->bankingMode() : -1);
        EXPECT_EQ(StrToBankAdresse("1234", banking), UnbankedAdresse(0x1234));
        EXPECT_EQ(StrToBankAdresse("31234", banking), BankedAdresse(3, 0x1234));
        EXPECT_EQ(StrToBankAdresse("0x1F000h", banking), BankedAdresse(1, 0xF000));
        EXPECT_EQ(StrToBankAdresse("X1234", banking), AllBanksAdresse(0x1234));
        EXPECT_EQ(StrToBankAdresse("0000001234", banking), BankedAdresse(0, 0x1234));
        EXPECT_EQ(StrToBankAdresse("  0X00FFh  ", banking), UnbankedAdresse(0x00FF));
        EXPECT_EQ(StrToBankAdresse("0012345", banking), BankedAdresse(1, 0x2345));
        EXPECT_EQ(StrToBankAdresse("01000", banking), BankedAdresse(0, 0x1000));
        EXPECT_EQ(StrToBankAdresse("ab12cd", banking), BankedAdresse(0xAB, 0x12CD));
        EXPECT_EQ(convertErrorOf("1234567", banking), "Unvalid address 1234567");
        EXPECT_EQ(convertErrorOf("", banking), "Unvalid address ");
        EXPECT_EQ(convertErrorOf("H", banking), "Unvalid address H");
        EXPECT_EQ(convertErrorOf(" 0x ", banking), "Unvalid address  0x ");
        EXPECT_EQ(convertErrorOf("XX1234", banking), "Unvalid address XX1234");
        EXPECT_EQ(convertErrorOf("12G4", banking), "Unvalid address 12G4");
        EXPECT_EQ(convertErrorOf("-1234", banking), "Unvalid address -1234");
        EXPECT_EQ(convertErrorOf("12 34", banking), "Unvalid address 12 34");
    }
    // A leading zero before a hex letter is the assembler's prefix only
    // without code banking.
    EXPECT_EQ(StrToBankAdresse("0F000", &BankingOff), UnbankedAdresse(0xF000));
    EXPECT_EQ(StrToBankAdresse("0F000", nullptr), UnbankedAdresse(0xF000));
    EXPECT_EQ(StrToBankAdresse("0F000", &BankingOn), BankedAdresse(0, 0xF000));
}

TEST(BankAdresse, FailedParseLeavesNoPartialRecord) {
    TBankAdresse kept = BankedAdresse(2, 0x10);
    try {
        kept = StrToBankAdresse("3ZZZZ", &BankingOn);
    } catch (const EVokWinError&) {
    }
    EXPECT_EQ(kept, BankedAdresse(2, 0x10));
}

TEST(BankAdresse, LinearNumbers) {
    const FixedBanking varOnly(0, true);
    for (const IBankingInfo* b : {static_cast<const IBankingInfo*>(&BankingOn), static_cast<const IBankingInfo*>(&BankingOff),
                                  static_cast<const IBankingInfo*>(&varOnly)})
        EXPECT_EQ(LinearToBankAdresse(0x2ABCD, b), BankedAdresse(2, 0xABCD));
    EXPECT_EQ(LinearToBankAdresse(0x1234, &BankingOff), UnbankedAdresse(0x1234));
    EXPECT_EQ(LinearToBankAdresse(0x1234, nullptr), UnbankedAdresse(0x1234));
    EXPECT_EQ(LinearToBankAdresse(0x1234, &BankingOn), BankedAdresse(0, 0x1234));
    EXPECT_EQ(LinearToBankAdresse(0x1234, &varOnly), BankedAdresse(0, 0x1234));
    EXPECT_EQ(LinearToBankAdresse(-1, &BankingOff), UnbankedAdresse(0xFFFF));
    EXPECT_EQ(LinearToBankAdresse(0x7FFFFFFF, &BankingOff), BankedAdresse(0xFF, 0xFFFF));
    EXPECT_EQ(BankAdresseToLinear(BankedAdresse(2, 0xABCD)), 0x2ABCDu);
    EXPECT_EQ(BankAdresseToLinear(UnbankedAdresse(0xABCD)), 0xABCDu);
}

TEST(BankAdresse, TextForms) {
    EXPECT_EQ(BankAdresseToStr(BankedAdresse(2, 0x10), &BankingOn), "020010");
    EXPECT_EQ(BankAdresseToStr(BankedAdresse(2, 0x10), &BankingOff), "0010");
    EXPECT_EQ(BankAdresseToStr(UnbankedAdresse(0x10), &BankingOn), "  0010");
    EXPECT_EQ(BankAdresseToStr(AllBanksAdresse(0xABC), &BankingOn), " X0ABC");
    EXPECT_EQ(BankAdresseToStr(AllBanksAdresse(0xABC), &BankingOff), "0ABC");
    // The checkers have no banking component: always the full form.
    EXPECT_EQ(BankAdresseToStr(BankedAdresse(2, 0x10), nullptr), "020010");
    EXPECT_EQ(BankAdresseToStrFull(BankedAdresse(0xAB, 0xCDEF)), "ABCDEF");
    EXPECT_EQ(BankAdresseToStrFull(UnbankedAdresse(0xF)), "000F");
    EXPECT_EQ(BankAdresseToStrFull(AllBanksAdresse(0xF)), " X000F");
}

TEST(BankAdresse, ComparisonAndRanges) {
    EXPECT_EQ(CompareBankAdresse(AllBanksAdresse(0x100), BankedAdresse(7, 0x100)), 0);
    EXPECT_EQ(CompareBankAdresse(BankedAdresse(7, 0x100), AllBanksAdresse(0x100)), 0);
    EXPECT_EQ(CompareBankAdresse(UnbankedAdresse(0x100), BankedAdresse(0, 0x100)), 0);
    EXPECT_EQ(CompareBankAdresse(BankedAdresse(1, 0x0), BankedAdresse(0, 0xFFFF)), 1);
    EXPECT_EQ(CompareBankAdresse(AllBanksAdresse(0x1), AllBanksAdresse(0x2)), -1);
    EXPECT_TRUE(BankAdresseEqual(AllBanksAdresse(5), BankedAdresse(9, 5)));

    TBankAdresse a = AllBanksAdresse(0x10), b = BankedAdresse(3, 0x10);
    SortBankAdressen(a, b);  // equal: left in place
    EXPECT_TRUE(a.allBanks);
    TBankAdresse hi = BankedAdresse(2, 0), lo = BankedAdresse(1, 0);
    SortBankAdressen(hi, lo);
    EXPECT_EQ(hi, BankedAdresse(1, 0));

    const auto start = BankedAdresse(1, 0x8000), end = BankedAdresse(2, 0x7FFF);
    EXPECT_TRUE(BankAdresseInRange(BankedAdresse(1, 0x8000), end, start));  // bounds inclusive, either order
    EXPECT_TRUE(BankAdresseInRange(BankedAdresse(2, 0x7FFF), start, end));
    EXPECT_FALSE(BankAdresseInRange(BankedAdresse(2, 0x8000), start, end));
    // An all-banks address takes the bank of whichever bound it meets.
    EXPECT_FALSE(BankAdresseInRangeNormalized(AllBanksAdresse(0x9000), start, end));
    EXPECT_TRUE(BankAdresseInRangeNormalized(AllBanksAdresse(0x1500), BankedAdresse(1, 0x1000), BankedAdresse(1, 0x2000)));
}

TBankAdresse randomRecord(std::mt19937& rng) {
    const auto offset = static_cast<std::uint16_t>(rng());
    switch (rng() % 4) {
        case 0: return UnbankedAdresse(offset);
        case 1: return AllBanksAdresse(offset);
        default: return BankedAdresse(static_cast<std::uint8_t>(rng()), offset);
    }
}

TEST(BankAdresse, FullTextRoundTripsForRandomRecords) {
    std::mt19937 rng(4711);
    for (int i = 0; i < 100000; ++i) {
        const auto r = randomRecord(rng);
        ASSERT_EQ(StrToBankAdresse(BankAdresseToStrFull(r), &BankingOn), r) << BankAdresseToStrFull(r);
    }
}

// The comparison alone is cyclic once all-banks addresses take part.
TEST(BankAdresse, ComparisonIsNotAnOrderingButTheSortKeyIs) {
    const auto a = AllBanksAdresse(0x1000), b = BankedAdresse(0, 0x2000), c = BankedAdresse(1, 0x0500);
    EXPECT_LT(CompareBankAdresse(a, b), 0);
    EXPECT_LT(CompareBankAdresse(b, c), 0);
    EXPECT_LT(CompareBankAdresse(c, a), 0);

    std::mt19937 rng(17);
    std::vector<TBankAdresse> sample;
    for (int i = 0; i < 200; ++i) {
        auto r = randomRecord(rng);
        r.offset &= 0x3;  // many ties
        if (r.banked && !r.allBanks) r.bank &= 0x3;
        sample.push_back(r);
    }
    for (const auto& x : sample) {
        ASSERT_FALSE(BankAdresseLess(x, x));
        for (const auto& y : sample) {
            if (BankAdresseLess(x, y)) {
                ASSERT_FALSE(BankAdresseLess(y, x));
            }
            // Wherever no all-banks address is involved the key agrees with
            // the comparison.
            if (!x.allBanks && !y.allBanks && CompareBankAdresse(x, y) < 0) {
                ASSERT_TRUE(BankAdresseLess(x, y));
            }
            for (const auto& z : sample) {
                if (BankAdresseLess(x, y) && BankAdresseLess(y, z)) {
                    ASSERT_TRUE(BankAdresseLess(x, z));
                }
            }
        }
    }
}

TEST(BankAdresse, SortingMixedRecordsIsClean) {
    std::mt19937 rng(99);
    std::vector<TBankAdresse> records;
    for (int i = 0; i < 10000; ++i) records.push_back(randomRecord(rng));
    std::sort(records.begin(), records.end(), BankAdresseLess);
    EXPECT_TRUE(std::is_sorted(records.begin(), records.end(), BankAdresseLess));
    for (std::size_t i = 1; i < records.size(); ++i) {
        if (!records[i - 1].allBanks && !records[i].allBanks) {
            ASSERT_LE(CompareBankAdresse(records[i - 1], records[i]), 0);
        }
    }
}

TEST(BankAdresse, StreamRoundTripAndOldStreams) {
    platform::MemoryStream m;
    ValueWriter w(m);
    const TBankAdresse records[] = {UnbankedAdresse(0x1234), BankedAdresse(0x80, 0xFFFF), AllBanksAdresse(7)};
    for (const auto& r : records) WriteBankAdresse(w, r);
    m.seek(0);
    ValueReader r(m);
    for (const auto& expected : records) EXPECT_EQ(ReadBankAdresse(r, true, &BankingOn), expected);
    EXPECT_TRUE(r.EndOfStream());

    // Old streams: bank and offset only.
    platform::MemoryStream old;
    ValueWriter ow(old);
    for (int bank : {0xFF, 3, 0xFF}) {
        ow.WriteInteger(bank);
        ow.WriteInteger(0x4000);
    }
    old.seek(0);
    ValueReader orr(old);
    EXPECT_EQ(ReadBankAdresse(orr, false, &BankingOn), AllBanksAdresse(0x4000));
    EXPECT_EQ(ReadBankAdresse(orr, false, &BankingOn), BankedAdresse(3, 0x4000));
    // Without code banking an all-banks address would be refused by every
    // unbanked memory space: it becomes the plain offset.
    EXPECT_EQ(ReadBankAdresse(orr, false, &BankingOff), UnbankedAdresse(0x4000));
}

TEST(BankAdresse, ReadingRestoresTheInvariantsOfDamagedRecords) {
    struct Stored {
        int bank, offset;
        bool banked, allBanks;
        TBankAdresse expected;
    };
    const Stored cases[] = {
        {5, 0x10, false, false, UnbankedAdresse(0x10)},     // unbanked with a bank
        {5, 0x10, false, true, AllBanksAdresse(0x10)},      // all banks, not banked
        {5, 0x10, true, true, AllBanksAdresse(0x10)},       // all banks with a wrong bank
        {0x1FF05, 0x12345, true, false, BankedAdresse(5, 0x2345)},  // out-of-range integers
    };
    for (const auto& c : cases) {
        platform::MemoryStream m;
        ValueWriter w(m);
        w.WriteInteger(c.bank);
        w.WriteInteger(c.offset);
        w.WriteBoolean(c.banked);
        w.WriteBoolean(c.allBanks);
        m.seek(0);
        ValueReader r(m);
        EXPECT_EQ(ReadBankAdresse(r, true, &BankingOn), c.expected);
    }
}

}  // namespace
}  // namespace tarvex
