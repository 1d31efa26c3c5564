#include "ui/win32/win32_form.hpp"

#include <commctrl.h>

#include <algorithm>

#include "platform/host_text.hpp"

namespace tarvex::ui::win32 {

namespace {

constexpr const char* kFormClass = "TarvexForm";
constexpr int kFirstControlId = 1000;
// A page's controls: no id of the host's, whose default button the dialog
// keys find by its id among the pages' controls too.
constexpr int kFirstPageControlId = 5000;
constexpr int kFirstItemId = 20000;
// A drop-down's window includes its opened list.
constexpr int kDropDownHeight = 160;

bool isAscii(const std::string& s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return fromAnsi(text);
}

void setWindowText(HWND window, const std::string& utf8) {
    if (windowText(window) != utf8) SetWindowTextA(window, toAnsi(utf8).c_str());
}

void registerClass() {
    static const bool registered = registerWindowClass(kFormClass);
    (void)registered;
}

HFONT messageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return CreateFontIndirectA(&metrics.lfMessageFont);
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find(separator, from)) != std::string::npos; from = at + 1)
        parts.push_back(text.substr(from, at - from));
    parts.push_back(text.substr(from));
    return parts;
}

int fontHeight(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return metrics.tmHeight;
}

HFONT fixedFont() {
    return CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                       CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
}

}  // namespace

std::string toAnsi(const std::string& utf8) { return platform::hostText(utf8); }

std::string fromAnsi(const std::string& ansi) {
    if (isAscii(ansi) || ansi.size() > 0x7FFFFFFF) return ansi;
    const int length = static_cast<int>(ansi.size());
    const int wide = MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, nullptr, 0);
    if (wide <= 0) return ansi;
    std::wstring w(static_cast<std::size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), length, w.data(), wide);
    const int narrow = WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(narrow > 0 ? narrow : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), wide, out.data(), narrow, nullptr, nullptr);
    return out;
}

// One control of the description and its window; a radio group also has
// the windows of its items.
struct Win32Form::Slot {
    forms::Control control;
    int id = 0;
    HWND window = nullptr;
    std::vector<HWND> items;
    // The items the window shows, as the model gave them.
    std::vector<std::string> shown;
    // A list's widest line, in pixels.
    int extent = 0;
    // A tab control's pages and the chosen one.
    std::vector<Win32Form*> pages;
    int chosen = 0;
};

Win32Form::Win32Form(const forms::Form& description, FormModel& model, FormEvents events, HWND owner, HMENU menu)
    : description_(description), model_(model), events_(std::move(events)), firstId_(kFirstControlId) {
    create(owner, menu);
    model_.onChanged([this] { refresh(); });
    refresh();
}

Win32Form::Win32Form(const forms::Form& page, FormModel& model, FormEvents events, Win32Form& host,
                     const std::string& tabControl)
    : description_(page), model_(model), events_(std::move(events)), host_(&host), hostTab_(tabControl),
      firstId_(kFirstPageControlId) {
    create(host.handle(), nullptr);
    if (&model_ != &host.model_) model_.onChanged([this] { refresh(); });
    if (Slot* tab = const_cast<Slot*>(host.slotNamed(tabControl))) tab->pages.push_back(this);
    refresh();
    host.refresh();
    host.layout();
}

Win32Form::~Win32Form() {
    if (host_) {
        if (Slot* tab = const_cast<Slot*>(host_->slotNamed(hostTab_)))
            tab->pages.erase(std::remove(tab->pages.begin(), tab->pages.end(), this), tab->pages.end());
    }
    // The host's model keeps the host's callback.
    if (!host_ || &model_ != &host_->model_) model_.onChanged({});
    // Pages that outlive their host lost their windows with it.
    for (auto& slot : slots_)
        for (Win32Form* page : slot->pages) {
            page->host_ = nullptr;
            page->hwnd_ = nullptr;
        }
    if (modal_ && owner_) EnableWindow(owner_, TRUE);
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    if (font_) DeleteObject(font_);
    if (fixedFont_) DeleteObject(fixedFont_);
}

