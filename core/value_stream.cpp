#include "core/value_stream.hpp"

#include <bit>
#include <cstring>

#include "platform/exception.hpp"

namespace tarvex {

namespace {
[[noreturn]] void invalidValue() { throw EReadError("Invalid property value"); }

// The conversions go through the bit patterns: long double is the 80-bit
// form on some compilers only.
constexpr int ExtBias = 16383, DoubleBias = 1023;

double fromBits(std::uint64_t bits) {
    double d = 0;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::uint64_t toBits(double d) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &d, sizeof d);
    return bits;
}

// Shifts right by n with round-half-to-even on the bits shifted out.
std::uint64_t roundShift(std::uint64_t v, int n) {
    if (n <= 0) return v;
    if (n > 64) return 0;
    const std::uint64_t kept = n == 64 ? 0 : v >> n;
    const std::uint64_t rest = n == 64 ? v : v & ((std::uint64_t{1} << n) - 1);
    const std::uint64_t half = std::uint64_t{1} << (n - 1);
    if (rest > half || (rest == half && (kept & 1))) return kept + 1;
    return kept;
}
}  // namespace

void ValueWriter::WriteExtended(double value) {
    const std::uint64_t bits = toBits(value);
    const bool negative = bits >> 63;
    const int exp = static_cast<int>((bits >> 52) & 0x7FF);
    const std::uint64_t frac = bits & ((std::uint64_t{1} << 52) - 1);
    std::uint64_t sig = 0;
    int e = 0;
    if (exp == 0x7FF) {  // infinity (integer bit alone) or NaN (a quiet one keeps the payload)
        e = 0x7FFF;
        sig = (std::uint64_t{1} << 63) | (frac << 11) | (frac ? std::uint64_t{1} << 62 : 0);
    } else if (exp != 0) {
        e = exp - DoubleBias + ExtBias;
        sig = (std::uint64_t{1} << 63) | (frac << 11);
    } else if (frac != 0) {  // subnormal: normalised, the extended range holds it
        const int top = std::bit_width(frac) - 1;
        sig = frac << (63 - top);
        e = top - 1074 + ExtBias;
    }
    std::uint8_t b[11] = {value_type::Extended};
    for (int i = 0; i < 8; ++i) b[1 + i] = static_cast<std::uint8_t>(sig >> (8 * i));
    const auto se = static_cast<std::uint16_t>(e | (negative ? 0x8000 : 0));
    b[9] = static_cast<std::uint8_t>(se);
    b[10] = static_cast<std::uint8_t>(se >> 8);
    put(b, sizeof b);
}

void ValueWriter::WriteListBegin() {
    const std::uint8_t b = value_type::List;
    put(&b, 1);
}

void ValueWriter::WriteListEnd() {
    const std::uint8_t b = value_type::ListEnd;
    put(&b, 1);
}

void ValueWriter::WriteInteger(std::int32_t value) {
    if (value >= -128 && value <= 127) {
        const std::uint8_t b[2] = {value_type::Int8, static_cast<std::uint8_t>(value)};
        put(b, 2);
    } else if (value >= -32768 && value <= 32767) {
        const auto u = static_cast<std::uint16_t>(value);
        const std::uint8_t b[3] = {value_type::Int16, static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8)};
        put(b, 3);
    } else {
        const auto u = static_cast<std::uint32_t>(value);
        const std::uint8_t b[5] = {value_type::Int32, static_cast<std::uint8_t>(u), static_cast<std::uint8_t>(u >> 8),
                                   static_cast<std::uint8_t>(u >> 16), static_cast<std::uint8_t>(u >> 24)};
        put(b, 5);
    }
}

void ValueWriter::WriteBoolean(bool value) {
    const std::uint8_t b = value ? value_type::True : value_type::False;
    put(&b, 1);
}

void ValueWriter::WriteString(std::string_view text) {
    if (text.size() <= 255) {
        const std::uint8_t b[2] = {value_type::String, static_cast<std::uint8_t>(text.size())};
        put(b, 2);
    } else {
        const auto n = static_cast<std::uint32_t>(text.size());
        const std::uint8_t b[5] = {value_type::LString, static_cast<std::uint8_t>(n), static_cast<std::uint8_t>(n >> 8),
                                   static_cast<std::uint8_t>(n >> 16), static_cast<std::uint8_t>(n >> 24)};
        put(b, 5);
    }
    put(text.data(), text.size());
}

void ValueReader::get(void* data, std::size_t n) {
    auto* p = static_cast<std::uint8_t*>(data);
    while (n > 0) {
        const std::size_t got = stream_.read(p, n);
        if (got == 0) throw EReadError("Stream read error");
        p += got;
        n -= got;
    }
}

void ValueReader::skip(std::int64_t n) {
    if (n > stream_.size() - stream_.position()) throw EReadError("Stream read error");
    stream_.seek(stream_.position() + n);
}

void ValueReader::expect(std::uint8_t type) {
    if (readType() != type) invalidValue();
}

