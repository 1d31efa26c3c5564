#pragma once
// The trace window: the box of the trace list, its ten columns with their
// remembered widths, the popup menu's items, the status bar, the layout kept
// under the window's own section, and what the window tells the host.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/form_model.hpp"
#include "ui/model/trace_box.hpp"
#include "ui/model/trace_search.hpp"

namespace tarvex::ui {

// The numbers of the open trace windows: a new window takes the lowest free
// one, so a reopened window finds its layout again and the sections do not
// grow without end.
class TraceWindowNumbers {
public:
    int acquire();
    void release(int number) { used_.erase(number); }

private:
    std::set<int> used_;
};
TraceWindowNumbers& traceWindowNumbers();

// What the window reports to the host and asks of it.
struct TraceWindowHost {
    // The active-window slot: the window's id while active, 0 once closed.
    std::uintptr_t* activeWindowSlot = nullptr;
    // The dialog-closed notification with the window's tag.
    std::function<void(int tag)> dialogClosed;
    // The run control's state: running, and in the on-the-fly mode; read
    // when the target stopped.
    std::function<std::pair<bool, bool>()> runState = {};
    // Ends the run control's on-the-fly trace, when it is on; a closing
    // window's list asks for it.
    std::function<void()> stopFlyingTrace = {};
};

// One item of the popup menu, in menu order; a submenu's items follow it
// and name it as their parent. The caption, the check and the enabling are
// the model's control of that name.
struct TraceMenuItem {
    enum Kind { Command, Separator, Submenu };
    const char* name;
    Kind kind;
    const char* parent;
    // The short cut shown beside the item, which the window takes wherever
    // its focus is; empty for none.
    const char* key;
    bool checkable;
    // One of a group: the items of its submenu that are radio items.
    bool radio;
};

// What a menu item run by the model leaves the window to do.
enum class TraceMenuRun {
    // The item opens a dialog: the window shows it.
    Dialog,
    Done,
    // The selected rows were collapsed: the selection goes.
    SelectionUsed,
};

struct WindowGeometry {
    int left = 0, top = 0, width = 0, height = 0;
};

class TraceWindowModel final : public FormModel {
public:
    static constexpr int kTag = 7;
    static constexpr unsigned kHelpContext = 220;
    static constexpr std::array<int, kTraceColumns> kBuiltWidths{50, 35, 120, 50, 55, 50, 62, 55, 120, 200};
    enum class PanelStyle { Plain, OnWhite, WhiteOnRed };

    TraceWindowModel(ITraceSource& source, TraceContext context, platform::SettingsStore& store,
                     TraceWindowHost host = {}, TraceWindowNumbers& numbers = traceWindowNumbers());
    ~TraceWindowModel() override;
    TraceWindowModel(const TraceWindowModel&) = delete;
    TraceWindowModel& operator=(const TraceWindowModel&) = delete;

    TraceBoxModel& box() { return box_; }
    const TraceContext& context() const { return context_ctx_; }
    const TraceBoxModel& box() const { return box_; }
    const std::string& section() const { return section_; }
    int number() const { return number_; }
    // The size and place kept from the last window of this number.
    std::optional<WindowGeometry> storedGeometry() const { return storedGeometry_; }
    // The board is absent: the window closes at once.
    bool boardAbsent() const { return !source_.present(); }

    // ---- Columns
    const std::array<int, kTraceColumns>& widths() const { return widths_; }
    // The user resized a section.
    void setWidth(int column, int width);
    int rememberedWidth(int column) const;
    std::array<bool, kTraceColumns> columnsShown() const;
    // The columns dialog's OK: a column switched off gets width 0, one
    // switched on that had none its remembered width.
    void applyColumns(const std::array<bool, kTraceColumns>& shown);
    std::string headerTitle(int column) const { return traceHeaderTitle(column, box_.mode()); }

    // ---- Display mode and context
    TTraceDarstellung darstellung() const { return box_.mode(); }
    // Validated first: Source without lines over a non-empty trace is
    // Assembled; a value that is no mode is Mixed Mode.
    void setDarstellung(int requested);
    bool contextShown() const { return context_; }
    // Only in Source mode.
    void setContext(bool on);

    // ---- Menu and actions
    static const std::vector<TraceMenuItem>& menuItems();
    // Runs a menu item that needs no dialog; `selectedRows` are the rows
    // "Collapse selected" takes.
    TraceMenuRun runItem(const std::string& name, const std::vector<int>& selectedRows = {});
    // The hidden "Double clic&k" submenu's only choice: a double click sets
    // the time stamp zero.
    int doubleClickAction() const { return doubleClickAction_; }
    void setDoubleClickAction(int action);
    // While the target runs, the search and time items only in on-the-fly mode.
    void setRunState(bool running, bool onTheFly);
    bool onTheFly() const { return onTheFly_; }
    // "Go to...": an existing frame index is shown; anything else is refused
    // with the error box and leaves the view.
    bool goToFrame(const std::string& text);
    void doubleClick();
    void timeZero();
    // "&Search...": the pattern is kept and searched at once (an empty one
    // leaves the search off); "Search again" repeats it from the current
    // frame. A miss shows "Trace frame not found" and keeps the view.
    void search(const TraceFramePattern& pattern, bool empty);
    void searchAgain();
    bool searchActive() const { return searchPattern_.has_value(); }
    // "Time &Filter...": an empty pattern switches the filter off.
    void setTimeFilter(const TraceFramePattern& pattern, bool empty);
    bool timeFilterActive() const { return filterPattern_.has_value(); }

    // F1: help on the highlighted menu item, its own context or else the
    // window's; with no item, the window's.
    static unsigned helpContextOf(const std::string& item);
    bool help(const std::string& item = {}) const;

    // ---- Status bar: panel 0 the caret row's index, 1 searching, 2 the
    // time filter, 3 the on-the-fly mode.
    std::string panelText(int panel) const;
    static PanelStyle panelStyle(const std::string& text);
    void setSearching(bool on);
    void setFilterState(int state);  // 0 off, 1 filtering, 2 active

    // ---- Host
    // Every notification re-checks the mode; 4, 8 and 9 enable "&Source" by
    // the line count; the box takes 6 and 11.
    void notify(int code);
    void activated(std::uintptr_t windowId);
    // Saves the layout, clears the active-window slot, reports the tag and
    // frees the window's number. Once only.
    void close(const WindowGeometry& geometry);
    bool closed() const { return closed_; }

private:
    bool lineTableHasLines() const;
    void loadLayout();
    void refreshMenu();
    void refreshColumn8();
    void applyTimeFilter();

    ITraceSource& source_;
    TraceContext context_ctx_;
    platform::SettingsStore& store_;
    TraceWindowHost host_;
    TraceWindowNumbers& numbers_;
    TraceBoxModel box_;
    int number_ = 0;
    std::string section_;
    std::optional<WindowGeometry> storedGeometry_;
    std::array<int, kTraceColumns> widths_ = kBuiltWidths;
    std::array<int, kTraceColumns> remembered_{};
    bool context_ = false;
    int doubleClickAction_ = 1;
    bool running_ = false;
    bool onTheFly_ = false;
    bool searching_ = false;
    int filterState_ = 0;
    bool closed_ = false;
    std::optional<TraceFramePattern> searchPattern_;
    std::optional<TraceFramePattern> filterPattern_;
};

}  // namespace tarvex::ui
