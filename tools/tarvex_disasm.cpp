// Prints the disassembler's view of code, for comparing it with other 8051
// disassemblers (tests/e2e/disasm_oracle.py).
//
//   tarvex-disasm [--sfr FILE] --cases FILE
//       each line "PC B0 B1 B2 B3" (hex) decodes one instruction at PC
//   tarvex-disasm [--sfr FILE] --image FILE.bin BASE
//       decodes a binary image loaded at BASE (hex) from its first byte on
//
// Output: one line per instruction, "ADDR HEX INSTRUCTION". The SFR file
// names registers, one per line: "S NAME ADDR" for a byte, "B NAME ADDR" for
// a bit (addresses in hex).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/disassembler.hpp"

using namespace tarvex;

namespace {

int Usage() {
    std::cerr << "usage: tarvex-disasm [--sfr FILE] (--cases FILE | --image FILE BASE)\n";
    return 2;
}

bool LoadSfrs(const std::string& path, TRegisterTabelle& registers) {
    std::ifstream in(path);
    if (!in) return false;
    std::string kind, name;
    unsigned address = 0;
    while (in >> kind >> name >> std::hex >> address) {
        registers.AddRegister(name, "", kind == "B" ? 2 : 0,
                              static_cast<std::uint8_t>(kind == "B" ? 1u << (address & 7) : 0), 0,
                              static_cast<std::uint8_t>(address), "");
    }
    return true;
}

void Print(std::uint16_t pc, const DisassembledInstruction& d) {
    std::printf("%04X %s %s\n", pc, d.hex.c_str(), d.instruction.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    TRegisterTabelle registers;
    std::size_t i = 0;
    if (i + 1 < args.size() && args[i] == "--sfr") {
        if (!LoadSfrs(args[i + 1], registers)) {
            std::cerr << "cannot read " << args[i + 1] << "\n";
            return 1;
        }
        i += 2;
    }
    Disassembler dis(nullptr, nullptr, &registers);
    if (i + 1 < args.size() && args[i] == "--cases") {
        std::ifstream in(args[i + 1]);
        if (!in) return Usage();
        unsigned pc = 0, b0 = 0, b1 = 0, b2 = 0, b3 = 0;
        while (in >> std::hex >> pc >> b0 >> b1 >> b2 >> b3) {
            const auto at = static_cast<std::uint16_t>(pc);
            Print(at, dis.Disassemble(UnbankedAdresse(at), false, false, static_cast<std::uint8_t>(b0),
                                      static_cast<std::uint8_t>(b1), static_cast<std::uint8_t>(b2),
                                      static_cast<std::uint8_t>(b3)));
        }
        return 0;
    }
    if (i + 2 < args.size() && args[i] == "--image") {
        std::ifstream in(args[i + 1], std::ios::binary);
        if (!in) return Usage();
        const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const unsigned base = static_cast<unsigned>(std::stoul(args[i + 2], nullptr, 16));
        std::size_t at = 0;
        while (at < image.size() && base + at <= 0xFFFF) {
            std::uint8_t bytes[4] = {};
            for (std::size_t k = 0; k < 4; ++k) bytes[k] = at + k < image.size() ? image[at + k] : image[at];
            const auto pc = static_cast<std::uint16_t>(base + at);
            const auto d = dis.Disassemble(UnbankedAdresse(pc), false, false, bytes[0], bytes[1], bytes[2], bytes[3]);
            Print(pc, d);
            at += static_cast<std::size_t>(d.length);
        }
        return 0;
    }
    return Usage();
}
