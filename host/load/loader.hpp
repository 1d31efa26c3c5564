#pragma once
// The program loader: one program or debug file into the target model --
// code through one data buffer into a memory space (and so into the board's
// emulation memory), symbols and lines into the tables, bank limits into
// the banking -- reported in the load-status form.
//
// Every format loader writes its code through AppendCode/FlushBuffer, so the
// port rewrite, the bank passes and the download's block rules hold for all
// of them. Format loaders are free functions of the dispatch table
// (FormatLoaderOf); a format without one is refused by the validation.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/intel_hex.hpp"
#include "core/component.hpp"
#include "host/command_record.hpp"
#include "host/load/port_rewrite.hpp"

namespace tarvex {

namespace platform {
class Clock;
class LoadStatusWindow;
}  // namespace platform

class INotifier;
class TBanking;
class TBasisOptionen;
class TDebug;
class TEmulator;
class TEmulSpaces;
class TEmulSpeicher;
class TRegisterTabelle;
class TSfrConfig;
class TSymboltabelle;
class TZeilennummertabelle;
class TVokWinLoader;
struct TUbrofTables;

// What the loader works on: the real target components as the host object
// wires them. Banking, run control, register table and clock may be null
// (no banking; the banking's own bank; no register filter; system clock).
struct LoaderTarget {
    TEmulSpaces& spaces;
    TEmulator& emulator;
    TSfrConfig& sfr;
    TBasisOptionen& options;
    TSymboltabelle& symbols;
    TZeilennummertabelle& lines;
    TBanking* banking = nullptr;
    TDebug* runControl = nullptr;
    const TRegisterTabelle* registers = nullptr;
    platform::Clock* clock = nullptr;
};

// The format loaders. LoadOmf runs the OMF conversion (host/load/loader_omf.hpp)
// over the loader's buffer; LoadUbrof, LoadAvrObject and LoadCdb
// (host/load/loader_formats.cpp) the conversions of host/load/ubrof_load.hpp,
// host/load/loader_avr.hpp and host/load/loader_cdb.hpp. A CDB file carries no code:
// Load takes it from the ".ihx" or ".hex" file beside it.
void LoadBinary(TVokWinLoader& loader);
void LoadIntelHex(TVokWinLoader& loader);
void LoadOmf(TVokWinLoader& loader);
void LoadUbrof(TVokWinLoader& loader);
void LoadAvrObject(TVokWinLoader& loader);
void LoadCdb(TVokWinLoader& loader);

using FormatLoader = void (*)(TVokWinLoader&);
// The loader of a resolved format code; null for a format this build cannot
// load (the validation refuses it).
FormatLoader FormatLoaderOf(std::uint8_t format);

// Texts of the validation.
std::string LoadValueNotValid(int what);  // "Load: Value in <what> not valid"

// ---- Intel HEX text, without a target

// Hex digits of either case only; anything else (sign, blank, "0x", empty,
// more than 8 digits) raises EVokWinFileError "Loading: Format error in
// file %s" with the file name.
std::uint32_t ParseHex(std::string_view text, const std::string& fileName);

// What a first look at a HEX file finds: whether a type-04/02 record gives
// a non-zero upper address part, and the first data record's address.
struct HexSurvey {
    bool upperNonZero = false;
    bool hasData = false;
    std::uint16_t firstDataAddress = 0;
};
HexSurvey SurveyHexLines(const std::vector<std::string_view>& lines);

// ---- The loader

class TBasisVokWinLoader : public TComponent {
public:
    static constexpr std::size_t ProgramBufferSize = 8192, DataBufferSize = 128;
    static constexpr std::uint32_t PollIntervalMs = 50;

    explicit TBasisVokWinLoader(LoaderTarget target);
    ~TBasisVokWinLoader() override;

    std::string_view Name() const override { return "VokWinLoader"; }
    void Notify(std::uint8_t, const void*) override {}

    // The whole load; a refused request raises nothing (its message is in
    // the list, Refused() tells). A load entered while one runs raises
    // ETarvexAccessError. Errors of the format loaders pass on after the
    // clean-up.
    void Load(const TKommandoStruktur& request);
    // Validation and the load's settings; raises EVokWinFileError.
    void CheckLoadOptions(TKommandoStruktur& request);
    void AddMessage(const std::string& text, bool isError = false);
    void ShowProgress(const std::string& text);
    virtual int ElementSize() const { return 1; }

