#pragma once
// What a form looks like, as data: its controls with their kinds, names,
// captions, groups and places, in the manner of a form resource. A renderer
// of a window system builds the form from it and binds each control by its
// name to the form's model (ui/model/form_model.hpp), whose texts win over
// the captions here; so the captions here are what a control shows before
// its model says otherwise. Places are pixels of a form at 96 dpi in the
// system's dialog font, relative to the form's client area or, for a
// control inside a group box, to that box.
#include <string>
#include <utility>
#include <vector>

namespace tarvex::ui::forms {

enum class Kind {
    Label,
    Button,
    CheckBox,
    // One radio button of its own name (in a group box); the model's check
    // is its state, a click its event.
    RadioButton,
    // A titled box whose items (the model's list) become radio buttons, laid
    // out column by column; the model's item index is the checked one.
    RadioGroup,
    // A titled frame around other controls (they name it as their group).
    GroupBox,
    Edit,
    // An edit with a drop-down of the model's items (a history combo box).
    ComboEdit,
    // A drop-down that only chooses among the model's items.
    DropDownList,
    ListBox,
    // Rows in columns under a header (a report list): the caption names the
    // columns, one a line; the model's items are the rows, their cells
    // separated by tabs, unless the view gives the rows.
    ReportList,
    // A row of tabs over pages; each page is a form of its own, built on it
    // by the renderer. A tab's text is what the page's model says under the
    // page's name, else the page's caption; the chosen tab is the model's
    // item index when the model sets one, else the user's.
    TabControl,
    // A control its view makes and draws itself (a list of many rows, a
    // painted line): the renderer only places it and binds its enabling and
    // visibility.
    Custom,
};

// How a control follows a form that is resized, and its keyboard roles.
enum Flag : unsigned {
    NoFlags = 0,
    DefaultButton = 1u << 0,  // Enter presses it
    CancelButton = 1u << 1,   // Escape presses it
    GrowWidth = 1u << 2,      // keeps its right margin
    GrowHeight = 1u << 3,     // keeps its bottom margin
    MoveRight = 1u << 4,      // keeps its right margin at its width
    MoveDown = 1u << 5,       // keeps its bottom margin at its height
    FixedPitch = 1u << 6,     // lists of columns in text
    ReadOnly = 1u << 7,
    Password = 1u << 8,
    Multiline = 1u << 9,      // a label whose text wraps
    NoSelection = 1u << 10,   // a list that only shows its lines
    // Combo edits with a history: the text is the model's (a value in
    // force), the history only offers texts.
    HistoryOffers = 1u << 11,
    HistoryUnkept = 1u << 12,  // the text does not join the history when kept
};

struct Control {
    Control() = default;
    Control(Kind kind_, std::string name_, std::string caption_, int left_, int top_, int width_, int height_,
            unsigned flags_ = NoFlags, std::string group_ = {}, int columns_ = 1, std::string focusControl_ = {})
        : kind(kind_), name(std::move(name_)), caption(std::move(caption_)), left(left_), top(top_), width(width_),
          height(height_), flags(flags_), group(std::move(group_)), columns(columns_),
          focusControl(std::move(focusControl_)) {}

    Kind kind = Kind::Label;
    std::string name;
    std::string caption;
    int left = 0, top = 0, width = 0, height = 0;
    unsigned flags = NoFlags;
    // The group box it sits in; empty: the form.
    std::string group;
    // Radio groups: the columns of their items.
    int columns = 1;
    // Labels: the control that takes the focus when the label's mnemonic or
    // a click reaches it.
    std::string focusControl;
    // Labels: the list whose row `row` they stand beside, centred on it;
    // the list's rows take the height that lines them up.
    std::string rowOf;
    int row = -1;
    // Report lists: the widths of their columns.
    std::vector<int> columnWidths;
    // Combo edits: the section of the driver's settings that keeps their
    // history; empty: none, or one the form's routing chooses.
    std::string history;
    // What the control shows when the mouse rests on it.
    std::string toolTip;
    // Edits: the most characters they take; 0: no limit.
    int maxLength = 0;
};

// A label beside row `row` of `list`; only its left and width are its own.
Control rowLabel(std::string name, std::string list, int row, int left, int width, std::string group = {});
// A report list with its columns' widths.
Control reportList(std::string name, std::string headers, std::vector<int> widths, int left, int top, int width,
                   int height, unsigned flags = NoFlags, std::string group = {});

// The control with the history section `section`.
Control withHistory(Control control, std::string section);
// The control with a tooltip.
Control withTip(Control control, std::string tip);
// An edit that takes at most `maxLength` characters.
Control withLimit(Control control, int maxLength);

struct Form {
    // The form's class name, also the name of its picture in the test shots.
    std::string name;
    std::string caption;
    int clientWidth = 0, clientHeight = 0;
    bool sizeable = false;
    std::vector<Control> controls;

    // Null when the form has no such control.
    const Control* find(const std::string& controlName) const;
    // The name of its (first) tab control; empty: none.
    std::string tabControl() const;
};

}  // namespace tarvex::ui::forms
