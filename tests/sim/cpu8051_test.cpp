#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "sim/cpu8051.hpp"

namespace tarvex::sim {
namespace {

using C = Cpu8051;

// A core on memories of its own: code from 0, every other byte of code 0xFF.
struct Rig {
    explicit Rig(std::initializer_list<std::uint8_t> code, std::uint16_t at = 0) {
        memory.loadCode(at, std::vector<std::uint8_t>(code));
        cpu.reset();
    }
    void run(unsigned steps) {
        for (unsigned i = 0; i < steps; ++i) cpu.step();
    }
    Cpu8051Memory memory;
    Cpu8051 cpu{memory.memories()};
};

struct FlagCase {
    const char* what;
    std::vector<std::uint8_t> code;
    std::uint8_t a, psw, b;
    unsigned steps;
    std::uint8_t wantA, wantPsw, wantB;
    unsigned wantCycles;
};

// PSW: CY 80, AC 40, OV 04, P 01.
const FlagCase FlagCases[] = {
    {"ADD into OV and AC", {0x24, 0x01}, 0x7F, 0, 0, 1, 0x80, 0x45, 0, 1},
    {"ADD into CY and OV", {0x24, 0x80}, 0x80, 0, 0, 1, 0x00, 0x84, 0, 1},
    {"ADDC carries in and out", {0x34, 0x00}, 0xFF, 0x80, 0, 1, 0x00, 0xC0, 0, 1},
    {"SUBB into OV and AC", {0x94, 0x01}, 0x80, 0, 0, 1, 0x7F, 0x45, 0, 1},
    {"SUBB borrows with OV", {0x94, 0xFF}, 0x7F, 0, 0, 1, 0x80, 0x85, 0, 1},
    {"SUBB borrows the carry in", {0x94, 0x00}, 0x00, 0x80, 0, 1, 0xFF, 0xC0, 0, 1},
    {"DA A carries out", {0x24, 0x01, 0xD4}, 0x99, 0, 0, 2, 0x00, 0x80, 0, 2},
    {"DA A keeps the carry in", {0x24, 0x90, 0xD4}, 0x80, 0, 0, 2, 0x70, 0x85, 0, 2},
    {"DA A after AC (which stays)", {0x24, 0x28, 0xD4}, 0x19, 0, 0, 2, 0x47, 0x40, 0, 2},
    {"MUL overflows", {0xA4}, 0x80, 0x80, 0x02, 1, 0x00, 0x04, 0x01, 4},
    {"DIV", {0x84}, 0xFB, 0x84, 0x12, 1, 0x0D, 0x01, 0x11, 4},
    {"DIV by zero sets OV, leaves A and B, computes P", {0x84}, 0x37, 0x80, 0x00, 1, 0x37, 0x05, 0x00, 4},
    {"RLC through the carry", {0x33}, 0x80, 0x80, 0, 1, 0x01, 0x81, 0, 1},
    {"RRC through the carry", {0x13}, 0x01, 0x00, 0, 1, 0x00, 0x80, 0, 1},
    {"CJNE sets CY when smaller", {0xB4, 0x41, 0x00}, 0x40, 0x01, 0, 1, 0x40, 0x81, 0, 2},
    {"CJNE equal clears CY", {0xB4, 0x40, 0x00}, 0x40, 0x81, 0, 1, 0x40, 0x01, 0, 2},
    {"0xA5 is a one-cycle no-operation", {0xA5}, 0x00, 0, 0, 1, 0x00, 0x00, 0, 1},
    {"a PSW write keeps P until ACC is written", {0x75, 0xD0, 0x00, 0x00, 0xE4}, 0x01, 0x01, 0, 2, 0x01, 0x00, 0, 3},
    {"XCH A,PSW leaves PSW as exchanged", {0xC5, 0xD0}, 0x7E, 0x62, 0, 1, 0x62, 0x7E, 0, 1},
    {"ACC written through its direct address", {0x75, 0xE0, 0x07}, 0x00, 0x00, 0, 1, 0x07, 0x01, 0, 2},
    {"MOV C,bit and ORL C,/bit", {0xA2, 0xE7, 0xA0, 0xE0}, 0x7E, 0x00, 0, 2, 0x7E, 0x80, 0, 3},
};

TEST(Cpu8051, FlagsRegistersAndCycles) {
    for (const FlagCase& t : FlagCases) {
        SCOPED_TRACE(t.what);
        Rig rig({});
        rig.memory.loadCode(0, t.code);
        rig.cpu.setSfr(C::ACC, t.a);
        rig.cpu.setSfr(C::PSW, t.psw);
        rig.cpu.setSfr(C::B, t.b);
        rig.run(t.steps);
        EXPECT_EQ(rig.cpu.acc(), t.wantA);
        EXPECT_EQ(rig.cpu.psw(), t.wantPsw);
        EXPECT_EQ(rig.cpu.b(), t.wantB);
        EXPECT_EQ(rig.cpu.cycles(), t.wantCycles);
    }
}

TEST(Cpu8051, ResetStateAndRegisterBanks) {
    Rig rig({0x75, 0xD0, 0x18, 0x7F, 0x42});  // MOV PSW,#18H; MOV R7,#42H
    rig.memory.idata()[0x40] = 0x99;
    rig.cpu.setPc(0x1234);
    rig.cpu.reset();
    EXPECT_EQ(rig.cpu.pc(), 0);
    EXPECT_EQ(rig.cpu.sp(), 0x07);
    for (std::uint8_t p : {C::P0, C::P1, C::P2, C::P3}) EXPECT_EQ(rig.cpu.sfr(p), 0xFF);
    EXPECT_EQ(rig.cpu.sfr(C::IE), 0);
    EXPECT_EQ(rig.memory.idata()[0x40], 0x99);  // RAM survives a reset
    rig.run(2);
    EXPECT_EQ(rig.memory.idata()[0x1F], 0x42);
    EXPECT_EQ(rig.cpu.reg(7), 0x42);
}

TEST(Cpu8051, PortsReadLatchAndPinsButReadModifyWriteTakesTheLatch) {
    // MOV A,P1; ANL P1,#0F0H; JB P1.0,+0; MOV C,P1.7
    Rig rig({0xE5, 0x90, 0x53, 0x90, 0xF0, 0x20, 0x90, 0x00, 0xA2, 0x97});
    rig.cpu.setPortPins(1, 0x0F);
    rig.run(2);
    EXPECT_EQ(rig.cpu.acc(), 0x0F);
    EXPECT_EQ(rig.cpu.sfr(C::P1), 0xF0);  // not 0x00: the pins are not read back
    rig.run(2);
    EXPECT_FALSE(rig.cpu.psw() & 0x80);   // P1.7 pin low
}

struct TimerCase {
    const char* what;
    std::uint8_t tmod, tcon, th0, tl0, th1, tl1;
    std::uint8_t p3pins;
    unsigned nops;
    std::uint8_t wantTh0, wantTl0, wantTh1, wantTl1, wantTcon;
};

const TimerCase TimerCases[] = {
    {"mode 1 overflows into TF0", 0x01, 0x10, 0xFF, 0xFE, 0, 0, 0xFF, 2, 0x00, 0x00, 0, 0, 0x30},
    {"mode 0 counts TL0 in 5 bits", 0x00, 0x10, 0xFF, 0x1E, 0, 0, 0xFF, 2, 0x00, 0x00, 0, 0, 0x30},
    {"mode 0 carries TL1's upper bits along", 0x00, 0x40, 0, 0, 0x07, 0xE0, 0xFF, 2, 0, 0, 0x07, 0xE2, 0x40},
    {"mode 0 clears them at the wrap", 0x00, 0x10, 0x00, 0x3F, 0, 0, 0xFF, 1, 0x01, 0x00, 0, 0, 0x10},
    {"mode 2 reloads from TH0", 0x02, 0x10, 0x80, 0xFF, 0, 0, 0xFF, 3, 0x80, 0x82, 0, 0, 0x30},
    {"mode 3: TL0 under TR0, TH0 under TR1 into TF1", 0x03, 0x50, 0xFF, 0xFF, 0, 0, 0xFF, 1, 0x00, 0x00, 0, 1, 0xF0},
    {"timer 1 in mode 3 stands", 0x30, 0x40, 0, 0, 0x00, 0x05, 0xFF, 4, 0, 0, 0x00, 0x05, 0x40},
    {"timer 1 runs without TF1 while timer 0 is in mode 3", 0x23, 0x40, 0x10, 0, 0xAA, 0xFF, 0xFF, 1, 0x11, 0x00, 0xAA,
     0xAA, 0x40},
    {"GATE holds the timer while INT0 is low", 0x09, 0x10, 0, 0x10, 0, 0, 0xFB, 3, 0, 0x10, 0, 0, 0x12},
    {"GATE lets it count while INT0 is high", 0x09, 0x10, 0, 0x10, 0, 0, 0xFF, 3, 0, 0x13, 0, 0, 0x10},
    {"stopped timers stand", 0x11, 0x00, 0, 0x10, 0, 0x20, 0xFF, 3, 0, 0x10, 0, 0x20, 0x00},
};

TEST(Cpu8051, TimersInEveryMode) {
    for (const TimerCase& t : TimerCases) {
        SCOPED_TRACE(t.what);
        Rig rig({0x00, 0x00, 0x00, 0x00});
        rig.cpu.setSfr(C::TMOD, t.tmod);
        rig.cpu.setSfr(C::TCON, t.tcon);
        rig.cpu.setSfr(C::TH0, t.th0);
        rig.cpu.setSfr(C::TL0, t.tl0);
        rig.cpu.setSfr(C::TH1, t.th1);
        rig.cpu.setSfr(C::TL1, t.tl1);
        rig.cpu.setPortPins(3, t.p3pins);
        rig.run(t.nops);
        EXPECT_EQ(rig.cpu.sfr(C::TH0), t.wantTh0);
        EXPECT_EQ(rig.cpu.sfr(C::TL0), t.wantTl0);
        EXPECT_EQ(rig.cpu.sfr(C::TH1), t.wantTh1);
        EXPECT_EQ(rig.cpu.sfr(C::TL1), t.wantTl1);
        EXPECT_EQ(rig.cpu.sfr(C::TCON), t.wantTcon);
    }
}

TEST(Cpu8051, CountersCountFallingEdgesOfT0AndT1) {
    Rig rig({0x00, 0x00, 0x00, 0x00, 0x00, 0x00});
    rig.cpu.setSfr(C::TMOD, 0x55);  // both counters, mode 1
    rig.cpu.setSfr(C::TCON, 0x50);
    const std::uint8_t pins[] = {0xEF, 0xEF, 0xFF, 0xCF, 0xFF, 0xDF};  // T0 falls 2x, T1 falls 2x
    for (std::uint8_t p : pins) {
        rig.cpu.setPortPins(3, p);
        rig.cpu.step();
    }
    EXPECT_EQ(rig.cpu.sfr(C::TL0), 2);
    EXPECT_EQ(rig.cpu.sfr(C::TL1), 2);
}

// An interrupt scene: code of NOPs, vectors holding NOPs too.
struct IrqCase {
    const char* what;
    std::uint8_t ie, ip, tcon, scon, p3pins;
    std::uint8_t inService;  // a level already in service
    std::uint16_t wantPc;
    std::uint8_t wantTcon;
    unsigned wantCycles;
};

const IrqCase IrqCases[] = {
    {"timer 0 overflow vectors and clears TF0", 0x82, 0, 0x20, 0, 0xFF, 0, 0x000B, 0x00, 2},
    {"disabled by EA", 0x02, 0, 0x20, 0, 0xFF, 0, 0x0101, 0x20, 1},
    {"polling order: IE0 before TF0", 0x83, 0, 0x23, 0, 0xFF, 0, 0x0003, 0x21, 2},
    {"the first request in polling order wins, even over a high one", 0x89, 0x08, 0x83, 0, 0xFF, 0, 0x0003, 0x81, 2},
    {"serial RI|TI vectors and stays set", 0x90, 0, 0, 0x02, 0xFF, 0, 0x0023, 0x00, 2},
    {"edge IE1 is cleared on vectoring", 0x84, 0, 0x0C, 0, 0xFF, 0, 0x0013, 0x04, 2},
    {"level INT0 follows the pin and stays set", 0x81, 0, 0x00, 0, 0xFB, 0, 0x0003, 0x02, 2},
    {"a level request outlasts the pin rising", 0x81, 0, 0x02, 0, 0xFF, 0, 0x0003, 0x00, 2},
    {"low does not interrupt low", 0x82, 0, 0x20, 0, 0xFF, 1, 0x0101, 0x20, 1},
    {"high interrupts low", 0x82, 0x02, 0x20, 0, 0xFF, 1, 0x000B, 0x00, 2},
    {"high does not interrupt high", 0x82, 0x02, 0x20, 0, 0xFF, 2, 0x0101, 0x20, 1},
};

TEST(Cpu8051, InterruptSourcesPrioritiesAndPolling) {
    for (const IrqCase& t : IrqCases) {
        SCOPED_TRACE(t.what);
        Rig rig({});
        for (std::uint16_t a = 0; a < 0x200; ++a) rig.memory.setCode(a, 0x00);
        // Puts a level in service the way the core does: an accepted
        // interrupt of that priority, its flag then gone.
        if (t.inService) {
            rig.cpu.setSfr(C::IP, t.inService == 2 ? 0x10 : 0);
            rig.cpu.setSfr(C::IE, 0x90);
            rig.cpu.setSfr(C::SCON, 0x01);
            rig.cpu.step();
            rig.cpu.setSfr(C::SCON, 0);
            ASSERT_EQ(rig.cpu.inService(), t.inService);
        }
        rig.cpu.setPc(0x0100);
        rig.cpu.setCycles(0);
        rig.cpu.setSfr(C::SP, 0x30);
        rig.cpu.setSfr(C::IE, t.ie);
        rig.cpu.setSfr(C::IP, t.ip);
        rig.cpu.setSfr(C::TCON, t.tcon);
        rig.cpu.setSfr(C::SCON, t.scon);
        rig.cpu.setPortPins(3, t.p3pins);
        rig.cpu.step();
        EXPECT_EQ(rig.cpu.pc(), t.wantPc);
        EXPECT_EQ(rig.cpu.sfr(C::TCON), t.wantTcon);
        EXPECT_EQ(rig.cpu.cycles(), t.wantCycles);
        if (t.wantPc != 0x0101) {
            EXPECT_EQ(rig.cpu.sp(), 0x32);
            EXPECT_EQ(rig.memory.idata()[0x31], 0x01);  // return address, low byte first
            EXPECT_EQ(rig.memory.idata()[0x32], 0x01);
        }
    }
}

TEST(Cpu8051, OneInstructionRunsAfterAWriteToIe) {
    Rig rig({0x75, 0xA8, 0x82, 0x00, 0x00});  // MOV IE,#82H; NOP
    rig.memory.setCode(0x000B, 0x00);
    rig.cpu.setSfr(C::TCON, 0x20);
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.pc(), 3);
    rig.cpu.step();
    EXPECT_EQ(rig.cpu.pc(), 0x000B);
}

TEST(Cpu8051, RetiEndsTheLevelAndOneInstructionRunsBeforeTheNext) {
    Rig rig({});
    rig.memory.setCode(0x000B, 0x32);  // RETI
    for (std::uint16_t a = 0x100; a < 0x110; ++a) rig.memory.setCode(a, 0x00);
    rig.cpu.setPc(0x0100);
    rig.cpu.setSfr(C::IE, 0x82);
    rig.cpu.setSfr(C::TCON, 0x20);
    rig.cpu.step();  // NOP, then into the vector
    ASSERT_EQ(rig.cpu.pc(), 0x000B);
    rig.cpu.setSfr(C::TCON, 0x20);  // pending again
    rig.cpu.step();                 // RETI: no interrupt at its end
    EXPECT_EQ(rig.cpu.pc(), 0x0101);
    EXPECT_EQ(rig.cpu.inService(), 0);
    rig.cpu.step();  // one NOP, then accepted
    EXPECT_EQ(rig.cpu.pc(), 0x000B);
}

class Recorder final : public BusObserver {
public:
    void cycle(const BusCycle& c) override { cycles.push_back(c); }
    std::vector<BusCycle> cycles;
};

TEST(Cpu8051, BusCyclesReachTheObserver) {
    // MOV DPTR,#0200H; MOVX @DPTR,A; MOVC A,@A+DPTR; MOVX A,@R1; LCALL 0010H
    Rig rig({0x90, 0x02, 0x00, 0xF0, 0x93, 0xE3, 0x12, 0x00, 0x10});
    rig.memory.setCode(0x0205, 0x77);
    rig.memory.setXdata(0xFF03, 0x66);
    rig.memory.idata()[1] = 0x03;  // R1
    rig.cpu.setSfr(C::ACC, 0x05);
    Recorder recorder;
    rig.cpu.setObserver(&recorder);
    rig.run(5);
    using K = BusCycleKind;
    const std::vector<std::tuple<K, std::uint16_t, std::uint8_t>> want{
        {K::Opcode, 0x0000, 0x90}, {K::Fetch, 0x0001, 0x02}, {K::Fetch, 0x0002, 0x00},
        {K::Opcode, 0x0003, 0xF0}, {K::Write, 0x0200, 0x05},
        {K::Opcode, 0x0004, 0x93}, {K::Fetch, 0x0205, 0x77},
        {K::Opcode, 0x0005, 0xE3}, {K::Read, 0xFF03, 0x66},
        {K::Opcode, 0x0006, 0x12}, {K::Fetch, 0x0007, 0x00}, {K::Fetch, 0x0008, 0x10},
        {K::Opcode, 0x0010, 0xFF}};
    ASSERT_EQ(recorder.cycles.size() + 1, want.size());  // the last opcode not yet fetched
    for (std::size_t i = 0; i + 1 < want.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(recorder.cycles[i].kind, std::get<0>(want[i]));
        EXPECT_EQ(recorder.cycles[i].address, std::get<1>(want[i]));
        EXPECT_EQ(recorder.cycles[i].data, std::get<2>(want[i]));
    }
    EXPECT_EQ(rig.memory.xdata(0x0200), 0x05);
    EXPECT_EQ(rig.cpu.acc(), 0x66);
    EXPECT_EQ(rig.cpu.pc(), 0x0010);
    EXPECT_EQ(rig.cpu.cycles(), 2u + 2 + 2 + 2 + 2);
}

TEST(Cpu8051, ProgramCounterAndAddressesWrapAt64K) {
    Rig rig({});
    rig.memory.setCode(0xFFFF, 0x00);
    rig.memory.setCode(0x0000, 0x80);  // SJMP -2
    rig.memory.setCode(0x0001, 0xFE);
    rig.cpu.setPc(0xFFFF);
    rig.run(2);
    EXPECT_EQ(rig.cpu.pc(), 0x0000);
}

}  // namespace
}  // namespace tarvex::sim

namespace tarvex::sim {
namespace {

TEST(Cpu8051Memory, LoadsIntelHexAndNamesTheFaultyLine) {
    const struct {
        const char* text;
        const char* error;
        std::uint8_t first;  // the byte at 0000H afterwards
    } cases[] = {
        {":03000000020800F3\r\n:00000001FF\n", "", 0x02},
        {":03000000020800F3\n:03000300020800F1\n", "line 2: bad checksum", 0x02},
        {":02000004000FEB\n", "line 1: address beyond 64 KB", 0xFF},
        {":0300000002080\n", "line 1: not a record", 0xFF},
        {":03000000020G00F3\n", "line 1: not hexadecimal", 0xFF},
        {":04000000020800F3\n", "line 1: bad length", 0xFF},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        Cpu8051Memory memory;
        EXPECT_EQ(memory.loadHex(c.text), c.error);
        EXPECT_EQ(memory.code(0x0000), c.first);
        EXPECT_EQ(memory.code(0x0003), 0xFF);  // erased memory elsewhere
    }
}

}  // namespace
}  // namespace tarvex::sim
