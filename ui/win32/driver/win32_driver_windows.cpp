#include "ui/win32/driver/win32_driver_windows.hpp"

#include <algorithm>
#include <vector>

#include "emulator/emulator.hpp"
#include "host/agdi_object.hpp"
#include "host/command.hpp"
#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_records.hpp"
#include "host/options.hpp"
#include "host/run_port.hpp"
#include "platform/clock.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/win32/driver/copy_fill_win32.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/driver/maintenance_win32.hpp"
#include "ui/win32/driver/options_win32.hpp"
#include "ui/win32/driver/performance_win32.hpp"
#include "ui/win32/driver/save_memory_win32.hpp"
#include "ui/model/driver_session.hpp"
#include "ui/win32/driver/select_win32.hpp"
#include "ui/win32/driver/trace_dialogs_win32.hpp"
#include "ui/win32/driver/symbol_browser_win32.hpp"
#include "ui/win32/stop_error_win32.hpp"
#include "ui/win32/win32_ui.hpp"

namespace tarvex::ui::win32 {

namespace {

// The trace board's frames when the object has no board of its own: the
// smallest trace memory.
constexpr std::uint32_t kDefaultTraceCapacity = 32768;

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
// never freed inside its own messages; all go before the source.
struct Win32DriverWindows::TraceState {
    TTracePlatine* board = nullptr;
    std::unique_ptr<TracePlatineSource> source;
    std::unique_ptr<Win32TraceWindow> window;
    std::vector<std::unique_ptr<Win32TraceWindow>> closed;

