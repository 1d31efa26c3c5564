#include "core/pellunar_forms.hpp"

#include <array>
#include <vector>

#include "core/messages.hpp"

namespace tarvex {

namespace {

using K = FormByteKind;

constexpr FormByte L(std::uint8_t v) { return {K::Lit, v, v}; }
constexpr FormByte R(std::uint8_t lo, std::uint8_t hi) { return {K::Range, lo, hi}; }
constexpr FormByte Port{K::Port, 0, 0};
constexpr FormByte Bit{K::Bit, 0, 0};
constexpr FormByte Data{K::Data, 0, 0};
constexpr FormByte Src{K::Source, 0, 0};
constexpr FormByte Reg(std::uint8_t base) { return {K::RegOp, base, 0}; }
constexpr FormByte Same(std::uint8_t base) { return {K::SameReg, base, 0}; }

constexpr std::uint8_t V0 = 1, V1 = 2, V2 = 4, AnyV = V0 | V1 | V2;

// Calls into the hook entry area first, then the port forms; within the
// port forms no window matches two rows.
constexpr PellunarForm Forms[] = {
    // Calls of the routine entries: 0x12 0xFF xx.
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xA0, 0xAF)}, 0x00, 2, "LCALL 0FFA0H+x: bit routine"},
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xB0, 0xB7)}, 0x18, 2, "LCALL 0FFB0H+x: bit read"},
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xB8, 0xB9)}, 0x60, 2, "LCALL 0FFB8H/9H: P0 routine"},
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xC0, 0xCF)}, 0x80, 2, "LCALL 0FFC0H+x: bit routine"},
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xD0, 0xD7)}, 0x98, 2, "LCALL 0FFD0H+x: bit read"},
    {V0, EntryMode::New, false, 3, {L(0x12), L(0xFF), R(0xD8, 0xD9)}, 0xE0, 2, "LCALL 0FFD8H/9H: P2 routine"},
    {V0, EntryMode::Old, false, 3, {L(0x12), L(0xFF), R(0xF4, 0xF5)}, 0xA60, 2, "LCALL 0FFF4H/5H"},
    {V0, EntryMode::Old, false, 3, {L(0x12), L(0xFF), R(0xF6, 0xF7)}, 0xAE0, 2, "LCALL 0FFF6H/7H"},
    {V0, EntryMode::Old, false, 3, {L(0x12), L(0xFF), R(0xF8, 0xF9)}, 0x60, 2, "LCALL 0FFF8H/9H"},
    {V0, EntryMode::Old, false, 3, {L(0x12), L(0xFF), R(0xFA, 0xFB)}, 0xE0, 2, "LCALL 0FFFAH/BH"},
    {V1, EntryMode::Any, false, 4, {L(0x12), L(0xFF), L(0xF8), L(0x00)}, 0x560, 2, "LCALL 0FFF8H; NOP"},
    {V1, EntryMode::Any, false, 3, {L(0x12), L(0xFF), L(0xF9)}, 0x61, 2, "LCALL 0FFF9H"},
    {V1, EntryMode::Any, false, 4, {L(0x12), L(0xFF), L(0xFA), L(0x00)}, 0x5E0, 2, "LCALL 0FFFAH; NOP"},
    {V1, EntryMode::Any, false, 3, {L(0x12), L(0xFF), L(0xFB)}, 0xE1, 2, "LCALL 0FFFBH"},
    {V2, EntryMode::Any, false, 4, {L(0x12), L(0xFF), L(0xF8), L(0x00)}, 0x760, 2, "LCALL 0FFF8H; NOP"},
    {V2, EntryMode::Any, false, 3, {L(0x12), L(0xFF), L(0xF9)}, 0x61, 2, "LCALL 0FFF9H"},
    {V2, EntryMode::Any, false, 4, {L(0x12), L(0xFF), L(0xFA), L(0x00)}, 0x7E0, 2, "LCALL 0FFFAH; NOP"},
    {V2, EntryMode::Any, false, 3, {L(0x12), L(0xFF), L(0xFB)}, 0xE1, 2, "LCALL 0FFFBH"},

    // Bit instructions.
    {AnyV, EntryMode::Any, true, 2, {L(0xC2), Bit}, 0x100, 2, "CLR P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0xD2), Bit}, 0x108, 2, "SETB P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0xB2), Bit}, 0x110, 2, "CPL P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0xA2), Bit}, 0x118, 2, "MOV C,P0.x"},
    {AnyV, EntryMode::Any, true, 3, {L(0x20), Bit, Data}, 0x120, 2, "JB P0.x,rel"},
    {AnyV, EntryMode::Any, true, 3, {L(0x30), Bit, Data}, 0x128, 2, "JNB P0.x,rel"},
    {AnyV, EntryMode::Any, true, 3, {L(0x10), Bit, Data}, 0x220, 2, "JBC P0.x,rel"},
    {AnyV, EntryMode::Any, true, 2, {L(0x82), Bit}, 0x130, 2, "ANL C,P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0xB0), Bit}, 0x138, 2, "ANL C,/P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0xA0), Bit}, 0x230, 2, "ORL C,/P0.x"},
    {AnyV, EntryMode::Any, true, 2, {L(0x72), Bit}, 0x238, 2, "ORL C,P0.x"},

    // MOV P0.x,C needs a follower that gives the board time.
    {V0, EntryMode::Any, true, 3, {L(0x92), Bit, L(0xE4)}, 0x140, 2, "MOV P0.x,C; CLR A"},
    {V0, EntryMode::Any, true, 3, {L(0x92), Bit, L(0x00)}, 0x240, 2, "MOV P0.x,C; NOP"},
    {V1, EntryMode::Any, true, 4, {L(0x92), Bit, L(0x80), L(0x00)}, 0x340, 2, "MOV P0.x,C; SJMP $+2"},
    {V1, EntryMode::Any, true, 4, {L(0x92), Bit, L(0x00), L(0x00)}, 0x540, 2, "MOV P0.x,C; NOP; NOP"},
    {V2, EntryMode::Any, true, 5, {L(0x92), Bit, L(0x80), L(0x00), L(0x00)}, 0x440, 2, "MOV P0.x,C; SJMP $+2; NOP"},
    {V2, EntryMode::Any, true, 5, {L(0x92), Bit, L(0x00), L(0x00), L(0x00)}, 0x640, 2, "MOV P0.x,C; NOP; NOP; NOP"},

    // Byte writes in sequences.
    {V0, EntryMode::Any, true, 3, {L(0x8F), Port, L(0xEF)}, 0x160, 2, "MOV P0,R7; MOV A,R7"},
    {V1, EntryMode::Any, true, 4, {L(0x80), L(0x00), L(0x8F), Port}, 0x360, 2, "SJMP $+2; MOV P0,R7"},
    {V2, EntryMode::Any, true, 4, {L(0x8F), Port, L(0x80), L(0xFF)}, 0x660, 2, "MOV P0,R7; SJMP $+1"},
    {V0, EntryMode::Any, true, 3, {L(0xFF), L(0x8F), Port}, 0x260, 2, "MOV R7,A; MOV P0,R7"},
    {V1, EntryMode::Any, true, 4, {L(0x80), L(0x00), L(0xF5), Port}, 0x460, 2, "SJMP $+2; MOV P0,A"},
    {V2, EntryMode::Any, true, 4, {L(0x80), L(0x00), L(0xF5), Port}, 0x860, 2, "SJMP $+2; MOV P0,A"},
    {V2, EntryMode::Any, true, 5, {L(0x85), L(0xE0), Port, L(0x80), L(0x00)}, 0x960, 2, "MOV P0,ACC; SJMP $+2"},

    // Reads.
    {AnyV, EntryMode::Any, true, 3, {L(0x85), Port, Src}, 0x161, 2, "MOV dd,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0xE5), Port}, 0x261, 2, "MOV A,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x45), Port}, 0x361, 2, "ORL A,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x55), Port}, 0x461, 2, "ANL A,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x65), Port}, 0x561, 2, "XRL A,P0"},
    {AnyV, EntryMode::Any, true, 3, {L(0xB5), Port, Data}, 0x661, 2, "CJNE A,P0,rel"},
    {AnyV, EntryMode::Any, true, 2, {L(0x25), Port}, 0x761, 2, "ADD A,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x35), Port}, 0x861, 2, "ADDC A,P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x95), Port}, 0x961, 2, "SUBB A,P0"},
    {V1, EntryMode::Any, true, 2, {Reg(0xA8), Port}, 0x1861, 2, "MOV Rr,P0"},

    // Read-modify-write and immediate writes.
    {V0 | V2, EntryMode::Any, true, 3, {L(0x43), Port, Data}, 0x162, 2, "ORL P0,#d"},
    {V1, EntryMode::Any, true, 3, {L(0x43), Port, Data}, 0x462, 2, "ORL P0,#d"},
    {V0 | V2, EntryMode::Any, true, 3, {L(0x53), Port, Data}, 0x163, 2, "ANL P0,#d"},
    {V1, EntryMode::Any, true, 3, {L(0x53), Port, Data}, 0x463, 2, "ANL P0,#d"},
    {V0 | V2, EntryMode::Any, true, 3, {L(0x63), Port, Data}, 0x164, 2, "XRL P0,#d"},
    {V1, EntryMode::Any, true, 3, {L(0x63), Port, Data}, 0x464, 2, "XRL P0,#d"},
    {V0 | V2, EntryMode::Any, true, 3, {L(0x75), Port, Data}, 0x165, 2, "MOV P0,#d"},
    {V1, EntryMode::Any, true, 3, {L(0x75), Port, Data}, 0x465, 2, "MOV P0,#d"},
    {AnyV, EntryMode::Any, true, 4, {L(0x74), Data, L(0xF5), Port}, 0x265, 1, "MOV A,#d; MOV P0,A"},
    {AnyV, EntryMode::Any, true, 3, {L(0xE4), L(0xF5), Port}, 0x365, 2, "CLR A; MOV P0,A"},
    {AnyV, EntryMode::Any, true, 4, {Reg(0x78), Data, Same(0x88), Port}, 0x865, 1, "MOV Rr,#d; MOV P0,Rr"},
    {AnyV, EntryMode::Any, true, 2, {L(0x05), Port}, 0x166, 2, "INC P0"},
    {AnyV, EntryMode::Any, true, 2, {L(0x15), Port}, 0x167, 2, "DEC P0"},
    {AnyV, EntryMode::Any, true, 3, {L(0xD5), Port, Data}, 0x168, 2, "DJNZ P0,rel"},
};

