#pragma once
// The conversion of an SDCC CDB debug file into the symbol and line-number
// tables: modules, functions, symbols with their type chains, structures
// and the linker's line records. The code itself comes from the ".ihx" or
// ".hex" file beside the CDB file, which the program loader reads.
//
// SDCC writes every "L:" record after all modules, so the linker addresses
// are read first and every symbol is entered with its final address; the
// module of a line comes from its file (C lines) or its name (A lines).
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/cdb_records.hpp"

namespace tarvex {

class TCdbLoader {
public:
    // The file number of the C source in its module, and of the generated
    // assembler file whose lines the "L:A$" records give.
    static constexpr std::uint16_t CFileNumber = 0;
    static constexpr std::uint16_t AsmFileNumber = 1;

    TCdbLoader(TSymboltabelle& symbols, TZeilennummertabelle& lines) : symbols_(symbols), lines_(lines) {}

    // The load offset added to code addresses (functions, code symbols, lines).
    void SetOffset(std::uint16_t offset) { offset_ = offset; }
    // Addresses above 0xFFFF are banked through this banking.
    void SetBanking(const IBankingInfo* banking) { banking_ = banking; }
    // Asked after every line; true ends the load as cancelled.
    void SetCancel(std::function<bool()> cancel) { cancel_ = std::move(cancel); }

    // Converts the file's lines. A bad number raises EConvertError; a
    // malformed line is reported in Messages() and skipped. Returns false
    // when cancelled.
    bool Load(const std::vector<std::string>& lines);

    // Texts for the loader's message list ("Ignore symbol", format errors).
    const std::vector<std::string>& Messages() const { return messages_; }

private:
    struct Module {
        std::string name;
        std::uint16_t id = 0;
        std::string source;
        bool hasAsmLines = false;
        bool hasRange = false;
        TBankAdresse start{}, end{};
        std::uint16_t functions = 0;
    };
    struct Function {
        std::uint16_t moduleId = 0;
        std::uint16_t id = 0;
        TBankAdresse start{}, end{};
        bool hasStart = false, hasEnd = false;
    };
    using LinkKey = std::tuple<char, std::string, std::string, std::int32_t, std::int32_t>;
    using EndKey = std::tuple<char, std::string, std::string>;

    void collect(const std::vector<std::string>& lines);
    void firstPass(const std::vector<std::string>& lines);
    bool secondPass(const std::vector<std::string>& lines);
    void addFunction(const CdbSymbolRecord& r);
    void addSymbol(const CdbSymbolRecord& r);
    void addStruct(const CdbStructRecord& r);
    void addLine(const CdbLinkRecord& r);
    void widen(Module& m, const TBankAdresse& start, const TBankAdresse& end);

    // The type record of chain element `i` onwards (find or create).
    TSymbol* convertChain(const CdbTypeChain& chain, std::size_t i, std::uint32_t size);
    TSymbol* addType(const std::string& name, std::uint16_t functionField, std::uint16_t moduleField,
                     std::uint8_t baseCode, std::uint32_t size, std::uint8_t klass, std::uint16_t offset,
                     std::uint8_t bank = 0);
    std::string structKey(const std::string& name) const;

    struct Span {
        std::uint32_t last = 0;
        std::uint16_t id = 0;
    };
    void indexModules();
    void indexFunctions();
    static std::uint32_t addressKey(const TBankAdresse& a);
    Module* moduleNamed(const std::string& name);
    Module* moduleOfFile(const std::string& file);
    TBankAdresse codeAddress(std::uint32_t linear) const;
    std::uint16_t functionAt(std::uint16_t moduleId, const TBankAdresse& address) const;
    static bool skipLine(const std::string& line, const std::string& previous);
    static std::uint8_t registerNumber(const std::string& name);
    static bool registerList(const std::vector<std::string>& names, TLocation& held);

    TSymboltabelle& symbols_;
    TZeilennummertabelle& lines_;
    std::uint16_t offset_ = 0;
    const IBankingInfo* banking_ = nullptr;
    std::function<bool()> cancel_;
    std::vector<std::string> messages_;

    std::vector<std::string> sources_;  // sorted, no duplicates
    std::vector<Module> modules_;
    Module* current_ = nullptr;
    std::map<std::tuple<std::uint16_t, std::string>, Function> functions_;  // (module, lower-case name)
    std::map<LinkKey, std::uint32_t> starts_;
    std::map<EndKey, std::uint32_t> ends_;
    std::vector<std::uint32_t> cLineAddresses_;  // sorted
    std::unordered_map<std::string, std::size_t> byName_, bySource_;  // lower case → first module
    std::vector<std::map<std::uint32_t, Span>> spans_;                 // by module id: first address → span
};

}  // namespace tarvex
