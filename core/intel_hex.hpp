#pragma once
// Intel HEX, one line at a time: splitting a text into lines, decoding one
// record line with its checksum, and writing one. Only the shape of a line is
// decided here; what a reader accepts (record types, blank lines, addresses
// above 64 KiB) and what it says about a bad line are its own.
//
// Standard headers only: the simulator's CPU tool reads HEX too.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

namespace hexrecord {
inline constexpr std::uint8_t Data = 0, EndOfFile = 1, ExtendedSegment = 2, StartSegment = 3, ExtendedLinear = 4,
                              StartLinear = 5;
}

// Splits a file's text into lines at LF, CR LF or a lone CR; the line ends
// are not part of the lines.
std::vector<std::string_view> SplitHexLines(std::string_view text);
// The line without its trailing blanks and tabs.
std::string_view TrimHexLine(std::string_view line);

struct HexRecord {
    std::uint8_t count = 0;
    std::uint16_t address = 0;
    std::uint8_t type = 0;
    std::array<std::uint8_t, 255> data{};
    // The 8-bit sum over count, address, type, data and checksum: 0 when right.
    std::uint8_t sum = 0;
};
enum class HexLineStatus { Ok, FormatError };
// Decodes the fixed fields (characters 2-9); with `whole` also the data and
// the checksum. The first character is not examined, nor anything after the
// checksum. Any short line or non-hex character is a format error.
HexLineStatus DecodeHexLine(std::string_view line, HexRecord& record, bool whole);

// The characters of a record line with `count` data bytes: colon, 8 field
// digits, the data, the checksum.
constexpr std::size_t HexLineLength(std::size_t count) { return 11 + 2 * count; }

// The checksum byte that makes the line's bytes sum to 0; `data` holds one
// byte per character.
std::uint8_t HexChecksum(std::uint8_t type, std::uint16_t address, std::string_view data);
// The record line, upper-case digits, checksum computed; at most 255 bytes.
std::string FormatHexLine(std::uint8_t type, std::uint16_t address, std::string_view data);

}  // namespace tarvex
