#pragma once
// The driver's emulator object: the link plus everything that makes the
// board an 8051 emulator for one chosen processor. It knows the board
// generation, loads the FPGA image, starts the monitor and patches it for
// the derivative, reaches the SFRs through the monitor, sets the watchdog,
// the clock source and the pod, and keeps its settings in the settings
// store and in the project option file.
//
// The target components that the start sequence calls (run control, trace
// board, select tables, banking, the program clear, the maintenance forms)
// are reached through the seams of emulator/target_parts.hpp; an absent one
// is skipped.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "emulator/link/basis_emulator.hpp"
#include "emulator/download.hpp"
#include "emulator/monitor_data.hpp"
#include "emulator/target_options.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex {

class INotifier;
class TSfrConfig;
class ValueReader;
class ValueWriter;

class TEmulator : public TBasisEmulator, public ISfrEmulator {
public:
    static constexpr const char* VokWinKey = "Software\\Velmont\\VokWin";
    static constexpr const char* VokWinSection = "7.3";
    static constexpr const char* InitSection = "Init";
    // The size a TARVEX-IV image must have.
    static constexpr std::size_t Gen0ImageSize = 14751;
    static constexpr std::size_t FpgaChunk = 128;
    // Notification: the emulator finished a start (or a reload).
    static constexpr std::uint8_t NotifyEmulatorState = 25;
    static constexpr std::uint8_t NotifyProcessorChanged = 32;
    // Pseudo-addresses of ReadSfr/WriteSfr below the SFRs.
    static constexpr std::uint8_t SfrPcHigh = 0, SfrPcLow = 1, SfrBank = 2;
    // The latest project stream version this object writes.
    static constexpr std::int32_t StreamVersion = 19;

    // A read/write time-out raised for one operation (the download's fill).
    using TBasisEmulator::RaisedTimeout;

    TEmulator(ITargetOptions& options, platform::Clock& clock = platform::systemClock(),
              platform::SettingsStore& settings = platform::defaultSettings());
    ~TEmulator() override;

    // ---- Wiring (none owned)
    void SetParts(const TargetParts& parts) { parts_ = parts; }
    void SetSfrConfig(TSfrConfig* sfr) { sfr_ = sfr; }
    void SetNotifier(INotifier* notifier) { notifier_ = notifier; }
    INotifier* Notifier() const { return notifier_; }
    ITargetOptions& Options() const { return options_; }
    // Instead of reading the monitor data file at the first version check.
    void SetMonitorData(TMonitorData data);

    // ---- Component
    void Notify(std::uint8_t code, const void* data) override;
    void WriteProperties(ValueWriter& writer) const override { WriteSettings(writer); }
    void ReadProperties(ValueReader& reader, std::int32_t version) override { ReadSettings(reader, version); }

    // ---- Overridden link operations
    void CheckEpromVersion() override;
    void InitEmulStart() override;
    void ReadSeriennummer() override;
    void SetGeraet(std::uint8_t generation) override;
    std::uint8_t WriteHardwareId(std::uint8_t id) override;
    void ResetMaster() override;
    void SaveSettings() override;
    void WriteV(std::uint16_t index, std::uint8_t value) override;
    virtual void LoadFpga();

    // ---- Board operations
    void FpgaTransfer(const std::string& path);
    bool MemoryTest();
    void ClockUmschalten();
    void SetPodKennung(bool on);
    void TransmitOkiCpu();
    void TransmitWaitTimeReset();
    // Writes the options' watchdog commands (48 zero bytes for number 0 or
    // without watchdog support); with `reset` the target is reset after.
    void UpdateWatchdog(int number, bool reset);
    void ReadWatchdogTrailers();
    // "DN": count bytes of master memory. Empty after a link failure.
    Bytes ReadMasterBlock(std::uint16_t address, std::size_t count);
    // "PN": one command, at most MaxMasterBlock bytes.
    void WriteMasterBlock(std::uint16_t address, std::string_view bytes) override;
    std::uint8_t ReadSfr(std::uint8_t address);
    void WriteSfr(std::uint8_t address, std::uint8_t value);
    void CorrectHostAddresses();
    // The monitor configuration byte (internal RAM 0x22, mirrored to master
    // 0xF0FF); read from the board once per start, then kept here.
    std::uint8_t ConfigByte();
    void SetConfigByte(std::uint8_t value);

