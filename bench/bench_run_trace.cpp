// Run control and the trace board against the board simulator in the same
// process, on virtual time: a TARVEX-V ("5.1 ", 12-byte frames) at state 5
// running calls.hex. Each operation reports its round trips and wire bytes
// beside the protocol's minimum, the time the bytes take at 115200 baud, and
// the CPU time of the driver and the simulator together as a share of that
// wire time (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <functional>
#include <string>

#include "bench/link_traffic.hpp"
#include "bench/target_rig.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

using Rig = bench::TargetRig;

void measure(benchmark::State& state, Rig& rig, std::uint64_t minimumRoundTrips, const std::function<void()>& prepare,
             const std::function<void()>& op) {
    bench::measureTraffic(state, rig.ok(), rig.board(), minimumRoundTrips, prepare, op);
}

void download(Rig& rig) {
    bench::downloadHex(rig.emulator(), fs::path(TARVEX_SOURCE_DIR) / "examples" / "build" / "calls.hex");
}

// A kind-10 breakpoint on OPCODE cycles at `address`, as the select tables
// put it on the board.
void breakAt(Rig& rig, std::uint16_t address) {
    TEmulator& e = rig.emulator();
    const std::uint8_t block[11] = {5, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0};
    for (std::uint16_t i = 0; i < 11; ++i) e.WriteN(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
    for (std::uint16_t at = 0; at < 256; at += 128)
        e.WriteMasterBlock(static_cast<std::uint16_t>(0xF200 + at), std::string(128, '\x01'));
    for (std::uint8_t bank = 0; bank < 8; ++bank) e.Download().WriteSelect(BankedAdresse(bank, address), "\x01");
}

// "S" out, the status and the register string back.
void BM_SingleStep(benchmark::State& state) {
    Rig rig;
    if (rig.ok()) download(rig);
    measure(
        state, rig, 1, [&] { rig.debug().SetPC(UnbankedAdresse(0x0280)); },
        [&] { rig.debug().SingleStep(); });
}
BENCHMARK(BM_SingleStep)->Unit(benchmark::kMicrosecond);

// 4,096 frames through GetFrame, cold: 256 "n" commands of 16 frames.
void BM_Frames4096(benchmark::State& state) {
    Rig rig;
    auto& trace = rig.trace();
    measure(
        state, rig, 256,
        [&] {
            trace.UpdateTraceBuffer(0x10, 0x00, 0x00);
            rig.spaces().EmulSpeicherNotify(notify::TraceChanged, nullptr);
        },
        [&] {
            for (std::uint32_t i = 0; i < 4096; ++i) benchmark::DoNotOptimize(trace.GetFrame(i).Data);
        });
}
BENCHMARK(BM_Frames4096)->Unit(benchmark::kMillisecond);

// A go from main to g and its halt, polled every 10 ms. "G" has no answer
// of its own and the halt comes on its own: no round trip at all.
void BM_GoToBreakpoint(benchmark::State& state) {
    Rig rig;
    if (rig.ok()) {
        download(rig);
        breakAt(rig, 0x0280);
    }
    measure(
        state, rig, 0, [&] { rig.debug().SetPC(UnbankedAdresse(0x0100)); },
        [&] {
            rig.debug().Go();
            while (rig.debug().Poll()) rig.clock().sleepMs(10);
        });
}
BENCHMARK(BM_GoToBreakpoint)->Unit(benchmark::kMicrosecond);

}  // namespace
