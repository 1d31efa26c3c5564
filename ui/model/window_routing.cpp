#include "ui/model/window_routing.hpp"

#include <algorithm>

#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/performance.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_object.hpp"
#include "host/agdi_records.hpp"
#include "host/command.hpp"
#include "host/options.hpp"
#include "host/run_port.hpp"
#include "platform/clock.hpp"
#include "ui/model/break_form.hpp"
#include "ui/model/copy_fill_form.hpp"
#include "ui/model/save_memory_form.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/select_form.hpp"
#include "ui/model/trace_settings_form.hpp"

namespace tarvex::ui {

namespace {

// The trace board's frames when the object has no board of its own: the
// smallest trace memory.
constexpr std::uint32_t kDefaultTraceCapacity = 32768;

void copyFill(TAgdiObject& object, TCFAufgabe task, MenuForms& forms, platform::SettingsStore& store) {
    auto command = std::make_unique<TVokWinKommando>();
    CopyFillFormModel model(tablesOf(object), store);
    model.SetAufgabe(task);
    if (!forms.copyFill(model)) return;
    model.Ausfuehren(*command);
    if (command->code == cmd::None) return;
    object.SetRefreshPending(true);
    object.RunMenuCommand(std::move(command));
}

void saveMemory(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    auto command = std::make_unique<TVokWinKommando>();
    SaveMemoryFormModel model(tablesOf(object), store, object.Options().ObjectDirName());
    if (!forms.saveMemory(model)) return;
    model.GetKommando(*command);
    if (command->code == cmd::None) return;
    object.RunMenuCommand(std::move(command));
}

// The command runs the export under the save-status form, whose Cancel ends
// it with the lines so far kept; a dialog that filled no command runs none.
void saveTrace(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    auto command = std::make_unique<TVokWinKommando>();
    SaveTraceModel model(store, object.Options().ObjectDirName());
    if (!forms.saveTrace(model)) return;
    model.writeCommand(*command);
    if (command->code == cmd::None) return;
    object.RunMenuCommand(std::move(command));
}

void map(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    // Refused with code banking on, or without external data to map; the
    // model shows why.
    if (!MapFormModel::MayOpen(&object.Banking(), object.SelectTable())) return;
    const auto offline = object.OfflineSelectTable();
    MapFormModel model(store);
    model.SetSettings(offline.get());
    if (!forms.map(model)) return;
    auto chain = model.GetKommandos();
    if (!chain) return;
    object.SetRefreshPending(true);
    object.RunMenuCommand(std::move(chain));
}

void basicBreak(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    const auto offline = object.OfflineSelectTable();
    BasicBreakFormModel model(store);
    model.SetSettings(offline.get());
    if (!forms.basicBreak(model)) return;
    if (auto chain = model.GetKommandos()) object.RunMenuCommand(std::move(chain));
}

void breaks(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    const auto offline = object.OfflineSelectTable();
    // The full dialog is offered with a trace board: its trigger hardware
    // drives the logic probes and the trace overflow.
    BreakFormModel model(store, object.TracePlatine());
    model.SetSettings(offline.get());
    if (!forms.breaks(model)) return;
    if (auto chain = model.GetKommandos()) object.RunMenuCommand(std::move(chain));
}

void traceSettings(TAgdiObject& object, MenuForms& forms, platform::SettingsStore& store) {
    const auto offline = object.OfflineSelectTable();
    TraceSettingsFormModel model(store);
    model.SetSettings(offline.get());
    if (!forms.traceSettings(model)) return;
    if (auto chain = model.GetKommandos()) object.RunMenuCommand(std::move(chain));
}

}  // namespace

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

void runMenuDialog(TAgdiObject* object, MenuDialog which, const std::string& caption, MenuForms& forms,
                   platform::SettingsStore& store, IDriverWindows& fallback) {
    if (!object) return fallback.RunMenuDialog(which, caption);
    TAgdiObject& o = *object;
    switch (which) {
        case MenuDialog::Fill: return copyFill(o, cfFuellen, forms, store);
        case MenuDialog::Copy: return copyFill(o, cfKopieren, forms, store);
        case MenuDialog::SaveMemory: return saveMemory(o, forms, store);
        case MenuDialog::Map: return map(o, forms, store);
        case MenuDialog::BasicBreak: return basicBreak(o, forms, store);
        case MenuDialog::Break: return breaks(o, forms, store);
        case MenuDialog::TraceSettings: return traceSettings(o, forms, store);
        case MenuDialog::SaveTrace: return saveTrace(o, forms, store);
        case MenuDialog::PerformanceDefinitions: {
            TPerformance* perf = o.Performance();
            if (!perf) return fallback.RunMenuDialog(which, caption);
            const IPerformanceTrace* trace = o.PerformanceTrace();
            const auto capacity =
                trace ? static_cast<std::uint32_t>(std::max(trace->capacity(), 1)) : kDefaultTraceCapacity;
            return forms.performanceDefinitions(*perf, capacity, tablesOf(o));
        }
        case MenuDialog::PerformanceAnalysis: {
            if (!o.Performance()) return fallback.RunMenuDialog(which, caption);
            const auto busy = forms.busyCursor();
            const TPerformanceList& result = o.PerformanceErgebnis(busy.get());
            return forms.performanceAnalysis(result, o.PerformanceTrace(), o.DialogContext().banking);
        }
        default: return fallback.RunMenuDialog(which, caption);
    }
}

TTracePlatine* traceBoardOf(TAgdiObject* object) { return object ? object->TracePlatine() : nullptr; }

void stopFlyingTrace(TAgdiObject& object) {
    if (IRunControl* run = object.RunControl(); run && run->FlyingTrace()) run->SetFlyingTrace(false);
}

std::unique_ptr<TraceWindowModel> makeTraceWindowModel(TAgdiObject& object, ITraceSource& source,
                                                       void* activeWindowVar, TraceReadingDialog* reading,
                                                       platform::SettingsStore& store) {
    TraceContext context;
    context.lines = &object.Lines();
    context.symbols = &object.Symbols();
    context.select = object.Commands().selectTable;
    context.sourceFile = traceSourceFile(object.Symbols(), object.Options());
    context.clock = &platform::systemClock();
    context.reading = reading;
    TraceWindowHost host;
    // The IDE's variable holds a window handle: one pointer wide.
    host.activeWindowSlot = static_cast<std::uintptr_t*>(activeWindowVar);
    TAgdiObject* o = &object;
    host.dialogClosed = [o](int tag) { o->SendDialogClosed(static_cast<std::uint32_t>(tag)); };
    host.runState = [o]() -> std::pair<bool, bool> {
        IRunControl* run = o->RunControl();
        return {run && run->IsRunning(), run && run->FlyingTrace()};
    };
    host.stopFlyingTrace = [o] { stopFlyingTrace(*o); };
    return std::make_unique<TraceWindowModel>(source, context, store, std::move(host));
}

bool notifyTraceWindow(TraceWindowModel& model, std::uint32_t id, std::uint32_t code) {
    if (id != agdi::code::NotifyId) return false;
    model.notify(static_cast<int>(code));
    return true;
}

bool queryTraceWindow(TraceWindowModel& model, TAgdiObject* object, std::uint32_t message, std::uintptr_t wParam) {
    if (message != agdi::code::TraceWindowId || wParam != 4) return false;
    IRunControl* run = object ? object->RunControl() : nullptr;
    model.setRunState(run && run->IsRunning(), run && run->FlyingTrace());
    return true;
}

}  // namespace tarvex::ui