    ~TraceState() {
        closed.clear();
        window.reset();
    }
    Win32TraceWindow* open() const { return window && !window->gone() ? window.get() : nullptr; }
    void retire() {
        closed.clear();
        if (window && window->gone()) closed.push_back(std::move(window));
    }
};

Win32DriverWindows::Win32DriverWindows(platform::SettingsStore& store)
    : store_(store), trace_(std::make_unique<TraceState>()) {
    traceDialogs_.frameSearch = runFrameSearchDialog;
    // A trace's goto has no bank group: OK or Cancel.
    traceDialogs_.gotoFrame = [](GotoModel& model, platform::SettingsStore& s, HWND owner) {
        return runGotoDialog(model, s, owner) == IDOK;
    };
    traceDialogs_.columns = [](TraceColumnsModel& model, platform::SettingsStore&, HWND owner) {
        return runTraceColumnsDialog(model, owner);
    };
    attachment_ = std::make_unique<DriverAttachment>([this](TAgdiObject& object) {
        SessionForms forms;
        // The IDE's window of the moment owns them; the tables are asked at
        // every pick: those of the session running then.
        auto owner = [&object] { return ownerOf(object.HostWindow()); };
        forms.picker = std::make_unique<Win32SymbolPicker>(
            [&object] {
                return SymbolBrowserSources{&object.Symbols(), &object.Lines(), object.Registers(),
                                            object.Options().SystemMode()};
            },
            owner, store_);
        forms.maintenance = std::make_unique<Win32MaintenanceForms>(owner, &object.Emulator(), store_);
        return forms;
    });
}

Win32DriverWindows::~Win32DriverWindows() {
    // The window reads the object's board and ends its on-the-fly trace.
    FreeTraceWindow();
    attachment_.reset();
}

void Win32DriverWindows::attach(TAgdiObject* object) {
    object_ = object;
    attachment_->attach(object);
}

platform::StopErrorForm* Win32DriverWindows::stopErrorForm() {
    if (!stopError_) stopError_ = std::make_unique<Win32StopErrorForm>();
    return stopError_.get();
}

bool Win32DriverWindows::OptionsDialog() {
    if (!object_) return fallback_.OptionsDialog();
    LiveOptionsTarget target(LiveComponentsOf(*object_, store_));
    return runOptionsDialogWin32(target, store_, ownerOf(object_->HostWindow()));
}

Win32TraceWindow* Win32DriverWindows::traceWindow() const { return trace_->open(); }

bool Win32DriverWindows::TraceWindowExists() const { return trace_->open() != nullptr; }

void* Win32DriverWindows::OpenTraceWindow(std::uint32_t dialogId, void* activeWindowVar) {
    trace_->retire();
    if (Win32TraceWindow* w = trace_->open()) {
        ShowWindow(w->handle(), SW_SHOW);
        SetForegroundWindow(w->handle());
        return w->handle();
    }
    TTracePlatine* board = object_ ? object_->TracePlatine() : nullptr;
    if (!board) return fallback_.OpenTraceWindow(dialogId, activeWindowVar);
    if (board != trace_->board) {
        trace_->source = std::make_unique<TracePlatineSource>(*board);
        trace_->board = board;
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
    const auto stopFlying = [object] {
        if (IRunControl* run = object->RunControl(); run && run->FlyingTrace()) run->SetFlyingTrace(false);
    };
    host.stopFlyingTrace = stopFlying;
    // The reading dialog first: making the model reads the trace already.
    // Until its trace window stands it holds the IDE's window.
    const HWND owner = ownerOf(object_->HostWindow());
    auto reading = std::make_unique<ReadingTraceWin32>(owner);
    context.reading = reading.get();
    auto model = std::make_unique<TraceWindowModel>(*trace_->source, context, store_, std::move(host));
    trace_->window =
        std::make_unique<Win32TraceWindow>(std::move(model), store_, owner, traceDialogs_, std::move(reading));
    Win32TraceWindow& w = *trace_->window;
    // Destroyed with the IDE's window before anyone closed it: the
    // on-the-fly trace ends as it does when the window is freed.
    w.onDestroyed = stopFlying;
    w.show();
    return w.handle();
}

void Win32DriverWindows::CloseTraceWindow() {
    if (Win32TraceWindow* w = trace_->open()) SendMessageA(w->handle(), WM_CLOSE, 0, 0);
    trace_->retire();
}

void Win32DriverWindows::UpdateTraceWindow() {
    if (Win32TraceWindow* w = trace_->open()) w->refresh();
}

void Win32DriverWindows::NotifyTraceWindow(std::uint32_t id, std::uint32_t code, const void*) {
    Win32TraceWindow* w = trace_->open();
    if (!w || id != agdi::code::NotifyId) return;
    w->model().notify(static_cast<int>(code));
    w->rowsChanged();
}

std::intptr_t Win32DriverWindows::SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    Win32TraceWindow* w = trace_->open();
    // 4: the on-the-fly mode was switched; the panel and the menu follow
    // the run control, and the answer is the window.
    if (!w || message != agdi::code::TraceWindowId || wParam != 4) return 0;
    IRunControl* run = object_ ? object_->RunControl() : nullptr;
    w->model().setRunState(run && run->IsRunning(), run && run->FlyingTrace());
    w->refresh();
    return reinterpret_cast<std::intptr_t>(w->handle());
}

void Win32DriverWindows::FreeTraceWindow() {
    trace_->window.reset();
    trace_->closed.clear();
}

// Each dialog is made, shown modally and gone before what follows its OK
// runs; a dialog cancelled leaves no command behind. Errors of the steps
// after OK pass to the menu's exception hook.
void Win32DriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    trace_->retire();
    if (!object_) return fallback_.RunMenuDialog(which, caption);
    switch (which) {
        case MenuDialog::Fill: copyFill(cfFuellen); break;
        case MenuDialog::Copy: copyFill(cfKopieren); break;
        case MenuDialog::SaveMemory: saveMemory(); break;
        case MenuDialog::Map: map(); break;
        case MenuDialog::BasicBreak: basicBreak(); break;
        case MenuDialog::Break: breaks(); break;
        case MenuDialog::TraceSettings: traceSettings(); break;
        case MenuDialog::PerformanceDefinitions: performanceDefinitions(caption); break;
        case MenuDialog::PerformanceAnalysis: performanceAnalysis(caption); break;
        case MenuDialog::SaveTrace: saveTrace(); break;
        default: fallback_.RunMenuDialog(which, caption); break;
    }
}

void Win32DriverWindows::copyFill(int task) {
    auto command = std::make_unique<TVokWinKommando>();
    CopyFillFormModel model(tablesOf(*object_), store_);
    model.SetAufgabe(static_cast<TCFAufgabe>(task));
    if (!runCopyFillDialog(model, store_, ownerOf(object_->HostWindow()))) return;
    model.Ausfuehren(*command);
    if (command->code == cmd::None) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(command));
}

