#pragma once
// The pellunar analyser: an image of the program code of every code bank and
// the list of hooks found in it. A pellunar is an instruction or a routine
// call that touches port P0 or P2 and that the emulator board carries out for
// the program; a hook is the list item that stands for one.
//
// The driver derives its board-side component from TPellunarComp and the
// checkers derive their own; both override the message output. The scan
// reaches the symbol and line-number tables and the banking (for the longest
// instruction) through pointers set by the owner, so that the checkers can
// plug in their tables and the driver its own.
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/banking_info.hpp"
#include "core/component.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex {

class TPellunarComp;
class TSymboltabelle;
class TZeilennummertabelle;

// Up to five code bytes: the longest hook sequence has five.
class PellunarBytes {
public:
    static constexpr std::size_t Capacity = 5;

    PellunarBytes() = default;
    PellunarBytes(std::initializer_list<std::uint8_t> bytes);
    explicit PellunarBytes(std::span<const std::uint8_t> bytes);

    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    std::uint8_t operator[](std::size_t i) const { return data_[i]; }
    const std::uint8_t* begin() const { return data_.data(); }
    const std::uint8_t* end() const { return data_.data() + size_; }
    std::span<const std::uint8_t> span() const { return {data_.data(), size_}; }
    // Appends while there is room; further bytes are dropped.
    void push_back(std::uint8_t b);
    // Two upper-case hex digits a byte, no separators.
    std::string Hex() const;

    friend bool operator==(const PellunarBytes& a, const PellunarBytes& b);

private:
    std::array<std::uint8_t, Capacity> data_{};
    std::uint8_t size_ = 0;
};

// Message levels of the analysis.
enum PellunarLevel : int { PellunarError = 0, PellunarWarning = 1, PellunarNote = 2 };

// Processor variants: which instruction forms the board can carry out.
enum PellunarVariant : std::uint8_t { Variant8051 = 0, VariantW77X = 1, VariantTIMSC = 2 };

class TPellunarItem {
public:
    TPellunarItem(TPellunarComp* owner, std::uint8_t extraByte, std::uint16_t classCode, TBankAdresse address);

    // The most bytes a hook's instruction takes.
    static constexpr std::size_t MaxLength = PellunarBytes::Capacity;

    // First byte of the instruction.
    TBankAdresse address{};
    // What the instruction does to which port or bit.
    std::uint16_t classCode = 0;
    // The code byte two after the address in the scanned code, or the
    // operand a form names instead (immediate, relative target).
    std::uint8_t extraByte = 0;
    TPellunarComp* owner = nullptr;
    // The instruction bytes as they stood in the scanned code (the original
    // call bytes for a substituted call).
    PellunarBytes scannedBytes;
    // The item stands for a port read routine call that the scan replaced by
    // a direct port read.
    bool substitutedCall = false;
    // The address lies inside a typed data object of the symbol table (a
    // constant table in code memory): the program's own bytes belong there.
    bool inTypedData = false;

    // --- position ---
    // Bytes the hook covers: the length of its instruction bytes.
    std::size_t Length() const;
    // Address of the instruction's last byte.
    TBankAdresse EndAddress() const;
    // The byte after a three-byte call.
    std::uint16_t EndOffset() const;
    // The owner's image byte two after the address; 0 without an owner.
    std::uint8_t ThirdByte() const;
    // The owner's R7 direct address, 15 without an owner.
    std::uint8_t R7Address() const;
    // How the range [start, end] lies against the item: -2 ends before it,
    // -1 ends inside it (or on its first byte), 0 covers it, 1 starts inside
    // and ends on or after its end, 2 starts inside and ends after it,
    // 3 starts after it. Values -1..2 share a byte with the item.
    int Overlap(const TBankAdresse& start, const TBankAdresse& end) const;

    // --- class sets ---
    bool IsSubstituted() const;
    bool IsRoutineClass() const;
    bool IsBitRoutineClass() const;
    bool IsWriteClass() const;
    bool IsReadClass() const;
    int RoutineKind() const;
    int OperandGroup() const;
    int IsGroup3Class() const;
    std::uint8_t SpecialRoutineCode() const;
    std::uint8_t WriteRoutineCode() const;
    std::uint8_t ReadRoutineCode() const;

