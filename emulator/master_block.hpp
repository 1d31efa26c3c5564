#pragma once
// The wire form of the master-memory block transfers "DN" and "PN": the
// command letters, the byte count, the address high byte first, and for a
// write the data bytes. One command goes out in one write of at most 255
// bytes, so a block holds at most MaxMasterBlock bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarvex {

inline constexpr std::size_t MasterBlockHeader = 5;
inline constexpr std::size_t MaxMasterBlock = 255 - MasterBlockHeader;

// "PN" n hi lo + the n bytes. Raises EVokWinValueError for an empty block,
// one above MaxMasterBlock bytes or one that runs past 0xFFFF.
std::string MasterBlockWriteCommand(std::uint16_t address, std::string_view bytes);
// "DN" n hi lo; the board answers n bytes. The same limits.
std::string MasterBlockReadCommand(std::uint16_t address, std::size_t count);

}  // namespace tarvex