std::uint8_t ValueReader::readType() {
    std::uint8_t t = 0;
    get(&t, 1);
    return t;
}

std::uint8_t ValueReader::NextValue() {
    const auto here = stream_.position();
    const std::uint8_t t = readType();
    stream_.seek(here);
    return t;
}

std::int32_t ValueReader::ReadInteger() {
    std::uint8_t b[4] = {};
    switch (readType()) {
        case value_type::Int8:
            get(b, 1);
            return static_cast<std::int8_t>(b[0]);
        case value_type::Int16:
            get(b, 2);
            return static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
        case value_type::Int32:
            get(b, 4);
            return static_cast<std::int32_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                             (static_cast<std::uint32_t>(b[2]) << 16) |
                                             (static_cast<std::uint32_t>(b[3]) << 24));
        default:
            invalidValue();
    }
}

bool ValueReader::ReadBoolean() {
    const std::uint8_t t = readType();
    if (t != value_type::True && t != value_type::False) invalidValue();
    return t == value_type::True;
}

std::string ValueReader::ReadString() {
    std::uint32_t n = 0;
    switch (readType()) {
        case value_type::String: {
            std::uint8_t b = 0;
            get(&b, 1);
            n = b;
            break;
        }
        case value_type::LString: {
            std::uint8_t b[4] = {};
            get(b, 4);
            n = static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
            break;
        }
        default:
            invalidValue();
    }
    // A corrupt length must not make us reserve memory the stream cannot fill.
    if (static_cast<std::int64_t>(n) > stream_.size() - stream_.position()) throw EReadError("Stream read error");
    std::string text(n, '\0');
    if (n) get(text.data(), n);
    return text;
}

double ValueReader::ReadExtended() {
    expect(value_type::Extended);
    std::uint8_t b[10] = {};
    get(b, sizeof b);
    std::uint64_t sig = 0;
    for (int i = 0; i < 8; ++i) sig |= static_cast<std::uint64_t>(b[i]) << (8 * i);
    const int se = b[8] | (b[9] << 8);
    const std::uint64_t sign = static_cast<std::uint64_t>(se >> 15) << 63;
    const int e = se & 0x7FFF;
    if (e == 0x7FFF) {
        if ((sig << 1) == 0) return fromBits(sign | (std::uint64_t{0x7FF} << 52));
        return fromBits(sign | (std::uint64_t{0x7FF} << 52) | (std::uint64_t{1} << 51) | ((sig << 1) >> 12));
    }
    if (sig == 0) return fromBits(sign);
    // value = sig * 2^(unbiased - 63); an exponent field of 0 counts as 1
    // (denormals), a missing integer bit (unnormals) is normalised here.
    const int top = std::bit_width(sig) - 1;
    sig <<= 63 - top;
    int unbiased = (e == 0 ? 1 : e) - ExtBias - (63 - top);
    if (unbiased > DoubleBias) return fromBits(sign | (std::uint64_t{0x7FF} << 52));
    if (unbiased >= 1 - DoubleBias) {
        std::uint64_t m = roundShift(sig, 11);  // 53 bits, the integer bit included
        if (m >> 53) {
            m >>= 1;
            ++unbiased;
            if (unbiased > DoubleBias) return fromBits(sign | (std::uint64_t{0x7FF} << 52));
        }
        const auto exp = static_cast<std::uint64_t>(unbiased + DoubleBias);
        return fromBits(sign | (exp << 52) | (m & ((std::uint64_t{1} << 52) - 1)));
    }
    // Subnormal double: the fraction counts units of 2^-1074; rounding up may
    // reach the smallest normal, whose bit pattern follows on directly.
    const int shift = 11 + (1 - DoubleBias - unbiased);
    return fromBits(sign | roundShift(sig, shift));
}

void ValueReader::ReadListBegin() { expect(value_type::List); }

void ValueReader::ReadListEnd() { expect(value_type::ListEnd); }

void ValueReader::SkipValue() {
    // A depth count instead of recursion: nested lists cost no stack.
    std::int64_t depth = 0;
    do {
        std::uint8_t b[4] = {};
        switch (readType()) {
            case value_type::ListEnd:
                if (depth == 0) invalidValue();
                --depth;
                break;
            case value_type::List: ++depth; break;
            case value_type::Int8: skip(1); break;
            case value_type::Int16: skip(2); break;
            case value_type::Int32: skip(4); break;
            case value_type::Extended: skip(10); break;
            case value_type::False:
            case value_type::True: break;
            case value_type::String:
                get(b, 1);
                skip(b[0]);
                break;
            case value_type::LString:
                get(b, 4);
                skip(static_cast<std::int64_t>(static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
                                               (static_cast<std::uint32_t>(b[2]) << 16) |
                                               (static_cast<std::uint32_t>(b[3]) << 24)));
                break;
            default: invalidValue();
        }
    } while (depth > 0);
}

}  // namespace tarvex
