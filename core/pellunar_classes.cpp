// Everything that follows from a hook's class code, as tables: the class
// sets the board treats alike, and per class the replacement text, the image
// bytes, the transmission sort key and the transmission group.
#include <array>
#include <string>

#include "core/pellunar.hpp"
#include "core/pellunar_forms.hpp"

namespace tarvex {

namespace {

// ---------------------------------------------------------------- class sets

struct CodeRange {
    std::uint16_t lo, hi;
};

template <std::size_t N>
bool InRanges(std::uint16_t code, const CodeRange (&ranges)[N]) {
    for (const CodeRange& r : ranges)
        if (code >= r.lo && code <= r.hi) return true;
    return false;
}

constexpr CodeRange SubstitutedClasses[] = {
    {0x000, 0x0FF}, {0x540, 0x547}, {0x5C0, 0x5C7}, {0x560, 0x560}, {0x5E0, 0x5E0}, {0x760, 0x760},
    {0x7E0, 0x7E0}, {0x640, 0x647}, {0x6C0, 0x6C7}, {0xA60, 0xA61}, {0xAE0, 0xAE1},
};
constexpr CodeRange RoutineClasses[] = {
    {0x960, 0x960}, {0x9E0, 0x9E0}, {0x440, 0x447}, {0x4C0, 0x4C7}, {0x640, 0x647}, {0x6C0, 0x6C7},
};
constexpr CodeRange BitRoutineClasses[] = {{0x960, 0x960}, {0x9E0, 0x9E0}};
// Writes through a routine of the board (0xFC) and the other writes (0xFE).
constexpr CodeRange RoutineWriteClasses[] = {{0x440, 0x447}, {0x640, 0x647}, {0x4C0, 0x4C7}, {0x6C0, 0x6C7}};
constexpr CodeRange OtherWriteClasses[] = {
    {0x360, 0x360}, {0x560, 0x560}, {0x760, 0x760}, {0x3E0, 0x3E0}, {0x5E0, 0x5E0}, {0x7E0, 0x7E0},
};
constexpr CodeRange ReadClasses[] = {
    {0x130, 0x13F}, {0x168, 0x168}, {0x1E8, 0x1E8}, {0x1B0, 0x1BF}, {0x220, 0x227}, {0x230, 0x23F},
    {0x240, 0x247}, {0x2A0, 0x2A7}, {0x2B0, 0x2C7}, {0x340, 0x347}, {0x440, 0x447}, {0x540, 0x547},
    {0x640, 0x647}, {0x3C0, 0x3C7}, {0x4C0, 0x4C7}, {0x5C0, 0x5C7}, {0x6C0, 0x6C7}, {0x360, 0x360},
    {0x460, 0x460}, {0x560, 0x560}, {0x660, 0x660}, {0x760, 0x760}, {0x860, 0x860}, {0x3E0, 0x3E0},
    {0x4E0, 0x4E0}, {0x5E0, 0x5E0}, {0x6E0, 0x6E0}, {0x7E0, 0x7E0}, {0x8E0, 0x8E0},
};
constexpr CodeRange OperandGroup3[] = {
    {0x340, 0x347}, {0x3C0, 0x3C7}, {0x540, 0x547}, {0x5C0, 0x5C7}, {0x860, 0x860}, {0x8E0, 0x8E0},
};
constexpr CodeRange OperandGroup2[] = {
    {0x440, 0x447}, {0x640, 0x647}, {0x4C0, 0x4C7}, {0x6C0, 0x6C7},
    {0x460, 0x460}, {0x4E0, 0x4E0}, {0x660, 0x660}, {0x6E0, 0x6E0},
};

// ---------------------------------------------------------- per-class table

// How an image byte is made.
enum class Img : std::uint8_t { Lit, D, R7, THi, TLo, RegPlus };
struct ImgByte {
    Img kind;
    std::uint8_t value;
};
constexpr ImgByte B(std::uint8_t v) { return {Img::Lit, v}; }
constexpr ImgByte D{Img::D, 0};
constexpr ImgByte R7{Img::R7, 0};
constexpr ImgByte THi{Img::THi, 0};
constexpr ImgByte TLo{Img::TLo, 0};
constexpr ImgByte Rn(std::uint8_t base) { return {Img::RegPlus, base}; }

// What is added to a sort key's base.
enum class Key : std::uint8_t { None, Third, D, Target, R7 };

// Which number the class code counts through in its row.
enum class Unit : std::uint8_t { None, Bit, Reg };

struct ClassRow {
    std::uint16_t first;  // P0 class code of the row's first member
    Unit unit;            // members: first + x (bits) or first + r * 0x100 (registers)
    // Text tokens: {P} port digit, {x} bit, {r} register, {d} extra byte
    // as two hex digits, {7} R7 address as two hex digits.
    const char* text;
    const char* textP2;  // the P2 text where it is not the P0 text with P2
    std::uint8_t length;
    ImgByte image[5];
    std::uint32_t keyBase;
    Key key;
    std::uint32_t keyPerReg;  // added to the key per register number
    std::uint8_t group;
};

constexpr ClassRow Classes[] = {
    // Calls into the hook entry area.
    {0x00, Unit::Bit, "NOP; CLR P{P}.{x}", nullptr, 3, {B(0x00), B(0x44), B(0x00)}, 0x1, Key::None, 0, 2},
    {0x08, Unit::Bit, "NOP; SETB P{P}.{x}", nullptr, 3, {B(0x00), B(0x44), B(0x00)}, 0x1, Key::None, 0, 2},
    {0x18, Unit::Bit, "NOP; MOV C,P{P}.{x}", nullptr, 3, {B(0x00), B(0xD2), B(0xD7)}, 0x2, Key::None, 0, 1},
    {0x60, Unit::None, "MOV P{P},R7; MOV A,R7", nullptr, 3, {B(0xE5), B(0x07), B(0x83)}, 0x3, Key::None, 0, 2},
    {0x61, Unit::None, "MOV 07,P{P}", nullptr, 3, {B(0x75), B(0x07), B(0x00)}, 0x4, Key::None, 0, 2},
    {0xA60, Unit::None, "MOV P{P},R7; MOV A,R7", nullptr, 3, {B(0xE5), R7, B(0x83)}, 0x1000, Key::R7, 0, 2},
    {0xA61, Unit::None, "MOV {7},P{P}", nullptr, 3, {B(0x75), R7, B(0x00)}, 0x700, Key::R7, 0, 2},
    // Bit instructions.
    {0x100, Unit::Bit, "CLR P{P}.{x}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x108, Unit::Bit, "SETB P{P}.{x}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x110, Unit::Bit, "CPL P{P}.{x}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x118, Unit::Bit, "MOV C,P{P}.{x}", nullptr, 2, {B(0xD2), B(0xD7)}, 0x200, Key::Third, 0, 0},
    {0x120, Unit::Bit, "JB P{P}.{x},rel", nullptr, 3, {B(0x02), THi, TLo}, 0x10000, Key::Target, 0, 0},
    {0x128, Unit::Bit, "JNB P{P}.{x},rel", nullptr, 3, {B(0x02), THi, TLo}, 0x10000, Key::Target, 0, 0},
    {0x220, Unit::Bit, "JBC P{P}.{x},rel", nullptr, 3, {B(0x02), THi, TLo}, 0x10000, Key::Target, 0, 0},
    {0x130, Unit::Bit, "ANL C,P{P}.{x}", nullptr, 2, {B(0xC3), B(0x00)}, 0x800, Key::Third, 0, 0},
    {0x138, Unit::Bit, "ANL C,/P{P}.{x}", nullptr, 2, {B(0xC3), B(0x00)}, 0x800, Key::Third, 0, 0},
    {0x230, Unit::Bit, "ORL C,/P{P}.{x}", nullptr, 2, {B(0xD3), B(0x00)}, 0x900, Key::Third, 0, 0},
    {0x238, Unit::Bit, "ORL C,P{P}.{x}", nullptr, 2, {B(0xD3), B(0x00)}, 0x900, Key::Third, 0, 0},
    {0x140, Unit::Bit, "MOV P{P}.{x},C; CLR A", nullptr, 3, {B(0xE5), B(0xD0), B(0x83)}, 0x5, Key::None, 0, 2},
    {0x240, Unit::Bit, "MOV P{P}.{x},C; NOP", nullptr, 3, {B(0x00), B(0x44), B(0x00)}, 0x1, Key::None, 0, 0},
    {0x340, Unit::Bit, "MOV P{P}.{x},C; SJMP $+2", nullptr, 4, {B(0x40), B(0x01), B(0x44), B(0x00)}, 0x7, Key::None, 0, 0},
    {0x540, Unit::Bit, "MOV P{P}.{x},C; SJMP $+2", nullptr, 4, {B(0x40), B(0x01), B(0x44), B(0x00)}, 0x7, Key::None, 0, 0},
    {0x440, Unit::Bit, "MOV P{P}.{x},C; SJMP $+2; NOP", nullptr, 5, {B(0x40), B(0x01), B(0x80), B(0x01), B(0x00)}, 0xA, Key::None, 0, 0},
    {0x640, Unit::Bit, "MOV P{P}.{x},C; SJMP $+2; NOP", nullptr, 5, {B(0x40), B(0x01), B(0x80), B(0x01), B(0x00)}, 0xA, Key::None, 0, 0},
    // Byte writes in sequences.
    {0x160, Unit::None, "MOV P{P},R7; MOV A,R7", nullptr, 3, {B(0xE5), B(0x07), B(0x83)}, 0x3, Key::None, 0, 2},
    {0x260, Unit::None, "MOV R7,A; MOV P{P},R7", nullptr, 3, {B(0x83), B(0xF5), B(0x07)}, 0x4, Key::None, 0, 0},
    {0x360, Unit::None, "SJMP $+2; MOV P{P},R7", "SJMP $+0; MOV P2,R7", 4, {B(0x00), B(0xCF), B(0x83), B(0xCF)}, 0x8, Key::None, 0, 2},
    {0x560, Unit::None, "SJMP $+2; MOV P{P},R7", "SJMP $+0; MOV P2,R7", 4, {B(0x00), B(0xCF), B(0x83), B(0xCF)}, 0x8, Key::None, 0, 2},
    {0x460, Unit::None, "SJMP $+0; MOV P{P},A", nullptr, 4, {B(0x00), B(0x83), B(0x54), B(0xFF)}, 0x9, Key::None, 0, 1},
    {0x860, Unit::None, "SJMP $+0; MOV P{P},A", nullptr, 4, {B(0x44), B(0x00), B(0x83), B(0xFF)}, 0xD, Key::None, 0, 2},
    {0x660, Unit::None, "MOV P{P},R7; SJMP $+1", "MOV P2,R7; SJMP $-1", 4, {B(0xCF), B(0x83), B(0xCF), B(0xFF)}, 0xC, Key::None, 0, 1},
    {0x760, Unit::None, "MOV P{P},R7; SJMP $+1", "MOV P2,R7; SJMP $-1", 4, {B(0xCF), B(0x83), B(0xCF), B(0xFF)}, 0xC, Key::None, 0, 2},
    {0x960, Unit::None, "MOV P{P},ACC; SJMP $+0", nullptr, 5, {B(0x80), B(0x02), B(0x00), B(0x00), B(0x83)}, 0xB, Key::None, 0, 4},
    // Reads.
    {0x161, Unit::None, "MOV {d}H,P{P}", nullptr, 3, {B(0x75), D, B(0x00)}, 0x700, Key::D, 0, 2},
    {0x261, Unit::None, "MOV A,P{P}", nullptr, 2, {B(0x74), B(0x00)}, 0x300, Key::Third, 0, 1},
    {0x361, Unit::None, "ORL A,P{P}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x461, Unit::None, "ANL A,P{P}", nullptr, 2, {B(0x54), B(0x00)}, 0x400, Key::Third, 0, 1},
    {0x561, Unit::None, "XRL A,P{P}", nullptr, 2, {B(0x64), B(0x00)}, 0x500, Key::Third, 0, 1},
    {0x661, Unit::None, "CJNE A,P{P},rel", nullptr, 3, {B(0xB4), B(0x00), D}, 0xA00, Key::D, 0, 1},
    {0x761, Unit::None, "ADD A,P{P}", nullptr, 2, {B(0x24), B(0x00)}, 0xB00, Key::Third, 0, 1},
    {0x861, Unit::None, "ADDC A,P{P}", nullptr, 2, {B(0x34), B(0x00)}, 0xC00, Key::Third, 0, 1},
    {0x961, Unit::None, "SUBB A,P{P}", nullptr, 2, {B(0x94), B(0x00)}, 0xD00, Key::Third, 0, 1},
    {0x1861, Unit::Reg, "MOV R{r},P{P}", nullptr, 2, {Rn(0x78), B(0x00)}, 0x10, Key::None, 1, 1},
    // Read-modify-write and immediate writes.
    {0x162, Unit::None, "ORL P{P},#{d}H", nullptr, 3, {B(0x80), B(0x01), D}, 0x600, Key::D, 0, 2},
    {0x163, Unit::None, "ANL P{P},#{d}H", nullptr, 3, {B(0x80), B(0x01), D}, 0x600, Key::D, 0, 2},
    {0x164, Unit::None, "XRL P{P},#{d}H", nullptr, 3, {B(0x80), B(0x01), D}, 0x600, Key::D, 0, 2},
    {0x165, Unit::None, "MOV P{P},#{d}H", nullptr, 3, {B(0x80), B(0x01), D}, 0x600, Key::D, 0, 2},
    {0x462, Unit::None, "ORL P{P},#{d}H", nullptr, 3, {B(0x75), B(0xA0), D}, 0xF00, Key::D, 0, 2},
    {0x463, Unit::None, "ANL P{P},#{d}H", nullptr, 3, {B(0x75), B(0xA0), D}, 0xF00, Key::D, 0, 2},
    {0x464, Unit::None, "XRL P{P},#{d}H", nullptr, 3, {B(0x75), B(0xA0), D}, 0xF00, Key::D, 0, 2},
    {0x465, Unit::None, "MOV P{P},#{d}H", nullptr, 3, {B(0x75), B(0xA0), D}, 0xF00, Key::D, 0, 2},
    {0x265, Unit::None, "MOV A,#{d}H; MOV P{P},A", nullptr, 4, {B(0x74), D, B(0x74), D}, 0xE00, Key::D, 0, 3},
    {0x365, Unit::None, "CLR A  MOV P{P},A", nullptr, 3, {B(0xE4), B(0x74), B(0x00)}, 0x6, Key::None, 0, 2},
    {0x865, Unit::Reg, "MOV R{r},#{d}; MOV P{P},R{r}", nullptr, 4, {Rn(0x78), D, Rn(0x78), D}, 0x8000, Key::D, 0x1000, 3},
    {0x166, Unit::None, "INC P{P}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x167, Unit::None, "DEC P{P}", nullptr, 2, {B(0x44), B(0x00)}, 0x100, Key::Third, 0, 1},
    {0x168, Unit::None, "DJNZ P{P},rel", nullptr, 3, {B(0x02), THi, TLo}, 0x10000, Key::Target, 0, 0},
};

struct ClassInfo {
    const ClassRow* row = nullptr;
    bool p2 = false;
    int n = 0;  // bit or register number
};

// Row and member of every class code, built once: the scan asks for a
// hook's length at every step of its binary searches.
class ClassIndex {
public:
    ClassIndex() {
        entries_.fill(Entry{});
        for (std::size_t k = 0; k < std::size(Classes); ++k) {
            const ClassRow& row = Classes[k];
            const int members = row.unit == Unit::None ? 1 : 8;
            const int stride = row.unit == Unit::Reg ? 0x100 : 1;
            for (int n = 0; n < members; ++n) {
                const int p0 = row.first + n * stride;
                for (int port : {0, 0x80}) {
                    Entry& e = entries_[static_cast<std::size_t>(p0 + port)];
                    if (e.row == NoRow) e = Entry{static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(n)};
                }
            }
        }
    }
    ClassInfo Lookup(std::uint16_t code) const {
        const Entry& e = entries_[code];
        ClassInfo info;
        info.p2 = (code & 0x80) != 0;
        if (e.row != NoRow) {
            info.row = &Classes[e.row];
            info.n = e.n;
        }
        return info;
    }

private:
    static constexpr std::uint8_t NoRow = 0xFF;
    struct Entry {
        std::uint8_t row = NoRow;
        std::uint8_t n = 0;
    };
    std::array<Entry, 0x10000> entries_;
};

ClassInfo Lookup(std::uint16_t code) {
    static const ClassIndex index;
    return index.Lookup(code);
}

const char HexDigits[] = "0123456789ABCDEF";

void AppendHex2(std::string& out, std::uint8_t v) {
    out += HexDigits[v >> 4];
    out += HexDigits[v & 0xF];
}

// The long jump target of a relative jump hook: the byte after it plus the
// signed displacement.
std::uint16_t JumpTarget(const TPellunarItem& item) {
    return static_cast<std::uint16_t>(item.address.offset + 3 + static_cast<std::int8_t>(item.extraByte));
}

}  // namespace

// ------------------------------------------------------------------ sets

bool TPellunarItem::IsSubstituted() const { return substitutedCall || InRanges(classCode, SubstitutedClasses); }

bool TPellunarItem::IsRoutineClass() const { return InRanges(classCode, RoutineClasses); }

bool TPellunarItem::IsBitRoutineClass() const { return InRanges(classCode, BitRoutineClasses); }

bool TPellunarItem::IsWriteClass() const {
    return InRanges(classCode, RoutineWriteClasses) || InRanges(classCode, OtherWriteClasses);
}

bool TPellunarItem::IsReadClass() const { return InRanges(classCode, ReadClasses); }

int TPellunarItem::RoutineKind() const {
    if (!IsRoutineClass()) return 0;
    return IsBitRoutineClass() ? 1 : 2;
}

int TPellunarItem::OperandGroup() const {
    if (InRanges(classCode, OperandGroup3)) return 3;
    if (InRanges(classCode, OperandGroup2)) return 2;
    return 1;
}

int TPellunarItem::IsGroup3Class() const { return IsWriteClass() ? 3 : 0; }

std::uint8_t TPellunarItem::SpecialRoutineCode() const {
    if (!IsRoutineClass()) return 0xFF;
    if (classCode == 0x960) return 0x60;
    if (classCode == 0x9E0) return 0xE0;
    return 0xFC;
}

std::uint8_t TPellunarItem::WriteRoutineCode() const {
    if (InRanges(classCode, RoutineWriteClasses)) return 0xFC;
    if (InRanges(classCode, OtherWriteClasses)) return 0xFE;
    return static_cast<std::uint8_t>(classCode & 0xFF);
}

std::uint8_t TPellunarItem::ReadRoutineCode() const {
    const auto low = static_cast<std::uint8_t>(classCode & 0xFF);
    if (!IsReadClass()) return low;
    if ((low >= 0x20 && low <= 0x27) || (low >= 0xA0 && low <= 0xA7)) return static_cast<std::uint8_t>(low - 0x20);
    if ((low >= 0x40 && low <= 0x47) || (low >= 0xC0 && low <= 0xC7)) return (classCode >> 8) == 3 ? 0xFD : 0xFE;
    if (low == 0x68) return 0x67;
    if (low == 0xE8) return 0xE7;
    return 0xFE;
}

// -------------------------------------------------------- bytes and texts

std::size_t TPellunarItem::Length() const {
    const ClassInfo info = Lookup(classCode);
    return info.row ? info.row->length : 0;
}

PellunarBytes TPellunarItem::InstructionBytes() const {
    const ClassInfo info = Lookup(classCode);
    if (!info.row) return {};
    const std::uint16_t target = JumpTarget(*this);
    PellunarBytes out;
    for (int k = 0; k < info.row->length; ++k) {
        const ImgByte& b = info.row->image[k];
        switch (b.kind) {
            case Img::Lit: out.push_back(b.value); break;
            case Img::D: out.push_back(extraByte); break;
            case Img::R7: out.push_back(R7Address()); break;
            case Img::THi: out.push_back(static_cast<std::uint8_t>(target >> 8)); break;
            case Img::TLo: out.push_back(static_cast<std::uint8_t>(target & 0xFF)); break;
            case Img::RegPlus: out.push_back(static_cast<std::uint8_t>(b.value + info.n)); break;
        }
    }
    return out;
}

PellunarBytes TPellunarItem::RoutineText() const {
    PellunarBytes out = InstructionBytes();
    if (out.size() == 2) out.push_back(ThirdByte());
    return out;
}

PellunarBytes TPellunarItem::RoutineTextShort() const {
    const PellunarBytes all = RoutineText();
    return all.size() > 3 ? PellunarBytes(all.span().subspan(3)) : PellunarBytes{};
}

PellunarBytes TPellunarItem::CodeBytes() const {
    const bool p2 = (classCode & 0x80) != 0;
    const std::uint8_t port = p2 ? 0xA0 : 0x80;
    const std::uint16_t p0 = static_cast<std::uint16_t>(classCode & ~0x80u);
    // A call into the hook entry area stands for the direct port instruction.
    if (classCode < 0x100) {
        if (p0 <= 0x07) return {0x00, 0xC2, static_cast<std::uint8_t>(port + p0)};
        if (p0 >= 0x08 && p0 <= 0x0F) return {0x00, 0xD2, static_cast<std::uint8_t>(port + p0 - 0x08)};
        if (p0 >= 0x18 && p0 <= 0x1F) return {0x00, 0xA2, static_cast<std::uint8_t>(port + p0 - 0x18)};
        if (p0 == 0x60) return {0x8F, port, 0xEF};
        if (p0 == 0x61) return {0x85, port, 0x07};
        return {};
    }
    if (p0 == 0xA60) return {0x8F, port, 0xEF};
    if (p0 == 0xA61) return {0x85, port, R7Address()};
    // The NOP variants of the board's sequences stand for the jump forms.
    std::uint16_t form = classCode;
    if (p0 >= 0x540 && p0 <= 0x547) form = static_cast<std::uint16_t>(classCode - 0x200);
    else if (p0 >= 0x640 && p0 <= 0x647) form = static_cast<std::uint16_t>(classCode - 0x200);
    else if (p0 == 0x560) form = static_cast<std::uint16_t>(classCode - 0x200);
    else if (p0 == 0x760) form = static_cast<std::uint16_t>(classCode - 0x100);
    return FormBytes(form, extraByte);
}

std::string TPellunarItem::CodeBytesText() const { return CodeBytes().Hex(); }

std::string TPellunarItem::ScannedBytesHex() const { return scannedBytes.Hex(); }

std::string TPellunarItem::ReplacementText() const {
    const ClassInfo info = Lookup(classCode);
    if (!info.row) return {};
    const char* text = info.p2 && info.row->textP2 ? info.row->textP2 : info.row->text;
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p != '{' || !p[1] || p[2] != '}') {
            out += *p;
            continue;
        }
        switch (p[1]) {
            case 'P': out += info.p2 ? '2' : '0'; break;
            case 'x':
            case 'r': out += static_cast<char>('0' + info.n); break;
            case 'd': AppendHex2(out, extraByte); break;
            case '7': AppendHex2(out, R7Address()); break;
            default: break;
        }
        p += 2;
    }
    return out;
}

std::uint32_t TPellunarItem::HookClass() const {
    const ClassInfo info = Lookup(classCode);
    if (!info.row) return 0;
    std::uint32_t key = info.row->keyBase + info.row->keyPerReg * static_cast<std::uint32_t>(info.n);
    switch (info.row->key) {
        case Key::None: break;
        case Key::Third: key += ThirdByte(); break;
        case Key::D: key += extraByte; break;
        case Key::Target: key += JumpTarget(*this); break;
        case Key::R7: key += R7Address(); break;
    }
    return key;
}

int TPellunarItem::TransmitGroup() const {
    const ClassInfo info = Lookup(classCode);
    return info.row ? info.row->group : 0;
}

}  // namespace tarvex
