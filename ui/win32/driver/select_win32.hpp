#pragma once
// The dialogs that edit an offline select table, on Windows: the basic
// break, map, break and trace settings dialogs as described forms over their
// models, which route the controls' events.
#include <memory>

#include "ui/model/break_form.hpp"
#include "ui/model/select_form.hpp"
#include "ui/model/trace_settings_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class SelectWin32 {
public:
    SelectWin32(BasicBreakFormModel& model, platform::SettingsStore& store, HWND owner);
    SelectWin32(MapFormModel& model, platform::SettingsStore& store, HWND owner);
    SelectWin32(BreakFormModel& model, platform::SettingsStore& store, HWND owner);
    SelectWin32(TraceSettingsFormModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const forms::Form& description, HWND owner);

    SelectFormModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for OK.
bool runSelectDialog(SelectWin32& view, SelectFormModel& model);

}  // namespace tarvex::ui::win32
