#include "ui/win32/caret_list_win32.hpp"

#include <windowsx.h>

#include <algorithm>
#include <string>

#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

namespace {

constexpr const char* kListClass = "TarvexCaretList";

void registerClass() {
    static const bool registered = registerWindowClass(kListClass, WindowClassLook::SelfPaintedText);
    (void)registered;
}

void drawText(HDC dc, int x, int y, const RECT& clip, const std::string& ansi) {
    ExtTextOutA(dc, x, y, ETO_CLIPPED | ETO_OPAQUE, &clip, ansi.c_str(), static_cast<UINT>(ansi.size()), nullptr);
}

}  // namespace

Win32CaretList::Win32CaretList(const CaretCellSource& source, HWND parent, int id) : source_(source) {
    registerClass();
    font_ = CreateFontA(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FIXED_PITCH | FF_MODERN, "Courier New");
    hwnd_ = CreateWindowExA(WS_EX_CLIENTEDGE, kListClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_HSCROLL, 0, 0, 0,
                            0, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr),
                            nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32CaretList::windowProc));
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, font_);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SIZE x{};
    GetTextExtentPoint32A(dc, "x", 1, &x);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    list_.geometry.setItemHeight(metrics.tmHeight);
    list_.geometry.setCharWidth(x.cx);
    updateGeometry();
}

Win32CaretList::~Win32CaretList() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
    DeleteObject(font_);
}

void Win32CaretList::setSections(std::vector<int> widths) {
    if (widths == list_.geometry.sections()) return;
    list_.geometry.setSections(std::move(widths));
    updateGeometry();
    repaint();
}

void Win32CaretList::setItemCount(int count) {
    if (count == list_.geometry.itemCount()) return;
    list_.setItemCount(count);
    updateScrollBars();
    repaint();
}

void Win32CaretList::setMitCaret(bool on) {
    mitCaret_ = on;
    list_.selection.setWithCaret(on);
    repaint();
}

void Win32CaretList::setOwnRows(bool on) {
    ownRows_ = on;
    if (!on) ShowScrollBar(hwnd_, SB_VERT, FALSE);
    updateScrollBars();
}

void Win32CaretList::setScrollX(int x) {
    const auto& g = list_.geometry;
    RECT client;
    GetClientRect(hwnd_, &client);
    x = std::clamp(x, 0, std::max(0, g.horzScrollRange() - static_cast<int>(client.right)));
    if (x == scrollX_) return;
    scrollX_ = x;
    SetScrollPos(hwnd_, SB_HORZ, x, TRUE);
    scrolledX(x);
    repaint();
}

void Win32CaretList::repaint() {
    if (hwnd_) InvalidateRect(hwnd_, nullptr, FALSE);
}

void Win32CaretList::updateGeometry() {
    auto& g = list_.geometry;
    if (g.hasHeader()) g.setHorzScrollRange(g.headerWidth());
    RECT client;
    GetClientRect(hwnd_, &client);
    g.setClient(client.right, client.bottom);
    g.setVScrollBarWidth(ownRows_ ? GetSystemMetrics(SM_CXVSCROLL) : 0);
    updateScrollBars();
}

void Win32CaretList::updateScrollBars() {
    const auto& g = list_.geometry;
    RECT client;
    GetClientRect(hwnd_, &client);
    SCROLLINFO h{};
    h.cbSize = sizeof(h);
    h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    h.nMax = std::max(0, g.horzScrollRange() - 1);
    h.nPage = static_cast<UINT>(std::max<LONG>(1, client.right));
    scrollX_ = std::clamp(scrollX_, 0, std::max(0, g.horzScrollRange() - static_cast<int>(client.right)));
    h.nPos = scrollX_;
    SetScrollInfo(hwnd_, SB_HORZ, &h, TRUE);
    if (ownRows_) {
        SCROLLINFO v{};
        v.cbSize = sizeof(v);
        v.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        v.nMax = std::max(0, g.itemCount() - 1);
        v.nPage = static_cast<UINT>(std::max(1, g.visibleRows()));
        v.nPos = list_.topRow();
        SetScrollInfo(hwnd_, SB_VERT, &v, TRUE);
    }
}

