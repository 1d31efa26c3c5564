#pragma once
// One user operation as an object: the parameter record plus what makes it
// part of a macro (the anchor, the nesting level and the owned chain of the
// commands that follow it) and the select table it edits. The executor
// (host/command_executor.hpp) runs it, the history (host/command_history.hpp)
// keeps what ran, and the protocol text is the line the history shows.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "host/command_record.hpp"

namespace tarvex {

class TSelectTabelle;
class ValueReader;

class TBasisVokWinKommando : public TKommandoStruktur {
public:
    TBasisVokWinKommando();
    explicit TBasisVokWinKommando(std::uint8_t commandCode);
    virtual ~TBasisVokWinKommando();
    TBasisVokWinKommando(const TBasisVokWinKommando&) = delete;
    TBasisVokWinKommando& operator=(const TBasisVokWinKommando&) = delete;

    // The command heads a macro: the executor runs its chain after it.
    bool Anker = false;
    // The next command of the chain; owned.
    std::unique_ptr<TBasisVokWinKommando> Nachfolger;

    std::uint8_t MakroLevel() const { return makroLevel_; }
    // Sets the level on this command and on every command of its chain.
    void SetMakroLevel(std::uint8_t level);

    // The select table the command edits (codes 7, 8, 14 to 17); owned.
    // Null: the global select table.
    TSelectTabelle* SelectTable() const { return selectTable_.get(); }
    void SetSelectTable(std::unique_ptr<TSelectTabelle> table);

    // A deep copy of the source's parameters and chain; the level of the
    // copy's head is 0 and it edits the global select table.
    void Assign(const TBasisVokWinKommando& source);
    // Frees the chain behind this command.
    void DropChain();
    // The number of commands from this one to the end of its chain.
    std::size_t ChainLength() const;

    // The stream form of the select file (without anchor level, chain and
    // table). Version 4 added option bit 3, version 6 the address flags;
    // older addresses are read with the banking given.
    void ReadFromStream(ValueReader& reader, std::int32_t version, const IBankingInfo* banking);

private:
    std::uint8_t makroLevel_ = 0;
    std::unique_ptr<TSelectTabelle> selectTable_;
};

// What the chain builders create; no behaviour of its own.
class TVokWinKommando final : public TBasisVokWinKommando {
public:
    using TBasisVokWinKommando::TBasisVokWinKommando;
};

enum class CommandLanguage { English, German };

// English while the numbered text 208 reads "english", else German.
CommandLanguage CurrentCommandLanguage();

// The names of the memory kinds and file formats (empty for none).
std::string_view MemoryKindName(std::uint8_t kind);
std::string_view FileFormatName(std::uint8_t format);

std::string CommandName(const TKommandoStruktur& command, CommandLanguage language);
std::string CommandName(const TKommandoStruktur& command);
// The history's line: name and parameters, indented two blanks per macro
// level.
// Addresses are written with the banking given (null: none, the full form).
std::string ProtocolText(const TBasisVokWinKommando& command, CommandLanguage language, const IBankingInfo* banking);
std::string ProtocolText(const TBasisVokWinKommando& command, const IBankingInfo* banking);

// A save-trace command carries frame indices in its start and end address:
// bits 16 to 23 in the bank, bits 0 to 15 in the offset.
std::uint32_t TraceFrameIndex(const TBankAdresse& address);

}  // namespace tarvex
