#pragma once
// The symbol table: every symbol the loaders take from a program's debug
// information (modules, functions, labels, variables, bits, SFRs, constants,
// source-file names, types), looked up by name, scope and address.
//
// Records are owned by their lists and keep their addresses until Clear (or,
// for file-name symbols, until RelativePath changes): callers may hold
// pointers to them and drop those pointers on notification 9.
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/ansi_case.hpp"
#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex {

enum TSymbolSpeicherklasse : std::uint8_t {
    sspModuleFunction = 0,
    sspProgram = 1,
    sspIntData = 2,
    sspExtData = 3,
    sspBit = 4,
    sspSfr = 5,
    sspConst = 6,
    sspSource = 7,
    sspTypedef = 8,
    sspRoseSpI = 9,
    sspRoseSpX = 10,
    sspZeilennummer = 11,
    sspRegister = 12,
    sspRegBank = 13,
};
// A set of kinds, bit k for kind k.
using TSymbolSpeicherklassen = std::uint16_t;

// Codes of a symbol's class field. A symbol that is no type record carries
// its loader's storage or scope class, or None; a type record carries its
// type class, from one set for object files and one for CDB files
// (TypeText names them all).
namespace symbol_class {
inline constexpr std::uint8_t None = 19;  // no storage or scope class given
// Type classes of object files.
inline constexpr std::uint8_t Array = 6;  // element count in the module and function fields
inline constexpr std::uint8_t Structure = 7;
inline constexpr std::uint8_t Enumeration = 8;
inline constexpr std::uint8_t Set = 9;
inline constexpr std::uint8_t Pointer = 15;
inline constexpr std::uint8_t UbrofArray = 16;  // lower bound 0, the count as for Array
inline constexpr std::uint8_t UbrofStructure = 17;
inline constexpr std::uint8_t UbrofUnion = 18;
inline constexpr std::uint8_t BitField = 19;
inline constexpr std::uint8_t Function = 20;
inline constexpr std::uint8_t Attribute = 21;  // a base type with attributes
inline constexpr std::uint8_t Member = 32;  // a structure's member, or its member list
inline constexpr std::uint8_t NamedType = 36;
inline constexpr std::uint8_t SizedPointer = 40;  // its size and memory space given
// Type classes of CDB files.
inline constexpr std::uint8_t CdbGenericPointer = 33;
inline constexpr std::uint8_t CdbArray = 34;  // dimensions at the start of the name
inline constexpr std::uint8_t CdbFunction = 35;
inline constexpr std::uint8_t CdbStructure = 37;
inline constexpr std::uint8_t CdbBitField = 38;
inline constexpr std::uint8_t CdbPointer = 39;
}  // namespace symbol_class

// Base type codes with a meaning of their own (0..33 are the base types).
inline constexpr std::uint8_t kTypeOfRecord = 255;  // the type record the size field names
inline constexpr std::uint8_t kNoType = 240;

enum class TTransformCase : std::uint8_t { tcNone = 0, tcUpper = 1, tcLower = 2 };

// Display name of a kind ("Program memory symbol"); empty for unknown kinds.
std::string SymbolKindName(int kind);
// The memory space against which addresses of a kind are normalised; false
// for kinds without one (constants, file names, types).
bool SymbolKindSpace(int kind, SpaceKind& space);

