#include "ui/qt_driver_windows.hpp"

#include <QApplication>
#include <algorithm>
#include <vector>

#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/register_table.hpp"
#include "core/symbol_table.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command.hpp"
#include "host/options.hpp"
#include "host/run_port.hpp"
#include "platform/clock.hpp"
#include "ui/base/qt_ui.hpp"
#include "ui/break_settings_dialog.hpp"
#include "ui/copy_fill_dialog.hpp"
#include "ui/generation_chooser.hpp"
#include "ui/model/driver_session.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/options_dialog.hpp"
#include "ui/performance_dialogs.hpp"
#include "ui/save_memory_dialog.hpp"
#include "ui/select_dialogs.hpp"
#include "ui/status_forms.hpp"
#include "ui/symbol_browser_dialog.hpp"
#include "ui/trace_dialogs.hpp"
#include "ui/trace_settings_dialog.hpp"
#include "ui/trace_window.hpp"

namespace tarvex::ui {

namespace {

// The trace board's frames when the object has no board of its own: the
// smallest trace memory.
constexpr std::uint32_t kDefaultTraceCapacity = 32768;

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Shows the dialog modally; true for OK. The dialog is gone when this
// returns, its model keeps what the user entered.
template <typename Dialog, typename Model>
bool accepted(Model& model, platform::SettingsStore& store) {
    Dialog dialog(model, store, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

DialogTables tablesOf(TAgdiObject& object) {
    DialogTables tables;
    tables.symbols = &object.Symbols();
    tables.lines = &object.Lines();
    tables.registers = object.Registers();
    tables.trace = object.TracePlatine();
    tables.context = object.DialogContext();
    tables.systemMode = object.Options().SystemMode();
    return tables;
}

}  // namespace

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
    : store_(store), state_(std::make_unique<State>()) {
    attachment_ = std::make_unique<DriverAttachment>([this](TAgdiObject& object) {
        SessionForms forms;
        // The tables are asked at every pick: those of the session running then.
        forms.picker = std::make_unique<QtSymbolPicker>(
            [&object] {
                return SymbolBrowserSources{&object.Symbols(), &object.Lines(), object.Registers(),
                                            object.Options().SystemMode()};
            },
            store_);
        forms.maintenance = std::make_unique<QtMaintenanceForms>(&object.Emulator(), store_);
        if (!loadStatus_) loadStatus_ = std::make_unique<LoadStatusForm>();
        if (!saveStatus_) saveStatus_ = std::make_unique<SaveStatusForm>();
        forms.loadStatus = loadStatus_.get();
        forms.saveStatus = saveStatus_.get();
        return forms;
    });
}

platform::StopErrorForm* QtDriverWindows::stopErrorForm() {
    if (!stopError_) stopError_ = std::make_unique<StopErrorForm>();
    return stopError_.get();
}

QtDriverWindows::~QtDriverWindows() {
    // The session's forms go before the windows that own them.
    attachment_.reset();
}

// The symbol browser behind every "?" button, the maintenance forms, the
// progress forms and the help, on the attached object's session.
void QtDriverWindows::attach(TAgdiObject* object) {
    object_ = object;
    attachment_->attach(object);
}

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
    // The reading dialog first: making the model reads the trace already.
    auto reading = std::make_unique<ReadingTraceDialog>();
    context.reading = reading.get();
    auto model = std::make_unique<TraceWindowModel>(*state_->source, context, store_, std::move(host));
    state_->window = std::make_unique<TraceWindow>(std::move(model), store_, nullptr, std::move(reading));
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

std::intptr_t QtDriverWindows::SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    TraceWindow* w = state_->open();
    // 4: the on-the-fly mode was switched; the panel and the menu follow
    // the run control, and the answer is the window.
    if (!w || message != agdi::code::TraceWindowId || wParam != 4) return 0;
    IRunControl* run = object_ ? object_->RunControl() : nullptr;
    w->model().setRunState(run && run->IsRunning(), run && run->FlyingTrace());
    w->refresh();
    return static_cast<std::intptr_t>(w->winId());
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

// Each dialog is made, shown modally and gone before what follows its OK
// runs; a dialog cancelled leaves no command behind. Errors of the steps
// after OK (a conversion the closed dialog makes, a refused command) pass to
// the menu's exception hook.
void QtDriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    state_->retire();
    if (!object_) {
        fallback_.RunMenuDialog(which, caption);
        return;
    }
    switch (which) {
    case MenuDialog::Fill: copyFill(cfFuellen); break;
    case MenuDialog::Copy: copyFill(cfKopieren); break;
    case MenuDialog::Map: map(); break;
    case MenuDialog::SaveMemory: saveMemory(); break;
    case MenuDialog::Break: breaks(true); break;
    case MenuDialog::BasicBreak: breaks(false); break;
    case MenuDialog::TraceSettings: traceSettings(); break;
    case MenuDialog::PerformanceDefinitions: performanceDefinitions(); break;
    case MenuDialog::PerformanceAnalysis: performanceAnalysis(); break;
    case MenuDialog::SaveTrace:
        saveTrace();
        break;
    default: fallback_.RunMenuDialog(which, caption); break;
    }
}

void QtDriverWindows::copyFill(int task) {
    auto command = std::make_unique<TVokWinKommando>();
    CopyFillFormModel model(tablesOf(*object_), store_);
    model.SetAufgabe(static_cast<TCFAufgabe>(task));
    if (!accepted<CopyFillDialog>(model, store_)) return;
    model.Ausfuehren(*command);
    if (command->code == cmd::None) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(command));
}

// The command runs the export under the save-status form, whose Cancel ends
// it with the lines so far kept.
void QtDriverWindows::saveTrace() {
    auto command = std::make_unique<TVokWinKommando>();
    SaveTraceModel model(store_, object_->Options().ObjectDirName());
    if (!accepted<SaveTraceDialog>(model, store_)) return;
    model.writeCommand(*command);
    if (command->code == cmd::None) return;
    object_->RunMenuCommand(std::move(command));
}

void QtDriverWindows::saveMemory() {
    auto command = std::make_unique<TVokWinKommando>();
    SaveMemoryFormModel model(tablesOf(*object_), store_, object_->Options().ObjectDirName());
    if (!accepted<SaveMemoryDialog>(model, store_)) return;
    model.GetKommando(*command);
    if (command->code == cmd::None) return;
    object_->RunMenuCommand(std::move(command));
}

void QtDriverWindows::map() {
    // Refused with code banking on, or without external data to map; the
    // model shows why.
    if (!MapFormModel::MayOpen(&object_->Banking(), object_->SelectTable())) return;
    const auto offline = object_->OfflineSelectTable();
    MapFormModel model(store_);
    model.SetSettings(offline.get());
    if (!accepted<MapDialog>(model, store_)) return;
    auto chain = model.GetKommandos();
    if (!chain) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(chain));
}

