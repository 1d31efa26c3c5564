#include "emulator/disassembler.hpp"

#include <array>
#include <string_view>

#include "core/conversions.hpp"
#include "core/line_table.hpp"
#include "core/opcode_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "platform/exception.hpp"

namespace tarvex {

namespace {

// Operand kinds of the first operand.
enum First : std::uint8_t {
    kF_None = 0,
    kF_A = 1,
    kF_AB = 2,
    kF_C = 3,
    kF_DPTR = 4,
    kF_R0 = 5,  // ..12 R7
    kF_AtADptr = 13,
    kF_AtDptr = 14,
    kF_AtR0 = 15,
    kF_AtR1 = 16,
    kF_Addr11 = 17,
    kF_Bit = 18,
    kF_Rel = 19,
    kF_Direct = 20,
    kF_Addr16 = 21,
};

// Operand kinds of the second operand.
enum Second : std::uint8_t {
    kS_None = 0,
    kS_A = 1,
    kS_C = 2,
    kS_R0 = 3,  // ..10 R7
    kS_AtADptr = 11,
    kS_AtAPc = 12,
    kS_AtDptr = 13,
    kS_AtR0 = 14,
    kS_AtR1 = 15,
    kS_NotBit = 16,
    kS_Rel = 17,
    kS_Direct = 18,
    kS_Imm8 = 19,
    kS_Imm16 = 20,
    kS_ImmRel = 21,
    kS_DirectRel = 22,
    kS_Bit = 23,
};

constexpr std::array<std::string_view, 17> kFirstNames = {
    "", "A", "AB", "C", "DPTR", "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "@A+DPTR", "@DPTR", "@R0", "@R1"};
constexpr std::array<std::string_view, 16> kSecondNames = {
    "", "A", "C", "R0", "R1", "R2", "R3", "R4", "R5", "R6", "R7", "@A+DPTR", "@A+PC", "@DPTR", "@R0", "@R1"};

// Mnemonic list, index 1..45, each already padded to the 5-character field.
enum Mnemonic : std::uint8_t {
    DA = 1, JB, JC, JZ, RL, RR, ADD, ANL, CLR, CPL, DEC, DIV, INC, JBC, JMP, JNB, JNC, JNZ, MOV, MUL, NOP, ORL,
    POP, RET, RLC, RRC, XCH, XRL, ADDC, AJMP, CJNE, DJNZ, LJMP, MOVC, MOVX, PUSH, RETI, SETB, SJMP, SUBB, SWAP,
    XCHD, ACALL, LCALL, BAD
};
constexpr std::array<std::string_view, 46> kMnemonics = {
    "",      "DA   ", "JB   ", "JC   ", "JZ   ", "RL   ", "RR   ", "ADD  ", "ANL  ", "CLR  ", "CPL  ", "DEC  ",
    "DIV  ", "INC  ", "JBC  ", "JMP  ", "JNB  ", "JNC  ", "JNZ  ", "MOV  ", "MUL  ", "NOP  ", "ORL  ", "POP  ",
    "RET  ", "RLC  ", "RRC  ", "XCH  ", "XRL  ", "ADDC ", "AJMP ", "CJNE ", "DJNZ ", "LJMP ", "MOVC ", "MOVX ",
    "PUSH ", "RETI ", "SETB ", "SJMP ", "SUBB ", "SWAP ", "XCHD ", "ACALL", "LCALL", "-----"};

struct OpInfo {
    std::uint8_t mnemonic = 0;
    std::uint8_t first = 0;
    std::uint8_t second = 0;
};

// Columns 0..5 of the opcode map, row by row (high nibble 0..F).
constexpr OpInfo kLeft[16][6] = {
    {{NOP, kF_None, kS_None}, {AJMP, kF_Addr11, kS_None}, {LJMP, kF_Addr16, kS_None}, {RR, kF_A, kS_None},
     {INC, kF_A, kS_None}, {INC, kF_Direct, kS_None}},
    {{JBC, kF_Bit, kS_Rel}, {ACALL, kF_Addr11, kS_None}, {LCALL, kF_Addr16, kS_None}, {RRC, kF_A, kS_None},
     {DEC, kF_A, kS_None}, {DEC, kF_Direct, kS_None}},
    {{JB, kF_Bit, kS_Rel}, {AJMP, kF_Addr11, kS_None}, {RET, kF_None, kS_None}, {RL, kF_A, kS_None},
     {ADD, kF_A, kS_Imm8}, {ADD, kF_A, kS_Direct}},
    {{JNB, kF_Bit, kS_Rel}, {ACALL, kF_Addr11, kS_None}, {RETI, kF_None, kS_None}, {RLC, kF_A, kS_None},
     {ADDC, kF_A, kS_Imm8}, {ADDC, kF_A, kS_Direct}},
    {{JC, kF_Rel, kS_None}, {AJMP, kF_Addr11, kS_None}, {ORL, kF_Direct, kS_A}, {ORL, kF_Direct, kS_Imm8},
     {ORL, kF_A, kS_Imm8}, {ORL, kF_A, kS_Direct}},
    {{JNC, kF_Rel, kS_None}, {ACALL, kF_Addr11, kS_None}, {ANL, kF_Direct, kS_A}, {ANL, kF_Direct, kS_Imm8},
     {ANL, kF_A, kS_Imm8}, {ANL, kF_A, kS_Direct}},
    {{JZ, kF_Rel, kS_None}, {AJMP, kF_Addr11, kS_None}, {XRL, kF_Direct, kS_A}, {XRL, kF_Direct, kS_Imm8},
     {XRL, kF_A, kS_Imm8}, {XRL, kF_A, kS_Direct}},
    {{JNZ, kF_Rel, kS_None}, {ACALL, kF_Addr11, kS_None}, {ORL, kF_C, kS_Bit}, {JMP, kF_AtADptr, kS_None},
     {MOV, kF_A, kS_Imm8}, {MOV, kF_Direct, kS_Imm8}},
    {{SJMP, kF_Rel, kS_None}, {AJMP, kF_Addr11, kS_None}, {ANL, kF_C, kS_Bit}, {MOVC, kF_A, kS_AtAPc},
     {DIV, kF_AB, kS_None}, {MOV, kF_Direct, kS_Direct}},
    {{MOV, kF_DPTR, kS_Imm16}, {ACALL, kF_Addr11, kS_None}, {MOV, kF_Bit, kS_C}, {MOVC, kF_A, kS_AtADptr},
     {SUBB, kF_A, kS_Imm8}, {SUBB, kF_A, kS_Direct}},
    {{ORL, kF_C, kS_NotBit}, {AJMP, kF_Addr11, kS_None}, {MOV, kF_C, kS_Bit}, {INC, kF_DPTR, kS_None},
     {MUL, kF_AB, kS_None}, {BAD, kF_None, kS_None}},
    {{ANL, kF_C, kS_NotBit}, {ACALL, kF_Addr11, kS_None}, {CPL, kF_Bit, kS_None}, {CPL, kF_C, kS_None},
     {CJNE, kF_A, kS_ImmRel}, {CJNE, kF_A, kS_DirectRel}},
    {{PUSH, kF_Direct, kS_None}, {AJMP, kF_Addr11, kS_None}, {CLR, kF_Bit, kS_None}, {CLR, kF_C, kS_None},
     {SWAP, kF_A, kS_None}, {XCH, kF_A, kS_Direct}},
    {{POP, kF_Direct, kS_None}, {ACALL, kF_Addr11, kS_None}, {SETB, kF_Bit, kS_None}, {SETB, kF_C, kS_None},
     {DA, kF_A, kS_None}, {DJNZ, kF_Direct, kS_Rel}},
    {{MOVX, kF_A, kS_AtDptr}, {AJMP, kF_Addr11, kS_None}, {MOVX, kF_A, kS_AtR0}, {MOVX, kF_A, kS_AtR1},
     {CLR, kF_A, kS_None}, {MOV, kF_A, kS_Direct}},
    {{MOVX, kF_AtDptr, kS_A}, {ACALL, kF_Addr11, kS_None}, {MOVX, kF_AtR0, kS_A}, {MOVX, kF_AtR1, kS_A},
     {CPL, kF_A, kS_None}, {MOV, kF_Direct, kS_A}},
};

// Columns 6..F: one instruction over @R0, @R1 (columns 6, 7) and R0..R7
// (8..F). The register is the first operand, with `other` as the second, or
// the second, with `other` as the first.
struct RegisterForm {
    std::uint8_t mnemonic;
    bool registerFirst;
    std::uint8_t other;
};
struct RegisterRow {
    RegisterForm indirect;
    RegisterForm direct;
};
constexpr RegisterRow kRight[16] = {
    {{INC, true, kS_None}, {INC, true, kS_None}},        {{DEC, true, kS_None}, {DEC, true, kS_None}},
    {{ADD, false, kF_A}, {ADD, false, kF_A}},            {{ADDC, false, kF_A}, {ADDC, false, kF_A}},
    {{ORL, false, kF_A}, {ORL, false, kF_A}},            {{ANL, false, kF_A}, {ANL, false, kF_A}},
    {{XRL, false, kF_A}, {XRL, false, kF_A}},            {{MOV, true, kS_Imm8}, {MOV, true, kS_Imm8}},
    {{MOV, false, kF_Direct}, {MOV, false, kF_Direct}},  {{SUBB, false, kF_A}, {SUBB, false, kF_A}},
    {{MOV, true, kS_Direct}, {MOV, true, kS_Direct}},    {{CJNE, true, kS_ImmRel}, {CJNE, true, kS_ImmRel}},
    {{XCH, false, kF_A}, {XCH, false, kF_A}},            {{XCHD, false, kF_A}, {DJNZ, true, kS_Rel}},
    {{MOV, false, kF_A}, {MOV, false, kF_A}},            {{MOV, true, kS_A}, {MOV, true, kS_A}},
};

constexpr std::array<OpInfo, 256> BuildOpcodeMap() {
    std::array<OpInfo, 256> map{};
    for (int row = 0; row < 16; ++row) {
        for (int col = 0; col < 6; ++col) map[row * 16 + col] = kLeft[row][col];
        for (int col = 6; col < 16; ++col) {
            const bool indirect = col < 8;
            const RegisterForm& form = indirect ? kRight[row].indirect : kRight[row].direct;
            const int n = indirect ? col - 6 : col - 8;
            OpInfo info;
            info.mnemonic = form.mnemonic;
            if (form.registerFirst) {
                info.first = static_cast<std::uint8_t>(indirect ? kF_AtR0 + n : kF_R0 + n);
                info.second = form.other;
            } else {
                info.first = form.other;
                info.second = static_cast<std::uint8_t>(indirect ? kS_AtR0 + n : kS_R0 + n);
            }
            map[row * 16 + col] = info;
        }
    }
    return map;
}

constexpr std::array<OpInfo, 256> kOpcodeMap = BuildOpcodeMap();

// The assembler's rule: a number must not begin with a letter.
std::string AssemblerNumber(std::uint32_t value, int digits) {
    std::string text;
    text.reserve(static_cast<std::size_t>(digits) + 2);
    if (((value >> ((digits - 1) * 4)) & 0xF) >= 0xA) text.push_back('0');
    AppendHex(text, value, digits);
    text.push_back('H');
    return text;
}

}  // namespace

// Symbol classes of the address operands.
namespace {
constexpr int kClassCode = 1;
constexpr int kClassData = 2;
constexpr int kClassBit = 4;
constexpr int kClassSfr = 5;
}  // namespace

// One decoding run: the flags of the call and the tables.
class Disassembler::Decoder {
public:
    Decoder(Disassembler& owner, bool autoLabels, bool lineTextFirst)
        : d_(owner), autoLabels_(autoLabels), lineTextFirst_(lineTextFirst) {}