void Win32Form::create(HWND owner, HMENU menu) {
    registerClass();
    owner_ = host_ ? nullptr : owner;
    font_ = messageFont();
    fixedFont_ = fixedFont();
    clientWidth_ = description_.clientWidth;
    clientHeight_ = description_.clientHeight;
    // Not clipping its children: a group box paints only its frame and title,
    // the form the rest of its inside.
    DWORD style = description_.sizeable ? WS_OVERLAPPEDWINDOW : WS_POPUP | WS_CAPTION | WS_SYSMENU;
    DWORD exStyle = WS_EX_CONTROLPARENT | (description_.sizeable ? 0 : WS_EX_DLGMODALFRAME);
    if (host_) {
        // A page: a child of the host that the dialog keys pass through.
        style = WS_CHILD;
        exStyle = WS_EX_CONTROLPARENT;
    }
    RECT frame{0, 0, clientWidth_, clientHeight_};
    AdjustWindowRectEx(&frame, style, menu != nullptr, exStyle);
    hwnd_ = CreateWindowExA(exStyle, kFormClass, toAnsi(description_.caption).c_str(), style, CW_USEDEFAULT,
                            CW_USEDEFAULT, frame.right - frame.left, frame.bottom - frame.top, owner, menu,
                            GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32Form::windowProc));
    int id = firstId_;
    for (const auto& c : description_.controls) {
        auto slot = std::make_unique<Slot>();
        slot->control = c;
        slot->id = (c.flags & forms::CancelButton) ? IDCANCEL : id++;
        createControl(*slot);
        slots_.push_back(std::move(slot));
    }
    // A list with labels beside its rows: rows as high as the taller of the
    // two fonts needs, or as fill the list when that is more.
    for (const auto& c : description_.controls) {
        const forms::Control* list = c.rowOf.empty() ? nullptr : description_.find(c.rowOf);
        if (!list || list->kind != forms::Kind::ListBox) continue;
        int rows = 0;
        for (const auto& other : description_.controls)
            if (other.rowOf == c.rowOf) rows = std::max(rows, other.row + 1);
        const int text = std::max(fontHeight(hwnd_, font_), fontHeight(hwnd_, (list->flags & forms::FixedPitch)
                                                                                     ? fixedFont_
                                                                                     : font_)) + 4;
        const int fill = (list->height - 2 * GetSystemMetrics(SM_CYEDGE)) / std::max(1, rows);
        SendMessageA(control(c.rowOf), LB_SETITEMHEIGHT, 0, MAKELPARAM(std::max(text, fill), 0));
    }
    layout();
}

