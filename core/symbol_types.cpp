// The symbol table's type records: their sizes computed over the graph a
// file gives, and the index that finds an equal record already entered.
#include "core/symbol_table.hpp"

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "core/address_order.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/value_stream.hpp"
#include "platform/stream.hpp"

namespace tarvex {

namespace {

// Type graphs come from files; a chain deeper than this is malformed.
constexpr int kMaxTypeDepth = 64;

std::uint64_t Saturate(std::uint64_t v) { return std::min<std::uint64_t>(v, 0xFFFFFFFFu); }

std::uint64_t MulSat(std::uint64_t a, std::uint64_t b) {
    if (a == 0 || b == 0) return 0;
    if (a > 0xFFFFFFFFu / b) return 0xFFFFFFFFu;
    return a * b;
}

constexpr std::uint8_t kBaseSizes[34] = {1, 1, 1, 1, 2, 2, 4, 4, 4, 8, 1, 1, 4, 8, 0, 0, 3,
                                         1, 0, 0, 0, 0, 0, 0, 4, 6, 7, 0, 0, 0, 1, 0, 0, 3};

}  // namespace

// ---------------------------------------------------------------------------
// Types

TSymbol* TSymboltabelle::TypeAt(int index) {
    typeIndex_ = index;
    const TSymbolList& list = lists_[sspTypedef];
    if (index < 0 || static_cast<std::size_t>(index) >= list.Count()) return nullptr;
    return list.Items(static_cast<std::size_t>(index));
}

TSymbol* TSymboltabelle::CurrentType() {
    const TSymbolList& list = lists_[sspTypedef];
    if (typeIndex_ < 0 || static_cast<std::size_t>(typeIndex_) >= list.Count()) return nullptr;
    ++typeIndex_;
    return list.Items(static_cast<std::size_t>(typeIndex_));
}

int TSymboltabelle::TypeIndex(const TSymbol* symbol) const {
    if (symbol == nullptr) return -1;
    const TSymbolList& list = lists_[sspTypedef];
    const std::uint32_t position = list.Position(symbol);
    return list.Items(position) == symbol ? static_cast<int>(position) : -1;
}

TSymbol* TSymboltabelle::BaseType(const TSymbol* symbol) {
    if (symbol == nullptr || symbol->type != kTypeOfRecord) return nullptr;
    return lists_[sspTypedef].Items(symbol->size);
}

TSymbol* TSymboltabelle::ElementType(const TSymbol* symbol) {
    if (symbol == nullptr || symbol->kind != sspTypedef || symbol->type != kTypeOfRecord) return nullptr;
    return TypeAt(symbol->address.offset);
}

int TSymboltabelle::BaseTypeCodeOf(const TSymbol* symbol, int depth) {
    if (symbol == nullptr) return kTypeOfRecord;
    if (symbol->type < kTypeOfRecord) return symbol->type;
    if (depth > kMaxTypeDepth) return kTypeOfRecord;
    const TSymbol* base = symbol->kind == sspTypedef ? ElementType(symbol) : BaseType(symbol);
    if (base == nullptr || base->klass == symbol_class::Function || base->klass == symbol_class::CdbFunction)
        return kTypeOfRecord;
    return BaseTypeCodeOf(base, depth + 1);
}

int TSymboltabelle::BaseTypeCode(const TSymbol* symbol) { return BaseTypeCodeOf(symbol, 0); }

namespace {

// One size computation over a type graph read from a file: every record is
// computed once, and a record met again while its own size is being
// computed (a cycle) counts 0. The walk keeps its own stack: a chain of
// named types in a file can be tens of thousands deep, far more than a
// thread's stack holds as recursion.
class TypeSizer {
public:
    // zeroSized: records whose size came out 0 in earlier computations of
    // the same table state; 0 in the size field means "not computed".
    TypeSizer(const TSymbolList& types, std::unordered_set<const TSymbol*>& zeroSized)
        : types_(types), zeroSized_(zeroSized) {}

    std::uint64_t Size(TSymbol* s) {
        std::uint64_t value = 0;
        if (Settled(s, value)) return value;
        Open(*s);
        for (;;) {
            TSymbol* part = nullptr;
            if (NextPart(stack_.back(), part)) {
                if (Settled(part, value))
                    Take(stack_.back(), value);
                else
                    Open(*part);
                continue;
            }
            value = Close();
            if (stack_.empty()) return value;
            Take(stack_.back(), value);
        }
    }

private:
    // How a record's size is made from the sizes of other records.
    enum class Parts : std::uint8_t { None, Chain, List, Element };

