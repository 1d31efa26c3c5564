// The select table's transmissions against the board simulator in the same
// process, on virtual time: a started TARVEX-V, banking off. Each operation
// reports its round trips and wire bytes beside the protocol's minimum, the
// time the bytes take at 115200 baud, and the CPU time of the driver and
// the simulator together as a share of that wire time (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/select_table.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

class NoNotifier final : public INotifier {
public:
    void send(std::uint8_t, const void*) override {}
};

struct Rig {
    Rig() : root(fs::temp_directory_path() / ("tarvex-bench-select-" + std::to_string(std::random_device{}()))) {
        fs::create_directories(root);
        fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / "VokMonitor.txt", root / "VokMonitor.txt");
        options = std::make_unique<StandaloneTargetOptions>(root.string(), "");
        options->pod = 1;
        emulator = std::make_unique<TEmulator>(*options, clock, settings);
        emulator->setSerialPortOpener(sim::SimSerialPort::opener(board, clock));
        emulator->InitStringEinlesen();
        emulator->CheckEpromVersion();
        emulator->SetConnectionState(TBasisEmulator::StateReady);
        banking = std::make_unique<TBanking>(*emulator, notifier);
        table = std::make_unique<TSelectTabelle>(
            TSelectWiring{*emulator, *banking, spaces, *options, notifier, nullptr, &symbols, &lines});
        table->InitEmulStart();
    }
    ~Rig() {
        table.reset();
        std::error_code ec;
        fs::remove_all(root, ec);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    fs::path root;
    platform::NullNoticeWindow notice;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui{&boxes, nullptr, &notice};
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    sim::Board board{clock, [] {
                         sim::BoardConfig c;
                         c.version = "5.1 ";
                         return c;
                     }()};
    NoNotifier notifier;
    std::unique_ptr<StandaloneTargetOptions> options;
    std::unique_ptr<TEmulator> emulator;
    std::unique_ptr<TBanking> banking;
    StandardAddressSpaces spaces;
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    std::unique_ptr<TSelectTabelle> table;
};

void measure(benchmark::State& state, Rig& rig, std::uint64_t minimumRoundTrips, std::uint64_t minimumBytes,
             const std::function<void(std::uint64_t)>& prepare, const std::function<void()>& op) {
    sim::Board::Stats stats;
    double cpuSeconds = 0;
    std::uint64_t run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare(run++);
        rig.board.resetStats();
        state.ResumeTiming();
        const std::clock_t t0 = std::clock();
        op();
        cpuSeconds += static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
        stats = rig.board.stats();
    }
    const double wireBytes = static_cast<double>(stats.bytesIn + stats.bytesOut);
    const double wireSeconds = wireBytes * 10.0 / 115200.0;
    const double perRun = state.iterations() ? cpuSeconds / static_cast<double>(state.iterations()) : 0;
    state.counters["roundTrips"] = static_cast<double>(stats.roundTrips);
    state.counters["minimum"] = static_cast<double>(minimumRoundTrips);
    state.counters["wireBytes"] = wireBytes;
    state.counters["minimumBytes"] = static_cast<double>(minimumBytes);
    state.counters["wireMs"] = wireSeconds * 1000.0;
    state.counters["cpuPctOfWire"] = wireSeconds > 0 ? 100.0 * perRun / wireSeconds : 0;
    if (stats.roundTrips != minimumRoundTrips) state.SkipWithError("more round trips than the minimum");
}

// One breakpoint: "K 02" and one "B" out, one byte back.
void BM_AddAddress(benchmark::State& state) {
    Rig rig;
    const TBankAdresse at = UnbankedAdresse(0x1234);
    measure(
        state, rig, 1, 2 + 7 + 1, [&](std::uint64_t) { rig.table->AddAddress(at, false); },
        [&] { rig.table->AddAddress(at, true); });
}
BENCHMARK(BM_AddAddress)->Unit(benchmark::kMicrosecond);

// Register block, trigger counter, break-data and map images dirty, the
// logic probes clean: nothing comes back.
void BM_TransmitBreakTraceRegister(benchmark::State& state) {
    Rig rig;
    TSelectTabelle& t = *rig.table;
    measure(
        state, rig, 0, 18 + 8 + 266 + 8 * 133,
        [&](std::uint64_t run) {
            // Changed while the board is not ready, so that only the flags move.
            rig.emulator->SetConnectionState(TBasisEmulator::StateStarted);
            const bool odd = run % 2 != 0;
            odd ? t.SetRange("10", 18) : t.ClearRange("10", 18);
            odd ? t.SetRange("0000-003F", 22) : t.ClearRange("0000-003F", 22);
            t.SetCounter(10, odd ? 2 : 3);
            t.SetTriggerCounter(odd ? 100 : 200);
            rig.emulator->SetConnectionState(TBasisEmulator::StateReady);
        },
        [&] { t.TransmitBreakTraceRegister(); });
}
BENCHMARK(BM_TransmitBreakTraceRegister)->Unit(benchmark::kMicrosecond);

// 1,000 line addresses 3 bytes apart: one header, 999 distances, the
// terminator and its acknowledgement.
void BM_TransmitLineNumbers(benchmark::State& state) {
    Rig rig;
    for (std::uint16_t i = 0; i < 1000; ++i)
        rig.lines.AddLine(UnbankedAdresse(static_cast<std::uint16_t>(i * 3)), i + 1, 0, 0, 0);
    measure(
        state, rig, 1, 4 + 999 + 1 + 1, [](std::uint64_t) {}, [&] { rig.table->TransmitLineNumbers(); });
}
BENCHMARK(BM_TransmitLineNumbers)->Unit(benchmark::kMicrosecond);

}  // namespace
