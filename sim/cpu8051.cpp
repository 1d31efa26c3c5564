#include "sim/cpu8051.hpp"

#include <algorithm>
#include <bit>

#include "core/conversions.hpp"
#include "core/intel_hex.hpp"

namespace tarvex::sim {

namespace {

// Machine cycles per opcode, as the data sheet gives them (0xA5, undefined,
// runs as a one-cycle no-operation).
constexpr std::array<std::uint8_t, 256> CycleTable = [] {
    std::array<std::uint8_t, 256> t{};
    const char* rows[16] = {
        "1221111111111111", "2221111111111111", "2221111111111111", "2221111111111111",
        "2212111111111111", "2212111111111111", "2212111111111111", "2222121111111111",
        "2222422222222222", "2222111111111111", "2212412222222222", "2211222222222222",
        "2211111111111111", "2211121122222222", "2222111111111111", "2222111111111111",
    };
    for (int r = 0; r < 16; ++r)
        for (int c = 0; c < 16; ++c) t[static_cast<std::size_t>(r * 16 + c)] = static_cast<std::uint8_t>(rows[r][c] - '0');
    return t;
}();

// The opcodes after which P is computed again: those that write ACC, and
// DIV even when it divides by zero and leaves ACC alone (as s51 has it).
constexpr std::array<bool, 256> WritesAcc = [] {
    std::array<bool, 256> t{};
    for (int op : {0x03, 0x04, 0x13, 0x14, 0x23, 0x33, 0x74, 0x83, 0x84, 0x93, 0xA4, 0xC4, 0xD4, 0xD6, 0xD7, 0xE0, 0xE2,
                   0xE3, 0xE4, 0xF4})
        t[static_cast<std::size_t>(op)] = true;
    for (int row : {0x20, 0x30, 0x40, 0x50, 0x60, 0x90, 0xE0})
        for (int c = 4; c < 16; ++c) t[static_cast<std::size_t>(row + c)] = true;
    for (int c = 5; c < 16; ++c) t[static_cast<std::size_t>(0xC0 + c)] = true;
    return t;
}();

constexpr std::uint8_t Cy = 0x80, Ac = 0x40, Ov = 0x04;
constexpr std::uint8_t TcnIt0 = 0x01, TcnIe0 = 0x02, TcnIt1 = 0x04, TcnIe1 = 0x08;

bool isPort(std::uint8_t address) { return (address & 0xCF) == 0x80; }

}  // namespace

Cpu8051Memory::Cpu8051Memory() = default;

void Cpu8051Memory::loadCode(std::uint16_t address, std::span<const std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) code_[address++] = b;
}

std::string Cpu8051Memory::loadHex(std::string_view text) {
    int number = 0;
    for (std::string_view line : SplitHexLines(text)) {
        ++number;
        line = TrimHexLine(line);
        if (line.empty()) continue;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line[0] != ':' || line.size() % 2 != 1 || line.size() < HexLineLength(0)) return where + "not a record";
        if (!std::all_of(line.begin() + 1, line.end(), [](char c) { return HexDigitValue(c) >= 0; }))
            return where + "not hexadecimal";
        HexRecord r;
        if (DecodeHexLine(line, r, true) != HexLineStatus::Ok || line.size() != HexLineLength(r.count))
            return where + "bad length";
        if (r.sum != 0) return where + "bad checksum";
        if (r.type == hexrecord::EndOfFile) break;
        if (r.type == hexrecord::ExtendedSegment || r.type == hexrecord::ExtendedLinear)
            return where + "address beyond 64 KB";
        if (r.type == hexrecord::Data) loadCode(r.address, std::span(r.data).first(r.count));
    }
    return {};
}

CpuMemories Cpu8051Memory::memories() {
    CpuMemories m{this, idata_, sfr_, this};
    return m;
}

Cpu8051::Cpu8051(CpuMemories memories)
    : code_(memories.code), xdata_(memories.xdata), idata_(memories.idata.data()), sfr_(memories.sfr.data()) {}

void Cpu8051::reset() {
    std::fill_n(sfr_, 128, std::uint8_t{0});
    for (std::uint8_t p : {P0, P1, P2, P3}) setSfr(p, 0xFF);
    setSfr(SP, 0x07);
    pc_ = 0;
    inService_ = 0;
    holdInterrupt_ = false;
    edges_ = {};
    lastP3_ = pins_[3];
}

