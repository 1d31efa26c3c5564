#include "emulator/emulator.hpp"

#include <filesystem>
#include <fstream>
#include <limits>
#include <system_error>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/notice.hpp"
#include "core/target_interfaces.hpp"
#include "core/value_stream.hpp"
#include "emulator/link/board_identity.hpp"
#include "emulator/master_block.hpp"
#include "emulator/sfr_config.hpp"
#include "platform/files.hpp"

namespace tarvex {

namespace {

// Master-memory cells of the monitor that the driver itself knows.
constexpr std::uint16_t MemoryTestCell = 0x7F00;
constexpr std::uint16_t ConfirmC1 = 0x7C74, ConfirmC2 = 0x7C86;
constexpr std::uint16_t WaitTimeCell = 0x7BFD;
constexpr std::uint16_t OkiCell = 0x7BF3, OkiMirror = 0xF108;
constexpr std::uint16_t ConfigMirror = 0xF0FF;
constexpr std::uint16_t OptionByteCell = 0xF600;
constexpr std::uint8_t ConfigAddress = 0x22;
constexpr std::uint8_t ConfigInternalClock = 0x20, ConfigPodFlag = 0x08;
constexpr std::uint16_t PcHighCell = 0x7EFF, PcLowCell = 0x7F00;
// Monitor mode 1 keeps the program counter split over paged cells.
constexpr std::uint16_t PagedPcHigh = 0x76F4, PagedPcBits = 0x76FF, PagedPcLow = 0x7700;
constexpr std::uint16_t PellunarP0 = 0xA4D6, PellunarP2 = 0xA4B6;
// The largest image the transfer reads at all.
constexpr std::uintmax_t MaxImageFile = 16u * 1024u * 1024u;

constexpr std::uint8_t OptionPellunars = 0x01, OptionBit1 = 0x02, OptionBit2 = 0x04;

std::string bytes(std::initializer_list<std::uint8_t> list) {
    std::string s;
    for (std::uint8_t b : list) s += static_cast<char>(b);
    return s;
}

std::uint8_t firstOr(const std::string& answer, std::uint8_t fallback) {
    return answer.empty() ? fallback : static_cast<std::uint8_t>(answer[0]);
}

[[noreturn]] void noReaction() { throw ETarvexResetError(std::string(LoadResStr(rs::NoReactionOfTarget))); }

}  // namespace

TEmulator::TEmulator(ITargetOptions& options, platform::Clock& clock, platform::SettingsStore& settings)
    : TBasisEmulator(clock, settings), options_(options), download_(std::make_unique<TEmulDownload>(*this)) {}

TEmulator::~TEmulator() {
    try {
        // The base destructor calls the base's SaveSettings; the generation
        // is this object's to keep.
        if (SettingsChanged()) SaveSettings();
    } catch (...) {
        // Nothing may escape a destructor.
    }
}

void TEmulator::SetMonitorData(TMonitorData data) { monitor_ = std::make_unique<TMonitorData>(std::move(data)); }

void TEmulator::notify(std::uint8_t code) {
    if (notifier_) notifier_->send(code, this);
}

// ---------------------------------------------------------------- generation and version

int TEmulator::traceVersion() const { return Profile().traceVersion; }

void TEmulator::applyTraceVersion() {
    if (parts_.traceBoard) parts_.traceBoard->SetVersion(traceVersion());
}

void TEmulator::SetGeraet(std::uint8_t generation) {
    if (generation > 2) {
        // Always asked, also when none was chosen before: the link starts
        // without a generation, so "only on a change" would never ask.
        if (parts_.maintenanceForms) {
            generation = parts_.maintenanceForms->ChooseGeneration();
        } else {
            Protokoll("Geraeteauswahl ohne Fenster: TARVEX-V");
            generation = 1;
        }
        if (generation > 2) return;
    }
    if (generation == Generation()) return;
    Protokoll("Geraet setzen");
    TBasisEmulator::SetGeraet(generation);
    SetTraceFrameSize(Profile().traceFrameSize);
    if (!Profile().pellunars) {
        pellunarsOn_ = false;
        optionByte_ = static_cast<std::uint8_t>(optionByte_ & ~OptionPellunars);
    }
    applyTraceVersion();
    sendOptionByte();
    MarkSettingsChanged();
    if (sfr_) sfr_->ChooseFpgaImage();
}

void TEmulator::CheckEpromVersion() {
    // Read before the SFR configuration applies its processor below: it
    // takes its access codes from these data.
    if (!monitor_) monitor_ = std::make_unique<TMonitorData>(
                       LoadMonitorData(options_.rootDirName(), options_.rootDirRegistry()));
    TBasisEmulator::CheckEpromVersion();
    applyTraceVersion();
    Protokoll("OptionNummer abh. von EpromTyp");
    options_.firmwareKnown(FirmwareCode());
    if (sfr_) sfr_->SetOptionNummer(sfr_->OptionNummer());
}

void TEmulator::ReadSeriennummer() {
    TBasisEmulator::ReadSeriennummer();
    applyTraceVersion();
}

std::uint8_t TEmulator::WriteHardwareId(std::uint8_t id) {
    const std::uint8_t answer = TBasisEmulator::WriteHardwareId(id);
    applyTraceVersion();
    return answer;
}

void TEmulator::ResetMaster() {
    auto lock = LockLink();
    if (TBasisEmulator::ConnectionState() >= StateIdentified) {
        // The trailers are monitor code: before they were read back, zeros
        // would overwrite it.
        if (trailersRead_) UpdateWatchdog(0, false);
        if (!TimeoutFlag()) {
            pellunarsOn_ = false;
            optionByte_ = static_cast<std::uint8_t>(optionByte_ & ~OptionPellunars);
            download_->PellunarClearProgram();
        }
    }
    configShadow_.reset();
    TBasisEmulator::ResetMaster();
}

void TEmulator::WriteV(std::uint16_t index, std::uint8_t value) { TBasisEmulator::WriteV(index, value); }

// ---------------------------------------------------------------- start sequence

void TEmulator::InitEmulStart() {
    auto lock = LockLink();
    auto notice = HinweisZeigen(std::string(LoadStr(7)));
    Protokoll("InitEmulStart");
    configShadow_.reset();
    // What the caches hold came from the board before this start, which may
    // since have been switched off and on, or replaced.
    notify(notify::AllMemoryChanged);
    if (Profile().flashAtStart) {
        if (options_.systemMode() && parts_.maintenanceForms) parts_.maintenanceForms->ShowIapForm(Profile().iapForm);
        FlashBlockSwitch(1);
        ReadSeriennummer();
        FlashBlockSwitch(1);
    }
    LoadFpga();
    monitorSettings();
    componentStarts();
    if (sessionStart_) {
        // Only the first start of a session: a restart after a link failure
        // must not erase the program the user downloaded.
        sessionStart_ = false;
        if (assemble_ && Profile().pellunars) {
            Protokoll("Pellunar verschleiern: Programmspeicher löschen");
            if (parts_.programClear) parts_.programClear->ClearProgramMemory();
        }
    }
    HinweisSchliessen(notice);
    finishStart();
}

void TEmulator::monitorSettings() {
    auto lock = LockLink();
    Protokoll("Prozessortyp");
    WriteV(0x000F, prozessorTyp_);
    SetPodKennung(podFlag_);
    if (podBit5_) SetConfigByte(static_cast<std::uint8_t>(ConfigByte() & ~ConfigInternalClock));
    TransmitOkiCpu();
    TransmitWaitTimeReset();
    PatchDallas7BD0();
    PatchDallas7CEE();
    PatchDallas7EF7();
    PatchDallas5C05();
    PatchDallasJumps();
    if (parts_.banking) parts_.banking->TransmitDallasAddressingMode();
    PatchDallasTimedAccess();
    PatchLpcMonitor();
    PatchLpc4000();
    PatchAtmelDptr1();
    PatchAduc();
    PatchDps();
    TransmitT6InternalClock();
}

void TEmulator::componentStarts() {
    auto lock = LockLink();
    if (parts_.banking) parts_.banking->InitEmulStart();
    if (parts_.runControl) parts_.runControl->InitEmulStart();
    if (parts_.traceBoard) parts_.traceBoard->InitEmulStart();
    if (parts_.selectTable) parts_.selectTable->InitEmulStart();
    ReadWatchdogTrailers();
    UpdateWatchdog(options_.watchdogNumber(), false);
    pellunarStart();
}

void TEmulator::pellunarStart() {
    auto lock = LockLink();
    TEmulPellunarComp& comp = download_->Pellunars();
    if (pellunarsOn_) comp.SetCodeBankCount(pellunarBankCount());
    const std::uint8_t variant = PellunarVariant();
    if (variant != comp.ProcessorVariant()) {
        comp.SetProcessorVariant(variant);
        if (comp.HookCount() > 0) comp.SetChanged(true);
    }
    download_->PellunarTransmit();
}

int TEmulator::pellunarBankCount() const {
    const int maxBank = download_->MaxBank();
    return maxBank < 255 ? maxBank + 1 : 1;
}

std::uint8_t TEmulator::PellunarVariant() const {
    if (family() == 12) return VariantW77X;
    if (family() == 17) return VariantTIMSC;
    return Variant8051;
}

void TEmulator::SetPellunars(bool on) {
    if (on == pellunarsOn_) return;
    if (on && !Profile().pellunars) return;
    auto lock = LockLink();
    Protokoll(std::string("Pellunars setzen ") + (on ? "1" : "0"));
    if (on) {
        pellunarsOn_ = true;
        download_->Pellunars().ClearHooks();
        download_->PellunarTransmit();
        optionByte_ = static_cast<std::uint8_t>(optionByte_ | OptionPellunars);
        sendOptionByte();
        return;
    }
    // The flag stays set through the transmission, so that the board's hook
    // tables of every bank are cleared before the option byte turns the
    // pellunar port off.
    download_->PellunarClearProgram();
    download_->PellunarTransmit();
    pellunarsOn_ = false;
    optionByte_ = static_cast<std::uint8_t>(optionByte_ & ~OptionPellunars);
    sendOptionByte();
    if (TBasisEmulator::ConnectionState() >= StateStarting && !TimeoutFlag() && parts_.traceBoard)
        parts_.traceBoard->ResetTrace();
}

void TEmulator::SetPellunarOption(int option) {
    static constexpr std::uint8_t r7[] = {7, 15, 23, 31};
    download_->Pellunars().SetHookVariant(r7[option >= 1 && option <= 3 ? option : 0]);
    if (download_->Pellunars().Changed()) download_->PellunarTransmit();
}

int TEmulator::GetPellunarOption() const {
    switch (download_->Pellunars().R7Address()) {
        case 15: return 1;
        case 23: return 2;
        case 31: return 3;
        default: return 0;
    }
}

void TEmulator::SetPellunarMode(bool lineNumbersRequired) {
    TEmulPellunarComp& comp = download_->Pellunars();
    comp.SetLineNumbersRequired(lineNumbersRequired);
    comp.SetProcessorVariant(PellunarVariant());
    download_->PellunarBegin();
}

void TEmulator::WriteAssembleRegistry(bool on) { settings().writeBool(RegistryKey, InitSection, "Assemble1", on); }

void TEmulator::finishStart() {
    auto lock = LockLink();
    IRunControlPart* run = parts_.runControl;
    if (options_.systemMode() && run && run->NotYetReset()) {
        WarningBox(std::string(LoadStr(8)), platform::mb::Ok | platform::mb::IconWarning);
    } else {
        const int result = run ? run->ResetAll() : 0;
        if (result < 0) {
            Restart();
            throw EEmulatorStartError(std::string(LoadResStr(rs::NoReactionOfTarget)));
        }
    }
    SetConnectionState(StateReady);
    ClockUmschalten();
    Protokoll("Ende InitEmulStart");
    notify(NotifyEmulatorState);
}

// ---------------------------------------------------------------- FPGA

std::string TEmulator::fpgaPath(const std::string& name) const {
    const std::string file = name + ".bin";
    const std::string root = options_.rootDirName();
    const std::string inRoot = (std::filesystem::path(root) / file).string();
    if (platform::fileKind(inRoot) == platform::FileKind::Regular) return inRoot;
    const std::string registryRoot = options_.rootDirRegistry();
    if (!registryRoot.empty()) {
        const std::string inRegistry = (std::filesystem::path(registryRoot) / file).string();
        if (platform::fileKind(inRegistry) == platform::FileKind::Regular) return inRegistry;
    }
    return {};
}

bool TEmulator::FpgaFileExists(const std::string& name) const { return !name.empty() && !fpgaPath(name).empty(); }

void TEmulator::SetFpgaName(const std::string& name) {
    const std::string reduced = ReduceFpgaName(name, FirmwareCode());
    if (reduced == fpgaName_) return;
    fpgaName_ = reduced;
    LoadFpga();
}

void TEmulator::LoadFpga() {
    auto lock = LockLink();
    const std::uint8_t state = TBasisEmulator::ConnectionState();
    if (state < StateStarted) return;
    Protokoll("FPGA laden: " + fpgaName_);
    std::string path = fpgaName_.empty() ? std::string() : fpgaPath(fpgaName_);
    if (path.empty()) {
        const std::string named = (std::filesystem::path(options_.rootDirName()) / (fpgaName_ + ".bin")).string();
        throw EVokWinFileError(FmtLoadStr(108, named));
    }
    fpgaReload_ = path != lastFpgaFile_;
    if (options_.systemMode() && alwaysReload_) {
        Protokoll("FFpgaNeuLaden");
        fpgaReload_ = true;
    }
    FpgaTransfer(path);
    sendOptionByte();
    if (parts_.traceBoard) parts_.traceBoard->TransmitTimeStamp();
    DisableExtReset();
    if (state == StateReady) {
        // The new image holds nothing of the monitor settings, and below
        // state 5 every memory access is refused: the rest of the start
        // runs again, without the service form and the program clear.
        monitorSettings();
        componentStarts();
        finishStart();
        reloadDone_ = true;
    }
}

void TEmulator::FpgaTransfer(const std::string& path) {
    auto lock = LockLink();
    std::error_code ec;
    const std::uintmax_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) throw EVokWinFileError(FmtLoadStr(108, path));
    const auto sizeInvalid = [] { return EVokWinFileError(std::string(LoadStr(109))); };
    // Every size is checked before anything is sent: the board would take
    // a wrong count as the rest of the image and hang in the load.
    if (fileSize == 0 || fileSize > MaxImageFile) throw sizeInvalid();
    if (Profile().fixedFpgaImageSize) {
        if (fileSize != imageSize_) throw sizeInvalid();
    } else {
        // The header carries two bytes of size.
        if (Profile().fpgaSizeSent && fileSize > 0xFFFF) throw sizeInvalid();
        imageSize_ = static_cast<std::size_t>(fileSize);
    }
    std::string image(static_cast<std::size_t>(fileSize), '\0');
    {
        std::ifstream in(path, std::ios::binary);
        if (!in.read(image.data(), static_cast<std::streamsize>(image.size())))
            throw EVokWinFileError(FmtLoadStr(108, path));
    }

