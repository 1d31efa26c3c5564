#include "ui/win32/driver/select_win32.hpp"

#include "ui/forms/select_forms.hpp"

namespace tarvex::ui::win32 {

SelectWin32::SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const char* historySection)
    : model_(model), histories_(model, store) {
    histories_.load(model_.EventField(), historySection);
}

SelectWin32::SelectWin32(BasicBreakFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "BreakFormEvent") {
    FormEvents events;
    events.click = [this, &model](const std::string& name) {
        if (name == "SymbolButton") {
            model.BrowseSymbol();
            focusEvent();
        } else if (name == "EnterButton") {
            model.Set();
            focusEvent();
        } else if (name == "DeleteButton") {
            model.Clear();
            focusEvent();
        } else if (name == "DefaultButton") {
            model.Default();
        } else if (name == "OkButton") {
            close(IDOK);
        } else if (name == "CancelButton") {
            close(IDCANCEL);
        } else if (name == "HelpButton") {
            model.help();
        }
    };
    events.text = [&model](const std::string& name, const std::string& text) {
        if (name == model.EventField()) model.EditEvent(text);
    };
    events.choose = [&model](const std::string& name, int index) {
        if (name == "MemoryGroup") model.SelectMemory(index);
        if (name == "ExtDataCycleGroup") model.ClickCycle(index);
        if (name == "ProgramListBox" || name == "ExtDataListBox") model.ClickList(name, index);
    };
    events.help = [&model] { model.help(); };
    events.closing = [this] {
        close(IDCANCEL);
        return false;
    };
    form_ = std::make_unique<Win32Form>(forms::basicBreakForm(), model_, std::move(events), owner);
}

SelectWin32::SelectWin32(MapFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "MapFormAdrName") {
    FormEvents events;
    events.click = [this, &model](const std::string& name) {
        if (name == "EnterProgram") {
            model.SetProgram();
            focusEvent();
        } else if (name == "DeleteProgram") {
            model.ClearProgram();
            focusEvent();
        } else if (name == "EnterExtData") {
            model.SetExtData();
            focusEvent();
        } else if (name == "DeleteExtData") {
            model.ClearExtData();
            focusEvent();
        } else if (name == "DefaultButton") {
            model.Default();
        } else if (name == "OkButton") {
            close(IDOK);
        } else if (name == "CancelButton") {
            close(IDCANCEL);
        } else if (name == "HilfeButton") {
            model.help();
        }
    };
    events.text = [&model](const std::string& name, const std::string& text) {
        if (name == model.EventField()) model.EditEvent(text);
    };
    events.choose = [&model](const std::string& name, int index) {
        if (name == "ProgramListBox" || name == "ExtDataListBox") model.ClickList(name, index);
    };
    events.help = [&model] { model.help(); };
    events.closing = [this] {
        close(IDCANCEL);
        return false;
    };
    form_ = std::make_unique<Win32Form>(forms::mapForm(), model_, std::move(events), owner);
}

void SelectWin32::focusEvent() {
    if (HWND event = form_->control(model_.EventField())) SetFocus(event);
}

// The event field keeps what was typed, however the dialog ends.
void SelectWin32::close(int result) {
    histories_.keep();
    form_->end(result);
}

bool runSelectDialog(SelectWin32& view, SelectFormModel& model) { return runDialog(view.form(), model) == IDOK; }

}  // namespace tarvex::ui::win32