    // ---- Chip patches (each checks its own condition)
    void PatchDallas7BD0();
    void PatchDallas7CEE();
    void PatchDallas7EF7();
    void PatchDallas5C05();
    void PatchDallasJumps();
    void PatchDallasTimedAccess();
    void PatchLpcMonitor();
    void PatchLpc4000();
    void PatchAtmelDptr1();
    void PatchAduc();
    void PatchDps();

    // ---- Settings
    void SetDefaults();
    void LoadFromRegistry();
    void WriteSettings(ValueWriter& writer) const;
    void ReadSettings(ValueReader& reader, std::int32_t version);

    // ---- Properties and switches
    bool ExternalClock() const { return externalClock_; }
    void SetExternalClock(bool on);
    const std::string& FpgaName() const { return fpgaName_; }
    void SetFpgaName(const std::string& name) override;
    const std::string& LastFpgaFile() const { return lastFpgaFile_; }
    std::uint8_t WaitTimeReset() const { return waitTimeReset_; }
    void SetWaitTimeReset(std::uint8_t value);
    void SetProzessorTyp(std::uint8_t type) override;
    std::uint8_t ProzessorTyp() const { return prozessorTyp_; }
    // The wanted switch as set and streamed; FpgaVariantFlag() is what holds
    // for the board, processor and pod at hand.
    void SetFpgaVariante(bool on);
    bool FpgaVariante() const { return fpgaVariantWanted_; }
    bool FpgaVariantFlag() const override;
    void SetOptionBit1(bool on);
    void SetOptionBit2(bool on);
    std::uint8_t OptionByte() const { return optionByte_; }
    // The LPC configuration bytes changed: applied again at once when ready.
    void SetLpcConfig();
    bool PodFlag() const { return podFlag_; }
    bool PodBit5Flag() const { return podBit5_; }
    void SetPodBit5Flag(bool on) override { podBit5_ = on; }
    std::uint8_t MonitorMode() const { return monitorMode_; }
    void SetMonitorMode(std::uint8_t mode) override { monitorMode_ = mode; }
    bool AssembleFlag() const { return assemble_; }
    void SetAssembleFlag(bool on) { assemble_ = on; }
    // ---- Download and pellunars
    TEmulDownload& Download() { return *download_; }
    const TEmulDownload& Download() const { return *download_; }
    bool PellunarsOn() const { return pellunarsOn_; }
    // Switched on only on boards other than the TARVEX-IV. Switching off
    // writes the program's own code back over the hooks and clears the
    // board's hook tables before the option byte changes.
    void SetPellunars(bool on);
    // 1, 2, 3: the program's registers in bank 1, 2, 3; other: bank 0.
    void SetPellunarOption(int option);
    int GetPellunarOption() const;
    int PellunarOption() const { return GetPellunarOption(); }
    // Line records required of pellunars; starts a new program.
    void SetPellunarMode(bool lineNumbersRequired);
    // The processor variant of the analyser for the family at hand.
    std::uint8_t PellunarVariant() const;
    // The assemble flag in the settings store, read by LoadFromRegistry.
    void WriteAssembleRegistry(bool on);
    bool AlwaysReload() const { return alwaysReload_; }
    void SetAlwaysReload(bool on) { alwaysReload_ = on; }
    // The first start of a debugging session clears the program memory; the
    // host marks a new session at its initialisation.
    void SetSessionStart() { sessionStart_ = true; }
    bool SessionStart() const { return sessionStart_; }
    // The last CANADR value read (the SFR space files it too).
    void SetCanAdrValue(std::uint8_t value) { canAdrValue_ = value; }
    std::uint8_t CanAdrValue() const { return canAdrValue_; }
    const std::array<std::uint8_t, 3>& WatchdogTrailer(int which) const { return trailers_[which % 3]; }
    std::size_t FpgaImageSize() const { return imageSize_; }
    // The trace board holds 131,072 frames (TARVEX-6 from firmware 21).
    bool LargeTraceMemory() const { return Profile().largeTraceMemory; }

