#pragma once
// The conversion of an IAR UBROF object file into the target model: code
// bytes to a sink (the program loader's buffer into program memory),
// modules, functions, variables, types and live ranges into the symbol
// table, lines into the line-number table, the banked area's limits.
//
// Every record is read through TUbrofReader, so the conversion and the
// reader agree on every layout; records the conversion has no use for are
// read and dropped. Any malformed input ends the load with
// EVokWinFileError "Loading: Format error in file %s".
#include <array>
#include <bitset>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/ubrof_reader.hpp"

namespace tarvex {

// What earlier loads declared and later ones still see: the size of each
// UBROF type kind (overwritten by 0x4F records) and the tag sizes of 0xBD
// records. One object lives as long as the driver's loader.
struct TUbrofTables {
    static constexpr std::size_t KindCount = 55;
    TUbrofTables();
    // Keeps a tag's first declaration only: a look-up takes the first, so
    // later ones (the same file loaded again) change nothing.
    void Declare(const TUbrofTagSize& size);
    std::array<std::uint8_t, KindCount> typeSizes{};
    std::vector<TUbrofTagSize> tagSizes;  // at most one entry per tag

private:
    std::bitset<256> declared_;
};

class TUbrofLoad {
public:
    using CodeSink = std::function<void(const TBankAdresse& address, std::uint8_t byte)>;

    TUbrofLoad(TSymboltabelle& symbols, TZeilennummertabelle& lines, TUbrofTables& tables)
        : symbols_(symbols), lines_(lines), tables_(tables) {}

    // Without a sink the load enters symbols, lines and ranges only.
    void SetCodeSink(CodeSink sink) { sink_ = std::move(sink); }
    void SetRegisters(const TRegisterTabelle* registers) { registers_ = registers; }
    // The bank the load starts in (0xFE: every bank, for an all-banks load
    // address).
    void SetCurrentBank(std::uint8_t bank) { bank_ = bank; }
    void SetBankedArea(std::uint16_t start, std::uint16_t end) { areaStart_ = start, areaEnd_ = end; }
    // Asked before every record; true ends the load as cancelled.
    void SetCancel(std::function<bool()> cancel) { cancel_ = std::move(cancel); }

    // Converts the whole file; false when cancelled. `fileName` names the
    // file in the format error.
    bool Load(const std::vector<std::uint8_t>& bytes, const std::string& fileName);

    std::uint32_t CodeBytes() const { return codeBytes_; }
    std::uint16_t BankedAreaStart() const { return areaStart_; }
    std::uint16_t BankedAreaEnd() const { return areaEnd_; }
    bool Banking() const { return banking_; }
    std::uint16_t HighestCommonOffset() const { return highestCommon_; }

private:
    struct Range {
        bool pending = true;
        TBankAdresse start{}, end{};
    };
    struct PendingMember {
        std::string name;
        TBankAdresse address{};
        std::uint8_t type = 0;
        std::uint32_t size = 0;
        std::uint8_t offsetLow = 0, offsetHigh = 0;
    };
    struct PendingStruct {
        TSymbol* symbol = nullptr;
        std::uint8_t kind = 0;
        std::vector<PendingMember> members;
    };

    void prePass(const std::vector<std::uint8_t>& bytes);
    void convert(const TUbrofRecord& rec);
    void openModule(const std::string& name);
    void closeModule();
    void openFunction(const std::string& name);
    void closeFunction();
    void touch(const TBankAdresse& address, std::uint16_t lastOffset);
    void codeBytes(const std::string& bytes);
    void codePosition(std::uint8_t segmentType, std::uint32_t value);
    TBankAdresse placed(std::uint32_t value) const;
    void placedBank(std::uint32_t value);
    TSymbol* variable(const TUbrofVariable& v);
    void locations(const std::vector<TUbrofLocation>& items, TSymbol* symbol);
    // One handler per record kind the conversion uses; the rest are read
    // and dropped.
    void on(const TUbrofModuleHeader& rec, std::uint8_t tag);
    void on(const TUbrofCode& rec, std::uint8_t tag);
    void on(const TUbrofModuleEnd& rec, std::uint8_t tag);
    void on(const TUbrofProgramEnd& rec, std::uint8_t tag);
    void on(const TUbrofSourceFile& rec, std::uint8_t tag);
    void on(const TUbrofLine& rec, std::uint8_t tag);
    void on(const TUbrofBlock& rec, std::uint8_t tag);
    void on(const TUbrofBlockEnd& rec, std::uint8_t tag);
    void on(const TUbrofType& rec, std::uint8_t tag);
    void on(const TUbrofSymbol& rec, std::uint8_t tag);
    void on(const TUbrofTypeSize& rec, std::uint8_t tag);
    void on(const TUbrofFunction& rec, std::uint8_t tag);
    void on(const TUbrofCodePosition& rec, std::uint8_t tag);
    void on(const TUbrofBanking& rec, std::uint8_t tag);
    void on(const TUbrofIndexedSource& rec, std::uint8_t tag);
    void on(const TUbrofSourceIndex& rec, std::uint8_t tag);
    template <class Unused>
    void on(const Unused&, std::uint8_t) {}
    void enterMembers();
    std::uint8_t baseCode(std::uint32_t typeNumber, std::uint32_t& index) const;
    std::uint8_t sizeOf(std::uint32_t typeNumber) const;
    [[noreturn]] void formatError() const;

    TSymboltabelle& symbols_;
    TZeilennummertabelle& lines_;
    TUbrofTables& tables_;
    const TRegisterTabelle* registers_ = nullptr;
    CodeSink sink_;
    std::function<bool()> cancel_;
    std::string fileName_;

    std::uint8_t segmentType_ = 0;
    TBankAdresse code_ = UnbankedAdresse(0);
    // The run of code bytes since the last code position: where it began
    // and where the next byte goes, counted past 0xFFFF.
    std::uint16_t runStart_ = 0;
    std::uint32_t runNext_ = 0;
    std::uint8_t bank_ = 0;
    bool banking_ = false;
    std::uint16_t areaStart_ = 0x8000, areaEnd_ = 0xFFFF;
    // Sixteen bits: a program with its run-time library passes 255 modules.
    std::uint16_t moduleCounter_ = 0, module_ = 0, functionCounter_ = 0, function_ = 0;
    std::string moduleName_, functionName_;
    Range moduleRange_, functionRange_;
    bool moduleHasCode_ = false;
    std::uint16_t lastSourceModule_ = 0;
    std::uint16_t sourceIndex_ = 0;
    std::uint8_t nesting_ = 0;
    std::int32_t typeBase_ = -1;
    std::uint16_t highestCommon_ = 0;
    std::uint32_t codeBytes_ = 0;
    std::vector<PendingStruct> pending_;
    std::size_t tagsSeen_ = 0;  // the reader's tag sizes already copied to the tables
};

}  // namespace tarvex
