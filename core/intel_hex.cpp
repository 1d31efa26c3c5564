#include "core/intel_hex.hpp"

#include "core/conversions.hpp"

namespace tarvex {

namespace {

// Two hex digits at `at`; -1 when they are missing or not hex.
int hexByte(std::string_view line, std::size_t at) {
    if (at + 2 > line.size()) return -1;
    const int hi = HexDigitValue(line[at]), lo = HexDigitValue(line[at + 1]);
    return hi < 0 || lo < 0 ? -1 : hi * 16 + lo;
}

}  // namespace

std::vector<std::string_view> SplitHexLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && text[i] != '\r') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string_view TrimHexLine(std::string_view line) {
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    return line;
}

HexLineStatus DecodeHexLine(std::string_view line, HexRecord& r, bool whole) {
    const int n = hexByte(line, 1), hi = hexByte(line, 3), lo = hexByte(line, 5), type = hexByte(line, 7);
    if (n < 0 || hi < 0 || lo < 0 || type < 0) return HexLineStatus::FormatError;
    r.count = static_cast<std::uint8_t>(n);
    r.address = static_cast<std::uint16_t>(hi << 8 | lo);
    r.type = static_cast<std::uint8_t>(type);
    unsigned sum = static_cast<unsigned>(n + hi + lo + type);
    if (!whole) return HexLineStatus::Ok;
    if (line.size() < HexLineLength(static_cast<std::size_t>(n))) return HexLineStatus::FormatError;
    for (int i = 0; i < n; ++i) {
        const int b = hexByte(line, 9 + 2 * static_cast<std::size_t>(i));
        if (b < 0) return HexLineStatus::FormatError;
        r.data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(b);
        sum += static_cast<unsigned>(b);
    }
    const int check = hexByte(line, 9 + 2 * static_cast<std::size_t>(n));
    if (check < 0) return HexLineStatus::FormatError;
    r.sum = static_cast<std::uint8_t>(sum + static_cast<unsigned>(check));
    return HexLineStatus::Ok;
}

std::uint8_t HexChecksum(std::uint8_t type, std::uint16_t address, std::string_view data) {
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFFu) + type;
    for (char c : data) sum += static_cast<std::uint8_t>(c);
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

std::string FormatHexLine(std::uint8_t type, std::uint16_t address, std::string_view data) {
    std::string line;
    line.reserve(HexLineLength(data.size()));
    line += ':';
    AppendHex(line, static_cast<std::uint32_t>(data.size()), 2);
    AppendHex(line, address, 4);
    AppendHex(line, type, 2);
    for (char c : data) AppendHex(line, static_cast<std::uint8_t>(c), 2);
    AppendHex(line, HexChecksum(type, address, data), 2);
    return line;
}

}  // namespace tarvex