    // Line references are no assembler identifiers: an assembler source
    // (the only user of automatic labels) never gets them.
    bool useLines() const { return d_.lines_ != nullptr && !autoLabels_; }

    std::string OwnLabel(const TBankAdresse& pc) {
        std::string text;
        try {
            if (lineTextFirst_ && useLines()) text = d_.lines_->LineText(pc);
            if (text.empty() && d_.symbols_ != nullptr) text = d_.symbols_->NameAt(pc, kClassCode);
            if (text.empty() && !lineTextFirst_ && useLines()) text = d_.lines_->LineText(pc);
        } catch (const Exception&) {
            // A table that fails leaves the address unnamed.
        }
        return text;
    }

    // An address of the memory space behind a symbol class, banked as that
    // space is.
    TBankAdresse SpaceAddress(int klass, std::uint8_t bank, std::uint16_t offset) const {
        SpaceKind space = SpaceKind::Program;
        switch (klass) {
            case kClassData: space = SpaceKind::IntData; break;
            case kClassBit: space = SpaceKind::Bit; break;
            case kClassSfr: space = SpaceKind::Sfr; break;
            default: break;
        }
        TBankAdresse a;
        a.offset = offset;
        if (d_.ctx_.spacesOrDefault().minAddress(space).banked) {
            a.banked = true;
            a.bank = bank;
            if (bank == 0xFE) a.allBanks = true;
        }
        return a;
    }

