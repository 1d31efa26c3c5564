// The simulator's 8051 core: instructions per second on the example
// programs, bare and with every bus cycle recorded as a 12-byte trace frame
// into a ring of 32,768 frames. Goals in a release build: 20 million
// instructions per second bare, 5 million recording (the items_per_second
// column; the goal counter names the goal in millions).
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/cpu8051.hpp"

using namespace tarvex::sim;

namespace {

constexpr int kInstructions = 100000;

void Load(Cpu8051Memory& memory, const char* program) {
    const std::string path = std::string(TARVEX_SOURCE_DIR) + "/examples/build/" + program + ".hex";
    std::ifstream in(path, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in || !memory.loadHex(text).empty()) throw std::runtime_error("cannot load " + path);
}

// Writes each bus cycle as a trace board records it: status, data, address,
// P1, P3, a 32-bit time stamp, two code bytes.
class FrameRecorder final : public BusObserver {
public:
    explicit FrameRecorder(const Cpu8051& cpu) : cpu_(cpu), frames_(kFrames * 12) {}
    void cycle(const BusCycle& c) override {
        std::uint8_t* f = &frames_[(counter_++ & (kFrames - 1)) * 12];
        const auto stamp = static_cast<std::uint32_t>(cpu_.cycles());
        f[0] = static_cast<std::uint8_t>(0x90 | static_cast<unsigned>(c.kind) << 5);
        f[1] = c.data;
        f[2] = static_cast<std::uint8_t>(c.address >> 8);
        f[3] = static_cast<std::uint8_t>(c.address);
        f[4] = cpu_.sfr(Cpu8051::P1);
        f[5] = cpu_.sfr(Cpu8051::P3);
        f[6] = static_cast<std::uint8_t>(stamp >> 24);
        f[7] = static_cast<std::uint8_t>(stamp >> 16);
        f[8] = static_cast<std::uint8_t>(stamp >> 8);
        f[9] = static_cast<std::uint8_t>(stamp);
        f[10] = f[11] = 0;
    }
    std::uint32_t counter() const { return counter_; }

private:
    static constexpr std::uint32_t kFrames = 32768;
    const Cpu8051& cpu_;
    std::vector<std::uint8_t> frames_;
    std::uint32_t counter_ = 0;
};

void Run(benchmark::State& state, const char* program, bool record) {
    Cpu8051Memory memory;
    Load(memory, program);
    Cpu8051 cpu(memory.memories());
    FrameRecorder recorder(cpu);
    if (record) cpu.setObserver(&recorder);
    for (auto _ : state) {
        // From reset each time: opcodes ends in a self-jump after about 1,700
        // instructions, ports keeps running its timer interrupt.
        cpu.reset();
        for (int i = 0; i < kInstructions; ++i) cpu.step();
        benchmark::DoNotOptimize(cpu.cycles());
    }
    benchmark::DoNotOptimize(recorder.counter());
    state.SetItemsProcessed(state.iterations() * kInstructions);
    state.counters["goal_M_per_s"] = record ? 5 : 20;
}

void BM_Cpu8051_Opcodes(benchmark::State& state) { Run(state, "opcodes", false); }
void BM_Cpu8051_Ports(benchmark::State& state) { Run(state, "ports", false); }
void BM_Cpu8051_OpcodesRecording(benchmark::State& state) { Run(state, "opcodes", true); }
void BM_Cpu8051_PortsRecording(benchmark::State& state) { Run(state, "ports", true); }

}  // namespace

BENCHMARK(BM_Cpu8051_Opcodes);
BENCHMARK(BM_Cpu8051_Ports);
BENCHMARK(BM_Cpu8051_OpcodesRecording);
BENCHMARK(BM_Cpu8051_PortsRecording);
