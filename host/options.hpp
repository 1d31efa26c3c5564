#pragma once
// The options component "Dll_Optionen": every setting of the driver that is
// not a hardware table. Folders (installation, registry root, working
// directory, help file), the project and its option file, the source
// folders and extensions, the tool chain, the processor with its memory
// limits from the target description file, the pod, the watchdog and the
// flag word that says what is saved and what happens at start-up.
//
// One object serves every lower layer: it is the tables' IOptionsInfo and
// the emulator object's and SFR configuration's ITargetOptions. Setters that
// reach a component go through that component's own operations; the
// components are wired after construction (the emulator object needs the
// options to exist first) and any of them may be absent.
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/target_options.hpp"
#include "host/target_info.hpp"

namespace tarvex {

namespace platform {
class SettingsStore;
}
class TEmulator;
class TEmulSpaces;
class TSfrConfig;

enum class TPodKennung : std::uint8_t {
    pkEprom = 0, pkTarvex3, pkA1, pkA2, pkA2Bus, pkB1, pkB2, pkB2Bus, pkQZ, pkQZP0Mixed, pkA0A3, pkDebug,
    pkA0A3FK, pkA0A3FKbus, pkA0A3QZ, pkA0A3QZP0Mixed, pkDebugQZ, pkDebugQZP0Mixed, pkQZP0P2Mixed,
    pkDebugQZP0P2Mixed, pkA0A3QZP0P2Mixed, pkIceConnect, pkIceConnectQZ, pkIceConnectQZP0Mixed,
    pkIceConnectQZP0P2Mixed
};
inline constexpr int PodKennungCount = 25;

enum class TCompiler : std::uint8_t {
    C51_Keil = 0, C51_IAR, C51_Rose, C51_KSC, Pascal51_KSC, C51_HiTech, C51_SDCC, C51_Tasking, keine_Hochsprache
};
inline constexpr int CompilerCount = 9;

// The pod's name as the user sees it; "unknown" outside 0..24.
std::string PodName(int pod);

// The directory part of a name with a separator appended, unless it is
// empty or ends in ':' or a separator already.
std::string DirectoryWithSeparator(const std::string& name);
// The name with its extension replaced (ext with its dot; "" removes it).
std::string ChangeFileExt(const std::string& name, std::string_view ext);

// Where the options find their installation and who runs them. Empty
// fields take the process's own values.
struct OptionsEnvironment {
    // The installation root (default: $TARVEX_ROOT, else the program's folder).
    std::string root;
    // The registry's root; unset: $TARVEX_ROOT, else the App Paths value.
    std::optional<std::string> registryRoot;
    // The command line, program first (default: the process's).
    std::optional<std::vector<std::string>> arguments;
    // The per-user data folder (default: platform::userDataDir()).
    std::string userDataDir;
};

class TBasisOptionen : public TComponent, public IOptionsInfo {
public:
    static constexpr const char* SettingsKey = "Software\\Velmont\\VokWin";
    static constexpr const char* SettingsSection = "7.3";
    static constexpr const char* ProjectKey = "Software\\Velmont\\VokWin\\7.3";
    static constexpr std::int32_t StreamVersion = 19;
    static constexpr std::uint16_t DefaultFlags = 1;

    // Flag word bits.
    enum Bit {
        DesktopSaveBit = 0, WatchSaveBit, BreakTraceSaveBit, MapSaveBit, KommandoSaveBit, BootLoaderLoadBit,
        CancelRunOnExitBit, ExitWithoutPromptBit, LoadApplicationBit, RunToMainBit
    };

    TBasisOptionen(platform::SettingsStore& settings, OptionsEnvironment environment = {});

    std::string_view Name() const override { return "Dll_Optionen"; }
    void Notify(std::uint8_t code, const void* data) override;

    // ---- Wiring (not owned)
    void SetNotifier(INotifier* notifier) { notifier_ = notifier; }
    // Observes the protocol-log lines (the emulator's log takes them too).
    void SetLogSink(std::function<void(std::string_view)> sink) { logSink_ = std::move(sink); }

