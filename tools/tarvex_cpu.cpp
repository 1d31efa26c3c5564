// Runs an Intel HEX program on the simulator's 8051 core and prints its
// states, for comparing the core with other 8051 simulators
// (tests/e2e/cpu_oracle.py).
//
//   tarvex-cpu [--coverage] [--cycles N] FILE.hex INSTRUCTIONS
//
// Runs INSTRUCTIONS steps, or with --cycles until the first instruction
// boundary at or past N cumulative machine cycles (INSTRUCTIONS then bounds
// the run).
// Code memory reads 0xFF where the file puts nothing; internal RAM and
// external data start at 0. Output, all numbers hex except the cycles:
//   "<cycles> <PC> <ACC> <B> <PSW> <SP> <DPTR> <R0> ... <R7>"
//       one line per instruction boundary, the reset state first; cycles are
//       cumulative machine cycles; an accepted interrupt gives a boundary of
//       its own at its vector
//   "iram <addr> <16 bytes>", "sfr <addr> <16 bytes>", "xram <addr> <16 bytes>"
//       the memories at the end (every SFR address, modelled or not)
//   "coverage <n>" and "missing <opcodes>" with --coverage: how many of the
//       255 defined opcodes were executed, and which were not
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "sim/cpu8051.hpp"

using namespace tarvex::sim;

namespace {

int Usage() {
    std::fprintf(stderr, "usage: tarvex-cpu [--coverage] [--cycles N] FILE.hex INSTRUCTIONS\n");
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

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Loads data records (type 0) into code memory; extended address records
// (types 2 and 4) are refused, the core having 64 KB. Answers an error text,
// empty when the file loaded.
std::string LoadHex(const std::string& path, Cpu8051Memory& memory) {
    std::ifstream in(path);
    if (!in) return "cannot open " + path;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        if (line.empty()) continue;
        std::vector<std::uint8_t> rec;
        if (line[0] != ':' || line.size() % 2 != 1) return path + ":" + std::to_string(number) + ": not a record";
        for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
            const int hi = HexDigit(line[i]), lo = HexDigit(line[i + 1]);
            if (hi < 0 || lo < 0) return path + ":" + std::to_string(number) + ": not hex";
            rec.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
        }
        unsigned sum = 0;
        for (std::uint8_t b : rec) sum += b;
        if (rec.size() < 5 || rec.size() != rec[0] + 5u || (sum & 0xFF) != 0)
            return path + ":" + std::to_string(number) + ": bad length or checksum";
        const auto address = static_cast<std::uint16_t>(rec[1] << 8 | rec[2]);
        if (rec[3] == 1) break;
        if (rec[3] == 0) {
            memory.loadCode(address, std::span<const std::uint8_t>(rec.data() + 4, rec[0]));
        } else if (rec[3] == 2 || rec[3] == 4) {
            return path + ":" + std::to_string(number) + ": addresses beyond 64 KB";
        }
    }
    return {};
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
        }
    }
    if (args.size() != 2) return Usage();
    const std::optional<unsigned long long> count = Number(args[1]);
    if (!count) return Usage();
    Cpu8051Memory memory;
    if (const std::string error = LoadHex(args[0], memory); !error.empty()) {
        std::fprintf(stderr, "tarvex-cpu: %s\n", error.c_str());
        return 1;
    }
    Cpu8051 cpu(memory.memories());
    Coverage seen;
    if (coverage) cpu.setObserver(&seen);
    cpu.reset();
    PrintState(cpu);
    for (unsigned long long n = 0; n < *count && !(untilCycles && cpu.cycles() >= *untilCycles); ++n) {
        cpu.step();
        PrintState(cpu);
    }
    Dump("iram", 0, 256, [&](unsigned a) { return memory.idata()[a]; });
    Dump("sfr", 0x80, 128, [&](unsigned a) { return cpu.sfr(static_cast<std::uint8_t>(a)); });
    Dump("xram", 0, 0x10000, [&](unsigned a) { return memory.xdata(static_cast<std::uint16_t>(a)); });
    if (coverage) {
        unsigned n = 0;
        std::string missing;
        for (unsigned op = 0; op < 256; ++op) {
            if (op == 0xA5) continue;  // undefined
            if (seen.seen[op]) {
                ++n;
            } else {
                char text[4];
                std::snprintf(text, sizeof text, " %02X", op);
                missing += text;
            }
        }
        std::printf("coverage %u\nmissing%s\n", n, missing.c_str());
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}
