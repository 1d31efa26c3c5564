#pragma once
// The driver's link to the emulator board: the transport chosen by the port
// name (emulator/link/transport.hpp), the command layer with its fixed-length
// answers, the start handshake, the protocol log and the port settings kept
// in the settings store.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.hpp"
#include "core/errors.hpp"
#include "emulator/link/d2xx.hpp"
#include "emulator/link/link_profile.hpp"
#include "emulator/link/parallel_transport.hpp"
#include "emulator/link/protocol_log.hpp"
#include "emulator/link/serial_transport.hpp"
#include "emulator/link/transport.hpp"
#include "emulator/link/usb_transport.hpp"
#include "platform/clock.hpp"
#include "platform/parallel_port.hpp"
#include "platform/serial_port.hpp"
#include "platform/settings.hpp"

namespace tarvex {

// A byte-wise flash block transfer that the board answered with an error
// before the block was complete. The board still waits for the rest of the
// block, so the link counts as broken, as after a time-out; the error keeps
// what failed for the maintenance forms.
class EFlashTransferError : public EEmulatorTimeoutError {
public:
    EFlashTransferError(std::string message, std::uint8_t errorByte, std::uint16_t address, std::size_t bytesDone,
                        std::size_t count)
        : EEmulatorTimeoutError(std::move(message)),
          errorByte_(errorByte),
          address_(address),
          bytesDone_(bytesDone),
          count_(count) {}
    std::uint8_t errorByte() const noexcept { return errorByte_; }
    // The address of the byte the board refused.
    std::uint16_t address() const noexcept { return address_; }
    // Data bytes sent, the refused one included, of the block's count.
    std::size_t bytesDone() const noexcept { return bytesDone_; }
    std::size_t count() const noexcept { return count_; }

private:
    std::uint8_t errorByte_;
    std::uint16_t address_;
    std::size_t bytesDone_;
    std::size_t count_;
};

class TBasisEmulator : public TComponent {
public:
    // Commands and answers are byte strings.
    using Bytes = std::string;

    static constexpr const char* RegistryKey = LinkRegistryKey;
    static constexpr const char* RegistrySection = "Interface";

    static constexpr std::uint8_t IfSerial = 0, IfParallel = 1, IfUsb = 2;
    static constexpr std::uint8_t StateClosed = 0, StateOpen = 1, StateIdentified = 2, StateStarted = 3,
                                  StateStarting = 4, StateReady = 5;
    static constexpr std::uint32_t NoSerialNumber = 0xFFFFFFFFu;
    // The most one write may carry, and the most data bytes of a flash block.
    static constexpr std::size_t MaxCommandLength = 255;
    static constexpr std::size_t MaxFlashBlock = 250;

    explicit TBasisEmulator(platform::Clock& clock = platform::systemClock(),
                            platform::SettingsStore& settings = platform::defaultSettings());
    virtual ~TBasisEmulator();
    TBasisEmulator(const TBasisEmulator&) = delete;
    TBasisEmulator& operator=(const TBasisEmulator&) = delete;

    // ---- Component
    std::string_view Name() const override { return "Dll_Emulator"; }
    // The link reacts to no notification and keeps its settings in the
    // settings store; the emulator object adds its reactions and its section
    // of the project option file.
    void Notify(std::uint8_t, const void*) override {}

    // Where the transports come from. Tests put the board simulator here.
    void setSerialPortOpener(platform::SerialPortOpener opener);
    void setUsbLibrary(std::string nameOrPath) { usbTransport_.setLibrary(std::move(nameOrPath)); }
    void setParallelPortOpener(platform::ParallelPortOpener opener) {
        parallelTransport_.setOpener(std::move(opener));
    }
    void setIoSearchDirs(std::string rootDir, std::string registryRootDir);
    // Puts another transport in for one link kind, made for this link's
    // host: the board simulator plugs in here, below the command layer. An
    // empty maker puts the kind's own transport back.
    using TransportMaker = std::function<std::unique_ptr<Transport>(TransportHost&)>;
    void plugTransport(std::uint8_t kind, const TransportMaker& make);
    platform::Clock& clock() { return clock_; }

    // One command and its answer form one exchange; holding this lock keeps
    // another thread's exchange from slipping in between.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> LockLink() {
        return std::unique_lock<std::recursive_mutex>(linkMutex_);
    }

