#include "core/bank_adressen.hpp"

#include <optional>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"

namespace tarvex {

namespace {

constexpr int MsgUnvalidAddress = 334;

bool codeBankingOn(const IBankingInfo* banking) { return banking && banking->bankingMode() != 0; }

std::optional<std::uint32_t> parseHex(std::string_view s) {
    if (s.empty()) return std::nullopt;
    std::uint32_t v = 0;
    for (char c : s) {
        int d;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        else
            return std::nullopt;
        v = v * 16 + static_cast<std::uint32_t>(d);
    }
    return v;
}

}  // namespace

TBankAdresse UnbankedAdresse(std::uint16_t offset) {
    TBankAdresse a;
    a.offset = offset;
    return a;
}

TBankAdresse BankedAdresse(std::uint8_t bank, std::uint16_t offset) {
    TBankAdresse a;
    a.offset = offset;
    a.bank = bank;
    SetBankGueltig(a, true);
    return a;
}

TBankAdresse AllBanksAdresse(std::uint16_t offset) {
    TBankAdresse a;
    a.offset = offset;
    SetAlleBaenke(a, true);
    return a;
}

void SetBankGueltig(TBankAdresse& a, bool banked) {
    a.banked = banked;
    if (!banked) {
        a.bank = BankNone;
        if (a.allBanks) SetAlleBaenke(a, false);
    }
}

void SetAlleBaenke(TBankAdresse& a, bool allBanks) {
    a.allBanks = allBanks;
    if (allBanks) {
        a.bank = BankAll;
        if (!a.banked) SetBankGueltig(a, true);
    }
}

TBankAdresse StrToBankAdresse(std::string_view text, const IBankingInfo* banking) {
    auto fail = [&]() -> TBankAdresse { throw EVokWinConvertError(FmtLoadStr(MsgUnvalidAddress, text)); };

    std::size_t first = 0, last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    std::string s(text.substr(first, last - first));
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');

    if (s.starts_with("0X")) s.erase(0, 2);
    if (!s.empty() && s.back() == 'H') s.pop_back();
    std::size_t zeros = 0;
    while (s.size() - zeros > 6 && s[zeros] == '0') ++zeros;
    s.erase(0, zeros);
    if (s.empty() || s.size() > 6) return fail();

    const std::size_t bankLen = s.size() == 5 ? 1 : s.size() == 6 ? 2 : 0;
    const std::string_view bankText = std::string_view(s).substr(0, bankLen);
    const std::string_view offsetText = std::string_view(s).substr(bankLen);

    TBankAdresse a;
    if (bankText == "X") {
        SetAlleBaenke(a, true);
    } else if (!bankText.empty()) {
        const auto bank = parseHex(bankText);
        if (!bank) return fail();
        a.bank = static_cast<std::uint8_t>(*bank);
        SetBankGueltig(a, true);
    }
    // Without code banking a lone leading zero before a hex letter is the
    // assembler's number prefix, not bank 0.
    if (!codeBankingOn(banking) && bankText == "0" && !offsetText.empty() && offsetText[0] >= 'A' &&
        offsetText[0] <= 'F')
        SetBankGueltig(a, false);

    const auto offset = parseHex(offsetText);
    if (!offset) return fail();
    a.offset = static_cast<std::uint16_t>(*offset);
    return a;
}

TBankAdresse LinearToBankAdresse(std::int32_t linear, const IBankingInfo* banking) {
    const auto u = static_cast<std::uint32_t>(linear);
    TBankAdresse a;
    a.offset = static_cast<std::uint16_t>(u & 0xFFFF);
    const bool anyBanking = banking && (banking->bankingMode() != 0 || banking->varBanking());
    if (linear < 0x10000 && !anyBanking) return a;
    a.bank = static_cast<std::uint8_t>((u >> 16) & 0xFF);
    SetBankGueltig(a, true);
    return a;
}

std::string BankAdresseToStr(const TBankAdresse& a, const IBankingInfo* banking) {
    if (!banking) return BankAdresseToStrFull(a);
    std::string out;
    out.reserve(6);
    if (banking->bankingMode() != 0) {
        if (a.allBanks)
            out = " X";
        else if (a.banked)
            AppendHex(out, a.bank, 2);
        else
            out = "  ";
    }
    AppendHex(out, a.offset, 4);
    return out;
}

std::string BankAdresseToStrFull(const TBankAdresse& a) {
    std::string out;
    out.reserve(6);
    if (a.allBanks)
        out = " X";
    else if (a.banked)
        AppendHex(out, a.bank, 2);
    AppendHex(out, a.offset, 4);
    return out;
}

std::uint32_t BankAdresseToLinear(const TBankAdresse& a) {
    return a.banked ? static_cast<std::uint32_t>(a.bank) * 0x10000u + a.offset : a.offset;
}

int CompareBankAdresse(const TBankAdresse& a, const TBankAdresse& b) {
    std::uint8_t bankA = a.banked ? a.bank : 0;
    std::uint8_t bankB = b.banked ? b.bank : 0;
    if (a.allBanks) bankA = bankB;
    if (b.allBanks) bankB = bankA;
    if (bankA != bankB) return bankA < bankB ? -1 : 1;
    if (a.offset != b.offset) return a.offset < b.offset ? -1 : 1;
    return 0;
}

bool BankAdresseEqual(const TBankAdresse& a, const TBankAdresse& b) { return CompareBankAdresse(a, b) == 0; }

void SortBankAdressen(TBankAdresse& a, TBankAdresse& b) {
    if (CompareBankAdresse(a, b) > 0) std::swap(a, b);
}

bool BankAdresseInRange(const TBankAdresse& x, const TBankAdresse& start, const TBankAdresse& end) {
    TBankAdresse lo = start, hi = end;
    SortBankAdressen(lo, hi);
    return CompareBankAdresse(lo, x) <= 0 && CompareBankAdresse(x, hi) <= 0;
}

bool BankAdresseInRangeNormalized(const TBankAdresse& x, const TBankAdresse& start, const TBankAdresse& end) {
    return BankAdresseInRange(x, start, end);
}

std::uint32_t BankAdresseSortKey(const TBankAdresse& a) {
    const std::uint32_t bank = a.allBanks ? BankAll : a.banked ? a.bank : 0;
    const std::uint32_t flags = (a.banked ? 2u : 0u) | (a.allBanks ? 1u : 0u);
    return (bank << 18) | (static_cast<std::uint32_t>(a.offset) << 2) | flags;
}

TBankAdresse ReadBankAdresse(ValueReader& reader, bool withFlags, const IBankingInfo* banking) {
    const std::int32_t bank = reader.ReadInteger();
    const std::int32_t offset = reader.ReadInteger();
    TBankAdresse a;
    a.bank = static_cast<std::uint8_t>(bank);
    a.offset = static_cast<std::uint16_t>(offset);
    if (withFlags) {
        const bool banked = reader.ReadBoolean();
        const bool allBanks = reader.ReadBoolean();
        // A damaged stream must not hand out a record that breaks the
        // invariants the rest of the system relies on.
        if (allBanks)
            SetAlleBaenke(a, true);
        else
            SetBankGueltig(a, banked);
    } else if (a.bank == BankNone) {
        // Without any banking an old "all banks" address is simply the offset;
        // taken as all banks it would be refused by every unbanked space.
        const bool anyBanking = banking && (banking->bankingMode() != 0 || banking->varBanking());
        if (anyBanking)
            SetAlleBaenke(a, true);
        else
            SetBankGueltig(a, false);
    } else {
        SetBankGueltig(a, true);
    }
    return a;
}

void WriteBankAdresse(ValueWriter& writer, const TBankAdresse& a) {
    writer.WriteInteger(a.bank);
    writer.WriteInteger(a.offset);
    writer.WriteBoolean(a.banked);
    writer.WriteBoolean(a.allBanks);
}

}  // namespace tarvex