    const bool memoryOk = MemoryTest();
    Schreiben("f");
    const std::uint8_t answer = firstOr(Lesen(1), 0x00);
    if (!fpgaReload_) {
        bool loaded = !(answer == 0x00 && !memoryOk);
        if (Interface() == IfSerial && Profile().fpgaReloadAboveBaseRate && BaudRate() != 0) loaded = false;
        if (loaded) {
            Schreiben(bytes({0x00}));
            Protokoll("FPGA ist bereits geladen");
            if (TBasisEmulator::ConnectionState() == StateStarted) SetConnectionState(StateStarting);
            return;
        }
    }
    lastFpgaFile_.clear();
    Schreiben(bytes({0xFF}));
    if (Profile().fpgaSizeSent)
        Schreiben(bytes({static_cast<std::uint8_t>(image.size() >> 8), static_cast<std::uint8_t>(image.size())}));
    Protokoll(Format("FPGA laden Anzahl=%d File=%s", image.size(), path));
    {
        QuietDataLines quiet(*this);
        for (std::size_t at = 0; at < image.size(); at += FpgaChunk)
            Schreiben(std::string_view(image).substr(at, FpgaChunk));
    }
    SetConnectionState(StateStarting);
    const std::uint8_t result = firstOr(Lesen(1), 0xAA);
    if (!(result == 0x00 || (result == 0x01 && options_.systemMode()))) {
        Protokoll("FEHLER bei FPGA-Laden");
        throw EVokWinFileError(std::string(LoadStr(110)));
    }
    Protokoll("FPGA geladen: zuerst C1 retten,dann C2");
    WriteN(ConfirmC1, 0xC1);
    WriteN(ConfirmC2, 0xC2);
    lastFpgaFile_ = path;
}