    // ---- Overridable operations: the emulator object adds the target's
    // side to each and calls the link's own part.
    // The version text to the link profile, then the serial number, then
    // the generation; raises ETarvexAbort for firmware the driver does not
    // support.
    virtual void CheckEpromVersion();
    // The start after the handshake; the link selects flash block 1, reads
    // the serial number where the firmware has one and ends in StateReady.
    virtual void InitEmulStart();
    // Serial number, hardware id and device version, read the way the
    // firmware keeps them.
    virtual void ReadSeriennummer();
    // The generation in force (255 none yet): on a change the profile's
    // generation fields and the hardware name follow.
    virtual void SetGeraet(std::uint8_t generation);
    // Writes the id to the flash and keeps it; answers the board's byte.
    virtual std::uint8_t WriteHardwareId(std::uint8_t id);
    // The board back at the power-on rate and the link at StateOpen.
    virtual void ResetMaster();
    // The port settings into the settings store.
    virtual void SaveSettings();
    // One monitor variable ("WV").
    virtual void WriteV(std::uint16_t index, std::uint8_t value);

    // ---- Link operations (the transports vary below them)
    void CreateEmulHandle();
    void DestroyEmulHandle();
    void SwitchBaudRate();
    bool BytesAvailable();
    void Wait(std::uint32_t ms);
    // A whole answer: bytes still waiting right after it (while no stop
    // byte or handshake answer is owed) mean the board and the link are out
    // of step, and the answer is no data: the time-out error.
    Bytes Lesen(std::size_t count);
    // The first part of an answer whose rest follows at once (the status
    // byte before the register string).
    Bytes LesenTeil(std::size_t count);
    // Up to count bytes within the read time-out; a shorter answer is
    // returned as it came, without the time-out error (for answers the
    // board may leave out).
    Bytes LesenOptional(std::size_t count);
    // Drops what the board sent that no command asked for (noise, a byte
    // sent on its own, the rest of an over-long or late answer), so that it
    // is not taken for the next answer. Every command does this first while
    // no answer is owed; returns whether anything was dropped.
    bool DiscardUnrequested();
    // The same unless an answer is owed (the target runs, the handshake).
    bool CheckUnrequested() { return !handshaking_ && !targetRunning_ && DiscardUnrequested(); }
    // How often unrequested input was dropped: a change across a read means
    // its answer may not be what the board meant.
    std::uint64_t Discards() const { return discards_; }
    void Restart();
    std::size_t Schreiben(std::string_view command);

    // ---- Fixed commands
    std::uint8_t ReadI(std::uint8_t address);
    void WriteI(std::uint8_t address, std::uint8_t value);
    std::uint8_t ReadN(std::uint16_t address);
    void WriteN(std::uint16_t address, std::uint8_t value);
    std::uint8_t ReadV(std::uint16_t index);
    Bytes FrameLesen(std::uint32_t counter, std::uint8_t count);
    std::uint8_t FlashCommand(std::uint8_t code, std::uint8_t function, std::uint16_t address, std::uint8_t data);
    std::uint8_t IapInfo();
    std::uint8_t IAPBlockErase(std::uint8_t block);
    std::uint8_t FlashBlockTransfer(std::uint16_t address, std::string_view bytes);
    void FlashBlockSwitch(std::uint8_t block);
    void EnableExtReset();
    void DisableExtReset();
    void TransmitT6InternalClock();
    void SetInternalClock(std::uint8_t index);
    std::string GetSeriennummerText() const;

    // ---- Start and settings
    void Startup();
    void InitStringEinlesen();
    void LoadSettings();
    void SetTimeoutError(bool on);

    // ---- Transports
    void SetInterface(std::uint8_t kind);
    // Closes the handle and releases the chosen transport's library (the
    // end of a debug session); the next handle binds it again, so a host that
    // keeps the driver loaded can start another session.
    void ReleaseTransport();
    void GetHandle();
    void ConfigPort();
    void ConfigLptPort();
    void ConfigUsbPort();
    void ListUsbDevices();
    void RecoverUSB();
    void ClearUsbError();

    // ---- Protocol log
    void Protokoll(std::string_view text, std::string_view data = {},
                   std::uint32_t mask = ProtocolLog::AllClasses);
    void ProtokollSys(std::string_view text, std::string_view data = {});

