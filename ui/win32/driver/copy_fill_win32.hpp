#pragma once
// The copy/fill dialog on Windows: the described form over its model, with
// the histories of its three fields, which the view keeps (as the history
// combo boxes do in the Qt view).
#include <memory>
#include <string>

#include "ui/model/copy_fill_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class CopyFillWin32 {
public:
    CopyFillWin32(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    CopyFillFormModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for OK.
bool runCopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner);

}  // namespace tarvex::ui::win32
