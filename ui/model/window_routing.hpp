#pragma once
// The routing of the driver's windows, the same in every build with windows:
// which model each menu dialog gets, what its OK runs, and how the trace
// window is made and kept. A build only shows each form modally (MenuForms)
// and puts the trace window on the screen.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "host/driver_windows.hpp"
#include "platform/ui.hpp"
#include "ui/model/dialog_tables.hpp"
#include "ui/model/trace_platine_source.hpp"
#include "ui/model/trace_window.hpp"

namespace tarvex {
class TAgdiObject;
class TPerformance;
struct TPerformanceList;
class TTracePlatine;
class IPerformanceTrace;
class IBankingInfo;
namespace platform {
class SettingsStore;
}
}  // namespace tarvex

namespace tarvex::ui {

class CopyFillFormModel;
class SaveMemoryFormModel;
class MapFormModel;
class BasicBreakFormModel;
class BreakFormModel;
class TraceSettingsFormModel;
class SaveTraceModel;

// Shows one of the menu's forms modally over the IDE's window; true for OK.
// The form is gone when the call returns, its model keeps what was entered.
class MenuForms {
public:
    virtual ~MenuForms() = default;
    virtual bool copyFill(CopyFillFormModel& model) = 0;
    virtual bool saveMemory(SaveMemoryFormModel& model) = 0;
    virtual bool map(MapFormModel& model) = 0;
    virtual bool basicBreak(BasicBreakFormModel& model) = 0;
    virtual bool breaks(BreakFormModel& model) = 0;
    virtual bool traceSettings(TraceSettingsFormModel& model) = 0;
    virtual bool saveTrace(SaveTraceModel& model) = 0;
    // The performance forms act on the measurement themselves.
    virtual void performanceDefinitions(TPerformance& perf, std::uint32_t traceCapacity,
                                        const DialogTables& tables) = 0;
    virtual void performanceAnalysis(const TPerformanceList& result, const IPerformanceTrace* trace,
                                     const IBankingInfo* banking) = 0;
    // The cursor shown while the analysis is worked out.
    virtual std::unique_ptr<platform::BusyCursor> busyCursor() = 0;
};

// The tables a menu dialog reads, those of the object's session.
DialogTables tablesOf(TAgdiObject& object);

// Each dialog is made, shown modally and gone before what follows its OK
// runs; a dialog cancelled, or whose command is empty, leaves no command
// behind. Without an object, and for the dialogs no form shows, `fallback`
// answers as the build without windows does. Errors of the steps after OK
// (a conversion the closed dialog makes, a refused command) pass to the
// caller: the menu's exception hook.
void runMenuDialog(TAgdiObject* object, MenuDialog which, const std::string& caption, MenuForms& forms,
                   platform::SettingsStore& store, IDriverWindows& fallback);

// The trace window's model on the object's trace board, with what it tells
// the object; `reading` is the reading dialog its first reads may show.
std::unique_ptr<TraceWindowModel> makeTraceWindowModel(TAgdiObject& object, ITraceSource& source,
                                                       void* activeWindowVar, TraceReadingDialog* reading,
                                                       platform::SettingsStore& store);
// Ends the object's on-the-fly trace when it is on: what a window's end
// owes the host, however it ends.
void stopFlyingTrace(TAgdiObject& object);
// A host notification for the trace window; true when it was one, and the
// window's rows follow.
bool notifyTraceWindow(TraceWindowModel& model, std::uint32_t id, std::uint32_t code);
// The host's query of the trace window: with 4 (the on-the-fly mode was
// switched) the model follows the run control, and true says to refresh the
// window and answer with it.
bool queryTraceWindow(TraceWindowModel& model, TAgdiObject* object, std::uint32_t message, std::uintptr_t wParam);

// The object's trace board; null without an object or a board.
TTracePlatine* traceBoardOf(TAgdiObject* object);

// The open trace window of a build, and the board source its model reads.
// A closed window is kept hidden until the next call from outside its own
// events (retire()), so that it is never freed inside its own close; all go
// before the source. `Window` answers gone() once closed.
template <typename Window>
class TraceWindowSlot {
public:
    ~TraceWindowSlot() { free(); }
    Window* open() const { return window_ && !window_->gone() ? window_.get() : nullptr; }
    void retire() {
        closed_.clear();
        if (window_ && window_->gone()) closed_.push_back(std::move(window_));
    }
    void free() {
        window_.reset();
        closed_.clear();
    }
    Window& set(std::unique_ptr<Window> window) {
        window_ = std::move(window);
        return *window_;
    }
    // The source over the object's trace board, made again when the board
    // changed; null without a board.
    ITraceSource* source(TAgdiObject* object) {
        TTracePlatine* board = traceBoardOf(object);
        if (!board) return nullptr;
        if (board != board_) {
            source_ = std::make_unique<TracePlatineSource>(*board);
            board_ = board;
        }
        return source_.get();
    }

private:
    TTracePlatine* board_ = nullptr;
    std::unique_ptr<TracePlatineSource> source_;
    std::unique_ptr<Window> window_;
    std::vector<std::unique_ptr<Window>> closed_;
};

}  // namespace tarvex::ui
