#pragma once
// The options dialog on Windows: the frame and its six pages over
// OptionsFormModel, which routes their events (the checks when a field is
// left, a page change refused while the input is invalid, the apply on "Ok").
#include <array>
#include <memory>
#include <optional>
#include <string>

#include "ui/model/options_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// Opens the dialog modally over owner on the target; true for "Ok".
bool runOptionsDialogWin32(IOptionsTarget& target, platform::SettingsStore& store, HWND owner);

class OptionsWin32 {
public:
    OptionsWin32(OptionsFormModel& model, platform::SettingsStore& store, HWND owner);

    Win32Form& form() { return *frame_; }
    Win32Form& page(OptionsPage p) { return *pages_[static_cast<std::size_t>(p)]; }
    // The window of a control of any page, or of the frame.
    HWND control(const std::string& name) const { return frame_->control(name); }
    // The result of the apply after "Ok".
    const std::optional<ApplyResult>& applied() const { return model_.applied(); }

private:
    OptionsFormModel& model_;
    platform::SettingsStore& store_;
    // The histories of the boot loader's two fields.
    FieldHistories histories_;
    std::unique_ptr<Win32Form> frame_;
    std::array<std::unique_ptr<Win32Form>, kOptionsPageCount> pages_;
};

}  // namespace tarvex::ui::win32
