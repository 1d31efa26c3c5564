#pragma once
// The save memory dialog on Windows: the described form over its model,
// with the histories of its three fields.
#include <memory>

#include "ui/model/save_memory_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class SaveMemoryWin32 {
public:
    SaveMemoryWin32(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    SaveMemoryFormModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for OK ("Save").
bool runSaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner);

}  // namespace tarvex::ui::win32