    std::string AddressOperand(int klass, std::uint8_t bank, std::uint16_t offset) {
        TBankAdresse a = UnbankedAdresse(offset);
        std::string text;
        try {
            a = SpaceAddress(klass, bank, offset);
            if (klass == kClassCode && lineTextFirst_ && useLines()) text = d_.lines_->LineText(a);
            if (text.empty() && d_.symbols_ != nullptr) text = d_.symbols_->NameAt(a, klass);
            if (text.empty() && klass == kClassCode && !lineTextFirst_ && useLines()) text = d_.lines_->LineText(a);
            if (!text.empty()) return text;
            if (klass == kClassCode && autoLabels_ && d_.symbols_ != nullptr) {
                if (const TSymbol* label = d_.symbols_->AddCounterSymbol(a, kClassCode)) return label->name;
            }
        } catch (const Exception&) {
            // A table or space that fails leaves the operand in hex.
        }
        switch (klass) {
            case kClassBit: return {};
            case kClassData:
            case kClassSfr: return ByteText(static_cast<std::uint8_t>(offset));
            default: return BankAddressText(a);
        }
    }

    std::string Direct(std::uint8_t a) {
        if (a >= 0x80) {
            if (const TRegister* sfr = d_.SfrName(a)) return sfr->name;
            // A direct address above 0x7F always reaches an SFR, never the
            // upper internal data that shares its numbers.
            return AddressOperand(kClassSfr, 0, a);
        }
        return AddressOperand(kClassData, 0, a);
    }

