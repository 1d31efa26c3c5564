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

// Makes the emulator object, the SFR configuration, the banking and the
// spaces of a rig on the simulator (its `emu`, `sfr`, `banking`, `spaces`,
// with `registers`, `notifier`, `parts` over `recording`) and wires them as
// the host does.
template <class Rig>
void wireTarget(Rig& r, ITargetOptions& options) {
    r.emu = std::make_unique<TEmulator>(options, r.clock, r.settings);
    r.emu->setSerialPortOpener(sim::SimSerialPort::opener(r.board, r.clock));
    r.sfr = std::make_unique<TSfrConfig>(r.registers, *r.emu, options);
    r.banking = std::make_unique<TBanking>(*r.emu, r.notifier);
    r.parts = r.recording.parts();
    r.parts.banking = r.banking.get();
    r.spaces = std::make_unique<TEmulSpaces>(*r.emu, *r.sfr, r.registers, r.notifier, r.parts);
    r.spaces->SetBanking(r.banking.get());
    r.emu->Download().SetBanking(r.banking.get());
    r.banking->SetRegisterTable(&r.registers);
    r.emu->SetParts(r.parts);
    r.emu->SetSfrConfig(r.sfr.get());
    r.emu->SetNotifier(&r.notifier);
    r.notifier.onSend = [&r](std::uint8_t code, const void* data) {
        r.spaces->EmulSpeicherNotify(code, data);
        r.banking->Notify(code, data);
    };
}

// The IAP form (0 to 2) that each generation of firmware shows.
struct IapFormCase {
    const char* version;
    int form;
};
inline constexpr IapFormCase kIapForms[] = {{"4.31", 0}, {"5.1 ", 1}, {"6.0 ", 2}};

// The name of the FPGA image a start loads for the pod and processor family
// on the firmware the emulator read.
inline std::string fpgaImageName(const TEmulator& emu, int pod, int family) {
    return ChooseFpgaImageName(emu.Generation(), pod, family, emu.FirmwareCode(),
                               [](const std::string&) { return false; })
        .name;
}

// The whole start of a wired rig up to state 5 with an 80C51; the FPGA
// images `imageNames(emu)` names, once the firmware is read, stand blank in
// the rig's root.
template <class Rig, class ImageNames>
void startTarget(Rig& r, ImageNames imageNames) {
    r.emu->InitStringEinlesen();
    r.emu->CheckEpromVersion();
    for (const std::string& name : imageNames(*r.emu))
        writeBytes(r.root.file(name + ".bin"),
                   std::vector<std::uint8_t>(r.emu->Generation() == 0 ? TEmulator::Gen0ImageSize : 32768, 0x00));
    r.emu->Restart();
    r.sfr->SetTargetName("80C51");
    r.sfr->SetOptionNummer(1);
    r.emu->Startup();
}

struct SimTarget : SimBench {
    // A TARVEX-V ("5.1 ") unless the configuration says otherwise; the
    // processor is an 80C51. Boards after the TARVEX-IV send 12-byte frames.
    explicit SimTarget(sim::BoardConfig config = {})
        : SimBench(framed(std::move(config))), options(root.path().string(), "") {
        std::filesystem::copy_file(sourceDir() / "data" / "VokMonitor.txt", root.file("VokMonitor.txt"));
        std::filesystem::copy_file(sourceDir() / "data" / "VokRegs.txt", root.file("VokRegs.txt"));
        options.sfrFile = root.file("VokRegs.txt");
        wireTarget(*this, options);
    }
    ~SimTarget() { spaces.reset(); }

    // Reads the board's identity as the start does; `flashBlock1` selects
    // flash block 1 first, as the start does before the IAP forms read it.
    void identify(bool flashBlock1 = false) {
        emu->InitStringEinlesen();
        if (flashBlock1) emu->FlashBlockSwitch(1);
        emu->CheckEpromVersion();
    }

    // The whole start up to state 5; then the simulator's log, its counters
    // and the recorded notifications start afresh.
    void start() {
        startTarget(*this, [](const TEmulator& e) { return std::vector<std::string>{fpgaImageName(e, 0, 1)}; });
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
