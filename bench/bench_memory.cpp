// The IDE's memory requests through the memory spaces against the board
// simulator in the same process, on virtual time: a TARVEX-V at state 5,
// target reset, banking off. Each operation runs cold (caches emptied) or
// warm and reports its round trips and wire bytes beside the protocol's
// minimum, the time the bytes take at 115200 baud, and the CPU time of the
// driver and the simulator together as a share of that wire time (goal:
// below 1 %). The counts themselves are asserted by the unit tests; this
// program watches the CPU time.
#include <benchmark/benchmark.h>

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/register_table.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "bench/link_traffic.hpp"
#include "bench/target_rig.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace {

using namespace tarvex;

// The started target the run benchmarks use too.
using Rig = bench::TargetRig;

void measure(benchmark::State& state, Rig& rig, std::uint64_t minimumRoundTrips, const std::function<void()>& prepare,
             const std::function<void()>& op) {
    bench::measureTraffic(state, rig.ok(), rig.board(), minimumRoundTrips, prepare, op);
}

void emptyCaches(Rig& rig) { rig.spaces().EmulSpeicherNotify(notify::AllMemoryChanged, nullptr); }

void BM_ExtData256(benchmark::State& state) {
    Rig rig;
    const bool cold = state.range(0) != 0;
    auto& space = rig.space(SpaceKind::ExtData);
    if (!cold && rig.ok()) space.ReadBlock(UnbankedAdresse(0x4000), 256);
    measure(
        state, rig, cold ? 2 : 0, [&] { if (cold) emptyCaches(rig); },
        [&] { benchmark::DoNotOptimize(space.ReadBlock(UnbankedAdresse(0x4000), 256)); });
}
BENCHMARK(BM_ExtData256)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_Code64(benchmark::State& state) {
    Rig rig;
    const bool cold = state.range(0) != 0;
    auto& space = rig.space(SpaceKind::Program);
    if (!cold && rig.ok()) space.ReadBlock(UnbankedAdresse(0x1234), 64);
    measure(
        state, rig, cold ? 1 : 0, [&] { if (cold) emptyCaches(rig); },
        [&] { benchmark::DoNotOptimize(space.ReadBlock(UnbankedAdresse(0x1234), 64)); });
}
BENCHMARK(BM_Code64)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_IntData128(benchmark::State& state) {
    Rig rig;
    const bool cold = state.range(0) != 0;
    auto& space = rig.space(SpaceKind::IntData);
    if (!cold && rig.ok()) space.ReadBlock(UnbankedAdresse(0), 128);
    measure(
        state, rig, cold ? 1 : 0, [&] { if (cold) emptyCaches(rig); },
        [&] { benchmark::DoNotOptimize(space.ReadBlock(UnbankedAdresse(0), 128)); });
}
BENCHMARK(BM_IntData128)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_RegistersAfterHalt(benchmark::State& state) {
    Rig rig;
    std::string image;
    for (int i = 0; i < rig.registers().SfrCount(); ++i)
        image += static_cast<char>(rig.registers().SfrAddress(i) == 0xD0 ? 0x08 : i);
    auto& sfr = rig.space(SpaceKind::Sfr);
    auto& idata = rig.space(SpaceKind::IntData);
    measure(
        state, rig, 1,
        [&] {
            emptyCaches(rig);
            sfr.SetSfrImage(image);
        },
        [&] {
            benchmark::DoNotOptimize(idata.ReadRegisterBank());
            for (std::uint8_t a : {0x81, 0xD0, 0xF0, 0xE0, 0x82, 0x83}) benchmark::DoNotOptimize(sfr.ReadByte(a));
        });
}
BENCHMARK(BM_RegistersAfterHalt)->Unit(benchmark::kMicrosecond);

void BM_Download64K(benchmark::State& state) {
    Rig rig;
    if (state.range(0) != 0 && rig.ok()) rig.emulator().SetPellunars(true);
    const std::string code(0x10000, '\x00');
    auto& program = rig.space(SpaceKind::Program);
    measure(state, rig, 0, [] {}, [&] { program.WriteProgram(UnbankedAdresse(0), code); });
}
BENCHMARK(BM_Download64K)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
