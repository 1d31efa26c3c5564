#include "emulator/target_options.hpp"

#include <cstdlib>
#include <filesystem>

#include "platform/files.hpp"
#include "platform/process.hpp"
#include "platform/settings.hpp"

namespace tarvex {

namespace {

std::string rootFromEnvironment() {
    const char* root = std::getenv("TARVEX_ROOT");
    return root != nullptr ? std::string(root) : std::string();
}

std::string inRoot(const std::string& dir, const char* name) {
    return dir.empty() ? std::string() : (std::filesystem::path(dir) / name).string();
}

}  // namespace

std::string InstallationRoot() {
    std::string root = rootFromEnvironment();
    return root.empty() ? platform::executableDir() : root;
}

std::string RegistryInstallationRoot(platform::SettingsStore& settings) {
    std::string root = rootFromEnvironment();
    if (!root.empty()) return root;
    const std::string program = std::filesystem::path(platform::executablePath()).filename().string();
    if (program.empty()) return {};
    return platform::appPathsValue(program, settings);
}

StandaloneTargetOptions::StandaloneTargetOptions(platform::SettingsStore& settings)
    : StandaloneTargetOptions(InstallationRoot(), RegistryInstallationRoot(settings)) {}

StandaloneTargetOptions::StandaloneTargetOptions(std::string root, std::string registryRoot)
    : rootDir(std::move(root)), registryRootDir(std::move(registryRoot)),
      sfrFile(inRoot(rootDir, SfrDefinitionFileName)) {}

}  // namespace tarvex
