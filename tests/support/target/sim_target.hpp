#pragma once
// The driver's target model on the board simulator in the same process, on
// virtual time: emulator object, SFR configuration with its register table,
// banking and memory spaces wired as the host wires them, the other target
// components as recording fakes. Notifications reach the spaces (and the
// banking) synchronously, as the host's dispatcher delivers them.
#include <memory>
#include <string>
#include <vector>

#include "core/format.hpp"
#include "core/register_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {

struct SimTarget : SimBench {
    // A TARVEX-V ("5.1 ") unless the configuration says otherwise; the
    // processor is an 80C51. Boards after the TARVEX-IV send 12-byte frames.
    explicit SimTarget(sim::BoardConfig config = {})
        : SimBench(framed(std::move(config))), options(root.path().string(), "") {
        std::filesystem::copy_file(sourceDir() / "data" / "VokMonitor.txt", root.file("VokMonitor.txt"));
        std::filesystem::copy_file(sourceDir() / "data" / "VokRegs.txt", root.file("VokRegs.txt"));
        options.sfrFile = root.file("VokRegs.txt");
        emu = std::make_unique<TEmulator>(options, clock, settings);
        emu->setSerialPortOpener(sim::SimSerialPort::opener(board, clock));
        sfr = std::make_unique<TSfrConfig>(registers, *emu, options);
        banking = std::make_unique<TBanking>(*emu, notifier);
        spaces = std::make_unique<TEmulSpaces>(*emu, *sfr, registers, notifier, parts);
        spaces->SetBanking(banking.get());
        emu->Download().SetBanking(banking.get());
        banking->SetRegisterTable(&registers);
        parts = recording.parts();
        parts.banking = banking.get();
        emu->SetParts(parts);
        emu->SetSfrConfig(sfr.get());
        emu->SetNotifier(&notifier);
        notifier.onSend = [this](std::uint8_t code, const void* data) {
            spaces->EmulSpeicherNotify(code, data);
            banking->Notify(code, data);
        };
    }
    ~SimTarget() { spaces.reset(); }

    // The whole start up to state 5; then the simulator's log, its counters
    // and the recorded notifications start afresh.
    void start() {
        emu->InitStringEinlesen();
        emu->CheckEpromVersion();
        const std::string name = ChooseFpgaImageName(emu->Generation(), 0, 1, emu->FirmwareCode(),
                                                     [](const std::string&) { return false; })
                                     .name;
        writeBytes(root.file(name + ".bin"),
                   std::vector<std::uint8_t>(emu->Generation() == 0 ? TEmulator::Gen0ImageSize : 32768, 0x00));
        emu->Restart();
        sfr->SetTargetName("80C51");
        sfr->SetOptionNummer(1);
        emu->Startup();
        fresh();
    }
    void fresh() {
        board.clearLog();
        board.resetStats();
        notifier.sent.clear();
    }

    static sim::BoardConfig framed(sim::BoardConfig config) {
        if (sim::FirmwareProfile::of(config.version, config.deviceVersion).generation != 0) config.frameSize = 12;
        return config;
    }

    TEmulSpeicher& space(SpaceKind kind) { return spaces->Space(kind); }

    // The simulator's log, one line a command: its letters apart, then its
    // bytes in hex ("D P FF 12 00"); a data phase in hex only. The polls of
    // the handshake are left out.
    std::vector<std::string> log() const {
        std::vector<std::string> out;
        for (const auto& c : board.log()) {
            if (c.name == "x") continue;
            std::string line;
            std::size_t at = 0;
            const bool letters = !c.name.empty() && c.name.find(' ') == std::string::npos &&
                                 c.bytes.size() >= c.name.size() &&
                                 std::equal(c.name.begin(), c.name.end(), c.bytes.begin());
            if (letters) {
                for (char ch : c.name) line += std::string(line.empty() ? "" : " ") + ch;
                at = c.name.size();
            }
            for (; at < c.bytes.size(); ++at) line += (line.empty() ? "" : " ") + Format("%.2X", c.bytes[at]);
            out.push_back(line);
        }
        return out;
    }

    TempDir root;
    StandaloneTargetOptions options;
    RecordingTargetParts recording;
    TargetParts parts;
    RecordingNotifier notifier;
    TRegisterTabelle registers;
    std::unique_ptr<TEmulator> emu;
    std::unique_ptr<TSfrConfig> sfr;
    std::unique_ptr<TBanking> banking;
    std::unique_ptr<TEmulSpaces> spaces;
};

}  // namespace tarvex::test
