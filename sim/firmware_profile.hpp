#pragma once
// What the board's firmware version and generation decide about the link,
// in one place: the command forms the board understands, what `n` answers,
// how a flash block transfer runs and what the return to 9600 baud does.
// The board takes every such decision from its profile, never from the
// firmware code itself.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tarvex::sim {

struct FirmwareProfile {
    // The firmware code the link derives from the version text; 0 when the
    // text is none it knows.
    std::uint8_t code = 0;
    // 0 TARVEX-IV, 1 TARVEX-V, 2 TARVEX-6, 255 none.
    std::uint8_t generation = 255;
    // The forms of the IAP call and of the flash block transfer.
    std::string_view iapCommand = "aFlC";
    std::string_view transferCommand = "bFlC";
    // `n` with a 16-bit counter (3 bytes), plus a count (4), or with a 24-bit
    // counter and a count (5).
    std::size_t frameCommandLength = 5;
    // Whether `n` carries a count; without one it answers a single frame.
    bool frameCountSent = true;
    std::uint8_t frameSize = 11;
    // The trace board's register set: 0 (codes 11-12), 1 (13-16), 2 (from
    // 17); and the length of its frame search "m" (14, 16, 17 bytes).
    unsigned traceVersion = 2;
    std::size_t searchCommandLength = 17;
    // Each data byte of a block transfer answered on its own, the header
    // naming the last byte's address (below code 18); else one answer after
    // the block, the header naming the first byte.
    bool byteWiseTransfer = false;
    // The board has two flash blocks and knows `z` (every generation but
    // the first).
    bool flashBlocks = true;
    // `y 04`, the return to the power-on rate, also selects flash block 0.
    bool baudResetSelectsBlock0 = true;
    // The FPGA image load names its size (from code 21); else the board
    // expects an image of this size.
    bool fpgaSizeSent = true;
    std::size_t fpgaImageSize = 32768;

    // Frames `n` answers when its count byte (if any) says `count`.
    std::size_t framesAnswered(std::uint8_t count) const { return frameCountSent ? count : 1; }

    // The profile of a board that reports `version` and holds
    // `deviceVersion` in its flash.
    static FirmwareProfile of(std::string_view version, std::uint8_t deviceVersion);
};

// The firmware code by the link's whole rule: the version text's code, and
// 4.0x with a device version other than 0 is code 14.
std::uint8_t FirmwareCode(std::string_view version, std::uint8_t deviceVersion);

}  // namespace tarvex::sim
