#pragma once
// The traffic report of the link benchmarks: each run's round trips and
// wire bytes as the simulated board counted them, the protocol's minimum
// beside them, and the driver's CPU time as a share of the time the bytes
// take on a 115200-baud line.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <ctime>
#include <functional>

#include "sim/board.hpp"

namespace tarvex::bench {

// Runs op per iteration after `prepare`, which is not timed.
inline void measureTraffic(benchmark::State& state, bool ready, sim::Board& board, std::uint64_t minimumRoundTrips,
                           const std::function<void()>& prepare, const std::function<void()>& op) {
    if (!ready) {
        state.SkipWithError("start failed");
        return;
    }
    sim::Board::Stats stats;
    double cpuSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        prepare();
        board.resetStats();
        state.ResumeTiming();
        const std::clock_t t0 = std::clock();
        op();
        cpuSeconds += static_cast<double>(std::clock() - t0) / CLOCKS_PER_SEC;
        stats = board.stats();
    }
    const double wireBytes = static_cast<double>(stats.bytesIn + stats.bytesOut);
    const double wireSeconds = wireBytes * 10.0 / 115200.0;
    const double perRun = state.iterations() ? cpuSeconds / static_cast<double>(state.iterations()) : 0;
    state.counters["roundTrips"] = static_cast<double>(stats.roundTrips);
    state.counters["minimum"] = static_cast<double>(minimumRoundTrips);
    state.counters["wireBytes"] = wireBytes;
    state.counters["wireMs"] = wireSeconds * 1000.0;
    state.counters["cpuPctOfWire"] = wireSeconds > 0 ? 100.0 * perRun / wireSeconds : 0;
}

}  // namespace tarvex::bench
