// The performance measurement's evaluation and a watch's value text against
// the board simulator in the same process, on virtual time. Reported beside
// the round trips and the protocol's minimum: the wire bytes, the time they
// take at 115200 baud and the driver's CPU time as a share of it (goal:
// below 1 %).
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <string>

#include "bench/link_traffic.hpp"
#include "bench/target_rig.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/validator.hpp"
#include "emulator/debug/watches.hpp"

namespace {

using namespace tarvex;

constexpr std::uint16_t Routine = 0x0010, Return = 0x0011;
constexpr std::uint32_t Frames = 1000;

// main: LCALL routine; SJMP main. routine: NOP; RET.
void loadProgram(TEmulator& e) {
    e.Download().ProgLaden(UnbankedAdresse(0x0000), std::string("\x12\x00\x10\x80\xFB", 5));
    e.Download().ProgLaden(UnbankedAdresse(Routine), std::string("\x00\x22", 2));
}

// What the select tables put on the board for a measured range: no break
// channel, OPCODE trace frames at the addresses whose select byte holds the
// trace bit, that bit for every data value.
void traceEntryAndExit(TEmulator& e) {
    constexpr std::uint8_t TraceBit = 0x10;
    const std::uint8_t block[11] = {7, 7, 7, 7, 7, 0, 0, 0, 0, 0, 0};
    for (std::uint16_t i = 0; i < 11; ++i) e.WriteN(static_cast<std::uint16_t>(0x7BF0 + i), block[i]);
    e.WriteN(0x7BFC, 1);
    for (std::uint16_t at = 0; at < 256; at += 128)
        e.WriteMasterBlock(static_cast<std::uint16_t>(0xF200 + at), std::string(128, static_cast<char>(TraceBit)));
    for (std::uint8_t bank = 0; bank < 8; ++bank) {
        e.Download().Fill(BankedAdresse(bank, 0), BankedAdresse(bank, 0x3F), 0);
        for (std::uint16_t at : {Routine, Return})
            e.Download().WriteSelect(BankedAdresse(bank, at), std::string(1, static_cast<char>(TraceBit)));
    }
}

// A loop calls one short routine, the trace records only its entry and exit
// opcodes, and the target halts on the trace overflow after 1,000 frames.
// Walking them reads the trace space's blocks of 16 frames and the running
// time stamp once: 63 + 1 round trips.
void BM_Evaluate1000Frames(benchmark::State& state) {
    bench::TargetRig rig;
    TSymboltabelle symbols;
    TTracePerformance trace(rig.trace());
    TPerformance perf(std::make_unique<TVokWinValidator>(&symbols, nullptr, nullptr, nullptr),
                      TPerformanceWiring{&trace, nullptr, &rig.debug()});
    bool ready = rig.ok();
    if (ready) {
        loadProgram(rig.emulator());
        traceEntryAndExit(rig.emulator());
        rig.trace().SetBreakOnOverflow(true);
        perf.SetMaxFrames(Frames);
        perf.SetTraceModus(1);
        TPerformanceList ranges;
        auto item = std::make_unique<TPerformanceItem>();
        item->Name = "routine";
        item->RangeText = "0010-0011";
        ranges.Items.push_back(std::move(item));
        perf.SetDefinitionen(ranges);
        perf.SetActive(true);
        rig.debug().SetPC(UnbankedAdresse(0x0000));
        rig.debug().Go();
        for (int i = 0; i < 1000 && rig.debug().Poll(); ++i) rig.clock().sleepMs(10);
        ready = !rig.debug().IsRunning() && rig.trace().FrameCount() == Frames;
    }
    std::uint32_t calls = 0;
    bench::measureTraffic(
        state, ready, rig.board(), 64,
        [&] {
            // A fresh halt: no result yet, nothing of the trace cached.
            perf.Notify(notify::TargetHalted, nullptr);
            rig.spaces().EmulSpeicherNotify(notify::TargetHalted, nullptr);
        },
        [&] { calls = perf.GetErgebnis().Find("routine")->Count; });
    state.counters["calls"] = calls;
}
BENCHMARK(BM_Evaluate1000Frames)->Unit(benchmark::kMillisecond);

class NoNotifier final : public INotifier {
public:
    void send(std::uint8_t, const void*) override {}
};

// An external-data array of 64 Int as a watch: its 128 bytes in one read
// after a halt (`cold`), none while the space's cache still holds them.
void valueText(benchmark::State& state, bool cold) {
    bench::TargetRig rig;
    TSymboltabelle symbols;
    DefaultOptionsInfo options;
    TEmulWatchTarget target(rig.spaces(), rig.emulator(), &rig.debug(), &options);
    NoNotifier notifier;
    TWatchTabelle table(symbols, rig.registers(), target, notifier);
    auto item = TWatchTabelle::NewItem();
    item->memoryClass = 3;
    item->requestedType = 4;
    item->requestedCount = 64;
    item->address = UnbankedAdresse(0x0100);
    std::string text;
    bool ready = rig.ok();
    if (ready) {
        table.Resolve(*item);
        text = table.ItemValueText(item.get());
    }
    bench::measureTraffic(
        state, ready, rig.board(), cold ? 1 : 0,
        [&] {
            if (cold) rig.spaces().EmulSpeicherNotify(notify::TargetHalted, nullptr);
        },
        [&] { text = table.ItemValueText(item.get()); });
    state.counters["textBytes"] = static_cast<double>(text.size());
}

void BM_WatchIntArrayAfterAHalt(benchmark::State& state) { valueText(state, true); }
BENCHMARK(BM_WatchIntArrayAfterAHalt)->Unit(benchmark::kMicrosecond);

void BM_WatchIntArrayAgain(benchmark::State& state) { valueText(state, false); }
BENCHMARK(BM_WatchIntArrayAgain)->Unit(benchmark::kMicrosecond);

}  // namespace