void Win32Form::createControl(Slot& slot) {
    const auto& c = slot.control;
    const char* cls = "BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE | WS_GROUP;
    DWORD exStyle = 0;
    switch (c.kind) {
        case forms::Kind::Label:
            cls = "STATIC";
            style |= SS_NOTIFY | ((c.flags & forms::Multiline) ? SS_LEFT : SS_LEFTNOWORDWRAP);
            if (c.row >= 0) style |= SS_CENTERIMAGE;
            break;
        case forms::Kind::Button:
            style |= WS_TABSTOP | ((c.flags & forms::DefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
            break;
        case forms::Kind::CheckBox:
            style |= WS_TABSTOP | BS_AUTOCHECKBOX;
            break;
        case forms::Kind::RadioButton:
            // The model decides which one is checked.
            style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_RADIOBUTTON;
            break;
        case forms::Kind::RadioGroup:
        case forms::Kind::GroupBox:
            style |= BS_GROUPBOX;
            break;
        case forms::Kind::Edit:
            cls = "EDIT";
            style |= WS_TABSTOP | ES_AUTOHSCROLL | ((c.flags & forms::ReadOnly) ? ES_READONLY : 0) |
                     ((c.flags & forms::Password) ? ES_PASSWORD : 0);
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case forms::Kind::ComboEdit:
            cls = "COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWN | CBS_AUTOHSCROLL;
            break;
        case forms::Kind::DropDownList:
            cls = "COMBOBOX";
            style |= WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;
            break;
        case forms::Kind::ListBox:
            cls = "LISTBOX";
            style |= WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                     ((c.flags & forms::NoSelection) ? LBS_NOSEL : 0);
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case forms::Kind::ReportList:
            cls = WC_LISTVIEWA;
            style |= WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case forms::Kind::TabControl:
            // Its pages lie above it: it paints none of their places.
            cls = WC_TABCONTROLA;
            style |= WS_TABSTOP | WS_CLIPSIBLINGS;
            break;
        case forms::Kind::Custom:
            if (events_.custom) slot.window = events_.custom(c, hwnd_, slot.id);
            cls = "STATIC";
            style = WS_CHILD | WS_VISIBLE | SS_SUNKEN;
            break;
    }
    const bool report = c.kind == forms::Kind::ReportList;
    if (!slot.window)
        slot.window = CreateWindowExA(exStyle, cls, report ? "" : toAnsi(c.caption).c_str(), style, 0, 0, 0, 0, hwnd_,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(slot.id)),
                                      GetModuleHandleA(nullptr), nullptr);
    SendMessageA(slot.window, WM_SETFONT, reinterpret_cast<WPARAM>((c.flags & forms::FixedPitch) ? fixedFont_ : font_),
                 FALSE);
    if (c.kind == forms::Kind::Edit && c.maxLength > 0)
        SendMessageA(slot.window, EM_LIMITTEXT, static_cast<WPARAM>(c.maxLength), 0);
    if (!report) return;
    SendMessageA(slot.window, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    const auto headers = split(c.caption, '\n');
    for (std::size_t i = 0; i < headers.size(); ++i) {
        std::string header = toAnsi(headers[i]);
        LVCOLUMNA column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        column.pszText = header.data();
        column.cx = i < c.columnWidths.size() ? c.columnWidths[i] : 80;
        column.iSubItem = static_cast<int>(i);
        SendMessageA(slot.window, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
}

void Win32Form::rebuildItems(Slot& slot, const std::vector<std::string>& items) {
    for (HWND item : slot.items) DestroyWindow(item);
    slot.items.clear();
    HWND after = slot.window;
    int index = 0;
    for (const auto& text : items) {
        const DWORD style = WS_CHILD | WS_VISIBLE | BS_AUTORADIOBUTTON | (index == 0 ? WS_GROUP | WS_TABSTOP : 0);
        const int id = kFirstItemId + (slot.id - firstId_) * 64 + index;
        HWND item = CreateWindowExA(0, "BUTTON", toAnsi(text).c_str(), style, 0, 0, 0, 0, hwnd_,
                                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                                    nullptr);
        SendMessageA(item, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        // Their tab order follows their group box.
        SetWindowPos(item, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = item;
        slot.items.push_back(item);
        ++index;
    }
    slot.shown = items;
    layout();
}

RECT Win32Form::placeOf(const forms::Control& c) const {
    const int dx = clientWidth_ - description_.clientWidth;
    const int dy = clientHeight_ - description_.clientHeight;
    RECT r{c.left, c.top, c.left + c.width, c.top + c.height};
    if (const auto* group = c.group.empty() ? nullptr : description_.find(c.group)) {
        // Inside its box a control follows the box (boxes may nest).
        const RECT box = placeOf(*group);
        OffsetRect(&r, box.left, box.top);
        const int grown = (box.right - box.left) - group->width;
        if (c.flags & forms::GrowWidth) r.right += grown;
        if (c.flags & forms::MoveRight) OffsetRect(&r, grown, 0);
        return besideRow(c, r);
    }
    if (c.flags & forms::MoveRight) OffsetRect(&r, dx, 0);
    if (c.flags & forms::MoveDown) OffsetRect(&r, 0, dy);
    if (c.flags & forms::GrowWidth) r.right += dx;
    if (c.flags & forms::GrowHeight) r.bottom += dy;
    return besideRow(c, r);
}

RECT Win32Form::besideRow(const forms::Control& c, RECT r) const {
    const forms::Control* list = c.rowOf.empty() ? nullptr : description_.find(c.rowOf);
    if (!list) return r;
    const RECT rows = placeOf(*list);
    const int height = static_cast<int>(SendMessageA(control(c.rowOf), LB_GETITEMHEIGHT, 0, 0));
    r.top = rows.top + GetSystemMetrics(SM_CYEDGE) + c.row * height;
    r.bottom = r.top + height;
    return r;
}

void Win32Form::layout() {
    for (const auto& slot : slots_) {
        const RECT r = placeOf(slot->control);
        if (!slot->pages.empty()) {
            // The pages fill the tab control's area under its tabs.
            RECT area{0, 0, r.right - r.left, r.bottom - r.top};
            SendMessageA(slot->window, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
            OffsetRect(&area, r.left, r.top);
            HWND above = GetWindow(slot->window, GW_HWNDPREV);
            for (Win32Form* page : slot->pages)
                SetWindowPos(page->hwnd_, above ? above : HWND_TOP, area.left, area.top, area.right - area.left,
                             area.bottom - area.top, SWP_NOACTIVATE);
        }
        const bool drops = slot->control.kind == forms::Kind::ComboEdit || slot->control.kind == forms::Kind::DropDownList;
        MoveWindow(slot->window, r.left, r.top, r.right - r.left, r.bottom - r.top + (drops ? kDropDownHeight : 0),
                   TRUE);
        if (slot->items.empty()) continue;
        // The items share the box below its title, column by column, evenly.
        const int columns = std::max(1, slot->control.columns);
        const int count = static_cast<int>(slot->items.size());
        const int rows = (count + columns - 1) / columns;
        const int left = r.left + 8, top = r.top + 16, width = (r.right - r.left - 16) / columns;
        const int rowHeight = std::max<int>(17, (r.bottom - top - 4) / std::max(1, rows));
        for (int i = 0; i < count; ++i) {
            const int column = i / rows, row = i % rows;
            MoveWindow(slot->items[static_cast<std::size_t>(i)], left + column * width,
                       top + row * rowHeight + (rowHeight - 17) / 2, width - 4, 17, TRUE);
        }
    }
}

bool Win32Form::groupsAllow(const forms::Control& c, bool ControlState::*what) const {
    for (const auto* group = description_.find(c.group); group; group = description_.find(group->group))
        if (!(model_.control(group->name).*what)) return false;
    return true;
}

void Win32Form::bindRows(Slot& slot, const ControlState& state) {
    std::vector<std::vector<std::string>> rows;
    if (events_.rows) {
        rows = events_.rows(slot.control.name);
    } else {
        for (const auto& item : state.items) rows.push_back(split(item, '\t'));
    }
    std::vector<std::string> lines;
    for (const auto& row : rows) {
        std::string line;
        for (const auto& cell : row) line += cell + '\t';
        lines.push_back(line);
    }
    if (lines != slot.shown) {
        SendMessageA(slot.window, WM_SETREDRAW, FALSE, 0);
        SendMessageA(slot.window, LVM_DELETEALLITEMS, 0, 0);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            for (std::size_t column = 0; column < rows[r].size(); ++column) {
                std::string text = toAnsi(rows[r][column]);
                LVITEMA item{};
                item.mask = LVIF_TEXT;
                item.iItem = static_cast<int>(r);
                item.iSubItem = static_cast<int>(column);
                item.pszText = text.data();
                SendMessageA(slot.window, column == 0 ? LVM_INSERTITEMA : LVM_SETITEMTEXTA, r,
                             reinterpret_cast<LPARAM>(&item));
            }
        }
        slot.shown = lines;
        SendMessageA(slot.window, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(slot.window, nullptr, TRUE);
    }
    const auto selected = static_cast<int>(SendMessageA(slot.window, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                        LVNI_SELECTED));
    if (selected == state.itemIndex) return;
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(slot.window, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    if (state.itemIndex < 0 || state.itemIndex >= static_cast<int>(rows.size())) return;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(slot.window, LVM_SETITEMSTATE, static_cast<WPARAM>(state.itemIndex), reinterpret_cast<LPARAM>(&item));
    SendMessageA(slot.window, LVM_ENSUREVISIBLE, static_cast<WPARAM>(state.itemIndex), FALSE);
}

void Win32Form::bind(Slot& slot) {
    const auto& c = slot.control;
    const bool known = model_.controls().count(c.name) != 0;
    const ControlState& state = model_.control(c.name);
    const std::string& text = !state.text.empty() || (known && c.kind == forms::Kind::Label) ? state.text : c.caption;
    switch (c.kind) {
        case forms::Kind::Label:
        case forms::Kind::Button:
        case forms::Kind::GroupBox:
            setWindowText(slot.window, text);
            break;
        case forms::Kind::CheckBox:
        case forms::Kind::RadioButton:
            setWindowText(slot.window, text);
            SendMessageA(slot.window, BM_SETCHECK, state.checked ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case forms::Kind::RadioGroup:
            setWindowText(slot.window, text);
            if (state.items != slot.shown) rebuildItems(slot, state.items);
            for (std::size_t i = 0; i < slot.items.size(); ++i) {
                SendMessageA(slot.items[i], BM_SETCHECK,
                             static_cast<int>(i) == state.itemIndex ? BST_CHECKED : BST_UNCHECKED, 0);
                // An item may have a state of its own: "<group>#<index>".
                const std::string own = c.name + "#" + std::to_string(i);
                const bool itemKnown = model_.controls().count(own) != 0;
                const ControlState& item = model_.control(own);
                EnableWindow(slot.items[i],
                             state.enabled && groupsAllow(c, &ControlState::enabled) && (!itemKnown || item.enabled));
                ShowWindow(slot.items[i], state.visible && groupsAllow(c, &ControlState::visible) &&
                                                  (!itemKnown || item.visible)
                                              ? SW_SHOWNA
                                              : SW_HIDE);
            }
            break;
        case forms::Kind::Edit: {
            setWindowText(slot.window, text);
            const bool readOnly = (c.flags & forms::ReadOnly) || state.readOnly;
            if (((GetWindowLongPtrA(slot.window, GWL_STYLE) & ES_READONLY) != 0) != readOnly)
                SendMessageA(slot.window, EM_SETREADONLY, readOnly, 0);
            break;
        }
        case forms::Kind::Custom:
            break;
        case forms::Kind::ComboEdit:
        case forms::Kind::DropDownList:
            if (state.items != slot.shown) {
                SendMessageA(slot.window, CB_RESETCONTENT, 0, 0);
                for (const auto& item : state.items)
                    SendMessageA(slot.window, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toAnsi(item).c_str()));
                slot.shown = state.items;
            }
            if (c.kind == forms::Kind::DropDownList) {
                SendMessageA(slot.window, CB_SETCURSEL, static_cast<WPARAM>(state.itemIndex), 0);
            } else {
                setWindowText(slot.window, text);
            }
            break;
        case forms::Kind::ListBox: {
            // A report grows line by line while it is written: append.
            const bool grows = state.items.size() >= slot.shown.size() &&
                               std::equal(slot.shown.begin(), slot.shown.end(), state.items.begin());
            if (!grows) {
                SendMessageA(slot.window, LB_RESETCONTENT, 0, 0);
                slot.shown.clear();
                slot.extent = 0;
            }
            if (state.items.size() != slot.shown.size()) {
                SendMessageA(slot.window, WM_SETREDRAW, FALSE, 0);
                // The list scrolls sideways as far as its widest line needs.
                HDC dc = GetDC(slot.window);
                HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(slot.window, WM_GETFONT, 0, 0)));
                for (std::size_t i = slot.shown.size(); i < state.items.size(); ++i) {
                    const std::string line = toAnsi(state.items[i]);
                    SendMessageA(slot.window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
                    SIZE size{};
                    GetTextExtentPoint32A(dc, line.c_str(), static_cast<int>(line.size()), &size);
                    slot.extent = std::max<int>(slot.extent, size.cx + 6);
                }
                SelectObject(dc, old);
                ReleaseDC(slot.window, dc);
                SendMessageA(slot.window, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(slot.extent), 0);
                slot.shown = state.items;
                SendMessageA(slot.window, WM_SETREDRAW, TRUE, 0);
                if (!slot.shown.empty())
                    SendMessageA(slot.window, LB_SETTOPINDEX, slot.shown.size() - 1, 0);
                InvalidateRect(slot.window, nullptr, TRUE);
            }
            SendMessageA(slot.window, LB_SETCURSEL, static_cast<WPARAM>(state.itemIndex), 0);
            break;
        }
        case forms::Kind::ReportList:
            bindRows(slot, state);
            break;
        case forms::Kind::TabControl: {
            std::vector<std::string> tabs;
            for (const Win32Form* page : slot.pages) {
                const std::string& own = page->model_.control(page->description_.name).text;
                tabs.push_back(own.empty() ? page->description_.caption : own);
            }
            if (tabs != slot.shown) {
                SendMessageA(slot.window, TCM_DELETEALLITEMS, 0, 0);
                for (std::size_t i = 0; i < tabs.size(); ++i) {
                    std::string ansi = toAnsi(tabs[i]);
                    TCITEMA item{};
                    item.mask = TCIF_TEXT;
                    item.pszText = ansi.data();
                    SendMessageA(slot.window, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&item));
                }
                slot.shown = tabs;
            }
            if (state.itemIndex >= 0) slot.chosen = state.itemIndex;
            showPages(slot);
            break;
        }
    }
    // A label the model does not know follows the control it stands for.
    if (c.kind == forms::Kind::Label && !known && !c.focusControl.empty()) {
        EnableWindow(slot.window, model_.control(c.focusControl).enabled && groupsAllow(c, &ControlState::enabled));
        ShowWindow(slot.window, state.visible && groupsAllow(c, &ControlState::visible) ? SW_SHOWNA : SW_HIDE);
        return;
    }
    EnableWindow(slot.window, state.enabled && groupsAllow(c, &ControlState::enabled));
    ShowWindow(slot.window, state.visible && groupsAllow(c, &ControlState::visible) ? SW_SHOWNA : SW_HIDE);
}

void Win32Form::refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    if (events_.changed) events_.changed();
    const std::string caption = model_.caption().empty() ? description_.caption : model_.caption();
    if (!host_) setWindowText(hwnd_, caption);
    for (auto& slot : slots_) bind(*slot);
    refreshing_ = false;
    for (auto& slot : slots_)
        for (Win32Form* page : slot->pages)
            if (&page->model_ == &model_) page->refresh();
}

void Win32Form::showPages(Slot& slot) {
    if (slot.pages.empty()) return;
    slot.chosen = std::clamp(slot.chosen, 0, static_cast<int>(slot.pages.size()) - 1);
    SendMessageA(slot.window, TCM_SETCURSEL, static_cast<WPARAM>(slot.chosen), 0);
    for (std::size_t i = 0; i < slot.pages.size(); ++i)
        ShowWindow(slot.pages[i]->hwnd_, static_cast<int>(i) == slot.chosen ? SW_SHOWNA : SW_HIDE);
}

Win32Form* Win32Form::page(const std::string& tabControl, int index) const {
    const Slot* slot = slotNamed(tabControl);
    if (!slot || index < 0 || index >= static_cast<int>(slot->pages.size())) return nullptr;
    return slot->pages[static_cast<std::size_t>(index)];
}

int Win32Form::chosenPage(const std::string& tabControl) const {
    const Slot* slot = slotNamed(tabControl);
    return slot ? slot->chosen : -1;
}

void Win32Form::choosePage(const std::string& tabControl, int index) {
    Slot* slot = const_cast<Slot*>(slotNamed(tabControl));
    if (!slot || index < 0 || index >= static_cast<int>(slot->pages.size())) return;
    slot->chosen = index;
    showPages(*slot);
}

bool Win32Form::onTabNotify(const NMHDR& header, LRESULT& answer) {
    Slot* slot = slotOf(header.hwndFrom);
    if (!slot || slot->control.kind != forms::Kind::TabControl || refreshing_) return false;
    if (header.code == static_cast<UINT>(TCN_SELCHANGING)) {
        // TRUE keeps the page.
        answer = events_.leave && !events_.leave(slot->control.name) ? TRUE : FALSE;
        return true;
    }
    if (header.code == static_cast<UINT>(TCN_SELCHANGE)) {
        slot->chosen = static_cast<int>(SendMessageA(slot->window, TCM_GETCURSEL, 0, 0));
        showPages(*slot);
        if (events_.choose) events_.choose(slot->control.name, slot->chosen);
        answer = 0;
        return true;
    }
    return false;
}

void Win32Form::setDefaultButton(const std::string& name) {
    const Slot* chosen = slotNamed(name);
    if (!chosen || chosen->control.kind != forms::Kind::Button) return;
    defaultId_ = chosen->id;
    for (const auto& slot : slots_)
        if (slot->control.kind == forms::Kind::Button)
            SendMessageA(slot->window, BM_SETSTYLE, slot.get() == chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

HWND Win32Form::control(const std::string& name) const {
    if (const Slot* slot = slotNamed(name)) return slot->window;
    for (const auto& slot : slots_)
        for (const Win32Form* page : slot->pages)
            if (HWND window = page->control(name)) return window;
    return nullptr;
}

HWND Win32Form::item(const std::string& group, int index) const {
    const Slot* slot = slotNamed(group);
    if (!slot || index < 0 || index >= static_cast<int>(slot->items.size())) return nullptr;
    return slot->items[static_cast<std::size_t>(index)];
}

std::string Win32Form::nameOf(HWND window) const {
    for (const auto& slot : slots_) {
        if (slot->window == window || std::find(slot->items.begin(), slot->items.end(), window) != slot->items.end())
            return slot->control.name;
        // A combo box's edit is the combo box's own.
        if (slot->window && GetParent(window) == slot->window) return slot->control.name;
    }
    for (const auto& slot : slots_)
        for (const Win32Form* page : slot->pages)
            if (std::string name = page->nameOf(window); !name.empty()) return name;
    return {};
}

const Win32Form::Slot* Win32Form::slotNamed(const std::string& name) const {
    for (const auto& slot : slots_)
        if (slot->control.name == name) return slot.get();
    return nullptr;
}

Win32Form::Slot* Win32Form::slotOf(HWND window) {
    for (auto& slot : slots_)
        if (slot->window == window) return slot.get();
    return nullptr;
}

void Win32Form::centre() {
    RECT frame;
    GetWindowRect(hwnd_, &frame);
    RECT area;
    if (owner_ && IsWindowVisible(owner_)) {
        GetWindowRect(owner_, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    int left = area.left + ((area.right - area.left) - width) / 2;
    int top = area.top + ((area.bottom - area.top) - height) / 2;
    RECT screen;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &screen, 0);
    left = std::max<int>(screen.left, std::min<int>(left, screen.right - width));
    top = std::max<int>(screen.top, std::min<int>(top, screen.bottom - height));
    SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::show() {
    ended_ = false;
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    // The first control in the tab order that takes the focus gets it; in a
    // radio group, its checked item (the system keeps the tab stop on the
    // checked one, so a group with none checked has none).
    for (HWND child = GetWindow(hwnd_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const auto style = GetWindowLongPtrA(child, GWL_STYLE);
        const bool radio = (SendMessageA(child, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
        if (!((style & WS_TABSTOP) || (radio && (style & WS_GROUP))) || !IsWindowVisible(child) ||
            !IsWindowEnabled(child))
            continue;
        HWND target = child;
        for (HWND item = child; item; item = GetWindow(item, GW_HWNDNEXT)) {
            if (item != child && (GetWindowLongPtrA(item, GWL_STYLE) & WS_GROUP)) break;
            if (SendMessageA(item, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON &&
                SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED)
                target = item;
        }
        focus_ = target;
        SetFocus(target);
        break;
    }
    UpdateWindow(hwnd_);
}

int Win32Form::runModal() {
    modal_ = true;
    if (owner_) EnableWindow(owner_, FALSE);
    show();
    runMessages([this] { return ended_; });
    if (owner_) {
        EnableWindow(owner_, TRUE);
        SetActiveWindow(owner_);
    }
    modal_ = false;
    return result_;
}

void Win32Form::end(int result) {
    // First, so that a field left as the form goes knows it goes.
    if (!ended_ && events_.ended) {
        ended_ = true;
        events_.ended(result == IDOK);
    }
    result_ = result;
    ended_ = true;
    if (modal_ && owner_) EnableWindow(owner_, TRUE);
    ShowWindow(hwnd_, SW_HIDE);
}

void Win32Form::closeRequest() {
    if (events_.closing && !events_.closing()) return;
    end(IDCANCEL);
}

Win32Form* Win32Form::of(HWND window) {
    if (!window) return nullptr;
    HWND root = GetAncestor(window, GA_ROOT);
    char cls[32] = {};
    if (!root || !GetClassNameA(root, cls, sizeof(cls)) || std::string(cls) != kFormClass) return nullptr;
    return reinterpret_cast<Win32Form*>(GetWindowLongPtrA(root, GWLP_USERDATA));
}

LRESULT CALLBACK Win32Form::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* form = reinterpret_cast<Win32Form*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!form) return DefWindowProcA(hwnd, message, wParam, lParam);
    return form->onMessage(message, wParam, lParam);
}

LRESULT Win32Form::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (LRESULT result = 0; events_.message && events_.message(message, wParam, lParam, result)) return result;
    switch (message) {
        case WM_COMMAND:
            onCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_NOTIFY: {
            LRESULT answer = 0;
            if (onTabNotify(*reinterpret_cast<const NMHDR*>(lParam), answer)) return answer;
            return onNotify(*reinterpret_cast<const NMHDR*>(lParam));
        }
        case DM_GETDEFID:
            if (defaultId_) return MAKELONG(defaultId_, DC_HASDEFID);
            for (const auto& slot : slots_)
                if (slot->control.flags & forms::DefaultButton) return MAKELONG(slot->id, DC_HASDEFID);
            return 0;
        case WM_CLOSE:
            closeRequest();
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) {
                clientWidth_ = LOWORD(lParam);
                clientHeight_ = HIWORD(lParam);
                layout();
            }
            return 0;
        case WM_GETMINMAXINFO: {
            // Never smaller than designed.
            RECT frame{0, 0, description_.clientWidth, description_.clientHeight};
            AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_STYLE)), GetMenu(hwnd_) != nullptr,
                               static_cast<DWORD>(GetWindowLongPtrA(hwnd_, GWL_EXSTYLE)));
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize.x = frame.right - frame.left;
            info->ptMinTrackSize.y = frame.bottom - frame.top;
            return 0;
        }
        // As a dialog does: the focus goes back where it was when the form
        // was left, not to the form itself.
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) {
                if (HWND f = GetFocus(); f && IsChild(hwnd_, f)) focus_ = f;
            } else if (focus_ && IsWindow(focus_) && IsChild(hwnd_, focus_)) {
                SetFocus(focus_);
            }
            return 0;
        case WM_SETFOCUS:
            if (focus_ && IsWindow(focus_) && IsChild(hwnd_, focus_)) SetFocus(focus_);
            return 0;
        case WM_HELP:
            if (events_.help) events_.help();
            return TRUE;
        default:
            return DefWindowProcA(hwnd_, message, wParam, lParam);
    }
}

LRESULT Win32Form::onNotify(const NMHDR& header) {
    Slot* slot = slotOf(header.hwndFrom);
    if (!slot || slot->control.kind != forms::Kind::ReportList) return 0;
    const std::string& name = slot->control.name;
    switch (header.code) {
        case LVN_ITEMCHANGED: {
            const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
            if (!refreshing_ && events_.choose && (change.uChanged & LVIF_STATE) &&
                (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED))
                events_.choose(name, change.iItem);
            return 0;
        }
        case NM_SETFOCUS:
            if (events_.focus) events_.focus(name);
            return 0;
        case NM_CUSTOMDRAW: {
            if (!events_.paintCell) return CDRF_DODEFAULT;
            auto& draw = const_cast<NMLVCUSTOMDRAW&>(reinterpret_cast<const NMLVCUSTOMDRAW&>(header));
            if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
            if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
            if (draw.nmcd.dwDrawStage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) return CDRF_DODEFAULT;
            const int row = static_cast<int>(draw.nmcd.dwItemSpec);
            // Asked for by its column in `top`; the first column's answer is the whole row.
            RECT cell{LVIR_BOUNDS, draw.iSubItem, 0, 0};
            SendMessageA(header.hwndFrom, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
            if (draw.iSubItem == 0)
                cell.right = cell.left + static_cast<int>(SendMessageA(header.hwndFrom, LVM_GETCOLUMNWIDTH, 0, 0));
            return events_.paintCell(name, row, draw.iSubItem, draw.nmcd.hdc, cell) ? CDRF_SKIPDEFAULT
                                                                                    : CDRF_DODEFAULT;
        }
        default:
            return 0;
    }
}

void Win32Form::onCommand(WORD id, WORD code, HWND from) {
    if (!from) {
        // Escape on a form without a Cancel button; Enter without a default one.
        if (id == IDCANCEL) return closeRequest();
        if (id == IDOK) return;
        // A menu item or an accelerator.
        if (events_.command) events_.command(id);
        return;
    }
    if (id >= kFirstItemId) {
        if (code != BN_CLICKED || refreshing_) return;
        const int slotIndex = (id - kFirstItemId) / 64, item = (id - kFirstItemId) % 64;
        for (auto& slot : slots_)
            if (slot->id - firstId_ == slotIndex && slot->control.kind == forms::Kind::RadioGroup) {
                if (events_.choose) events_.choose(slot->control.name, item);
                return;
            }
        return;
    }
    Slot* slot = slotOf(from);
    if (!slot) {
        // Escape without a Cancel button, Enter without a default one.
        if (id == IDCANCEL) closeRequest();
        return;
    }
    if (refreshing_) return;
    const std::string& name = slot->control.name;
    switch (slot->control.kind) {
        case forms::Kind::Button:
        case forms::Kind::RadioButton:
            if (code == BN_CLICKED && events_.click) events_.click(name);
            break;
        case forms::Kind::CheckBox:
            if (code == BN_CLICKED && events_.check)
                events_.check(name, SendMessageA(from, BM_GETCHECK, 0, 0) == BST_CHECKED);
            break;
        case forms::Kind::Label:
            if (code != STN_CLICKED) break;
            if (HWND target = control(slot->control.focusControl)) {
                SetFocus(target);
            } else if (slot->control.row >= 0 && events_.click) {
                // A row's label stands for its row.
                events_.click(name);
            }
            break;
        case forms::Kind::Edit:
            if (code == EN_SETFOCUS && events_.focus) events_.focus(name);
            if (code == EN_CHANGE && events_.text) events_.text(name, windowText(from));
            if (code == EN_KILLFOCUS && events_.leave && !events_.leave(name)) SetFocus(from);
            break;
        case forms::Kind::ComboEdit:
        case forms::Kind::DropDownList:
            if (code == CBN_EDITCHANGE && events_.text) {
                events_.text(name, windowText(from));
            } else if (code == CBN_SELCHANGE) {
                const auto index = static_cast<int>(SendMessageA(from, CB_GETCURSEL, 0, 0));
                if (index >= 0 && index < static_cast<int>(slot->shown.size())) {
                    if (events_.text && slot->control.kind == forms::Kind::ComboEdit)
                        events_.text(name, slot->shown[static_cast<std::size_t>(index)]);
                    if (events_.choose) events_.choose(name, index);
                }
            } else if (code == CBN_KILLFOCUS && events_.leave && !events_.leave(name)) {
                SetFocus(from);
            } else if (code == CBN_SETFOCUS && events_.focus) {
                events_.focus(name);
            }
            break;
        case forms::Kind::ListBox:
            if (code == LBN_SETFOCUS && events_.focus) events_.focus(name);
            if (code == LBN_SELCHANGE && events_.choose)
                events_.choose(name, static_cast<int>(SendMessageA(from, LB_GETCURSEL, 0, 0)));
            if (code == LBN_DBLCLK && events_.click) events_.click(name);
            break;
        default:
            break;
    }
}

namespace {

void dispatch(MSG& msg) {
    Win32Form* form = Win32Form::of(msg.hwnd);
    if (form && msg.message == WM_KEYDOWN && msg.wParam == VK_F1) {
        // F1 asks the form for help wherever the focus is on it.
        SendMessageA(form->handle(), WM_HELP, 0, 0);
        return;
    }
    if (form && IsDialogMessageA(form->handle(), &msg)) return;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
}

}  // namespace

void pumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

void runMessages(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // Quit: leave it for the outer loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        dispatch(msg);
    }
}

bool registerWindowClass(const char* name, WindowClassLook look) {
    INITCOMMONCONTROLSEX common{sizeof(common),
                                ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_TAB_CLASSES};
    InitCommonControlsEx(&common);
    const bool face = look == WindowClassLook::Face;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    wc.style = face ? 0 : CS_DBLCLKS;
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(face ? IDC_ARROW : IDC_IBEAM));
    wc.hbrBackground = face ? reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1) : nullptr;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace tarvex::ui::win32