std::uint8_t Cpu8051::fetch() {
    const std::uint8_t v = code_->code(pc_);
    if (observer_) observer_->cycle({BusCycleKind::Fetch, pc_, v});
    ++pc_;
    return v;
}

std::uint8_t Cpu8051::readDirect(std::uint8_t address) const {
    if (address < 0x80) return idata_[address];
    const std::uint8_t v = sfr_[address & 0x7F];
    return isPort(address) ? static_cast<std::uint8_t>(v & pins_[(address >> 4) & 3]) : v;
}

// Read-modify-write instructions read a port's latch, not its pins.
std::uint8_t Cpu8051::readLatch(std::uint8_t address) const {
    return address < 0x80 ? idata_[address] : sfr_[address & 0x7F];
}

void Cpu8051::writeDirect(std::uint8_t address, std::uint8_t value) {
    if (address < 0x80) {
        idata_[address] = value;
        return;
    }
    sfr_[address & 0x7F] = value;
    if (address == ACC) accWritten_ = true;
    if (address == IE) holdInterrupt_ = true;
}

namespace {
std::uint8_t bitByte(std::uint8_t bit) {
    return bit < 0x80 ? static_cast<std::uint8_t>(0x20 + (bit >> 3)) : static_cast<std::uint8_t>(bit & 0xF8);
}
}  // namespace

bool Cpu8051::readBit(std::uint8_t bit) const { return (readDirect(bitByte(bit)) >> (bit & 7)) & 1; }

void Cpu8051::writeBit(std::uint8_t bit, bool value) {
    const std::uint8_t address = bitByte(bit);
    const auto mask = static_cast<std::uint8_t>(1u << (bit & 7));
    const std::uint8_t old = readLatch(address);
    writeDirect(address, static_cast<std::uint8_t>(value ? old | mask : old & ~mask));
}

void Cpu8051::setParity() {
    pswCell() = static_cast<std::uint8_t>((pswCell() & 0xFE) | (std::popcount(accCell()) & 1));
}

void Cpu8051::setCarry(bool on) { pswCell() = static_cast<std::uint8_t>(on ? pswCell() | Cy : pswCell() & ~Cy); }

void Cpu8051::add(std::uint8_t value, bool withCarry) {
    const unsigned a = accCell(), c = withCarry && carry() ? 1 : 0;
    const unsigned r = a + value + c;
    std::uint8_t f = pswCell() & static_cast<std::uint8_t>(~(Cy | Ac | Ov));
    if (r > 0xFF) f |= Cy;
    if ((a & 0x0F) + (value & 0x0F) + c > 0x0F) f |= Ac;
    if (~(a ^ value) & (a ^ r) & 0x80) f |= Ov;
    pswCell() = f;
    accCell() = static_cast<std::uint8_t>(r);
}

void Cpu8051::subb(std::uint8_t value) {
    const int a = accCell(), c = carry() ? 1 : 0;
    const int r = a - value - c;
    std::uint8_t f = pswCell() & static_cast<std::uint8_t>(~(Cy | Ac | Ov));
    if (r < 0) f |= Cy;
    if ((a & 0x0F) < (value & 0x0F) + c) f |= Ac;
    if ((a ^ value) & (a ^ r) & 0x80) f |= Ov;
    pswCell() = f;
    accCell() = static_cast<std::uint8_t>(r);
}

void Cpu8051::push(std::uint8_t value) {
    const auto sp = static_cast<std::uint8_t>(sfr_[SP & 0x7F] + 1);
    sfr_[SP & 0x7F] = sp;
    idata_[sp] = value;
}

std::uint8_t Cpu8051::pop() {
    const std::uint8_t sp = sfr_[SP & 0x7F];
    sfr_[SP & 0x7F] = static_cast<std::uint8_t>(sp - 1);
    return idata_[sp];
}

std::uint8_t Cpu8051::movxRead(std::uint16_t address) {
    const std::uint8_t v = xdata_->xdata(address);
    if (observer_) observer_->cycle({BusCycleKind::Read, address, v});
    return v;
}

void Cpu8051::movxWrite(std::uint16_t address, std::uint8_t value) {
    xdata_->setXdata(address, value);
    if (observer_) observer_->cycle({BusCycleKind::Write, address, value});
}

