#pragma once
// Typed values in the component streams' encoding: every value starts with a
// type byte (2/3/4 integer of 1/2/4 bytes, 8/9 false/true, 6/12 short/long
// text), multi-byte fields little-endian. Option, select and command streams
// are sequences of such values.
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/stream.hpp"

namespace tarvex {

namespace value_type {
constexpr std::uint8_t Int8 = 2, Int16 = 3, Int32 = 4, String = 6, False = 8, True = 9, LString = 12;
}

class ValueWriter {
public:
    explicit ValueWriter(platform::Stream& stream) : stream_(stream) {}

    // Always in the smallest of the three integer forms.
    void WriteInteger(std::int32_t value);
    void WriteBoolean(bool value);
    void WriteString(std::string_view text);

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
    // Every type byte other than "true" reads as false.
    bool ReadBoolean();
    std::string ReadString();
    // The type byte of the next value without consuming it.
    std::uint8_t NextValue();
    bool EndOfStream() const { return stream_.position() >= stream_.size(); }

private:
    std::uint8_t readType();
    void get(void* data, std::size_t n);
    platform::Stream& stream_;
};

}  // namespace tarvex