// Rows by first byte, in table order, so that an instruction is tried only
// against the forms that can start with its opcode.
class FormIndex {
public:
    FormIndex() {
        for (std::size_t i = 0; i < std::size(Forms); ++i) {
            const FormByte& b = Forms[i].bytes[0];
            switch (b.kind) {
                case K::Lit: byOpcode_[b.value].push_back(static_cast<std::uint8_t>(i)); break;
                case K::RegOp:
                    for (int r = 0; r < 8; ++r) byOpcode_[b.value + r].push_back(static_cast<std::uint8_t>(i));
                    break;
                default: break;  // no form starts otherwise
            }
        }
    }
    const std::vector<std::uint8_t>& Rows(std::uint8_t opcode) const { return byOpcode_[opcode]; }

private:
    std::array<std::vector<std::uint8_t>, 256> byOpcode_;
};

const FormIndex& Index() {
    static const FormIndex index;
    return index;
}

bool IsPortByte(std::uint8_t b) { return b == 0x80 || b == 0xA0; }

// Matches one row for one port; on success fills the class code.
bool MatchRow(const PellunarForm& f, std::span<const std::uint8_t> code, std::uint8_t port, std::uint16_t& classCode) {
    std::uint16_t cls = f.classCode;
    int r = -1;
    for (int k = 0; k < f.length; ++k) {
        const FormByte& fb = f.bytes[k];
        const std::uint8_t b = code[static_cast<std::size_t>(k)];
        switch (fb.kind) {
            case K::Lit:
                if (b != fb.value) return false;
                break;
            case K::Range:
                if (b < fb.value || b > fb.hi) return false;
                cls = static_cast<std::uint16_t>(cls + (b - fb.value));
                break;
            case K::Port:
                if (b != port) return false;
                break;
            case K::Bit:
                if ((b & 0xF8) != port) return false;
                cls = static_cast<std::uint16_t>(cls + (b & 0x07));
                break;
            case K::Data: break;
            case K::Source:
                if (IsPortByte(b)) return false;
                break;
            case K::RegOp:
                if (b < fb.value || b > fb.value + 7) return false;
                r = b - fb.value;
                cls = static_cast<std::uint16_t>(cls + r * 0x100);
                break;
            case K::SameReg:
                if (r < 0 || b != fb.value + r) return false;
                break;
        }
    }
    if (f.portForm && port == 0xA0) cls = static_cast<std::uint16_t>(cls + 0x80);
    classCode = cls;
    return true;
}