    // ---- Start-up
    // The initial settings: folders, help file, target description file
    // (which may raise ETarvexAbort/EVokWinFileError), service mode, project
    // name, watchdog files. No notification goes out meanwhile.
    void InitialSettings();
    virtual void SetDefaults();
    virtual void SetExeName(const std::string& path);
    const std::string& ExeName() const { return exeName_; }
    const std::string& StartDir() const { return startDir_; }
    const std::string& InstanceId() const { return instanceId_; }
    bool FirstCall() const { return firstCall_; }
    void SetFirstCall(bool on) { firstCall_ = on; }
    // "FirstCall" and "Project" into the settings store.
    void SaveRegistry();
    // "AutoSave" of the current project (the flag word).
    void WriteAutoSave() const;
    // The settings section of ProjectName, control characters replaced.
    std::string ProjectSection() const;
    bool Updating() const { return updating_; }
    void SetUpdating(bool on) { updating_ = on; }

    // ---- Flag word
    bool GetOptionBit(int n) const { return n >= 0 && n < 16 && (flags_ >> n) & 1u; }
    void SetOptionBit(int n, bool on);
    std::uint16_t OptionFlags() const { return flags_; }
    void SetOptionFlags(std::uint16_t flags) { flags_ = flags; }
    bool DesktopSave() const { return GetOptionBit(DesktopSaveBit); }
    bool WatchSave() const { return GetOptionBit(WatchSaveBit); }
    bool BreakTraceSave() const { return GetOptionBit(BreakTraceSaveBit); }
    bool MapSave() const { return GetOptionBit(MapSaveBit); }
    bool KommandoSave() const { return GetOptionBit(KommandoSaveBit); }
    bool BootLoaderLoad() const { return GetOptionBit(BootLoaderLoadBit); }
    bool CancelRunOnExit() const { return GetOptionBit(CancelRunOnExitBit); }
    bool ExitWithoutPrompt() const { return GetOptionBit(ExitWithoutPromptBit); }
    bool LoadApplication() const { return GetOptionBit(LoadApplicationBit); }
    bool RunToMain() const { return GetOptionBit(RunToMainBit); }

    // ---- Folders and files
    const std::string& RootDirName() const { return rootDir_; }
    const std::string& RootDirRegistry() const { return registryRoot_; }
    const std::string& WorkDirName() const { return workDir_; }
    const std::string& HelpFileName() const { return helpFile_; }
    void SetHelpFileName(const std::string& name) { helpFile_ = name; }
    const std::string& HelpFileShort() const { return helpShort_; }
    void SetHelpFileShort(const std::string& name) { helpShort_ = name; }
    const std::string& MacroDirName() const { return macroDir_; }
    void SetMacroDirName(const std::string& name) { macroDir_ = name; }
    const std::string& ObjectDirName() const { return objectDir_; }
    void SetObjectDirName(const std::string& name) { objectDir_ = name; }
    const std::string& SourceDirNames() const { return sourceDirs_; }
    void SetSourceDirNames(const std::string& names);
    const std::string& SourceExtNames() const { return sourceExtNames_; }
    void SetSourceExtNames(const std::string& names);
    const std::vector<std::string>& SourceExtList() const { return sourceExts_; }
    std::string SourceExtNamesStern() const;
    const std::string& ProjectName() const { return projectName_; }
    void SetProjectName(const std::string& name);
    TCompiler HochsprachenTyp() const { return compiler_; }
    void SetHochsprachenTyp(TCompiler type);
    bool SystemMode() const { return systemMode_; }
    // Evaluates "SystemMode.txt" again (project folder, else root).
    void UpdateSystemMode();
    const std::string& TargetFileName() const { return targetFile_; }
    // Reads the target description file; the list changes only on success.
    void SetTargetFileName(const std::string& name);
    const std::string& WatchdogFileName() const { return watchdogFile_; }
    const std::string& WatchdogUserFileName() const { return watchdogUserFile_; }
    void SetWatchdogFiles(std::string file, std::string userFile);

