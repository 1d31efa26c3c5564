#pragma once
// What the parts of the watch table share: its message numbers, the small
// readers of type records and index texts, and the bound on the nesting of
// one evaluation. Only the watch table's own sources include it.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/conversions.hpp"
#include "core/symbol_table.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watch_types.hpp"
#include "emulator/debug/watches.hpp"

namespace tarvex {

namespace watch_detail {

constexpr std::uint8_t code(WatchType type) { return static_cast<std::uint8_t>(type); }

inline constexpr int MsgSymbolNotFound = 322, MsgWatchError = 196, MsgTooManyIndices = 194, MsgBadIndex = 195,
                     MsgStar = 197, MsgBrackets = 198, MsgMissingMember = 199, MsgBadMember = 200, MsgBadType = 201,
                     MsgBadSymbol = 203, MsgBadPointer = 202, MsgNoChange = 205, MsgBadFloat = 207, MsgValueNotValid = 211,
                     MsgWatchName = 193, MsgFormat = 213, MsgBadBit = 337, MsgAddressRange = 66, MsgInvalidAccess = 338;

inline std::uint8_t byteAt(std::string_view d, std::size_t i) {
    return i < d.size() ? static_cast<std::uint8_t>(d[i]) : 0;
}

inline std::uint16_t nameWord(const TSymbol& r, std::size_t i) {
    return static_cast<std::uint16_t>(byteAt(r.name, i) | byteAt(r.name, i + 1) << 8);
}

inline bool isDecimal(std::string_view t) {
    return !t.empty() && t.size() <= 9 &&
           std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

inline std::string trim(std::string_view t) {
    while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return std::string(t);
}

// Pieces of an index text separated by ",".
std::vector<std::string> pieces(const std::string& idx);

// Moves the item's address on within its memory, or plainly where it has no
// memory space.
inline void advance(TWatchItem& item, const TBasisEmulSpeicher* space, std::int64_t by) {
    if (space != nullptr) item.address = space->CheckEndAdresse(item.address, static_cast<std::int32_t>(by));
    else item.address.offset = static_cast<std::uint16_t>(item.address.offset + by);
}
}  // namespace watch_detail

// Nesting of the evaluation: expansions, index expressions, followed
// pointers and formatted members each take a level.
struct TWatchTabelle::Depth {
    Depth(TWatchTabelle& t, const TWatchItem& item) : table(t) {
        // Besides the nesting, the steps of one evaluation are bounded: a
        // structure whose members are the structure again fans out.
        if (table.depth_ == 0) table.steps_ = 0;
        if (++table.depth_ > kMaxDepth || ++table.steps_ > kMaxSteps) {
            --table.depth_;
            table.fail(item, watch_detail::MsgBadType,
                       ByteToHex(item.typeRecord != nullptr ? item.typeRecord->klass : 0));
        }
    }
    ~Depth() { --table.depth_; }
    Depth(const Depth&) = delete;
    Depth& operator=(const Depth&) = delete;
    TWatchTabelle& table;
};

}  // namespace tarvex
