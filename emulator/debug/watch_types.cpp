#include "emulator/debug/watch_types.hpp"

#include <array>

namespace tarvex {

namespace {

constexpr WatchTypeInfo Rows[] = {
#define WATCH_TYPE(code, name, size, klass, display) {code, #name, size, WatchClass::klass, display},
#include "emulator/debug/watch_types.def"
#undef WATCH_TYPE
};

constexpr WatchTypeInfo Undeclared{-1, "", 0, WatchClass::None, 0};

// Every byte value to its row, so that a lookup per element costs nothing.
constexpr std::array<const WatchTypeInfo*, 256> byCode() {
    std::array<const WatchTypeInfo*, 256> table{};
    for (auto& entry : table) entry = &Undeclared;
    for (const WatchTypeInfo& row : Rows) table[static_cast<std::size_t>(row.code)] = &row;
    return table;
}
constexpr std::array<const WatchTypeInfo*, 256> ByCode = byCode();

}  // namespace

const WatchTypeInfo& WatchTypeRow(int code) {
    return code >= 0 && code < 256 ? *ByCode[static_cast<std::size_t>(code)] : Undeclared;
}

bool WatchClassWritable(WatchClass klass) {
    switch (klass) {
        case WatchClass::ByteInteger:
        case WatchClass::Bit:
        case WatchClass::Integer:
        case WatchClass::Float:
        case WatchClass::CodeAddress:
        case WatchClass::Text:
        case WatchClass::ZeroTerminatedText:
            return true;
        default:
            return false;
    }
}

}  // namespace tarvex
