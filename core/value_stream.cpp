#include "core/value_stream.hpp"

#include "platform/exception.hpp"

namespace tarvex {

namespace {
[[noreturn]] void invalidValue() { throw EReadError("Invalid property value"); }
}  // namespace

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

bool ValueReader::ReadBoolean() { return readType() == value_type::True; }

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

}  // namespace tarvex
