// Runs an Intel HEX program on the simulator's 8051 core and prints its
// states, for comparing the core with other 8051 simulators
// (tests/e2e/cpu_oracle.py).
//
//   tarvex-cpu [--coverage] [--cycles N] [--break ADDR]... FILE.hex INSTRUCTIONS
//
// Runs INSTRUCTIONS steps, or with --cycles until the first instruction
// boundary at or past N cumulative machine cycles (INSTRUCTIONS then bounds
// the run). With --break (hex addresses, in the order they are met) the run
// halts as the emulator's breakpoints halt it: at the next boundary, after at
// least one instruction, whose PC is the next address of the list; each halt
// prints "halt" and the memories, and the run ends after the last one
// (tests/e2e/register_oracle.py).
// Code memory reads 0xFF where the file puts nothing; internal RAM and
// external data start at 0. Output, all numbers hex except the cycles:
//   "<cycles> <PC> <ACC> <B> <PSW> <SP> <DPTR> <R0> ... <R7>"
//       one line per instruction boundary, the reset state first; cycles are
//       cumulative machine cycles; an accepted interrupt gives a boundary of
//       its own at its vector
//   "iram <addr> <16 bytes>", "sfr <addr> <16 bytes>", "xram <addr> <16 bytes>"
//       the memories at the end (every SFR address, modelled or not)
//   "halt <cycles> <PC> ..." as a state line, then the memories, at each
//       halt of --break
//   "coverage <n>" and "missing <opcodes>" with --coverage: how many of the
//       255 defined opcodes were executed, and which were not
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "sim/cpu8051.hpp"

using namespace tarvex::sim;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: tarvex-cpu [--coverage] [--cycles N] [--break ADDR]... FILE.hex INSTRUCTIONS\n");
    return 2;
}

std::optional<unsigned long long> Number(const std::string& text) {
    try {
        std::size_t used = 0;
        const unsigned long long n = std::stoull(text, &used);
        if (used == text.size()) return n;
    } catch (const std::exception&) {
    }
    return std::nullopt;
}

void PrintState(const Cpu8051& cpu) {
    std::printf("%llu %04X %02X %02X %02X %02X %04X", static_cast<unsigned long long>(cpu.cycles()), cpu.pc(),
                cpu.acc(), cpu.b(), cpu.psw(), cpu.sp(), cpu.dptr());
    for (unsigned r = 0; r < 8; ++r) std::printf(" %02X", cpu.reg(r));
    std::printf("\n");
}

template <typename Read>
void Dump(const char* name, unsigned from, unsigned count, Read read) {
    for (unsigned a = from; a < from + count; a += 16) {
        std::printf("%s %04X", name, a);
        for (unsigned k = 0; k < 16; ++k) std::printf(" %02X", read(a + k));
        std::printf("\n");
    }
}

class Coverage final : public BusObserver {
public:
    void cycle(const BusCycle& c) override {
        if (c.kind == BusCycleKind::Opcode) seen[c.data] = true;
    }
    std::array<bool, 256> seen{};
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool coverage = false;
    std::optional<unsigned long long> untilCycles;
    std::vector<std::uint16_t> breaks;
    for (bool more = true; more && !args.empty();) {
        more = false;
        if (args[0] == "--coverage") {
            coverage = more = true;
            args.erase(args.begin());
        } else if (args[0] == "--cycles" && args.size() > 1) {
            untilCycles = Number(args[1]);
            if (!untilCycles) return Usage();
            more = true;
            args.erase(args.begin(), args.begin() + 2);
        } else if (args[0] == "--break" && args.size() > 1) {
            std::size_t used = 0;
            unsigned long address = 0x10000;
            try {
                address = std::stoul(args[1], &used, 16);
            } catch (const std::exception&) {
            }
            if (used != args[1].size() || address > 0xFFFF) return Usage();
            breaks.push_back(static_cast<std::uint16_t>(address));
            more = true;
            args.erase(args.begin(), args.begin() + 2);
        }
    }
    if (args.size() != 2) return Usage();
    const std::optional<unsigned long long> count = Number(args[1]);
    if (!count) return Usage();
    Cpu8051Memory memory;
    std::ifstream in(args[0], std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::string error = !in ? std::string("cannot read") : memory.loadHex(text);
    if (!error.empty()) {
        std::fprintf(stderr, "tarvex-cpu: %s: %s\n", args[0].c_str(), error.c_str());
        return 1;
    }
    Cpu8051 cpu(memory.memories());
    Coverage seen;
    if (coverage) cpu.setObserver(&seen);
    cpu.reset();
    const auto dumpMemories = [&](bool xdata) {
        Dump("iram", 0, 256, [&](unsigned a) { return memory.idata()[a]; });
        Dump("sfr", 0x80, 128, [&](unsigned a) { return cpu.sfr(static_cast<std::uint8_t>(a)); });
        if (xdata) Dump("xram", 0, 0x10000, [&](unsigned a) { return memory.xdata(static_cast<std::uint16_t>(a)); });
    };
    if (!breaks.empty()) {
        std::size_t next = 0;
        for (unsigned long long n = 0; n < *count && next < breaks.size(); ++n) {
            cpu.step();
            if (cpu.pc() != breaks[next]) continue;
            std::printf("halt ");
            PrintState(cpu);
            dumpMemories(false);
            ++next;
        }
        if (next < breaks.size()) {
            std::fprintf(stderr, "tarvex-cpu: %04X not reached\n", breaks[next]);
            return 1;
        }
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    PrintState(cpu);
    for (unsigned long long n = 0; n < *count && !(untilCycles && cpu.cycles() >= *untilCycles); ++n) {
        cpu.step();
        PrintState(cpu);
    }
    dumpMemories(true);
    if (coverage) {
        unsigned n = 0;
        std::string missing;
        for (unsigned op = 0; op < 256; ++op) {
            if (op == 0xA5) continue;  // undefined
            if (seen.seen[op]) {
                ++n;
            } else {
                char name[4];
                std::snprintf(name, sizeof name, " %02X", op);
                missing += name;
            }
        }
        std::printf("coverage %u\nmissing%s\n", n, missing.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
