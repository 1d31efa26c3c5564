// The IDE's operations through the host-interface object against the board
// simulator in the same process, on virtual time: each reports the round
// trips and wire bytes of one run beside the protocol's minimum, the wire
// time at 115200 baud, and the driver's CPU time (simulator included) as a
// share of it (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/agdi_object.hpp"
#include "platform/clock.hpp"
#include "platform/host_window.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "bench/link_traffic.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "sim/standin_root.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

class Rig {
public:
    Rig() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("tarvex-bench-host-" + std::to_string(rd()));
        sim::MakeStandinRoot(root_, fs::path(TARVEX_SOURCE_DIR) / "data");
        sim::BoardConfig config;
        config.frameSize = 12;
        board_ = std::make_unique<sim::Board>(clock_, config);
        DriverEnvironment env;
        env.clock = &clock_;
        env.settings = &settings_;
        env.serialPortOpener = sim::SimSerialPort::opener(*board_, clock_);
        env.root = root_.string();
        object_ = std::make_unique<TAgdiObject>(env);
        sink_.send = [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) -> std::intptr_t { return 0; };
        sink_.post = [](void*, std::uint32_t, std::uintptr_t, std::intptr_t) {};
        object_->AG_Init(0x300 + agdi::code::ItemHostWindow, reinterpret_cast<std::uintptr_t>(&sink_));
        ok_ = object_->AG_Init(agdi::code::Startup, 0) == 0;
    }
    ~Rig() {
        object_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    bool ok() const { return ok_; }
    TAgdiObject& object() { return *object_; }
    sim::Board& board() { return *board_; }

private:
    platform::NullNoticeWindow notice_;
    platform::ScriptedMessageBoxes boxes_;
    platform::ScopedUi ui_{&boxes_, nullptr, &notice_};
    fs::path root_;
    platform::FakeClock clock_;
    platform::MemorySettingsStore settings_;
    std::unique_ptr<sim::Board> board_;
    platform::HostMessageSink sink_{};
    std::unique_ptr<TAgdiObject> object_;
    bool ok_ = false;
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
