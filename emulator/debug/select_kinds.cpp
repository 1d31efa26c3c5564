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

}  // namespace

const SelectKindInfo* SelectKindRow(int kind) {
    if (kind < select_kind::First || kind > select_kind::Last) return nullptr;
    return &Rows[static_cast<std::size_t>(kind - select_kind::First)];
}

bool HasSelectRole(int kind, SelectRole role) {
    const SelectKindInfo* row = SelectKindRow(kind);
    return row != nullptr && row->role == role;
}

}  // namespace tarvex
