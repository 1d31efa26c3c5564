#pragma once
// The conversion of an OMF-51 or OMF2 object file into the target model:
// content records to the program loader's code buffer, modules, functions,
// symbols, types and source names into the symbol table, lines into the
// line-number table, the declared banked area to the banking.
//
// The program loader around it supplies the code buffer, the message list,
// the cancel query and the banking through IObjectLoadTarget, and the load
// request's settings through TOmfLoadParams. Reader errors
// (EOmfFormatError, an EVokWinFileError) pass out of Load.
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/line_table.hpp"
#include "core/omf_reader.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "host/load/object_bookkeeping.hpp"

namespace tarvex {

// What an object-file conversion needs of the program loader.
class IObjectLoadTarget {
public:
    virtual ~IObjectLoadTarget() = default;
    // Content bytes at their banked address. The loader checks the range
    // against its memory space (raising the space's range error); with
    // `store` it appends the bytes to its data buffer (writing the buffer out
    // at a gap or when full), without it only its write address moves.
    virtual void PlaceCode(const TBankAdresse& address, const std::uint8_t* bytes, std::size_t count,
                           bool store) = 0;
    // The end of a pass: the buffer is written out.
    virtual void FlushCode() = 0;
    virtual void AddMessage(const std::string& text) = 0;
    // Asked once per record; the loader may refresh its counters. True when
    // the user cancelled.
    virtual bool CancelRequested() = 0;
    // The banked code area the file declares.
    virtual void SetBankedArea(std::uint16_t start, std::uint16_t end) = 0;
};

// The load request as the program loader validated it.
struct TOmfLoadParams {
    // Where unbanked code goes in the first pass; the next passes take the
    // following banks.
    TBankAdresse loadAddress = UnbankedAdresse(0);
    int bankCount = 1;
    // The load address's offset is added to every code address.
    bool offsetFlag = false;
    // Only the banks the selector names are loaded (banked addresses of
    // other banks are skipped).
    bool ignoreBanking = false;
    std::uint8_t bankSelector = 0;
    bool symbolsOnly = false;
    // The emulator scans code for pellunars as it is written: symbols and
    // lines must be in the tables before the first byte goes out.
    bool pellunarMode = false;
    std::uint8_t dialect = 0;
    // The program space's lowest address: the range of a module or scope
    // that has no code.
    TBankAdresse defaultStart = UnbankedAdresse(0);
};

class TOmfLoad {
public:
    TOmfLoad(TSymboltabelle& symbols, TZeilennummertabelle& lines, IObjectLoadTarget& target)
        : symbols_(symbols), lines_(lines), target_(target) {}

    // SFR and bit symbols the register table already names are left out.
    void SetRegisters(const TRegisterTabelle* registers) { registers_ = registers; }

    // Converts the file the reader is over (rewinding it for each pass).
    // `fileName` decides which implicit scope stands for the module file.
    // False when the load failed: cancelled, or no module end record.
    bool Load(TOmfReader& reader, const std::string& fileName, const TOmfLoadParams& params);

    bool Cancelled() const { return cancelled_; }
    // The symbol dialect after the load (records of a tool chain switch it).
    std::uint8_t Dialect() const { return dialect_; }
    // The file declared a banked area, which the banking now has; the
    // loader's own common-area bound is then not wanted.
    bool BankedAreaDeclared() const { return bankedAreaDeclared_; }
    const TObjectBookkeeping& Bookkeeping() const { return book_; }

private:
    struct TypeRef {
        std::uint8_t code = 0;
        std::uint32_t index = 0;  // type-list index for code 255
    };
    struct PendingMember {
        std::string name;
        std::uint16_t value = 0;  // structure: offset; enumeration: value
        std::uint32_t type = 0;
    };
    struct PendingOwner {
        TSymbol* symbol = nullptr;
        std::uint8_t klass = 0;
        std::uint32_t size = 0;
        std::vector<PendingMember> members;
    };

    void firstPass(TOmfReader& reader);
    void contentPass(TOmfReader& reader, int pass);
    // False when the record ends the pass.
    bool record(TOmfReader& reader, const TOmfRecord& rec);
    void content(TOmfReader& reader, const TOmfRecord& rec, bool firstPass, int pass);
    void scopeDefinition(const TOmfRecord& rec);
    void symbols51(const TOmfRecord& rec);
    void lines51(const TOmfRecord& rec);
    void typedefs51(const TOmfRecord& rec);
    void debugType(const TOmfRecord& rec);
    void enterPending();
    void symbols2(TOmfReader& reader, const TOmfRecord& rec);
    void scopeBegin2(TOmfReader& reader, const TOmfRecord& rec);
    void scopeEnd2(const TOmfRecord& rec);
    void lines2(TOmfReader& reader, const TOmfRecord& rec);
    void typedef2(TOmfReader& reader, const TOmfRecord& rec);
    void sourceFiles(const TOmfRecord& rec);
    void openScope(const std::string& name, bool moduleFile);
    void closeScope(std::uint8_t form);
    void closeAll(std::uint8_t form);

    TypeRef ref51(std::uint32_t value);
    TypeRef ref2(std::uint32_t index);
    static std::uint32_t sizeOf(const TypeRef& ref);
    TSymbol* addType(const std::string& name, std::uint16_t functionField, std::uint16_t moduleField,
                     std::uint8_t code, std::uint32_t size, std::uint8_t klass, std::uint16_t offset,
                     std::uint8_t bank, std::uint8_t form);
    void addSymbol(int kind, const std::string& name, const TypeRef& type, std::uint8_t klass,
                   const TBankAdresse& address);
    // Banking ignored: a banked address in another bank than the selector
    // is not loaded. Unbanked and all-banks addresses always are.
    bool skipped(const TBankAdresse& address) const;
    TBankAdresse passAddress(int pass, std::uint16_t offset) const;
    std::uint16_t typeCount() { return static_cast<std::uint16_t>(TObjectBookkeeping::TypeCount(symbols_)); }

    TSymboltabelle& symbols_;
    TZeilennummertabelle& lines_;
    IObjectLoadTarget& target_;
    const TRegisterTabelle* registers_ = nullptr;

    TOmfLoadParams params_;
    TObjectBookkeeping book_;
    std::string fileStem_;
    std::uint16_t loadOffset_ = 0;
    bool omf2Seen_ = false;
    std::uint8_t dialect_ = 0;
    bool storeInFirstPass_ = false;
    bool ended_ = false;  // the pass met its end record
    bool cancelled_ = false;
    bool bankedAreaDeclared_ = false;
    std::int64_t endPosition_ = 0;  // where the first pass stopped reading
    // The number of the load's first debug-item type record (0 when a type
    // definition record set the type base first); -1 until one is seen.
    std::int32_t firstTypeNumber_ = -1;
    std::vector<PendingOwner> pending_;
    std::set<std::uint32_t> references_;  // OMF2 type indexes the file uses
    TBankAdresse scopeStart_{};           // of the open OMF2 scope record
    bool scopeSkipped_ = false;           // the open scope had code in a bank left out
};

}  // namespace tarvex