    // ---- Properties
    const std::string& PortName() const { return portName_; }
    void SetPortName(const std::string& name);
    std::uint16_t PortAdresse() const { return portAdresse_; }
    void SetPortAdresse(std::uint16_t address);
    bool PortExclusiv() const { return portExclusiv_; }
    void SetPortExclusiv(bool exclusive);
    // Below StateIdentified the three setters at once; from there on the
    // values wait for the next Startup, and the settings and the project
    // stream keep them instead of the live ones meanwhile.
    void SetPortSettingsForNextStart(const std::string& name, std::uint16_t address, bool exclusive);
    bool PortSettingsPending() const { return pendingPort_.has_value(); }
    // What the settings keep: the pending values, else the live ones.
    std::string SavedPortName() const { return pendingPort_ ? pendingPort_->name : portName_; }
    std::uint16_t SavedPortAdresse() const { return pendingPort_ ? pendingPort_->address : portAdresse_; }
    bool SavedPortExclusiv() const { return pendingPort_ ? pendingPort_->exclusive : portExclusiv_; }
    std::uint8_t BaudRate() const { return baudRate_; }
    void SetBaudRate(std::uint8_t index);
    std::uint32_t TimeoutInitString() const { return timeoutInitString_; }
    void SetTimeoutInitString(std::uint32_t ms);
    std::uint32_t TimeoutReadWrite() const { return timeoutReadWrite_; }
    void SetTimeoutReadWrite(std::uint32_t ms);
    const std::string& ProtFileName() const { return log_.fileName(); }
    void SetProtFileName(const std::string& name) { log_.setFileName(name); }
    bool Protokollieren() const { return log_.enabled(); }
    void SetProtokollieren(bool on);
    bool SysProtokollieren() const { return sysProtokollieren_; }
    void SetSysProtokollieren(bool on);
    const ProtocolLog& protocolLog() const { return log_; }

    std::uint8_t Interface() const { return interface_; }
    std::uint8_t ConnectionState() const { return connectionState_; }
    void SetConnectionState(std::uint8_t state) { connectionState_ = state; }
    bool HandleOpen() const { return handleOpen_; }
    bool TimeoutFlag() const { return timeoutFlag_; }
    bool FatalUsbError() const { return fatalUsbError_; }
    std::uint32_t UsbStatus() const { return usbTransport_.status(); }
    std::uint8_t CurrentBaudIndex() const { return currentBaud_; }
    std::uint8_t FirmwareCode() const { return profile_.code; }
    const std::string& EpromVersion() const { return epromVersion_; }
    std::uint8_t Generation() const { return profile_.generation; }
    // What the firmware and the generation in force decide.
    const LinkProfile& Profile() const { return profile_; }
    const std::string& HardwareName() const { return hardwareName_; }
    std::uint8_t HardwareId() const { return hardwareId_; }
    std::uint32_t SerialNumber() const { return serialNumber_; }
    std::uint8_t DeviceVersion() const { return deviceVersion_; }
    std::uint8_t FlashBlock() const { return flashBlock_; }
    bool FlashBlockKnown() const { return flashBlockKnown_; }
    std::uint8_t TraceFrameSize() const { return traceFrameSize_; }
    void SetTraceFrameSize(std::uint8_t size) { traceFrameSize_ = size; }
    bool TraceReading() const { return traceReading_; }
    void SetTraceReading(bool on) { traceReading_ = on; }
    bool TargetRunning() const { return targetRunning_; }
    void SetTargetRunning(bool on) { targetRunning_ = on; }
    bool ExtResetEnabled() const { return extResetEnable_; }
    void SetExtResetEnabled(bool on) { extResetEnable_ = on; }
    bool ExtResetMode() const { return extResetMode_; }
    void SetExtResetMode(bool on) { extResetMode_ = on; }
    std::uint8_t InternalClock() const { return internalClock_; }
    bool SettingsChanged() const { return settingsChanged_; }
    int BusyCount() const { return busyCount_; }
    const std::vector<std::unique_ptr<TUSBDeviceInfo>>& UsbDevices() const { return usbTransport_.devices(); }
    const std::string& UsbSerialNumber() const { return usbTransport_.serialNumber(); }
    void SetUsbSerialNumber(std::string serial) { usbTransport_.setSerialNumber(std::move(serial)); }

protected:
    std::size_t ReadCom(std::uint8_t* buffer, std::size_t count);
    std::size_t WriteCom(const std::uint8_t* buffer, std::size_t count);
    std::size_t ReadLpt(std::uint8_t* buffer, std::size_t count);
    std::size_t WriteLpt(const std::uint8_t* buffer, std::size_t count);
    std::size_t ReadUSB(std::uint8_t* buffer, std::size_t count);
    std::size_t WriteUSB(const std::uint8_t* buffer, std::size_t count);

    void MarkSettingsChanged() { settingsChanged_ = true; }
    platform::SettingsStore& settings() { return settings_; }

    // A read/write time-out raised for one operation and put back when it
    // ends, also by an exception; the settings are not marked changed.
    class RaisedTimeout {
    public:
        RaisedTimeout(TBasisEmulator& link, std::uint32_t atLeastMs);
        ~RaisedTimeout();
        RaisedTimeout(const RaisedTimeout&) = delete;
        RaisedTimeout& operator=(const RaisedTimeout&) = delete;

