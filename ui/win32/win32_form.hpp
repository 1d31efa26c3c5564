#pragma once
// Builds a form described as data (ui/forms/) out of the system's own
// controls and binds each control by its name to the form's model: the view
// re-reads the whole model whenever the model reports a change, and hands
// every user action to the form's events. The windows are ANSI windows; the
// models keep UTF-8, so texts pass through the ANSI code page both ways.
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/forms/form_description.hpp"
#include "ui/forms/form_events.hpp"
#include "ui/model/form_model.hpp"

namespace tarvex::ui::win32 {

std::string toAnsi(const std::string& utf8);

// The look of a window class of ours: its cursor, and whether the system
// paints its background in the dialog face colour or the window paints all
// of itself (and wants double clicks).
enum class WindowClassLook { Face, SelfPaintedText };
// Registers a window class of this module, whose windows take their
// messages through a subclass, and the common controls the forms use;
// false where the system refuses it.
bool registerWindowClass(const char* name, WindowClassLook look = WindowClassLook::Face);
std::string fromAnsi(const std::string& ansi);

// What the user does on a form: the events both renderers share
// (ui/forms/form_events.hpp), and those of this system. Unset events do
// nothing, except that the close box and Escape (without a Cancel button)
// close the form unless `closing` says no.
struct FormEvents : forms::FormEvents {
    FormEvents() = default;
    // The events a form's model routes, and none of this system's yet.
    FormEvents(forms::FormEvents shared) : forms::FormEvents(std::move(shared)) {}

    std::function<void()> help;
    std::function<void(unsigned id)> command;
    // Paints a report list's cell over its background; true: nothing more
    // is drawn there.
    std::function<bool(const std::string& name, int row, int column, HDC dc, const RECT& cell)> paintCell;
    // Makes a custom control's window: a child of `parent` with the control
    // id `id`. Unset, or null answered: an empty frame stands in its place.
    std::function<HWND(const forms::Control& control, HWND parent, int id)> custom;
    // A message to the form's window before the form's own handling (the
    // notifications of a custom control, the view's own messages); true:
    // handled, answering `result`.
    std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)> message;
};

class Win32Form {
public:
    // The owner is the window the form stays in front of (the IDE's window
    // for the driver's forms); the menu becomes the form's, owned by it.
    Win32Form(const forms::Form& description, FormModel& model, FormEvents events, HWND owner = nullptr,
              HMENU menu = nullptr);
    // A page of the host's tab control: a form inside the tab's area, shown
    // while its tab is chosen. A page over the host's own model is re-read
    // with the host.
    Win32Form(const forms::Form& page, FormModel& model, FormEvents events, Win32Form& host,
              const std::string& tabControl);
    ~Win32Form();
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    HWND handle() const { return hwnd_; }
    const forms::Form& description() const { return description_; }
    // Null for a name neither the form nor its pages have.
    HWND control(const std::string& name) const;
    HWND item(const std::string& group, int index) const;
    // The name of a control's window (also of a radio group's item: the
    // group's), the pages' controls too.
    std::string nameOf(HWND window) const;
    // A tab control's pages, and the one chosen (shown without events).
    Win32Form* page(const std::string& tabControl, int index) const;
    int chosenPage(const std::string& tabControl) const;
    void choosePage(const std::string& tabControl, int index);

    // Reads the whole model into the controls.
    void refresh();
    // The button Enter presses from now on (one of the form's buttons).
    void setDefaultButton(const std::string& name);
    // Centred over the owner, else on the screen's work area.
    void centre();
    void show();
    // Modal to its owner until end(); answers end's result.
    int runModal();
    void end(int result);
    bool ended() const { return ended_; }
    int result() const { return result_; }

    // The form under a window of it (a control, an item), or null.
    static Win32Form* of(HWND window);

private:
    struct Slot;
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void onCommand(WORD id, WORD code, HWND from);
    LRESULT onNotify(const NMHDR& header);
    void bindRows(Slot& slot, const ControlState& state);
    // A control is enabled and shown only where its group boxes are.
    bool groupsAllow(const forms::Control& control, bool ControlState::*what) const;
    void create(HWND owner, HMENU menu);
    void createControl(Slot& slot);
    void rebuildItems(Slot& slot, const std::vector<std::string>& items);
    void layout();
    RECT placeOf(const forms::Control& control) const;
    // A label beside a list's row: the row's top and height.
    RECT besideRow(const forms::Control& control, RECT place) const;
    void bind(Slot& slot);
    Slot* slotOf(HWND window);
    const Slot* slotNamed(const std::string& name) const;
    void closeRequest();
    void showPages(Slot& slot);
    bool onTabNotify(const NMHDR& header, LRESULT& answer);

    forms::Form description_;
    FormModel& model_;
    FormEvents events_;
    HWND hwnd_ = nullptr;
    HWND owner_ = nullptr;
    // A page's form and the tab control it sits on.
    Win32Form* host_ = nullptr;
    std::string hostTab_;
    // The control that had the focus when the form was last left.
    HWND focus_ = nullptr;
    HFONT font_ = nullptr, fixedFont_ = nullptr;
    std::vector<std::unique_ptr<Slot>> slots_;
    // The id of the form's first control.
    int firstId_ = 0;
    int clientWidth_ = 0, clientHeight_ = 0;
    bool refreshing_ = false;
    bool ended_ = false;
    bool modal_ = false;
    int result_ = 0;
    int defaultId_ = 0;
};

// Hands the waiting messages of this thread to their windows, with the
// keyboard of the forms (Tab, Enter, Escape, mnemonics, F1); returns when
// none waits.
void pumpMessages();
// Runs the messages until `done` answers true (checked after each message).
void runMessages(const std::function<bool()>& done);

}  // namespace tarvex::ui::win32
