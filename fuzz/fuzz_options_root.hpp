#pragma once
// The project file fuzzers' installation: a root of its own with the SFR
// definitions, and the options as a first start without a registry makes
// them, their option file in that root.
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "host/options.hpp"
#include "platform/settings.hpp"

namespace tarvex::fuzz {

inline std::filesystem::path makeRoot(const std::string& tag) {
    namespace fs = std::filesystem;
    const fs::path dir =
        fs::temp_directory_path() / ("tarvex_fuzz_" + tag + "_" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    fs::copy_file(fs::path(TARVEX_SOURCE_DIR) / "data" / "VokRegs.txt", dir / "VokRegs.txt",
                  fs::copy_options::overwrite_existing);
    return dir;
}

inline std::unique_ptr<TVokWinOptionen> makeOptions(platform::SettingsStore& settings,
                                                    const std::filesystem::path& dir) {
    OptionsEnvironment env;
    env.root = dir.string();
    env.registryRoot = "";
    env.arguments = std::vector<std::string>{};
    auto options = std::make_unique<TVokWinOptionen>(settings, env);
    options->InitialSettings();
    options->SetOptionFileName((dir / "fuzz.bopt").string());
    return options;
}

}  // namespace tarvex::fuzz
