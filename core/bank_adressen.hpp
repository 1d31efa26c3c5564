#pragma once
// A code address with its bank: unbanked, in one bank, or the same offset in
// every bank. The routines below are free functions on the value record.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/banking_info.hpp"

namespace tarvex {

class ValueReader;
class ValueWriter;

constexpr std::uint8_t BankNone = 0xFF;
constexpr std::uint8_t BankAll = 0xFE;

// Invariants (kept by the two setters, re-established after every read):
// not banked => bank == BankNone and !allBanks;
// allBanks   => bank == BankAll and banked.
struct TBankAdresse {
    std::uint8_t bank = BankNone;
    std::uint16_t offset = 0;
    bool banked = false;
    bool allBanks = false;

    // Field-wise identity; address equality is BankAdresseEqual.
    friend bool operator==(const TBankAdresse&, const TBankAdresse&) = default;
};

TBankAdresse UnbankedAdresse(std::uint16_t offset);
TBankAdresse BankedAdresse(std::uint8_t bank, std::uint16_t offset);
TBankAdresse AllBanksAdresse(std::uint16_t offset);

void SetBankGueltig(TBankAdresse& a, bool banked);
void SetAlleBaenke(TBankAdresse& a, bool allBanks);

// The routines that depend on the banking option read it from the banking
// given: each caller passes its own component's. Without a banking component
// (nullptr, the checkers) banking counts as off and both text forms give the
// full form.

// Raises EVokWinConvertError 334 with the caller's text on malformed input.
TBankAdresse StrToBankAdresse(std::string_view text, const IBankingInfo* banking);
TBankAdresse LinearToBankAdresse(std::int32_t linear, const IBankingInfo* banking);
std::string BankAdresseToStr(const TBankAdresse& a, const IBankingInfo* banking);
std::string BankAdresseToStrFull(const TBankAdresse& a);
std::uint32_t BankAdresseToLinear(const TBankAdresse& a);

// -1, 0 or 1. An all-banks address equals the same offset in any bank, so
// this is NOT a strict weak ordering once such addresses are present: use it
// for equality and range tests, and BankAdresseLess for sorting.
int CompareBankAdresse(const TBankAdresse& a, const TBankAdresse& b);
bool BankAdresseEqual(const TBankAdresse& a, const TBankAdresse& b);
// Swaps the two when a > b.
void SortBankAdressen(TBankAdresse& a, TBankAdresse& b);
// start <= x <= end after ordering start and end; bounds inclusive.
bool BankAdresseInRange(const TBankAdresse& x, const TBankAdresse& start, const TBankAdresse& end);
bool BankAdresseInRangeNormalized(const TBankAdresse& x, const TBankAdresse& start, const TBankAdresse& end);

// A total order for sorting: bank (unbanked as 0, all banks as 0xFE), then
// offset, then the flags. Agrees with CompareBankAdresse wherever no
// all-banks address takes part; searches must look for all-banks records
// separately.
std::uint32_t BankAdresseSortKey(const TBankAdresse& a);
inline bool BankAdresseLess(const TBankAdresse& a, const TBankAdresse& b) {
    return BankAdresseSortKey(a) < BankAdresseSortKey(b);
}

// Stream form: bank, offset (integers), banked, all banks (booleans). Old
// streams carry no flags; their bank 0xFF meant "all banks" where code
// banking is in use and "unbanked" where it is not.
TBankAdresse ReadBankAdresse(ValueReader& reader, bool withFlags, const IBankingInfo* banking);
void WriteBankAdresse(ValueWriter& writer, const TBankAdresse& a);

}  // namespace tarvex