void QtDriverWindows::breaks(bool full) {
    const auto offline = object_->OfflineSelectTable();
    std::unique_ptr<TVokWinKommando> chain;
    if (full) {
        // The full dialog is offered with a trace board: its trigger
        // hardware drives the logic probes and the trace overflow.
        BreakFormModel model(store_, object_->TracePlatine());
        model.SetSettings(offline.get());
        if (!accepted<BreakSettingsDialog>(model, store_)) return;
        chain = model.GetKommandos();
    } else {
        BasicBreakFormModel model(store_);
        model.SetSettings(offline.get());
        if (!accepted<BasicBreakDialog>(model, store_)) return;
        chain = model.GetKommandos();
    }
    if (chain) object_->RunMenuCommand(std::move(chain));
}

void QtDriverWindows::traceSettings() {
    const auto offline = object_->OfflineSelectTable();
    TraceSettingsFormModel model(store_);
    model.SetSettings(offline.get());
    if (!accepted<TraceSettingsDialog>(model, store_)) return;
    if (auto chain = model.GetKommandos()) object_->RunMenuCommand(std::move(chain));
}

void QtDriverWindows::performanceDefinitions() {
    TPerformance* perf = object_->Performance();
    if (!perf) {
        fallback_.RunMenuDialog(MenuDialog::PerformanceDefinitions, "Performance definitions...");
        return;
    }
    const IPerformanceTrace* trace = object_->PerformanceTrace();
    const auto capacity = trace ? static_cast<std::uint32_t>(std::max(trace->capacity(), 1)) : kDefaultTraceCapacity;
    RunPerformanceDefinitions(*perf, capacity, tablesOf(*object_), store_, dialogParent());
}

void QtDriverWindows::performanceAnalysis() {
    if (!object_->Performance()) {
        fallback_.RunMenuDialog(MenuDialog::PerformanceAnalysis, "Performance analysis...");
        return;
    }
    QtBusyCursor busy;
    const TPerformanceList& result = object_->PerformanceErgebnis(&busy);
    RunPerformanceAnalysis(result, object_->PerformanceTrace(), object_->DialogContext().banking, store_,
                           dialogParent());
}

}  // namespace tarvex::ui