struct TSymbol {
    std::uint8_t kind = 0;
    // Kind 7: offset = file number in its module. Kind 8: offset = index of
    // the element type in the type list.
    TBankAdresse address{};
    std::string name;
    // Storage or scope class of a variable; type-class code of a type record.
    std::uint8_t klass = symbol_class::None;
    // Kind 0: end offset. Type code 255: index of the type record. Type
    // record: cached size (0 = not yet computed). Else the loader's size.
    std::uint32_t size = 1;
    // Base type code 0..33; 255 = see size; 240 = no type.
    std::uint8_t type = kNoType;
    // A symbol's module and function; in a type record counts, offsets or
    // a bit field's place, read through ArrayCount, MemberCount,
    // MemberOffset and BitFieldOf below.
    std::uint16_t moduleId = 0;
    std::uint16_t functionId = 0;
    // Type records: 0 plain, 1 UBROF, 2 member list, 3 CDB.
    std::uint8_t form = 0;
    std::uint16_t locationCount = 0;
    std::uint32_t firstLocation = 0;

private:
    friend class TSymbolList;
    friend class TSymboltabelle;
    std::uint32_t position_ = 0;  // index in its list's current order
};

// The type-record fields whose meaning depends on the record's class, read
// by that meaning.
// An array's element count; a member list's or CDB structure's member count.
inline std::uint32_t ArrayCount(const TSymbol& rec) { return rec.moduleId + rec.functionId * 256u; }
// A structure's member count: an object file's structure keeps it in the
// function field alone.
inline std::uint32_t MemberCount(const TSymbol& rec) {
    return rec.klass == symbol_class::Structure ? rec.functionId : ArrayCount(rec);
}
// A member's byte offset in its structure.
inline std::uint32_t MemberOffset(const TSymbol& member) { return member.moduleId + member.functionId * 256u; }
// A bit field's lowest bit and its width in bits.
struct BitFieldPlace {
    int position;
    int width;
};
inline BitFieldPlace BitFieldOf(const TSymbol& rec) { return {rec.moduleId & 31, rec.functionId}; }

// Where a local variable lives over a code range (read by the watches).
struct TLocation {
    TBankAdresse start{};
    TBankAdresse end{};
    std::uint8_t kind = 0;
    std::uint16_t offset = 0;
    std::uint8_t bank = 0;
    // Kind 12: the first registerCount register numbers in list order
    // (0-7 R0-R7, 8 A, 9 B, 10 DPL, 11 DPH, 12 C). A UBROF list ends at its
    // first 0; SDCC's lists may name R0.
    std::array<std::uint8_t, 4> registers{};
    std::uint8_t registerCount = 0;
};

class TLocationList {
public:
    TLocation* Add();
    std::size_t Count() const { return items_.size(); }
    TLocation* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    void Clear() { items_.clear(); }

private:
    std::vector<std::unique_ptr<TLocation>> items_;
};

// One list of symbol records. The order is the current one: insertion order
// until a search sorts it; once sorted by address, later additions are put
// at their sorted place so that the order stays valid. A record's address
// and name are not changed in place once it is in a list (names: Rename);
// type records, which no address search uses, are completed by the loaders
// before the next type look-up, or later through SetTypeReference.
class TSymbolList {
public:
    enum class Order : std::uint8_t { Unsorted, ByName, ByAddress };

    std::size_t Count() const { return items_.size(); }
    // In the current order: an index is valid only until the next search
    // (the type list excepted, whose indices are references); see Snapshot.
    TSymbol* Items(std::size_t i) const { return i < items_.size() ? items_[i] : nullptr; }
    Order order() const { return order_; }
    bool ignoreBank() const { return ignoreBank_; }

    // First record in the current order with exactly this (already
    // transformed) name; a module or function id of 0 matches any. The
    // file-name list compares without regard to case.
    TSymbol* FindByName(std::string_view name, std::uint16_t moduleId, std::uint16_t functionId) const;

    // Sorting in place: by name (case-insensitive, then module id, function
    // id, address) or by address (bank, offset, then the name order).
    void SortByName();
    void SortByAddress();

    // Browsers and watches that keep positions across lookups take a
    // snapshot: the records in a fixed order (Unsorted: the order of
    // addition), unaffected by later searches. Its pointers, like all record
    // pointers, stay valid until Clear (notification 9).
    std::vector<TSymbol*> Snapshot(Order order) const;

