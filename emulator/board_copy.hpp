#pragma once
// The board's own copy and fill commands: the board moves or fills a range
// of one of its memories by itself and answers one byte when it is done, so
// a 64 KB fill costs one command instead of 256 writes. The caller selects
// the bank and raises the read/write time-out; every function here holds the
// link lock for its command and its answer.
//
// Addresses are the words the board sees (physical offsets; internal data
// already moved to 0x7A00 + address).
#include <cstddef>
#include <cstdint>

namespace tarvex {

class TBasisEmulator;

namespace board_copy {

// The memory of an "M" copy: the program emulation memory of the selected
// bank, or what "DN"/"PN" reach (master memory or the system planes).
enum class CopyMemory : char { Program = 'P', Master = 'N' };
// The memory of an "F" fill.
enum class FillMemory : char { Program = 'P', IntData = 'I', System = 'N' };

// The most bytes one external-data block command moves or fills.
inline constexpr std::size_t XdataBlock = 512;

// "M" start end destination, then "D" (ascending, to destination) or "U"
// (descending, `destination` is the last byte written). Returns the answer.
std::uint8_t Copy(TBasisEmulator& link, CopyMemory memory, std::uint16_t start, std::uint16_t end,
                  std::uint16_t destination, bool upward);
// "J" first second destination 07 (ascending: first = start, destination
// the first byte written) or 06 (descending: first = end, second = start,
// destination the last byte written). One block of at most XdataBlock bytes.
std::uint8_t XdataCopy(TBasisEmulator& link, std::uint16_t first, std::uint16_t second, std::uint16_t destination,
                       bool upward);
// "J" start end 00 value 05.
std::uint8_t XdataFill(TBasisEmulator& link, std::uint16_t start, std::uint16_t end, std::uint8_t value);
// "F" memory start end value.
std::uint8_t Fill(TBasisEmulator& link, FillMemory memory, std::uint16_t start, std::uint16_t end,
                  std::uint8_t value);

}  // namespace board_copy
}  // namespace tarvex