// The caret's row and column in view, as the keys and a drag leave them.
void Win32CaretList::followCaret() {
    if (ownRows_) SetScrollPos(hwnd_, SB_VERT, list_.topRow(), TRUE);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int x = list_.geometry.ColumnToX(list_.caretColumn());
    const int w = client.right - list_.geometry.charWidth();
    if (scrollX_ > x)
        setScrollX(x);
    else if (scrollX_ + w < x)
        setScrollX(x - w);
    repaint();
}

void Win32CaretList::wheel(int delta) {
    wheelRest_ += delta;
    const int notches = wheelRest_ / WHEEL_DELTA;
    if (notches == 0 || !ownRows_) return;
    wheelRest_ -= notches * WHEEL_DELTA;
    UINT lines = 3;
    SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    list_.setTopRow(list_.topRow() - notches * static_cast<int>(std::max<UINT>(1, lines)));
    updateScrollBars();
    repaint();
}

void Win32CaretList::onKey(WPARAM key) {
    const bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
    if (keyDown(key, shift, ctrl)) return;
    using K = CaretList::Key;
    K k;
    switch (key) {
        case VK_LEFT: k = K::Left; break;
        case VK_RIGHT: k = K::Right; break;
        case VK_UP: k = K::Up; break;
        case VK_DOWN: k = K::Down; break;
        case VK_PRIOR: k = K::PageUp; break;
        case VK_NEXT: k = K::PageDown; break;
        case VK_HOME: k = K::Home; break;
        case VK_END: k = K::End; break;
        default: return;
    }
    list_.key(k, shift, ctrl);
    followCaret();
    caretMoved();
}

void Win32CaretList::onScroll(int bar, int code) {
    SCROLLINFO info{};
    info.cbSize = sizeof(info);
    info.fMask = SIF_ALL;
    GetScrollInfo(hwnd_, bar, &info);
    const int page = static_cast<int>(info.nPage);
    int pos = info.nPos;
    const int step = bar == SB_HORZ ? list_.geometry.charWidth() : 1;
    switch (code) {
        case SB_LINEUP: pos -= step; break;
        case SB_LINEDOWN: pos += step; break;
        case SB_PAGEUP: pos -= page; break;
        case SB_PAGEDOWN: pos += page; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: pos = info.nTrackPos; break;
        case SB_TOP: pos = info.nMin; break;
        case SB_BOTTOM: pos = info.nMax; break;
        default: return;
    }
    if (bar == SB_HORZ) {
        setScrollX(pos);
    } else {
        list_.setTopRow(pos);
        updateScrollBars();
        repaint();
    }
}

LRESULT CALLBACK Win32CaretList::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32CaretList*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    return self->onMessage(message, wParam, lParam);
}

LRESULT Win32CaretList::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd_, &ps);
            RECT client;
            GetClientRect(hwnd_, &client);
            // Drawn off screen first: no flicker while the trace scrolls.
            HDC memory = CreateCompatibleDC(dc);
            HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(1, client.right), std::max<LONG>(1, client.bottom));
            HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
            paint(memory, client);
            BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
            SelectObject(memory, oldBitmap);
            DeleteObject(bitmap);
            DeleteDC(memory);
            EndPaint(hwnd_, &ps);
            return 0;
        }
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            updateGeometry();
            resized();
            repaint();
            return 0;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            repaint();
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        case WM_KEYDOWN:
            onKey(wParam);
            return 0;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            SetFocus(hwnd_);
            const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
            if (message == WM_LBUTTONDOWN) {
                list_.pressLeft(x - OffsetX, y, scrollX_);
                SetCapture(hwnd_);
                dragging_ = true;
            } else {
                list_.pressRight(x - OffsetX, y, scrollX_);
            }
            repaint();
            caretMoved();
            return 0;
        }
        case WM_MOUSEMOVE:
            if (dragging_ && (wParam & MK_LBUTTON)) {
                list_.dragTo(GET_X_LPARAM(lParam) - OffsetX, GET_Y_LPARAM(lParam), scrollX_);
                followCaret();
            }
            return 0;
        case WM_LBUTTONUP:
            if (dragging_) {
                dragging_ = false;
                ReleaseCapture();
                list_.releaseLeft();
                repaint();
            }
            return 0;
        case WM_CAPTURECHANGED:
            if (dragging_) {
                dragging_ = false;
                list_.releaseLeft();
            }
            return 0;
        case WM_LBUTTONDBLCLK:
            SetFocus(hwnd_);
            doubleClicked();
            list_.releaseLeft();
            repaint();
            return 0;
        case WM_CONTEXTMENU: {
            POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            // From the keyboard: at the list's corner.
            if (p.x == -1 && p.y == -1) {
                p = POINT{0, 0};
                ClientToScreen(hwnd_, &p);
            }
            contextMenu(p);
            return 0;
        }
        case WM_MOUSEWHEEL:
            wheel(GET_WHEEL_DELTA_WPARAM(wParam));
            return 0;
        case WM_HSCROLL:
            onScroll(SB_HORZ, LOWORD(wParam));
            return 0;
        case WM_VSCROLL:
            onScroll(SB_VERT, LOWORD(wParam));
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(mitCaret_ ? IDC_IBEAM : IDC_ARROW)));
                return TRUE;
            }
            break;
        case WM_NCDESTROY: {
            // Destroyed with its parent: nothing of it is left to touch.
            HWND gone = hwnd_;
            hwnd_ = nullptr;
            return DefWindowProcA(gone, message, wParam, lParam);
        }
        default:
            break;
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

