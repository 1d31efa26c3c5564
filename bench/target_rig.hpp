#pragma once
// The started target of the run and trace benchmarks: a TARVEX-V ("5.1 ",
// 12-byte frames) at state 5 on the board simulator in the same process, on
// virtual time, with run control and the trace board wired as the host wires
// them, in an installation root of its own.
#include <filesystem>
#include <fstream>
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
#include "emulator/debug/run_control.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/target_options.hpp"
#include "emulator/debug/trace_board.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"

namespace tarvex::bench {

// Hands every notification to the spaces, as the host's dispatcher does.
class SpacesNotifier final : public INotifier {
public:
    void send(std::uint8_t code, const void* data) override {
        if (spaces) spaces->EmulSpeicherNotify(code, data);
    }
    TEmulSpaces* spaces = nullptr;
};

class TargetRig {
public:
    TargetRig() {
        std::random_device rd;
        root_ = std::filesystem::temp_directory_path() / ("tarvex-bench-run-" + std::to_string(rd()));
        std::filesystem::create_directories(root_);
        for (const char* file : {"VokMonitor.txt", "VokRegs.txt"})
            std::filesystem::copy_file(std::filesystem::path(TARVEX_SOURCE_DIR) / "data" / file, root_ / file);
        config_.version = "5.1 ";
        config_.frameSize = 12;
        config_.monitor = LoadMonitorData((std::filesystem::path(TARVEX_SOURCE_DIR) / "data").string(), "");
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
    ~TargetRig() {
        parts_ = {};
        emu_->SetParts(parts_);
        debug_.reset();
        trace_.reset();
        spaces_.reset();
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    TargetRig(const TargetRig&) = delete;
    TargetRig& operator=(const TargetRig&) = delete;

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
    std::filesystem::path root_;
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

// An Intel HEX file into emulation memory through the download.
inline void downloadHex(TEmulator& emulator, const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (line.size() < 11 || line[0] != ':' || line.substr(7, 2) != "00") continue;
        const auto count = static_cast<std::size_t>(std::stoi(line.substr(1, 2), nullptr, 16));
        const auto address = static_cast<std::uint16_t>(std::stoi(line.substr(3, 4), nullptr, 16));
        std::string bytes;
        for (std::size_t i = 0; i < count; ++i)
            bytes += static_cast<char>(std::stoi(line.substr(9 + 2 * i, 2), nullptr, 16));
        emulator.Download().ProgLaden(UnbankedAdresse(address), bytes);
    }
}

}  // namespace tarvex::bench