    // How many records the address searches have compared since creation;
    // lets tests see that a bitmap test spared the walk.
    std::uint64_t comparisons() const { return comparisons_; }

private:
    friend class TSymboltabelle;

    TSymbol* Add(std::unique_ptr<TSymbol> symbol);
    void Clear();
    // The record's index in the current order.
    std::uint32_t Position(const TSymbol* symbol) const;
    void ReindexNames();
    std::string NameKey(std::string_view name) const;
    // The first record in the current order with this (transformed) name
    // that satisfies pred. The type list, whose names the loaders complete
    // after adding, is walked; other lists use the name index.
    template <typename Pred>
    TSymbol* FindNamed(std::string_view name, Pred pred) const {
        if (fixedOrder_) {
            for (TSymbol* s : items_)
                if (s->name == name && pred(*s)) return s;
            return nullptr;
        }
        const std::string key = NameKey(name);
        const auto it = byName_.find(key);
        if (it == byName_.end()) return nullptr;
        TSymbol* best = nullptr;
        for (TSymbol* s : it->second) {
            const bool same = caseless_ ? AnsiSameText(s->name, name) : s->name == name;
            if (!same || !pred(*s)) continue;
            if (best == nullptr || Position(s) < Position(best)) best = s;
        }
        return best;
    }
    void Rename(TSymbol* symbol, std::string name);
    // Address searches on the list sorted by address.
    TSymbol* FindExact(const TBankAdresse& address);
    TSymbol* FindNext(const TBankAdresse& address, bool upwards);

    std::vector<std::unique_ptr<TSymbol>> owned_;  // in order of addition
    std::vector<TSymbol*> items_;                  // the current order
    mutable bool positionsValid_ = true;
    std::unordered_map<std::string, std::vector<TSymbol*>> byName_;
    Order order_ = Order::Unsorted;
    bool ignoreBank_ = false;
    bool caseless_ = false;
    bool fixedOrder_ = false;  // the type list: indices are references
    std::uint64_t comparisons_ = 0;
};

struct TZeilennummer;  // a line record of the line-number table

// A source file's text, loaded once.
struct TSourceItem {
    std::string fileName;
    int tabWidth = 2;
    std::vector<std::string> lines;
};

// Replaces the tabs of each line by blanks up to the next stop of `width`
// (a width below 1 counts as 1); true when any tab was replaced.
bool ExpandTabs(std::vector<std::string>& lines, int width);

class TSymboltabelle : public TComponent {
public:
    static constexpr int kListCount = 11;

    explicit TSymboltabelle(const TargetContext& context = {});
    ~TSymboltabelle();
    TSymboltabelle(const TSymboltabelle&) = delete;
    TSymboltabelle& operator=(const TSymboltabelle&) = delete;

    const TargetContext& context() const { return ctx_; }
    void SetContext(const TargetContext& context) { ctx_ = context; }

    // Filling.
    TSymbol* AddSymbol(int kind, std::string_view name, std::uint16_t functionId, std::uint16_t moduleId,
                       std::uint8_t type, std::uint32_t size, std::uint8_t klass, TBankAdresse address);
    TSymbol* AddModule(std::string_view name, std::uint16_t moduleId, TBankAdresse start, TBankAdresse end);
    TSymbol* AddFunction(std::string_view name, std::uint16_t moduleId, TBankAdresse start, TBankAdresse end,
                         std::uint16_t functionId);
    TSymbol* AddFunctionRange(std::string_view name, std::uint16_t moduleId, TBankAdresse start, TBankAdresse end,
                              std::uint16_t functionId);
    TSymbol* AddFileName(std::string_view name, std::uint16_t moduleId, std::uint16_t fileNumber);
    TSymbol* AddCounterSymbol(TBankAdresse address, int kind);
    // Empties everything and sends notification 9 with this table as data.
    void Clear();

