#pragma once
// The target's 8051 core: it executes the program the board holds, one
// instruction per step(), on memories it does not own, so that the board's
// own memories are the CPU's (the code plane of the executing bank, the
// master memory's 256 bytes of internal RAM, the SFR file, external data).
//
// What it models: every defined opcode with its flags, timers 0 and 1 in
// modes 0-3 (timer or counter of falling edges on T0/T1, GATE from INT0/INT1),
// the five interrupt sources of the 8051 with two priority levels, and port
// reads that see the latch AND the pins. There is no UART, no timer 2, no
// idle or power-down mode: those SFRs are plain storage. Timing follows the
// data sheet except where the independent simulator s51 differs, because the
// core is checked against it cycle by cycle (docs/board-protocol.md lists
// each difference).
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::sim {

// Where the core reads its program (the emulation plane of a bank).
class CodeSource {
public:
    virtual ~CodeSource() = default;
    virtual std::uint8_t code(std::uint16_t address) const = 0;
};

// The 64 KB that MOVX reaches.
class ExternalData {
public:
    virtual ~ExternalData() = default;
    virtual std::uint8_t xdata(std::uint16_t address) const = 0;
    virtual void setXdata(std::uint16_t address, std::uint8_t value) = 0;
};

// One bus cycle as the trace board sees it. The values are the cycle kinds
// of a trace record's status byte.
enum class BusCycleKind : std::uint8_t { Opcode = 0, Read = 1, Write = 2, Fetch = 3 };

struct BusCycle {
    BusCycleKind kind;
    std::uint16_t address;
    std::uint8_t data;
};

// Gets every bus cycle: the opcode fetch, one operand fetch per further
// instruction byte, MOVX reads and writes, and a MOVC read as a fetch at the
// code address it reads.
class BusObserver {
public:
    virtual ~BusObserver() = default;
    virtual void cycle(const BusCycle& cycle) = 0;
};

// The memories the core works on; all must outlive it (or be replaced).
struct CpuMemories {
    const CodeSource* code = nullptr;
    std::span<std::uint8_t, 256> idata;
    // Direct addresses 0x80-0xFF at index address - 0x80.
    std::span<std::uint8_t, 128> sfr;
    ExternalData* xdata = nullptr;
};

// Memories of its own, for the tools, the tests, the fuzzer and the
// benchmark: code preset to 0xFF as erased memory reads, the rest 0.
class Cpu8051Memory final : public CodeSource, public ExternalData {
public:
    Cpu8051Memory();
    std::uint8_t code(std::uint16_t address) const override { return code_[address]; }
    std::uint8_t xdata(std::uint16_t address) const override { return xdata_[address]; }
    void setXdata(std::uint16_t address, std::uint8_t value) override { xdata_[address] = value; }
    void setCode(std::uint16_t address, std::uint8_t value) { code_[address] = value; }
    // Copies bytes from `address` on, wrapping at 64 KB.
    void loadCode(std::uint16_t address, std::span<const std::uint8_t> bytes);
    // Loads the data records of an Intel HEX text into code memory. Answers
    // what is wrong ("line 3: bad checksum"), empty when it loaded; records
    // before a faulty line stay loaded. Addresses beyond 64 KB are refused.
    std::string loadHex(std::string_view text);
    std::span<std::uint8_t, 256> idata() { return idata_; }
    std::span<std::uint8_t, 128> sfr() { return sfr_; }
    CpuMemories memories();

private:
    std::vector<std::uint8_t> code_ = std::vector<std::uint8_t>(0x10000, 0xFF);
    std::vector<std::uint8_t> xdata_ = std::vector<std::uint8_t>(0x10000, 0);
    std::array<std::uint8_t, 256> idata_{};
    std::array<std::uint8_t, 128> sfr_{};
};

class Cpu8051 {
public:
    // SFR addresses the core gives a meaning.
    enum Sfr : std::uint8_t {
        P0 = 0x80, SP = 0x81, DPL = 0x82, DPH = 0x83, PCON = 0x87, TCON = 0x88, TMOD = 0x89, TL0 = 0x8A,
        TL1 = 0x8B, TH0 = 0x8C, TH1 = 0x8D, P1 = 0x90, SCON = 0x98, P2 = 0xA0, IE = 0xA8, P3 = 0xB0, IP = 0xB8,
        PSW = 0xD0, ACC = 0xE0, B = 0xF0
    };
    // The interrupt vectors in polling order.
    static constexpr std::array<std::uint16_t, 5> Vectors{0x03, 0x0B, 0x13, 0x1B, 0x23};

    explicit Cpu8051(CpuMemories memories);

    // The board switches the code plane between runs.
    void setCode(const CodeSource* code) { code_ = code; }
    void setObserver(BusObserver* observer) { observer_ = observer; }

    // PC 0, SP 7, P0-P3 0xFF, every other SFR 0; internal RAM, external data
    // and the cycle count stay.
    void reset();
    // One instruction, then, at its boundary, the acceptance of a pending
    // interrupt (the jump to its vector). Answers the machine cycles spent.
    unsigned step();

    std::uint64_t cycles() const { return cycles_; }
    void setCycles(std::uint64_t cycles) { cycles_ = cycles; }
    std::uint16_t pc() const { return pc_; }
    void setPc(std::uint16_t pc) { pc_ = pc; }
    std::uint8_t sfr(std::uint8_t address) const { return sfr_[address & 0x7F]; }
    void setSfr(std::uint8_t address, std::uint8_t value) { sfr_[address & 0x7F] = value; }
    std::uint8_t acc() const { return sfr(ACC); }
    std::uint8_t b() const { return sfr(B); }
    std::uint8_t psw() const { return sfr(PSW); }
    std::uint8_t sp() const { return sfr(SP); }
    std::uint16_t dptr() const { return static_cast<std::uint16_t>(sfr(DPH) << 8 | sfr(DPL)); }
    // R0-R7 of the bank PSW selects.
    std::uint8_t reg(unsigned n) const { return idata_[(sfr(PSW) & 0x18) + (n & 7)]; }

    // What drives the pins of a port from outside (0-3); a pin reads high
    // unless driven low. Port 3 also carries INT0/INT1 (bits 2, 3) and
    // T0/T1 (bits 4, 5); those inputs see the latch AND the pin, as the
    // port's own reads do.
    void setPortPins(unsigned port, std::uint8_t value) { pins_[port & 3] = value; }
    std::uint8_t portPins(unsigned port) const { return pins_[port & 3]; }

    // Priority levels in service: bit 0 low, bit 1 high (RETI ends the higher).
    std::uint8_t inService() const { return inService_; }

private:
    std::uint8_t fetch();
    std::uint8_t readDirect(std::uint8_t address) const;
    std::uint8_t readLatch(std::uint8_t address) const;
    void writeDirect(std::uint8_t address, std::uint8_t value);
    bool readBit(std::uint8_t bit) const;
    void writeBit(std::uint8_t bit, bool value);
    std::uint8_t& accCell() { return sfr_[ACC & 0x7F]; }
    std::uint8_t& pswCell() { return sfr_[PSW & 0x7F]; }
    std::uint8_t& rn(unsigned n) { return idata_[(sfr_[PSW & 0x7F] & 0x18) + n]; }
    std::uint8_t& atRi(unsigned i) { return idata_[rn(i)]; }
    void setCarry(bool on);
    void setParity();
    bool carry() const { return (sfr_[PSW & 0x7F] & 0x80) != 0; }
    void add(std::uint8_t value, bool withCarry);
    void subb(std::uint8_t value);
    void push(std::uint8_t value);
    std::uint8_t pop();
    void jumpRelative(std::uint8_t offset) { pc_ = static_cast<std::uint16_t>(pc_ + static_cast<std::int8_t>(offset)); }
    std::uint8_t movxRead(std::uint16_t address);
    void movxWrite(std::uint16_t address, std::uint8_t value);
    std::uint8_t movc(std::uint16_t address);
    void execute(std::uint8_t opcode);
    void tick(unsigned cycles);
    void countTimer(unsigned timer, unsigned counts);
    void samplePins(bool levels);
    bool acceptInterrupt();

    const CodeSource* code_;
    ExternalData* xdata_;
    std::uint8_t* idata_;
    std::uint8_t* sfr_;
    BusObserver* observer_ = nullptr;
    std::uint16_t pc_ = 0;
    std::uint64_t cycles_ = 0;
    std::array<std::uint8_t, 4> pins_{0xFF, 0xFF, 0xFF, 0xFF};
    // Port 3's input levels at the last sampling, for edge detection.
    std::uint8_t lastP3_ = 0xFF;
    // Falling edges on T0/T1 since the timers last counted.
    std::array<unsigned, 2> edges_{};
    std::uint8_t inService_ = 0;
    // After RETI or a write to IE the next instruction runs before any
    // interrupt is accepted (the data sheet says the same of IP; s51 not).
    bool holdInterrupt_ = false;
    // The instruction running wrote ACC (so P is computed again).
    bool accWritten_ = false;
};

}  // namespace tarvex::sim
