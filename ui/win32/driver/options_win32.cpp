#include "ui/win32/driver/options_win32.hpp"

#include "core/message_box.hpp"
#include "ui/forms/options_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/driver/lpc_config_win32.hpp"

namespace tarvex::ui::win32 {

namespace {

constexpr unsigned kErrorIcon = 0x10;
constexpr const char* kTabs = "PageControl";
// The boot loader's fields and the sections of their histories.
constexpr std::array<const char*, 2> kBootFields = {"BootFileName", "BootAddress"};
constexpr std::array<const char*, 2> kBootSections = {"FormOptionsBootLoaderName", "FormOptionsBootLoaderAddress"};

}  // namespace

OptionsWin32::OptionsWin32(OptionsFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), store_(store) {
    // The histories are the fields' lists; the fields keep the options' values.
    for (std::size_t i = 0; i < kBootFields.size(); ++i) {
        histories_[i].Load(store_, kDriverKey, kBootSections[i]);
        model_.preferences.setItems(kBootFields[i], histories_[i].Items(), -1);
    }
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "OkButton") ok();
        if (name == "CancelButton") frame_->end(IDCANCEL);
        if (name == "HelpButton") help();
    };
    events.help = [this] { help(); };
    events.choose = [this](const std::string& name, int index) {
        if (name == kTabs) model_.setActivePage(index);
    };
    // A page is left only with valid input in the control that had the
    // focus: a check that failed took the focus back from the tabs.
    events.leave = [this](const std::string& name) { return name != kTabs || focusedCheckedEdit().empty(); };
    frame_ = std::make_unique<Win32Form>(forms::optionsForm(), model_, std::move(events), owner);
    FormEvents pageEvents[] = {preferencesEvents(), interfaceEvents(), processorEvents(),
                               hardwareEvents(),    bankingEvents(),   watchdogEvents()};
    FormModel* models[] = {&model_.preferences, &model_.interface, &model_.processor,
                           &model_.hardware,    &model_.banking,   &model_.watchdog};
    for (std::size_t i = 0; i < pages_.size(); ++i) {
        typed(pageEvents[i]);
        checked(pageEvents[i]);
        pages_[i] = std::make_unique<Win32Form>(*forms::optionsPages()[i], *models[i], std::move(pageEvents[i]),
                                                *frame_, kTabs);
    }
    bankingShown();
    frame_->choosePage(kTabs, model_.activePage());
}

HWND OptionsWin32::control(const std::string& name) const {
    for (const auto& page : pages_)
        if (HWND window = page->control(name)) return window;
    return frame_->control(name);
}

void OptionsWin32::typed(FormEvents& events) {
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == "BootFileName" || name == "BootAddress") {
            model_.preferences.setText(name, text);
        } else {
            model_.editText(name, text, true);
        }
    };
}

void OptionsWin32::checked(FormEvents& events) {
    events.leave = [this](const std::string& name) {
        // Never on the way to "Cancel", nor once the dialog is done.
        if (checking_ || frame_->ended() || GetFocus() == frame_->control("CancelButton")) return true;
        return !OptionsFormModel::checkedOnLeaving(name) || checkLeaving(name);
    };
}

FormEvents OptionsWin32::preferencesEvents() {
    FormEvents e;
    e.check = [this](const std::string& name, bool on) {
        if (name == "BootLoaderCheck") {
            model_.setBootLoaderLoad(on);
        } else {
            model_.preferences.setChecked(name, on);
        }
    };
    e.click = [this](const std::string& name) {
        if (name != "BrowseButton") return;
        auto* files = platform::currentUi().files;
        if (!files) return;
        platform::FileRequest request;
        request.filter = "Binary files (*.bin)|*.bin";
        request.fileName = model_.preferences.control("BootFileName").text;
        if (auto choice = files->chooseFile(request)) model_.preferences.setText("BootFileName", choice->path);
    };
    return e;
}

FormEvents OptionsWin32::interfaceEvents() {
    FormEvents e;
    auto& page = model_.interface;
    e.choose = [this, &page](const std::string& name, int index) {
        if (name == "LinkKindGroup") model_.chooseLinkKind(index);
        if (name == "PortName") model_.choosePortName(index);
        if (name == "BaudRateGroup") page.setItems(name, page.control(name).items, index);
        if (name == "UsbList") page.selectBoard(index);
    };
    e.check = [&page](const std::string& name, bool on) { page.setChecked(name, on); };
    e.click = [this](const std::string& name) {
        if (name == "RefreshUsbButton") model_.refreshUsb();
    };
    return e;
}

FormEvents OptionsWin32::processorEvents() {
    FormEvents e;
    auto& page = model_.processor;
    e.choose = [this, &page](const std::string& name, int index) {
        if (name == "ManufacturerList") model_.chooseManufacturer(index);
        if (name == "ProcessorList") model_.chooseProcessor(index);
        if (name == "PolarityGroup" || name == "ClockCombo") page.setItems(name, page.control(name).items, index);
        if (name == "AddressingGroup") {
            page.setItems(name, page.control(name).items, index);
            model_.banking.setContext(BankingContext{model_.hardware.generation(),
                                                     model_.hardware.control("P2Group").itemIndex == 1,
                                                     page.dallas(), page.optionNumber() == 15});
        }
    };
    e.check = [&page](const std::string& name, bool on) { page.setChecked(name, on); };
    e.click = [this](const std::string& name) {
        if (name != "ConfigureButton") return;
        std::uint8_t ucfg1 = model_.lpcUcfg1(), part = model_.lpcPartConfig();
        if (openLpcConfigWin32(model_.processor.optionNumber(), ucfg1, part, frame_->handle(), store_))
            model_.setLpcBytes(ucfg1, part);
    };
    return e;
}

