#include "ui/win32/driver/trace_window_win32.hpp"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <iterator>

#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/utilities.hpp"
#include "emulator/validator.hpp"
#include "platform/ui.hpp"
#include "ui/forms/status_forms.hpp"
#include "ui/win32/win32_form.hpp"
#include "ui/model/guarded.hpp"

namespace tarvex::ui::win32 {

namespace {

constexpr const char* kWindowClass = "TarvexTraceWindow";
constexpr int kHeaderId = 101, kListId = 102, kScrollId = 103, kContextId = 104, kStatusId = 105;
constexpr int kContextRowHeight = 16;
constexpr int kSplitterWidth = 4;
constexpr unsigned kFirstCommand = 200;
// The window's panels at their widths; what is left of the bar stays empty.
constexpr int kPanelWidths[4] = {65, 70, 100, 75};

// An item's command is kFirstCommand + its place among the menu's items
// that run something; 0 for any other name.
unsigned commandIndex(const std::string& name) {
    unsigned i = 0;
    for (const TraceMenuItem& item : TraceWindowModel::menuItems()) {
        if (item.kind != TraceMenuItem::Command) continue;
        if (name == item.name) return kFirstCommand + i;
        ++i;
    }
    return 0;
}

void registerClass() {
    static const bool registered = registerWindowClass(kWindowClass);
    (void)registered;
}

HFONT messageFont() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof(metrics);
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return CreateFontIndirectA(&metrics.lfMessageFont);
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// Moves a control only where it is not already: a move that changes
// nothing would still tell the control it was sized.
void place(HWND window, int left, int top, int width, int height) {
    RECT now;
    GetWindowRect(window, &now);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&now), 2);
    width = std::max(0, width);
    height = std::max(0, height);
    if (now.left == left && now.top == top && now.right - now.left == width && now.bottom - now.top == height) return;
    MoveWindow(window, left, top, width, height, TRUE);
}

