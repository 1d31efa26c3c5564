#pragma once
// The conversion of an avra object file: code words, lines and source-file
// names into the tables and a code sink, then the ".def" aliases of the
// program's sources into symbols. The program loader supplies the sink (its
// buffer into program memory) and the source search (the options' search).
#include <cstdint>
#include <functional>
#include <string>

#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/avr_object.hpp"

namespace tarvex {

class TAvrObjectLoad {
public:
    // Two code bytes at a byte address, low byte first in memory.
    using CodeSink = std::function<void(std::uint32_t byteAddress, std::uint16_t word)>;
    // The full path of a source file the options find; empty when none.
    using FindSource = std::function<std::string(const std::string& name)>;
    // Asked before each record: true stops the load.
    using Cancel = std::function<bool()>;

    TAvrObjectLoad(TSymboltabelle& symbols, TZeilennummertabelle& lines) : symbols_(symbols), lines_(lines) {}

    void SetOffset(std::uint16_t offset) { offset_ = offset; }
    // Without a sink the load enters symbols and lines only.
    void SetCodeSink(CodeSink sink) { sink_ = std::move(sink); }
    void SetFindSource(FindSource find) { find_ = std::move(find); }
    void SetModuleId(std::uint16_t id) { moduleId_ = id; }
    void SetCancel(Cancel cancel) { cancel_ = std::move(cancel); }
    // Called every 16 records to show the counters.
    void SetRefresh(std::function<void()> refresh) { refresh_ = std::move(refresh); }

    // Reads header, names and every record; false when cancelled (what was
    // read before stays entered). `moduleName` is the file's name without
    // folder and extension. Reader errors pass through; a word that lies
    // beyond 64 KiB of bytes raises EVokWinAddressError before anything of
    // it is entered.
    bool Load(TAvrObjReader& reader, const std::string& moduleName);
    // Adds the ".def" aliases of one source file that name registers of
    // the table; returns how many were added.
    int ReadAvrDefs(const std::string& path, const TRegisterTabelle& registers);
    // Load() and then ReadAvrDefs over every source the search finds.
    int ReadAllDefs(const TAvrObjReader& reader, const TRegisterTabelle& registers);

    std::uint32_t CodeBytes() const { return codeBytes_; }

private:
    TSymboltabelle& symbols_;
    TZeilennummertabelle& lines_;
    std::uint16_t offset_ = 0;
    std::uint16_t moduleId_ = 1;
    CodeSink sink_;
    FindSource find_;
    Cancel cancel_;
    std::function<void()> refresh_;
    std::uint32_t codeBytes_ = 0;
};

}  // namespace tarvex
