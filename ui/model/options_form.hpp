#pragma once
// The options dialog: six pages filled from the driver's components through
// IOptionsTarget, the rules that tie the pages together, the checks of the
// edits, and the apply that writes every page back in one fixed order.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/banking_page.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/interface_page.hpp"
#include "ui/model/options_rules.hpp"
#include "ui/model/options_target.hpp"

namespace tarvex::ui {

enum class OptionsPage { Preferences = 0, Interface, Processor, Hardware, Banking, Watchdog };
inline constexpr int kOptionsPageCount = 6;
extern const std::array<const char*, kOptionsPageCount> kOptionsPageNames;    // object names
extern const std::array<const char*, kOptionsPageCount> kOptionsPageCaptions;  // tab texts

class PreferencesPage final : public FormModel {
public:
    PreferencesPage();
    // "Load boot loader at startup" enables the file controls.
    void setBootLoaderLoad(bool on);
};

class ProcessorPage final : public FormModel {
public:
    ProcessorPage();
    void showRules(const ProcessorRules& rules, int optionNumber);
    int optionNumber() const { return option_; }
    // Dallas addressing: the group shown and a paged or contiguous choice.
    bool dallas() const;

private:
    int option_ = 0;
};

class HardwarePage final : public FormModel {
public:
    HardwarePage();
    // The choices the adapter code is made of, read from the controls.
    AdapterChoices choices() const;
    void showChoices(const AdapterChoices& choices);
    // The P0/P2 enabling by POD type and the hooks and A2 availability;
    // gives way where a checked choice became unavailable. True when "A2"
    // gave way to "A1".
    bool portRules(bool hooksAvailable, bool a2Available);
    int generation() const { return control("EmulatorTypeGroup").itemIndex; }
    void setGeneration(int generation);
};

class WatchdogPage final : public FormModel {
public:
    WatchdogPage();
    void showListing(int watchdogNumber, const std::array<std::vector<std::string>, 3>& listing);
};

// What the apply did: the steps that failed, and whether the project option
// file was written.
struct ApplyResult {
    std::vector<std::string> failures;
    bool projectFileWritten = false;
    bool familyChanged = false;
};

// One refused input: the box's text, the page and the control to focus.
struct OptionsInputError {
    std::string message;
    OptionsPage page = OptionsPage::Preferences;
    std::string control;
};

class OptionsFormModel final : public DialogModel {
public:
    static constexpr unsigned kHelpContext = 905, kBankingHelpContext = 910;

    OptionsFormModel(IOptionsTarget& target, platform::SettingsStore& store = platform::defaultSettings());

    PreferencesPage preferences;
    InterfacePage interface;
    ProcessorPage processor;
    HardwarePage hardware;
    BankingPage banking;
    WatchdogPage watchdog;

    FormModel& page(OptionsPage page);
    IOptionsTarget& target() const { return target_; }
    const OptionsSnapshot& snapshot() const { return snapshot_; }

    // Reads the components and sets every control; runs every page rule
    // first and sets the controls from the components last.
    void fill();

    // Opens the LPC configuration over the dialog on the pending bytes; true
    // when it gave them back changed.
    using LpcOpener = std::function<bool(int optionNumber, std::uint8_t& ucfg1, std::uint8_t& partConfig)>;
    // The events of the frame and of every page, in either window system: a
    // field is checked as it is left (never on the way to "Cancel"), a page
    // change waits for valid input in the field being left, and "Ok" checks
    // every field, keeps the page and the histories, and applies.
    forms::FormEvents events(forms::FormWindow window, LpcOpener openLpc);
    // The result of the apply after "Ok".
    const std::optional<ApplyResult>& applied() const { return applied_; }
    // The fields shown marked: input refused while it is typed, before the
    // box that comes when the field is left.
    std::vector<std::string> markedFields() const;

    // ---- page and help
    int activePage() const { return active_; }
    void setActivePage(int page);
    // The page stored at the last "Ok"; one out of range is the default.
    int storedPage() const;
    unsigned pageHelpContext() const;
    // "Ok", or "Accept" once the user changed something that matters.
    const std::string& okCaption() const { return control("OkButton").text; }
    void markAccept();

    // ---- user actions
    void chooseManufacturer(int index);
    void chooseProcessor(int index);
    void chooseLinkKind(int kind);
    void refreshUsb();
    void choosePortName(int index);
    void chooseGeneration(int generation);
    void chooseP2(PortMode mode);
    void chooseP0(PortMode mode);
    void chooseHooks(PortHooks hooks);
    void choosePod(PodType pod);
    void chooseCable(CableChoice cable);
    void chooseConnector(bool ice30);
    void setBootLoaderLoad(bool on) { preferences.setBootLoaderLoad(on); }
    void setWatchdogSupport(bool on);
    // The text of an edit as the user left it; modified: the user typed.
    void editText(const std::string& control, const std::string& text, bool modified = false);
    // The LPC bytes the configuration dialog gave back.
    void setLpcBytes(std::uint8_t ucfg1, std::uint8_t part);
    std::uint8_t lpcUcfg1() const { return lpc1_; }
    std::uint8_t lpcPartConfig() const { return lpc2_; }

    // ---- checks
    // The check of one edit or port combo as it is left; nothing when valid.
    std::optional<std::string> checkControl(const std::string& control) const;
    // The live check of "Extern bank number:" while it is typed: no box.
    bool externBankValid() const { return !checkControl("ExternBankNumber"); }
    // Every field of every page, then the bit positions; the first fault.
    std::optional<OptionsInputError> validateAll() const;
    // The page a control lives on.
    static OptionsPage pageOf(const std::string& control);
    // The edits and port combos whose text is checked when they are left.
    static bool checkedOnLeaving(const std::string& control);

    // ---- apply helpers
    std::string chosenProcessor() const;
    ProcessorEntry chosenEntry() const;
    int resetTimeoutTenths() const;
    // A warning the last port enumeration gave, for the view.
    bool portListFailed() const { return portListFailed_; }

private:
    void processorRules(bool fromUser);
    void hardwareRules(bool fromUser);
    void bankingContext();
    void rebuildPorts();
    void listProcessors(const std::string& wanted);
    void showPage(int page);
    // The user's action on a control of any page; false: none is routed.
    bool act(const std::string& control, int value);
    void browseBootLoader();

    IOptionsTarget& target_;
    OptionsSnapshot snapshot_;
    platform::SettingsStore& settings_;
    int active_ = 0;
    std::uint8_t lpc1_ = 0, lpc2_ = 0;
    std::vector<std::string> ports_;
    bool portListFailed_ = false;
    std::optional<ApplyResult> applied_;
};

class OptionsApplier {
public:
    // The file name the save-file dialog gave, or nothing when cancelled.
    using AskFileName = std::function<std::optional<std::string>(const std::string& projectDir)>;

    explicit OptionsApplier(OptionsFormModel& model, AskFileName ask = {});
    // Writes every page into the components in the dialog's fixed order;
    // a failing step does not stop the later ones. Shows the warning when no
    // option file name was given and one error box for the failures.
    ApplyResult apply();

private:
    OptionsFormModel& m_;
    AskFileName ask_;
};

}  // namespace tarvex::ui