std::uint8_t Cpu8051::movc(std::uint16_t address) {
    const std::uint8_t v = code_->code(address);
    if (observer_) observer_->cycle({BusCycleKind::Fetch, address, v});
    return v;
}

unsigned Cpu8051::step() {
    const std::uint8_t opcode = code_->code(pc_);
    if (observer_) observer_->cycle({BusCycleKind::Opcode, pc_, opcode});
    ++pc_;
    holdInterrupt_ = false;
    // The timers count the opcode fetch's cycle before the instruction's
    // reads and writes and its further cycles after them (as s51 has it): a
    // reload of TL0 by a two-cycle MOV has counted one cycle at its end.
    unsigned n = CycleTable[opcode];
    tick(1);
    accWritten_ = WritesAcc[opcode];
    execute(opcode);
    // A write to port 3 makes its edges on INT0/INT1 and T0/T1 at once.
    samplePins(false);
    // P follows ACC whenever ACC is written; a write to PSW sets P as written
    // until then (as s51 has it: the data sheet has P follow ACC always).
    if (accWritten_) setParity();
    if (n > 1) tick(n - 1);
    if (!holdInterrupt_ && acceptInterrupt()) {
        // s51 counts one machine cycle for the acceptance (the data sheet's
        // hardware LCALL takes two).
        tick(1);
        ++n;
    }
    cycles_ += n;
    return n;
}

