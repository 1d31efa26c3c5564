#pragma once
// The companion loader of the UBROF path: Intel HEX or binary code with its
// own byte buffer, for the code of a UBROF load that comes from a ".hex"
// file. Unlike the loader's buffer, the port rewrite keeps its state across
// write-outs, so an instruction may span two of them.
#include <cstdint>
#include <vector>

#include "core/bank_adressen.hpp"
#include "host/command_record.hpp"
#include "host/port_rewrite.hpp"

namespace tarvex {

class TEmulSpeicher;
struct LoaderTarget;

// Code bytes one at a time into program memory.
class TCompanionCodeBuffer {
public:
    static constexpr std::size_t Size = 8192;

    explicit TCompanionCodeBuffer(TEmulSpeicher& program, int maxInstructionBytes = 3);

    // One byte at its banked address. The buffer is written out first when
    // the byte does not continue it or the buffer is full, and after it when
    // its address is 0xFFFF.
    void Append(const TBankAdresse& at, std::uint8_t byte, std::uint8_t rewriteMode);
    // Writes what is buffered.
    void WriteOut();
    // Empties the buffer unwritten and forgets a partly seen instruction.
    void Reset();
    std::uint32_t CodeBytes() const { return codeBytes_; }
    void ResetCount() { codeBytes_ = 0; }

private:
    TEmulSpeicher& program_;
    PortRewriter rewriter_;
    std::vector<std::uint8_t> bytes_;
    TBankAdresse start_{};
    bool haveEnd_ = false;
    TBankAdresse end_{};  // the address after the last write-out
    std::uint32_t codeBytes_ = 0;
};

// Loads the file of `request` (format 0 or 1; memory kinds 0-3, others load
// nothing) with the load-status form shown; returns the code bytes written.
// File and range errors pass on (the form is closed first).
std::uint32_t LoadHexBinFile(const LoaderTarget& target, const TKommandoStruktur& request);

}  // namespace tarvex
