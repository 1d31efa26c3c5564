// One watch read of nested index expressions, g[g[...g[0][0]...][0]][0],
// at two lengths (4 and 40 levels: 8 times the length): "time_per_char"
// must stay about the same (within 2x), or a level costs more than its
// share.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "core/errors.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/watches.hpp"

namespace {

using namespace tarvex;

// Memories of zeros.
struct ZeroMemory final : IWatchTarget {
    ZeroMemory() {
        for (int k = 0; k < 6; ++k) limits.push_back(std::make_unique<TBasisEmulSpeicher>(static_cast<std::uint8_t>(k)));
    }
    const TBasisEmulSpeicher* Limits(int k) const override { return k >= 0 && k < 6 ? limits[k].get() : nullptr; }
    std::string ReadBlock(int, const TBankAdresse&, std::int32_t n) override {
        return std::string(static_cast<std::size_t>(n), '\0');
    }
    void WriteBlock(int, const TBankAdresse&, std::string_view) override {}
    std::uint8_t ReadSfrByte(std::uint8_t) override { return 0; }
    void WriteSfr(std::uint8_t, std::uint8_t) override {}
    std::string ReadRegisterBank() override { return std::string(8, '\0'); }
    void WriteRegister(int, std::uint8_t) override {}
    std::uint8_t ReadV(std::uint16_t) override { return 0; }
    void WriteV(std::uint16_t, std::uint8_t) override {}
    TBankAdresse PC() const override { return UnbankedAdresse(0x100); }
    void SetPC(const TBankAdresse&) override {}
    void UpdatePellunars() override {}
    int ToolChain() const override { return 6; }
    std::vector<std::unique_ptr<TBasisEmulSpeicher>> limits;
};

std::string nested(int depth) {
    std::string e = "g[0][0]";
    for (int i = 0; i < depth; ++i) e = "g[" + e + "][0]";
    return e;
}

void BM_NestedIndexExpression(benchmark::State& state) {
    TSymboltabelle symbols;
    TRegisterTabelle registers;
    ZeroMemory memory;
    NullNotifier notifier;
    // unsigned char g[3][4] in external data, as SDCC's debug file gives it.
    TSymbol* type = symbols.AddSymbol(sspTypedef, std::string("\3\0\4\0", 4), 2, 0, 3, 12, 34, UnbankedAdresse(0));
    symbols.AddSymbol(sspExtData, "G", 0, 0, 255, static_cast<std::uint32_t>(symbols.TypeIndex(type)), 0,
                      UnbankedAdresse(0x100));
    TWatchTabelle watches(symbols, registers, memory, notifier);
    const std::string expression = nested(static_cast<int>(state.range(0)));
    std::string text;
    for (auto _ : state) {
        auto item = TWatchTabelle::NewItem();
        item->expression = expression;
        try {
            watches.Resolve(*item);
            text = watches.ItemValueText(item.get());
        } catch (const EVokWinError& e) {
            text = e.message();
        }
        benchmark::DoNotOptimize(text);
    }
    state.SetLabel(text.substr(0, 60));
    state.counters["chars"] = static_cast<double>(expression.size());
    state.counters["time_per_char"] = benchmark::Counter(
        static_cast<double>(expression.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_NestedIndexExpression)->Arg(4)->Arg(40)->Unit(benchmark::kMillisecond);

}  // namespace
