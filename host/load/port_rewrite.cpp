#include "host/load/port_rewrite.hpp"

#include "core/opcode_table.hpp"

namespace tarvex {

bool PortRewriter::IsDirectOpcode(std::uint8_t op) {
    switch (op) {
    case 0x05: case 0x15: case 0x25: case 0x35: case 0x42: case 0x43: case 0x45: case 0x52: case 0x53:
    case 0x55: case 0x62: case 0x63: case 0x65: case 0x75: case 0x85: case 0x95: case 0xB5: case 0xC0:
    case 0xC5: case 0xD0: case 0xD5: case 0xE5: case 0xF5:
        return true;
    default:
        return (op >= 0x86 && op <= 0x8F) || (op >= 0xA6 && op <= 0xAF);
    }
}

bool PortRewriter::IsBitOpcode(std::uint8_t op) {
    switch (op) {
    case 0x10: case 0x20: case 0x30: case 0x72: case 0x82: case 0x92: case 0xA0: case 0xA2: case 0xB0:
    case 0xB2: case 0xC2: case 0xD2:
        return true;
    default:
        return false;
    }
}

std::uint8_t PortRewriter::RewriteDirect(std::uint8_t mode, std::uint8_t a) {
    if (mode == 0) return a;
    if (a == 0xB8) return 0xA9;
    if (mode == 1) return a == 0x90 ? 0xE8 : a;
    if (a == 0x80) return 0xE8;
    if (a == 0xA0) return 0xF8;
    return a;
}

std::uint8_t PortRewriter::RewriteBit(std::uint8_t mode, std::uint8_t a) {
    const auto low = static_cast<std::uint8_t>(a & 7);
    if (mode == 1) return (a & 0xF8) == 0x90 ? static_cast<std::uint8_t>(0xE8 + low) : a;
    if (mode == 2) {
        if ((a & 0xF8) == 0x80) return static_cast<std::uint8_t>(0xE8 + low);
        if ((a & 0xF8) == 0xA0) return static_cast<std::uint8_t>(0xF8 + low);
    }
    return a;
}

void PortRewriter::Reset() {
    left_ = 0;
    bit_ = direct_ = secondDirect_ = false;
}

int PortRewriter::LengthOf(std::uint8_t opcode) const {
    return OpcodeLength(opcode, maxBytes_);
}

std::uint8_t PortRewriter::Feed(std::uint8_t byte) {
    if (left_ == 0) {
        left_ = LengthOf(byte) - 1;
        bit_ = IsBitOpcode(byte);
        direct_ = IsDirectOpcode(byte);
        secondDirect_ = byte == 0x85;
        return byte;
    }
    --left_;
    std::uint8_t out = byte;
    if (bit_) {
        out = RewriteBit(mode_, byte);
        bit_ = false;
    } else if (direct_) {
        out = RewriteDirect(mode_, byte);
        direct_ = secondDirect_;
        secondDirect_ = false;
    }
    if (left_ == 0) bit_ = direct_ = secondDirect_ = false;
    return out;
}

std::size_t PortRewriter::Rewrite(std::uint8_t* data, std::size_t count, bool whole) {
    if (mode_ == 0) return count;
    for (std::size_t i = 0; i < count; ++i) {
        if (left_ == 0 && !whole && i + static_cast<std::size_t>(LengthOf(data[i])) > count) return i;
        data[i] = Feed(data[i]);
    }
    return count;
}

}  // namespace tarvex