void Win32DriverWindows::saveMemory() {
    auto command = std::make_unique<TVokWinKommando>();
    SaveMemoryFormModel model(tablesOf(*object_), store_, object_->Options().ObjectDirName());
    if (!runSaveMemoryDialog(model, store_, ownerOf(object_->HostWindow()))) return;
    model.GetKommando(*command);
    if (command->code == cmd::None) return;
    object_->RunMenuCommand(std::move(command));
}

void Win32DriverWindows::map() {
    // Refused with code banking on, or without external data to map; the
    // model shows why.
    if (!MapFormModel::MayOpen(&object_->Banking(), object_->SelectTable())) return;
    const auto offline = object_->OfflineSelectTable();
    MapFormModel model(store_);
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    auto chain = model.GetKommandos();
    if (!chain) return;
    object_->SetRefreshPending(true);
    object_->RunMenuCommand(std::move(chain));
}

void Win32DriverWindows::basicBreak() {
    const auto offline = object_->OfflineSelectTable();
    BasicBreakFormModel model(store_);
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    if (auto chain = model.GetKommandos()) object_->RunMenuCommand(std::move(chain));
}

void Win32DriverWindows::breaks() {
    const auto offline = object_->OfflineSelectTable();
    // The full dialog is offered with a trace board: its trigger hardware
    // drives the logic probes and the trace overflow.
    BreakFormModel model(store_, object_->TracePlatine());
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    if (auto chain = model.GetKommandos()) object_->RunMenuCommand(std::move(chain));
}

void Win32DriverWindows::traceSettings() {
    const auto offline = object_->OfflineSelectTable();
    TraceSettingsFormModel model(store_);
    model.SetSettings(offline.get());
    SelectWin32 view(model, store_, ownerOf(object_->HostWindow()));
    if (!runSelectDialog(view, model)) return;
    if (auto chain = model.GetKommandos()) object_->RunMenuCommand(std::move(chain));
}

void Win32DriverWindows::performanceDefinitions(const std::string& caption) {
    TPerformance* perf = object_->Performance();
    if (!perf) return fallback_.RunMenuDialog(MenuDialog::PerformanceDefinitions, caption);
    const IPerformanceTrace* trace = object_->PerformanceTrace();
    const auto capacity = trace ? static_cast<std::uint32_t>(std::max(trace->capacity(), 1)) : kDefaultTraceCapacity;
    runPerformanceDefinitions(*perf, capacity, tablesOf(*object_), store_, ownerOf(object_->HostWindow()));
}

void Win32DriverWindows::performanceAnalysis(const std::string& caption) {
    if (!object_->Performance()) return fallback_.RunMenuDialog(MenuDialog::PerformanceAnalysis, caption);
    Win32BusyCursor busy;
    const TPerformanceList& result = object_->PerformanceErgebnis(&busy);
    runPerformanceAnalysis(result, object_->PerformanceTrace(), object_->DialogContext().banking, store_,
                           ownerOf(object_->HostWindow()));
}

// The command runs the export under the save-status form, whose Cancel ends
// it with the lines so far kept.
void Win32DriverWindows::saveTrace() {
    auto command = std::make_unique<TVokWinKommando>();
    SaveTraceModel model(store_, object_->Options().ObjectDirName());
    if (!runSaveTraceDialog(model, store_, ownerOf(object_->HostWindow()))) return;
    model.writeCommand(*command);
    object_->RunMenuCommand(std::move(command));
}

}  // namespace tarvex::ui::win32