bool TEmulator::MemoryTest() {
    auto lock = LockLink();
    WriteN(MemoryTestCell, 0x55);
    const bool first = ReadN(MemoryTestCell) == 0x55;
    WriteN(MemoryTestCell, 0xAA);
    const bool second = ReadN(MemoryTestCell) == 0xAA;
    return first && second;
}

void TEmulator::sendOptionByte() {
    if (!Profile().optionByte || TBasisEmulator::ConnectionState() < StateStarting) return;
    WriteN(OptionByteCell, optionByte_);
}

// ---------------------------------------------------------------- monitor settings

std::uint8_t TEmulator::ConfigByte() {
    auto lock = LockLink();
    if (!configShadow_) configShadow_ = ReadI(ConfigAddress);
    return *configShadow_;
}

void TEmulator::SetConfigByte(std::uint8_t value) {
    auto lock = LockLink();
    WriteI(ConfigAddress, value);
    WriteN(ConfigMirror, value);
    configShadow_ = value;
}

void TEmulator::ClockUmschalten() {
    if (!clockChanged_ || TBasisEmulator::ConnectionState() != StateReady) return;
    auto lock = LockLink();
    Protokoll("ClockUmschalten");
    clockChanged_ = false;
    auto notice = HinweisZeigen(std::string(LoadStr(12)));
    std::uint8_t config = ConfigByte();
    if (externalClock_) config = static_cast<std::uint8_t>(config & ~ConfigInternalClock);
    else config = static_cast<std::uint8_t>(config | ConfigInternalClock);
    SetConfigByte(config);
    if (parts_.runControl && parts_.runControl->ResetSlave() < 0) noReaction();
    HinweisSchliessen(notice);
}

