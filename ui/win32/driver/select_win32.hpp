#pragma once
// The dialogs that edit an offline select table, on Windows: the basic
// break, map, break and trace settings dialogs as described forms over their
// models. What each control does is a row of a table: its name and the
// model's action; the wiring is one for all four.
#include <functional>
#include <memory>
#include <string>
#include <vector>

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
    // A control and what the model does when the user reaches it: with the
    // item's index for radio groups and lists, 1 or 0 for a check box, 0
    // otherwise. `thenEvent`: the event field takes the focus afterwards.
    struct Action {
        std::string control;
        std::function<void(int)> run;
        bool thenEvent = false;
    };
    struct Bindings {
        std::vector<Action> actions;
        std::string ok, cancel, help;
        // OK: false keeps the dialog open.
        std::function<bool()> accept;
        // OK or Cancel, once the histories are kept.
        std::function<void()> closed;
        // The dialog's other fields: their typing and their leaving.
        std::function<void(const std::string& name, const std::string& text)> text;
        std::function<bool(const std::string& name)> leave;
    };

    SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const char* historySection);
    void build(const forms::Form& description, Bindings bindings, HWND owner);
    void focusEvent();
    void close(int result);

    SelectFormModel& model_;
    FieldHistories histories_;
    Bindings bindings_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for OK.
bool runSelectDialog(SelectWin32& view, SelectFormModel& model);

}  // namespace tarvex::ui::win32