    // Lookups: nil, empty text or 0 when nothing matches; they never raise.
    TSymbolList* KindList(int kind);
    TLocationList& Locations() { return locations_; }
    TSymbol* FindByName(std::string_view name, int kind);
    void FindInScope(std::vector<TSymbol*>& out, int kind, std::uint16_t moduleId, std::uint16_t functionId);
    // Modes: 0 exact, 2 next above, 3 next below, 4 containing.
    TSymbol* FindByAddress(int kind, TBankAdresse address, int mode);
    std::string NameAt(TBankAdresse address, int kind);
    TSymbol* FindModuleAt(std::uint32_t linearAddress);
    std::string ModuleName(std::uint16_t moduleId);
    std::string FunctionName(std::uint16_t moduleId, std::uint16_t functionId);
    TSymbol* FunctionRecord(std::uint16_t moduleId, std::uint16_t functionId);
    std::string FunctionPath(std::uint16_t moduleId, std::uint16_t functionId);
    std::string QualifiedName(const TSymbol* symbol);
    std::string PlainName(std::string_view name) const;
    TBankAdresse SymbolEndAddress(const TSymbol* symbol);
    TSymbol* FindRoutineInRange(TBankAdresse address, std::uint32_t length);
    TSymbol* FindQzEntryNear(TBankAdresse address);
    TSymbol* FindVariable(std::string_view name, std::uint8_t klass, std::uint16_t moduleId,
                          std::uint16_t functionId);
    TSymbol* FindOfKind(std::string_view name, std::uint8_t klass, std::uint16_t moduleId, std::uint16_t functionId,
                        int kind);
    std::size_t Count() const;

    // Bitmaps of code symbols and "_qz_" entries, by 16-bit offset.
    bool IsCodeSymbolAt(std::uint16_t offset) const { return TestBit(codeBits_, offset); }
    bool IsQzEntryAt(std::uint16_t offset) const { return TestBit(entryBits_, offset); }

    TSymbol* MainFunction() const { return main_; }
    TSymbol* PellunarReadRoutine() const { return readP0_; }
    // The symbol that stands for every module in the dialogs.
    const TSymbol& AllModules() const { return allModules_; }

    // Type list.
    TSymbol* TypeAt(int index);
    TSymbol* CurrentType();
    int TypeIndex(const TSymbol* symbol) const;
    TSymbol* BaseType(const TSymbol* symbol);
    TSymbol* ElementType(const TSymbol* symbol);
    int BaseTypeCode(const TSymbol* symbol);
    std::uint32_t TypeSize(TSymbol* symbol);
    std::string TypeSizeText(TSymbol* symbol);
    std::string TypeText(const TSymbol* symbol);
    void InheritArraySize(TSymbol* symbol);
    TSymbol* FindTypeByName(std::string_view name, std::uint8_t klass, std::uint8_t type);
    TSymbol* FindType(std::uint8_t type, std::uint16_t address);
    TSymbol* FindTypeAt(std::uint8_t klass, std::uint16_t moduleId, std::uint16_t address, std::uint8_t type);
    TSymbol* FindMember(std::uint8_t type, std::string_view twoCharName, std::uint16_t address);
    // Points a type record at another type: its base type code and the
    // index in its address offset. The type look-ups above see the change.
    void SetTypeReference(TSymbol* record, std::uint8_t type, std::uint16_t index);

    // Source files.
    std::string LocationText(const TZeilennummer* line, bool search);
    // The whole text of a source file, lines separated by CR LF; raises the
    // stream error when the file cannot be read.
    std::string SourceLines(const std::string& fileName);
    // The cached lines of a source file (loaded as SourceLines does).
    const TSourceItem& SourceItem(const std::string& fileName);

