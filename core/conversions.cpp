#include "core/conversions.hpp"

#include <charconv>
#include <cctype>
#include <cmath>
#include <limits>

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

int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
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

namespace tarvex {

namespace {
std::string_view trimBlanks(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    return t;
}

// Mantissa digits (15, no point) and decimal exponent of |value| rounded to
// 15 significant digits.
void significant15(double value, std::string& digits, int& exponent) {
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
    const std::string_view s(buf, static_cast<std::size_t>(r.ptr - buf));
    const std::size_t e = s.find('e');
    digits.clear();
    for (char c : s.substr(0, e))
        if (c != '.') digits += c;
    exponent = 0;
    std::from_chars(s.data() + e + 1 + (s[e + 1] == '+' ? 1 : 0), s.data() + s.size(), exponent);
}

const char* special(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
    return nullptr;
}
}  // namespace

std::int64_t StrToIntRt(std::string_view text) {
    const std::string_view t = trimBlanks(text);
    auto fail = [&]() -> std::int64_t {
        throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
    };
    if (t.empty()) return fail();
    if (t.front() == '$') {
        const std::string_view h = t.substr(1);
        if (h.empty() || h.size() > 8) return fail();
        std::uint32_t v = 0;
        const auto r = std::from_chars(h.data(), h.data() + h.size(), v, 16);
        if (r.ec != std::errc() || r.ptr != h.data() + h.size()) return fail();
        return v;
    }
    std::string_view d = t;
    bool negative = false;
    if (d.front() == '+' || d.front() == '-') {
        negative = d.front() == '-';
        d.remove_prefix(1);
    }
    if (d.empty() || d.size() > 12) return fail();
    std::int64_t v = 0;
    const auto r = std::from_chars(d.data(), d.data() + d.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != d.data() + d.size()) return fail();
    if (negative) v = -v;
    if (v < -2147483648LL || v > 4294967295LL) return fail();
    return v;
}

std::string FixedText(double value, int decimals) {
    if (const char* s = special(value)) return s;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

std::string ScientificText(double value) {
    if (const char* s = special(value)) return s;
    std::string digits;
    int exponent = 0;
    significant15(value, digits, exponent);
    if (value == 0) exponent = 0;
    std::string out(1, value < 0 ? '-' : ' ');
    out += digits[0];
    out += '.';
    out += digits.substr(1);
    out += 'E';
    out += exponent < 0 ? '-' : '+';
    const std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
    out += std::string(e.size() < 4 ? 4 - e.size() : 0, '0') + e;
    return out;
}

std::string GeneralText(double value) {
    if (const char* s = special(value)) return s;
    if (value == 0) return "0";
    std::string digits;
    int exponent = 0;
    significant15(value, digits, exponent);
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    std::string out = value < 0 ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent < 0) {
            out += "0." + std::string(static_cast<std::size_t>(-exponent - 1), '0') + digits;
        } else {
            const std::size_t intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
            }
        }
        return out;
    }
    out += digits.substr(0, 1);
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
    return out;
}

bool TextToSingle(std::string_view text, float& value) {
    const std::string_view t = trimBlanks(text);
    if (t.empty()) return false;
    std::string_view d = t;
    if (d.front() == '+') d.remove_prefix(1);
    if (d.empty() || !(std::isdigit(static_cast<unsigned char>(d.front())) || d.front() == '.' ||
                       (d.front() == '-' && d.size() > 1)))
        return false;
    double v = 0;
    const auto r = std::from_chars(d.data(), d.data() + d.size(), v, std::chars_format::general);
    if (r.ec != std::errc() || r.ptr != d.data() + d.size() || !std::isfinite(v)) return false;
    if (std::fabs(v) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    value = static_cast<float>(v);
    return true;
}

}  // namespace tarvex