void Cpu8051::execute(std::uint8_t op) {
    const unsigned r = op & 7;
    const unsigned i = op & 1;
    // The operand of the column: 4 #data, 5 direct, 6/7 @Ri, 8-F Rn (ALU rows).
    auto operand = [&]() -> std::uint8_t {
        switch (op & 0x0F) {
            case 0x04: return fetch();
            case 0x05: return readDirect(fetch());
            case 0x06: case 0x07: return atRi(i);
            default: return rn(r);
        }
    };
    switch (op) {
        case 0x00: case 0xA5: break;  // NOP
        case 0x01: case 0x21: case 0x41: case 0x61: case 0x81: case 0xA1: case 0xC1: case 0xE1: {  // AJMP
            const std::uint8_t lo = fetch();
            pc_ = static_cast<std::uint16_t>((pc_ & 0xF800) | ((op & 0xE0) << 3) | lo);
            break;
        }
        case 0x11: case 0x31: case 0x51: case 0x71: case 0x91: case 0xB1: case 0xD1: case 0xF1: {  // ACALL
            const std::uint8_t lo = fetch();
            push(static_cast<std::uint8_t>(pc_));
            push(static_cast<std::uint8_t>(pc_ >> 8));
            pc_ = static_cast<std::uint16_t>((pc_ & 0xF800) | ((op & 0xE0) << 3) | lo);
            break;
        }
        case 0x02: case 0x12: {  // LJMP, LCALL
            const std::uint8_t hi = fetch();
            const std::uint8_t lo = fetch();
            if (op == 0x12) {
                push(static_cast<std::uint8_t>(pc_));
                push(static_cast<std::uint8_t>(pc_ >> 8));
            }
            pc_ = static_cast<std::uint16_t>(hi << 8 | lo);
            break;
        }
        case 0x22: case 0x32: {  // RET, RETI
            const std::uint8_t hi = pop();
            const std::uint8_t lo = pop();
            pc_ = static_cast<std::uint16_t>(hi << 8 | lo);
            if (op == 0x32) {
                inService_ = (inService_ & 2) ? static_cast<std::uint8_t>(inService_ & 1) : 0;
                holdInterrupt_ = true;
            }
            break;
        }
        case 0x03: accCell() = static_cast<std::uint8_t>(accCell() >> 1 | accCell() << 7); break;  // RR A
        case 0x13: {  // RRC A
            const bool c = accCell() & 1;
            accCell() = static_cast<std::uint8_t>(accCell() >> 1 | (carry() ? 0x80 : 0));
            setCarry(c);
            break;
        }
        case 0x23: accCell() = static_cast<std::uint8_t>(accCell() << 1 | accCell() >> 7); break;  // RL A
        case 0x33: {  // RLC A
            const bool c = accCell() & 0x80;
            accCell() = static_cast<std::uint8_t>(accCell() << 1 | (carry() ? 1 : 0));
            setCarry(c);
            break;
        }
        case 0x04: ++accCell(); break;
        case 0x14: --accCell(); break;
        case 0x05: case 0x15: {  // INC/DEC direct
            const std::uint8_t d = fetch();
            writeDirect(d, static_cast<std::uint8_t>(readLatch(d) + (op == 0x05 ? 1 : -1)));
            break;
        }
        case 0x06: case 0x07: ++atRi(i); break;
        case 0x16: case 0x17: --atRi(i); break;
        case 0x08: case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x0E: case 0x0F: ++rn(r); break;
        case 0x18: case 0x19: case 0x1A: case 0x1B: case 0x1C: case 0x1D: case 0x1E: case 0x1F: --rn(r); break;
        case 0x10: case 0x20: case 0x30: {  // JBC, JB, JNB
            const std::uint8_t bit = fetch();
            const std::uint8_t rel = fetch();
            bool jump;
            if (op == 0x10) {
                // Reads the latch: it writes the bit back.
                jump = (readLatch(bitByte(bit)) >> (bit & 7)) & 1;
                if (jump) writeBit(bit, false);
            } else {
                jump = readBit(bit) == (op == 0x20);
            }
            if (jump) jumpRelative(rel);
            break;
        }
        case 0x40: case 0x50: case 0x60: case 0x70: case 0x80: {  // JC, JNC, JZ, JNZ, SJMP
            const std::uint8_t rel = fetch();
            bool jump = true;
            if (op == 0x40) jump = carry();
            else if (op == 0x50) jump = !carry();
            else if (op == 0x60) jump = accCell() == 0;
            else if (op == 0x70) jump = accCell() != 0;
            if (jump) jumpRelative(rel);
            break;
        }
        case 0x24: case 0x25: case 0x26: case 0x27: case 0x28: case 0x29: case 0x2A: case 0x2B: case 0x2C:
        case 0x2D: case 0x2E: case 0x2F: add(operand(), false); break;
        case 0x34: case 0x35: case 0x36: case 0x37: case 0x38: case 0x39: case 0x3A: case 0x3B: case 0x3C:
        case 0x3D: case 0x3E: case 0x3F: add(operand(), true); break;
        case 0x94: case 0x95: case 0x96: case 0x97: case 0x98: case 0x99: case 0x9A: case 0x9B: case 0x9C:
        case 0x9D: case 0x9E: case 0x9F: subb(operand()); break;
        case 0x44: case 0x45: case 0x46: case 0x47: case 0x48: case 0x49: case 0x4A: case 0x4B: case 0x4C:
        case 0x4D: case 0x4E: case 0x4F: accCell() |= operand(); break;
        case 0x54: case 0x55: case 0x56: case 0x57: case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C:
        case 0x5D: case 0x5E: case 0x5F: accCell() &= operand(); break;
        case 0x64: case 0x65: case 0x66: case 0x67: case 0x68: case 0x69: case 0x6A: case 0x6B: case 0x6C:
        case 0x6D: case 0x6E: case 0x6F: accCell() ^= operand(); break;
        case 0x42: case 0x52: case 0x62: case 0x43: case 0x53: case 0x63: {  // ORL/ANL/XRL direct,A / direct,#data
            const std::uint8_t d = fetch();
            const std::uint8_t v = (op & 1) ? fetch() : accCell();
            std::uint8_t x = readLatch(d);
            if (op < 0x50) x |= v;
            else if (op < 0x60) x &= v;
            else x ^= v;
            writeDirect(d, x);
            break;
        }
        case 0x72: case 0x82: case 0xA0: case 0xB0: {  // ORL C,bit  ANL C,bit  ORL C,/bit  ANL C,/bit
            const bool b = readBit(fetch()) != (op >= 0xA0);
            if (op == 0x72 || op == 0xA0) setCarry(carry() || b);
            else setCarry(carry() && b);
            break;
        }
        case 0x73: pc_ = static_cast<std::uint16_t>(accCell() + dptr()); break;  // JMP @A+DPTR
        case 0x74: accCell() = fetch(); break;
        case 0x75: {
            const std::uint8_t d = fetch();
            writeDirect(d, fetch());
            break;
        }
        case 0x76: case 0x77: atRi(i) = fetch(); break;
        case 0x78: case 0x79: case 0x7A: case 0x7B: case 0x7C: case 0x7D: case 0x7E: case 0x7F: rn(r) = fetch(); break;
        case 0x83: accCell() = movc(static_cast<std::uint16_t>(pc_ + accCell())); break;
        case 0x93: accCell() = movc(static_cast<std::uint16_t>(dptr() + accCell())); break;
        case 0x84: {  // DIV AB
            const std::uint8_t a = accCell(), b = sfr(B);
            std::uint8_t f = pswCell() & static_cast<std::uint8_t>(~(Cy | Ov));
            if (b == 0) {
                f |= Ov;
            } else {
                accCell() = static_cast<std::uint8_t>(a / b);
                sfr_[B & 0x7F] = static_cast<std::uint8_t>(a % b);
            }
            pswCell() = f;
            break;
        }
        case 0xA4: {  // MUL AB
            const unsigned p = unsigned{accCell()} * sfr(B);
            accCell() = static_cast<std::uint8_t>(p);
            sfr_[B & 0x7F] = static_cast<std::uint8_t>(p >> 8);
            pswCell() = static_cast<std::uint8_t>((pswCell() & ~(Cy | Ov)) | (p > 0xFF ? Ov : 0));
            break;
        }
        case 0x85: {  // MOV direct,direct: source first
            const std::uint8_t s = fetch();
            const std::uint8_t d = fetch();
            writeDirect(d, readDirect(s));
            break;
        }
        case 0x86: case 0x87: writeDirect(fetch(), atRi(i)); break;
        case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8E: case 0x8F:
            writeDirect(fetch(), rn(r));
            break;
        case 0x90: {
            const std::uint8_t hi = fetch();
            const std::uint8_t lo = fetch();
            sfr_[DPH & 0x7F] = hi;
            sfr_[DPL & 0x7F] = lo;
            break;
        }
        case 0x92: writeBit(fetch(), carry()); break;
        case 0xA2: setCarry(readBit(fetch())); break;
        case 0xA3: {
            const auto d = static_cast<std::uint16_t>(dptr() + 1);
            sfr_[DPH & 0x7F] = static_cast<std::uint8_t>(d >> 8);
            sfr_[DPL & 0x7F] = static_cast<std::uint8_t>(d);
            break;
        }
        case 0xA6: case 0xA7: atRi(i) = readDirect(fetch()); break;
        case 0xA8: case 0xA9: case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAE: case 0xAF:
            rn(r) = readDirect(fetch());
            break;
        case 0xB2: {
            const std::uint8_t bit = fetch();
            writeBit(bit, !((readLatch(bitByte(bit)) >> (bit & 7)) & 1));
            break;
        }
        case 0xB3: setCarry(!carry()); break;
        case 0xC2: writeBit(fetch(), false); break;
        case 0xC3: setCarry(false); break;
        case 0xD2: writeBit(fetch(), true); break;
        case 0xD3: setCarry(true); break;
        case 0xB4: case 0xB5: case 0xB6: case 0xB7: case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC:
        case 0xBD: case 0xBE: case 0xBF: {  // CJNE
            std::uint8_t left, right;
            if (op == 0xB4) {
                left = accCell();
                right = fetch();
            } else if (op == 0xB5) {
                left = accCell();
                right = readDirect(fetch());
            } else {
                left = op < 0xB8 ? atRi(i) : rn(r);
                right = fetch();
            }
            const std::uint8_t rel = fetch();
            setCarry(left < right);
            if (left != right) jumpRelative(rel);
            break;
        }
        case 0xC0: push(readDirect(fetch())); break;
        case 0xD0: {
            const std::uint8_t d = fetch();
            writeDirect(d, pop());
            break;
        }
        case 0xC4: accCell() = static_cast<std::uint8_t>(accCell() << 4 | accCell() >> 4); break;
        case 0xC5: {
            const std::uint8_t d = fetch();
            const std::uint8_t v = readDirect(d);
            const std::uint8_t a = accCell();
            // ACC first, with its parity, then the byte: XCH A,PSW leaves
            // PSW exactly as exchanged (as s51 has it).
            accCell() = v;
            setParity();
            accWritten_ = false;
            writeDirect(d, a);
            break;
        }
        case 0xC6: case 0xC7: std::swap(accCell(), atRi(i)); break;
        case 0xC8: case 0xC9: case 0xCA: case 0xCB: case 0xCC: case 0xCD: case 0xCE: case 0xCF:
            std::swap(accCell(), rn(r));
            break;
        case 0xD4: {  // DA A
            unsigned a = accCell();
            bool c = carry();
            if ((a & 0x0F) > 9 || (pswCell() & Ac)) {
                a += 6;
                if (a > 0xFF) c = true;
                a &= 0xFF;
            }
            if ((a & 0xF0) > 0x90 || c) {
                a += 0x60;
                if (a > 0xFF) c = true;
            }
            accCell() = static_cast<std::uint8_t>(a);
            setCarry(c);
            break;
        }
        case 0xD5: {  // DJNZ direct,rel
            const std::uint8_t d = fetch();
            const std::uint8_t rel = fetch();
            const auto v = static_cast<std::uint8_t>(readLatch(d) - 1);
            writeDirect(d, v);
            if (v != 0) jumpRelative(rel);
            break;
        }
        case 0xD8: case 0xD9: case 0xDA: case 0xDB: case 0xDC: case 0xDD: case 0xDE: case 0xDF: {
            const std::uint8_t rel = fetch();
            if (--rn(r) != 0) jumpRelative(rel);
            break;
        }
        case 0xD6: case 0xD7: {  // XCHD A,@Ri
            std::uint8_t& m = atRi(i);
            const std::uint8_t a = accCell();
            accCell() = static_cast<std::uint8_t>((a & 0xF0) | (m & 0x0F));
            m = static_cast<std::uint8_t>((m & 0xF0) | (a & 0x0F));
            break;
        }
        case 0xE0: accCell() = movxRead(dptr()); break;
        case 0xE2: case 0xE3: accCell() = movxRead(static_cast<std::uint16_t>(sfr(P2) << 8 | rn(i))); break;
        case 0xF0: movxWrite(dptr(), accCell()); break;
        case 0xF2: case 0xF3: movxWrite(static_cast<std::uint16_t>(sfr(P2) << 8 | rn(i)), accCell()); break;
        case 0xE4: accCell() = 0; break;
        case 0xF4: accCell() = static_cast<std::uint8_t>(~accCell()); break;
        case 0xE5: accCell() = readDirect(fetch()); break;
        case 0xE6: case 0xE7: accCell() = atRi(i); break;
        case 0xE8: case 0xE9: case 0xEA: case 0xEB: case 0xEC: case 0xED: case 0xEE: case 0xEF: accCell() = rn(r); break;
        case 0xF5: writeDirect(fetch(), accCell()); break;
        case 0xF6: case 0xF7: atRi(i) = accCell(); break;
        case 0xF8: case 0xF9: case 0xFA: case 0xFB: case 0xFC: case 0xFD: case 0xFE: case 0xFF: rn(r) = accCell(); break;
        default: break;
    }
}