    // Settings.
    bool IgnoreBanking() const { return ignoreBanking_; }
    void SetIgnoreBanking(bool value) { ignoreBanking_ = value; }
    bool RelativePath() const { return relativePath_; }
    void SetRelativePath(bool value);
    TTransformCase TransformCase() const { return transformCase_; }
    void SetTransformCase(TTransformCase value);
    std::string Ext() const;
    void SetDefaults();
    // In the project option file: RelativePath, then TransformCase.
    void WriteProperties(ValueWriter& writer) const override;
    void ReadProperties(ValueReader& reader, std::int32_t version) override;
    std::string Transform(std::string_view name) const;
    // Changes a stored name (transformed as on adding) and keeps the name
    // lookups right; names of records in a list are changed only here.
    void Rename(TSymbol* symbol, std::string_view name);

    bool ModifiedSelect = false;
    bool ModifiedWatch = false;

    // Changes with every addition and Clear, so that caches of resolved
    // names know when to resolve again.
    std::uint32_t Generation() const { return generation_; }

    std::string_view Name() const override { return "SymbolTabelle"; }
    // Reacts to the internal notifications (31 reloads translated names).
    void Notify(std::uint8_t code, const void* data) override;

private:
    static bool TestBit(const std::array<std::uint8_t, 8192>& bits, std::uint16_t offset) {
        return (bits[offset >> 3] & (1u << (offset & 7))) != 0;
    }
    static void SetBit(std::array<std::uint8_t, 8192>& bits, std::uint16_t offset) {
        bits[offset >> 3] = static_cast<std::uint8_t>(bits[offset >> 3] | (1u << (offset & 7)));
    }
    TSymbolList* ListOf(int kind);
    // Type records carry binary data (dimensions, member indices) in their
    // names; their names are never transformed, neither stored nor looked up.
    std::string transformFor(int kind, std::string_view name) const;
    void InitAllModules();
    // The type look-ups find a record by the fields they compare through
    // typeKeys_: each key's records in list order. Records join it on the
    // first look-up after their addition, so that a loader may complete a
    // record it has just added; Rename and SetTypeReference re-key records
    // that have joined.
    void IndexTypes();
    void KeyType(TSymbol* record);
    void UnkeyType(TSymbol* record);
    bool TypeKeyed(const TSymbol* record) const;
    TSymbol* FirstWithTypeKey(const std::string& key);
    std::string TypeTextOf(const TSymbol* symbol, int depth);
    int BaseTypeCodeOf(const TSymbol* symbol, int depth);

    TargetContext ctx_;
    std::array<TSymbolList, kListCount> lists_;
    TLocationList locations_;
    std::array<std::uint8_t, 8192> codeBits_{};
    std::array<std::uint8_t, 8192> entryBits_{};
    TSymbol* main_ = nullptr;
    TSymbol* readP0_ = nullptr;
    bool ignoreBanking_ = false;
    bool relativePath_ = true;
    TTransformCase transformCase_ = TTransformCase::tcUpper;
    std::vector<std::unique_ptr<TSourceItem>> sources_;  // sorted by lower-cased name
    int typeIndex_ = 0;
    std::map<std::string, std::vector<TSymbol*>> typeKeys_;
    std::size_t typesKeyed_ = 0;  // the first type records, in list order, have joined typeKeys_
    // Module and function records by (module id, function id).
    std::unordered_map<std::uint32_t, std::vector<TSymbol*>> scopes_;
    std::uint32_t generation_ = 0;
    // FindModuleAt's answers as runs of offsets, (bank key << 16 | first
    // offset) ascending; rebuilt when the module list has changed.
    struct ModuleSpan {
        std::uint32_t from;
        TSymbol* record;
    };
    void BuildModuleSpans();
    std::vector<ModuleSpan> moduleSpans_;
    // Type records whose size came out 0, while generation_ is unchanged.
    std::unordered_set<const TSymbol*> zeroSized_;
    std::uint32_t zeroSizedGeneration_ = 0;
    std::uint32_t moduleGeneration_ = 0;
    std::uint32_t moduleSpansGeneration_ = 0;
    TSymbol allModules_;
};

}  // namespace tarvex