void Win32CaretList::paint(HDC dc, const RECT& client) {
    const auto& g = list_.geometry;
    const int h = g.itemHeight();
    const int right = std::max<int>(client.right + scrollX_, g.horzScrollRange());
    const COLORREF base = GetSysColor(COLOR_WINDOW), text = GetSysColor(COLOR_WINDOWTEXT);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT), highlightText = GetSysColor(COLOR_HIGHLIGHTTEXT);
    HBRUSH baseBrush = CreateSolidBrush(base);
    FillRect(dc, &client, baseBrush);
    DeleteObject(baseBrush);
    HGDIOBJ oldFont = SelectObject(dc, font_);
    SetBkMode(dc, OPAQUE);
    // Cells are placed in list coordinates; the window shows them shifted
    // by the horizontal scroll.
    SetViewportOrgEx(dc, -scrollX_, 0, nullptr);
    for (int i = 0; i <= g.visibleRows(); ++i) {
        const int row = list_.topRow() + i;
        if (row >= g.itemCount()) break;
        const int top = i * h;
        const auto span = list_.selection.GetSelectionSpan(g, row, right);
        // The text in the cell's colours, and again in the highlight's where
        // the selection covers the cell.
        const auto drawPart = [&](const RECT& cell, const std::string& utf8, COLORREF back, COLORREF fore,
                                  int textLeft) {
            const std::string ansi = toAnsi(utf8);
            SetBkColor(dc, back);
            SetTextColor(dc, fore);
            drawText(dc, textLeft, top, cell, ansi);
            if (!span) return false;
            RECT sel{span->first + OffsetX, top, span->second + OffsetX, top + h}, both;
            if (!IntersectRect(&both, &cell, &sel)) return false;
            SetBkColor(dc, highlight);
            SetTextColor(dc, highlightText);
            drawText(dc, textLeft, top, both, ansi);
            return true;
        };
        if (g.hasHeader()) {
            for (int s = 0; s < static_cast<int>(g.sections().size()); ++s) {
                const int width = g.sections()[static_cast<std::size_t>(s)];
                if (width <= 0) continue;
                const RECT cell{g.sectionLeft(s), top, g.sectionLeft(s) + width, top + h};
                const bool selected = drawPart(cell, source_.GetCellText(row, s), source_.GetCellColor(row, s),
                                               source_.GetCellFontColor(row, s), cell.left + OffsetX);
                const int saved = SaveDC(dc);
                IntersectClipRect(dc, cell.left, cell.top, cell.right, cell.bottom);
                drawCellExtras(dc, row, s, cell, selected);
                RestoreDC(dc, saved);
            }
        } else {
            drawPart(RECT{0, top, right, top + h}, source_.GetItemText(row), base, text, OffsetX);
        }
    }
    if (mitCaret_ && GetFocus() == hwnd_ && list_.caretRow() >= list_.topRow() && list_.caretRow() >= 0) {
        const int x = g.ColumnToX(list_.caretColumn()) + OffsetX;
        const RECT caret{x, (list_.caretRow() - list_.topRow()) * h, x + 2, (list_.caretRow() - list_.topRow() + 1) * h};
        HBRUSH brush = CreateSolidBrush(text);
        FillRect(dc, &caret, brush);
        DeleteObject(brush);
    }
    SetViewportOrgEx(dc, 0, 0, nullptr);
    SelectObject(dc, oldFont);
}

}  // namespace tarvex::ui::win32