void Cpu8051::samplePins(bool levels) {
    const auto level = static_cast<std::uint8_t>(sfr_[P3 & 0x7F] & pins_[3]);
    const auto falling = static_cast<std::uint8_t>(lastP3_ & ~level);
    lastP3_ = level;
    std::uint8_t tcon = sfr_[TCON & 0x7F];
    // INT0/INT1 request on a falling edge (ITx 1) or while low (ITx 0). A
    // high pin does not take a level request back, and vectoring clears
    // both kinds (as s51 has it: on the chip a level request follows the
    // pin).
    // Edges count when a write makes them, levels when the clock ticks.
    const auto low = static_cast<std::uint8_t>(levels ? ~level : 0);
    const auto sense = static_cast<std::uint8_t>(((tcon & TcnIt0) ? falling : low) & 0x04) |
                       static_cast<std::uint8_t>(((tcon & TcnIt1) ? falling : low) & 0x08);
    if (sense & 0x04) tcon |= TcnIe0;
    if (sense & 0x08) tcon |= TcnIe1;
    sfr_[TCON & 0x7F] = tcon;
    if (falling & 0x10) ++edges_[0];
    if (falling & 0x20) ++edges_[1];
}

// Counts timer `timer` up by `counts` in its mode; mode 3 of timer 0 is two
// 8-bit timers, TH0 run by TR1 and setting TF1; timer 1 in mode 3 stands.
void Cpu8051::countTimer(unsigned timer, unsigned counts) {
    const unsigned mode = (sfr_[TMOD & 0x7F] >> (timer * 4)) & 3;
    std::uint8_t& tl = sfr_[(timer ? TL1 : TL0) & 0x7F];
    std::uint8_t& th = sfr_[(timer ? TH1 : TH0) & 0x7F];
    // Timer 1 keeps counting while timer 0 in mode 3 owns TF1.
    const bool ownsFlag = timer == 0 || (sfr_[TMOD & 0x7F] & 3) != 3;
    const auto tf = static_cast<std::uint8_t>(!ownsFlag ? 0 : timer ? 0x80 : 0x20);
    std::uint8_t& tcon = sfr_[TCON & 0x7F];
    for (unsigned k = 0; k < counts; ++k) {
        switch (mode) {
            case 0:
                // TL's upper three bits count along until the 13-bit counter
                // wraps, which clears them (as s51 has it).
                if ((++tl & 0x1F) == 0) {
                    tl = 0;
                    if (++th == 0) tcon |= tf;
                }
                break;
            case 1:
                if (++tl == 0 && ++th == 0) tcon |= tf;
                break;
            case 2:
                if (++tl == 0) {
                    tl = th;
                    tcon |= tf;
                }
                break;
            default:
                if (timer == 0 && ++tl == 0) tcon |= tf;
                break;
        }
    }
}