std::string Hex2(std::uint8_t v) {
    static const char digits[] = "0123456789ABCDEF";
    return {digits[v >> 4], digits[v & 0xF]};
}

}  // namespace

std::span<const PellunarForm> PellunarForms() { return Forms; }

std::optional<FormMatch> MatchPellunarForm(std::span<const std::uint8_t> code, int variant, bool newEntries) {
    if (code.empty() || variant < 0 || variant > 2) return std::nullopt;
    const std::uint8_t variantBit = static_cast<std::uint8_t>(1u << variant);
    for (std::uint8_t row : Index().Rows(code[0])) {
        const PellunarForm& f = Forms[row];
        if (!(f.variants & variantBit) || f.length > code.size()) continue;
        if (f.entries == EntryMode::New && !newEntries) continue;
        if (f.entries == EntryMode::Old && newEntries) continue;
        for (std::uint8_t port : {std::uint8_t{0x80}, std::uint8_t{0xA0}}) {
            std::uint16_t cls = 0;
            if (MatchRow(f, code, port, cls)) {
                const auto at = static_cast<std::size_t>(f.extraAt);
                return FormMatch{cls, at < code.size() ? code[at] : std::uint8_t{0}, f.length};
            }
            if (!f.portForm) break;
        }
    }
    return std::nullopt;
}

