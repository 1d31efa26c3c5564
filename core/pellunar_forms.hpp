#pragma once
// The instruction forms that the board can carry out, as data: the scan
// matches code against them and the hook's own code bytes are rendered from
// them. One row per form of the P0 port; the P2 form has 0xA0 (or a bit
// 0xA0..0xA7) in place of the port and its class code is the P0 code + 0x80.
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "core/pellunar.hpp"

namespace tarvex {

// What one byte of a form matches.
enum class FormByteKind : std::uint8_t {
    Lit,      // exactly `value`
    Range,    // value..hi; the class code grows with (byte - value)
    Port,     // the port's SFR address (0x80 or 0xA0)
    Bit,      // a bit of the port (port + x, x = 0..7); the class code grows by x
    Data,     // any byte (immediate, relative target, direct address)
    Source,   // a direct address that is not a port
    RegOp,    // value + r (r = 0..7); the class code grows by r * 0x100
    SameReg,  // value + the r of the RegOp byte before it
};

struct FormByte {
    FormByteKind kind = FormByteKind::Lit;
    std::uint8_t value = 0;
    std::uint8_t hi = 0;
};

// Which routine entries a call form belongs to.
enum class EntryMode : std::uint8_t { Any, New, Old };

struct PellunarForm {
    std::uint8_t variants;  // bit v set: tried in processor variant v
    EntryMode entries;
    // Calls into the hook entry area name the port in their class code and
    // are not tried for P2.
    bool portForm;
    std::uint8_t length;
    FormByte bytes[5];
    std::uint16_t classCode;  // P0 code for x = 0, r = 0, the range's first byte
    std::int8_t extraAt;      // window position of the item's extra byte
    const char* text;         // the instruction, for the reader
};

std::span<const PellunarForm> PellunarForms();

struct FormMatch {
    std::uint16_t classCode = 0;
    std::uint8_t extraByte = 0;
    std::uint8_t length = 0;
};

// The first form that the bytes (from the instruction's first byte to the
// block's end) match in the variant. Bytes missing at the end never match.
std::optional<FormMatch> MatchPellunarForm(std::span<const std::uint8_t> code, int variant, bool newEntries);

// The bytes of a class's form with the port, bit, register and extra byte
// filled in; empty when no form has that class.
PellunarBytes FormBytes(std::uint16_t classCode, std::uint8_t extraByte);

// A port access that the board cannot carry out.
struct CantEmulate {
    std::string message;  // the whole error text
    int length = 2;       // bytes that must lie on the instruction's line
};

std::optional<CantEmulate> CantEmulateTest(std::span<const std::uint8_t> code, int variant, bool newEntries);

}  // namespace tarvex