void Cpu8051::tick(unsigned cycles) {
    samplePins(true);
    const std::uint8_t tmod = sfr_[TMOD & 0x7F];
    const std::uint8_t tcon = sfr_[TCON & 0x7F];
    const std::uint8_t level = lastP3_;
    for (unsigned t = 0; t < 2; ++t) {
        const unsigned edges = edges_[t];
        edges_[t] = 0;
        const unsigned bits = (tmod >> (t * 4)) & 0x0F;
        const bool tr = tcon & (t ? 0x40 : 0x10);
        const bool gateOpen = !(bits & 0x08) || (level & (t ? 0x08 : 0x04));
        if (tr && gateOpen) countTimer(t, (bits & 0x04) ? edges : cycles);
    }
    // Timer 0 in mode 3: TH0 counts machine cycles under TR1 and sets TF1.
    if ((tmod & 3) == 3 && (tcon & 0x40)) {
        std::uint8_t& th0 = sfr_[TH0 & 0x7F];
        for (unsigned k = 0; k < cycles; ++k)
            if (++th0 == 0) sfr_[TCON & 0x7F] |= 0x80;
    }
}

bool Cpu8051::acceptInterrupt() {
    const std::uint8_t ie = sfr_[IE & 0x7F];
    if (!(ie & 0x80) || inService_ & 2) return false;
    const std::uint8_t tcon = sfr_[TCON & 0x7F];
    const std::uint8_t scon = sfr_[SCON & 0x7F];
    const std::uint8_t requests = static_cast<std::uint8_t>(
        ((tcon & TcnIe0) ? 0x01 : 0) | ((tcon & 0x20) ? 0x02 : 0) | ((tcon & TcnIe1) ? 0x04 : 0) |
        ((tcon & 0x80) ? 0x08 : 0) | ((scon & 0x03) ? 0x10 : 0));
    const auto pending = static_cast<std::uint8_t>(requests & ie & 0x1F);
    if (!pending) return false;
    // The first request in polling order whose priority lies above the level
    // in service wins, even a low one over a high one behind it (as s51 has
    // it; the data sheet serves high priority first). The high request then
    // interrupts the low routine after its first instruction.
    const std::uint8_t ip = sfr_[IP & 0x7F];
    const auto eligible = static_cast<std::uint8_t>(inService_ ? pending & ip : pending);
    const auto source = static_cast<unsigned>(std::countr_zero(eligible));
    if (source >= 5) return false;
    const bool high = (ip >> source) & 1;
    // Vectoring ends the request, RI and TI excepted.
    std::uint8_t& t = sfr_[TCON & 0x7F];
    constexpr std::array<std::uint8_t, 5> Cleared{TcnIe0, 0x20, TcnIe1, 0x80, 0};
    t &= static_cast<std::uint8_t>(~Cleared[source]);
    inService_ |= high ? 2 : 1;
    push(static_cast<std::uint8_t>(pc_));
    push(static_cast<std::uint8_t>(pc_ >> 8));
    pc_ = Vectors[source];
    return true;
}

}  // namespace tarvex::sim
