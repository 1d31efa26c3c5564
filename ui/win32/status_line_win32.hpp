#pragma once
// The driver's status line painted on Windows: its panels side by side, each
// sunken, in the colours and with the texts the status line gives. A panel
// grows with its text rather than cut it; the last one takes what is left.
#include <windows.h>

#include <vector>

#include "ui/model/status_line.hpp"

namespace tarvex::ui::win32 {

class StatusLineWin32 {
public:
    // A child of `parent` with the control id `id`; whoever owns the parent
    // places it.
    StatusLineWin32(StatusLineSource& source, HWND parent, int id = 0);
    ~StatusLineWin32();
    StatusLineWin32(const StatusLineWin32&) = delete;
    StatusLineWin32& operator=(const StatusLineWin32&) = delete;

    HWND handle() const { return hwnd_; }
    // The panels' places in the window's client area, in panel order.
    std::vector<RECT> panelRects() const;

private:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    std::vector<RECT> layout(HDC dc) const;
    void paint(HDC dc) const;

    StatusLineSource& source_;
    HWND hwnd_ = nullptr;
};

}  // namespace tarvex::ui::win32