    // ---- ISfrEmulator
    const LinkProfile& Profile() const override { return TBasisEmulator::Profile(); }
    std::uint8_t ConnectionState() const override { return TBasisEmulator::ConnectionState(); }
    const TargetParts& Parts() const override { return parts_; }
    const TMonitorData* MonitorData() const override { return monitor_.get(); }
    bool FpgaFileExists(const std::string& name) const override;
    void ProcessorChangeStarts() override { reloadDone_ = false; }
    void Log(std::string_view text) override { Protokoll(text); }

private:
    int family() const { return prozessorTyp_; }
    // The save-area section: firmware code 11 knows only the first.
    int saveMode() const;
    std::string fpgaPath(const std::string& name) const;
    int traceVersion() const;
    void applyTraceVersion();
    void sendOptionByte();
    void applyPatch(std::string_view logText);
    // Steps 4 to 9 of the start: what the monitor must hear again after a
    // processor change.
    void monitorSettings();
    // Steps 10 and 11: the components' starts and the watchdog.
    void componentStarts();
    // Steps 12 to 14: the analyser's banks and variant, the hook tables.
    void pellunarStart();
    int pellunarBankCount() const;
    // After a processor change: a new variant sends the hooks again.
    void pellunarVariantChanged();
    // Steps 17 to 19.
    void finishStart();
    void notify(std::uint8_t code);
    std::uint8_t readSfrDirect(std::uint8_t address);
    void writeSfrDirect(std::uint8_t address, std::uint8_t value);
    std::uint8_t readSfrPlain(std::uint8_t address);
    void writeSfrPlain(std::uint8_t address, std::uint8_t value);
    std::optional<std::uint16_t> saveCell(std::uint8_t address) const;
    void atmelDirectPatch(std::uint8_t address);
    bool canBracket(std::uint8_t address) const;
    void setPortItem(std::string_view item, const std::function<void()>& set);

    ITargetOptions& options_;
    TargetParts parts_;
    TSfrConfig* sfr_ = nullptr;
    INotifier* notifier_ = nullptr;
    std::unique_ptr<TMonitorData> monitor_;

    bool clockChanged_ = false;
    bool externalClock_ = false;
    bool fpgaReload_ = false;
    std::string fpgaName_;
    std::string lastFpgaFile_;
    bool podBit5_ = false;
    bool fpgaVariantWanted_ = false;
    bool assemble_ = true;
    bool podFlag_ = false;
    std::uint8_t prozessorTyp_ = 0;
    bool pellunarsOn_ = false;
    std::uint8_t optionByte_ = 0;
    std::uint8_t waitTimeReset_ = 0;
    bool alwaysReload_ = false;
    std::string reservedString_;
    std::int32_t reservedInteger_ = 0;
    // 0: after the watchdog's options at 0x7C00; 1: at 0x7C18; 2: after the
    // code at 0x7DBD/0x7DC0.
    std::array<std::array<std::uint8_t, 3>, 3> trailers_{};
    bool trailersRead_ = false;
    std::uint8_t monitorMode_ = 0;
    std::optional<std::uint8_t> configShadow_;
    std::uint8_t canAdrValue_ = 0;
    bool sessionStart_ = true;
    // A reload ran the monitor settings for the processor change at hand.
    bool reloadDone_ = false;
    std::size_t imageSize_ = Gen0ImageSize;
    std::unique_ptr<TEmulDownload> download_;
};

}  // namespace tarvex
