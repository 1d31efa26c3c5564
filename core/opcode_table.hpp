#pragma once
// Instruction lengths of the MCS-51 instruction set. The shared core needs
// them without the symbolic disassembler: the line-number table finds where a
// line's code ends and the checkers step through a program by them.
#include <cstdint>

namespace tarvex {

// Length in bytes (1..3) of the instruction that starts with `opcode`, with
// 16-bit code addresses. The undefined opcode 0xA5 counts as one byte.
int OpcodeLength(std::uint8_t opcode) noexcept;

// The same for a given longest instruction (the banking's
// maxCountBefehlsBytes): with 4 (24-bit code addresses) AJMP and ACALL take
// 3 bytes and LJMP, LCALL and MOV DPTR,#data take 4. Any other value gives
// the 16-bit lengths.
int OpcodeLength(std::uint8_t opcode, int maxCountBefehlsBytes) noexcept;

}  // namespace tarvex
