// The pellunar scan of a whole 64 KiB code bank with about 10,000 line
// records, 2,000 routine labels and a port access every few instructions:
// the scan must not walk the tables for every byte.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "core/line_table.hpp"
#include "core/pellunar.hpp"
#include "core/symbol_table.hpp"

namespace {

using namespace tarvex;

// A program of one module and function: instructions drawn in turn from a
// mix of port accesses and ordinary code, a line every seventh byte or so
// (at an instruction start) and a label every 32.
struct Program {
    std::vector<std::uint8_t> code;
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};

    Program() {
        static const std::vector<std::vector<std::uint8_t>> mix = {
            {0xE5, 0x80},              // MOV A,P0
            {0xC2, 0xA3},              // CLR P2.3
            {0x74, 0x12, 0xF5, 0x80},  // MOV A,#12H; MOV P0,A
            {0x00},                    // NOP
            {0x12, 0x34, 0x56},        // LCALL 3456H
            {0x92, 0x81, 0x00},        // MOV P0.1,C; NOP
            {0xF5, 0x80},              // MOV P0,A: cannot be carried out
            {0x85, 0x80, 0x30},        // MOV 30H,P0
            {0xA3},                    // INC DPTR
            {0x75, 0xA0, 0x55},        // MOV P2,#55H
            {0xE5, 0x81},              // MOV A,SP
            {0x20, 0x84, 0x10},        // JB P0.4,rel
        };
        symbols.AddModule("BIG", 1, UnbankedAdresse(0), UnbankedAdresse(0xFFFF));
        symbols.AddFunction("MAIN", 1, UnbankedAdresse(0), UnbankedAdresse(0xFFFF), 1);
        std::size_t k = 0, nextLine = 0, nextLabel = 0;
        int line = 1, label = 0;
        while (code.size() < 0x10000) {
            const auto& ins = mix[k++ % mix.size()];
            if (code.size() + ins.size() > 0x10000) break;
            const auto at = static_cast<std::uint16_t>(code.size());
            if (code.size() >= nextLine) {
                lines.AddLine(UnbankedAdresse(at), line++, 1, 1, 1);
                nextLine = code.size() + 6;
            }
            if (code.size() >= nextLabel) {
                symbols.AddSymbol(sspProgram, "L" + std::to_string(label++), 1, 1, 240, 1, 19, UnbankedAdresse(at));
                nextLabel = code.size() + 32;
            }
            code.insert(code.end(), ins.begin(), ins.end());
        }
        code.resize(0x10000, 0x00);
    }
};

void BM_ScanWholeBank(benchmark::State& state) {
    static Program program;
    TPellunarComp comp;
    comp.SetTables(&program.symbols, &program.lines);
    for (auto _ : state) {
        comp.ClearHooks();
        comp.ScanCode(UnbankedAdresse(0), program.code);
        benchmark::DoNotOptimize(comp.HookCount());
    }
    state.counters["hooks"] = static_cast<double>(comp.HookCount());
    state.counters["lines"] = static_cast<double>(program.lines.Count());
    state.counters["labels"] = static_cast<double>(program.symbols.KindList(sspProgram)->Count());
}
BENCHMARK(BM_ScanWholeBank)->Unit(benchmark::kMillisecond);

// The same code without any tables (a HEX file).
void BM_ScanWholeBankWithoutTables(benchmark::State& state) {
    static Program program;
    TPellunarComp comp;
    for (auto _ : state) {
        comp.ClearHooks();
        comp.ScanCode(UnbankedAdresse(0), program.code);
        benchmark::DoNotOptimize(comp.HookCount());
    }
    state.counters["hooks"] = static_cast<double>(comp.HookCount());
}
BENCHMARK(BM_ScanWholeBankWithoutTables)->Unit(benchmark::kMillisecond);

}  // namespace
