// The disassembler over a whole 64 KiB program, with empty tables and with
// tables as a big program fills them, and the symbol lookups it and the
// dialogs lean on. Targets on the team's machines (release build): 64 KiB in
// under 20 ms empty and under 100 ms with full tables; lookups in
// microseconds.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/line_table.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/disassembler.hpp"

using namespace tarvex;

namespace {

constexpr int kSymbols = 20000;
constexpr int kLines = 20000;

struct Program {
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(0x10000);
    StandardAddressSpaces spaces;
    BufferCodeReader code{image};
    TargetContext ctx;
    TSymboltabelle symbols;
    TZeilennummertabelle lines;
    TRegisterTabelle registers;

    Program() : ctx(MakeContext()), symbols(ctx), lines(symbols, ctx) {
        std::mt19937 random(8051);
        for (auto& b : image) b = static_cast<std::uint8_t>(random());
    }

    TargetContext MakeContext() {
        TargetContext c;
        c.spaces = &spaces;
        c.code = &code;
        return c;
    }

    // Code labels spread over the whole space, data and bit variables, one
    // line every few bytes, and every SFR and SFR bit named.
    void Fill() {
        for (int i = 0; i < kSymbols; ++i) {
            const auto offset = static_cast<std::uint16_t>(i * 3);
            if (i % 10 == 0) {
                symbols.AddSymbol(sspIntData, "v" + std::to_string(i), 0, 0, 240, 1, 19,
                                  UnbankedAdresse(static_cast<std::uint16_t>(i % 0x80)));
            } else if (i % 10 == 1) {
                symbols.AddSymbol(sspBit, "b" + std::to_string(i), 0, 0, 240, 1, 19,
                                  UnbankedAdresse(static_cast<std::uint16_t>(i % 0x80)));
            } else {
                symbols.AddSymbol(sspProgram, "label" + std::to_string(i), 0, 0, 240, 1, 19, UnbankedAdresse(offset));
            }
        }
        for (int i = 0; i < kLines; ++i) {
            lines.AddLine(UnbankedAdresse(static_cast<std::uint16_t>(i * 3 + 1)), i + 1, 1, 0, 0);
        }
        for (int a = 0x80; a < 0x100; ++a) {
            registers.AddRegister("SFR" + std::to_string(a), "", 0, 0, 0, static_cast<std::uint8_t>(a), "");
            registers.AddRegister("BIT" + std::to_string(a), "", 2, static_cast<std::uint8_t>(1u << (a & 7)), 0,
                                  static_cast<std::uint8_t>(a), "");
        }
    }
};

void DisassembleAll(benchmark::State& state, bool full) {
    auto program = std::make_unique<Program>();
    if (full) program->Fill();
    Disassembler dis(&program->symbols, &program->lines, &program->registers, program->ctx);
    for (auto _ : state) {
        std::uint32_t at = 0;
        std::size_t text = 0;
        while (at < 0x10000) {
            const auto d = dis.DisassembleAt(UnbankedAdresse(static_cast<std::uint16_t>(at)), false, false);
            text += d.instruction.size() + d.label.size();
            at += static_cast<std::uint32_t>(d.length);
        }
        benchmark::DoNotOptimize(text);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * 0x10000);
}

void BM_Disassemble64KiBEmptyTables(benchmark::State& state) { DisassembleAll(state, false); }
void BM_Disassemble64KiBFullTables(benchmark::State& state) { DisassembleAll(state, true); }
BENCHMARK(BM_Disassemble64KiBEmptyTables)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Disassemble64KiBFullTables)->Unit(benchmark::kMillisecond);

// 20,000 external-data symbols: a kind without a bitmap, so every lookup is
// a search of the list.
struct Variables {
    TSymboltabelle symbols;
    Variables() {
        for (int i = 0; i < kSymbols; ++i) {
            symbols.AddSymbol(sspExtData, "x" + std::to_string(i), 0, 0, 240, 1, 19,
                              UnbankedAdresse(static_cast<std::uint16_t>(i * 3)));
        }
    }
};

void BM_SymbolByName(benchmark::State& state) {
    Variables v;
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(v.symbols.FindByName("X" + std::to_string(i), sspExtData));
        i = (i + 7919) % kSymbols;
    }
}
BENCHMARK(BM_SymbolByName)->Unit(benchmark::kMicrosecond);

void BM_SymbolByAddressExact(benchmark::State& state) {
    Variables v;
    int i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            v.symbols.FindByAddress(sspExtData, UnbankedAdresse(static_cast<std::uint16_t>(i * 3)), 0));
        i = (i + 7919) % kSymbols;
    }
}
BENCHMARK(BM_SymbolByAddressExact)->Unit(benchmark::kMicrosecond);

void AddressSearch(benchmark::State& state, int mode) {
    Variables v;
    int i = 0;
    for (auto _ : state) {
        // Between two symbols, so that the search has to move.
        const auto at = UnbankedAdresse(static_cast<std::uint16_t>(i * 3 + 1));
        benchmark::DoNotOptimize(v.symbols.FindByAddress(sspExtData, at, mode));
        i = (i + 7919) % kSymbols;
    }
}
void BM_SymbolNextAbove(benchmark::State& state) { AddressSearch(state, 2); }
void BM_SymbolNextBelow(benchmark::State& state) { AddressSearch(state, 3); }
BENCHMARK(BM_SymbolNextAbove)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SymbolNextBelow)->Unit(benchmark::kMicrosecond);

}  // namespace
