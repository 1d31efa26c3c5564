#pragma once
// Everything the options dialog reads from and writes into the driver's
// components, in one interface: the dialog is filled from a snapshot and its
// apply is a sequence of writes, so that a test records them in order and
// the driver reaches the live components.
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvex {
class TAgdiObject;
class TVokWinOptionen;
class TEmulator;
class TDebug;
class TBanking;
class TSfrConfig;
class TRegisterTabelle;
class TProjectFiles;
namespace platform {
class SettingsStore;
}
}  // namespace tarvex

namespace tarvex::ui {

// What the processor list knows of a processor.
struct ProcessorEntry {
    int optionNumber = 0;
    int watchdogNumber = 0;
};

// The components' values the dialog shows when it opens.
struct OptionsSnapshot {
    // options
    bool breakTraceSave = false, mapSave = false, bootLoaderLoad = false;
    std::string bootLoaderFile;
    std::uint16_t bootLoaderAddress = 0;
    std::string targetName = "80C51";
    int podKennung = 2;
    bool watchdogSupport = false;
    std::uint8_t lpcUcfg1 = 0, lpcPartConfig = 0;
    bool hasOptionFileName = true;
    std::string projectDir;
    // emulator
    int generation = 1;  // 255: not known
    int firmwareCode = 0;
    std::string firmwareText;
    std::string deviceNumber;
    int connectionState = 0;
    int pellunarOption = 0;
    bool externalClock = false;
    int internalClock = 9;
    std::vector<std::string> clockNames;
    int waitTimeReset = 0;  // tenths of a second
    bool fpgaVariante = false;
    bool extReset = false;
    bool extResetPolarity = true;  // true: "/Reset"
    bool nonMultiplexed = false;
    std::string portName = "LPT1";
    std::uint16_t portAddress = 0x378;
    bool portExclusive = true;
    int baudRate = 2;
    std::uint32_t timeoutInit = 4000, timeoutReadWrite = 2000;
    bool protocol = false;
    std::string usbSerial;
    // run control
    bool singleStepInterrupt = false;
    // banking
    int bankingVersion = 0, bankingMode = 0, resetBank = 0;
    std::string sfrPort = "90", xdataPort = "1234";
    std::array<int, 5> bits{4, 3, 0, 1, 2};
    int dallasMode = 0;
    bool dallasBanking = false, varBanking = false, xdataSwitch = false;
    int u32Size = 0;
    std::uint16_t areaStart = 0, areaEnd = 0xFFFF;
    int externBank = 0x60;
};

// The plain on/off settings, each written by itself.
enum class OptionFlag { BreakTraceSave, MapSave, SingleStepInterrupt, WatchdogSupport, FpgaVariante };
// A flag's name, as the writes are recorded.
const char* optionFlagName(OptionFlag flag);

class IOptionsTarget {
public:
    virtual ~IOptionsTarget() = default;

    // ---- reads
    virtual OptionsSnapshot read() = 0;
    virtual std::vector<std::string> manufacturers() = 0;
    virtual std::vector<std::string> processors(const std::string& manufacturer) = 0;
    virtual std::string manufacturerOf(const std::string& processor) = 0;
    virtual std::optional<ProcessorEntry> processor(const std::string& name) = 0;
    // The three sequences of the watchdog number as instruction lines.
    virtual std::array<std::vector<std::string>, 3> watchdogListing(int number) = 0;
    // SFR configuration: a line of the processor's groups holds the text.
    virtual bool groupContains(const std::string& processor, const std::string& text) = 0;
    // Register table: the text names an SFR, or is a number, as the
    // banking's SfrPort takes it.
    virtual bool sfrPortValid(const std::string& text) = 0;
    // The system's ports; raises when they cannot be listed.
    virtual std::vector<std::string> ports() = 0;
    // The boards on USB, enumerated anew.
    virtual std::vector<std::string> usbBoards() = 0;