PellunarBytes FormBytes(std::uint16_t classCode, std::uint8_t extraByte) {
    const bool p2 = (classCode & 0x80) != 0;
    const std::uint8_t port = p2 ? 0xA0 : 0x80;
    const std::uint16_t p0 = static_cast<std::uint16_t>(classCode & ~0x80u);
    for (const PellunarForm& f : Forms) {
        if (!f.portForm) continue;
        // The class grows by the bit number or by the register number x 0x100.
        int x = 0, r = 0;
        bool hasBit = false, hasReg = false;
        for (int k = 0; k < f.length; ++k) {
            hasBit |= f.bytes[k].kind == K::Bit;
            hasReg |= f.bytes[k].kind == K::RegOp;
        }
        if (hasBit) {
            if (p0 < f.classCode || p0 > f.classCode + 7) continue;
            x = p0 - f.classCode;
        } else if (hasReg) {
            if (p0 < f.classCode || (p0 - f.classCode) % 0x100 != 0 || (p0 - f.classCode) / 0x100 > 7) continue;
            r = (p0 - f.classCode) / 0x100;
        } else if (p0 != f.classCode) {
            continue;
        }
        PellunarBytes out;
        for (int k = 0; k < f.length; ++k) {
            const FormByte& fb = f.bytes[k];
            switch (fb.kind) {
                case K::Lit: out.push_back(fb.value); break;
                case K::Range: out.push_back(fb.value); break;
                case K::Port: out.push_back(port); break;
                case K::Bit: out.push_back(static_cast<std::uint8_t>(port + x)); break;
                case K::Data:
                case K::Source: out.push_back(extraByte); break;
                case K::RegOp:
                case K::SameReg: out.push_back(static_cast<std::uint8_t>(fb.value + r)); break;
            }
        }
        return out;
    }
    return {};
}

