#pragma once
// What the user does on a described form, by the names of its controls, and
// what the routing of a form asks of the window that shows it. A form's
// routing (name -> model call) is written once beside its model; the Qt
// and the Win32 renderer both hand the user's actions to it.
#include <functional>
#include <string>
#include <vector>

namespace tarvex::ui::forms {

// Unset events do nothing.
struct FormEvents {
    std::function<void(const std::string& name)> click;
    // An edit's or an editable combo box's text, as the user types it.
    std::function<void(const std::string& name, const std::string& text)> text;
    // A radio group's item, a list's or a drop-down's pick, a tab.
    std::function<void(const std::string& name, int index)> choose;
    std::function<void(const std::string& name, bool checked)> check;
    // The focus leaves an edit: false takes it back there. For a tab
    // control: its page is about to be left; false keeps it.
    std::function<bool(const std::string& name)> leave;
    // Runs before the form reads its model (the first time too), so that
    // what only the window keeps (a history) follows the model first.
    std::function<void()> changed;
    // A report list's rows, cell by cell; unset: the model's items split at tabs.
    std::function<std::vector<std::vector<std::string>>(const std::string& name)> rows;
    // A modal form ends, however (OK, Cancel, the close box): true for OK.
    std::function<void(bool ok)> ended;
    // The close box or Escape (without a Cancel button) would close the
    // form: false keeps it open.
    std::function<bool()> closing;
    // A control took the focus.
    std::function<void(const std::string& name)> focus;
};

// The window under a modal form, as its routing sees it.
struct FormWindow {
    // Closes the form: true for OK.
    std::function<void(bool ok)> end;
    // The texts of the shown history fields go to the front of their
    // histories (at OK, before the model takes it).
    std::function<void()> keepHistories;
    // A history field shows the history of `section` from now on, its
    // newest entry as the text; nothing happens while it already does.
    std::function<void(const std::string& field, const std::string& section)> history;
    // A control takes the focus (a radio group: on its chosen item, if the
    // window system focuses items).
    std::function<void(const std::string& name)> focus;
    // These below may be left out where a window is written in braces.
    // The button Enter presses from now on.
    std::function<void(const std::string& button)> defaultButton = {};
    // A text goes to the front of a history field's history now, whatever
    // the field shows.
    std::function<void(const std::string& field, const std::string& text)> addHistory = {};
    // The widths of a report list's columns as the user left them.
    std::function<std::vector<int>(const std::string& list)> columnWidths = {};
    // The name of the form's control (or a page's) that has the focus;
    // empty: none of them.
    std::function<std::string()> focused = {};
};

}  // namespace tarvex::ui::forms