void fill(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void frame(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

int textWidth(HDC dc, const std::string& ansi) {
    SIZE size{};
    GetTextExtentPoint32A(dc, ansi.c_str(), static_cast<int>(ansi.size()), &size);
    return size.cx;
}

// Draws the parts of a line from x on: before the comment, the comment in
// green, after it; answers nothing, the parts are clipped by the caller.
void drawWithComment(HDC dc, int x, int y, const std::string& utf8, COLORREF fore) {
    const std::string line = toAnsi(utf8);
    const CommentSpan comment = FindComment(line);
    const auto start = static_cast<std::size_t>(comment.start > 0 ? comment.start - 1 : line.size());
    const auto end = comment.start > 0 && comment.end > 0 ? static_cast<std::size_t>(comment.end) : line.size();
    SetBkMode(dc, TRANSPARENT);
    const auto part = [&](std::size_t from, std::size_t to, COLORREF colour) {
        if (from >= to || from >= line.size()) return;
        const std::string s = line.substr(from, std::min(to, line.size()) - from);
        SetTextColor(dc, colour);
        TextOutA(dc, x, y, s.c_str(), static_cast<int>(s.size()));
        x += textWidth(dc, s);
    };
    part(0, start, fore);
    part(start, end, RGB(0, 0x80, 0));
    part(end, line.size(), fore);
}

// The menu text without its mnemonic marks and trailing dots, for a word
// about it.
std::string plainCaption(std::string text) {
    text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
    while (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

}  // namespace

// ---- The reading dialog

ReadingTraceWin32::ReadingTraceWin32(HWND window) : window_(window) {
    FormEvents events(model_.events());
    events.closing = [this] {
        model_.clickCancel();
        return false;
    };
    form_ = std::make_unique<Win32Form>(forms::readingTraceForm(), model_, std::move(events), window_);
}

ReadingTraceWin32::~ReadingTraceWin32() {
    if (window_ && IsWindow(window_)) EnableWindow(window_, TRUE);
}

void ReadingTraceWin32::show() {
    model_.resetCancel();
    form_->centre();
    if (window_) EnableWindow(window_, FALSE);
    ShowWindow(form_->handle(), SW_SHOW);
    SetWindowPos(form_->handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    UpdateWindow(form_->handle());
    pumpMessages();
}

bool ReadingTraceWin32::cancelRequested() {
    pumpMessages();
    return model_.cancelRequested();
}

void ReadingTraceWin32::holdWindow(HWND window) {
    window_ = window;
    SetWindowLongPtrA(form_->handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(window));
}

void ReadingTraceWin32::close() {
    if (window_) EnableWindow(window_, TRUE);
    ShowWindow(form_->handle(), SW_HIDE);
}

// ---- The list

TraceListWin32::TraceListWin32(Win32TraceWindow& window, TraceBoxModel& box, HWND parent)
    : Win32CaretList(box, parent, kListId), window_(window), box_(box) {
    setMitCaret(false);
    setOwnRows(false);
}

bool TraceListWin32::keyDown(WPARAM key, bool shift, bool ctrl) {
    if (window_.windowKey(key)) return true;
    bool used = true;
    guarded([&] {
        switch (key) {
            case VK_PRIOR: used = box_.pageUp(ctrl); break;
            case VK_NEXT: used = box_.pageDown(ctrl); break;
            case VK_UP: used = !shift && box_.lineUp(); break;
            case VK_DOWN: used = !shift && box_.lineDown(); break;
            default: used = false; break;
        }
    });
    if (used) window_.rowsChanged();
    return used;
}

void TraceListWin32::caretMoved() {
    guarded([&] { box_.setCaretRow(list().caretRow()); });
    window_.rowsChanged();
}

void TraceListWin32::doubleClicked() {
    guarded([&] { window_.model().doubleClick(); });
    window_.rowsChanged();
}

void TraceListWin32::contextMenu(POINT screen) { window_.popupMenu(screen); }

void TraceListWin32::wheel(int delta) { window_.wheel(delta); }

void TraceListWin32::resized() {
    // Rows are made before painting, never while painting.
    guarded([&] { box_.setVisibleRows(list().geometry.visibleRows()); });
    window_.rowsChanged();
}

void TraceListWin32::scrolledX(int) { window_.layout(); }

void TraceListWin32::drawCellExtras(HDC dc, int row, int section, const RECT& cell, bool selected) {
    if (row < 0 || row >= box_.rowCount()) return;
    const TTraceItem& item = box_.item(row);
    if (item.kind == TTraceItem::Collapsed && (section == 0 || section == 6)) {
        // "+" framed in the cell's text colour, "..." in silver: from three
        // pixels below the row's top to two above its bottom.
        const std::string mark = section == 0 ? "+" : "...";
        const int width = textWidth(dc, mark) + 2 * OffsetX;
        frame(dc, RECT{cell.left, cell.top + 3, cell.left + width, cell.bottom - 2}, box_.GetCellFontColor(row, section));
        return;
    }
    if (selected || section != 9 || item.kind != TTraceItem::Source || box_.mode() != tdSource) return;
    const std::string text = box_.GetCellText(row, section);
    if (FindComment(text).start <= 0) return;
    fill(dc, cell, box_.GetCellColor(row, section));
    drawWithComment(dc, cell.left + OffsetX, cell.top, text, box_.GetCellFontColor(row, section));
}

// ---- The window

Win32TraceWindow::Win32TraceWindow(std::unique_ptr<TraceWindowModel> model, platform::SettingsStore& store, HWND owner,
                                   TraceWindowDialogs dialogs, std::unique_ptr<ReadingTraceWin32> reading)
    : model_(std::move(model)), store_(store), dialogs_(std::move(dialogs)) {
    registerClass();
    font_ = messageFont();
    int left = CW_USEDEFAULT, top = CW_USEDEFAULT, width = 900, height = 420;
    if (auto g = model_->storedGeometry()) {
        if (g->width > 100 && g->height > 80) {
            width = g->width;
            height = g->height;
        }
        // The stored corner only where a screen shows it (a monitor may have
        // gone since).
        if (MonitorFromPoint(POINT{g->left, g->top}, MONITOR_DEFAULTTONULL)) {
            left = g->left;
            top = g->top;
        }
    }
    hwnd_ = CreateWindowExA(0, kWindowClass, toAnsi(model_->caption()).c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                            left, top, width, height, owner, nullptr, GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32TraceWindow::windowProc));
    const auto child = [this](DWORD exStyle, const char* cls, DWORD style, int id) {
        HWND w = CreateWindowExA(exStyle, cls, "", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, hwnd_,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
        SendMessageA(w, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
        return w;
    };
    header_ = child(0, WC_HEADERA, HDS_HORZ | HDS_FULLDRAG, kHeaderId);
    for (int c = 0; c < kTraceColumns; ++c) {
        HDITEMA item{};
        item.mask = HDI_WIDTH | HDI_TEXT | HDI_FORMAT;
        item.fmt = HDF_LEFT | HDF_STRING;
        item.pszText = const_cast<char*>("");
        SendMessageA(header_, HDM_INSERTITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
    }
    list_ = std::make_unique<TraceListWin32>(*this, model_->box(), hwnd_);
    scroll_ = child(0, "SCROLLBAR", SBS_VERT, kScrollId);
    context_ = child(WS_EX_CLIENTEDGE, "LISTBOX",
                     WS_VSCROLL | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY, kContextId);
    SendMessageA(context_, WM_SETFONT, reinterpret_cast<WPARAM>(list_->font()), FALSE);
    SendMessageA(context_, LB_SETITEMHEIGHT, 0, kContextRowHeight);
    ShowWindow(context_, SW_HIDE);
    // The window's keys work wherever its focus is.
    SetWindowSubclass(context_, &Win32TraceWindow::childKeys, 1, reinterpret_cast<DWORD_PTR>(this));
    SetWindowSubclass(scroll_, &Win32TraceWindow::childKeys, 1, reinterpret_cast<DWORD_PTR>(this));
    status_ = child(0, STATUSCLASSNAMEA, 0, kStatusId);
    placePanels();
    if (reading) {
        reading->holdWindow(hwnd_);
        reading_ = std::move(reading);
        model_->box().setReadingDialog(reading_.get());
    } else if (model_->box().wantsReadingDialog()) {
        reading_ = std::make_unique<ReadingTraceWin32>(hwnd_);
        model_->box().setReadingDialog(reading_.get());
    }
    model_->onChanged([this] { refresh(); });
    applyHeader();
    layout();
    refresh();
}

Win32TraceWindow::~Win32TraceWindow() {
    model_->onChanged({});
    model_->box().setReadingDialog(nullptr);
    destroying_ = true;
    list_.reset();
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(font_);
}

void Win32TraceWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(list_->handle());
    // The model went to the end before the list had its size: again with
    // the rows the window shows, the caret on the newest line.
    guarded([&] { model_->box().goToEnd(); });
    rowsChanged();
    UpdateWindow(hwnd_);
    // Without its trace board the window closes at once; after the opener
    // took its handle, so that the closing reaches the menu it set.
    if (model_->boardAbsent()) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}

unsigned Win32TraceWindow::commandOf(const std::string& name) { return commandIndex(name); }

std::string Win32TraceWindow::nameOfCommand(unsigned id) {
    unsigned i = kFirstCommand;
    for (const TraceMenuItem& item : TraceWindowModel::menuItems())
        if (item.kind == TraceMenuItem::Command && i++ == id) return item.name;
    return {};
}

HMENU Win32TraceWindow::buildMenu() const {
    const auto& m = *model_;
    const auto add = [&m](HMENU into, const TraceMenuItem& item) {
        const ControlState& c = m.control(item.name);
        if (!c.visible) return;
        const std::string text = toAnsi(c.text) + (*item.key ? std::string("\t") + item.key : std::string());
        MENUITEMINFOA info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING;
        info.fType = MFT_STRING | (item.radio ? MFT_RADIOCHECK : 0);
        info.fState = (c.enabled ? MFS_ENABLED : MFS_DISABLED) | (c.checked ? MFS_CHECKED : 0);
        info.wID = commandOf(item.name);
        info.dwTypeData = const_cast<char*>(text.c_str());
        InsertMenuItemA(into, GetMenuItemCount(into), TRUE, &info);
    };
    // A submenu's items first, then the submenu into its parent.
    const std::function<HMENU(const std::string&)> build = [&](const std::string& parent) {
        HMENU menu = CreatePopupMenu();
        for (const TraceMenuItem& item : TraceWindowModel::menuItems()) {
            if (parent != item.parent) continue;
            if (item.kind == TraceMenuItem::Separator) {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            } else if (item.kind == TraceMenuItem::Command) {
                add(menu, item);
            } else {
                HMENU items = build(item.name);
                const ControlState& c = m.control(item.name);
                if (!c.visible) {
                    DestroyMenu(items);
                    continue;
                }
                AppendMenuA(menu, MF_POPUP | MF_STRING | (c.enabled ? 0 : MF_GRAYED),
                            reinterpret_cast<UINT_PTR>(items), toAnsi(c.text).c_str());
            }
        }
        return menu;
    };
    return build("");
}

void Win32TraceWindow::popupMenu(POINT screen) {
    refresh();
    HMENU menu = buildMenu();
    const auto id = static_cast<unsigned>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_LEFTALIGN, screen.x, screen.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    if (const std::string name = nameOfCommand(id); !name.empty()) runItem(name);
}

bool Win32TraceWindow::windowKey(WPARAM key) {
    const auto runIfEnabled = [&](const char* item) {
        if (model_->control(item).enabled) runItem(item);
    };
    switch (key) {
        case VK_F1: help(); return true;
        case VK_F3: runIfEnabled("cmPopSucheNochmal"); return true;
        case VK_F5: runIfEnabled("cmPopSprung"); return true;
        default: return false;
    }
}

LRESULT CALLBACK Win32TraceWindow::childKeys(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                             DWORD_PTR window) {
    if (message == WM_KEYDOWN && reinterpret_cast<Win32TraceWindow*>(window)->windowKey(wParam)) return 0;
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, &Win32TraceWindow::childKeys, id);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

void Win32TraceWindow::help(const std::string& item) {
    guarded([&] { model_->help(item); });
}

void Win32TraceWindow::wheel(int delta) {
    // High-resolution wheels send parts of a notch: they add up.
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    if (notches == 0) return;
    wheelRest_ -= notches * WHEEL_DELTA;
    UINT perNotch = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &perNotch, 0);
    const int lines = std::abs(notches) * static_cast<int>(std::max<UINT>(1, std::min<UINT>(perNotch, 1000)));
    auto& box = model_->box();
    guarded([&] {
        if (notches > 0)
            box.scrollUp(lines);
        else
            box.scrollDown(lines);
    });
    rowsChanged();
}

void Win32TraceWindow::runItem(const std::string& name) {
    auto& m = *model_;
    const auto notAvailable = [&] {
        InformationBox(plainCaption(m.control(name).text) + ": not available in this build",
                       platform::mb::IconInformation);
    };
    guarded([&] {
        std::vector<int> rows;
        const auto& sel = list_->list().selection;
        if (sel.shown())
            for (int r = sel.start().row; r <= sel.end().row; ++r) rows.push_back(r);
        const TraceMenuRun run = m.runItem(name, rows);
        if (run == TraceMenuRun::SelectionUsed) list_->list().selection.hide();
        if (run != TraceMenuRun::Dialog) return;
        if (name == "cmPopSuche" || name == "cmPopTimeFilter") {
            if (!dialogs_.frameSearch) return notAvailable();
            TVokWinValidator validator(m.context().symbols, m.context().lines, nullptr, nullptr);
            FramePatternModel fm(store_, validator);
            fm.setFiltern(name == "cmPopTimeFilter");
            if (!dialogs_.frameSearch(fm, store_, hwnd_)) return;
            if (fm.filtern())
                m.setTimeFilter(fm.pattern(), fm.emptyPattern());
            else
                m.search(fm.pattern(), fm.emptyPattern());
        } else if (name == "cmPopSprung") {
            if (!dialogs_.gotoFrame) return notAvailable();
            GotoModel gm(store_);
            gm.setAufruf(saTrace);
            if (dialogs_.gotoFrame(gm, store_, hwnd_)) m.goToFrame(gm.target());
        } else if (name == "cmPopSpalten") {
            if (!dialogs_.columns) return notAvailable();
            TraceColumnsModel cm(store_, m.darstellung());
            const auto shown = m.columnsShown();
            for (int c = 0; c < kTraceColumns; ++c) cm.setColumn(c, shown[static_cast<std::size_t>(c)]);
            if (dialogs_.columns(cm, store_, hwnd_)) {
                std::array<bool, kTraceColumns> now{};
                for (int c = 0; c < kTraceColumns; ++c) now[static_cast<std::size_t>(c)] = cm.column(c);
                m.applyColumns(now);
            }
        }
    });
    if (hwnd_) rowsChanged();
}

void Win32TraceWindow::onScroll(int code) {
    auto& box = model_->box();
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(scroll_, SB_CTL, &info);
    guarded([&] {
        switch (code) {
            case SB_LINEDOWN: box.scrollDown(1); break;
            case SB_LINEUP: box.scrollUp(1); break;
            case SB_PAGEDOWN: box.scrollDown(box.visibleRows()); break;
            case SB_PAGEUP: box.scrollUp(box.visibleRows()); break;
            case SB_TOP: box.showFrame(0); break;
            case SB_BOTTOM: box.goToEnd(); break;
            // The thumb moves alone while dragged; the trace follows where
            // it is let go.
            case SB_THUMBTRACK:
                trackPos_ = info.nTrackPos;
                info.fMask = SIF_POS;
                info.nPos = info.nTrackPos;
                SetScrollInfo(scroll_, SB_CTL, &info, TRUE);
                return;
            case SB_THUMBPOSITION:
                box.showFrame(static_cast<std::uint32_t>(std::max(0, trackPos_ >= 0 ? trackPos_ : info.nTrackPos)));
                trackPos_ = -1;
                break;
            default: return;
        }
    });
    rowsChanged();
    SetFocus(list_->handle());
}

void Win32TraceWindow::applyHeader() {
    applyingHeader_ = true;
    std::vector<int> widths;
    for (int c = 0; c < kTraceColumns; ++c) {
        const std::string title = toAnsi(model_->headerTitle(c));
        const int width = model_->widths()[static_cast<std::size_t>(c)];
        HDITEMA item{};
        item.mask = HDI_WIDTH | HDI_TEXT;
        item.cxy = width;
        item.pszText = const_cast<char*>(title.c_str());
        item.cchTextMax = static_cast<int>(title.size());
        HDITEMA now{};
        char text[64] = {};
        now.mask = HDI_WIDTH | HDI_TEXT;
        now.pszText = text;
        now.cchTextMax = sizeof(text);
        SendMessageA(header_, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&now));
        if (now.cxy != width || title != text)
            SendMessageA(header_, HDM_SETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        widths.push_back(width);
    }
    list_->setSections(std::move(widths));
    applyingHeader_ = false;
    layout();
}

// The user dragged a section's edge.
void Win32TraceWindow::readHeader() {
    if (applyingHeader_) return;
    std::vector<int> widths;
    for (int c = 0; c < kTraceColumns; ++c) {
        HDITEMA item{};
        item.mask = HDI_WIDTH;
        SendMessageA(header_, HDM_GETITEMA, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&item));
        if (item.cxy != model_->widths()[static_cast<std::size_t>(c)]) model_->setWidth(c, item.cxy);
        widths.push_back(item.cxy);
    }
    list_->setSections(std::move(widths));
    layout();
}

void Win32TraceWindow::layout() {
    if (!hwnd_) return;
    RECT client;
    GetClientRect(hwnd_, &client);
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT bar;
    GetWindowRect(status_, &bar);
    const int statusHeight = bar.bottom - bar.top;
    const int height = std::max<int>(0, client.bottom - statusHeight);
    const int scrollWidth = GetSystemMetrics(SM_CXVSCROLL);
    // The trace keeps the columns up to the address beside the context
    // list, which takes the rest.
    int leftWidth = client.right;
    if (contextShown_) {
        if (splitter_ <= 0) {
            splitter_ = scrollWidth + 2 * GetSystemMetrics(SM_CXEDGE);
            for (int c = 0; c <= 6; ++c) splitter_ += model_->widths()[static_cast<std::size_t>(c)];
        }
        splitter_ = std::clamp<int>(splitter_, 60, std::max<int>(60, client.right - 100 - kSplitterWidth));
        leftWidth = splitter_;
        place(context_, leftWidth + kSplitterWidth, 0, client.right - leftWidth - kSplitterWidth, height);
    }
    const int listWidth = std::max(0, leftWidth - scrollWidth);
    HDLAYOUT hd{};
    RECT headerArea{0, 0, listWidth, height};
    WINDOWPOS pos{};
    hd.prc = &headerArea;
    hd.pwpos = &pos;
    SendMessageA(header_, HDM_LAYOUT, 0, reinterpret_cast<LPARAM>(&hd));
    const int headerHeight = pos.cy > 0 ? pos.cy : 20;
    // The header scrolls with the list: it starts left of the window by the
    // list's scroll, in line with the list's client area.
    const int edge = GetSystemMetrics(SM_CXEDGE);
    const int scrolled = list_->scrollX();
    place(header_, edge - scrolled, 0, listWidth - edge + scrolled, headerHeight);
    place(list_->handle(), 0, headerHeight, listWidth, height - headerHeight);
    place(scroll_, listWidth, 0, scrollWidth, height);
}

void Win32TraceWindow::rowsChanged() {
    if (!hwnd_) return;
    auto& box = model_->box();
    list_->setItemCount(box.rowCount());
    list_->list().setCaretRow(box.caretRow());
    // A range of 0..max with a page of the visible rows: the page's first
    // position reaches max.
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    const int page = std::max(1, box.visibleRows());
    info.nMin = 0;
    info.nMax = box.scrollMaximum() + page - 1;
    info.nPage = static_cast<UINT>(page);
    info.nPos = std::max(0, box.currentFrame());
    SetScrollInfo(scroll_, SB_CTL, &info, TRUE);
    list_->repaint();
    refresh();
}

void Win32TraceWindow::refresh() {
    if (!hwnd_) return;
    const std::string caption = toAnsi(model_->caption());
    char now[256] = {};
    GetWindowTextA(hwnd_, now, sizeof(now));
    if (caption != now) SetWindowTextA(hwnd_, caption.c_str());
    applyHeader();
    if (contextShown_ != model_->contextShown()) {
        contextShown_ = model_->contextShown();
        splitter_ = 0;
        ShowWindow(context_, contextShown_ ? SW_SHOWNA : SW_HIDE);
        layout();
    }
    refreshContext();
    bool panelsChanged = false;
    for (int i = 0; i < 4; ++i) {
        std::string text = model_->panelText(i);
        if (text == panels_[static_cast<std::size_t>(i)]) continue;
        panels_[static_cast<std::size_t>(i)] = std::move(text);
        panelsChanged = true;
    }
    if (panelsChanged) placePanels();
}

// Each panel at its width, or wider where its text needs it.
void Win32TraceWindow::placePanels() {
    HDC dc = GetDC(status_);
    HGDIOBJ old = SelectObject(dc, font_);
    int edges[4];
    for (int i = 0, right = 0; i < 4; ++i)
        edges[i] = right += std::max(kPanelWidths[i], textWidth(dc, toAnsi(panels_[static_cast<std::size_t>(i)])) + 8);
    SelectObject(dc, old);
    ReleaseDC(status_, dc);
    SendMessageA(status_, SB_SETPARTS, 4, reinterpret_cast<LPARAM>(edges));
    for (int i = 0; i < 4; ++i) SendMessageA(status_, SB_SETTEXTA, static_cast<WPARAM>(i) | SBT_OWNERDRAW, i);
    InvalidateRect(status_, nullptr, TRUE);
}

void Win32TraceWindow::refreshContext() {
    const auto& box = model_->box();
    if (box.contextGeneration() == contextGeneration_) return;
    contextGeneration_ = box.contextGeneration();
    const auto& lines = box.contextLines();
    SendMessageA(context_, WM_SETREDRAW, FALSE, 0);
    SendMessageA(context_, LB_RESETCONTENT, 0, 0);
    const auto digits = std::to_string(lines.size()).size();
    contextNumbers_.clear();
    contextStates_.clear();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::string number = std::to_string(i + 1);
        number.insert(0, digits - number.size(), '0');
        contextNumbers_.push_back(std::move(number));
        contextStates_.push_back(lines[i].state);
        SendMessageA(context_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(toAnsi(lines[i].text).c_str()));
    }
    if (!lines.empty()) SendMessageA(context_, LB_SETTOPINDEX, static_cast<WPARAM>(box.contextTopLine()), 0);
    SendMessageA(context_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(context_, nullptr, TRUE);
}

// One source line of the context list: the cell of its trace-range state,
// its number in grey, and its text on the colour of the line with the
// comment in green.
void Win32TraceWindow::drawContextLine(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1) || item.itemID >= contextStates_.size()) return;
    HDC dc = item.hDC;
    const RECT r = item.rcItem;
    const COLORREF light = GetSysColor(COLOR_3DHILIGHT), grey = RGB(0x80, 0x80, 0x80);
    const std::uint8_t state = contextStates_[item.itemID];
    const auto range = static_cast<TraceContextLine::Range>(state & 0x0F);
    const RECT cell{r.left, r.top, r.left + kContextRowHeight, r.bottom};
    fill(dc, cell, range == TraceContextLine::Inside ? grey : light);
    if (range != TraceContextLine::NoCode) {
        const RECT mark{cell.left + 3, cell.top + 3, cell.right - 3, cell.bottom - 3};
        frame(dc, mark, RGB(0, 0, 0));
        const int half = (mark.bottom - mark.top) / 2;
        if (range == TraceContextLine::Inside)
            fill(dc, RECT{mark.left + 1, mark.top + 1, mark.right, mark.bottom}, RGB(0, 0, 0));
        else if (range == TraceContextLine::Partly)
            fill(dc, RECT{mark.left + 1, mark.top + half, mark.right, mark.bottom}, RGB(0, 0, 0));
    }
    const std::string& number = contextNumbers_[item.itemID];
    const int numberWidth = textWidth(dc, std::string(number.size(), '0')) + 4;
    const RECT numberCell{cell.right, r.top, cell.right + numberWidth, r.bottom};
    fill(dc, numberCell, light);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, grey);
    TextOutA(dc, numberCell.left + 2, r.top + 1, number.c_str(), static_cast<int>(number.size()));
    const RECT text{numberCell.right, r.top, r.right, r.bottom};
    fill(dc, text, state & 0x10 ? RGB(0xFF, 0xFF, 0) : state & 0x20 ? RGB(0xFF, 0xFF, 0xFF) : RGB(0xF0, 0xF0, 0xF0));
    const auto length = static_cast<std::size_t>(SendMessageA(context_, LB_GETTEXTLEN, item.itemID, 0));
    std::string line(length + 1, '\0');
    line.resize(static_cast<std::size_t>(
        SendMessageA(context_, LB_GETTEXT, item.itemID, reinterpret_cast<LPARAM>(line.data()))));
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, text.left, text.top, text.right, text.bottom);
    drawWithComment(dc, text.left + 3, r.top + 1, fromAnsi(line), RGB(0, 0, 0));
    RestoreDC(dc, saved);
}

