#pragma once
// Watches: a source-level expression (a variable, array elements, structure
// members, pointer dereferences) or a plain address in one of the target's
// memory classes, resolved against the symbol and register tables into an
// address, a type and an element count, read through the memory spaces and
// shown in one of five display formats; in the other direction a typed
// value converted into bytes of the right width and order and written.
//
// How the edge cases go:
// - memory class 9 ("Register") looks symbols up in kind 2, classes 11 to
//   127 in any kind;
// - a requested type of 34 or above without a type record has element size
//   0: nothing is read and the value text is empty;
// - the four lists are filled through List(n) / AddItem by their users;
// - every number is formatted and parsed with "." as decimal separator,
//   never through the process locale, which the table leaves alone.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"

namespace tarvex {

class TBasisEmulSpeicher;
class TDebug;
class TEmulator;
class TEmulSpaces;
class TRegisterTabelle;
class TSymboltabelle;
class TVokWinValidator;
struct TSymbol;
struct TLocation;

struct TWatchItem {
    bool valid = false;
    std::string expression;
    TBankAdresse address{};
    bool reversed = false;
    std::uint32_t requestedCount = 1;
    std::uint8_t displayFormat = 0;
    std::uint8_t requestedType = 0;
    std::uint8_t memoryClass = 0;
    std::string comment;
    std::uint8_t moduleId = 0;
    std::uint8_t functionId = 0;
    // Derived by every resolution.
    std::int32_t elementSize = 0;
    std::uint8_t typeCode = 0;
    std::uint32_t elementCount = 1;
    std::uint8_t pointerKind = 0;
    TSymbol* typeRecord = nullptr;  // not owned
    bool resolved = false;
    std::int32_t dereferenceCount = 0;
    std::string rest;
    bool indexByExpression = false;
    bool reading = false;
    bool memberFollows = false;
    bool pointerIndexed = false;
    bool registerSymbol = false;
    std::uint16_t locationCount = 0;
    std::uint32_t firstLocation = 0;
};

// What the watches reach of the target. The driver's adapter goes through
// the memory spaces, the emulator and the run control; tests and the fuzzer
// put memory of their own behind it.
class IWatchTarget {
public:
    virtual ~IWatchTarget() = default;
    // Limits and checks of a memory-space object (0 program ... 5 system);
    // null when there is none.
    virtual const TBasisEmulSpeicher* Limits(int spaceKind) const = 0;
    virtual std::string ReadBlock(int spaceKind, const TBankAdresse& address, std::int32_t count) = 0;
    virtual void WriteBlock(int spaceKind, const TBankAdresse& address, std::string_view data) = 0;
    virtual std::uint8_t ReadSfrByte(std::uint8_t address) = 0;
    virtual void WriteSfr(std::uint8_t address, std::uint8_t value) = 0;
    virtual std::string ReadRegisterBank() = 0;
    virtual void WriteRegister(int n, std::uint8_t value) = 0;
    virtual std::uint8_t ReadV(std::uint16_t index) = 0;
    virtual void WriteV(std::uint16_t index, std::uint8_t value) = 0;
    virtual TBankAdresse PC() const = 0;
    virtual void SetPC(const TBankAdresse& address) = 0;
    virtual void UpdatePellunars() = 0;
    // HochsprachenTyp: 0 C51_Keil, 2 C51_Rose, 4 Pascal51_KSC, 6 C51_SDCC.
    virtual int ToolChain() const = 0;
};

// The driver's target: the memory spaces, the emulator and the run control
// (which may be absent: then the program counter reads as 0 and SetPC does
// nothing).
class TEmulWatchTarget final : public IWatchTarget {
public:
    TEmulWatchTarget(TEmulSpaces& spaces, TEmulator& emulator, TDebug* debug, const IOptionsInfo* options);
    const TBasisEmulSpeicher* Limits(int spaceKind) const override;
    std::string ReadBlock(int spaceKind, const TBankAdresse& address, std::int32_t count) override;
    void WriteBlock(int spaceKind, const TBankAdresse& address, std::string_view data) override;
    std::uint8_t ReadSfrByte(std::uint8_t address) override;
    void WriteSfr(std::uint8_t address, std::uint8_t value) override;
    std::string ReadRegisterBank() override;
    void WriteRegister(int n, std::uint8_t value) override;
    std::uint8_t ReadV(std::uint16_t index) override;
    void WriteV(std::uint16_t index, std::uint8_t value) override;
    TBankAdresse PC() const override;
    void SetPC(const TBankAdresse& address) override;
    void UpdatePellunars() override;
    int ToolChain() const override;

private:
    TEmulSpaces& spaces_;
    TEmulator& emulator_;
    TDebug* debug_;
    const IOptionsInfo* options_;
};

// Owns its items.
class TWatchList {
public:
    std::size_t Count() const { return items_.size(); }
    TWatchItem* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    TWatchItem* Add(std::unique_ptr<TWatchItem> item);
    void Delete(std::size_t i);
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TWatchItem>> items_;
};

class TWatchTabelle final : public TComponent {
public:
    // Expansion levels of one resolution or value text: a cyclic chain of
    // type records from a damaged object file ends here.
    static constexpr int kMaxDepth = 64;
    static constexpr int kMaxSteps = 100000;

