#include "ui/win32/driver/copy_fill_win32.hpp"

#include "ui/forms/memory_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"

namespace tarvex::ui::win32 {

CopyFillWin32::CopyFillWin32(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load(forms::copyFillForm());
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::copyFillForm(), model_, std::move(events), owner);
}

bool runCopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner) {
    CopyFillWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