    // The project's directory (from a project file path), with a separator.
    void SetProjectDir(const std::string& projectFilePath);
    const std::string& ProjectDir() const { return projectDir_; }
    void SetOptionFileName(const std::string& name);
    // The explicit name, else WorkDirName/<project>.bopt, else "".
    std::string GetOptionFileName() const;
    bool HasOptionFileName() const { return !optionFile_.empty(); }
    // Found: the name becomes the path found. A bare name is looked for in
    // the current directory, the directory of the last loaded program file,
    // then the source directories.
    bool CheckFileName(std::string& name) const;
    // The directory of the last loaded object file (never the process's
    // current directory: the driver lives in the IDE's process).
    const std::string& LoadDirName() const { return loadDir_; }
    void SetLoadDirName(const std::string& dir) { loadDir_ = dir; }

    // ---- Target
    const TTargetInfoList& TargetList() const { return targets_; }
    const std::string& TargetName() const { return targetName_; }
    virtual void SetTargetName(const std::string& name);
    const TTargetInfoItem* FindTargetInfo(std::string_view cpu) const { return targets_.Find(cpu); }
    std::string GetTargetManufacturer() const;
    std::vector<std::string> GetManufacturerList() const;
    std::vector<std::string> GetProcessorList(const std::string& manufacturer) const;
    // A processor the board's firmware cannot emulate is replaced (box).
    void CheckTarget();
    bool Usable(const TTargetInfoItem& item) const;
    // The firmware version code the usability rules use; 0 = not known.
    std::uint8_t FirmwareVersionCode() const { return firmware_; }
    std::uint16_t XdataMin() const { return xdataMin_; }
    std::uint16_t XdataMax() const { return xdataMax_; }
    std::uint16_t ProgMax() const { return progMax_; }

    // ---- Further stored settings
    const std::string& BootLoaderFile() const { return bootFile_; }
    std::uint16_t BootLoaderAddress() const { return bootAddress_; }
    void SetBootLoader(const std::string& file, std::uint16_t address) {
        bootFile_ = file;
        bootAddress_ = address;
    }
    const std::string& FurtherText() const { return furtherText_; }
    void SetFurtherText(const std::string& text) { furtherText_ = text; }
    static constexpr int ListEntries = 9;
    const std::string& FirstList(int i) const { return firstList_[static_cast<std::size_t>(i % 10)]; }
    const std::string& SecondList(int i) const { return secondList_[static_cast<std::size_t>(i % 10)]; }
    void SetFirstList(int i, const std::string& text);
    void SetSecondList(int i, const std::string& text);

    // ---- IOptionsInfo
    std::vector<std::string> sourceExts() const override { return sourceExts_; }
    int toolChain() const override { return static_cast<int>(compiler_); }
    bool findFile(std::string& name) const override { return CheckFileName(name); }

protected:
    void log(std::string_view text) const;
    void notify(std::uint8_t code);
    // Applies the entry for the name; `fallback` allows one replacement of
    // an unusable processor (the replacement itself falls to the built-in
    // entry), so that no file can make the check recurse.
    void applyTarget(std::string name, bool fallback);
    // What a derived class does with an accepted entry.
    virtual void applyEntry(const TTargetInfoItem& entry, bool builtIn);
    virtual void logLine(std::string_view text) const;

    platform::SettingsStore& settings_;
    INotifier* notifier_ = nullptr;
    std::function<void(std::string_view)> logSink_;
    OptionsEnvironment environment_;
    TTargetInfoList targets_;

    std::string instanceId_ = "0";
    std::string exeName_;
    std::string startDir_;
    std::string optionFile_;
    std::string projectDir_;
    bool firstCall_ = true;
    std::string programSubdir_ = "VokDll";
    bool updating_ = false;
    std::uint16_t flags_ = DefaultFlags;
    std::string rootDir_;
    std::string registryRoot_;
    bool registryRootRead_ = false;
    std::string workDir_;
    std::string helpFile_;
    std::string helpShort_;
    std::string macroDir_;
    std::string objectDir_;
    std::string loadDir_;
    std::string sourceDirs_;
    std::string sourceExtNames_ = ".c";
    std::vector<std::string> sourceExts_{".c"};
    std::string projectName_ = "Default";
    TCompiler compiler_ = TCompiler::C51_Keil;
    bool systemMode_ = false;
    std::string targetFile_;
    std::string targetName_ = "80C51";
    std::uint8_t firmware_ = 0;
    std::uint16_t xdataMin_ = 0;
    std::uint16_t xdataMax_ = 0xFFFF;
    std::uint16_t progMax_ = 0xFFFF;
    std::string bootFile_;
    std::uint16_t bootAddress_ = 0;
    std::string furtherText_;
    std::array<std::string, 10> firstList_{};
    std::array<std::string, 10> secondList_{};
    std::string watchdogFile_;
    std::string watchdogUserFile_;
};

class TVokWinOptionen final : public TBasisOptionen, public ITargetOptions {
public:
    // Always pkA1. The B adapter family's pkB1 would be the default when "the
    // emulator object's flag for the B adapter family" is set, but the
    // emulator object has no such flag: nothing could set it.
    static constexpr TPodKennung DefaultPod = TPodKennung::pkA1;

