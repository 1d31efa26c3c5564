#pragma once
// The input validator: what the user typed into an address, range, number
// or logic-probe field becomes checked values. Addresses and numbers are
// expressions of numbers and symbols with + - * / and parentheses, alone or
// as a range "from"-"to". Every failure raises EVokWinConvertError.
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bank_adressen.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex {

class TSymboltabelle;
class TZeilennummertabelle;
class TRegisterTabelle;
class ITraceInfo;

enum class TVokWinKonvertierung : std::uint8_t {
    vwkString2BankAdresse = 0,
    vwkString2Integer = 1,
    vwkString2Word = 2,
    vwkString2Byte = 3,
    vwkString2LogicProbe = 4,
};

// What a field accepts, as a set of these bits.
enum TVokWinZugelassen : std::uint8_t {
    vwzBereich = 1,  // a range "from"-"to"
    vwzSymbole = 2,  // symbol names
};
using TVokWinZugelassenes = std::uint8_t;

class TVokWinValidator {
public:
    // Symbol classes: bits 0..6 the symbol kinds, 11 line numbers, 5 SFR
    // names, 4 SFR bit names; 2 and 3 also admit the local data symbols of
    // the Rose tool chain.
    static constexpr std::uint16_t kDefaultSymbolKlassen = 0x0803;
    // Index of the address results.
    static constexpr int kVon = 2, kBis = 1;

    // Any table may be null (nothing of that sort is found); trace null
    // means a version-0 board. Nothing is owned.
    TVokWinValidator(TSymboltabelle* symbols, TZeilennummertabelle* lines, const TRegisterTabelle* registers,
                     const ITraceInfo* trace, const TargetContext& context = {});

    TVokWinKonvertierung Konvertierung() const { return konvertierung_; }
    // Also sets MaxInt for the number kinds.
    void SetKonvertierung(TVokWinKonvertierung value);
    TVokWinZugelassenes Zugelassen() const { return zugelassen_; }
    void SetZugelassen(TVokWinZugelassenes value);
    std::uint16_t SymbolKlassen() const { return symbolKlassen_; }
    void SetSymbolKlassen(std::uint16_t value);
    const std::string& Trennung() const { return trennung_; }
    void SetTrennung(std::string value);
    bool GanzeGroesse() const { return ganzeGroesse_; }
    void SetGanzeGroesse(bool value);
    // Largest number a number field takes. For the address kind it is the
    // linear highest address of the space the field addresses, taken when
    // converting.
    std::int32_t MaxInt() const;
    void SetMaxInt(std::int32_t value);
    // The banking its addresses are read and written with (null: none).
    const IBankingInfo* Banking() const { return ctx_.banking; }

    // Converts and checks; converting the text of the last success again
    // does nothing while nothing it depends on has changed.
    void Konvertieren(std::string_view text);
    // Forgets the last result, so that the next conversion evaluates again
    // (symbols reloaded, banking or board changed).
    void Invalidate();
    // Notifications 4, 8 and 9 (symbols or lines loaded or cleared).
    void Notify(std::uint8_t code);
    bool Valid() const { return valid_; }

    // Results of the last successful conversion; reading one that does not
    // exist raises 338.
    std::int32_t OutVonInt() const;
    std::int32_t OutBisInt() const;
    const std::string& OutLogicProbe() const;
    // kVon (2) or kBis (1).
    TBankAdresse OutAdresse(int index) const;
    // The symbol class the part was written with (-1: no symbol, also for
    // a missing "to" part) and the part's text (trimmed; empty when the
    // text had no "to" part).
    int OutKlasse(int index) const;
    const std::string& OutText(int index) const;

private:
    struct Value;
    class Evaluator;

    void ConvertNumbers(std::string_view text);
    void ConvertLogicProbe(std::string_view text);
    SpaceKind RangeSpace() const;
    std::uint64_t Fingerprint() const;
    void CheckResultAccess(bool logicProbe) const;
    [[noreturn]] void Fail(int message, std::string_view text) const;
    [[noreturn]] void OutOfRange(const std::string& number) const;

    TSymboltabelle* symbols_;
    TZeilennummertabelle* lines_;
    const TRegisterTabelle* registers_;
    const ITraceInfo* trace_;
    TargetContext ctx_;

    TVokWinKonvertierung konvertierung_ = TVokWinKonvertierung::vwkString2BankAdresse;
    TVokWinZugelassenes zugelassen_ = vwzBereich | vwzSymbole;
    std::uint16_t symbolKlassen_ = kDefaultSymbolKlassen;
    std::string trennung_ = " ";
    bool ganzeGroesse_ = false;
    std::int32_t maxInt_ = 0x7FFFFFFF;

    bool valid_ = false;
    std::string lastText_;
    std::uint64_t lastFingerprint_ = 0;
    std::uint32_t invalidations_ = 0;
    std::int32_t von_ = 0;
    std::int32_t bis_ = 0;
    TBankAdresse vonAdresse_{};
    TBankAdresse bisAdresse_{};
    int vonKlasse_ = -1;
    int bisKlasse_ = -1;
    std::string vonText_;
    std::string bisText_;
    std::string logicProbe_;
};

}  // namespace tarvex
