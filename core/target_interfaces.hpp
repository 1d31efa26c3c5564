#pragma once
// What the shared core's tables need of the target model, the options and
// the notifications. The driver answers these from its memory spaces, its
// options component and its dispatcher; the checkers have none of those and
// use the defaults below (64 KiB unbanked program space, no notifications,
// ".c" sources, no file search).
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/banking_info.hpp"

namespace tarvex {

// Numbers of the memory-space objects.
enum class SpaceKind : std::uint8_t {
    Program = 0,
    IntData = 1,
    ExtData = 2,
    Bit = 3,
    Sfr = 4,
    System = 5,
    Trace = 6,
    EmulSystem = 9,
    EmulSystemHigh = 10,
    EmulSelect = 11,
};

// Limits of the memory spaces and the normalisation of an address against
// one of them.
class IAddressSpaces {
public:
    virtual ~IAddressSpaces() = default;
    virtual TBankAdresse minAddress(SpaceKind space) const = 0;
    virtual TBankAdresse maxAddress(SpaceKind space) const = 0;
    // An unbanked address takes over the banked flag of the space's maximum;
    // a bank or an offset above the maximum's is reduced by AND with it.
    virtual TBankAdresse normalize(SpaceKind space, TBankAdresse address) const = 0;
};

// The spaces of an 8051 without code banking: 64 KiB program and external
// data, 256 bytes internal data, SFRs from 0x80. The program and external
// data maxima can be set, banked or not, as the driver's banking would.
class StandardAddressSpaces final : public IAddressSpaces {
public:
    StandardAddressSpaces();
    TBankAdresse minAddress(SpaceKind space) const override;
    TBankAdresse maxAddress(SpaceKind space) const override;
    TBankAdresse normalize(SpaceKind space, TBankAdresse address) const override;

    // A banked maximum makes the space banked (its minimum is bank 0).
    void setProgramMax(TBankAdresse max) { programMax_ = max; }
    void setExtDataMax(TBankAdresse max) { extDataMax_ = max; }

private:
    TBankAdresse programMax_;
    TBankAdresse extDataMax_;
};

// Reads target code for lookups, which must not fail because the board is
// busy, running or gone: an implementation answers 0 ("unavailable")
// instead of raising, and the tables treat a raise as 0 all the same.
class ICodeReader {
public:
    virtual ~ICodeReader() = default;
    // Copies up to n bytes of code starting at `at` into buf and returns how
    // many it copied; 0 means the code is unavailable.
    virtual int read(TBankAdresse at, std::uint8_t* buf, int n) = 0;
};

// Code that is never available.
class NoCodeReader final : public ICodeReader {
public:
    int read(TBankAdresse, std::uint8_t*, int) override { return 0; }
};

// Code from a memory image indexed by the 16-bit offset (the checkers' 64 KiB
// buffer, a download buffer). The bank is ignored. Not owned.
class BufferCodeReader final : public ICodeReader {
public:
    explicit BufferCodeReader(std::span<const std::uint8_t> image) : image_(image) {}
    void setImage(std::span<const std::uint8_t> image) { image_ = image; }
    int read(TBankAdresse at, std::uint8_t* buf, int n) override;

private:
    std::span<const std::uint8_t> image_;
};

// The internal notifications {0x480, code, data}. Sending is synchronous:
// when send returns, every receiver has run.
class INotifier {
public:
    virtual ~INotifier() = default;
    virtual void send(std::uint8_t code, const void* data) = 0;
};

class NullNotifier final : public INotifier {
public:
    void send(std::uint8_t, const void*) override {}
};

// Internal notification codes. The data pointer is the sender unless a
// code says otherwise.
namespace notify {
constexpr std::uint8_t ProgramChanged = 1;        // program memory written
constexpr std::uint8_t IntDataChanged = 2;        // internal data or bits written
constexpr std::uint8_t ExtDataChanged = 3;        // external data written
constexpr std::uint8_t SymbolFileFound = 4;       // a source-file name was found
constexpr std::uint8_t SfrChanged = 5;            // an SFR or SFR bit written
constexpr std::uint8_t TraceChanged = 6;          // the trace board's frame window moved
constexpr std::uint8_t SystemChanged = 7;         // system memory written, hook tables sent
constexpr std::uint8_t ProgramLoaded = 8;         // code loaded from a file
constexpr std::uint8_t TablesCleared = 9;         // symbol or line-number table cleared
constexpr std::uint8_t TargetReset = 10;          // running state or target reset changed
constexpr std::uint8_t TargetHalted = 11;         // stop, step or program-counter write
constexpr std::uint8_t AllMemoryChanged = 12;     // every memory may differ
constexpr std::uint8_t BankingChanged = 13;       // banking settings changed
constexpr std::uint8_t TimeCounterReset = 14;     // real-time counter reset
constexpr std::uint8_t EmulSystemChanged = 15;    // emulation memory written
constexpr std::uint8_t SelectMemoryChanged = 16;  // select memory written
constexpr std::uint8_t BreakTablesChanged = 20;   // break kinds or break mode changed
constexpr std::uint8_t TraceTablesChanged = 21;   // trace kinds changed
constexpr std::uint8_t EmulatorState = 25;        // emulator state changed
constexpr std::uint8_t LanguageChanged = 31;      // reload of translated names
constexpr std::uint8_t ProcessorChanged = 32;     // processor type changed
constexpr std::uint8_t BankedAreaChanged = 33;    // banked area moved
constexpr std::uint8_t ExtDataMaxChanged = 34;    // external data's highest offset
constexpr std::uint8_t ProgramMaxChanged = 35;    // program's highest offset
}  // namespace notify

// The options the tables read.
class IOptionsInfo {
public:
    virtual ~IOptionsInfo() = default;
    // The source extensions in order (".c", ".a51", ...).
    virtual std::vector<std::string> sourceExts() const = 0;
    // The tool chain (HochsprachenTyp): 0 C51_Keil ... 8 keine_Hochsprache.
    virtual int toolChain() const = 0;
    // Searches a source file in the source directories; on success replaces
    // name by the path found.
    virtual bool findFile(std::string& name) const = 0;
};

// The checkers' options: ".c" sources, Keil tool chain, no file search.
class DefaultOptionsInfo final : public IOptionsInfo {
public:
    std::vector<std::string> sourceExts() const override { return {".c"}; }
    int toolChain() const override { return 0; }
    bool findFile(std::string&) const override { return false; }
};

// The context a table works in. Null members mean the checkers' defaults;
// nothing is owned, and the objects must outlive the tables that use them.
struct TargetContext {
    const IAddressSpaces* spaces = nullptr;
    ICodeReader* code = nullptr;
    INotifier* notifier = nullptr;
    const IOptionsInfo* options = nullptr;
    // Null: no banking component (the checkers).
    const IBankingInfo* banking = nullptr;

    const IAddressSpaces& spacesOrDefault() const;
    ICodeReader& codeOrDefault() const;
    INotifier& notifierOrDefault() const;
    const IOptionsInfo& optionsOrDefault() const;
    const IBankingInfo& bankingOrDefault() const;
};

}  // namespace tarvex
