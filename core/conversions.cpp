#include "core/conversions.hpp"

#include "core/errors.hpp"
#include "core/messages.hpp"

namespace tarvex {

namespace {
constexpr int MsgUnvalidBinary = 336;
const char HexDigits[] = "0123456789ABCDEF";

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'); }

std::string zeroPadded(std::uint32_t v, std::size_t digits) {
    std::string s = std::to_string(v);
    if (s.size() < digits) s.insert(0, digits - s.size(), '0');
    return s;
}
}  // namespace

std::int32_t BinStrToInt(std::string_view text) {
    std::uint32_t v = 0;
    int significant = 0;
    for (char c : text) {
        if (c != '0' && c != '1') throw EVokWinConvertError(FmtLoadStr(MsgUnvalidBinary, text));
        if (significant > 0 || c == '1') ++significant;
        // A silently wrapped value would be a wrong address, not an error.
        if (significant > 32) throw EVokWinConvertError(FmtLoadStr(MsgUnvalidBinary, text));
        v = (v << 1) | static_cast<std::uint32_t>(c - '0');
    }
    return static_cast<std::int32_t>(v);
}

std::string ByteToBin(std::uint8_t value) {
    static const char* const Nibbles[16] = {"0000", "0001", "0010", "0011", "0100", "0101", "0110", "0111",
                                            "1000", "1001", "1010", "1011", "1100", "1101", "1110", "1111"};
    return std::string(Nibbles[value >> 4]) + Nibbles[value & 0xF];
}

std::string WordToBytes(std::uint16_t value) {
    std::string s(2, '\0');
    s[0] = static_cast<char>(value >> 8);
    s[1] = static_cast<char>(value & 0xFF);
    return s;
}

void AppendHex(std::string& out, std::uint32_t value, int digits) {
    // A wider request would shift past the value's 32 bits.
    if (digits > 8) digits = 8;
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) out += HexDigits[(value >> shift) & 0xF];
}

std::string ByteToHex(std::uint32_t value) {
    std::string s;
    AppendHex(s, value, 2);
    return s;
}

std::string WordToHex(std::uint32_t value) {
    std::string s;
    AppendHex(s, value, 4);
    return s;
}

std::string StrToHexText(std::string_view text, bool blanks) {
    std::string out;
    out.reserve(text.size() * (blanks ? 3 : 2));
    for (char c : text) {
        if (blanks) out += ' ';
        AppendHex(out, static_cast<std::uint8_t>(c), 2);
    }
    return out;
}

std::string HexStrNormalize(std::string_view text) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (s.starts_with('$')) s.erase(0, 1);
    if (s.starts_with("0X")) s.erase(0, 2);
    if (s.ends_with('H')) s.pop_back();
    // A bare prefix or suffix is no number.
    if (s.empty()) return {};
    for (char c : s)
        if (!isHexDigit(c)) return {};
    return "$" + s;
}

std::string MsToTimeStr(std::uint32_t ms, int width) {
    const std::uint32_t hours = ms / 3600000u;
    const std::uint32_t minutes = (ms / 60000u) % 60u;
    const std::uint32_t seconds = (ms / 1000u) % 60u;
    const std::uint32_t millis = ms % 1000u;
    std::string s;
    if (hours > 0) s = std::to_string(hours) + "h";
    s += s.empty() ? std::to_string(minutes) : zeroPadded(minutes, 2);
    s += '"';
    s += zeroPadded(seconds, 2);
    s += '\'';
    s += zeroPadded(millis, 3);
    if (width > 0 && s.size() < static_cast<std::size_t>(width)) s.insert(0, static_cast<std::size_t>(width) - s.size(), ' ');
    return s;
}

}  // namespace tarvex
