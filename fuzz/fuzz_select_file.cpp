// The select file as a damaged, foreign or hand-edited one could be, read
// into the offline select table: the framing, the version checks, the
// table's section and the trailing command record. Only the file's own
// refusal may leave the load.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "fuzz/fuzz_options_root.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/clock.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

struct Rig {
    Rig() {
        dir = fuzz::makeRoot("select");
        options = fuzz::makeOptions(settings, dir);
        options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
        options->SetOptionBit(TBasisOptionen::MapSaveBit, true);
        emulator = std::make_unique<TEmulator>(*options, clock, settings);
        banking = std::make_unique<TBanking>(*emulator, notifier);
        table = std::make_unique<TKdoSelectTabelle>(
            TSelectWiring{*emulator, *banking, spaces, *options, notifier, nullptr, &symbols, &lines, nullptr,
                          options.get(), nullptr});
        files = std::make_unique<TProjectFiles>(
            ProjectComponents{options.get(), nullptr, nullptr, {}, nullptr, nullptr, table.get()});
    }
    platform::FakeClock clock;
    platform::MemorySettingsStore settings;
    NullNotifier notifier;
    StandardAddressSpaces spaces;
    TSymboltabelle symbols;
    TZeilennummertabelle lines{symbols};
    fs::path dir;
    std::unique_ptr<TVokWinOptionen> options;
    std::unique_ptr<TEmulator> emulator;
    std::unique_ptr<TBanking> banking;
    std::unique_ptr<TKdoSelectTabelle> table;
    std::unique_ptr<TProjectFiles> files;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Rig rig;
    const std::string file = rig.files->SelectFileName();
    platform::writeFileAtomically(file, data, size);
    try {
        rig.files->LoadSelectFile(file, true);
    } catch (const EVokWinFileError&) {
    }
    return 0;
}