void TEmulator::SetExternalClock(bool on) {
    externalClock_ = on;
    clockChanged_ = true;
    ClockUmschalten();
}

void TEmulator::SetPodKennung(bool on) {
    podFlag_ = on;
    if (TBasisEmulator::ConnectionState() < StateStarting) return;
    auto lock = LockLink();
    Protokoll("PodKennung setzen");
    const std::uint8_t config = ConfigByte();
    SetConfigByte(on ? static_cast<std::uint8_t>(config | ConfigPodFlag)
                     : static_cast<std::uint8_t>(config & ~ConfigPodFlag));
}

void TEmulator::TransmitOkiCpu() {
    if (TBasisEmulator::ConnectionState() < StateStarting) return;
    auto lock = LockLink();
    Protokoll("TransmitOkiCpu");
    const std::uint8_t oki = parts_.selectTable ? parts_.selectTable->OkiByte() : 0;
    WriteN(OkiCell, oki);
    WriteN(OkiMirror, oki);
}

void TEmulator::TransmitWaitTimeReset() {
    if (TBasisEmulator::ConnectionState() < StateStarting) return;
    Protokoll("TransmitWaitTimeReset");
    WriteN(WaitTimeCell, waitTimeReset_);
}

void TEmulator::SetWaitTimeReset(std::uint8_t value) {
    waitTimeReset_ = value;
    TransmitWaitTimeReset();
}

void TEmulator::SetProzessorTyp(std::uint8_t type) {
    prozessorTyp_ = type;
    // The patches of a reload that this change starts need the new mode at
    // once.
    monitorMode_ = static_cast<std::uint8_t>(MonitorModeOf(FirmwareCode(), type));
    if (TBasisEmulator::ConnectionState() < StateStarting) return;
    Protokoll("ProzessorTyp setzen");
    WriteV(0x000F, type);
}

bool TEmulator::FpgaVariantFlag() const {
    const int f = family();
    return fpgaVariantWanted_ && Profile().fpgaVariant && options_.podKennung() == 0 &&
           (f == 2 || f == 8 || f == 10 || f == 11 || f == 15 || f == 18);
}

