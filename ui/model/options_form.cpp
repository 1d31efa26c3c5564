#include "ui/model/options_form.hpp"

#include <algorithm>

#include "core/conversions.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"

namespace tarvex::ui {

const std::array<const char*, kOptionsPageCount> kOptionsPageNames = {
    "PagePreferences", "PageInterface", "PageProcessor", "PageHardware", "PageBanking", "PageWatchdog"};
const std::array<const char*, kOptionsPageCount> kOptionsPageCaptions = {
    "Preferences", "Interface", "Processor", "Hardware", "Banking", "Watchdog"};

namespace {

constexpr unsigned kExclamation = 0x30, kErrorIcon = 0x10;
constexpr const char* kTabs = "PageControl";
constexpr const char* kAll = " All ";
constexpr const char* kLogStart = "Optionen-Dialog: Eingaben übernehmen";
constexpr const char* kLogEnd = "Optionen-Dialog: Eingaben übernehmen Ende";

// The state of one item of a radio group: "<group>#<index>".
std::string item(const char* group, int index) { return std::string(group) + "#" + std::to_string(index); }

std::string addressText(std::uint16_t address) { return "$" + WordToHex(address); }

FormModel* pageModel(OptionsFormModel& m, OptionsPage page) {
    switch (page) {
        case OptionsPage::Preferences: return &m.preferences;
        case OptionsPage::Interface: return &m.interface;
        case OptionsPage::Processor: return &m.processor;
        case OptionsPage::Hardware: return &m.hardware;
        case OptionsPage::Banking: return &m.banking;
        case OptionsPage::Watchdog: return &m.watchdog;
    }
    return nullptr;
}
const FormModel* pageModel(const OptionsFormModel& m, OptionsPage page) {
    return pageModel(const_cast<OptionsFormModel&>(m), page);
}

// The plain settings: a check box that shows one flag of the components and,
// where a step of the apply is named, writes it back as its flag in that
// step; the others are written with the rest of their step.
struct CheckRow {
    OptionsPage page;
    const char* control;
    bool OptionsSnapshot::*value;
    OptionFlag flag;
    const char* step;
};
const CheckRow kCheckRows[] = {
    {OptionsPage::Preferences, "BreakTraceCheck", &OptionsSnapshot::breakTraceSave, OptionFlag::BreakTraceSave,
     "BreakTraceSave"},
    {OptionsPage::Preferences, "MapCheck", &OptionsSnapshot::mapSave, OptionFlag::MapSave, "BreakTraceSave"},
    {OptionsPage::Preferences, "SingleStepCheck", &OptionsSnapshot::singleStepInterrupt,
     OptionFlag::SingleStepInterrupt, "SingleStep"},
    {OptionsPage::Watchdog, "WatchdogCheck", &OptionsSnapshot::watchdogSupport, OptionFlag::WatchdogSupport,
     "WatchdogSupport"},
    {OptionsPage::Processor, "FpgaCheck", &OptionsSnapshot::fpgaVariante, OptionFlag::FpgaVariante,
     "FpgaVariante"},
    {OptionsPage::Processor, "NonMultiplexedCheck", &OptionsSnapshot::nonMultiplexed, {}, nullptr},
    {OptionsPage::Processor, "ExtResetCheck", &OptionsSnapshot::extReset, {}, nullptr},
    {OptionsPage::Interface, "ProtocolCheck", &OptionsSnapshot::protocol, {}, nullptr},
    {OptionsPage::Interface, "ExclusiveCheck", &OptionsSnapshot::portExclusive, {}, nullptr},
};

}  // namespace

// ---------------------------------------------------------------- pages

PreferencesPage::PreferencesPage() {
    setText("BreakTraceCheck", "&Break/Trace settings");
    setText("MapCheck", "&Mapping");
    setText("SingleStepCheck", "&Single Step");
    setText("BootLoaderCheck", "Load boot loader at startup");
    setText("BootAddress", "default");
    setText("BrowseButton", "Brows&e");
    setBootLoaderLoad(false);
}

void PreferencesPage::setBootLoaderLoad(bool on) {
    edit("BootLoaderCheck").checked = on;
    for (const char* c : {"BootFileName", "BootFileNameLabel", "BootAddress", "BootAddressLabel", "BrowseButton"})
        edit(c).enabled = on;
    changed();
}

ProcessorPage::ProcessorPage() {
    setItems("AddressingGroup", {"Standard", "22 Bit paged", "Contiguous"}, 0);
    setText("ConfigureButton", "&Configure");
    setText("ResetTimeoutLabel", "max. 25,5 sec.");
    setText("NonMultiplexedCheck", "A0..A7 non-multiplexed");
    setText("ExtResetCheck", "enable external reset");
    setItems("PolarityGroup", {"Reset (Standard 8051)", "/Reset"}, 1);
    setText("FpgaCheck", "FPGA load always");
    setText("JumperLabel", "(Jumper A1)");
    setText("ClockLabel", "f (MHz):");
}

void ProcessorPage::showRules(const ProcessorRules& rules, int optionNumber) {
    option_ = optionNumber;
    edit("AddressingGroup").visible = rules.addressingShown;
    if (rules.addressingShown) edit("AddressingGroup").itemIndex = rules.addressingPreset;
    edit("ConfigureButton").visible = rules.configureShown;
    auto& nonMux = edit("NonMultiplexedCheck");
    nonMux.visible = nonMux.enabled = rules.nonMultiplexed;
    edit("ResetTimeoutGroup").visible = true;
    if (optionNumber == 17 && control("ResetTimeout").text.empty()) edit("ResetTimeout").text = ResetTimeoutText(1);
    changed();
}

bool ProcessorPage::dallas() const {
    const auto& g = control("AddressingGroup");
    return g.visible && (g.itemIndex == 1 || g.itemIndex == 2);
}

HardwarePage::HardwarePage() {
    setItems("EmulatorTypeGroup", {"TARVEX-IV", "TARVEX-V", "TARVEX-6"}, 1);
    setItems("P2Group", {"Bus", "Port", "Mixed"}, 0);
    setItems("P0Group", {"Bus", "Port", "Mixed"}, 0);
    setItems("HooksGroup", {"Pellunars", "Hardware Hooks"}, 0);
    setItems("PodGroup", {"POD with cable:", "Universal adapter", "TARVEX51-III-POD",
                          std::string(LoadResStr(rs::PodDirectPlug)), "Debug Connector"},
             1);
    setVisible(item("PodGroup", 2), false);
    setItems("CableGroup", {"A0/A3", "A1", "A2"}, 1);
    setItems("ConnectorGroup", {"TARVEX (40 pin)", "ICE connect (30 pin)"}, 0);
    setItems("ClockGroup", {"Emulator clock (POD)", "Target clock"}, 0);
    setItems("ProgramMemoryGroup", {"64k", "32k", "16k"}, 0);
    setItems("RegBankGroup", {"0", "1", "2", "3"}, 0);
}

AdapterChoices HardwarePage::choices() const {
    AdapterChoices c;
    c.pod = static_cast<PodType>(std::clamp(control("PodGroup").itemIndex, 0, 4));
    c.cable = static_cast<CableChoice>(std::clamp(control("CableGroup").itemIndex, 0, 2));
    c.p2 = static_cast<PortMode>(std::clamp(control("P2Group").itemIndex, 0, 2));
    c.p0 = static_cast<PortMode>(std::clamp(control("P0Group").itemIndex, 0, 2));
    c.hooks = control("HooksGroup").itemIndex == 1 ? PortHooks::HardwareHooks : PortHooks::Pellunars;
    // The connector choice counts only where it is shown.
    c.ice30 = control("ConnectorGroup").visible && control("ConnectorGroup").itemIndex == 1;
    return c;
}

void HardwarePage::showChoices(const AdapterChoices& c) {
    edit("PodGroup").itemIndex = static_cast<int>(c.pod);
    edit("CableGroup").itemIndex = static_cast<int>(c.cable);
    edit("P2Group").itemIndex = static_cast<int>(c.p2);
    edit("P0Group").itemIndex = static_cast<int>(c.p0);
    edit("HooksGroup").itemIndex = c.hooks == PortHooks::HardwareHooks ? 1 : 0;
    edit("ConnectorGroup").itemIndex = c.ice30 ? 1 : 0;
    changed();
}

void HardwarePage::setGeneration(int generation) {
    edit("EmulatorTypeGroup").itemIndex = generation >= 0 && generation <= 2 ? generation : -1;
    auto& pod = edit("PodGroup");
    pod.items[3] = std::string(LoadResStr(generation == 2 ? rs::ProcessorAdapter : rs::PodDirectPlug));
    edit("ConnectorGroup").visible = generation == 2;
    changed();
}

bool HardwarePage::portRules(bool hooksAvailable, bool a2Available) {
    bool a2GaveWay = false;
    auto& cable = edit(item("CableGroup", 2));
    cable.enabled = a2Available;
    const bool isCable = control("PodGroup").itemIndex == static_cast<int>(PodType::Cable);
    if (control("CableGroup").itemIndex == 2 && !a2Available) {
        edit("CableGroup").itemIndex = 1;
        a2GaveWay = isCable;
    }
    edit(item("HooksGroup", 1)).enabled = hooksAvailable;
    if (control("HooksGroup").itemIndex == 1 && !hooksAvailable) edit("HooksGroup").itemIndex = 0;
    for (const char* g : {"CableGroup"}) edit(g).enabled = isCable;

    const AdapterChoices c = choices();
    bool bus[2] = {true, true}, port[2] = {false, false}, mixed[2] = {false, false};  // [0] P2, [1] P0
    const bool pellunars = control("HooksGroup").itemIndex == 0;
    if (c.pod == PodType::DirectPlug || c.pod == PodType::DebugConnector ||
        (isCable && c.cable == CableChoice::A0A3)) {
        port[0] = port[1] = true;
        mixed[1] = pellunars;
        mixed[0] = mixed[1] && control("P0Group").itemIndex == 2;
    } else if (c.pod == PodType::Tarvex51III) {
        port[0] = port[1] = hooksAvailable;
    } else if (isCable && c.cable == CableChoice::A2) {
        port[0] = port[1] = true;
        bus[0] = false;
        edit("P2Group").itemIndex = 1;
    } else {
        edit("P2Group").itemIndex = 0;
    }
    const char* groups[2] = {"P2Group", "P0Group"};
    for (int g = 0; g < 2; ++g) {
        edit(item(groups[g], 0)).enabled = bus[g];
        edit(item(groups[g], 1)).enabled = port[g];
        edit(item(groups[g], 2)).enabled = mixed[g];
        auto& group = edit(groups[g]);
        if (group.itemIndex >= 0 && !control(item(groups[g], group.itemIndex)).enabled)
            group.itemIndex = bus[g] ? 0 : 1;
    }
    changed();
    return a2GaveWay;
}

WatchdogPage::WatchdogPage() {
    setText("WatchdogCheck", "&Watchdog support");
    setText("AfterStopLabel", "after stopp:");
    setText("WatchdogLabel", "Watchdog:");
    setText("BeforeStartLabel", "before start:");
}

void WatchdogPage::showListing(int watchdogNumber, const std::array<std::vector<std::string>, 3>& listing) {
    const char* lists[] = {"AfterStopList", "WatchdogList", "BeforeStartList"};
    for (int i = 0; i < 3; ++i) edit(lists[i]).items = listing[static_cast<std::size_t>(i)];
    auto& check = edit("WatchdogCheck");
    check.enabled = watchdogNumber != 0;
    if (!check.enabled) check.checked = false;
    for (const char* l : lists) edit(l).enabled = check.checked;
    changed();
}

// ---------------------------------------------------------------- the form

OptionsFormModel::OptionsFormModel(IOptionsTarget& target, platform::SettingsStore& store)
    : DialogModel("FormOptions", kHelpContext, store), target_(target), settings_(store) {
    setCaption("Options");
    setText("VersionCaption", "Tarvex-Dll Version:");
    setText("VersionLabel", "7.3.80");
    setText("OkButton", "Ok");
    setText("CancelButton", "Cancel");
    setText("HelpButton", "Help");
    setText("LoadButton", "Load");
    setVisible("LoadButton", false);
    interface.setText("PortNameLabel", "&Name:");
    interface.setText("PortAddressLabel", "&Address:");
    preferences.setText("BootFileNameLabel", "&File name:");
    preferences.setText("BootAddressLabel", "Load address:");
    interface.setText("TimeoutInit", "4000");
    interface.setText("TimeoutReadWrite", "2000");
    showPage(storedPage());
}

FormModel& OptionsFormModel::page(OptionsPage p) { return *pageModel(*this, p); }

int OptionsFormModel::storedPage() const {
    const int page = settings_.readInteger(kDriverKey, "FormOptions", "Active", 0);
    return page >= 0 && page < kOptionsPageCount ? page : 0;
}

void OptionsFormModel::setActivePage(int page) {
    if (page < 0 || page >= kOptionsPageCount) return;
    showPage(page);
    changed();
}

// The tabs show the page, and help (button and F1) is the page's.
void OptionsFormModel::showPage(int page) {
    active_ = page;
    edit(kTabs).itemIndex = page;
    setHelpContext(page == static_cast<int>(OptionsPage::Banking) ? kBankingHelpContext : kHelpContext);
}

unsigned OptionsFormModel::pageHelpContext() const { return helpContext(); }

void OptionsFormModel::markAccept() {
    setText("OkButton", std::string(LoadResStr(rs::Accept)));
}

void OptionsFormModel::fill() {
    snapshot_ = target_.read();
    const OptionsSnapshot& s = snapshot_;
    lpc1_ = s.lpcUcfg1;
    lpc2_ = s.lpcPartConfig;

    // The plain settings first: no rule below changes a check box.
    for (const auto& row : kCheckRows) pageModel(*this, row.page)->setChecked(row.control, s.*row.value);

    // Preferences
    preferences.setText("BootFileName", s.bootLoaderFile);
    if (s.bootLoaderAddress != 0 || !s.bootLoaderFile.empty())
        preferences.setText("BootAddress", WordToHex(s.bootLoaderAddress));
    preferences.setBootLoaderLoad(s.bootLoaderLoad);

    // Hardware: the generation and the adapter before the rules run.
    hardware.setGeneration(s.generation);
    hardware.setEnabled("EmulatorTypeGroup", s.connectionState < 2);
    hardware.setText("FirmwareLabel", "Firmware version: " + s.firmwareText);
    hardware.setText("DeviceLabel", "Device number " + s.deviceNumber);
    hardware.showChoices(ChoicesFrom(s.podKennung));
    hardware.setItems("ClockGroup", hardware.control("ClockGroup").items, s.externalClock ? 1 : 0);
    hardware.setItems("ProgramMemoryGroup", hardware.control("ProgramMemoryGroup").items, std::clamp(s.u32Size, 0, 2));
    hardware.setItems("RegBankGroup", hardware.control("RegBankGroup").items, std::clamp(s.pellunarOption, 0, 3));
    hardware.setEnabled("RegBankGroup", s.generation != 0);

    // Processor
    processor.setText("ResetTimeout", ResetTimeoutText(s.waitTimeReset));
    processor.setItems("PolarityGroup", processor.control("PolarityGroup").items, s.extResetPolarity ? 1 : 0);
    processor.setItems("ClockCombo", s.clockNames, s.internalClock);
    {
        const std::string maker = target_.manufacturerOf(s.targetName);
        std::vector<std::string> makers{kAll};
        for (auto& m : target_.manufacturers()) makers.push_back(m);
        int index = 0;
        for (std::size_t i = 0; i < makers.size(); ++i)
            if (makers[i] == maker) index = static_cast<int>(i);
        processor.setItems("ManufacturerList", makers, index);
        listProcessors(s.targetName);
    }
    // Every rule once: processor rules (with the hardware's), then banking.
    processorRules(false);
    if (processor.control("AddressingGroup").visible)
        processor.setItems("AddressingGroup", processor.control("AddressingGroup").items, s.dallasMode);
    bankingContext();

    // Banking from the banking's values.
    const int size = std::clamp(s.bankingVersion / 2, 0, 2);
    const bool m512 = s.bankingVersion % 2 == 1;
    int k = s.bankingMode == 0 ? 0 : s.bankingMode - 4 * size;
    if (k < 0 || k > 4) k = 0;
    banking.fill(m512, size, static_cast<EmulationMemory>(k), s.areaStart, s.areaEnd, s.dallasBanking, s.varBanking);
    bankingContext();
    banking.chooseSwitchVia(s.xdataSwitch ? 1 : 0);
    banking.setText("SfrPort", s.sfrPort);
    banking.setText("XdataPort", s.xdataPort);
    for (std::size_t i = 0; i < kBitEdits.size(); ++i) banking.setText(kBitEdits[i], std::to_string(s.bits[i]));
    banking.setText("ExternBankNumber", ByteToHex(static_cast<std::uint8_t>(s.externBank)));
    {
        // The reset bank shows what the banking holds, not the highest.
        const auto& items = banking.control("ResetBank").items;
        const std::string bank = std::to_string(s.resetBank);
        const auto it = std::find(items.begin(), items.end(), bank);
        if (it != items.end()) banking.setItems("ResetBank", items, static_cast<int>(it - items.begin()));
    }

    // Interface: the link kind from the port name, then the current values.
    const std::string kind = s.portName.substr(0, 3);
    interface.setText("TimeoutInit", std::to_string(s.timeoutInit));
    interface.setText("TimeoutReadWrite", std::to_string(s.timeoutReadWrite));
    interface.setItems("BaudRateGroup", interface.control("BaudRateGroup").items, s.baudRate);
    chooseLinkKind(kind == "COM" ? 0 : kind == "USB" ? 2 : 1);
    if (kind == "USB") {
        interface.refreshUsb(target_.usbBoards(), s.usbSerial);
        if (s.connectionState >= 2) interface.setVisible("UsbHintLabel", false);
    } else {
        auto items = interface.control("PortName").items;
        auto it = std::find(items.begin(), items.end(), s.portName);
        if (it == items.end()) {
            items.push_back(s.portName);
            it = items.end() - 1;
        }
        const int index = static_cast<int>(it - items.begin());
        interface.setItems("PortName", items, index);
    }
    interface.setText("PortAddress", addressText(s.portAddress));
    setText("OkButton", "Ok");
}

void OptionsFormModel::listProcessors(const std::string& wanted) {
    const auto& makers = processor.control("ManufacturerList");
    const std::string maker =
        makers.itemIndex > 0 ? makers.items[static_cast<std::size_t>(makers.itemIndex)] : std::string{};
    auto cpus = target_.processors(maker);
    int index = cpus.empty() ? -1 : 0;
    for (std::size_t i = 0; i < cpus.size(); ++i)
        if (cpus[i] == wanted) index = static_cast<int>(i);
    processor.setItems("ProcessorList", std::move(cpus), index);
}

std::string OptionsFormModel::chosenProcessor() const {
    const auto& list = processor.control("ProcessorList");
    if (list.itemIndex < 0 || list.itemIndex >= static_cast<int>(list.items.size())) return snapshot_.targetName;
    return list.items[static_cast<std::size_t>(list.itemIndex)];
}

ProcessorEntry OptionsFormModel::chosenEntry() const {
    return target_.processor(chosenProcessor()).value_or(ProcessorEntry{});
}

void OptionsFormModel::processorRules(bool fromUser) {
    const ProcessorEntry entry = chosenEntry();
    const ProcessorRules rules =
        ProcessorRulesFor(entry.optionNumber, snapshot_.firmwareCode, entry.watchdogNumber, hardware.choices());
    processor.showRules(rules, entry.optionNumber);
    if (hardware.portRules(rules.hooksAvailable, rules.a2Available) && fromUser)
        WarningBox(std::string(LoadResStr(rs::AdapterConfigurationChanged)), kExclamation);
    watchdog.showListing(entry.watchdogNumber, target_.watchdogListing(entry.watchdogNumber));
    bankingContext();
}

void OptionsFormModel::hardwareRules(bool fromUser) { processorRules(fromUser); }

void OptionsFormModel::bankingContext() {
    BankingContext c;
    c.generation = hardware.generation();
    c.p2Port = hardware.control("P2Group").itemIndex == 1;
    c.dallas = processor.dallas();
    c.option15 = processor.optionNumber() == 15;
    banking.setContext(c);
}

void OptionsFormModel::chooseManufacturer(int index) {
    const auto& makers = processor.control("ManufacturerList");
    if (index < 0 || index >= static_cast<int>(makers.items.size())) return;
    processor.setItems("ManufacturerList", makers.items, index);
    listProcessors(chosenProcessor());
    processorRules(true);
}

void OptionsFormModel::chooseProcessor(int index) {
    const auto& list = processor.control("ProcessorList");
    if (index < 0 || index >= static_cast<int>(list.items.size())) return;
    processor.setItems("ProcessorList", list.items, index);
    markAccept();
    // The pending LPC bytes are the options' again for a new choice.
    lpc1_ = snapshot_.lpcUcfg1;
    lpc2_ = snapshot_.lpcPartConfig;
    processorRules(true);
}

void OptionsFormModel::chooseLinkKind(int kind) {
    try {
        ports_ = target_.ports();
        portListFailed_ = false;
    } catch (const std::exception&) {
        portListFailed_ = true;
        if (kind != 2) WarningBox("Die COM-Port-Liste konnte nicht erstellt werden.", kExclamation);
    }
    interface.chooseLinkKind(kind, ports_);
}

void OptionsFormModel::refreshUsb() { interface.refreshUsb(target_.usbBoards(), snapshot_.usbSerial); }

void OptionsFormModel::choosePortName(int index) {
    const auto& names = interface.control("PortName");
    if (index < 0 || index >= static_cast<int>(names.items.size())) return;
    interface.setItems("PortName", names.items, index);
    markAccept();
}

void OptionsFormModel::chooseGeneration(int generation) {
    hardware.setGeneration(generation);
    hardware.setEnabled("RegBankGroup", generation != 0);
    hardwareRules(true);
}

void OptionsFormModel::chooseP2(PortMode mode) {
    if (mode == PortMode::Port) {
        const auto memory = banking.memory();
        if (hardware.generation() == 0 && memory != EmulationMemory::M64_64) {
            WarningBox(std::string(LoadResStr(rs::NoBankingWithP2Portmode)), kExclamation);
            mode = PortMode::Bus;
        } else if (hardware.generation() == 1 && memory == EmulationMemory::M512_0) {
            WarningBox(std::string(LoadResStr(rs::Program512kWithP2)), kExclamation);
            mode = PortMode::Bus;
        }
    }
    hardware.setItems("P2Group", hardware.control("P2Group").items, static_cast<int>(mode));
    if (mode == PortMode::Port &&
        !(hardware.control(item("HooksGroup", 1)).enabled && hardware.control("HooksGroup").itemIndex == 1))
        hardware.setItems("HooksGroup", hardware.control("HooksGroup").items, 0);
    hardwareRules(true);
}

void OptionsFormModel::chooseP0(PortMode mode) {
    hardware.setItems("P0Group", hardware.control("P0Group").items, static_cast<int>(mode));
    hardwareRules(true);
}

void OptionsFormModel::chooseHooks(PortHooks hooks) {
    hardware.setItems("HooksGroup", hardware.control("HooksGroup").items, hooks == PortHooks::HardwareHooks ? 1 : 0);
    hardwareRules(true);
}

void OptionsFormModel::choosePod(PodType pod) {
    const auto& nonMux = processor.control("NonMultiplexedCheck");
    if (pod != PodType::Universal && nonMux.visible && nonMux.checked)
        WarningBox(std::string(LoadResStr(rs::ProzessorNonMultiplexed)), kExclamation);
    hardware.setItems("PodGroup", hardware.control("PodGroup").items, static_cast<int>(pod));
    hardwareRules(true);
}

void OptionsFormModel::chooseCable(CableChoice cable) {
    hardware.setItems("CableGroup", hardware.control("CableGroup").items, static_cast<int>(cable));
    hardwareRules(true);
}

void OptionsFormModel::chooseConnector(bool ice30) {
    hardware.setItems("ConnectorGroup", hardware.control("ConnectorGroup").items, ice30 ? 1 : 0);
    hardwareRules(true);
}

void OptionsFormModel::setWatchdogSupport(bool on) {
    watchdog.setChecked("WatchdogCheck", on && watchdog.control("WatchdogCheck").enabled);
    for (const char* l : {"AfterStopList", "WatchdogList", "BeforeStartList"})
        watchdog.setEnabled(l, watchdog.control("WatchdogCheck").checked);
}

void OptionsFormModel::setLpcBytes(std::uint8_t ucfg1, std::uint8_t part) {
    lpc1_ = ucfg1;
    lpc2_ = part;
}

OptionsPage OptionsFormModel::pageOf(const std::string& control) {
    static const std::vector<std::pair<std::string, OptionsPage>> kPages = {
        {"TimeoutInit", OptionsPage::Interface},     {"TimeoutReadWrite", OptionsPage::Interface},
        {"PortAddress", OptionsPage::Interface},     {"PortName", OptionsPage::Interface},
        {"ResetTimeout", OptionsPage::Processor},    {"BootFileName", OptionsPage::Preferences},
        {"BootAddress", OptionsPage::Preferences},
    };
    for (const auto& [name, page] : kPages)
        if (name == control) return page;
    return OptionsPage::Banking;
}

bool OptionsFormModel::checkedOnLeaving(const std::string& control) {
    static const char* const kChecked[] = {"TimeoutInit", "TimeoutReadWrite", "PortAddress", "ResetTimeout",
                                           "SfrPort", "XdataPort", "BankStart", "BankEnd", "ExternBankNumber",
                                           "EditA14", "EditA15", "EditA16", "EditA17", "EditA18", "BootFileName",
                                           "BootAddress"};
    for (const char* name : kChecked)
        if (control == name) return true;
    return false;
}

void OptionsFormModel::editText(const std::string& control, const std::string& text, bool modified) {
    FormModel* page = pageModel(*this, pageOf(control));
    if (page->control(control).text == text) return;
    // Fixed-size banks fix the banked area: nothing typed there counts.
    if (page == &banking && banking.readOnly(control)) return;
    page->setText(control, text);
    if (modified && !checkControl(control)) markAccept();
}

std::optional<std::string> OptionsFormModel::checkControl(const std::string& name) const {
    const OptionsPage page = pageOf(name);
    const std::string& text = pageModel(*this, page)->control(name).text;
    if (name == "TimeoutInit" || name == "TimeoutReadWrite" || name == "PortAddress")
        return EditError(OptionsEdit::Integer, text);
    if (name == "ResetTimeout") {
        if (!processor.control("ResetTimeoutGroup").visible) return std::nullopt;
        return EditError(OptionsEdit::ResetTimeout, text);
    }
    if (name == "BootAddress") return EditError(OptionsEdit::LoadAddress, text);
    if (page != OptionsPage::Banking) return std::nullopt;
    for (const char* bit : kBitEdits)
        if (name == bit) return EditError(OptionsEdit::BitPosition, text);
    if (name == "XdataPort") return EditError(OptionsEdit::Hex16, text);
    if (name == "BankStart" || name == "BankEnd") {
        if (auto e = EditError(OptionsEdit::Hex16, text)) return e;
        if (name == "BankStart") return std::nullopt;
        return BankedAreaError(banking.control("BankStart").text, text);
    }
    if (name == "ExternBankNumber") return EditError(OptionsEdit::ExternBank, text);
    if (name == "SfrPort") {
        const std::string cpu = chosenProcessor();
        const bool valid = cpu != snapshot_.targetName ? target_.groupContains(cpu, text) : target_.sfrPortValid(text);
        if (valid) return std::nullopt;
        return FmtResStr(rs::InvalidPortAddress, text);
    }
    return std::nullopt;
}

std::optional<OptionsInputError> OptionsFormModel::validateAll() const {
    static const char* const kInterface[] = {"TimeoutInit", "TimeoutReadWrite", "PortAddress"};
    auto enabled = [this](const std::string& name) {
        const ControlState& c = pageModel(*this, pageOf(name))->control(name);
        return c.enabled && c.visible;
    };
    for (const char* name : kInterface)
        if (enabled(name) || std::string(name) != "PortAddress")
            if (auto e = checkControl(name)) return OptionsInputError{*e, OptionsPage::Interface, name};
    if (auto e = checkControl("ResetTimeout")) return OptionsInputError{*e, OptionsPage::Processor, "ResetTimeout"};
    if (enabled("BootAddress"))
        if (auto e = checkControl("BootAddress")) return OptionsInputError{*e, OptionsPage::Preferences, "BootAddress"};
    const bool switching = banking.control("BitPositionGroup").visible;
    std::vector<std::string> bankingEdits;
    if (switching) bankingEdits.insert(bankingEdits.end(), {"SfrPort", "XdataPort"});
    if (switching)
        for (const char* bit : kBitEdits) bankingEdits.emplace_back(bit);
    bankingEdits.insert(bankingEdits.end(), {"ExternBankNumber", "BankStart", "BankEnd"});
    for (const auto& name : bankingEdits) {
        if (!enabled(name)) continue;
        if (auto e = checkControl(name)) {
            // A start after its end is refused on the start.
            const std::string focus = name == "BankEnd" && !EditError(OptionsEdit::Hex16, banking.control(name).text)
                                          ? "BankStart"
                                          : name;
            return OptionsInputError{*e, OptionsPage::Banking, focus};
        }
    }
    if (switching) {
        std::array<std::string, 5> texts;
        std::array<bool, 5> on{};
        for (std::size_t i = 0; i < 5; ++i) {
            texts[i] = banking.control(kBitEdits[i]).text;
            on[i] = banking.control(kBitEdits[i]).enabled;
        }
        if (auto first = FirstEqualBitPosition(texts, on))
            return OptionsInputError{"Bit positions must be different", OptionsPage::Banking,
                                     kBitEdits[static_cast<std::size_t>(*first)]};
    }
    return std::nullopt;
}

int OptionsFormModel::resetTimeoutTenths() const {
    if (!processor.control("ResetTimeoutGroup").visible) return 0;
    return ResetTimeoutTenths(processor.control("ResetTimeout").text).value_or(0);
}

// ---------------------------------------------------------------- routing

void OptionsFormModel::browseBootLoader() {
    auto* files = platform::currentUi().files;
    if (!files) return;
    platform::FileRequest request;
    request.filter = "Binary files (*.bin)|*.bin";
    request.fileName = preferences.control("BootFileName").text;
    if (auto choice = files->chooseFile(request)) preferences.setText("BootFileName", choice->path);
}

bool OptionsFormModel::act(const std::string& name, int value) {
    struct Route {
        const char* control;
        void (*run)(OptionsFormModel& m, int value);
    };
    static const Route kRoutes[] = {
        {"BootLoaderCheck", [](OptionsFormModel& m, int on) { m.setBootLoaderLoad(on != 0); }},
        {"BrowseButton", [](OptionsFormModel& m, int) { m.browseBootLoader(); }},
        {"LinkKindGroup", [](OptionsFormModel& m, int kind) { m.chooseLinkKind(kind); }},
        {"PortName", [](OptionsFormModel& m, int i) { m.choosePortName(i); }},
        {"UsbList", [](OptionsFormModel& m, int row) { m.interface.selectBoard(row); }},
        {"RefreshUsbButton", [](OptionsFormModel& m, int) { m.refreshUsb(); }},
        {"ManufacturerList", [](OptionsFormModel& m, int i) { m.chooseManufacturer(i); }},
        {"ProcessorList", [](OptionsFormModel& m, int i) { m.chooseProcessor(i); }},
        {"EmulatorTypeGroup", [](OptionsFormModel& m, int i) { m.chooseGeneration(i); }},
        {"P2Group", [](OptionsFormModel& m, int i) { m.chooseP2(static_cast<PortMode>(i)); }},
        {"P0Group", [](OptionsFormModel& m, int i) { m.chooseP0(static_cast<PortMode>(i)); }},
        {"HooksGroup",
         [](OptionsFormModel& m, int i) { m.chooseHooks(i == 1 ? PortHooks::HardwareHooks : PortHooks::Pellunars); }},
        {"PodGroup", [](OptionsFormModel& m, int i) { m.choosePod(static_cast<PodType>(i)); }},
        {"CableGroup", [](OptionsFormModel& m, int i) { m.chooseCable(static_cast<CableChoice>(i)); }},
        {"ConnectorGroup", [](OptionsFormModel& m, int i) { m.chooseConnector(i == 1); }},
        {"BankSizeGroup", [](OptionsFormModel& m, int i) { m.banking.chooseSize(i); }},
        {"SwitchViaGroup", [](OptionsFormModel& m, int i) { m.banking.chooseSwitchVia(i); }},
        {"Size128", [](OptionsFormModel& m, int) { m.banking.chooseM(false); }},
        {"Size512", [](OptionsFormModel& m, int) { m.banking.chooseM(true); }},
        {"CodeClassic", [](OptionsFormModel& m, int) { m.banking.chooseCodeDallas(false); }},
        {"CodeDallas", [](OptionsFormModel& m, int) { m.banking.chooseCodeDallas(true); }},
        {"CodeBanking", [](OptionsFormModel& m, int on) { m.banking.setCodeBanking(on != 0); }},
        {"VariableBanking", [](OptionsFormModel& m, int on) { m.banking.setVariableBanking(on != 0); }},
        {"WatchdogCheck", [](OptionsFormModel& m, int on) { m.setWatchdogSupport(on != 0); }},
        {kTabs, [](OptionsFormModel& m, int page) { m.setActivePage(page); }},
    };
    for (const auto& route : kRoutes)
        if (name == route.control) {
            route.run(*this, value);
            return true;
        }
    for (std::size_t i = 0; i < kMemoryButtons.size(); ++i)
        if (name == kMemoryButtons[i]) {
            banking.chooseMemory(static_cast<EmulationMemory>(i));
            return true;
        }
    // The plain check boxes, and the choices that only set their item.
    for (const auto& row : kCheckRows)
        if (name == row.control) {
            pageModel(*this, row.page)->setChecked(name, value != 0);
            return true;
        }
    static const std::pair<const char*, OptionsPage> kPicks[] = {
        {"BaudRateGroup", OptionsPage::Interface}, {"PolarityGroup", OptionsPage::Processor},
        {"ClockCombo", OptionsPage::Processor},    {"AddressingGroup", OptionsPage::Processor},
        {"ClockGroup", OptionsPage::Hardware},     {"ProgramMemoryGroup", OptionsPage::Hardware},
        {"RegBankGroup", OptionsPage::Hardware},   {"ResetBank", OptionsPage::Banking},
    };
    for (const auto& [control, page] : kPicks)
        if (name == control) {
            FormModel& m = *pageModel(*this, page);
            m.setItems(name, m.control(name).items, value);
            // The addressing mode decides the banking's Dallas kinds.
            if (name == "AddressingGroup") bankingContext();
            return true;
        }
    return false;
}

std::vector<std::string> OptionsFormModel::markedFields() const {
    if (externBankValid() || !banking.control("ExternBankNumber").enabled) return {};
    return {"ExternBankNumber"};
}

namespace {

// The option file "Ok" writes when the project has none yet.
std::optional<std::string> askOptionFile(const std::string& projectDir) {
    auto* files = platform::currentUi().files;
    if (!files) return std::nullopt;
    platform::FileRequest request;
    request.title = "Options";
    request.filter = "Option files (*.bopt)|*.bopt";
    request.initialDir = projectDir;
    request.mustExist = false;
    auto choice = files->chooseFile(request);
    if (!choice) return std::nullopt;
    return choice->path;
}

}  // namespace

forms::FormEvents OptionsFormModel::events(forms::FormWindow window, LpcOpener openLpc) {
    struct Shared {
        forms::FormWindow window;
        LpcOpener openLpc;
        // While a box is up, and once the dialog ends, no field is checked.
        bool checking = false;
        bool ended = false;

        std::string focused() const { return window.focused ? window.focused() : std::string(); }
    };
    auto shared = std::make_shared<Shared>(Shared{std::move(window), std::move(openLpc)});
    // The check of a field the user leaves: the box, and false to keep the
    // focus there.
    const auto refuse = [this, shared](const std::string& name) {
        const auto error = checkControl(name);
        if (!error) return false;
        shared->checking = true;
        ErrorBox(*error, kErrorIcon);
        shared->checking = false;
        return true;
    };
    const auto ok = [this, shared, refuse] {
        // The field that has the focus first, then every field.
        if (const std::string focus = shared->focused(); checkedOnLeaving(focus) && refuse(focus)) return;
        const forms::FormWindow& w = shared->window;
        if (const auto error = validateAll()) {
            shared->checking = true;
            setActivePage(static_cast<int>(error->page));
            ErrorBox(error->message, kErrorIcon);
            if (w.focus) w.focus(error->control);
            shared->checking = false;
            return;
        }
        settings_.writeInteger(kDriverKey, section(), "Active", active_);
        if (w.keepHistories) w.keepHistories();
        // Nothing is checked any more while the apply asks and reports.
        shared->ended = true;
        applied_ = OptionsApplier(*this, askOptionFile).apply();
        if (w.end) w.end(true);
    };
    forms::FormEvents events;
    events.click = [this, shared, ok](const std::string& name) {
        if (name == "OkButton") {
            ok();
        } else if (name == "CancelButton") {
            shared->ended = true;
            if (shared->window.end) shared->window.end(false);
        } else if (name == "HelpButton") {
            help();
        } else if (name == "ConfigureButton") {
            std::uint8_t ucfg1 = lpc1_, part = lpc2_;
            if (shared->openLpc && shared->openLpc(processor.optionNumber(), ucfg1, part)) setLpcBytes(ucfg1, part);
        } else {
            act(name, 0);
        }
    };
    events.choose = [this](const std::string& name, int index) { act(name, index); };
    events.check = [this](const std::string& name, bool on) { act(name, on ? 1 : 0); };
    events.text = [this](const std::string& name, const std::string& text) {
        // The boot loader's fields are taken as they are, and checked at "Ok".
        if (name == "BootFileName" || name == "BootAddress") {
            preferences.setText(name, text);
        } else {
            editText(name, text, true);
        }
    };
    events.leave = [this, shared, refuse](const std::string& name) {
        if (shared->checking || shared->ended) return true;
        const std::string focus = shared->focused();
        // A page is left only with valid input in the field that has the
        // focus (one whose check failed keeps it).
        if (name == kTabs) return !checkedOnLeaving(focus) || !checkControl(focus);
        return focus == "CancelButton" || !checkedOnLeaving(name) || !refuse(name);
    };
    // "Ok" waits for a valid extern bank number.
    events.changed = [this] {
        const bool valid = markedFields().empty();
        if (control("OkButton").enabled != valid) setEnabled("OkButton", valid);
    };
    events.ended = [shared](bool) { shared->ended = true; };
    return events;
}

// ---------------------------------------------------------------- apply

OptionsApplier::OptionsApplier(OptionsFormModel& model, AskFileName ask) : m_(model), ask_(std::move(ask)) {}

ApplyResult OptionsApplier::apply() {
    ApplyResult result;
    IOptionsTarget& t = m_.target();
    const OptionsSnapshot& s = m_.snapshot();
    auto step = [&result](const char* what, const std::function<void()>& run) {
        try {
            run();
        } catch (const std::exception& e) {
            result.failures.push_back(std::string(what) + ": " + e.what());
        }
    };
    const auto& pref = m_.preferences;
    const auto& hw = m_.hardware;
    const auto& cpu = m_.processor;
    const auto& bank = m_.banking;
    const auto& link = m_.interface;

    // The plain settings of one step, in the rows' order.
    auto writeChecks = [&](const std::string& name) {
        step(name.c_str(), [&] {
            for (const auto& row : kCheckRows)
                if (row.step && name == row.step) t.setFlag(row.flag, pageModel(m_, row.page)->control(row.control).checked);
        });
    };

    step("Log", [&] { t.log(kLogStart); });
    writeChecks("BreakTraceSave");
    writeChecks("SingleStep");
    step("BootLoader", [&] {
        t.setBootLoaderLoad(pref.control("BootLoaderCheck").checked);
        const std::string& file = pref.control("BootFileName").text;
        const auto address = LoadAddress(pref.control("BootAddress").text, s.bootLoaderAddress);
        const std::uint16_t value = address.value_or(s.bootLoaderAddress);
        if (file != s.bootLoaderFile || value != s.bootLoaderAddress) t.setBootLoader(file, value);
    });
    step("Generation", [&] {
        if (hw.control("EmulatorTypeGroup").enabled && hw.generation() >= 0) t.setGeneration(hw.generation());
    });
    step("PodKennung", [&] { t.setPodKennung(PodKennungFrom(hw.choices())); });
    step("PellunarOption", [&] {
        if (hw.control("RegBankGroup").enabled) t.setPellunarOption(hw.control("RegBankGroup").itemIndex);
    });
    step("ExternalClock", [&] { t.setExternalClock(hw.control("ClockGroup").itemIndex == 1); });
    step("U32Size", [&] { t.setU32Size(std::max(0, hw.control("ProgramMemoryGroup").itemIndex)); });
    const std::string processor = m_.chosenProcessor();
    const ProcessorEntry entry = m_.chosenEntry();
    const auto before = t.processor(s.targetName);
    result.familyChanged = !before || before->optionNumber != entry.optionNumber;
    step("TargetName", [&] { t.setTargetName(processor); });
    step("InternalClock", [&] {
        if (cpu.control("ClockCombo").itemIndex >= 0) t.setInternalClock(cpu.control("ClockCombo").itemIndex);
    });
    step("DallasAddressingMode", [&] {
        t.setDallasAddressingMode(cpu.control("AddressingGroup").visible ? cpu.control("AddressingGroup").itemIndex : 0);
    });
    step("LpcConfig", [&] {
        if (entry.optionNumber == 9) t.setLpcConfig(m_.lpcUcfg1(), m_.lpcPartConfig());
    });
    step("WaitTimeReset", [&] { t.setWaitTimeReset(m_.resetTimeoutTenths()); });
    step("NonMultiplexed", [&] {
        if (cpu.control("NonMultiplexedCheck").visible) t.setNonMultiplexed(cpu.control("NonMultiplexedCheck").checked);
    });
    writeChecks("WatchdogSupport");
    writeChecks("FpgaVariante");
    step("ExtReset", [&] {
        t.setExtReset(cpu.control("ExtResetCheck").checked, cpu.control("PolarityGroup").itemIndex == 1);
    });
    step("Banking", [&] {
        t.lockBankingUpdate(true);
        // The bracket closes whatever a setter inside it raised.
        struct Unlock {
            IOptionsTarget& t;
            ~Unlock() {
                try {
                    t.lockBankingUpdate(false);
                } catch (...) {
                }
            }
        } unlock{t};
        // Each setting inside the bracket is a step of its own.
        const auto& inner = step;
        const int size = bank.sizeIndex();
        inner("BankingVersion", [&] { t.setBankingVersion(BankingVersionFrom(size, bank.memory512())); });
        inner("BankingMode", [&] {
            if (auto mode = BankingModeFrom(bank.memory(), size)) t.setBankingMode(*mode);
        });
        inner("ResetBank", [&] {
            const auto& rb = bank.control("ResetBank");
            if (rb.itemIndex >= 0) t.setResetBank(std::stoi(rb.items[static_cast<std::size_t>(rb.itemIndex)]));
        });
        inner("SfrPort", [&] { t.setSfrPort(bank.control("SfrPort").text); });
        inner("XdataPort", [&] { t.setXdataPort(bank.control("XdataPort").text); });
        inner("XdataSwitch", [&] { t.setXdataSwitch(bank.control("SwitchViaGroup").itemIndex == 1); });
        for (int i = 0; i < 5; ++i)
            inner("BitNummer", [&] {
                const std::string& text = bank.control(kBitEdits[static_cast<std::size_t>(i)]).text;
                if (BitPositionValid(text)) t.setBitNummer(i, text[0] - '0');
            });
        inner("DallasBanking", [&] {
            t.setDallasBanking(bank.control("CodeBanking").checked && bank.control("CodeDallas").checked);
        });
        inner("VarBanking", [&] { t.setVarBanking(bank.control("VariableBanking").checked); });
        inner("ExternBank", [&] {
            if (auto v = Hex16(bank.control("ExternBankNumber").text)) t.setExternBank(*v);
        });
        inner("BankedArea", [&] {
            const auto start = Hex16(bank.control("BankStart").text), end = Hex16(bank.control("BankEnd").text);
            if (start && end && BankedAreaValid(*start, *end)) t.setBankedArea(*start, *end);
        });
    });
    step("Link", [&] {
        t.setBaudRate(std::max(0, link.control("BaudRateGroup").itemIndex));
        const auto init = StrToIntRt(link.control("TimeoutInit").text);
        const auto rw = StrToIntRt(link.control("TimeoutReadWrite").text);
        t.setTimeouts(init > 0 ? static_cast<std::uint32_t>(init) : s.timeoutInit,
                      rw > 0 ? static_cast<std::uint32_t>(rw) : s.timeoutReadWrite);
        t.setProtocol(link.control("ProtocolCheck").checked);
    });
    step("Port", [&] {
        const auto& names = link.control("PortName");
        const std::string name = names.itemIndex >= 0 ? names.items[static_cast<std::size_t>(names.itemIndex)]
                                                      : s.portName;
        const auto address = StrToIntRt(link.control("PortAddress").text);
        t.setPortSettings(name, static_cast<std::uint16_t>(address), link.control("ExclusiveCheck").checked);
        if (link.linkKind() == 2)
            if (auto board = link.chosenBoard()) t.setUsbSerial(*board);
    });
    step("SaveRegistry", [&] { t.saveRegistry(); });
    bool save = true;
    if (!s.hasOptionFileName) {
        std::optional<std::string> name;
        if (ask_) name = ask_(s.projectDir);
        if (name && !name->empty()) {
            step("OptionFileName", [&] { t.setOptionFileName(*name); });
        } else {
            save = false;
            WarningBox("Options not saved to a project file.", kExclamation);
        }
    }
    if (save)
        step("SaveProjectOptions", [&] {
            t.saveProjectOptions();
            result.projectFileWritten = true;
        });
    step("ConfirmProjectOptions", [&] { t.confirmProjectOptions(); });
    step("Log", [&] { t.log(kLogEnd); });
    if (!result.failures.empty()) {
        std::string text;
        for (const auto& f : result.failures) text += (text.empty() ? "" : "\n") + f;
        ErrorBox(text, kErrorIcon);
    }
    return result;
}

}  // namespace tarvex::ui
