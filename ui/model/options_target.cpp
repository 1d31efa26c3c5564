#include "ui/model/options_target.hpp"

#include <algorithm>

#include "core/conversions.hpp"
#include "core/register_table.hpp"
#include "emulator/banking.hpp"
#include "emulator/link/board_identity.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/run_control.hpp"
#include "emulator/sfr_config.hpp"
#include "host/agdi_object.hpp"
#include "host/options.hpp"
#include "host/project_files.hpp"
#include "platform/port_list.hpp"
#include "platform/settings.hpp"
#include "platform/stream.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/options_rules.hpp"

namespace tarvex::ui {

namespace {
// The two settings no component keeps: the section of the dialog holds them.
constexpr const char* kSection = "FormOptions";
}  // namespace

// ---------------------------------------------------------------- recording

std::vector<std::string> RecordingOptionsTarget::manufacturers() {
    std::vector<std::string> out;
    for (const auto& [cpu, maker] : manufacturerOfProcessor)
        if (std::find(out.begin(), out.end(), maker) == out.end()) out.push_back(maker);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<std::string> RecordingOptionsTarget::processors(const std::string& manufacturer) {
    std::vector<std::string> out;
    for (const auto& [cpu, maker] : manufacturerOfProcessor)
        if (manufacturer.empty() || maker == manufacturer) out.push_back(cpu);
    return out;
}

std::string RecordingOptionsTarget::manufacturerOf(const std::string& processor) {
    auto it = manufacturerOfProcessor.find(processor);
    return it == manufacturerOfProcessor.end() ? std::string{} : it->second;
}

std::optional<ProcessorEntry> RecordingOptionsTarget::processor(const std::string& name) {
    auto it = entries.find(name);
    if (it == entries.end()) return std::nullopt;
    return it->second;
}

std::array<std::vector<std::string>, 3> RecordingOptionsTarget::watchdogListing(int number) {
    if (number == 0) return {};
    const std::string n = std::to_string(number);
    return {std::vector<std::string>{"0000 MOV WDT" + n + ",#00H"}, {"0000 ORL WDT" + n + ",#01H"},
            {"0000 MOV WDT" + n + ",#1EH"}};
}

bool RecordingOptionsTarget::groupContains(const std::string& processor, const std::string& text) {
    return processor != snapshot.targetName && (text == "P1" || text == "P3");
}

bool RecordingOptionsTarget::sfrPortValid(const std::string& text) {
    if (text == "P1" || text == "P2" || text == "P3") return true;
    const auto value = Hex16(text);
    return value && *value >= 0x80 && *value <= 0xFF;
}

std::vector<std::string> RecordingOptionsTarget::ports() {
    if (portsFail) throw platform::PortListError("no port list");
    return systemPorts;
}

std::vector<std::string> RecordingOptionsTarget::writesOf(const std::string& name) const {
    std::vector<std::string> out;
    const std::string prefix = name + "(";
    for (const auto& w : writes)
        if (w.compare(0, prefix.size(), prefix) == 0) out.push_back(w.substr(prefix.size(), w.size() - prefix.size() - 1));
    return out;
}

void RecordingOptionsTarget::record(const std::string& name, const std::string& args) {
    writes.push_back(name + "(" + args + ")");
    if (std::find(failing.begin(), failing.end(), name) != failing.end())
        throw std::runtime_error(name + " failed");
}

// ---------------------------------------------------------------- live

LiveOptionsTarget::LiveOptionsTarget(LiveComponents components) : c_(components) {}

platform::SettingsStore& LiveOptionsTarget::store() const {
    return c_.settings ? *c_.settings : platform::defaultSettings();
}

OptionsSnapshot LiveOptionsTarget::read() {
    OptionsSnapshot s;
    if (const TVokWinOptionen* o = c_.options) {
        s.breakTraceSave = o->BreakTraceSave();
        s.mapSave = o->MapSave();
        s.bootLoaderLoad = o->BootLoaderLoad();
        s.bootLoaderFile = o->BootLoaderFile();
        s.bootLoaderAddress = o->BootLoaderAddress();
        s.targetName = o->TargetName();
        s.podKennung = static_cast<int>(o->PodKennung());
        s.watchdogSupport = o->WatchdogSupport();
        s.lpcUcfg1 = o->LpcUcfg1();
        s.lpcPartConfig = o->LpcPartConfig();
        s.hasOptionFileName = o->HasOptionFileName();
        s.projectDir = o->ProjectDir();
    }
    if (const TEmulator* e = c_.emulator) {
        s.generation = e->Generation();
        s.firmwareCode = e->FirmwareCode();
        s.firmwareText = e->EpromVersion();
        s.deviceNumber = e->SerialNumber() == TBasisEmulator::NoSerialNumber ? std::string{} : e->GetSeriennummerText();
        s.connectionState = e->ConnectionState();
        s.pellunarOption = e->GetPellunarOption();
        s.externalClock = e->ExternalClock();
        s.internalClock = e->InternalClock();
        FillClockNames(s.clockNames);
        s.waitTimeReset = e->WaitTimeReset();
        s.fpgaVariante = e->FpgaVariante();
        s.extReset = e->ExtResetEnabled();
        s.extResetPolarity = e->ExtResetMode();
        s.portName = e->SavedPortName();
        s.portAddress = e->SavedPortAdresse();
        s.portExclusive = e->SavedPortExclusiv();
        s.baudRate = e->BaudRate();
        s.timeoutInit = e->TimeoutInitString();
        s.timeoutReadWrite = e->TimeoutReadWrite();
        s.protocol = e->SysProtokollieren();
        s.usbSerial = e->UsbSerialNumber();
    }
    if (const TDebug* d = c_.runControl) s.singleStepInterrupt = d->DisableInterruptSingleStep();
    if (const TBanking* b = c_.banking) {
        s.bankingVersion = b->BankingVersion();
        s.bankingMode = b->bankingMode();
        s.resetBank = b->ResetBankNummer();
        s.sfrPort = b->SfrPort();
        s.xdataPort = b->XdataPort();
        for (int i = 0; i < 5; ++i) s.bits[static_cast<std::size_t>(i)] = b->BitNummer(i);
        s.dallasMode = b->DallasAddressingMode();
        s.dallasBanking = b->DallasBanking();
        s.varBanking = b->varBanking();
        s.xdataSwitch = b->XdataPortFlag();
        s.u32Size = b->U32Size();
        s.areaStart = b->BankedAreaStart();
        s.areaEnd = b->BankedAreaEnd();
    }
    s.nonMultiplexed = store().readBool(kDriverKey, kSection, "NonMultiplexed", false);
    s.externBank = store().readInteger(kDriverKey, kSection, "ExternBankNumber", 0x60);
    return s;
}

std::vector<std::string> LiveOptionsTarget::manufacturers() {
    return c_.options ? c_.options->GetManufacturerList() : std::vector<std::string>{};
}

std::vector<std::string> LiveOptionsTarget::processors(const std::string& manufacturer) {
    return c_.options ? c_.options->GetProcessorList(manufacturer) : std::vector<std::string>{};
}

std::string LiveOptionsTarget::manufacturerOf(const std::string& processor) {
    if (!c_.options) return {};
    const TTargetInfoItem* item = c_.options->FindTargetInfo(processor);
    return item ? item->Manufacturer : std::string{};
}

std::optional<ProcessorEntry> LiveOptionsTarget::processor(const std::string& name) {
    if (!c_.options) return std::nullopt;
    const TTargetInfoItem* item = c_.options->FindTargetInfo(name);
    if (!item) return std::nullopt;
    return ProcessorEntry{item->OptionNummer, item->Watchdog};
}

std::array<std::vector<std::string>, 3> LiveOptionsTarget::watchdogListing(int number) {
    std::array<std::vector<std::string>, 3> out;
    if (!c_.options || number == 0) return out;
    // The block of any number, not only the current processor's: the list
    // follows the processor chosen in the dialog.
    const std::string& file = number > 0 ? c_.options->WatchdogFileName() : c_.options->WatchdogUserFileName();
    ITargetOptions::WatchdogCommands block{};
    const std::int64_t index = number > 0 ? std::int64_t{number} - 1 : -std::int64_t{number} - 1;
    std::vector<std::uint8_t> bytes;
    try {
        bytes = platform::readWholeFile(file);
    } catch (const std::exception&) {
        return out;
    }
    const auto at = static_cast<std::uint64_t>(index) * block.size();
    if (bytes.size() < at + block.size()) return out;
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(at), block.size(), block.begin());
    for (int i = 0; i < 3; ++i) out[static_cast<std::size_t>(i)] = TVokWinOptionen::ListWatchdogCommands(block, i);
    return out;
}

bool LiveOptionsTarget::groupContains(const std::string& processor, const std::string& text) {
    if (!c_.sfr) return false;
    try {
        return c_.sfr->GroupContains(processor, text);
    } catch (const std::exception&) {
        return false;
    }
}

bool LiveOptionsTarget::sfrPortValid(const std::string& text) {
    if (c_.registers && c_.registers->FindByName(0, text)) return true;
    const std::string hex = HexStrNormalize(text);
    std::uint32_t value = 0;
    if (!hex.empty() && hex.size() <= 9) {
        value = static_cast<std::uint32_t>(std::stoul(hex.substr(1), nullptr, 16));
    } else if (!text.empty() && text.size() <= 9 && std::all_of(text.begin(), text.end(), [](char ch) {
                   return ch >= '0' && ch <= '9';
               })) {
        value = static_cast<std::uint32_t>(std::stoul(text));
    } else {
        return false;
    }
    return value >= 0x80 && value <= 0xFF;
}

std::vector<std::string> LiveOptionsTarget::ports() { return platform::listPorts(store(), kDriverKey); }

std::vector<std::string> LiveOptionsTarget::usbBoards() {
    std::vector<std::string> out;
    if (!c_.emulator) return out;
    try {
        c_.emulator->ListUsbDevices();
    } catch (const std::exception&) {
        return out;
    }
    for (const auto& d : c_.emulator->UsbDevices())
        if (d) out.push_back(d->serialNumber);
    return out;
}

void LiveOptionsTarget::log(const std::string& line) {
    if (c_.emulator) c_.emulator->Protokoll(line);
}

const char* optionFlagName(OptionFlag flag) {
    switch (flag) {
        case OptionFlag::BreakTraceSave: return "BreakTraceSave";
        case OptionFlag::MapSave: return "MapSave";
        case OptionFlag::SingleStepInterrupt: return "SingleStepInterrupt";
        case OptionFlag::WatchdogSupport: return "WatchdogSupport";
        case OptionFlag::FpgaVariante: return "FpgaVariante";
    }
    return "";
}

void LiveOptionsTarget::setFlag(OptionFlag flag, bool on) {
    switch (flag) {
        case OptionFlag::BreakTraceSave:
            if (c_.options) c_.options->SetOptionBit(TBasisOptionen::BreakTraceSaveBit, on);
            break;
        case OptionFlag::MapSave:
            if (c_.options) c_.options->SetOptionBit(TBasisOptionen::MapSaveBit, on);
            break;
        case OptionFlag::SingleStepInterrupt:
            if (c_.runControl) c_.runControl->SetDisableInterruptSingleStep(on);
            break;
        case OptionFlag::WatchdogSupport:
            if (c_.options) c_.options->SetWatchdogSupport(on);
            break;
        case OptionFlag::FpgaVariante:
            if (c_.emulator) c_.emulator->SetFpgaVariante(on);
            break;
    }
}
void LiveOptionsTarget::setBootLoaderLoad(bool on) {
    if (c_.options) c_.options->SetOptionBit(TBasisOptionen::BootLoaderLoadBit, on);
}
void LiveOptionsTarget::setBootLoader(const std::string& file, std::uint16_t address) {
    if (c_.options) c_.options->SetBootLoader(file, address);
}
void LiveOptionsTarget::setGeneration(int generation) {
    if (c_.emulator && generation != c_.emulator->Generation())
        c_.emulator->SetGeraet(static_cast<std::uint8_t>(generation));
}
void LiveOptionsTarget::setPodKennung(int pod) {
    if (c_.options && pod >= 0 && pod < PodKennungCount) c_.options->SetPodKennung(static_cast<TPodKennung>(pod));
}
void LiveOptionsTarget::setPellunarOption(int option) {
    if (c_.emulator) c_.emulator->SetPellunarOption(option);
}
void LiveOptionsTarget::setExternalClock(bool on) {
    if (c_.emulator && on != c_.emulator->ExternalClock()) c_.emulator->SetExternalClock(on);
}
void LiveOptionsTarget::setU32Size(int size) {
    if (c_.banking) c_.banking->SetU32Size(size);
}
void LiveOptionsTarget::setTargetName(const std::string& name) {
    if (c_.options && name != c_.options->TargetName()) c_.options->SetTargetName(name);
}
void LiveOptionsTarget::setInternalClock(int index) {
    if (c_.emulator && index >= 0) c_.emulator->SetInternalClock(static_cast<std::uint8_t>(index));
}
void LiveOptionsTarget::setDallasAddressingMode(int mode) {
    if (c_.banking) c_.banking->SetDallasAddressingMode(mode);
}
void LiveOptionsTarget::setLpcConfig(std::uint8_t ucfg1, std::uint8_t part) {
    if (c_.options) c_.options->SetLpcConfig(ucfg1, part);
}
void LiveOptionsTarget::setWaitTimeReset(int tenths) {
    if (c_.emulator) c_.emulator->SetWaitTimeReset(static_cast<std::uint8_t>(std::clamp(tenths, 0, 255)));
}
void LiveOptionsTarget::setNonMultiplexed(bool on) { store().writeBool(kDriverKey, kSection, "NonMultiplexed", on); }
void LiveOptionsTarget::setExtReset(bool on, bool polarity) {
    if (!c_.emulator) return;
    c_.emulator->SetExtResetEnabled(on);
    c_.emulator->SetExtResetMode(polarity);
}
void LiveOptionsTarget::lockBankingUpdate(bool begin) {
    if (c_.banking) c_.banking->LockUpdate(begin);
}
void LiveOptionsTarget::setBankingVersion(int version) {
    if (c_.banking) c_.banking->SetBankingVersion(version);
}
void LiveOptionsTarget::setBankingMode(int mode) {
    if (c_.banking) c_.banking->SetBankingMode(mode);
}
void LiveOptionsTarget::setResetBank(int bank) {
    if (c_.banking) c_.banking->SetResetBankNummer(bank);
}
void LiveOptionsTarget::setSfrPort(const std::string& text) {
    if (c_.banking) c_.banking->SetSfrPort(text);
}
void LiveOptionsTarget::setXdataPort(const std::string& text) {
    if (c_.banking) c_.banking->SetXdataPort(text);
}
void LiveOptionsTarget::setXdataSwitch(bool on) {
    if (c_.banking) c_.banking->SetXdataPortFlag(on);
}
void LiveOptionsTarget::setBitNummer(int line, int bit) {
    if (c_.banking) c_.banking->SetBitNummer(line, bit);
}
void LiveOptionsTarget::setDallasBanking(bool on) {
    if (c_.banking) c_.banking->SetDallasBanking(on);
}
void LiveOptionsTarget::setVarBanking(bool on) {
    if (c_.banking) c_.banking->SetVarBanking(on);
}
void LiveOptionsTarget::setExternBank(int bank) { store().writeInteger(kDriverKey, kSection, "ExternBankNumber", bank); }
void LiveOptionsTarget::setBankedArea(std::uint16_t start, std::uint16_t end) {
    if (!c_.banking) return;
    c_.banking->SetBankedAreaStart(start);
    c_.banking->SetBankedAreaEnd(end);
}
void LiveOptionsTarget::setBaudRate(int index) {
    if (c_.emulator) c_.emulator->SetBaudRate(static_cast<std::uint8_t>(index));
}
void LiveOptionsTarget::setTimeouts(std::uint32_t init, std::uint32_t readWrite) {
    if (!c_.emulator) return;
    c_.emulator->SetTimeoutInitString(init);
    c_.emulator->SetTimeoutReadWrite(readWrite);
}
void LiveOptionsTarget::setProtocol(bool on) {
    if (c_.emulator) c_.emulator->SetSysProtokollieren(on);
}
void LiveOptionsTarget::setPortSettings(const std::string& name, std::uint16_t address, bool exclusive) {
    if (c_.emulator) c_.emulator->SetPortSettingsForNextStart(name, address, exclusive);
}
void LiveOptionsTarget::setUsbSerial(const std::string& serial) {
    if (c_.emulator) c_.emulator->SetUsbSerialNumber(serial);
}
void LiveOptionsTarget::saveRegistry() {
    if (c_.options) {
        c_.options->SetFirstCall(false);
        c_.options->SaveRegistry();
    }
    if (c_.emulator) c_.emulator->SaveSettings();
}
void LiveOptionsTarget::setOptionFileName(const std::string& name) {
    if (c_.options) c_.options->SetOptionFileName(name);
}
void LiveOptionsTarget::saveProjectOptions() {
    if (c_.projectFiles) c_.projectFiles->SaveProjectOptions();
}
void LiveOptionsTarget::confirmProjectOptions() {
    if (c_.projectFiles) c_.projectFiles->ConfirmProjectOptions();
}

LiveComponents LiveComponentsOf(TAgdiObject& object, platform::SettingsStore& store) {
    LiveComponents c;
    c.options = &object.Options();
    c.emulator = &object.Emulator();
    c.runControl = object.Debug();
    c.banking = &object.Banking();
    c.sfr = &object.SfrConfig();
    c.registers = object.Registers();
    c.projectFiles = &object.ProjectFiles();
    c.settings = &store;
    return c;
}

}  // namespace tarvex::ui