    TWatchTabelle(TSymboltabelle& symbols, const TRegisterTabelle& registers, IWatchTarget& target,
                  INotifier& notifier);
    ~TWatchTabelle() override;

    std::string_view Name() const override { return "WatchTabelle"; }
    void Notify(std::uint8_t code, const void* data) override;

    static std::unique_ptr<TWatchItem> NewItem();
    static void FreeItem(std::unique_ptr<TWatchItem> item) { item.reset(); }

    // Lists 1 to 4 (others raise EWatchError).
    TWatchList& List(int n);
    TWatchItem* AddItem(int n, std::unique_ptr<TWatchItem> item);

    void SetItemAddress(std::string_view text, TWatchItem& item);
    void SetItemValueText(TWatchItem* item, std::string_view text);
    std::string ItemValueText(TWatchItem* item);
    void Resolve(TWatchItem& item);
    void ResolveAll();

    static std::string TypeName(int requestedType);
    static std::string FormatName(int format);
    static std::string MemoryClassName(int memoryClass);
    // The memory-space object of a class; -1 for none.
    static int MemorySpace(int memoryClass);
    // The internal type code of a requested type, and a code's element size.
    static std::uint8_t TypeCodeOf(int requestedType);
    static std::int32_t BaseSize(int typeCode);
    static int DisplayFormat(const TWatchItem& item);

private:
    struct Depth;
    void parseExpression(TWatchItem& item);
    struct Found {
        TSymbol* symbol = nullptr;
        const void* reg = nullptr;
    };
    Found findItemSymbol(TWatchItem& item);
    TSymbol* findSymbolOfClass(std::string_view name, int memoryClass);
    void checkItemAddress(TWatchItem& item);
    bool expandType(TWatchItem& item);
    bool expandOnce(TWatchItem& item);
    bool expandArray(TWatchItem& item, TSymbol* rec);
    bool expandCdbArray(TWatchItem& item, TSymbol* rec);
    bool expandMember(TWatchItem& item, TSymbol* rec, bool form3List, std::uint32_t count, TSymbol* first);
    std::int32_t indexValue(const TWatchItem& item, const std::string& text);
    std::int64_t pieceValue(TWatchItem& item, const std::string& piece);
    std::string readItemData(TWatchItem& item);
    std::string formatItem(TWatchItem& item, std::string_view data);
    // One element, by its type's class (emulator/debug/watch_types.def); f is
    // the display format in force.
    std::string formatElement(TWatchItem& item, std::string_view data);
    std::string formatByte(const TWatchItem& item, const std::string& b, int f) const;
    std::string formatBit(const TWatchItem& item, const std::string& b) const;
    std::string formatInteger(const TWatchItem& item, std::string b, int f) const;
    std::string formatFloat(const TWatchItem& item, std::string b, int f) const;
    static std::string formatRawBytes(const std::string& b, int f);
    std::string formatCodeAddress(const std::string& b) const;
    static std::string formatBcdFloat(const TWatchItem& item, std::string b, int f);
    std::string formatStructure(TWatchItem& item, const std::string& b);
    std::string formatPointer(TWatchItem& item, std::string_view data);
    std::string formatArray(TWatchItem& item, const std::string& b);
    static std::string formatBitField(const TWatchItem& item, const std::string& b, int f);
    static std::string formatZeroTerminated(const std::string& b);
    std::string formatUnresolved(TWatchItem& item, const std::string& b);
    void writeItemValues(TWatchItem& item, std::string_view text);
    // One element from its text, by its type's class; the writers give the
    // element's bytes (a bit's value may come from its binary text).
    void modifyElement(TWatchItem& item, std::string_view text);
    std::string integerBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value) const;
    static std::string bitBytes(int f, const std::string& t, std::int64_t& value);
    static std::string floatBytes(const TWatchItem& item, int f, const std::string& t, std::int64_t value);
    [[noreturn]] void fail(const TWatchItem& item, int detail, std::string_view fill = {}) const;
    // The item's location at the program counter; for a register list
    // (kind 12) also that location. False for a variable that lives in
    // registers only, where the program counter lies outside its ranges: it
    // has no place there.
    bool applyLocation(TWatchItem& item, TLocation* registers);
    const TBasisEmulSpeicher* spaceOf(int memoryClass) const;
    bool littleEndian() const;

    TSymboltabelle& symbols_;
    const TRegisterTabelle& registers_;
    IWatchTarget& target_;
    INotifier& notifier_;
    std::unique_ptr<TVokWinValidator> validator_;
    std::array<TWatchList, 4> lists_;
    int depth_ = 0;
    int steps_ = 0;
};

// CutIndex and CutMember of a rest text, for the table and its tests.
std::string CutIndex(std::string& rest, bool remove);
std::string CutMember(std::string& rest, bool remove);

}  // namespace tarvex