    using TBasisOptionen::TBasisOptionen;

    // ---- Wiring (not owned; any may be null)
    void SetEmulator(TEmulator* emulator) { emulator_ = emulator; }
    void SetSfrConfig(TSfrConfig* sfr) { sfr_ = sfr; }
    void SetSpaces(TEmulSpaces* spaces) { spaces_ = spaces; }
    // The select table's reset of its external-data map.
    void SetResetExtDataMap(std::function<void()> reset) { resetExtDataMap_ = std::move(reset); }

    void Notify(std::uint8_t code, const void* data) override;
    // The options' section of the project option file; reading takes the
    // registry's "AutoSave" first and writing puts it there first.
    void WriteProperties(ValueWriter& writer) const override;
    void ReadProperties(ValueReader& reader, std::int32_t version) override;
    void SetDefaults() override;
    void SetTargetName(const std::string& name) override { applyTarget(name, true); }

    TPodKennung PodKennung() const { return pod_; }
    void SetPodKennung(TPodKennung pod);
    std::string PodName() const { return tarvex::PodName(static_cast<int>(pod_)); }
    bool WatchdogSupport() const { return watchdogSupport_; }
    void SetWatchdogSupport(bool on);
    int WatchdogNumber() const { return watchdog_; }
    bool WatchdogActive() const { return watchdogSupport_ && watchdog_ != 0; }
    // The 48 bytes of the current watchdog number; EVokWinFileError when the
    // file is too short.
    WatchdogCommands GetWatchdogCommands() const;
    // Sequence 0..2 of the block as "OOOO instruction" lines.
    static std::vector<std::string> ListWatchdogCommands(const WatchdogCommands& block, int sequence);
    std::uint8_t LpcUcfg1() const { return lpc1_; }
    std::uint8_t LpcPartConfig() const { return lpc2_; }
    void SetLpcConfig(std::uint8_t ucfg1, std::uint8_t part);

    // ---- ITargetOptions
    std::string rootDirName() const override { return RootDirName(); }
    std::string rootDirRegistry() const override { return RootDirRegistry(); }
    bool systemMode() const override { return SystemMode(); }
    int podKennung() const override { return static_cast<int>(pod_); }
    int watchdogNumber() const override { return watchdog_; }
    bool watchdogActive() const override { return WatchdogActive(); }
    WatchdogCommands watchdogCommands() const override { return GetWatchdogCommands(); }
    std::uint8_t lpcConfig1() const override { return lpc1_; }
    std::uint8_t lpcConfig2() const override { return lpc2_; }
    std::string targetFileName() const override { return TargetFileName(); }
    void firmwareKnown(std::uint8_t code) override;
    bool breakTraceSave() const override { return BreakTraceSave(); }
    bool mapSave() const override { return MapSave(); }
    std::string podName() const override { return PodName(); }

protected:
    void applyEntry(const TTargetInfoItem& entry, bool builtIn) override;
    void logLine(std::string_view text) const override;

private:
    void applyPod();
    void updateWatchdog();
    void setExtDataMax();

    TEmulator* emulator_ = nullptr;
    TSfrConfig* sfr_ = nullptr;
    TEmulSpaces* spaces_ = nullptr;
    std::function<void()> resetExtDataMap_;
    TPodKennung pod_ = DefaultPod;
    bool watchdogSupport_ = false;
    int watchdog_ = 0;
    std::uint8_t lpc1_ = 0;
    std::uint8_t lpc2_ = 0;
};

}  // namespace tarvex
