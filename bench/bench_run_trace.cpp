// Run control and the trace board against the board simulator in the same
// process, on virtual time: a TARVEX-V ("5.1 ", 12-byte frames) at state 5
// running calls.hex. Each operation reports its round trips and wire bytes
// beside the protocol's minimum, the time the bytes take at 115200 baud, and
// the CPU time of the driver and the simulator together as a share of that
// wire time (goal: below 1 %).
#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "core/register_table.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/monitor_data.hpp"
#include "emulator/run_control.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/trace_board.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "bench/link_traffic.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

// Hands every notification to the spaces, as the host's dispatcher does.
class SpacesNotifier final : public INotifier {
public:
    void send(std::uint8_t code, const void* data) override {
        if (spaces) spaces->EmulSpeicherNotify(code, data);
    }
    TEmulSpaces* spaces = nullptr;
};

// A started target in an installation root of its own.
class Rig {
public:
    Rig() {
        std::random_device rd;
        root_ = fs::temp_directory_path() / ("tarvex-bench-run-" + std::to_string(rd()));
        fs::create_directories(root_);
        for (const char* file : {"VokMonitor.txt", "VokRegs.txt"})
            fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / file, root_ / file);
        config_.version = "5.1 ";
        config_.frameSize = 12;
        config_.monitor = LoadMonitorData((fs::path(TARVEX_SOURCE_DIR) / "data").string(), "");
        board_ = std::make_unique<sim::Board>(clock_, config_);
        options_ = std::make_unique<StandaloneTargetOptions>(root_.string(), "");
        options_->sfrFile = (root_ / "VokRegs.txt").string();
        emu_ = std::make_unique<TEmulator>(*options_, clock_, settings_);
        emu_->setSerialPortOpener(sim::SimSerialPort::opener(*board_, clock_));
        sfr_ = std::make_unique<TSfrConfig>(registers_, *emu_, *options_);
        banking_ = std::make_unique<TBanking>(*emu_, notifier_);
        spaces_ = std::make_unique<TEmulSpaces>(*emu_, *sfr_, registers_, notifier_, parts_);
        notifier_.spaces = spaces_.get();
        spaces_->SetBanking(banking_.get());
        emu_->Download().SetBanking(banking_.get());
        parts_.banking = banking_.get();
        trace_ = std::make_unique<TTracePlatine>(*emu_, notifier_);
        trace_->SetSpaces(spaces_.get());
        trace_->SetBanking(banking_.get());
        debug_ = std::make_unique<TDebug>(*emu_, *sfr_, registers_, notifier_);
        debug_->SetBanking(banking_.get());
        debug_->SetSpaces(spaces_.get());
        debug_->SetTracePlatine(trace_.get());
        parts_.traceBoard = trace_.get();
        parts_.runControl = debug_.get();
        emu_->SetParts(parts_);
        emu_->SetSfrConfig(sfr_.get());
        emu_->SetNotifier(&notifier_);

        emu_->InitStringEinlesen();
        emu_->CheckEpromVersion();
        const std::string name = ChooseFpgaImageName(emu_->Generation(), 0, 1, emu_->FirmwareCode(),
                                                     [](const std::string&) { return false; })
                                     .name;
        std::ofstream image(root_ / (name + ".bin"), std::ios::binary);
        const std::vector<char> bytes(32768, 0);
        image.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        image.close();
        emu_->Restart();
        sfr_->SetTargetName("80C51");
        sfr_->SetOptionNummer(1);
        emu_->Startup();
        ok_ = emu_->ConnectionState() == TBasisEmulator::StateReady;
    }
    ~Rig() {
        parts_ = {};
        emu_->SetParts(parts_);
        debug_.reset();
        trace_.reset();
        spaces_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    bool ok() const { return ok_; }
    TEmulSpaces& spaces() { return *spaces_; }
    TEmulSpeicher& space(SpaceKind kind) { return spaces_->Space(kind); }
    TTracePlatine& trace() { return *trace_; }
    TDebug& debug() { return *debug_; }
    platform::FakeClock& clock() { return clock_; }
    TEmulator& emulator() { return *emu_; }
    const TRegisterTabelle& registers() const { return registers_; }
    sim::Board& board() { return *board_; }

private:
    platform::NullNoticeWindow notice_;
    platform::ScriptedMessageBoxes boxes_;
    platform::ScopedUi ui_{&boxes_, nullptr, &notice_};
    fs::path root_;
    platform::FakeClock clock_;
    platform::MemorySettingsStore settings_;
    sim::BoardConfig config_;
    std::unique_ptr<sim::Board> board_;
    std::unique_ptr<StandaloneTargetOptions> options_;
    TargetParts parts_;
    SpacesNotifier notifier_;
    TRegisterTabelle registers_;
    std::unique_ptr<TEmulator> emu_;
    std::unique_ptr<TSfrConfig> sfr_;
    std::unique_ptr<TBanking> banking_;
    std::unique_ptr<TEmulSpaces> spaces_;
    std::unique_ptr<TTracePlatine> trace_;
    std::unique_ptr<TDebug> debug_;
    bool ok_ = false;
};

void measure(benchmark::State& state, Rig& rig, std::uint64_t minimumRoundTrips, const std::function<void()>& prepare,
             const std::function<void()>& op) {
    bench::measureTraffic(state, rig.ok(), rig.board(), minimumRoundTrips, prepare, op);
}

// calls.hex into emulation memory through the download.
void download(Rig& rig) {
    std::ifstream in(fs::path(TARVEX_SOURCE_DIR) / "examples" / "build" / "calls.hex", std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
        const auto count = static_cast<std::size_t>(std::stoi(line.substr(1, 2), nullptr, 16));
        const auto address = static_cast<std::uint16_t>(std::stoi(line.substr(3, 4), nullptr, 16));
        std::string bytes;
        for (std::size_t i = 0; i < count; ++i)
            bytes += static_cast<char>(std::stoi(line.substr(9 + 2 * i, 2), nullptr, 16));
        rig.emulator().Download().ProgLaden(UnbankedAdresse(address), bytes);
    }
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