    std::string Bit(std::uint8_t b) {
        if (const TRegister* bit = d_.BitName(b)) return bit->name;
        std::string text = AddressOperand(kClassBit, 0, b);
        if (!text.empty()) return text;
        const char digit = static_cast<char>('0' + (b & 7));
        if (b >= 0x80) {
            text = Direct(static_cast<std::uint8_t>(b & 0xF8));
        } else {
            text = ByteText(static_cast<std::uint8_t>(0x20 + (b >> 3)));
        }
        text.push_back('.');
        text.push_back(digit);
        return text;
    }

    // A code target in pc's bank.
    std::string CodeTarget(const TBankAdresse& pc, std::uint16_t offset) {
        const std::uint8_t bank = pc.banked ? pc.bank : 0;
        return AddressOperand(kClassCode, bank, offset);
    }

    std::string Relative(const TBankAdresse& pc, int length, std::uint8_t displacement) {
        const auto target = static_cast<std::uint16_t>(pc.offset + length + static_cast<std::int8_t>(displacement));
        return CodeTarget(pc, target);
    }

private:
    Disassembler& d_;
    bool autoLabels_;
    bool lineTextFirst_;
};

Disassembler::Disassembler(TSymboltabelle* symbols, TZeilennummertabelle* lines, const TRegisterTabelle* registers,
                           const TargetContext& context)
    : symbols_(symbols), lines_(lines), registers_(registers), ctx_(context) {}

void Disassembler::RefreshRegisterNames() {
    if (registers_ == nullptr) return;
    if (registerNamesValid_ && registerGeneration_ == registers_->Generation()) return;
    sfrNames_.fill(nullptr);
    bitNames_.fill(nullptr);
    // The first entry of an address wins, as in the table's own search.
    const auto fill = [](const TRegisterList& list, std::array<const TRegister*, 256>& names) {
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TRegister* r = list.Items(i);
            if (r->highAddr == 0 && names[r->lowAddr] == nullptr) names[r->lowAddr] = r;
        }
    };
    fill(registers_->List(TRegisterTabelle::kSfrList), sfrNames_);
    fill(registers_->List(TRegisterTabelle::kSfrBitList), bitNames_);
    registerGeneration_ = registers_->Generation();
    registerNamesValid_ = true;
}

const TRegister* Disassembler::SfrName(std::uint8_t address) {
    RefreshRegisterNames();
    return sfrNames_[address];
}

const TRegister* Disassembler::BitName(std::uint8_t address) {
    RefreshRegisterNames();
    return bitNames_[address];
}

void Disassembler::SetAddressWidth(int maxCountBefehlsBytes) { width_ = maxCountBefehlsBytes == 4 ? 4 : 3; }

int Disassembler::AddressWidth() const {
    if (width_ != 0) return width_;
    return ctx_.bankingOrDefault().maxCountBefehlsBytes() == 4 ? 4 : 3;
}

int Disassembler::OpcodeLength(std::uint8_t opcode) const { return tarvex::OpcodeLength(opcode, AddressWidth()); }

int Disassembler::ReadCodeBytes(TBankAdresse address, std::uint8_t (&bytes)[4]) const noexcept {
    int count = AddressWidth();
    try {
        const TBankAdresse max = ctx_.spacesOrDefault().maxAddress(SpaceKind::Program);
        if (address.offset > max.offset) return 0;
        const int available = max.offset - address.offset + 1;
        if (available < count) count = available;
    } catch (...) {
        return 0;
    }
    const int got = ctx_.codeOrDefault().read(address, bytes, count);
    if (got < 0) return 0;
    return got > count ? count : got;
}

int Disassembler::InstructionLengthAt(TBankAdresse address) const noexcept {
    std::uint8_t bytes[4] = {};
    if (ReadCodeBytes(address, bytes) < 1) return 1;
    return OpcodeLength(bytes[0]);
}

DisassembledInstruction Disassembler::Disassemble(TBankAdresse pc, bool autoLabels, bool lineTextFirst,
                                                  std::uint8_t op, std::uint8_t b1, std::uint8_t b2,
                                                  std::uint8_t b3) {
    Decoder dec(*this, autoLabels, lineTextFirst);
    DisassembledInstruction out;
    out.label = dec.OwnLabel(pc);

    const OpInfo& info = kOpcodeMap[op];
    const int tableLength = OpcodeLength(op);
    int length = 1;
    std::string operands;

    switch (info.first) {
        case kF_None: break;
        case kF_Addr16:
            length = tableLength;
            if (length == 4) {
                operands = dec.AddressOperand(kClassCode, b1, static_cast<std::uint16_t>(b2 << 8 | b3));
            } else {
                operands = dec.CodeTarget(pc, static_cast<std::uint16_t>(b1 << 8 | b2));
            }
            break;
        case kF_Addr11:
            length = tableLength;
            if (length == 3) {
                const std::uint8_t pcBank = pc.banked && !pc.allBanks ? pc.bank : 0;
                const auto bank = static_cast<std::uint8_t>((pcBank & 0xF8) + (op >> 5));
                operands = dec.AddressOperand(kClassCode, bank, static_cast<std::uint16_t>(b1 << 8 | b2));
            } else {
                const auto target =
                    static_cast<std::uint16_t>(((pc.offset + 2) & 0xF800) | ((op >> 5) << 8) | b1);
                operands = dec.CodeTarget(pc, target);
            }
            break;
        case kF_Bit:
            length = 2;
            operands = dec.Bit(b1);
            break;
        case kF_Rel:
            length = 2;
            operands = dec.Relative(pc, 2, b1);
            break;
        case kF_Direct:
            length = 2;
            operands = dec.Direct(b1);
            break;
        default: operands = kFirstNames[info.first]; break;
    }

    if (info.first != kF_None && info.second != kS_None) {
        if (info.second < kS_NotBit) {
            operands += ',';
            operands += kSecondNames[info.second];
        } else {
            const std::uint8_t x = length == 2 ? b2 : b1;
            ++length;
            switch (info.second) {
                case kS_NotBit: operands += ",/" + dec.Bit(x); break;
                case kS_Rel: operands += ',' + dec.Relative(pc, length, x); break;
                case kS_Direct:
                    // MOV dir,dir encodes the source first and the
                    // destination second; the text names the destination
                    // first.
                    if (info.first == kF_Direct) {
                        operands = dec.Direct(x) + ',' + operands;
                    } else {
                        operands += ',' + dec.Direct(x);
                    }
                    break;
                case kS_Imm8: operands += ",#" + ByteText(x); break;
                case kS_Imm16:
                    length = tableLength;
                    if (length == 4) {
                        operands += ",#" + Long24Text(b1, b2, b3);
                    } else {
                        operands += ",#" + WordText(static_cast<std::uint16_t>(b1 << 8 | b2));
                    }
                    break;
                case kS_ImmRel:
                    length = 3;
                    operands += ",#" + ByteText(b1) + ',' + dec.Relative(pc, 3, b2);
                    break;
                case kS_DirectRel:
                    length = 3;
                    operands += ',' + dec.Direct(b1) + ',' + dec.Relative(pc, 3, b2);
                    break;
                case kS_Bit: operands += ',' + dec.Bit(x); break;
                default: break;
            }
        }
    }

    const std::uint8_t bytes[4] = {op, b1, b2, b3};
    out.length = length;
    out.hex.reserve(static_cast<std::size_t>(length) * 2);
    for (int i = 0; i < length; ++i) AppendHex(out.hex, bytes[i], 2);
    out.instruction.reserve(6 + operands.size());
    out.instruction = kMnemonics[info.mnemonic];
    out.instruction += ' ';
    out.instruction += operands;
    return out;
}

DisassembledInstruction Disassembler::DisassembleAt(TBankAdresse address, bool autoLabels, bool lineTextFirst) {
    std::uint8_t bytes[4] = {};
    const int got = ReadCodeBytes(address, bytes);
    if (got < 1) {
        DisassembledInstruction out;
        out.label = Decoder(*this, autoLabels, lineTextFirst).OwnLabel(address);
        out.instruction = "??    ";
        out.hex = "??";
        out.length = 1;
        out.readable = false;
        return out;
    }
    for (int i = got; i < 4; ++i) bytes[i] = bytes[0];
    return Disassemble(address, autoLabels, lineTextFirst, bytes[0], bytes[1], bytes[2], bytes[3]);
}

std::string Disassembler::ByteText(std::uint8_t value) { return AssemblerNumber(value, 2); }

std::string Disassembler::WordText(std::uint16_t value) { return AssemblerNumber(value, 4); }

std::string Disassembler::Long24Text(std::uint8_t b1, std::uint8_t b2, std::uint8_t b3) {
    return AssemblerNumber(static_cast<std::uint32_t>(b1) << 16 | static_cast<std::uint32_t>(b2) << 8 | b3, 6);
}

std::string Disassembler::BankAddressText(const TBankAdresse& address) {
    if (address.allBanks) {
        std::string text = "X";
        AppendHex(text, address.offset, 4);
        return text + 'H';
    }
    if (address.banked) return AssemblerNumber(static_cast<std::uint32_t>(address.bank) << 16 | address.offset, 6);
    return WordText(address.offset);
}

}  // namespace tarvex