    private:
        TBasisEmulator& link_;
        std::uint32_t saved_;
    };

    // While one lives, the command and answer data lines stay out of the
    // protocol file (a bulk transfer would flood it); the file stays open,
    // its earlier lines kept, and the settings are not marked changed.
    class QuietDataLines {
    public:
        explicit QuietDataLines(TBasisEmulator& link) : link_(link) { ++link_.quietData_; }
        ~QuietDataLines() { --link_.quietData_; }
        QuietDataLines(const QuietDataLines&) = delete;
        QuietDataLines& operator=(const QuietDataLines&) = delete;

    private:
        TBasisEmulator& link_;
    };

private:
    class Host;
    // Counts the link's waits in progress.
    class Busy {
    public:
        explicit Busy(TBasisEmulator& link) : link_(link) { ++link_.busyCount_; }
        ~Busy() { --link_.busyCount_; }
        Busy(const Busy&) = delete;
        Busy& operator=(const Busy&) = delete;

    private:
        TBasisEmulator& link_;
    };
    void applyTimeouts();
    void setProfile(std::uint8_t code, std::uint8_t generation) { profile_ = LinkProfile::Of(code, generation); }
    void forgetFlashBlock();
    void requireKnownFlashBlock();
    void setFatalUsbError();
    [[noreturn]] void transferFailed(const std::string& message);
    void flushInput();
    Bytes readExactly(std::size_t count);
    void requireAnswerEnded(const Bytes& answer);
    Transport& transportFor(std::uint8_t kind);

    platform::Clock& clock_;
    platform::SettingsStore& settings_;
    std::unique_ptr<Host> host_;
    SerialTransport serialTransport_;
    UsbTransport usbTransport_;
    ParallelTransport parallelTransport_;
    std::unique_ptr<Transport> plugged_;
    std::uint8_t pluggedKind_ = IfSerial;
    // The transport SetInterface chose; only it ever holds an open handle.
    Transport* transport_ = &serialTransport_;
    bool transportReleased_ = false;
    std::recursive_mutex linkMutex_;
    ProtocolLog log_;

    std::uint8_t internalClock_ = 9;
    std::uint8_t baudRate_ = 2;
    bool settingsChanged_ = false;
    std::uint8_t currentBaud_ = 0;
    LinkProfile profile_ = LinkProfile::Of(0, LinkProfile::NoGeneration);
    std::string epromVersion_;
    bool extResetEnable_ = false;
    bool extResetMode_ = true;
    bool fatalUsbError_ = false;
    std::uint8_t hardwareId_ = 0;
    std::uint32_t serialNumber_ = NoSerialNumber;
    std::uint8_t deviceVersion_ = 0;
    std::uint8_t iapInfo_ = 0;
    std::uint16_t portAdresse_ = 0x378;
    bool portExclusiv_ = true;
    std::string portName_ = "COM1";
    struct PendingPort {
        std::string name;
        std::uint16_t address;
        bool exclusive;
    };
    std::optional<PendingPort> pendingPort_;
    // Read by other threads while the target runs.
    std::atomic<bool> traceReading_{false};
    bool timeoutFlag_ = false;
    std::uint32_t timeoutInitString_ = 4000;
    std::uint32_t timeoutReadWrite_ = 2000;
    std::uint8_t interface_ = IfSerial;
    std::uint8_t flashBlock_ = 0;
    // Known: since a reset of the board, or since the link was created (the
    // board then being fresh from power-on or left in block 0 by a clean
    // end). Lost after a failure without a reset; recovery sends "y 04".
    bool flashBlockKnown_ = true;
    bool flashBlockRecoverySent_ = false;
    std::string hardwareName_ = "TARVEX-IV";
    std::uint8_t connectionState_ = StateClosed;
    std::uint8_t rememberedState_ = StateClosed;
    std::uint8_t traceFrameSize_ = 11;
    int busyCount_ = 0;
    int quietData_ = 0;
    bool sysProtokollieren_ = false;
    std::atomic<bool> targetRunning_{false};

    bool handleOpen_ = false;
    std::uint32_t handleNumber_ = 0;
    // The start handshake's polls are answered while the next ones go out.
    bool handshaking_ = false;
    std::uint64_t discards_ = 0;
    // Counts the USB recoveries: one during the handshake gives the board
    // its full time again.
    std::uint64_t recoveries_ = 0;
};

}  // namespace tarvex
