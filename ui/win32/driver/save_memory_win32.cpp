#include "ui/win32/driver/save_memory_win32.hpp"

#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui::win32 {

SaveMemoryWin32::SaveMemoryWin32(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load(forms::saveMemoryForm());
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::saveMemoryForm(), model_, std::move(events), owner);
}

bool runSaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner) {
    SaveMemoryWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
