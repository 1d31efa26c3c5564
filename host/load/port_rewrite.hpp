#pragma once
// The port rewrite of code being loaded: a program written for a chip whose
// ports P0/P2 (mode 2) or P1 (mode 1) are taken by the emulator's bus gets
// its port operands moved to the replacement registers at 0xE8/0xF8, and IP
// (0xB8) to 0xA9 in either mode. Pure: bytes in, bytes out, no target.
#include <cstddef>
#include <cstdint>

namespace tarvex {

class PortRewriter {
public:
    // mode 0 (off), 1 or 2; maxBytes: the banking's longest instruction
    // (4 with 24-bit code addresses, else 3).
    explicit PortRewriter(std::uint8_t mode = 0, int maxBytes = 3) : mode_(mode), maxBytes_(maxBytes) {}

    std::uint8_t Mode() const { return mode_; }
    void SetMode(std::uint8_t mode) { mode_ = mode; }
    void SetMaxBytes(int maxBytes) { maxBytes_ = maxBytes; }
    int MaxBytes() const { return maxBytes_; }
    // Bytes of the current instruction still to come; 0 at an instruction
    // boundary.
    int BytesLeft() const { return left_; }
    // Forget a partly seen instruction: the next byte is an opcode.
    void Reset();

    // The length of the instruction that opcode starts.
    int LengthOf(std::uint8_t opcode) const;
    // One byte of the code stream, rewritten.
    std::uint8_t Feed(std::uint8_t byte);

    // Rewrites data[0..count) in place from the current state. Unless
    // `whole`, it stops before an instruction that does not fit completely
    // and leaves its bytes untouched; returns how many bytes it passed.
    std::size_t Rewrite(std::uint8_t* data, std::size_t count, bool whole);

    static bool IsDirectOpcode(std::uint8_t opcode);
    static bool IsBitOpcode(std::uint8_t opcode);
    static std::uint8_t RewriteDirect(std::uint8_t mode, std::uint8_t address);
    static std::uint8_t RewriteBit(std::uint8_t mode, std::uint8_t address);

private:
    std::uint8_t mode_;
    int maxBytes_;
    int left_ = 0;
    bool bit_ = false;
    bool direct_ = false;
    bool secondDirect_ = false;
};

}  // namespace tarvex
