#include "ui/win32/driver/save_memory_win32.hpp"

#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui::win32 {

SaveMemoryWin32::SaveMemoryWin32(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load("StartAdresse", "FormSaveStartAdresse");
    histories_.load("EndAdresse", "FormSaveEndAdresse");
    histories_.load("DateiName", "FormSaveDateiName");
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "OkButton") {
            histories_.keep();
            model_.Ok();
            form_->end(IDOK);
        } else if (name == "CancelButton") {
            form_->end(IDCANCEL);
        } else if (name == "HilfeButton") {
            model_.help();
        } else if (name == "SucheDatei") {
            model_.BrowseFile();
        } else if (name == "SucheStart" || name == "SucheEnde") {
            model_.BrowseSymbol(name);
        } else {
            model_.SelectMemory(name);
        }
    };
    events.text = [this](const std::string& name, const std::string& text) { model_.EditText(name, text); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "FormatGroup") model_.FormatClick(index);
    };
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::saveMemoryForm(), model_, std::move(events), owner);
}

bool runSaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store, HWND owner) {
    SaveMemoryWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
