#pragma once
// What the emulator object and the SFR configuration read from the options:
// the installation folders, the service mode, the pod, the watchdog, the
// LPC configuration bytes and the SFR definition file. The options
// component implements it; StandaloneTargetOptions stands in for it in
// tests and in hosts without one.
//
// The installation root: $TARVEX_ROOT when it is set, else the folder of
// the running program. The registry's root: $TARVEX_ROOT when it is set,
// else the value "Path" of the program's App Paths entry (the machine's
// registry on Windows, the settings store elsewhere), else empty.
#include <array>
#include <cstdint>
#include <string>

namespace tarvex {

namespace platform {
class SettingsStore;
}

inline constexpr const char* AppPathsKey = "Software\\Microsoft\\Windows\\CurrentVersion\\App Paths";
inline constexpr const char* SfrDefinitionFileName = "VokRegs.txt";

class ITargetOptions {
public:
    using WatchdogCommands = std::array<std::uint8_t, 48>;

    virtual ~ITargetOptions() = default;
    virtual std::string rootDirName() const = 0;
    virtual std::string rootDirRegistry() const = 0;
    // Service mode: the maintenance forms and the forced FPGA reload.
    virtual bool systemMode() const = 0;
    // The processor adapter, 0 (none) to 24.
    virtual int podKennung() const = 0;
    virtual int watchdogNumber() const = 0;
    virtual bool watchdogActive() const = 0;
    // Three command sequences of 16 bytes.
    virtual WatchdogCommands watchdogCommands() const = 0;
    virtual std::uint8_t lpcConfig1() const = 0;
    virtual std::uint8_t lpcConfig2() const = 0;
    // The SFR definition file.
    virtual std::string targetFileName() const = 0;
    // The board's firmware code is known: the options re-evaluate their
    // processor option numbers.
    virtual void firmwareKnown(std::uint8_t code) = 0;
    // The select file keeps the break and trace settings (option bit 2) and
    // the memory map (bit 3).
    virtual bool breakTraceSave() const = 0;
    virtual bool mapSave() const = 0;
    // The processor adapter's name as the user sees it.
    virtual std::string podName() const = 0;
};

// $TARVEX_ROOT, else the running program's folder.
std::string InstallationRoot();
// $TARVEX_ROOT, else the App Paths value "Path" of the running program,
// else empty.
std::string RegistryInstallationRoot(platform::SettingsStore& settings);

class StandaloneTargetOptions final : public ITargetOptions {
public:
    // The folders by the rules above; the SFR definition file in the root.
    explicit StandaloneTargetOptions(platform::SettingsStore& settings);
    // Fixed folders, for tests.
    StandaloneTargetOptions(std::string rootDir, std::string registryRootDir);

    std::string rootDirName() const override { return rootDir; }
    std::string rootDirRegistry() const override { return registryRootDir; }
    bool systemMode() const override { return serviceMode; }
    int podKennung() const override { return pod; }
    int watchdogNumber() const override { return watchdog; }
    bool watchdogActive() const override { return watchdogSupport; }
    WatchdogCommands watchdogCommands() const override { return commands; }
    std::uint8_t lpcConfig1() const override { return lpc1; }
    std::uint8_t lpcConfig2() const override { return lpc2; }
    std::string targetFileName() const override { return sfrFile; }
    void firmwareKnown(std::uint8_t code) override {
        ++firmwareCalls;
        lastFirmware = code;
    }
    bool breakTraceSave() const override { return saveBreakTrace; }
    bool mapSave() const override { return saveMap; }
    std::string podName() const override { return adapterName; }

    std::string rootDir;
    std::string registryRootDir;
    std::string sfrFile;
    bool serviceMode = false;
    int pod = 0;
    int watchdog = 0;
    bool watchdogSupport = false;
    WatchdogCommands commands{};
    std::uint8_t lpc1 = 0;
    std::uint8_t lpc2 = 0;
    int firmwareCalls = 0;
    std::uint8_t lastFirmware = 0;
    bool saveBreakTrace = false;
    bool saveMap = false;
    std::string adapterName;
};

}  // namespace tarvex