    // ---- writes, by component
    virtual void log(const std::string& line) = 0;
    virtual void setFlag(OptionFlag flag, bool on) = 0;
    virtual void setBootLoaderLoad(bool on) = 0;
    virtual void setBootLoader(const std::string& file, std::uint16_t address) = 0;
    virtual void setGeneration(int generation) = 0;
    virtual void setPodKennung(int pod) = 0;
    virtual void setPellunarOption(int option) = 0;
    virtual void setExternalClock(bool on) = 0;
    virtual void setU32Size(int size) = 0;
    virtual void setTargetName(const std::string& name) = 0;
    virtual void setInternalClock(int index) = 0;
    virtual void setDallasAddressingMode(int mode) = 0;
    virtual void setLpcConfig(std::uint8_t ucfg1, std::uint8_t part) = 0;
    virtual void setWaitTimeReset(int tenths) = 0;
    virtual void setNonMultiplexed(bool on) = 0;
    virtual void setExtReset(bool on, bool polarity) = 0;
    virtual void lockBankingUpdate(bool begin) = 0;
    virtual void setBankingVersion(int version) = 0;
    virtual void setBankingMode(int mode) = 0;
    virtual void setResetBank(int bank) = 0;
    virtual void setSfrPort(const std::string& text) = 0;
    virtual void setXdataPort(const std::string& text) = 0;
    virtual void setXdataSwitch(bool on) = 0;
    virtual void setBitNummer(int line, int bit) = 0;
    virtual void setDallasBanking(bool on) = 0;
    virtual void setVarBanking(bool on) = 0;
    virtual void setExternBank(int bank) = 0;
    virtual void setBankedArea(std::uint16_t start, std::uint16_t end) = 0;
    virtual void setBaudRate(int index) = 0;
    virtual void setTimeouts(std::uint32_t init, std::uint32_t readWrite) = 0;
    virtual void setProtocol(bool on) = 0;
    virtual void setPortSettings(const std::string& name, std::uint16_t address, bool exclusive) = 0;
    virtual void setUsbSerial(const std::string& serial) = 0;
    virtual void saveRegistry() = 0;
    virtual void setOptionFileName(const std::string& name) = 0;
    virtual void saveProjectOptions() = 0;
    virtual void confirmProjectOptions() = 0;
};

// Tests: reads come from the snapshot and the tables given; every write is
// kept as "Name(arguments)" in order, and a write whose name is armed in
// `failing` raises after it was recorded.
class RecordingOptionsTarget final : public IOptionsTarget {
public:
    OptionsSnapshot snapshot;
    std::map<std::string, std::string> manufacturerOfProcessor;  // processor -> manufacturer
    std::map<std::string, ProcessorEntry> entries;
    std::vector<std::string> systemPorts{"COM1", "COM3", "LPT1", "LPT2"};
    bool portsFail = false;
    std::vector<std::string> boards;
    std::vector<std::string> failing;
    std::vector<std::string> writes;

    OptionsSnapshot read() override { return snapshot; }
    std::vector<std::string> manufacturers() override;
    std::vector<std::string> processors(const std::string& manufacturer) override;
    std::string manufacturerOf(const std::string& processor) override;
    std::optional<ProcessorEntry> processor(const std::string& name) override;
    std::array<std::vector<std::string>, 3> watchdogListing(int number) override;
    bool groupContains(const std::string& processor, const std::string& text) override;
    bool sfrPortValid(const std::string& text) override;
    std::vector<std::string> ports() override;
    std::vector<std::string> usbBoards() override { return boards; }

    void log(const std::string& line) override { record("Log", line); }
    void setFlag(OptionFlag flag, bool on) override { record(optionFlagName(flag), on); }
    void setBootLoaderLoad(bool on) override { record("BootLoaderLoad", on); }
    void setBootLoader(const std::string& file, std::uint16_t address) override {
        record("BootLoader", file + "," + std::to_string(address));
    }
    void setGeneration(int generation) override { record("Generation", generation); }
    void setPodKennung(int pod) override { record("PodKennung", pod); }
    void setPellunarOption(int option) override { record("PellunarOption", option); }
    void setExternalClock(bool on) override { record("ExternalClock", on); }
    void setU32Size(int size) override { record("U32Size", size); }
    void setTargetName(const std::string& name) override { record("TargetName", name); }
    void setInternalClock(int index) override { record("InternalClock", index); }
    void setDallasAddressingMode(int mode) override { record("DallasAddressingMode", mode); }
    void setLpcConfig(std::uint8_t ucfg1, std::uint8_t part) override {
        record("LpcConfig", std::to_string(ucfg1) + "," + std::to_string(part));
    }
    void setWaitTimeReset(int tenths) override { record("WaitTimeReset", tenths); }
    void setNonMultiplexed(bool on) override { record("NonMultiplexed", on); }
    void setExtReset(bool on, bool polarity) override {
        record("ExtReset", std::to_string(on) + "," + std::to_string(polarity));
    }
    void lockBankingUpdate(bool begin) override { record("LockUpdate", begin); }
    void setBankingVersion(int version) override { record("BankingVersion", version); }
    void setBankingMode(int mode) override { record("BankingMode", mode); }
    void setResetBank(int bank) override { record("ResetBank", bank); }
    void setSfrPort(const std::string& text) override { record("SfrPort", text); }
    void setXdataPort(const std::string& text) override { record("XdataPort", text); }
    void setXdataSwitch(bool on) override { record("XdataSwitch", on); }
    void setBitNummer(int line, int bit) override {
        record("BitNummer", std::to_string(line) + "," + std::to_string(bit));
    }
    void setDallasBanking(bool on) override { record("DallasBanking", on); }
    void setVarBanking(bool on) override { record("VarBanking", on); }
    void setExternBank(int bank) override { record("ExternBank", bank); }
    void setBankedArea(std::uint16_t start, std::uint16_t end) override {
        record("BankedArea", std::to_string(start) + "," + std::to_string(end));
    }
    void setBaudRate(int index) override { record("BaudRate", index); }
    void setTimeouts(std::uint32_t init, std::uint32_t readWrite) override {
        record("Timeouts", std::to_string(init) + "," + std::to_string(readWrite));
    }
    void setProtocol(bool on) override { record("Protocol", on); }
    void setPortSettings(const std::string& name, std::uint16_t address, bool exclusive) override {
        record("PortSettings", name + "," + std::to_string(address) + "," + std::to_string(exclusive));
    }
    void setUsbSerial(const std::string& serial) override { record("UsbSerial", serial); }
    void saveRegistry() override { record("SaveRegistry", ""); }
    void setOptionFileName(const std::string& name) override { record("OptionFileName", name); }
    void saveProjectOptions() override { record("SaveProjectOptions", ""); }
    void confirmProjectOptions() override { record("ConfirmProjectOptions", ""); }

