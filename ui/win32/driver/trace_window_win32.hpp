#pragma once
// The trace window on Windows: a modeless window owned by the IDE's window,
// with the header, the trace list (an owner-drawn caret list over the box's
// rows), the scroll bar over the frame indices, the context list, the
// status bar and the popup menu, bound to TraceWindowModel.
#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ui/model/frame_pattern.hpp"
#include "ui/model/status_forms.hpp"
#include "ui/model/trace_dialogs.hpp"
#include "ui/model/trace_window.hpp"
#include "ui/win32/caret_list_win32.hpp"

namespace tarvex::ui::win32 {

class Win32Form;
class Win32TraceWindow;

// The dialogs the window opens, each modal over it; each answers true for
// OK. One left unset says that it is not available in this build.
struct TraceWindowDialogs {
    // "&Search..." and "Time &Filter..." (the model's filtern() says which).
    std::function<bool(FramePatternModel&, platform::SettingsStore&, HWND owner)> frameSearch;
    // "Go to...": the frame index in the target field.
    std::function<bool(GotoModel&, platform::SettingsStore&, HWND owner)> gotoFrame;
    // "Co&lumns".
    std::function<bool(TraceColumnsModel&, platform::SettingsStore&, HWND owner)> columns;
};

// "Reading trace" with a working "Cancel", on top, while a long read runs;
// the trace window takes no input meanwhile.
class ReadingTraceWin32 final : public TraceReadingDialog {
public:
    explicit ReadingTraceWin32(HWND window);
    ~ReadingTraceWin32() override;
    ReadingTraceWin32(const ReadingTraceWin32&) = delete;
    ReadingTraceWin32& operator=(const ReadingTraceWin32&) = delete;
    void show() override;
    bool cancelRequested() override;
    void close() override;
    Win32Form& form() { return *form_; }
    // The window that takes no input while the dialog is up, and owns it:
    // a dialog made before its trace window holds the opener's window until
    // then.
    void holdWindow(HWND window);

private:
    HWND window_;
    ReadingTraceModel model_;
    std::unique_ptr<Win32Form> form_;
};

// The trace list: the caret list over the box's rows; keys that leave the
// rows scroll the trace instead.
class TraceListWin32 final : public Win32CaretList {
public:
    TraceListWin32(Win32TraceWindow& window, TraceBoxModel& box, HWND parent);

protected:
    bool keyDown(WPARAM key, bool shift, bool ctrl) override;
    void caretMoved() override;
    void doubleClicked() override;
    void contextMenu(POINT screen) override;
    void wheel(int delta) override;
    void resized() override;
    void scrolledX(int x) override;
    // The frames of a collapsed row's marks, and in Source mode the comment
    // of a source line in green.
    void drawCellExtras(HDC dc, int row, int section, const RECT& cell, bool selected) override;

private:
    Win32TraceWindow& window_;
    TraceBoxModel& box_;
};

class Win32TraceWindow {
public:
    // `reading` is the dialog the model was made with, when its opener made
    // one first so that the model's first reads could show it; the window
    // keeps it. Without one the window makes its own when the model wants it.
    Win32TraceWindow(std::unique_ptr<TraceWindowModel> model, platform::SettingsStore& store, HWND owner,
                     TraceWindowDialogs dialogs = {}, std::unique_ptr<ReadingTraceWin32> reading = nullptr);
    ~Win32TraceWindow();
    Win32TraceWindow(const Win32TraceWindow&) = delete;
    Win32TraceWindow& operator=(const Win32TraceWindow&) = delete;

    // Null once the system destroyed the window.
    HWND handle() const { return hwnd_; }
    TraceWindowModel& model() { return *model_; }
    TraceListWin32& list() { return *list_; }
    HWND header() const { return header_; }
    HWND scrollBar() const { return scroll_; }
    HWND contextList() const { return context_; }
    HWND statusBar() const { return status_; }
    // The text each status panel shows.
    const std::string& panel(int index) const { return panels_.at(static_cast<std::size_t>(index)); }
    // Closed by the user or the host, or destroyed with its owner.
    bool gone() const { return !hwnd_ || model_->closed(); }

    void show();
    // Re-reads the model into every control.
    void refresh();
    // Rows changed in the box: the list and the scroll bar follow.
    void rowsChanged();
    // Runs a menu item by its name, as the popup menu does.
    void runItem(const std::string& name);
    // The popup menu as the model has it now (visible items only); the
    // caller destroys it. Each item's id is commandOf(its name).
    HMENU buildMenu() const;
    static unsigned commandOf(const std::string& name);
    static std::string nameOfCommand(unsigned id);
    // Opens the popup menu at a screen point and runs what is picked.
    void popupMenu(POINT screen);
    // The wheel over the list or its scroll bar, in 120ths of a notch: the
    // trace scrolls by the system's lines per notch.
    void wheel(int delta);
    // The system destroyed the window before it was closed (its owner
    // went): what the window's end owes the host runs here.
    std::function<void()> onDestroyed;

private:
    friend class TraceListWin32;
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void layout();
    void applyHeader();
    void readHeader();
    void refreshContext();
    void drawContextLine(const DRAWITEMSTRUCT& item);
    void drawPanel(const DRAWITEMSTRUCT& item);
    void placePanels();
    void onScroll(int code);
    void help(const std::string& item = {});
    // F1, F3 and F5, wherever the focus is in the window; true when used.
    bool windowKey(WPARAM key);
    static LRESULT CALLBACK childKeys(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR window);

    std::unique_ptr<TraceWindowModel> model_;
    platform::SettingsStore& store_;
    TraceWindowDialogs dialogs_;
    HWND hwnd_ = nullptr;
    HWND header_ = nullptr;
    HWND scroll_ = nullptr;
    HWND context_ = nullptr;
    HWND status_ = nullptr;
    HFONT font_ = nullptr;
    std::unique_ptr<TraceListWin32> list_;
    std::unique_ptr<TraceReadingDialog> reading_;
    std::array<std::string, 4> panels_;
    std::vector<std::string> contextNumbers_;
    std::vector<std::uint8_t> contextStates_;
    unsigned contextGeneration_ = ~0u;
    int splitter_ = 0;
    int dragFrom_ = -1;
    int wheelRest_ = 0;
    // Where the thumb was last dragged to (the 32-bit position; the
    // message's own has 16 bits).
    int trackPos_ = -1;
    bool applyingHeader_ = false;
    bool contextShown_ = false;
    bool destroying_ = false;
};

}  // namespace tarvex::ui::win32