void TEmulator::SetFpgaVariante(bool on) {
    const bool before = FpgaVariantFlag();
    fpgaVariantWanted_ = on;
    if (FpgaVariantFlag() != before && sfr_) sfr_->ChooseFpgaImage();
}

void TEmulator::SetOptionBit1(bool on) {
    optionByte_ = static_cast<std::uint8_t>(on ? optionByte_ | OptionBit1 : optionByte_ & ~OptionBit1);
    sendOptionByte();
}

void TEmulator::SetOptionBit2(bool on) {
    optionByte_ = static_cast<std::uint8_t>(on ? optionByte_ | OptionBit2 : optionByte_ & ~OptionBit2);
    sendOptionByte();
}

void TEmulator::SetLpcConfig() {
    if (TBasisEmulator::ConnectionState() == StateReady) PatchLpc4000();
}

// ---------------------------------------------------------------- watchdog and master blocks

TBasisEmulator::Bytes TEmulator::ReadMasterBlock(std::uint16_t address, std::size_t count) {
    auto lock = LockLink();
    Schreiben(MasterBlockReadCommand(address, count));
    return Lesen(count);
}

void TEmulator::WriteMasterBlock(std::uint16_t address, std::string_view data) {
    Schreiben(MasterBlockWriteCommand(address, data));
}

void TEmulator::ReadWatchdogTrailers() {
    auto lock = LockLink();
    Protokoll("WatchdogTrailerEinlesen Start");
    const auto tail = [](const Bytes& block) {
        std::array<std::uint8_t, 3> t{};
        if (block.size() >= 3)
            for (std::size_t i = 0; i < 3; ++i) t[i] = static_cast<std::uint8_t>(block[block.size() - 3 + i]);
        return t;
    };
    trailers_[0] = tail(ReadMasterBlock(0x7C00, 19));
    trailers_[1] = tail(ReadMasterBlock(0x7C18, 3));
    trailers_[2] = tail(ReadMasterBlock(IsDallasFamily(family()) ? 0x7DC0 : 0x7DBD, 19));
    trailersRead_ = !TimeoutFlag();
    Protokoll("WatchdogTrailerEinlesen Ende");
}

void TEmulator::UpdateWatchdog(int number, bool reset) {
    auto lock = LockLink();
    Protokoll("UpdateWatchdog");
    ITargetOptions::WatchdogCommands commands{};
    if (number != 0 && options_.watchdogActive()) commands = options_.watchdogCommands();
    const auto region = [&](int sequence, const std::array<std::uint8_t, 3>& trailer) {
        std::string data;
        for (int i = 0; i < 16; ++i) data += static_cast<char>(commands[static_cast<std::size_t>(sequence * 16 + i)]);
        for (std::uint8_t b : trailer) data += static_cast<char>(b);
        return data;
    };
    const bool dallas = IsDallasFamily(family());
    WriteMasterBlock(0x7C00, region(0, trailers_[0]));
    const std::string code = region(1, trailers_[2]);
    WriteMasterBlock(dallas ? 0x7DC0 : 0x7DBD, code);
    if (Profile().watchdogCopy) WriteMasterBlock(dallas ? 0x5CC0 : 0x5CBD, code);
    WriteMasterBlock(0x7C18, std::string(trailers_[1].begin(), trailers_[1].end()));
    if (reset && parts_.runControl && parts_.runControl->ResetSlave() < 0) noReaction();
}

// ---------------------------------------------------------------- chip patches

void TEmulator::applyPatch(std::string_view logText) {
    auto lock = LockLink();
    Protokoll(logText);
    const std::vector<TMonitorPatchLine>* patch = monitor_ ? monitor_->Patch(logText) : nullptr;
    if (!patch) {
        Protokoll(std::string(logText) + ": keine Daten");
        return;
    }
    for (const TMonitorPatchLine& line : *patch) {
        if (!line.AppliesTo(FirmwareCode())) continue;
        if (line.bytes.size() == 1) WriteN(line.address, static_cast<std::uint8_t>(line.bytes[0]));
        else WriteMasterBlock(line.address, line.bytes);
    }
}

void TEmulator::PatchDallas7BD0() {
    if (IsDallasFamily(family())) applyPatch("Dallas Patch 7BD0");
}

void TEmulator::PatchDallas7CEE() {
    if (IsDallasFamily(family()) && Profile().dallasPatch7CEE) applyPatch("Dallas Patch 7CEE");
}

void TEmulator::PatchDallas7EF7() {
    if (IsDallasFamily(family()) && monitorMode_ == 2) applyPatch("Dallas Patch 7EF7");
    else if (family() == 17) applyPatch("MSC12xx Patch 7EEA..7EF9");
}

void TEmulator::PatchDallas5C05() {
    if (IsDallasFamily(family()) && Profile().dallasPatch5C05) applyPatch("Dallas Patch 5C05");
}

void TEmulator::PatchDallasJumps() {
    if (!IsDallasFamily(family()) || monitorMode_ != 2) return;
    applyPatch("Dallas Patch LJMP -> AJMP");
    applyPatch("Dallas Patch LCALL -> ACALL");
    Protokoll("Dallas Patch LCALL -> ACALL Ende");
}

