#pragma once
// The options dialog on Windows: the frame and its six pages over
// OptionsFormModel, the checks when an edit is left (never on the way to
// "Cancel"), a page change refused while the input is invalid, and the apply
// on "Ok".
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "core/history_list.hpp"
#include "ui/model/options_form.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex {
class TAgdiObject;
}

namespace tarvex::ui::win32 {

class OptionsWin32 {
public:
    OptionsWin32(OptionsFormModel& model, platform::SettingsStore& store, HWND owner);

    Win32Form& form() { return *frame_; }
    Win32Form& page(OptionsPage p) { return *pages_[static_cast<std::size_t>(p)]; }
    // The window of a control of any page, or of the frame.
    HWND control(const std::string& name) const;
    // The result of the apply after "Ok".
    const std::optional<ApplyResult>& applied() const { return applied_; }

private:
    FormEvents preferencesEvents();
    FormEvents interfaceEvents();
    FormEvents processorEvents();
    FormEvents hardwareEvents();
    FormEvents bankingEvents();
    FormEvents watchdogEvents();
    // The edits' text goes to the model as typed.
    void typed(FormEvents& events);
    // Every page checks its edits as they are left.
    void checked(FormEvents& events);
    // The check of the control the user leaves; shows the box and takes the
    // focus back. True when valid.
    bool checkLeaving(const std::string& name);
    // The name of the focused control when it is one whose text is checked.
    std::string focusedCheckedEdit() const;
    void bankingShown();
    void ok();
    void help();

    OptionsFormModel& model_;
    platform::SettingsStore& store_;
    // The histories of the boot loader's two fields.
    std::array<THistoryList, 2> histories_;
    std::unique_ptr<Win32Form> frame_;
    std::array<std::unique_ptr<Win32Form>, kOptionsPageCount> pages_;
    bool checking_ = false;
    std::optional<ApplyResult> applied_;
};

// Opens the dialog modally over owner on the target; true for "Ok".
bool runOptionsDialogWin32(IOptionsTarget& target, platform::SettingsStore& store, HWND owner);

}  // namespace tarvex::ui::win32