    // --- bytes and texts ---
    // The bytes that stand for the hook in the code image (two to five);
    // empty for a class the analyser does not know.
    PellunarBytes InstructionBytes() const;
    // The instruction bytes, and after two of them the third image byte.
    PellunarBytes RoutineText() const;
    PellunarBytes RoutineTextShort() const;
    // The program's own instruction that the hook stands for.
    PellunarBytes CodeBytes() const;
    std::string CodeBytesText() const;
    std::string ScannedBytesHex() const;
    // Assembler text of the hook for the messages.
    std::string ReplacementText() const;
    // Sort key of the transmission order.
    std::uint32_t HookClass() const;
    int TransmitGroup() const;
};

class TPellunarList {
public:
    enum SortOrder : std::uint8_t { Unsorted = 0, ByAddress = 1, ByClass = 2 };

    std::size_t Count() const { return items_.size(); }
    TPellunarItem* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    std::uint8_t Order() const { return order_; }

    // Takes the item. While the list is ordered by address the item goes to
    // its place so that the order holds; otherwise it is appended and the
    // list counts as unsorted.
    TPellunarItem* AddItem(std::unique_ptr<TPellunarItem> item);
    void SetSortOrder(std::uint8_t order);
    // Orders by address, then the item whose bytes contain the address.
    TPellunarItem* IndexOfAddress(const TBankAdresse& address);
    // In a list ordered by address: the item whose bytes contain the
    // address, among the items of its bank and those for all banks (an
    // address for all banks: among every bank's); of several the one that
    // starts nearest below it.
    TPellunarItem* FindContaining(const TBankAdresse& address) const;
    // Position of an item, or -1.
    std::ptrdiff_t IndexOf(const TPellunarItem* item) const;

    // Removes and frees the item at i.
    void DeleteObject(std::size_t i);
    void Clear();

private:
    // First item at or above (bank << 16 | offset) in the address order.
    std::size_t LowerBound(std::uint32_t groupKey) const;
    TPellunarItem* FindContainingIn(std::uint32_t bank, const TBankAdresse& address) const;

    std::vector<std::unique_ptr<TPellunarItem>> items_;
    std::uint8_t order_ = Unsorted;
};

class TPellunarComp : public TComponent {
public:
    static constexpr int MaxCodeBanks = 4;
    static constexpr std::uint32_t ImageSize = 0x10000;
    static constexpr int LookBack = 3;

    TPellunarComp();
    virtual ~TPellunarComp();
    TPellunarComp(const TPellunarComp&) = delete;
    TPellunarComp& operator=(const TPellunarComp&) = delete;

    // --- the component ---
    std::string_view Name() const override { return "PellunarComp"; }
    // Reacts to no notification; the driver's subclass adds what the board
    // needs.
    void Notify(std::uint8_t, const void*) override {}
    // The published settings: CodeBankCount, then CodeBankSize, as integers;
    // reading goes through the setters.
    void WriteProperties(ValueWriter& writer) const override;
    void ReadProperties(ValueReader& reader, std::int32_t version) override;

    // --- the steps a user of the component supplies ---
    // One finding of the scan: level 0 error, 1 warning, 2 note; the
    // location is a source position or an address text. Empty here.
    virtual void MessageOutput(int level, const std::string& message, const std::string& location);
    // Removes the hook whose bytes contain the address. The driver also
    // writes the program's own bytes back to the board.
    virtual void RemoveHookAt(const TBankAdresse& address);
    // Called with true before the first hook is added while nothing is
    // marked changed.
    virtual void HookAdded(bool flag);

    // --- context ---
    // The tables the scan consults; null means an empty table. Not owned.
    void SetTables(TSymboltabelle* symbols, TZeilennummertabelle* lines);
    TSymboltabelle* Symbols() const { return symbols_; }
    TZeilennummertabelle* Lines() const { return lines_; }
    // The banking for the longest instruction and the address texts; null
    // means none (the checkers: three-byte instructions, full address texts).
    // Not owned.
    void SetBanking(const IBankingInfo* banking) { banking_ = banking; }
    const IBankingInfo* Banking() const { return banking_; }

