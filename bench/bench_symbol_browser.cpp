// The symbol browser over a large program: refilling its list sorted by
// name, and one step of the search as the user types.
#include <benchmark/benchmark.h>

#include <string>

#include "core/symbol_table.hpp"
#include "platform/settings.hpp"
#include "ui/model/symbol_browser.hpp"

namespace {

using namespace tarvex;

struct BigProgram {
    TSymboltabelle symbols;
    BigProgram() {
        for (std::uint16_t m = 1; m <= 50; ++m)
            symbols.AddModule("MODULE" + std::to_string(m), m, UnbankedAdresse(static_cast<std::uint16_t>(m * 0x400)),
                              UnbankedAdresse(static_cast<std::uint16_t>(m * 0x400 + 0x3FF)));
        const int kinds[] = {sspProgram, sspIntData, sspExtData, sspBit};
        for (int i = 0; i < 20000; ++i) {
            const int kind = kinds[i % 4];
            const auto offset = static_cast<std::uint16_t>(kind == sspIntData || kind == sspBit ? i % 0x80 : i);
            symbols.AddSymbol(kind, "SYM" + std::to_string((i * 7919) % 20000) + (i % 3 ? "_LONGER" : ""), 0,
                              static_cast<std::uint16_t>(1 + i % 50), kNoType, 1, symbol_class::None,
                              UnbankedAdresse(offset));
        }
    }
};

BigProgram& program() {
    static BigProgram p;
    return p;
}

void BM_RefillSortedByName(benchmark::State& state) {
    platform::MemorySettingsStore store;
    ui::SymbolBrowserModel model({&program().symbols, nullptr, nullptr, false}, store);
    for (auto _ : state) {
        model.SelectSort(0);
        model.SelectSort(1);
        benchmark::DoNotOptimize(model.EntryCount());
    }
}
BENCHMARK(BM_RefillSortedByName)->Unit(benchmark::kMillisecond);

void BM_SearchStep(benchmark::State& state) {
    platform::MemorySettingsStore store;
    ui::SymbolBrowserModel model({&program().symbols, nullptr, nullptr, false}, store);
    model.SelectSort(static_cast<int>(state.range(0)));
    const std::string typed = "SYM1999";
    std::size_t n = 1;
    for (auto _ : state) {
        model.TypeName(typed.substr(0, n));
        n = n % typed.size() + 1;
        benchmark::DoNotOptimize(model.Selected());
    }
}
BENCHMARK(BM_SearchStep)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
