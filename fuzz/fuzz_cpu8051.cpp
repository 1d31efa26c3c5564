// The simulator's 8051 core on random code, random internal RAM, SFRs and
// port pins: 20,000 instructions without a crash or undefined behaviour,
// every step one to five machine cycles (an instruction and an accepted
// interrupt), the bus cycles' addresses inside 64 KB by their type.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "sim/cpu8051.hpp"

namespace {

class Counter final : public tarvex::sim::BusObserver {
public:
    void cycle(const tarvex::sim::BusCycle& c) override { sum += c.address + c.data; }
    unsigned sum = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex::sim;
    Cpu8051Memory memory;
    std::span<const std::uint8_t> in(data, size);
    auto take = [&](std::span<std::uint8_t> out) {
        const std::size_t n = std::min(out.size(), in.size());
        std::copy_n(in.begin(), n, out.begin());
        in = in.subspan(n);
    };
    take(memory.idata());
    take(memory.sfr());
    std::uint8_t pins[4] = {0xFF, 0xFF, 0xFF, 0xFF};
    take(pins);
    memory.loadCode(0, in.first(std::min<std::size_t>(in.size(), 0x10000)));
    Cpu8051 cpu(memory.memories());
    for (unsigned p = 0; p < 4; ++p) cpu.setPortPins(p, pins[p]);
    Counter counter;
    cpu.setObserver(size % 2 ? &counter : nullptr);
    for (int i = 0; i < 20000; ++i) {
        const std::uint64_t before = cpu.cycles();
        const unsigned n = cpu.step();
        if (n < 1 || n > 5 || cpu.cycles() != before + n) std::abort();
        // Pins that change under the program reach the timers and interrupts.
        if (i % 97 == 0) cpu.setPortPins(3, static_cast<std::uint8_t>(pins[3] ^ i));
    }
    return counter.sum == 0xFFFFFFFFu ? 1 : 0;
}