FormEvents OptionsWin32::hardwareEvents() {
    FormEvents e;
    auto& page = model_.hardware;
    e.choose = [this, &page](const std::string& name, int index) {
        if (name == "EmulatorTypeGroup") model_.chooseGeneration(index);
        if (name == "P2Group") model_.chooseP2(static_cast<PortMode>(index));
        if (name == "P0Group") model_.chooseP0(static_cast<PortMode>(index));
        if (name == "HooksGroup") model_.chooseHooks(index == 1 ? PortHooks::HardwareHooks : PortHooks::Pellunars);
        if (name == "PodGroup") model_.choosePod(static_cast<PodType>(index));
        if (name == "CableGroup") model_.chooseCable(static_cast<CableChoice>(index));
        if (name == "ConnectorGroup") model_.chooseConnector(index == 1);
        if (name == "ClockGroup" || name == "ProgramMemoryGroup" || name == "RegBankGroup")
            page.setItems(name, page.control(name).items, index);
    };
    return e;
}

FormEvents OptionsWin32::bankingEvents() {
    FormEvents e;
    auto& page = model_.banking;
    e.click = [&page](const std::string& name) {
        for (std::size_t i = 0; i < kMemoryButtons.size(); ++i)
            if (name == kMemoryButtons[i]) page.chooseMemory(static_cast<EmulationMemory>(i));
        if (name == "Size128" || name == "Size512") page.chooseM(name == "Size512");
        if (name == "CodeClassic" || name == "CodeDallas") page.chooseCodeDallas(name == "CodeDallas");
    };
    e.choose = [&page](const std::string& name, int index) {
        if (name == "BankSizeGroup") page.chooseSize(index);
        if (name == "SwitchViaGroup") page.chooseSwitchVia(index);
        if (name == "ResetBank") page.setItems(name, page.control(name).items, index);
    };
    e.check = [&page](const std::string& name, bool on) {
        if (name == "CodeBanking") page.setCodeBanking(on);
        if (name == "VariableBanking") page.setVariableBanking(on);
    };
    e.changed = [this] { bankingShown(); };
    return e;
}

FormEvents OptionsWin32::watchdogEvents() {
    FormEvents e;
    e.check = [this](const std::string& name, bool on) {
        if (name == "WatchdogCheck") model_.setWatchdogSupport(on);
    };
    return e;
}

// The banked area of fixed-size banks is shown, not edited; "Ok" waits for
// a valid extern bank number.
void OptionsWin32::bankingShown() {
    const auto& page = pages_[static_cast<std::size_t>(OptionsPage::Banking)];
    if (!page) return;
    for (const char* name : {"BankStart", "BankEnd"})
        SendMessageA(page->control(name), EM_SETREADONLY, model_.banking.readOnly(name), 0);
    const bool valid = model_.externBankValid() || !model_.banking.control("ExternBankNumber").enabled;
    if (model_.control("OkButton").enabled != valid) model_.setEnabled("OkButton", valid);
}

std::string OptionsWin32::focusedCheckedEdit() const {
    HWND focus = GetFocus();
    for (const auto& page : pages_) {
        const std::string name = page->nameOf(focus);
        if (!name.empty()) return OptionsFormModel::checkedOnLeaving(name) ? name : std::string();
    }
    return {};
}

bool OptionsWin32::checkLeaving(const std::string& name) {
    const auto error = model_.checkControl(name);
    if (!error) return true;
    checking_ = true;
    ErrorBox(*error, kErrorIcon);
    checking_ = false;
    return false;
}

void OptionsWin32::ok() {
    // The control that has the focus first, then every field.
    if (const std::string name = focusedCheckedEdit(); !name.empty() && !checkLeaving(name)) return;
    if (const auto error = model_.validateAll()) {
        checking_ = true;
        frame_->choosePage(kTabs, static_cast<int>(error->page));
        model_.setActivePage(static_cast<int>(error->page));
        ErrorBox(error->message, kErrorIcon);
        if (HWND w = control(error->control)) SetFocus(w);
        checking_ = false;
        return;
    }
    keepPosition(*frame_, model_);
    store_.writeInteger(kDriverKey, "FormOptions", "Active", frame_->chosenPage(kTabs));
    for (std::size_t i = 0; i < kBootFields.size(); ++i) {
        const std::string& text = model_.preferences.control(kBootFields[i]).text;
        if (text.empty()) continue;
        histories_[i].AddHistory(text);
        histories_[i].Save(store_, kDriverKey, kBootSections[i]);
    }
    OptionsApplier applier(model_, [](const std::string& dir) -> std::optional<std::string> {
        auto* files = platform::currentUi().files;
        if (!files) return std::nullopt;
        platform::FileRequest request;
        request.title = "Options";
        request.filter = "Option files (*.bopt)|*.bopt";
        request.initialDir = dir;
        request.mustExist = false;
        auto choice = files->chooseFile(request);
        if (!choice) return std::nullopt;
        return choice->path;
    });
    // No field is checked any more while the apply asks and reports.
    checking_ = true;
    applied_ = applier.apply();
    checking_ = false;
    frame_->end(IDOK);
}

void OptionsWin32::help() {
    if (auto* viewer = platform::currentUi().help) viewer->show(1, model_.pageHelpContext());
}

bool runOptionsDialogWin32(IOptionsTarget& target, platform::SettingsStore& store, HWND owner) {
    OptionsFormModel model(target, store);
    model.fill();
    OptionsWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
