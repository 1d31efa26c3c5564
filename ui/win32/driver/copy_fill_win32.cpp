#include "ui/win32/driver/copy_fill_win32.hpp"

#include "ui/forms/memory_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"

namespace tarvex::ui::win32 {

namespace {
const char* const kCombos[] = {"StartAdresse", "EndAdresse", "ZielAdresse"};
}  // namespace

CopyFillWin32::CopyFillWin32(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), store_(store) {
    loadHistory(0, "CopyFillFormAdresse1");
    loadHistory(1, "CopyFillFormAdresse2");
    loadHistory(2, model_.ThirdHistorySection());
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "OkButton") {
            ok();
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
        if (model_.ThirdHistorySection() != sections_[2]) loadHistory(2, model_.ThirdHistorySection());
    };
    form_ = std::make_unique<Win32Form>(forms::copyFillForm(), model_, std::move(events), owner);
}

void CopyFillWin32::loadHistory(int field, const std::string& section) {
    const auto i = static_cast<std::size_t>(field);
    sections_[i] = section;
    histories_[i].Load(store_, kDriverKey, section);
    const auto& items = histories_[i].Items();
    model_.setItems(kCombos[i], items, -1);
    model_.setText(kCombos[i], items.empty() ? std::string() : items.front());
}

void CopyFillWin32::ok() {
    for (std::size_t i = 0; i < 3; ++i) {
        if (!model_.control(kCombos[i]).visible) continue;
        histories_[i].AddHistory(model_.control(kCombos[i]).text);
        histories_[i].Save(store_, kDriverKey, sections_[i]);
    }
    model_.Ok();
    form_->end(IDOK);
}

bool runCopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, HWND owner) {
    CopyFillWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
