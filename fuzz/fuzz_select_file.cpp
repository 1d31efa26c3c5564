// The select file as a damaged, foreign or hand-edited one could be: the
// framing, the version checks and the trailing command record. Only the
// file's own refusal may leave the load.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "core/component.hpp"
#include "core/errors.hpp"
#include "core/value_stream.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"

namespace {

using namespace tarvex;
namespace fs = std::filesystem;

// The select table's section as a list of values.
struct SelectSection final : TComponent {
    std::string_view Name() const override { return "SelectTabelle"; }
    void Notify(std::uint8_t, const void*) override {}
    void WriteProperties(ValueWriter& w) const override {
        w.WriteListBegin();
        w.WriteListEnd();
    }
    void ReadProperties(ValueReader& r, std::int32_t) override {
        r.ReadListBegin();
        while (!r.EndOfList()) r.SkipValue();
        r.ReadListEnd();
    }
};

struct Rig {
    Rig() {
        dir = fs::temp_directory_path() / ("tarvex_fuzz_select_" + std::to_string(std::random_device{}()));
        fs::create_directories(dir);
        fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / "VokRegs.txt", dir / "VokRegs.txt",
                      fs::copy_options::overwrite_existing);
        OptionsEnvironment env;
        env.root = dir.string();
        env.registryRoot = "";
        env.arguments = std::vector<std::string>{};
        options = std::make_unique<TVokWinOptionen>(settings, env);
        options->InitialSettings();
        options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, true);
        options->SetOptionFileName((dir / "fuzz.bopt").string());
        files = std::make_unique<TProjectFiles>(ProjectComponents{options.get(), nullptr, nullptr, {}, nullptr,
                                                                  nullptr, &select});
    }
    platform::MemorySettingsStore settings;
    SelectSection select;
    fs::path dir;
    std::unique_ptr<TVokWinOptionen> options;
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
