// A whole start of the emulator over the serial transport at 115200 baud
// against the board simulator in the same process, on virtual time: a
// TARVEX-V ("5.1 ") without an FPGA image, so the start loads one. The CPU
// time of the run (driver and simulator together, an upper bound of the
// driver's) must stay far below the time the bytes take on the wire.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "emulator/emulator.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

// An installation root of its own: the monitor data and one image.
class ScratchRoot {
public:
    ScratchRoot() {
        std::random_device rd;
        path_ = fs::temp_directory_path() / ("tarvex-bench-start-" + std::to_string(rd()));
        fs::create_directories(path_);
        fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / "VokMonitor.txt", path_ / "VokMonitor.txt");
        std::ofstream image(path_ / "T5b1.bin", std::ios::binary);
        const std::vector<char> bytes(32768, 0x5A);
        image.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    ~ScratchRoot() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    ScratchRoot(const ScratchRoot&) = delete;
    ScratchRoot& operator=(const ScratchRoot&) = delete;
    std::string path() const { return path_.string(); }

private:
    fs::path path_;
};

void BM_Startup(benchmark::State& state) {
    ScratchRoot root;
    platform::NullNoticeWindow notice;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui(&boxes, nullptr, &notice);
    sim::Board::Stats stats;
    for (auto _ : state) {
        platform::FakeClock clock;
        platform::MemorySettingsStore settings;
        sim::BoardConfig config;
        config.version = "5.1 ";
        config.fpgaLoaded = false;
        sim::Board board(clock, config);
        StandaloneTargetOptions options(root.path(), "");
        TEmulator emulator(options, clock, settings);
        emulator.setSerialPortOpener(sim::SimSerialPort::opener(board, clock));
        emulator.SetFpgaName("T5b1");
        emulator.Startup();
        if (emulator.ConnectionState() != TBasisEmulator::StateReady) state.SkipWithError("start failed");
        stats = board.stats();
    }
    const double wireBytes = static_cast<double>(stats.bytesIn + stats.bytesOut);
    state.counters["roundTrips"] = static_cast<double>(stats.roundTrips);
    state.counters["wireBytes"] = wireBytes;
    state.counters["wireMs"] = wireBytes * 10.0 / 115200.0 * 1000.0;
}
BENCHMARK(BM_Startup)->Unit(benchmark::kMillisecond);

}  // namespace
