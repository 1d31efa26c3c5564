#include "ui/qt/driver/qt_driver_windows.hpp"

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
#include "ui/qt/qt_ui.hpp"
#include "ui/qt/driver/copy_fill_dialog.hpp"
#include "ui/qt/driver/generation_chooser.hpp"
#include "ui/model/driver_session.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/model/window_routing.hpp"
#include "ui/qt/driver/options_dialog.hpp"
#include "ui/qt/driver/performance_dialogs.hpp"
#include "ui/qt/driver/save_memory_dialog.hpp"
#include "ui/qt/driver/select_dialogs.hpp"
#include "ui/qt/status_forms.hpp"
#include "ui/qt/driver/symbol_browser_dialog.hpp"
#include "ui/qt/driver/trace_dialogs.hpp"
#include "ui/qt/driver/trace_window.hpp"

namespace tarvex::ui {

namespace {

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

// Shows the dialog modally; true for OK.
template <typename Dialog, typename Model>
bool accepted(Model& model, platform::SettingsStore& store) {
    Dialog dialog(model, store, dialogParent());
    return dialog.exec() == QDialog::Accepted;
}

// The menu's forms, modal over the active window.
class QtMenuForms final : public MenuForms {
public:
    explicit QtMenuForms(platform::SettingsStore& store) : store_(store) {}
    bool copyFill(CopyFillFormModel& model) override { return accepted<CopyFillDialog>(model, store_); }
    bool saveMemory(SaveMemoryFormModel& model) override { return accepted<SaveMemoryDialog>(model, store_); }
    bool map(MapFormModel& model) override { return accepted<MapDialog>(model, store_); }
    bool basicBreak(BasicBreakFormModel& model) override { return accepted<BasicBreakDialog>(model, store_); }
    bool breaks(BreakFormModel& model) override { return accepted<BreakSettingsDialog>(model, store_); }
    bool traceSettings(TraceSettingsFormModel& model) override {
        return accepted<TraceSettingsDialog>(model, store_);
    }
    bool saveTrace(SaveTraceModel& model) override { return accepted<SaveTraceDialog>(model, store_); }
    void performanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity, const DialogTables& tables) override {
        RunPerformanceDefinitions(perf, traceCapacity, tables, store_, dialogParent());
    }
    void performanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace,
                             const IBankingInfo* banking) override {
        RunPerformanceAnalysis(result, trace, banking, store_, dialogParent());
    }
    std::unique_ptr<platform::BusyCursor> busyCursor() override { return std::make_unique<QtBusyCursor>(); }

private:
    platform::SettingsStore& store_;
};

}  // namespace

struct QtDriverWindows::State : TraceWindowSlot<TraceWindow> {};

QtDriverWindows::QtDriverWindows(platform::SettingsStore& store)
    : store_(store), state_(std::make_unique<State>()), forms_(std::make_unique<QtMenuForms>(store)) {
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
    ITraceSource* source = state_->source(object_);
    if (!source) return fallback_.OpenTraceWindow(dialogId, activeWindowVar);
    // The reading dialog first: making the model reads the trace already.
    auto reading = std::make_unique<ReadingTraceDialog>();
    auto model = makeTraceWindowModel(*object_, *source, activeWindowVar, reading.get(), store_);
    TraceWindow& w =
        state_->set(std::make_unique<TraceWindow>(std::move(model), store_, nullptr, std::move(reading)));
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
    if (w && notifyTraceWindow(w->model(), id, code)) w->rowsChanged();
}

std::intptr_t QtDriverWindows::SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    TraceWindow* w = state_->open();
    if (!w || !queryTraceWindow(w->model(), object_, message, wParam)) return 0;
    w->refresh();
    return static_cast<std::intptr_t>(w->winId());
}

void QtDriverWindows::FreeTraceWindow() { state_->free(); }

bool QtDriverWindows::OptionsDialog() {
    if (!object_) return fallback_.OptionsDialog();
    LiveOptionsTarget target(LiveComponentsOf(*object_, store_));
    return RunOptionsDialog(target, store_);
}

void QtDriverWindows::RunMenuDialog(MenuDialog which, const std::string& caption) {
    state_->retire();
    runMenuDialog(object_, which, caption, *forms_, store_, fallback_);
}

}  // namespace tarvex::ui