std::optional<CantEmulate> CantEmulateTest(std::span<const std::uint8_t> code, int variant, bool newEntries) {
    if (code.size() < 2) return std::nullopt;
    const std::uint8_t op = code[0], b1 = code[1];
    const bool has2 = code.size() >= 3;
    const std::uint8_t b2 = has2 ? code[2] : 0;
    const auto inEntries = [](std::uint8_t xx, bool newOnes) {
        return newOnes ? (xx >= 0xA0 && xx <= 0xB9) || (xx >= 0xC0 && xx <= 0xD9) : xx >= 0xF8 && xx <= 0xFB;
    };

    bool candidate = false;
    switch (op) {
        case 0x42: case 0x52: case 0x62: case 0x86: case 0x87: case 0xA6: case 0xA7: case 0xC0: case 0xC5:
        case 0xD0: case 0xF5:
            candidate = IsPortByte(b1);
            break;
        case 0x92: candidate = IsPortByte(b1 & 0xF8); break;
        case 0x85: candidate = has2 && IsPortByte(b2); break;
        case 0x12:
            // Every variant but the standard one has only the old entries
            // 0xFFF8..0xFFFB as forms, and only with a NOP after the write.
            candidate = has2 && variant != Variant8051 && b1 == 0xFF && (inEntries(b2, true) || inEntries(b2, false));
            break;
        case 0x02: candidate = has2 && b1 == 0xFF && inEntries(b2, newEntries); break;
        default: candidate = (op >= 0x88 && op <= 0x8F) || (op >= 0xA8 && op <= 0xAF) ? IsPortByte(b1) : false;
    }
    if (!candidate) return std::nullopt;

    const auto portOf = [](std::uint8_t b) { return (b & 0xF8) == 0xA0 ? "P2" : "P0"; };
    std::string text;
    if (op == 0x02) text = "Function Call";
    else if (op == 0x12) text = "Write";
    else if (op == 0x42) text = "ORL";
    else if (op == 0x52) text = "ANL";
    else if (op == 0x62) text = "XRL";
    else if (op == 0xC0) text = "PUSH";
    else if (op == 0xC5) text = "XCH";
    else if (op == 0xD0) text = "POP";
    else text = "MOV";

    if (op == 0xA6) text += " @R0";
    else if (op == 0xA7) text += " @R1";
    else if (op >= 0xA8 && op <= 0xAF) text += " R" + std::to_string(op - 0xA8);
    else if (op == 0xC5) text += " A";
    else if (op == 0x85) text += std::string(" ") + portOf(b2) + "," + Hex2(b1) + "H";
    else if (op == 0x92) text += std::string(" ") + portOf(b1) + "." + std::to_string(b1 & 7) + ",C";
    else if (op == 0x12) text += (b2 >= 0xC0 && b2 <= 0xD9) || b2 >= 0xFA ? "P2" : "P0";
    else if (op != 0x02) text += std::string(" ") + portOf(b1);

    if (op >= 0x88 && op <= 0x8F) text += ",R" + std::to_string(op - 0x88);
    else if (op == 0x86) text += ",@R0";
    else if (op == 0x87) text += ",@R1";
    else if (op == 0x42 || op == 0x52 || op == 0x62 || op == 0xF5) text += ",A";
    else if ((op >= 0xA6 && op <= 0xAF) || op == 0xC5) text += std::string(",") + portOf(b1);

    CantEmulate out;
    out.length = op == 0x02 || op == 0x12 || op == 0x85 ? 3 : 2;
    out.message = FmtResStr(rs::CantEmulatePellunar, text) + ": ";
    if (op == 0x02 || op == 0x12 || op == 0x92) {
        out.message += FmtResStr(rs::InsertAfterPellunar, "_nop_");
    } else {
        const bool read = (op >= 0xA6 && op <= 0xAF) || op == 0xC0;
        const std::uint8_t portByte = op == 0x85 ? b2 : b1;
        out.message += std::string(LoadResStr(rs::ReplaceWith)) + ": " + (read ? "ReadP" : "WriteP") +
                       (portByte == 0xA0 ? "2()" : "0()");
    }
    return out;
}

}  // namespace tarvex
