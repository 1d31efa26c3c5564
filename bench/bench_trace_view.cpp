// The trace engine without the board: an export of a whole trace from an
// in-memory source (lines per second, per display mode), and a cold page of
// rows of the trace list at a random place.
#include <benchmark/benchmark.h>

#include "ui/model/scripted_trace_source.hpp"
#include "ui/model/trace_box.hpp"
#include "ui/model/trace_export.hpp"

namespace {

using namespace tarvex::ui;

void ExportLines(benchmark::State& state) {
    auto source = sampleLoopTrace(32768);
    const auto mode = static_cast<TTraceDarstellung>(state.range(0));
    TraceExport exporter(&source);
    std::uint64_t lines = 0;
    for (auto _ : state) {
        std::size_t bytes = 0;
        lines += exporter.write(mode, 0, 32767, [&](std::string_view line) {
            bytes += line.size();
            return true;
        });
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines), benchmark::Counter::kIsRate);
}
BENCHMARK(ExportLines)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void ColdPage(benchmark::State& state) {
    auto source = sampleLoopTrace(32768);
    TraceBoxModel box(source);
    box.setMode(tdDisassembliert);
    box.setVisibleRows(40);
    std::uint32_t frame = 1;
    const int before = source.calls;
    for (auto _ : state) {
        frame = (frame * 7919u + 4001u) % 32768u;
        box.showFrame(frame);
        benchmark::DoNotOptimize(box.rowCount());
    }
    // Frame and disassembly reads of the source per page of 40 rows.
    state.counters["reads/page"] =
        static_cast<double>(source.calls - before) / static_cast<double>(state.iterations());
}
BENCHMARK(ColdPage)->Unit(benchmark::kMicrosecond);

}  // namespace
