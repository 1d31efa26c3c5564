#include "ui/win32/status_line_win32.hpp"

#include <algorithm>

#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

namespace {

constexpr const char* kClass = "TarvexStatusLine";
constexpr int kMinPanelWidth = 80;
constexpr int kGap = 2;
// Between a panel's sunken edge and its text.
constexpr int kPadding = 3;

void registerClass() {
    static const bool registered = registerWindowClass(kClass);
    (void)registered;
}

// The parent's font: the status line reads as part of its form.
HFONT fontOf(HWND window) {
    if (HWND parent = GetParent(window))
        if (auto font = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0))) return font;
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

StatusLineWin32::StatusLineWin32(StatusLineSource& source, HWND parent, int id) : source_(source) {
    registerClass();
    hwnd_ = CreateWindowExA(0, kClass, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    SetWindowLongPtrA(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&StatusLineWin32::windowProc));
    source_.onChanged([this] {
        if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
    });
}

StatusLineWin32::~StatusLineWin32() {
    source_.onChanged({});
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

std::vector<RECT> StatusLineWin32::layout(HDC dc) const {
    RECT client;
    GetClientRect(hwnd_, &client);
    std::vector<RECT> rects;
    const int count = source_.panelCount();
    int left = client.left;
    for (int i = 0; i < count; ++i) {
        const std::string text = toAnsi(source_.panel(i).text);
        SIZE size{};
        GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
        int width = std::max<int>(kMinPanelWidth, size.cx + 2 * kPadding + 2);
        if (i + 1 == count) width = std::max<int>(width, client.right - left);
        rects.push_back(RECT{left, client.top, left + width, client.bottom});
        left += width + kGap;
    }
    return rects;
}

std::vector<RECT> StatusLineWin32::panelRects() const {
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, fontOf(hwnd_));
    auto rects = layout(dc);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return rects;
}

void StatusLineWin32::paint(HDC dc) const {
    HGDIOBJ old = SelectObject(dc, fontOf(hwnd_));
    SetBkMode(dc, TRANSPARENT);
    const auto rects = layout(dc);
    for (int i = 0; i < static_cast<int>(rects.size()); ++i) {
        const StatusPanel p = source_.panel(i);
        RECT r = rects[static_cast<std::size_t>(i)];
        DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
        // The colours are the system's RGB values already.
        HBRUSH brush = p.buttonFace ? GetSysColorBrush(COLOR_BTNFACE) : CreateSolidBrush(p.background);
        FillRect(dc, &r, brush);
        if (!p.buttonFace) DeleteObject(brush);
        SetTextColor(dc, p.buttonFace ? GetSysColor(COLOR_BTNTEXT) : p.textColor);
        const std::string text = toAnsi(p.text);
        r.left += kPadding;
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &r,
                  DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    }
    SelectObject(dc, old);
}

LRESULT CALLBACK StatusLineWin32::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<StatusLineWin32*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            self->paint(dc);
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_SIZE:
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case WM_NCDESTROY:
            // Gone with its parent: nothing is left to destroy.
            self->hwnd_ = nullptr;
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            break;
        default:
            break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace tarvex::ui::win32