    // --- settings ---
    bool LineNumbersRequired() const { return lineNumbersRequired_; }
    void SetLineNumbersRequired(bool value) { lineNumbersRequired_ = value; }
    std::uint8_t ProcessorVariant() const { return variant_; }
    void SetProcessorVariant(std::uint8_t value) { variant_ = value; }
    bool RoutineCallSubstitution() const { return substitution_; }
    void SetRoutineCallSubstitution(bool value) { substitution_ = value; }
    std::uint8_t R7Address() const { return r7Address_; }
    void SetHookVariant(std::uint8_t r7Address);

    // Images of banks 1..4; a count outside that range is clamped.
    int CodeBankCount() const { return bankCount_; }
    void SetCodeBankCount(int n);
    // Bytes per bank image, 1..65536.
    std::uint32_t CodeBankSize() const { return bankSize_; }
    void SetCodeBankSize(std::uint32_t n);
    void ClearImages();

    // Image bank of an address: unbanked and all-banks addresses use image
    // 0, a bank beyond the count is masked with (count - 1).
    int ImageIndex(const TBankAdresse& address) const;
    // Stores the bytes at the address; bytes beyond the image are dropped.
    void StoreCode(const TBankAdresse& address, std::span<const std::uint8_t> bytes);
    // Up to n bytes from the image; fewer when the image ends first.
    std::vector<std::uint8_t> ImageBytes(const TBankAdresse& address, std::size_t n) const;
    std::uint8_t ImageByte(const TBankAdresse& address) const;

    // --- hooks ---
    TPellunarList& Hooks() { return list_; }
    const TPellunarList& Hooks() const { return list_; }
    std::size_t HookCount() const { return list_.Count(); }
    bool HasSubstitutedHooks() const { return substitutedCount_ > 0; }
    std::int32_t SubstitutedCount() const { return substitutedCount_; }
    // Adds an item as an accepted hook: counts it, marks the list changed
    // and sends the hook-added notice when this is the first change.
    TPellunarItem* AddHook(std::unique_ptr<TPellunarItem> item);
    void DeleteHook(TPellunarItem* item);
    void DeleteHooksInRange(const TBankAdresse& start, const TBankAdresse& end);
    // Copies the hooks that lie wholly inside the source range to the same
    // place relative to the destination; hooks already there are deleted.
    void CopyHooks(const TBankAdresse& sourceStart, const TBankAdresse& sourceEnd,
                   const TBankAdresse& destinationStart);
    // Forgets every hook (a new program is about to be scanned).
    void ClearHooks();

    bool Changed() const { return changed_; }
    void SetChanged(bool value) { changed_ = value; }
    bool HookAreaUsed() const { return hookAreaUsed_; }
    void SetHookAreaUsed(bool value) { hookAreaUsed_ = value; }

    // --- the scan ---
    // Walks one contiguous block of code starting at `start`, stores it in
    // the image and makes a hook for every pellunar it finds.
    void ScanCode(const TBankAdresse& start, std::span<const std::uint8_t> bytes);
    // Whether the program uses the new routine entries (0xFFA0..0xFFD9).
    bool UsesNewEntries() const;

private:
    friend class PellunarScan;
    std::uint8_t* ImageAt(const TBankAdresse& address, std::size_t& room);

    bool lineNumbersRequired_ = false;
    std::uint8_t variant_ = Variant8051;
    int bankCount_ = MaxCodeBanks;
    std::uint32_t bankSize_ = ImageSize;
    std::int32_t substitutedCount_ = 0;
    bool hookAreaUsed_ = false;
    std::uint8_t r7Address_ = 15;
    std::array<std::vector<std::uint8_t>, MaxCodeBanks> images_;
    TPellunarList list_;
    bool changed_ = false;
    bool substitution_ = false;

    TSymboltabelle* symbols_ = nullptr;
    TZeilennummertabelle* lines_ = nullptr;
    const IBankingInfo* banking_ = nullptr;
};

// Code from the component's bank images. The checkers hand it to the tables
// as their code reader, so that line ends are found in the scanned program.
class PellunarImageReader final : public ICodeReader {
public:
    explicit PellunarImageReader(const TPellunarComp& comp) : comp_(comp) {}
    int read(TBankAdresse at, std::uint8_t* buf, int n) noexcept override;

private:
    const TPellunarComp& comp_;
};

}  // namespace tarvex
