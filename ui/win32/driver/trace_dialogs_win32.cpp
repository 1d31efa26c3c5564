#include "ui/win32/driver/trace_dialogs_win32.hpp"

#include "core/message_box.hpp"
#include "ui/forms/trace_forms.hpp"
#include "ui/model/symbol_picker.hpp"
#include "ui/model/guarded.hpp"

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
    : model_(model), histories_(model, store), section_(model.historySection()) {
    histories_.load("Ziel", section_);
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "OkButton") {
            if (model_.clickOk()) close(IDOK);
        } else if (name == "CancelButton") {
            close(IDCANCEL);
        } else if (name == "HilfeButton") {
            model_.help();
        } else if (name == "SymbolButton") {
            guarded([&] { model_.clickSymbol(); });
            if (HWND target = form_->control("Ziel")) SetFocus(target);
        }
    };
    events.text = [this](const std::string& name, const std::string& text) {
        if (name == "Ziel" && text != model_.control("Ziel").text) model_.setTarget(text);
    };
    events.choose = [this](const std::string& name, int index) {
        if (name != "BankNummerGroup") return;
        model_.clickBank(index);
        if (model_.chosenBank()) close(IDYES);
    };
    events.help = [this] { model_.help(); };
    events.closing = [this] {
        close(IDCANCEL);
        return false;
    };
    events.changed = [this] {
        if (section_ != model_.historySection()) {
            // Another call: its own history, showing its latest entry.
            section_ = model_.historySection();
            histories_.load("Ziel", section_);
        }
        if (form_) fitBankGroup();
    };
    form_ = std::make_unique<Win32Form>(forms::gotoForm(), model_, std::move(events), owner);
    fitBankGroup();
}

void GotoWin32::fitBankGroup() { fitHeight(*form_, model_.bankGroupShown() ? 0 : forms::kGotoBankGroupHeight); }

void GotoWin32::close(int result) {
    histories_.keep();
    form_->end(result);
}

int runGotoDialog(GotoModel& model, platform::SettingsStore& store, HWND owner) {
    GotoWin32 view(model, store, owner);
    return runDialog(view.form(), model);
}

// ---- Frame search and time filter

FrameSearchWin32::FrameSearchWin32(FramePatternModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), histories_(model, store) {
    for (const auto& [field, section] : {std::pair{"AdrName", "FrameFormAdrName"}, std::pair{"Data", "FrameFormData"},
                                         std::pair{"LogicProbes", "FrameFormLogicProbes"}}) {
        histories_.load(field, section);
        // A field without history shows the "don't care" text.
        if (model_.control(field).text.empty()) model_.setText(field, model_.dontCare());
    }
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name == "OkButton") {
            bool accepted = false;
            guarded([&] { accepted = model_.clickOk(); });
            if (accepted) close(IDOK);
        } else if (name == "CancelButton") {
            close(IDCANCEL);
        } else if (name == "ResetButton") {
            guarded([&] { model_.clickDontCare(); });
            close(IDOK);
        } else if (name == "HilfeButton") {
            model_.help();
        } else if (name == "SymbolButton") {
            guarded([&] {
                SymbolPickRequest r;
                r.acceptCaption = "Accept";
                if (auto picked = pickSymbol(r)) model_.setInput("AdrName", picked->name);
            });
            if (HWND target = form_->control("AdrName")) SetFocus(target);
        }
    };
    events.text = [this](const std::string& name, const std::string& text) {
        if (text != model_.control(name).text) model_.setInput(name, text);
    };
    events.check = [this](const std::string& name, bool on) { model_.setCheck(name, on); };
    events.choose = [this](const std::string& name, int index) {
        if (name == "CycleGroup") model_.chooseCycle(index);
        if (name == "RichtungGroup") model_.chooseDirection(index);
        if (name == "BeginnGroup") model_.chooseStart(index);
    };
    events.leave = [this](const std::string& name) { return leave(name); };
    events.help = [this] { model_.help(); };
    events.closing = [this] {
        close(IDCANCEL);
        return false;
    };
    events.changed = [this] {
        // The bottom panel holds the direction and the start.
        const bool bottom = model_.control("BottomPanel").visible;
        model_.setVisible("RichtungGroup", bottom);
        model_.setVisible("BeginnGroup", bottom);
        if (form_) fitBottomPanel();
    };
    form_ = std::make_unique<Win32Form>(forms::frameSearchForm(), model_, std::move(events), owner);
    fitBottomPanel();
}

void FrameSearchWin32::fitBottomPanel() {
    fitHeight(*form_, model_.control("BottomPanel").visible ? 0 : forms::kFrameBottomPanelHeight);
}

// An input is checked when the focus moves on to another control of the
// form; the focus going to another window (the error box itself, another
// program) leaves it unchecked.
bool FrameSearchWin32::leave(const std::string& name) {
    if (checking_) return true;
    const HWND now = GetFocus();
    if (!now || Win32Form::of(now) != form_.get() || form_->nameOf(now) == name) return true;
    checking_ = true;
    bool ok = true;
    guarded([&] { ok = model_.leave(name); });
    checking_ = false;
    return ok;
}

void FrameSearchWin32::close(int result) {
    histories_.keep();
    model_.saveSettings();
    form_->end(result);
}

bool runFrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store, HWND owner) {
    FrameSearchWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
