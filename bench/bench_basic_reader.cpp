// Byte-by-byte parsing through the buffered reader, as the object-file
// readers do it, and the word and string reads on top.
#include <benchmark/benchmark.h>

#include "core/basic_filer.hpp"

namespace {

std::vector<std::uint8_t> sample(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>((i * 13) & 0x3F);
    return v;
}

void BM_ReadByte(benchmark::State& state) {
    const auto bytes = sample(1 << 20);
    for (auto _ : state) {
        tarvex::TBasicReader r(std::make_unique<tarvex::platform::MemoryStream>(bytes));
        unsigned sum = 0;
        while (!r.Eof()) sum += r.ReadByte();
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_ReadByte);

void BM_ReadLString(benchmark::State& state) {
    const auto bytes = sample(1 << 20);
    for (auto _ : state) {
        tarvex::TBasicReader r(std::make_unique<tarvex::platform::MemoryStream>(bytes));
        std::size_t total = 0;
        try {
            while (!r.Eof()) total += r.ReadLString().size();
        } catch (const std::exception&) {
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (1 << 20));
}
BENCHMARK(BM_ReadLString);

}  // namespace