    // The writes of one name, in order.
    std::vector<std::string> writesOf(const std::string& name) const;

private:
    void record(const std::string& name, const std::string& args);
    void record(const std::string& name, int value) { record(name, std::to_string(value)); }
    void record(const std::string& name, bool value) { record(name, std::string(value ? "1" : "0")); }
};

// The driver's components behind the interface. Any of the pointers but the
// options and the emulator may be null; their writes are then skipped.
struct LiveComponents {
    TVokWinOptionen* options = nullptr;
    TEmulator* emulator = nullptr;
    TDebug* runControl = nullptr;
    TBanking* banking = nullptr;
    TSfrConfig* sfr = nullptr;
    const TRegisterTabelle* registers = nullptr;
    TProjectFiles* projectFiles = nullptr;
    platform::SettingsStore* settings = nullptr;
};

// The live components of the host object behind the target interface.
LiveComponents LiveComponentsOf(TAgdiObject& object, platform::SettingsStore& store);

class LiveOptionsTarget final : public IOptionsTarget {
public:
    explicit LiveOptionsTarget(LiveComponents components);

    OptionsSnapshot read() override;
    std::vector<std::string> manufacturers() override;
    std::vector<std::string> processors(const std::string& manufacturer) override;
    std::string manufacturerOf(const std::string& processor) override;
    std::optional<ProcessorEntry> processor(const std::string& name) override;
    std::array<std::vector<std::string>, 3> watchdogListing(int number) override;
    bool groupContains(const std::string& processor, const std::string& text) override;
    bool sfrPortValid(const std::string& text) override;
    std::vector<std::string> ports() override;
    std::vector<std::string> usbBoards() override;

    void log(const std::string& line) override;
    void setFlag(OptionFlag flag, bool on) override;
    void setBootLoaderLoad(bool on) override;
    void setBootLoader(const std::string& file, std::uint16_t address) override;
    void setGeneration(int generation) override;
    void setPodKennung(int pod) override;
    void setPellunarOption(int option) override;
    void setExternalClock(bool on) override;
    void setU32Size(int size) override;
    void setTargetName(const std::string& name) override;
    void setInternalClock(int index) override;
    void setDallasAddressingMode(int mode) override;
    void setLpcConfig(std::uint8_t ucfg1, std::uint8_t part) override;
    void setWaitTimeReset(int tenths) override;
    void setNonMultiplexed(bool on) override;
    void setExtReset(bool on, bool polarity) override;
    void lockBankingUpdate(bool begin) override;
    void setBankingVersion(int version) override;
    void setBankingMode(int mode) override;
    void setResetBank(int bank) override;
    void setSfrPort(const std::string& text) override;
    void setXdataPort(const std::string& text) override;
    void setXdataSwitch(bool on) override;
    void setBitNummer(int line, int bit) override;
    void setDallasBanking(bool on) override;
    void setVarBanking(bool on) override;
    void setExternBank(int bank) override;
    void setBankedArea(std::uint16_t start, std::uint16_t end) override;
    void setBaudRate(int index) override;
    void setTimeouts(std::uint32_t init, std::uint32_t readWrite) override;
    void setProtocol(bool on) override;
    void setPortSettings(const std::string& name, std::uint16_t address, bool exclusive) override;
    void setUsbSerial(const std::string& serial) override;
    void saveRegistry() override;
    void setOptionFileName(const std::string& name) override;
    void saveProjectOptions() override;
    void confirmProjectOptions() override;

private:
    platform::SettingsStore& store() const;
    LiveComponents c_;
};

}  // namespace tarvex::ui
