#include "ui/win32/driver/win32_driver_windows.hpp"

#include <algorithm>
#include <functional>
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
#include "ui/model/window_routing.hpp"
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

// The menu's forms, modal over the IDE's window of the moment.
class Win32MenuForms final : public MenuForms {
public:
    Win32MenuForms(platform::SettingsStore& store, std::function<HWND()> owner)
        : store_(store), owner_(std::move(owner)) {}
    bool copyFill(CopyFillFormModel& model) override { return runCopyFillDialog(model, store_, owner_()); }
    bool saveMemory(SaveMemoryFormModel& model) override { return runSaveMemoryDialog(model, store_, owner_()); }
    bool map(MapFormModel& model) override { return select(model); }
    bool basicBreak(BasicBreakFormModel& model) override { return select(model); }
    bool breaks(BreakFormModel& model) override { return select(model); }
    bool traceSettings(TraceSettingsFormModel& model) override { return select(model); }
    bool saveTrace(SaveTraceModel& model) override { return runSaveTraceDialog(model, store_, owner_()); }
    void performanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables) override {
        runPerformanceDefinitions(perf, traceCapacity, tables, store_, owner_());
    }
    void performanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace,
                             const IBankingInfo* banking) override {
        runPerformanceAnalysis(result, trace, banking, store_, owner_());
    }
    std::unique_ptr<platform::BusyCursor> busyCursor() override { return std::make_unique<Win32BusyCursor>(); }

private:
    template <typename Model>
    bool select(Model& model) {
        SelectWin32 view(model, store_, owner_());
        return runSelectDialog(view, model);
    }

    platform::SettingsStore& store_;
    std::function<HWND()> owner_;
};

}  // namespace

struct Win32DriverWindows::TraceState : TraceWindowSlot<Win32TraceWindow> {};

Win32DriverWindows::Win32DriverWindows(platform::SettingsStore& store)
    : store_(store), trace_(std::make_unique<TraceState>()),
      menuForms_(std::make_unique<Win32MenuForms>(store, [this] { return ownerOf(object_->HostWindow()); })) {
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
    ITraceSource* source = trace_->source(object_);
    if (!source) return fallback_.OpenTraceWindow(dialogId, activeWindowVar);
    // The reading dialog first: making the model reads the trace already.
    // Until its trace window stands it holds the IDE's window.
    const HWND owner = ownerOf(object_->HostWindow());
    auto reading = std::make_unique<ReadingTraceWin32>(owner);
    auto model = makeTraceWindowModel(*object_, *source, activeWindowVar, reading.get(), store_);
    Win32TraceWindow& w = trace_->set(
        std::make_unique<Win32TraceWindow>(std::move(model), store_, owner, traceDialogs_, std::move(reading)));
    // Destroyed with the IDE's window before anyone closed it: the
    // on-the-fly trace ends as it does when the window is freed.
    w.onDestroyed = [object = object_] { stopFlyingTrace(*object); };
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
    if (w && notifyTraceWindow(w->model(), id, code)) w->rowsChanged();
}

std::intptr_t Win32DriverWindows::SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    Win32TraceWindow* w = trace_->open();
    if (!w || !queryTraceWindow(w->model(), object_, message, wParam)) return 0;
    w->refresh();
    return reinterpret_cast<std::intptr_t>(w->handle());
}

void Win32DriverWindows::FreeTraceWindow() { trace_->free(); }

void Win32DriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    trace_->retire();
    runMenuDialog(object_, which, caption, *menuForms_, store_, fallback_);
}

}  // namespace tarvex::ui::win32
