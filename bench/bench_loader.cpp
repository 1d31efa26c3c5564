// The program loader's Intel HEX path: (a) a 64 KiB file (4,096 records of
// 16 bytes) parsed and port-rewritten (Convert2) into a counting sink,
// reported in MB/s; (b) the same file loaded through the load command into
// the board simulator in the same process, with the "p" commands and wire
// bytes beside the minimum (8 flushes of 8,192 bytes in blocks of at most
// 250: 264 "p" commands; the protocol alone needs 263) and the loader's CPU
// time as a share of the wire time at 115200 baud (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/host_rig.hpp"
#include "bench/link_traffic.hpp"
#include "core/format.hpp"
#include "host/load_command.hpp"
#include "host/load/loader.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

std::string hex64k() {
    std::string text;
    std::mt19937 random(51);
    for (unsigned at = 0; at < 0x10000; at += 16) {
        unsigned sum = 16 + (at >> 8) + (at & 0xFF);
        text += Format(":10%.4X00", at);
        for (int i = 0; i < 16; ++i) {
            const unsigned b = random() & 0xFF;
            text += Format("%.2X", b);
            sum += b;
        }
        text += Format("%.2X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    }
    return text + ":00000001FF\n";
}

void BM_ParseAndRewrite64K(benchmark::State& state) {
    const std::string text = hex64k();
    std::size_t sunk = 0;
    for (auto _ : state) {
        PortRewriter rewriter(2);
        HexRecord r;
        for (std::string_view line : SplitHexLines(text)) {
            if (DecodeHexLine(line, r, true) != HexLineStatus::Ok || r.type != 0) continue;
            sunk += rewriter.Rewrite(r.data.data(), r.count, true);
        }
        benchmark::DoNotOptimize(sunk);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(text.size()));
}
BENCHMARK(BM_ParseAndRewrite64K)->Unit(benchmark::kMillisecond);

struct Rig : bench::HostRig {
    Rig()
        : HostRig("loader",
                  [](const fs::path& root) { std::ofstream(root / "64k.hex", std::ios::binary) << hex64k(); }) {}
    std::string file() const { return (root() / "64k.hex").string(); }
};

void BM_LoadHex64KIntoTheSimulator(benchmark::State& state) {
    Rig rig;
    TKommandoStruktur r;
    r.code = cmd::Load;
    r.memoryKind = memkind::Program;
    r.fileFormat = fileformat::IntelHex;
    r.options = loadflag::Convert2;
    r.text1 = rig.file();
    std::uint64_t pCommands = 0;
    bench::measureTraffic(state, rig.ok(), rig.board(), 263, [&] { rig.board().clearLog(); }, [&] {
        ExecuteLoadCommand(rig.object().Loader(), rig.object().Notifier(), r);
    });
    for (const auto& c : rig.board().log()) pCommands += c.name == "p" ? 1 : 0;
    state.counters["pCommands"] = static_cast<double>(pCommands);
    state.counters["pMinimum"] = 264;
}
BENCHMARK(BM_LoadHex64KIntoTheSimulator)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
