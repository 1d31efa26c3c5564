#pragma once
// The options and the project files on the real target components, the
// board simulator behind the emulator object (not connected unless a test
// starts it), an installation root in a temporary folder.
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "sim/board.hpp"
#include "sim/sim_serial_port.hpp"
#include "tests/support/fake_targets.hpp"
#include "tests/support/target/sim_bench.hpp"
#include "tests/support/target/sim_target.hpp"
#include "tests/support/test_support.hpp"

namespace tarvex::test {

// A component section whose owner has no stream of its own here: a fixed
// list of integers that it records as read.
struct RecordingSection final : TComponent {
    explicit RecordingSection(std::string_view n, std::vector<std::int32_t> v) : name(n), values(std::move(v)) {}
    std::string_view Name() const override { return name; }
    void Notify(std::uint8_t, const void*) override {}
    void WriteProperties(ValueWriter& w) const override {
        for (std::int32_t v : values) w.WriteInteger(v);
    }
    void ReadProperties(ValueReader& r, std::int32_t version) override {
        lastVersion = version;
        for (std::int32_t& v : values) v = r.ReadInteger();
    }
    std::string_view name;
    std::vector<std::int32_t> values;
    std::int32_t lastVersion = -1;
};

inline std::string readText(const std::filesystem::path& p) {
    const auto bytes = readBytes(p.string());
    return std::string(bytes.begin(), bytes.end());
}

struct HostRig : SimBench {
    explicit HostRig(std::string vokRegs = readText(sourceDir() / "data" / "VokRegs.txt")) {
        writeBytes(root.file("VokRegs.txt"), std::vector<std::uint8_t>(vokRegs.begin(), vokRegs.end()));
        std::filesystem::copy_file(sourceDir() / "data" / "VokMonitor.txt", root.file("VokMonitor.txt"));
        OptionsEnvironment env;
        env.root = root.path().string();
        env.registryRoot = "";
        env.arguments = std::vector<std::string>{"ide"};
        env.userDataDir = root.file("user");
        options = std::make_unique<TVokWinOptionen>(settings, env);
        options->SetLogSink([this](std::string_view line) { logLines.emplace_back(line); });
        options->InitialSettings();
        wireTarget(*this, *options);
        options->SetEmulator(emu.get());
        options->SetSfrConfig(sfr.get());
        options->SetSpaces(spaces.get());
        options->SetNotifier(&notifier);
        select = std::make_unique<TSelectTabelle>(
            TSelectWiring{*emu, *banking, *spaces, *options, notifier, nullptr, &symbols, nullptr, &registers,
                          options.get(), spaces.get()});
        options->SetResetExtDataMap([this] {
            select->ResetExtDataMap();
            ++extDataMapResets;
        });
        files = std::make_unique<TProjectFiles>(ProjectComponents{
            options.get(), &symbols, &runControl, [this] { runControl.values = {0}; }, emu.get(), banking.get(),
            &selectTable});
        files->SetProjectDefaults();
        boxes.clear();
        logLines.clear();
        notifier.sent.clear();
    }
    ~HostRig() {
        files.reset();
        select.reset();
        spaces.reset();
    }

    // The whole start up to state 5 on the simulator.
    void start() {
        // Every image a pod or processor change may ask for.
        startTarget(*this, [](const TEmulator& e) {
            std::set<std::string> names;
            for (int pod = 0; pod < PodKennungCount; ++pod)
                for (int family = 0; family < 18; ++family) names.insert(fpgaImageName(e, pod, family));
            return names;
        });
        notifier.sent.clear();
    }

    std::vector<std::string> boxTexts() const {
        std::vector<std::string> out;
        for (const auto& b : boxes.shown()) out.push_back(b.text);
        return out;
    }
    std::uint16_t programMax() { return spaces->Space(SpaceKind::Program).ProgramMaxOffset(); }
    std::uint16_t xdataMax() { return spaces->Space(SpaceKind::ExtData).XdataMaxOffset(); }

    TempDir root;
    RecordingTargetParts recording;
    TargetParts parts;
    RecordingNotifier notifier;
    TRegisterTabelle registers;
    TSymboltabelle symbols;
    RecordingSection runControl{"Debug", {0}};
    RecordingSection selectTable{"SelectTabelle", {7, 300, -5}};
    std::vector<std::string> logLines;
    int extDataMapResets = 0;
    std::unique_ptr<TVokWinOptionen> options;
    std::unique_ptr<TEmulator> emu;
    std::unique_ptr<TSfrConfig> sfr;
    std::unique_ptr<TBanking> banking;
    std::unique_ptr<TEmulSpaces> spaces;
    std::unique_ptr<TSelectTabelle> select;
    std::unique_ptr<TProjectFiles> files;
};

}  // namespace tarvex::test
