#pragma once
// The select kinds 10-23 and what each one is, declared once in
// select_kinds.def: the kind's role, its channel, its bit in the qualifier
// memory, the space of its addresses, the symbols an item may name and how
// the command history names it. The select table asks the row, never the
// kind's number.
#include <cstdint>
#include <string_view>

namespace tarvex {

enum class SelectKind : std::uint8_t {
#define SELECT_KIND(code, name, role, channel, bit, index, space, classes, whole, text) name = code,
#include "emulator/debug/select_kinds.def"
#undef SELECT_KIND
};

// Break channels, trace qualifiers, the line-number qualifier, the
// data-bus conditions of the break channels, the program and external-data
// maps.
enum class SelectRole : std::uint8_t { Break, Trace, LineTrace, BreakData, Map };
enum class SelectSpace : std::uint8_t { ByMode, Program, IntData, ExtData };
enum class SelectClasses : std::uint8_t { ByBreakMode, ByTraceMode, Line, DataBus, TraceCode, Data };

struct SelectKindInfo {
    int code;
    std::string_view name;
    SelectRole role;
    int channel;
    std::uint8_t channelBit;
    int channelIndex;
    SelectSpace space;
    SelectClasses classes;
    bool wholeObject;
    std::string_view historyText;
};

namespace select_kind {
constexpr int First = 10, Last = 23;
#define SELECT_KIND(code, name, role, channel, bit, index, space, classes, whole, text) constexpr int name = code;
#include "emulator/debug/select_kinds.def"
#undef SELECT_KIND
}  // namespace select_kind

// The kinds of one role, in order; the .def keeps each role's kinds side by
// side.
class SelectKindRange {
public:
    class iterator {
    public:
        constexpr explicit iterator(int kind) : kind_(kind) {}
        constexpr int operator*() const { return kind_; }
        constexpr iterator& operator++() {
            ++kind_;
            return *this;
        }
        constexpr bool operator!=(const iterator& other) const { return kind_ != other.kind_; }

    private:
        int kind_;
    };
    constexpr SelectKindRange(int first, int last) : first_(first), last_(last) {}
    constexpr iterator begin() const { return iterator(first_); }
    constexpr iterator end() const { return iterator(last_ + 1); }
    constexpr int front() const { return first_; }
    constexpr int back() const { return last_; }
    constexpr bool contains(int kind) const { return kind >= first_ && kind <= last_; }

private:
    int first_, last_;
};

SelectKindRange SelectKindsOf(SelectRole role);

// The row of a kind; null outside 10-23.
const SelectKindInfo* SelectKindRow(int kind);
// Whether the kind has that role (false outside 10-23).
bool HasSelectRole(int kind, SelectRole role);
// The data-bus conditions of a break channel kind (the BreakData kind on its
// channel); any other kind itself.
int DataBusKind(int kind);
// The other map of a map kind; any other kind itself.
int OtherMapKind(int kind);

}  // namespace tarvex