    struct Frame {
        TSymbol* s = nullptr;
        Parts parts = Parts::None;
        std::uint64_t count = 0;
        std::uint64_t value = 0;  // the result of None, else the sum or the element size
        std::size_t next = 0;     // Chain: type index; List: name position; Element: 1 once taken
        std::uint64_t taken = 0;  // Chain: members taken
    };

    static std::uint16_t Word(const std::string& name, std::size_t i) {
        return static_cast<std::uint16_t>(static_cast<unsigned char>(name[i]) |
                                          static_cast<unsigned char>(name[i + 1]) << 8);
    }

    // True with the size when it needs no other type record's size (or is
    // already known); false leaves s at the type record to compute.
    bool Settled(TSymbol*& s, std::uint64_t& value) {
        value = 0;
        for (int hop = 0; s != nullptr && s->kind != sspTypedef; ++hop) {
            if (s->kind == sspModuleFunction) {
                if (s->size >= s->address.offset) value = static_cast<std::uint64_t>(s->size) - s->address.offset + 1;
                return true;
            }
            if (s->type != kTypeOfRecord) {
                value = s->size;
                return true;
            }
            if (hop > 0) return true;
            s = types_.Items(s->size);
        }
        if (s == nullptr) return true;
        if (s->size > 0) {
            value = s->size;
            return true;
        }
        if (zeroSized_.count(s) != 0) return true;
        if (const auto it = done_.find(s); it != done_.end()) {
            value = it->second;
            return true;
        }
        return busy_.count(s) != 0;
    }

    void Open(TSymbol& s) {
        busy_.insert(&s);
        Frame f;
        f.s = &s;
        if (s.form == 0 && s.klass == symbol_class::Array) {
            f.count = s.moduleId + static_cast<std::uint64_t>(s.functionId) * 256;
        } else if (s.form == 0 && s.klass == symbol_class::CdbArray) {
            // Dimensions as 2-byte little-endian values at the start of
            // the name; a name too short for them is malformed.
            if (s.name.size() < 2u * s.functionId) {
                stack_.push_back(f);
                return;
            }
            f.count = 1;
            for (std::size_t d = 0; d < s.functionId; ++d) f.count = MulSat(f.count, Word(s.name, 2 * d));
        }
        const bool plainBank = s.address.bank == 0 || !s.address.banked;
        if (s.type < 34)
            f.value = f.count == 0 ? kBaseSizes[s.type] : MulSat(kBaseSizes[s.type], f.count);
        else if (s.type != kTypeOfRecord)
            f.value = 0;
        else if (s.form == 0 && s.klass == symbol_class::Member && plainBank) {
            // A structure: the chain of member records from the element on.
            f.parts = Parts::Chain;
            f.next = s.address.offset;
        } else if (s.form == 2 && s.klass == symbol_class::Member && plainBank)
            f.parts = Parts::List;
        else
            f.parts = Parts::Element;
        stack_.push_back(f);
    }

    // The next record whose size the frame's record is made of.
    bool NextPart(Frame& f, TSymbol*& part) {
        switch (f.parts) {
        case Parts::None: return false;
        case Parts::Chain: {
            if (f.next >= types_.Count()) return false;
            TSymbol* member = types_.Items(f.next);
            if (f.count == 0 ? member->klass != symbol_class::Member : f.taken >= f.count) return false;
            if (member == f.s) return false;
            ++f.next;
            ++f.taken;
            part = member;
            return true;
        }
        case Parts::List:
            if (f.next + 1 >= f.s->name.size()) return false;
            part = types_.Items(static_cast<std::size_t>(Word(f.s->name, f.next)) + f.s->address.offset);
            f.next += 2;
            return true;
        case Parts::Element:
            if (f.next != 0) return false;
            f.next = 1;
            part = types_.Items(f.s->address.offset);
            return true;
        }
        return false;
    }

    static void Take(Frame& f, std::uint64_t size) {
        f.value = f.parts == Parts::Element ? size : Saturate(f.value + size);
    }