    // ---- For the format loaders
    TEmulSpeicher& Space() const { return *space_; }
    const LoaderTarget& Target() const { return target_; }
    const TKommandoStruktur& Request() const { return request_; }
    const std::string& FileName() const { return fileName_; }
    std::uint8_t Format() const { return format_; }
    std::uint8_t SymbolDialect() const { return dialect_; }
    std::uint8_t MemoryKind() const { return request_.memoryKind; }
    bool IsProgram() const { return isProgram_; }
    bool SymbolsOnly() const { return symbolsOnly_; }
    bool IgnoreBanking() const { return ignoreBanking_; }
    std::uint8_t BankSelector() const { return request_.value; }
    bool OffsetFlag() const { return request_.flag; }
    bool PellunarFlag() const { return pellunarFlag_; }
    bool PellunarMode() const { return pellunarMode_; }
    int BankCount() const { return banks_; }
    const TBankAdresse& LoadAddress() const { return loadAddress_; }
    // The default start of module and scope ranges: the program space's
    // lowest address.
    const TBankAdresse& RangeStart() const { return rangeStart_; }
    std::uint8_t RewriteMode() const { return rewriter_.Mode(); }
    // The type sizes and tag sizes UBROF files declared: later loads see
    // what earlier ones declared.
    TUbrofTables& UbrofTables();

    // Code into the buffer at `at` (continuing it when `at` follows the
    // buffered bytes, else after writing them out). Never fills the buffer
    // past its length.
    void AppendCode(const TBankAdresse& at, const std::uint8_t* data, std::size_t count);
    // Writes the buffered bytes out unless `at` continues them (a reader
    // calls it before it checks a record, so that the bytes before a bad
    // record are in memory).
    void BreakAt(const TBankAdresse& at);
    // Writes the buffered bytes; may hold back an instruction cut by the
    // buffer's end for the next bytes.
    void FlushBuffer();
    // Writes everything, also such a rest at its own address.
    void FlushAll();
    // Off (each load starts so), a write-out stops at a cancel and drops
    // the buffer. On, for readers that stop at the next record after a
    // cancel: every byte they took in before it reaches memory.
    void SetWriteAfterCancel(bool on) { writeAfterCancel_ = on; }
    // Only the write address moves (symbols only, the first pass of
    // pellunar mode).
    void SetCodeSuppressed(bool on) { suppressed_ = on; }
    void SetWriteAddress(const TBankAdresse& address) { writeAddress_ = address; }
    const TBankAdresse& WriteAddress() const { return writeAddress_; }
    // The cancel poll (at most every PollIntervalMs of the clock).
    bool Cancelled();
    void SetFailed() { failed_ = true; }
    // A request the loader cannot serve: counted as an error and reported
    // like a validation failure (no notification, not recorded).
    void Refuse(const std::string& text) { refuse(text); }
    // Counter labels (throttled unless forced); true when they were shown.
    bool RefreshCounters(bool force = false);
    void NoteCommonArea(std::uint16_t highest);
    void ForgetCommonArea() { highestCommon_ = 0; }

    // ---- State of the last load
    bool Loading() const { return loading_; }
    bool Failed() const { return failed_; }
    bool Refused() const { return refused_; }
    // The user cancelled it (the load is failed too).
    bool WasCancelled() const { return cancelled_; }
    int ErrorCount() const { return errors_; }
    std::uint32_t CodeBytes() const { return codeBytes_; }
    std::uint16_t HighestCommon() const { return highestCommon_; }
    const std::vector<std::string>& Messages() const { return messages_; }
    std::size_t BufferLength() const { return buffer_.size(); }
    std::size_t BufferFill() const { return fill_; }

protected:
    void runLoad(const TKommandoStruktur& request);
    void prepareForm(const TKommandoStruktur& request);
    void afterLoader();
    void finishTarget();
    void contiguousFix();
    void loadCdbCode();
    void refuse(const std::string& text);
    std::size_t writeCode(std::size_t count, bool whole);
    void writeChunk(std::size_t count, bool whole);
    void flush(bool whole);
    std::string countText() const;
    platform::Clock& clock() const;

    LoaderTarget target_;
    platform::LoadStatusWindow* window_ = nullptr;
    TKommandoStruktur request_;
    TEmulSpeicher* space_ = nullptr;
    bool isProgram_ = false;
    std::string fileName_;
    std::uint8_t format_ = 0;
    std::uint8_t dialect_ = 0;
    bool loading_ = false;
    bool failed_ = false;
    bool refused_ = false;
    bool cancelled_ = false;
    bool symbolsOnly_ = false;
    bool ignoreBanking_ = false;
    bool pellunarFlag_ = false;
    bool pellunarMode_ = false;
    bool suppressed_ = false;
    bool writeAfterCancel_ = false;
    int banks_ = 1;
    int errors_ = 0;
    std::uint32_t codeBytes_ = 0;
    std::uint16_t highestCommon_ = 0;
    TBankAdresse loadAddress_{};
    TBankAdresse rangeStart_{};
    TBankAdresse writeAddress_{};
    std::vector<std::string> messages_;
    std::vector<std::uint8_t> buffer_;
    std::size_t fill_ = 0;
    std::size_t written_ = 0;
    PortRewriter rewriter_;
    bool polled_ = false;
    std::uint64_t lastPoll_ = 0;
    bool refreshed_ = false;
    std::uint64_t lastRefresh_ = 0;
    std::unique_ptr<TUbrofTables> ubrofTables_;
};

class TVokWinLoader final : public TBasisVokWinLoader {
public:
    using TBasisVokWinLoader::TBasisVokWinLoader;
};

}  // namespace tarvex
