// Lookups in the symbol and line-number tables at the sizes of a large
// program: 20,000 symbols, 20,000 line records.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"

namespace {

using namespace tarvex;

constexpr int kCount = 20000;

// 20,000 symbols of one kind at distinct random offsets, added in random
// order as a loader would, with one search in between that sorts the list.
std::vector<std::uint16_t> Fill(TSymboltabelle& t, int kind) {
    std::mt19937 rng(42);
    std::vector<std::uint16_t> offsets(0x10000);
    for (std::uint32_t i = 0; i < offsets.size(); ++i) offsets[i] = static_cast<std::uint16_t>(i);
    std::shuffle(offsets.begin(), offsets.end(), rng);
    offsets.resize(kCount);
    for (int i = 0; i < kCount; ++i)
        t.AddSymbol(kind, "SYM" + std::to_string(i), 0, 0, 240, 1, 19, UnbankedAdresse(offsets[static_cast<std::size_t>(i)]));
    t.FindByAddress(kind, UnbankedAdresse(0), 0);
    return offsets;
}

void BM_SymbolExactByAddress(benchmark::State& state) {
    TSymboltabelle t;
    const std::vector<std::uint16_t> offsets = Fill(t, sspExtData);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.FindByAddress(sspExtData, UnbankedAdresse(offsets[i]), 0));
        i = (i + 7919) % offsets.size();
    }
}
BENCHMARK(BM_SymbolExactByAddress);

void BM_SymbolExactByName(benchmark::State& state) {
    TSymboltabelle t;
    Fill(t, sspExtData);
    std::vector<std::string> names;
    for (int i = 0; i < kCount; i += 97) names.push_back("sym" + std::to_string(i));
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.FindByName(names[i], sspExtData));
        i = (i + 1) % names.size();
    }
}
BENCHMARK(BM_SymbolExactByName);

void BM_SymbolNextAboveAndBelow(benchmark::State& state) {
    TSymboltabelle t;
    Fill(t, static_cast<int>(state.range(0)));
    std::mt19937 rng(7);
    const int mode = static_cast<int>(state.range(1));
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            t.FindByAddress(static_cast<int>(state.range(0)), UnbankedAdresse(static_cast<std::uint16_t>(rng())), mode));
    }
}
// Code symbols (with a bitmap) and external-data symbols (without), modes 2 and 3.
BENCHMARK(BM_SymbolNextAboveAndBelow)->Args({sspProgram, 2})->Args({sspProgram, 3})->Args({sspExtData, 2})->Args({sspExtData, 3});

// An assembler-source save: a label lookup for each target, and an automatic
// label for each unnamed one, among 20,000 code symbols.
void BM_AutomaticLabels(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        TSymboltabelle t;
        std::mt19937 rng(3);
        for (int i = 0; i < kCount; ++i)
            t.AddSymbol(sspProgram, "L" + std::to_string(i), 0, 0, 240, 1, 19,
                        UnbankedAdresse(static_cast<std::uint16_t>(i * 3)));
        state.ResumeTiming();
        for (int i = 0; i < 5000; ++i) {
            const TBankAdresse target = UnbankedAdresse(static_cast<std::uint16_t>(rng()));
            if (t.NameAt(target, sspProgram).empty()) t.AddCounterSymbol(target, sspProgram);
        }
    }
}
BENCHMARK(BM_AutomaticLabels)->Unit(benchmark::kMillisecond);

void FillLines(TSymboltabelle& symbols, TZeilennummertabelle& lines) {
    for (std::uint16_t m = 1; m <= 100; ++m)
        symbols.AddModule("MOD" + std::to_string(m), m, UnbankedAdresse(static_cast<std::uint16_t>((m - 1) * 600)),
                          UnbankedAdresse(static_cast<std::uint16_t>(m * 600 - 1)));
    for (int i = 0; i < kCount; ++i) {
        const std::uint16_t module = static_cast<std::uint16_t>(i / 200 + 1);
        lines.AddLine(UnbankedAdresse(static_cast<std::uint16_t>(i * 3)), i % 200 + 1, 0, 0, module);
    }
}

void BM_LineRecomputeEnds(benchmark::State& state) {
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    FillLines(symbols, lines);
    for (auto _ : state) {
        lines.AddLine(UnbankedAdresse(0xFFF0), 1, 0, 0, 0);  // makes every end stale
        lines.RecomputeEnds();
    }
}
BENCHMARK(BM_LineRecomputeEnds)->Unit(benchmark::kMillisecond);

void BM_LineTextAtAddress(benchmark::State& state) {
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    FillLines(symbols, lines);
    std::mt19937 rng(11);
    for (auto _ : state) benchmark::DoNotOptimize(lines.LineText(UnbankedAdresse(static_cast<std::uint16_t>(rng() % 60000))));
}
BENCHMARK(BM_LineTextAtAddress);

void BM_LineContaining(benchmark::State& state) {
    TSymboltabelle symbols;
    TZeilennummertabelle lines(symbols);
    FillLines(symbols, lines);
    lines.RecomputeEnds();
    std::mt19937 rng(13);
    for (auto _ : state)
        benchmark::DoNotOptimize(lines.FindByAddress(UnbankedAdresse(static_cast<std::uint16_t>(rng() % 60000)), 4));
}
BENCHMARK(BM_LineContaining);

// The trace window's module column: 200 modules of 25 functions each (5,200
// module and function records), looked up at addresses that lie in a module
// but between its functions.
void BM_ModuleAtInGaps(benchmark::State& state) {
    TSymboltabelle t;
    std::vector<std::uint32_t> gaps;
    for (std::uint16_t m = 1; m <= 200; ++m) {
        const std::uint32_t base = (m - 1u) * 320u;
        t.AddModule("MOD" + std::to_string(m), m, UnbankedAdresse(static_cast<std::uint16_t>(base)),
                    UnbankedAdresse(static_cast<std::uint16_t>(base + 319)));
        for (std::uint16_t f = 1; f <= 25; ++f) {
            const std::uint32_t start = base + (f - 1u) * 12u;
            t.AddFunction("F" + std::to_string(m) + "_" + std::to_string(f), m,
                          UnbankedAdresse(static_cast<std::uint16_t>(start)),
                          UnbankedAdresse(static_cast<std::uint16_t>(start + 9)), f);
            gaps.push_back(start + 10);
        }
    }
    std::mt19937 rng(17);
    std::shuffle(gaps.begin(), gaps.end(), rng);
    std::size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(t.FindModuleAt(gaps[i]));
        i = (i + 1) % gaps.size();
    }
}
BENCHMARK(BM_ModuleAtInGaps);

}  // namespace
