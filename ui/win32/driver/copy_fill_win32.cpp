#include "ui/win32/driver/copy_fill_win32.hpp"

#include "ui/forms/memory_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"

namespace tarvex::ui::win32 {

CopyFillWin32::CopyFillWin32(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load("StartAdresse", "CopyFillFormAdresse1");
    histories_.load("EndAdresse", "CopyFillFormAdresse2");
    histories_.load("ZielAdresse", model_.ThirdHistorySection());
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
        } else {
            model_.Browse(name);
        }
    };
    events.text = [this](const std::string& name, const std::string& text) { model_.EditText(name, text); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "SpeicherGroup") model_.SelectSpeicher(index);
    };
    events.help = [this] { model_.help(); };
    // The third field keeps destinations and data apart.
    events.changed = [this] {
        if (model_.ThirdHistorySection() != histories_.section("ZielAdresse"))
            histories_.load("ZielAdresse", model_.ThirdHistorySection());
    };
    form_ = std::make_unique<Win32Form>(forms::copyFillForm(), model_, std::move(events), owner);
}

bool runCopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner) {
    CopyFillWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
