#pragma once
// The basic break and map dialogs on Windows: the described forms over their
// models, with the history of their event field.
#include <memory>

#include "ui/model/select_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class SelectWin32 {
public:
    SelectWin32(BasicBreakFormModel& model, platform::SettingsStore& store, HWND owner);
    SelectWin32(MapFormModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const char* historySection);
    // Buttons whose work ends in the event field give it the focus back.
    void focusEvent();
    void close(int result);

    SelectFormModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for OK.
bool runSelectDialog(SelectWin32& view, SelectFormModel& model);

}  // namespace tarvex::ui::win32
