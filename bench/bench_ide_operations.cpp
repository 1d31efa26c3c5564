// The IDE's operations through the host-interface object against the board
// simulator in the same process, on virtual time: each reports the round
// trips and wire bytes of one run beside the protocol's minimum, the wire
// time at 115200 baud, and the driver's CPU time (simulator included) as a
// share of it (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "bench/host_rig.hpp"
#include "bench/link_traffic.hpp"

namespace {

using namespace tarvex;

struct Rig : bench::HostRig {
    Rig() : HostRig("host") {}
};

// Every run starts cold: the caches emptied.
void measure(benchmark::State& state, Rig& rig, std::uint64_t minimumRoundTrips, const std::function<void()>& op) {
    bench::measureTraffic(state, rig.ok(), rig.board(), minimumRoundTrips,
                          [&] { rig.object().SendVokWinMessage(12, nullptr); }, op);
}

void BM_ReadExtData256(benchmark::State& state) {
    Rig rig;
    std::vector<std::uint8_t> buffer(256);
    measure(state, rig, 2, [&] {
        agdi::MemRequest r{0x01000000, 0};
        benchmark::DoNotOptimize(rig.object().AG_MemAcc(1, buffer.data(), &r, 256));
    });
}
BENCHMARK(BM_ReadExtData256)->Unit(benchmark::kMicrosecond);

void BM_ReadCode64(benchmark::State& state) {
    Rig rig;
    std::vector<std::uint8_t> buffer(64);
    measure(state, rig, 1, [&] {
        agdi::MemRequest r{0xFF000100, 0};
        benchmark::DoNotOptimize(rig.object().AG_MemAcc(4, buffer.data(), &r, 64));
    });
}
BENCHMARK(BM_ReadCode64)->Unit(benchmark::kMicrosecond);

void BM_Download64K(benchmark::State& state) {
    Rig rig;
    std::vector<std::uint8_t> image(0x10000, 0x00);
    measure(state, rig, 0, [&] {
        rig.object().AG_Init(0x300 + agdi::code::ItemDownloadOn, 0);
        agdi::MemRequest r{0x00000000, 0};
        benchmark::DoNotOptimize(rig.object().AG_MemAcc(3, image.data(), &r, 0x10000));
        rig.object().AG_Init(0x300 + agdi::code::ItemDownloadOff, 0);
    });
}
BENCHMARK(BM_Download64K)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
