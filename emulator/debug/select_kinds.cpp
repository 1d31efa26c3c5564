#include "emulator/debug/select_kinds.hpp"

#include <array>

namespace tarvex {

namespace {

constexpr std::array<SelectKindInfo, select_kind::Last - select_kind::First + 1> Rows{{
#define SELECT_KIND(code, name, role, channel, bit, index, space, classes, whole, text) \
    {code, #name, SelectRole::role, channel, bit, index, SelectSpace::space, SelectClasses::classes, whole, text},
#include "emulator/debug/select_kinds.def"
#undef SELECT_KIND
}};

constexpr bool rowsInOrder() {
    for (std::size_t i = 0; i < Rows.size(); ++i)
        if (Rows[i].code != select_kind::First + static_cast<int>(i)) return false;
    return true;
}
static_assert(rowsInOrder(), "select kinds are declared once each, in order");

constexpr SelectKindRange rangeOf(SelectRole role) {
    int first = 0, last = -1;
    for (const SelectKindInfo& row : Rows) {
        if (row.role != role) continue;
        if (last < first) first = row.code;
        last = row.code;
    }
    return {first, last};
}

constexpr bool rolesSideBySide() {
    for (const SelectKindInfo& row : Rows) {
        const SelectKindRange range = rangeOf(row.role);
        for (int kind : range)
            if (Rows[static_cast<std::size_t>(kind - select_kind::First)].role != row.role) return false;
    }
    return true;
}
static_assert(rolesSideBySide(), "each role's kinds are declared side by side");

constexpr int dataBusOf(int kind) {
    const SelectKindInfo& row = Rows[static_cast<std::size_t>(kind - select_kind::First)];
    if (row.role != SelectRole::Break) return kind;
    for (const SelectKindInfo& data : Rows)
        if (data.role == SelectRole::BreakData && data.channel == row.channel) return data.code;
    return kind;
}

constexpr bool everyBreakHasItsData() {
    for (const SelectKindInfo& row : Rows)
        if (row.role == SelectRole::Break && dataBusOf(row.code) == row.code) return false;
    return true;
}
static_assert(everyBreakHasItsData(), "each break channel has its data-bus kind");
static_assert(rangeOf(SelectRole::Map).back() - rangeOf(SelectRole::Map).front() == 1, "the maps come as a pair");

}  // namespace

const SelectKindInfo* SelectKindRow(int kind) {
    if (kind < select_kind::First || kind > select_kind::Last) return nullptr;
    return &Rows[static_cast<std::size_t>(kind - select_kind::First)];
}

SelectKindRange SelectKindsOf(SelectRole role) { return rangeOf(role); }

int DataBusKind(int kind) { return SelectKindRow(kind) != nullptr ? dataBusOf(kind) : kind; }

int OtherMapKind(int kind) {
    if (!HasSelectRole(kind, SelectRole::Map)) return kind;
    const SelectKindRange maps = rangeOf(SelectRole::Map);
    return kind == maps.front() ? maps.back() : maps.front();
}

bool HasSelectRole(int kind, SelectRole role) {
    const SelectKindInfo* row = SelectKindRow(kind);
    return row != nullptr && row->role == role;
}

}  // namespace tarvex
