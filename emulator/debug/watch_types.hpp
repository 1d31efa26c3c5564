#pragma once
// The watch type codes and what each one is, declared once in
// watch_types.def: the code's name, its element size, the class that reads
// and writes its elements and the display format it shows by default. The
// watch table chooses its reading and writing functions by the class, so
// that the two cannot drift apart for a type.
#include <cstdint>
#include <string_view>

namespace tarvex {

enum class WatchType : std::uint8_t {
#define WATCH_TYPE(code, name, size, klass, display) name = code,
#include "emulator/debug/watch_types.def"
#undef WATCH_TYPE
};

enum class WatchClass : std::uint8_t {
    None,
    ByteInteger,
    Bit,
    Integer,
    Float,
    RawBytes,
    CodeAddress,
    BcdFloat,
    Text,
    Structure,
    Pointer,
    Array,
    BitField,
    ZeroTerminatedText,
    Unresolved,
};

// The display formats of a watch; Default shows each type in its row's own
// format, Record a structure's members with their names.
namespace display_format {
inline constexpr int Default = 0, Hex = 1, Decimal = 2, Ascii = 3, Binary = 4, Record = 5, Address = 6;
}  // namespace display_format

struct WatchTypeInfo {
    int code;
    std::string_view name;
    std::int32_t size;
    WatchClass klass;
    int defaultDisplay;
};

// The row of a type code; a row of class None (size 0) for an undeclared
// code.
const WatchTypeInfo& WatchTypeRow(int code);
// Whether a value can be written to an element of the class.
bool WatchClassWritable(WatchClass klass);

}  // namespace tarvex
