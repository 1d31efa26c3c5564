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
#include "emulator/sfr_config.hpp"
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
        root_ = fs::temp_directory_path() / ("tarvex-bench-memory-" + std::to_string(rd()));
        fs::create_directories(root_);
        for (const char* file : {"VokMonitor.txt", "VokRegs.txt"})
            fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / file, root_ / file);
        config_.version = "5.1 ";
        config_.frameSize = 12;
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
        spaces_.reset();
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    Rig(const Rig&) = delete;
    Rig& operator=(const Rig&) = delete;

    bool ok() const { return ok_; }
    TEmulSpaces& spaces() { return *spaces_; }
    TEmulSpeicher& space(SpaceKind kind) { return spaces_->Space(kind); }
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
    bool ok_ = false;
};

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
