#include "ui/win32/driver/select_win32.hpp"

#include "ui/forms/select_forms.hpp"

namespace tarvex::ui::win32 {

namespace {

const char* const kCounters[] = {"Zaehler", "Probes", "TraceCount", "BreakDelayCount"};

}  // namespace

SelectWin32::SelectWin32(SelectFormModel& model, platform::SettingsStore& store, const char* historySection)
    : model_(model), histories_(model, store) {
    histories_.load(model_.EventField(), historySection);
}

SelectWin32::SelectWin32(BasicBreakFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "BreakFormEvent") {
    Bindings b;
    b.actions = {
        {"SymbolButton", [&model](int) { model.BrowseSymbol(); }, true},
        {"EnterButton", [&model](int) { model.Set(); }, true},
        {"DeleteButton", [&model](int) { model.Clear(); }, true},
        {"DefaultButton", [&model](int) { model.Default(); }},
        {"MemoryGroup", [&model](int i) { model.SelectMemory(i); }},
        {"ExtDataCycleGroup", [&model](int i) { model.ClickCycle(i); }},
        {"ProgramListBox", [&model](int row) { model.ClickList("ProgramListBox", row); }},
        {"ExtDataListBox", [&model](int row) { model.ClickList("ExtDataListBox", row); }},
    };
    b.ok = "OkButton", b.cancel = "CancelButton", b.help = "HelpButton";
    build(forms::basicBreakForm(), std::move(b), owner);
}

SelectWin32::SelectWin32(MapFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "MapFormAdrName") {
    Bindings b;
    b.actions = {
        {"EnterProgram", [&model](int) { model.SetProgram(); }, true},
        {"DeleteProgram", [&model](int) { model.ClearProgram(); }, true},
        {"EnterExtData", [&model](int) { model.SetExtData(); }, true},
        {"DeleteExtData", [&model](int) { model.ClearExtData(); }, true},
        {"DefaultButton", [&model](int) { model.Default(); }},
        {"ProgramListBox", [&model](int row) { model.ClickList("ProgramListBox", row); }},
        {"ExtDataListBox", [&model](int row) { model.ClickList("ExtDataListBox", row); }},
    };
    b.ok = "OkButton", b.cancel = "CancelButton", b.help = "HilfeButton";
    build(forms::mapForm(), std::move(b), owner);
}

SelectWin32::SelectWin32(BreakFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "BreakFormEvent") {
    // The counters show the values in force; their histories only offer.
    const char* const sections[] = {"BreakFormZaehler", "BreakFormProbes", "BreakFormTraceCount",
                                    "BreakFormBreakDelayCount"};
    for (int i = 0; i < 4; ++i) histories_.loadItems(kCounters[i], sections[i], i < 3);
    Bindings b;
    b.actions = {
        {"EventListBox", [&model](int row) { model.SelectChannel(row); }},
        {"SymbolButton", [&model](int) { model.BrowseSymbol(); }, true},
        {"EnterAdresse", [&model](int) { model.SetAddress(); }, true},
        {"DeleteAdresse", [&model](int) { model.ClearAddress(); }, true},
        {"EnterData", [&model](int) { model.SetData(); }, true},
        {"DeleteData", [&model](int) { model.ClearData(); }, true},
        {"AdressenListBox", [&model](int row) { model.ClickList("AdressenListBox", row); }},
        {"DataListBox", [&model](int row) { model.ClickList("DataListBox", row); }},
        {"CycleGroup", [&model](int i) { model.ClickCycle(i); }},
        {"OptionsGroup", [&model](int i) { model.ClickMode(i); }},
        {"CheckBreakDelay",
         [this, &model](int on) {
             model.ClickBreakDelay(on != 0);
             if (on) SetFocus(form_->control("BreakDelayCount"));
         }},
        {"DefaultButton", [&model](int) { model.Default(); }},
    };
    for (const char* label : {"Break1Label", "Clear1Label", "Break2Label", "Clear2Label"})
        b.actions.push_back({label, [&model, label](int) { model.ClickLabel(label); }});
    b.ok = "Ok", b.cancel = "CancelButton", b.help = "Hilfe";
    b.accept = [&model] { return model.Ok(); };
    b.closed = [&model] { model.Close(); };
    b.text = [&model](const std::string& name, const std::string& text) { model.EditCombo(name, text); };
    b.leave = [&model](const std::string& name) { return model.LeaveCombo(name); };
    build(forms::breakForm(), std::move(b), owner);
}

SelectWin32::SelectWin32(TraceSettingsFormModel& model, platform::SettingsStore& store, HWND owner)
    : SelectWin32(static_cast<SelectFormModel&>(model), store, "TraceFormEvent") {
    Bindings b;
    b.actions = {
        {"EventListBox", [&model](int row) { model.SelectFilter(row); }},
        {"SymbolButton", [&model](int) { model.BrowseSymbol(); }, true},
        {"EnterAdresse", [&model](int) { model.SetAddress(); }, true},
        {"DeleteAdresse", [&model](int) { model.ClearAddress(); }, true},
        {"AdressenListBox", [&model](int row) { model.ClickList(row); }},
        {"CycleGroup", [&model](int i) { model.ClickCycle(i); }},
        {"ProgramOptionGroup", [&model](int i) { model.ClickProgramOption(i); }},
        {"TimeBaseGroup", [&model](int i) { model.ClickTimeBase(i); }},
        {"CheckBoxFilterType", [&model](int on) { model.ClickFilterType(on != 0); }},
        {"TriggerAB", [&model](int) { model.ClickTriggerSelection(false); }},
        {"TriggerBC", [&model](int) { model.ClickTriggerSelection(true); }},
        {"DefaultButton", [&model](int) { model.Default(); }},
    };
    const char* const start[] = {"StartTriggerA", "StartTriggerB", "StartTriggerC", "StartTriggerDefault"};
    const char* const stop[] = {"StopTriggerA", "StopTriggerB", "StopTriggerC", "StopTriggerDefault"};
    for (int s = 0; s < 4; ++s) {
        b.actions.push_back({start[s], [&model, s](int) { model.ClickStart(s); }});
        b.actions.push_back({stop[s], [&model, s](int) { model.ClickStop(s); }});
    }
    for (const char* label : {"Trace1Label", "Trace2Label", "Trace3Label"})
        b.actions.push_back({label, [&model, label](int) { model.ClickLabel(label); }});
    b.ok = "OkButton", b.cancel = "CancelButton", b.help = "HilfeButton";
    b.closed = [&model] { model.Close(); };
    build(forms::traceSettingsForm(), std::move(b), owner);
}

void SelectWin32::build(const forms::Form& description, Bindings bindings, HWND owner) {
    bindings_ = std::move(bindings);
    const auto act = [this](const std::string& name, int value) {
        for (const auto& a : bindings_.actions) {
            if (a.control != name) continue;
            a.run(value);
            if (a.thenEvent) focusEvent();
            return;
        }
    };
    FormEvents events;
    events.click = [this, act](const std::string& name) {
        if (name == bindings_.ok) {
            if (!bindings_.accept || bindings_.accept()) close(IDOK);
        } else if (name == bindings_.cancel) {
            close(IDCANCEL);
        } else if (name == bindings_.help) {
            model_.help();
        } else {
            act(name, 0);
        }
    };
    events.choose = act;
    events.check = [act](const std::string& name, bool on) { act(name, on ? 1 : 0); };
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == model_.EventField()) {
            model_.EditEvent(text);
        } else if (bindings_.text) {
            bindings_.text(name, text);
        }
    };
    // A field left because the dialog went is not checked any more.
    if (bindings_.leave) events.leave = [this](const std::string& name) { return form_->ended() || bindings_.leave(name); };
    events.help = [this] { model_.help(); };
    events.closing = [this] {
        close(IDCANCEL);
        return false;
    };
    form_ = std::make_unique<Win32Form>(description, model_, std::move(events), owner);
}

void SelectWin32::focusEvent() {
    if (HWND event = form_->control(model_.EventField())) SetFocus(event);
}

// The fields keep what was typed, however the dialog ends.
void SelectWin32::close(int result) {
    histories_.keep();
    if (bindings_.closed) bindings_.closed();
    form_->end(result);
}

bool runSelectDialog(SelectWin32& view, SelectFormModel& model) { return runDialog(view.form(), model) == IDOK; }

}  // namespace tarvex::ui::win32