    std::uint64_t Close() {
        const Frame f = stack_.back();
        stack_.pop_back();
        std::uint64_t size = f.value;
        if (f.parts == Parts::Element && f.count != 0) size = MulSat(size, f.count);
        size = Saturate(size);
        busy_.erase(f.s);
        done_[f.s] = size;
        if (size == 0) zeroSized_.insert(f.s);
        f.s->size = static_cast<std::uint32_t>(size);
        return size;
    }

    const TSymbolList& types_;
    std::unordered_set<const TSymbol*>& zeroSized_;
    std::vector<Frame> stack_;
    std::unordered_map<const TSymbol*, std::uint64_t> done_;
    std::unordered_set<const TSymbol*> busy_;
};

}  // namespace

std::uint32_t TSymboltabelle::TypeSize(TSymbol* symbol) {
    // A type that comes out 0 (a chain ending in an unknown or empty type)
    // is known for as long as the table is unchanged: otherwise every query
    // would walk its whole chain again.
    if (zeroSizedGeneration_ != generation_) {
        zeroSized_.clear();
        zeroSizedGeneration_ = generation_;
    }
    TypeSizer sizer(lists_[sspTypedef], zeroSized_);
    return static_cast<std::uint32_t>(Saturate(sizer.Size(symbol)));
}

std::string TSymboltabelle::TypeSizeText(TSymbol* symbol) {
    if (symbol == nullptr) return {};
    return std::to_string(TypeSize(symbol));
}

std::string TSymboltabelle::TypeText(const TSymbol* symbol) { return TypeTextOf(symbol, 0); }

std::string TSymboltabelle::TypeTextOf(const TSymbol* symbol, int depth) {
    if (symbol == nullptr || depth > kMaxTypeDepth) return {};
    auto byCode = [&]() -> std::string {
        switch (symbol->type) {
        case 0: return "untyped";
        case 1: return "bit";
        case 2: return "char";
        case 3: return "Uchar";
        case 4: return "int";
        case 5: return "Uint";
        case 6: return "long";
        case 7: return "Ulong";
        case 8: return "float (low)";
        case 9: return "double";
        case 10: return "label";
        case 11: return "void";
        case 12: return "float";
        case 24: return "BCD float";
        case 25: return "BCD double";
        case 26: return "BCD long double";
        case 30: return "String";
        case 33: return "Pointer";
        case kTypeOfRecord:
            return TypeTextOf(symbol->kind == sspTypedef ? lists_[sspTypedef].Items(symbol->address.offset)
                                                         : BaseType(symbol),
                              depth + 1);
        default: return Format("%.2x", symbol->type);
        }
    };
    if (symbol->kind != sspTypedef) return byCode();
    // The texts of every type class, by code (symbol_class names those the
    // tables compute with).
    switch (symbol->klass) {
    case 6: case 16: case 34: return "Array";
    case 7: case 17: case 18: case 37:
        return ctx_.optionsOrDefault().toolChain() == 4 ? "Record" : "Struct/Union";
    case 8: return "Enumeration";
    case 9: return "Set";
    case 15: case 33: case 39: case 40: return Format("Pointer %.2x", symbol->klass);
    case 19: case 38: return "Bit Field";
    case 20: case 35: return "Function";
    case 21: return "Attribute " + byCode();
    case 28: return "DPTR5..7";
    case 29: return "CPTR1..7";
    case 32: return "Liste";
    case 36: return "Type " + symbol->name;
    default: return Format("%.2x", symbol->klass);
    }
}

void TSymboltabelle::InheritArraySize(TSymbol* symbol) {
    if (symbol == nullptr || symbol->kind != sspTypedef || symbol->klass != symbol_class::CdbStructure ||
        symbol->size == 0)
        return;
    if (symbol->type != kTypeOfRecord) return;
    TSymbol* element = lists_[sspTypedef].Items(symbol->address.offset);
    if (element != nullptr && element->size == 0) element->size = symbol->size;
}

namespace {

// The keys of the type look-ups: a letter for the look-up, then the fields
// it compares, fixed widths first and the name last.
struct TypeKey {
    std::string text;
    explicit TypeKey(char lookup) : text(1, lookup) {}
    TypeKey& u8(std::uint32_t v) { return text += static_cast<char>(v & 0xFF), *this; }
    TypeKey& u16(std::uint32_t v) { return u8(v >> 8).u8(v); }
    std::string name(std::string_view n) { return text.append(n); }
};

std::string NameKey(std::uint8_t klass, std::string_view name) { return TypeKey('N').u8(klass).name(name); }
std::string NameTypeKey(std::uint8_t klass, std::uint8_t type, std::string_view name) {
    return TypeKey('T').u8(klass).u8(type).name(name);
}
std::string FunctionKey(std::uint8_t type, std::uint16_t address) { return TypeKey('F').u8(type).u16(address).text; }
std::string PointerKey(std::uint8_t klass, std::uint16_t moduleId, std::uint16_t address, std::uint8_t type) {
    return TypeKey('P').u8(klass).u16(moduleId).u16(address).u8(type).text;
}
std::string ArrayKey(std::uint8_t type, std::uint16_t address, std::string_view name) {
    return TypeKey('A').u8(type).u16(address).name(name);
}

}  // namespace

// The keys of a record, from its fields as they are.
static std::vector<std::string> TypeKeysOf(const TSymbol& record) {
    std::vector<std::string> keys{NameKey(record.klass, record.name),
                                  NameTypeKey(record.klass, record.type, record.name),
                                  PointerKey(record.klass, record.moduleId, record.address.offset, record.type)};
    if (record.klass == symbol_class::CdbFunction && record.name.empty())
        keys.push_back(FunctionKey(record.type, record.address.offset));
    if (record.klass == symbol_class::CdbArray && record.functionId == 1)
        keys.push_back(ArrayKey(record.type, record.address.offset, record.name));
    return keys;
}

void TSymboltabelle::KeyType(TSymbol* record) {
    const TSymbolList& list = lists_[sspTypedef];
    const std::uint32_t at = list.Position(record);
    for (std::string& key : TypeKeysOf(*record)) {
        std::vector<TSymbol*>& records = typeKeys_[std::move(key)];
        // Mostly the last in list order: a re-keyed record may be earlier.
        auto it = records.end();
        while (it != records.begin() && list.Position(*(it - 1)) > at) --it;
        records.insert(it, record);
    }
}

// Before a change of the fields the record joined with.
void TSymboltabelle::UnkeyType(TSymbol* record) {
    for (const std::string& key : TypeKeysOf(*record)) {
        const auto found = typeKeys_.find(key);
        if (found == typeKeys_.end()) continue;
        auto& records = found->second;
        records.erase(std::remove(records.begin(), records.end(), record), records.end());
        if (records.empty()) typeKeys_.erase(found);
    }
}

bool TSymboltabelle::TypeKeyed(const TSymbol* record) const {
    const int at = TypeIndex(record);
    return at >= 0 && static_cast<std::size_t>(at) < typesKeyed_;
}

void TSymboltabelle::IndexTypes() {
    const TSymbolList& list = lists_[sspTypedef];
    for (; typesKeyed_ < list.Count(); ++typesKeyed_) KeyType(list.Items(typesKeyed_));
}

TSymbol* TSymboltabelle::FirstWithTypeKey(const std::string& key) {
    IndexTypes();
    const auto found = typeKeys_.find(key);
    return found == typeKeys_.end() || found->second.empty() ? nullptr : found->second.front();
}

void TSymboltabelle::SetTypeReference(TSymbol* record, std::uint8_t type, std::uint16_t index) {
    if (record == nullptr) return;
    const bool keyed = TypeKeyed(record);
    if (keyed) UnkeyType(record);
    record->type = type;
    record->address.offset = index;
    if (keyed) KeyType(record);
}

TSymbol* TSymboltabelle::FindTypeByName(std::string_view name, std::uint8_t klass, std::uint8_t type) {
    return FirstWithTypeKey(type == 0 ? NameKey(klass, name) : NameTypeKey(klass, type, name));
}

TSymbol* TSymboltabelle::FindType(std::uint8_t type, std::uint16_t address) {
    return FirstWithTypeKey(FunctionKey(type, address));
}

TSymbol* TSymboltabelle::FindTypeAt(std::uint8_t klass, std::uint16_t moduleId, std::uint16_t address,
                                    std::uint8_t type) {
    return FirstWithTypeKey(PointerKey(klass, moduleId, address, type));
}

TSymbol* TSymboltabelle::FindMember(std::uint8_t type, std::string_view twoCharName, std::uint16_t address) {
    return FirstWithTypeKey(ArrayKey(type, address, twoCharName));
}

}  // namespace tarvex