void TEmulator::PatchDallasTimedAccess() {
    if (!IsDallasFamily(family())) return;
    applyPatch("Dallas Patch TimedAccess");
    Protokoll("Dallas Patch TimedAccess Ende");
}

void TEmulator::PatchLpcMonitor() {
    if (family() == 9) applyPatch("LPC Patch Monitor");
}

void TEmulator::PatchLpc4000() {
    if (family() != 9) return;
    auto lock = LockLink();
    Protokoll("LPC Patch 4000");
    WriteMasterBlock(0x4000, bytes({options_.lpcConfig1(), options_.lpcConfig2()}));
}

void TEmulator::PatchAtmelDptr1() {
    if (family() == 13) applyPatch("Atmel Patch DPTR1");
}

void TEmulator::PatchAduc() {
    if (family() == 16) applyPatch("ADUC Patch DPCON,PLLCON");
}

void TEmulator::PatchDps() {
    if (Profile().dpsPatch && (IsDpsFamily(family()) || family() == 12)) applyPatch("DPS Patch");
}

// ---------------------------------------------------------------- SFR access

int TEmulator::saveMode() const { return Profile().firstSaveAreaOnly ? 0 : monitorMode_; }

std::optional<std::uint16_t> TEmulator::saveCell(std::uint8_t address) const {
    if (!monitor_) return std::nullopt;
    if (address == 0x86 && !(IsDpsFamily(family()) || family() == 12)) return std::nullopt;
    if (address == 0x96 && family() != 13) return std::nullopt;
    return monitor_->SaveCell(saveMode(), address);
}

bool TEmulator::canBracket(std::uint8_t address) const {
    return sfr_ && sfr_->CanDatAddress() == address && sfr_->CanAdrAddress() <= 0xFF &&
           sfr_->CanAdrAddress() != address;
}

std::uint8_t TEmulator::readSfrDirect(std::uint8_t address) {
    if (parts_.runControl && parts_.runControl->NotYetReset()) return 0xFF;
    Schreiben(bytes({'D', 'S', 0x01, 0x00, static_cast<std::uint8_t>(address | 0x80)}));
    return firstOr(Lesen(1), 0x00);
}

void TEmulator::writeSfrDirect(std::uint8_t address, std::uint8_t value) {
    Schreiben(bytes({'P', 'S', 0x01, 0x00, static_cast<std::uint8_t>(address | 0x80)}));
    Lesen(1);
    Schreiben(bytes({value}));
    Wait(20);
}

void TEmulator::atmelDirectPatch(std::uint8_t address) {
    // The monitor below firmware 15 keeps no copy of DPTR1: a patched
    // access routine reaches the register itself.
    WriteN(0x7D09, address);
    WriteN(0x7D18, address);
    WriteN(0x7D42, 0x10);
    WriteN(0x7D44, 0x00);
}

std::uint8_t TEmulator::readSfrPlain(std::uint8_t address) {
    const int f = family();
    const bool paged = saveMode() == 1;
    if (address == SfrPcHigh) {
        if (paged)
            return static_cast<std::uint8_t>((ReadN(PagedPcBits) >> 5) + (ReadN(PagedPcHigh) & 0xF8));
        return ReadN(PcHighCell);
    }
    if (address == SfrPcLow) return ReadN(paged ? PagedPcLow : PcLowCell);
    if (address == SfrBank) {
        const auto cell = monitor_ ? monitor_->BankCell(saveMode()) : std::nullopt;
        return cell ? ReadN(*cell) : 0;
    }
    if (pellunarsOn_ && (address == 0x80 || address == 0xA0)) return ReadN(address == 0x80 ? PellunarP0 : PellunarP2);
    if (f == 16 && address == 0xA7) return ReadN(0x7EF1);
    if (f == 16 && address == 0xD7) return ReadN(0x7EEB);
    if (f == 17 && address == 0xD8) return ReadN(0x7EFA);
    if (f == 13 && (address == 0x84 || address == 0x85)) {
        if (Profile().monitorKeepsDptr1) return ReadN(address == 0x84 ? 0x7DB5 : 0x7DB4);
        atmelDirectPatch(address);
        return readSfrDirect(address);
    }
    if (address == 0x9C) return paged ? ReadN(0x76F8) : readSfrDirect(address);
    if (const auto cell = saveCell(address)) return ReadN(*cell);
    return readSfrDirect(address);
}

