#pragma once
// Typed values in the component streams' encoding: every value starts with a
// type byte (2/3/4 integer of 1/2/4 bytes, 8/9 false/true, 6/12 short/long
// text, 5 extended float, 1/0 list begin/end), multi-byte fields
// little-endian. Option, select and command streams are sequences of such
// values; a list is a begin marker, any values and an end marker.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/stream.hpp"

namespace tarvex {

namespace value_type {
constexpr std::uint8_t ListEnd = 0, List = 1, Int8 = 2, Int16 = 3, Int32 = 4, Extended = 5, String = 6, False = 8,
                       True = 9, LString = 12;
}

class ValueWriter {
public:
    explicit ValueWriter(platform::Stream& stream) : stream_(stream) {}

    // Always in the smallest of the three integer forms.
    void WriteInteger(std::int32_t value);
    void WriteBoolean(bool value);
    void WriteString(std::string_view text);
    // The x87 80-bit form (10 bytes): every double converts exactly.
    void WriteExtended(double value);
    void WriteListBegin();
    void WriteListEnd();

private:
    void put(const void* data, std::size_t n) { stream_.write(data, n); }
    platform::Stream& stream_;
};

// Reading raises EReadError on a short stream or a value of the wrong type.
class ValueReader {
public:
    explicit ValueReader(platform::Stream& stream) : stream_(stream) {}

    // Accepts any of the three integer forms.
    std::int32_t ReadInteger();
    // Only the two Boolean type bytes; anything else is a format error.
    bool ReadBoolean();
    std::string ReadString();
    // Rounds to the nearest double (ties to even); beyond the double range
    // it gives infinity, NaNs stay NaN.
    double ReadExtended();
    void ReadListBegin();
    void ReadListEnd();
    // The next value is a list end marker (does not consume it).
    bool EndOfList() { return NextValue() == value_type::ListEnd; }
    // Skips one value; a list with everything inside it. An unknown type
    // byte raises EReadError.
    void SkipValue();
    // The type byte of the next value without consuming it.
    std::uint8_t NextValue();
    bool EndOfStream() const { return stream_.position() >= stream_.size(); }

private:
    std::uint8_t readType();
    void get(void* data, std::size_t n);
    void skip(std::int64_t n);
    void expect(std::uint8_t type);
    platform::Stream& stream_;
};

}  // namespace tarvex
