#include "ui/qt_driver_windows.hpp"

#include <vector>

#include "core/message_box.hpp"
#include "host/agdi_object.hpp"
#include "host/options.hpp"
#include "host/agdi_records.hpp"
#include "host/run_port.hpp"
#include "platform/clock.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/options_dialog.hpp"
#include "ui/trace_window.hpp"

namespace tarvex::ui {

// The window and the board source its model reads. A closed window is kept
// hidden until the next call from outside its own events, so that it is
// never freed inside its close handler; all go before the source.
struct QtDriverWindows::State {
    TTracePlatine* board = nullptr;
    std::unique_ptr<TracePlatineSource> source;
    std::unique_ptr<TraceWindow> window;
    std::vector<std::unique_ptr<TraceWindow>> closed;

    ~State() {
        closed.clear();
        window.reset();
    }
    TraceWindow* open() const { return window && !window->model().closed() ? window.get() : nullptr; }
    void retire() {
        closed.clear();
        if (window && window->model().closed()) closed.push_back(std::move(window));
    }
};

QtDriverWindows::QtDriverWindows(platform::SettingsStore& store)
    : store_(store), state_(std::make_unique<State>()) {}

QtDriverWindows::~QtDriverWindows() = default;

TraceWindow* QtDriverWindows::traceWindow() const {
    return state_->open();
}

bool QtDriverWindows::TraceWindowExists() const {
    return state_->open() != nullptr;
}

void* QtDriverWindows::OpenTraceWindow(std::uint32_t dialogId, void* activeWindowVar) {
    state_->retire();
    if (TraceWindow* w = state_->open()) {
        w->raise();
        w->activateWindow();
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w->winId()));
    }
    TTracePlatine* board = object_ ? object_->TracePlatine() : nullptr;
    if (!board) return fallback_.OpenTraceWindow(dialogId, activeWindowVar);
    if (board != state_->board) {
        state_->source = std::make_unique<TracePlatineSource>(*board);
        state_->board = board;
    }
    TraceContext context;
    context.lines = &object_->Lines();
    context.symbols = &object_->Symbols();
    context.select = object_->Commands().selectTable;
    context.sourceFile = traceSourceFile(object_->Symbols(), object_->Options());
    context.clock = &platform::systemClock();
    TraceWindowHost host;
    // The IDE's variable holds a window handle: one pointer wide.
    host.activeWindowSlot = static_cast<std::uintptr_t*>(activeWindowVar);
    TAgdiObject* object = object_;
    host.dialogClosed = [object](int tag) { object->SendDialogClosed(static_cast<std::uint32_t>(tag)); };
    host.runState = [object]() -> std::pair<bool, bool> {
        IRunControl* run = object->RunControl();
        return {run && run->IsRunning(), run && run->FlyingTrace()};
    };
    host.stopFlyingTrace = [object] {
        if (IRunControl* run = object->RunControl(); run && run->FlyingTrace()) run->SetFlyingTrace(false);
    };
    auto model = std::make_unique<TraceWindowModel>(*state_->source, context, store_, std::move(host));
    state_->window = std::make_unique<TraceWindow>(std::move(model), store_);
    TraceWindow& w = *state_->window;
    w.show();
    w.rowsChanged();
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(w.winId()));
}

void QtDriverWindows::CloseTraceWindow() {
    if (TraceWindow* w = state_->open()) w->close();
    state_->retire();
}

void QtDriverWindows::UpdateTraceWindow() {
    if (TraceWindow* w = state_->open()) w->refresh();
}

void QtDriverWindows::NotifyTraceWindow(std::uint32_t id, std::uint32_t code, const void*) {
    TraceWindow* w = state_->open();
    if (!w || id != agdi::code::NotifyId) return;
    w->model().notify(static_cast<int>(code));
    w->rowsChanged();
}

void QtDriverWindows::SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    TraceWindow* w = state_->open();
    // 4: the on-the-fly mode was switched; the panel and the menu follow
    // the run control.
    if (!w || message != agdi::code::TraceWindowId || wParam != 4) return;
    IRunControl* run = object_ ? object_->RunControl() : nullptr;
    w->model().setRunState(run && run->IsRunning(), run && run->FlyingTrace());
    w->refresh();
}

void QtDriverWindows::FreeTraceWindow() {
    state_->window.reset();
    state_->closed.clear();
}

bool QtDriverWindows::OptionsDialog() {
    if (!object_) return fallback_.OptionsDialog();
    LiveOptionsTarget target(LiveComponentsOf(*object_, store_));
    return RunOptionsDialog(target, store_);
}

void QtDriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    fallback_.RunMenuDialog(which, caption);
}

}  // namespace tarvex::ui