void TEmulator::writeSfrPlain(std::uint8_t address, std::uint8_t value) {
    const int f = family();
    const bool paged = saveMode() == 1;
    if (address == SfrPcHigh) {
        if (paged) {
            WriteN(PagedPcHigh, static_cast<std::uint8_t>((value & 0xF8) | 0x06));
            const auto bits = static_cast<std::uint8_t>(((value & 0x07) << 5) | 0x01);
            WriteN(PagedPcBits, bits);
            WriteN(PcHighCell, bits);
        } else {
            WriteN(PcHighCell, value);
        }
        return;
    }
    if (address == SfrPcLow) {
        if (paged) WriteN(PagedPcLow, value);
        WriteN(PcLowCell, value);
        return;
    }
    if (address == SfrBank) {
        if (const auto cell = monitor_ ? monitor_->BankCell(saveMode()) : std::nullopt) WriteN(*cell, value);
        return;
    }
    if (pellunarsOn_ && (address == 0x80 || address == 0xA0)) {
        WriteN(address == 0x80 ? PellunarP0 : PellunarP2, value);
        return;
    }
    if (f == 16 && (address == 0xA7 || address == 0xD7)) {
        WriteN(address == 0xA7 ? 0x7EF1 : 0x7EEB, value);
        return;
    }
    if (f == 17 && address == 0xD8) {
        WriteN(0x7EFA, value);
        return;
    }
    if (f == 13 && (address == 0x84 || address == 0x85)) {
        if (Profile().monitorKeepsDptr1) {
            WriteN(address == 0x84 ? 0x7DB5 : 0x7DB4, value);
        } else {
            atmelDirectPatch(address);
            writeSfrDirect(address, value);
        }
        return;
    }
    if (address == 0x9C) {
        if (paged) {
            WriteN(0x76F8, value);
            WriteN(0x7EF8, value);
        } else {
            writeSfrDirect(address, value);
        }
        return;
    }
    if (address == 0x92 && sfr_ && (sfr_->TargetName() == "80C517" || sfr_->TargetName() == "80C517A")) {
        Protokoll("80C517 SFR 92: direct");
        writeSfrDirect(address, value);
        return;
    }
    if (const auto cell = saveCell(address)) {
        WriteN(*cell, value);
        if (paged && address == 0x88) WriteN(0x7EFB, value);
        if (paged && address == 0xA8) WriteN(0x7EFE, value);
        return;
    }
    writeSfrDirect(address, value);
}

std::uint8_t TEmulator::ReadSfr(std::uint8_t address) {
    auto lock = LockLink();
    if (!canBracket(address)) return readSfrPlain(address);
    const auto canAdr = static_cast<std::uint8_t>(sfr_->CanAdrAddress());
    canAdrValue_ = readSfrPlain(canAdr);
    const std::uint8_t value = readSfrPlain(address);
    if (canAdrValue_ >= 32) {
        Protokoll("ValueCanAdr >= 32");
        writeSfrPlain(canAdr, canAdrValue_);
    }
    return value;
}

void TEmulator::WriteSfr(std::uint8_t address, std::uint8_t value) {
    auto lock = LockLink();
    if (!canBracket(address)) {
        writeSfrPlain(address, value);
        return;
    }
    const auto canAdr = static_cast<std::uint8_t>(sfr_->CanAdrAddress());
    canAdrValue_ = readSfrPlain(canAdr);
    writeSfrPlain(address, value);
    if (canAdrValue_ >= 32) {
        Protokoll("ValueCanAdr >= 32");
        writeSfrPlain(canAdr, canAdrValue_);
    }
}

void TEmulator::CorrectHostAddresses() {
    auto lock = LockLink();
    Protokoll("TI MSCxx: Host-Adressen korrigieren");
    const std::uint8_t dph = ReadN(0x7EEB);
    const std::uint8_t acc = ReadN(0x7EF6);
    const std::uint8_t tcon = ReadN(0x7EFA);
    if (const auto cell = saveCell(0x83)) WriteN(*cell, dph);
    if (const auto cell = saveCell(0xE0)) WriteN(*cell, acc);
    if (const auto cell = saveCell(0x88)) WriteN(*cell, tcon);
    WriteN(0x7EFA, ReadN(0x7080));
    WriteN(0x7EF6, 0x88);
}

// ---------------------------------------------------------------- notifications

void TEmulator::Notify(std::uint8_t code, const void*) {
    Protokoll("VWMRefresh=" + std::to_string(code));
    if (code == notify::BankingChanged && pellunarsOn_) download_->Pellunars().SetCodeBankCount(pellunarBankCount());
    if (code != NotifyProcessorChanged) return;
    const std::uint8_t state = TBasisEmulator::ConnectionState();
    if (state != StateStarting && state != StateReady) return;
    if (reloadDone_) {
        // The reload of this change sent everything already.
        reloadDone_ = false;
        return;
    }
    auto lock = LockLink();
    monitorSettings();
    SetConnectionState(StateReady);
    pellunarVariantChanged();
}

void TEmulator::pellunarVariantChanged() {
    TEmulPellunarComp& comp = download_->Pellunars();
    const std::uint8_t variant = PellunarVariant();
    if (variant == comp.ProcessorVariant()) return;
    comp.SetProcessorVariant(variant);
    if (comp.HookCount() == 0) return;
    comp.SetChanged(true);
    download_->PellunarTransmit();
}

// ---------------------------------------------------------------- settings

void TEmulator::SetDefaults() {
    externalClock_ = false;
    lastFpgaFile_.clear();
    waitTimeReset_ = 0;
    fpgaVariantWanted_ = false;
    SetExtResetEnabled(false);
    SetExtResetMode(true);
    reservedString_.clear();
    reservedInteger_ = 0;
    SetPellunarOption(1);
    alwaysReload_ = false;
    SetUsbSerialNumber({});
}