void Win32TraceWindow::drawPanel(const DRAWITEMSTRUCT& item) {
    if (item.itemID >= panels_.size()) return;
    const std::string& text = panels_[item.itemID];
    COLORREF back = GetSysColor(COLOR_BTNFACE), fore = GetSysColor(COLOR_BTNTEXT);
    switch (TraceWindowModel::panelStyle(text)) {
        case TraceWindowModel::PanelStyle::OnWhite: back = RGB(0xFF, 0xFF, 0xFF); fore = RGB(0, 0, 0); break;
        case TraceWindowModel::PanelStyle::WhiteOnRed: back = RGB(0xFF, 0, 0); fore = RGB(0xFF, 0xFF, 0xFF); break;
        case TraceWindowModel::PanelStyle::Plain: break;
    }
    fill(item.hDC, item.rcItem, back);
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, fore);
    HGDIOBJ old = SelectObject(item.hDC, font_);
    RECT r = item.rcItem;
    const std::string ansi = toAnsi(text);
    r.left += 2;
    DrawTextA(item.hDC, ansi.c_str(), static_cast<int>(ansi.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
    SelectObject(item.hDC, old);
}

LRESULT CALLBACK Win32TraceWindow::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32TraceWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT Win32TraceWindow::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) layout();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
            info->ptMinTrackSize = POINT{200, 120};
            return 0;
        }
        case WM_SETFOCUS:
            if (list_) SetFocus(list_->handle());
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) model_->activated(reinterpret_cast<std::uintptr_t>(hwnd_));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == header_ &&
                (header->code == HDN_ITEMCHANGEDA || header->code == HDN_ITEMCHANGEDW ||
                 header->code == HDN_ENDTRACKA || header->code == HDN_ENDTRACKW))
                readHeader();
            return 0;
        }
        case WM_VSCROLL:
            if (reinterpret_cast<HWND>(lParam) == scroll_) onScroll(LOWORD(wParam));
            return 0;
        case WM_MOUSEWHEEL:
            wheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_DRAWITEM: {
            const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item.hwndItem == context_) drawContextLine(item);
            else if (item.hwndItem == status_) drawPanel(item);
            return TRUE;
        }
        case WM_CONTEXTMENU: {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (p.x == -1 && p.y == -1) {
                p = POINT{0, 0};
                ClientToScreen(hwnd_, &p);
            }
            popupMenu(p);
            return 0;
        }
        case WM_HELP: {
            // F1 while a menu item is highlighted asks help on that item; a
            // submenu's own item has none of its own.
            const auto* info = reinterpret_cast<const HELPINFO*>(lParam);
            help(info && info->iContextType == HELPINFO_MENUITEM ? nameOfCommand(static_cast<unsigned>(info->iCtrlId))
                                                                   : std::string());
            return TRUE;
        }
        case WM_KEYDOWN:
            if (windowKey(wParam)) return 0;
            break;
        // The splitter between the trace and the context list.
        case WM_SETCURSOR:
            if (contextShown_ && reinterpret_cast<HWND>(wParam) == hwnd_ && LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_SIZEWE)));
                return TRUE;
            }
            break;
        case WM_LBUTTONDOWN:
            if (contextShown_) {
                dragFrom_ = GET_X_LPARAM(lParam) - splitter_;
                SetCapture(hwnd_);
            }
            return 0;
        case WM_MOUSEMOVE:
            if (contextShown_ && GetCapture() == hwnd_) {
                splitter_ = GET_X_LPARAM(lParam) - dragFrom_;
                layout();
            }
            return 0;
        case WM_LBUTTONUP:
            if (GetCapture() == hwnd_) ReleaseCapture();
            return 0;
        case WM_CLOSE: {
            RECT r;
            GetWindowRect(hwnd_, &r);
            // Hidden, not destroyed: the driver frees it outside its events.
            ShowWindow(hwnd_, SW_HIDE);
            guarded([&] { model_->close({r.left, r.top, r.right - r.left, r.bottom - r.top}); });
            return 0;
        }
        case WM_DESTROY:
            if (!destroying_ && !model_->closed() && onDestroyed) guarded([&] { onDestroyed(); });
            return 0;
        case WM_NCDESTROY: {
            HWND gone = hwnd_;
            hwnd_ = nullptr;
            return DefWindowProcA(gone, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

}  // namespace tarvex::ui::win32
