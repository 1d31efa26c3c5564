#include "ui/win32/driver/trace_dialogs_win32.hpp"

#include "ui/forms/trace_forms.hpp"

namespace tarvex::ui::win32 {

namespace {

// The form's client area the given amount less high than designed (0: as
// designed); the controls that keep their bottom margin move with it.
void fitHeight(Win32Form& form, int less) {
    const HWND hwnd = form.handle();
    RECT client;
    GetClientRect(hwnd, &client);
    const int height = form.description().clientHeight - less;
    if (client.bottom - client.top == height) return;
    RECT frame{0, 0, form.description().clientWidth, height};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_STYLE)), GetMenu(hwnd) != nullptr,
                       static_cast<DWORD>(GetWindowLongPtrA(hwnd, GWL_EXSTYLE)));
    SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

// ---- Save trace

SaveTraceWin32::SaveTraceWin32(SaveTraceModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    // The fields show their newest entries; the model starts from them.
    histories_.load(forms::saveTraceForm());
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.help = [this] { model_.help(); };
    form_ = std::make_unique<Win32Form>(forms::saveTraceForm(), model_, std::move(events), owner);
}

bool runSaveTraceDialog(SaveTraceModel& model, platform::SettingsStore& store, HWND owner) {
    SaveTraceWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

// ---- Columns

TraceColumnsWin32::TraceColumnsWin32(TraceColumnsModel& model, HWND owner) : model_(model) {
    FormEvents events{model_.events({[this](bool ok) { form_->end(ok ? IDOK : IDCANCEL); }, {}, {}, {}})};
    form_ = std::make_unique<Win32Form>(forms::traceColumnsForm(), model_, std::move(events), owner);
}

bool runTraceColumnsDialog(TraceColumnsModel& model, HWND owner) {
    TraceColumnsWin32 view(model, owner);
    return runDialog(view.form(), model) == IDOK;
}

// ---- Goto

GotoWin32::GotoWin32(GotoModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    auto window = formWindow(form_, histories_);
    window.end = [this](bool ok) { form_->end(!ok ? IDCANCEL : model_.chosenBank() ? IDYES : IDOK); };
    FormEvents events{model_.events(std::move(window))};
    events.help = [this] { model_.help(); };
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        if (form_) fitBankGroup();
    };
    form_ = std::make_unique<Win32Form>(forms::gotoForm(), model_, std::move(events), owner);
    fitBankGroup();
}

void GotoWin32::fitBankGroup() { fitHeight(*form_, model_.bankGroupShown() ? 0 : forms::kGotoBankGroupHeight); }

int runGotoDialog(GotoModel& model, platform::SettingsStore& store, HWND owner) {
    GotoWin32 view(model, store, owner);
    return runDialog(view.form(), model);
}

// ---- Frame search and time filter

FrameSearchWin32::FrameSearchWin32(FramePatternModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    histories_.load(forms::frameSearchForm());
    FormEvents events{model_.events(formWindow(form_, histories_))};
    events.help = [this] { model_.help(); };
    // An input is checked when the focus moves on to another control of the
    // form; the focus going to another window (the error box itself, another
    // program) leaves it unchecked.
    events.leave = [this, leave = std::move(events.leave)](const std::string& name) {
        const HWND now = GetFocus();
        if (!now || Win32Form::of(now) != form_.get() || form_->nameOf(now) == name) return true;
        return leave(name);
    };
    events.changed = [this, changed = std::move(events.changed)] {
        if (changed) changed();
        if (form_) fitBottomPanel();
    };
    form_ = std::make_unique<Win32Form>(forms::frameSearchForm(), model_, std::move(events), owner);
    fitBottomPanel();
}

void FrameSearchWin32::fitBottomPanel() {
    fitHeight(*form_, model_.control(FramePatternModel::kBottomPanel).visible ? 0 : forms::kFrameBottomPanelHeight);
}

bool runFrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store, HWND owner) {
    FrameSearchWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
