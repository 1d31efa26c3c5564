// The project option file as a damaged, foreign or hand-edited one could be,
// read into the real components with the board not connected: the load
// never raises, and whatever it applied leaves every setting in range.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "core/component.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "fuzz/fuzz_options_root.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"
#include "platform/ui.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

// The run control's section: its option byte.
struct RunControlSection final : TComponent {
    std::string_view Name() const override { return "Debug"; }
    void Notify(std::uint8_t, const void*) override {}
    void WriteProperties(ValueWriter& w) const override { w.WriteInteger(options); }
    void ReadProperties(ValueReader& r, std::int32_t) override { options = r.ReadInteger(); }
    std::int32_t options = 0;
};

struct Rig {
    Rig() : ui(&boxes) {
        dir = fuzz::makeRoot("project");
        options = fuzz::makeOptions(settings, dir);
        emu = std::make_unique<TEmulator>(*options, clock, settings);
        sfr = std::make_unique<TSfrConfig>(registers, *emu, *options);
        banking = std::make_unique<TBanking>(*emu, notifier);
        parts.banking = banking.get();
        spaces = std::make_unique<TEmulSpaces>(*emu, *sfr, registers, notifier, parts);
        spaces->SetBanking(banking.get());
        banking->SetRegisterTable(&registers);
        emu->SetParts(parts);
        emu->SetSfrConfig(sfr.get());
        options->SetEmulator(emu.get());
        options->SetSfrConfig(sfr.get());
        options->SetSpaces(spaces.get());
        files = std::make_unique<TProjectFiles>(ProjectComponents{
            options.get(), &symbols, &runControl, [this] { runControl.options = 0; }, emu.get(), banking.get(),
            nullptr});
    }

    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi ui;
    NullNotifier notifier;
    TargetParts parts;
    TRegisterTabelle registers;
    TSymboltabelle symbols;
    RunControlSection runControl;
    fs::path dir;
    std::unique_ptr<TVokWinOptionen> options;
    std::unique_ptr<TEmulator> emu;
    std::unique_ptr<TSfrConfig> sfr;
    std::unique_ptr<TBanking> banking;
    std::unique_ptr<TEmulSpaces> spaces;
    std::unique_ptr<TProjectFiles> files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    const std::string file = rig.options->GetOptionFileName();
    platform::writeFileAtomically(file, data, size);
    rig.boxes.clear();
    try {
        rig.files->LoadProjectOptions();
    } catch (...) {
        __builtin_trap();
    }
    const int pod = static_cast<int>(rig.options->PodKennung());
    const int compiler = static_cast<int>(rig.options->HochsprachenTyp());
    const int transform = static_cast<int>(rig.symbols.TransformCase());
    if (pod < 0 || pod >= PodKennungCount || compiler < 0 || compiler >= CompilerCount || transform > 2 ||
        rig.options->FindTargetInfo(rig.options->TargetName()) == nullptr)
        __builtin_trap();
    return 0;
}
