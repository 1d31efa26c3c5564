#pragma once
// The 8051 disassembler: one instruction, given as its opcode and the bytes
// that follow it, becomes assembler text with symbolic operands. It serves
// the trace list, the memory listings, the watchdog listing and the length
// queries of the loaders and tables.
//
// Decoding never raises: it runs while lists paint, and a listing loop takes
// its step from the length, so every result has a length of at least 1.
#include <array>
#include <cstdint>
#include <string>

#include "core/bank_adressen.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex {

class TSymboltabelle;
class TZeilennummertabelle;
class TRegisterTabelle;
struct TRegister;

struct DisassembledInstruction {
    // Mnemonic field of 5 characters, one blank, the operands ("MOV   A,R0").
    std::string instruction;
    // Opcode and operand bytes as upper-case hex pairs ("853031").
    std::string hex;
    // Name of the instruction's own address (line reference or code symbol).
    std::string label;
    // Bytes used, 1..4.
    int length = 1;
    // False when no code byte could be read: the texts then mark the
    // address as unreadable and the length is 1.
    bool readable = true;
};

class Disassembler {
public:
    // The tables may be null (no names of that sort). Nothing is owned; the
    // objects must outlive the disassembler.
    Disassembler(TSymboltabelle* symbols, TZeilennummertabelle* lines, const TRegisterTabelle* registers,
                 const TargetContext& context = {});

    // 3 for 16-bit code addresses, 4 for 24-bit ones. Until this is called
    // the width follows the banking's maxCountBefehlsBytes at each decode,
    // so that a change of that setting needs no caller to pass it on.
    // Other values count as 3.
    void SetAddressWidth(int maxCountBefehlsBytes);
    int AddressWidth() const;

    int OpcodeLength(std::uint8_t opcode) const;

    // Up to AddressWidth() code bytes at `address`, fewer where the program
    // space ends or the code is unavailable; returns how many were read.
    int ReadCodeBytes(TBankAdresse address, std::uint8_t (&bytes)[4]) const noexcept;
    // Length of the instruction at `address`; 1 when nothing can be read.
    int InstructionLengthAt(TBankAdresse address) const noexcept;

    // Decodes one instruction at pc. Callers with fewer bytes pass anything
    // for the missing ones; the length tells how many were used.
    // autoLabels: an unnamed code target gets a new "Y<n>" code symbol (for
    // assembler sources, where line references are no identifiers and so are
    // never used). lineTextFirst: line references take precedence over
    // code symbol names.
    DisassembledInstruction Disassemble(TBankAdresse pc, bool autoLabels, bool lineTextFirst, std::uint8_t op,
                                        std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
    // The same for the code at an address; a byte that cannot be read is
    // replaced by the opcode byte.
    DisassembledInstruction DisassembleAt(TBankAdresse address, bool autoLabels, bool lineTextFirst);

    // Number texts of the assembler: fixed width, upper-case hex, "H"
    // suffix, and a leading "0" where the text would begin with a letter.
    static std::string ByteText(std::uint8_t value);
    static std::string WordText(std::uint16_t value);
    static std::string Long24Text(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
    // Banked: bank and offset ("010030H"); else WordText of the offset.
    static std::string BankAddressText(const TBankAdresse& address);

private:
    class Decoder;

    // SFR and SFR-bit names by address, rebuilt when the register table
    // changes: a listing asks for them for nearly every instruction.
    const TRegister* SfrName(std::uint8_t address);
    const TRegister* BitName(std::uint8_t address);
    void RefreshRegisterNames();

    TSymboltabelle* symbols_;
    TZeilennummertabelle* lines_;
    const TRegisterTabelle* registers_;
    TargetContext ctx_;
    int width_ = 0;  // 0: follow the banking
    std::array<const TRegister*, 256> sfrNames_{};
    std::array<const TRegister*, 256> bitNames_{};
    std::uint32_t registerGeneration_ = 0;
    bool registerNamesValid_ = false;
};

}  // namespace tarvex