void TEmulator::LoadFromRegistry() {
    std::int32_t generation = settings().readInteger(VokWinKey, VokWinSection, "Tarvex", -1);
    // Anything but a generation asks the user.
    if (generation < 0 || generation > 2) generation = 255;
    SetGeraet(static_cast<std::uint8_t>(generation));
    assemble_ = settings().readBool(RegistryKey, InitSection, "Assemble1", true);
    LoadSettings();
}

void TEmulator::SaveSettings() {
    const std::uint8_t generation = Generation();
    settings().writeInteger(VokWinKey, VokWinSection, "Tarvex", generation > 2 ? -1 : generation);
    TBasisEmulator::SaveSettings();
}

void TEmulator::WriteSettings(ValueWriter& writer) const {
    writer.WriteBoolean(externalClock_);
    writer.WriteString(lastFpgaFile_);
    writer.WriteInteger(waitTimeReset_);
    writer.WriteString(SavedPortName());
    writer.WriteInteger(SavedPortAdresse());
    writer.WriteBoolean(SavedPortExclusiv());
    writer.WriteInteger(BaudRate());
    writer.WriteInteger(static_cast<std::int32_t>(TimeoutInitString()));
    writer.WriteInteger(static_cast<std::int32_t>(TimeoutReadWrite()));
    writer.WriteBoolean(SysProtokollieren());
    writer.WriteBoolean(fpgaVariantWanted_);
    writer.WriteBoolean(ExtResetEnabled());
    writer.WriteBoolean(ExtResetMode());
    writer.WriteString(reservedString_);
    writer.WriteInteger(reservedInteger_);
    writer.WriteInteger(GetPellunarOption());
    writer.WriteBoolean(alwaysReload_);
    writer.WriteString(UsbSerialNumber());
    writer.WriteInteger(InternalClock());
}

void TEmulator::setPortItem(std::string_view item, const std::function<void()>& set) {
    try {
        set();
    } catch (const EEmulatorCommError&) {
        // The board is started on its port: the project's port is taken at
        // the next start, and the rest of the stream is still read.
        Protokoll("Porteinstellung beim Lesen übergangen: " + std::string(item));
    }
}

namespace {
// The link's settings before anything set them.
constexpr std::int32_t DefaultPortAdresse = 0x378, DefaultBaudRate = 2, DefaultTimeoutInitString = 4000,
                       DefaultTimeoutReadWrite = 2000;
}  // namespace

void TEmulator::ReadSettings(ValueReader& reader, std::int32_t version) {
    // A value outside its field takes the field's default, and the protocol
    // names it: never the low bits of a number that does not fit.
    const auto field = [this](std::string_view name, std::int32_t value, std::int32_t low, std::int32_t high,
                              std::int32_t fallback) {
        if (value >= low && value <= high) return value;
        Protokoll("Projektdatei: " + std::string(name) + "=" + std::to_string(value) +
                  " ausserhalb des Wertebereichs, Vorgabe " + std::to_string(fallback));
        return fallback;
    };
    SetExternalClock(reader.ReadBoolean());
    lastFpgaFile_ = reader.ReadString();
    if (version == 2 || version == 3) reader.ReadBoolean();
    SetWaitTimeReset(version >= 5 ? static_cast<std::uint8_t>(field("WaitTimeReset", reader.ReadInteger(), 0, 0xFF, 0))
                                  : 0);
    if (version >= 6) {
        const std::string port = reader.ReadString();
        setPortItem("PortName", [&] { SetPortName(port); });
        const auto address =
            static_cast<std::uint16_t>(field("PortAdresse", reader.ReadInteger(), 0, 0xFFFF, DefaultPortAdresse));
        setPortItem("PortAdresse", [&] { SetPortAdresse(address); });
        const bool exclusive = reader.ReadBoolean();
        setPortItem("PortExclusiv", [&] { SetPortExclusiv(exclusive); });
        SetBaudRate(static_cast<std::uint8_t>(field("BaudRate", reader.ReadInteger(), 0, 2, DefaultBaudRate)));
        const std::int32_t maxTimeout = std::numeric_limits<std::int32_t>::max();
        SetTimeoutInitString(static_cast<std::uint32_t>(
            field("TimeoutInitString", reader.ReadInteger(), 1, maxTimeout, DefaultTimeoutInitString)));
        SetTimeoutReadWrite(static_cast<std::uint32_t>(
            field("TimeoutReadWrite", reader.ReadInteger(), 1, maxTimeout, DefaultTimeoutReadWrite)));
        SetSysProtokollieren(reader.ReadBoolean());
    }
    if (version >= 7) SetFpgaVariante(reader.ReadBoolean());
    if (version >= 8) {
        SetExtResetEnabled(reader.ReadBoolean());
        SetExtResetMode(reader.ReadBoolean());
    }
    if (version >= 9) reservedString_ = reader.ReadString();
    if (version >= 11) reservedInteger_ = reader.ReadInteger();
    if (version >= 13) SetPellunarOption(reader.ReadInteger());
    if (version >= 14) alwaysReload_ = reader.ReadBoolean();
    if (version >= 15) SetUsbSerialNumber(reader.ReadString());
    if (version >= 19)
        SetInternalClock(static_cast<std::uint8_t>(field(
            "InternalClock", reader.ReadInteger(), 0, static_cast<std::int32_t>(ClockRowCount) - 1, InternalClock())));
}

}  // namespace tarvex
