#include "ui/win32/driver/select_win32.hpp"

#include "ui/forms/select_forms.hpp"

namespace tarvex::ui::win32 {

SelectWin32::SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const forms::Form& description,
                         HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load(description);
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(description, model_, std::move(events), owner);
}

SelectWin32::SelectWin32(BasicBreakFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(model, store, forms::basicBreakForm(), owner) {}

SelectWin32::SelectWin32(MapFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(model, store, forms::mapForm(), owner) {}

SelectWin32::SelectWin32(BreakFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(model, store, forms::breakForm(), owner) {}

SelectWin32::SelectWin32(TraceSettingsFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(model, store, forms::traceSettingsForm(), owner) {}

bool runSelectDialog(SelectWin32& view, SelectFormModel& model) { return runDialog(view.form(), model) == IDOK; }

}  // namespace tarvex::ui::win32
