#pragma once
// Drives the Win32 forms as a user does: keys and characters go to the
// focused control as the system's messages, and the forms' own message loop
// hands them on.
#include <windows.h>

#include <functional>
#include <string>

#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32::test {

inline void focus(HWND control) {
    SetFocus(control);
    pumpMessages();
}

// Replaces the field's text, as typing over the whole of it does.
inline void typeText(HWND control, const std::string& text) {
    focus(control);
    SendMessageA(GetFocus(), EM_SETSEL, 0, -1);
    for (const char c : text) PostMessageA(GetFocus(), WM_CHAR, static_cast<unsigned char>(c), 1);
    pumpMessages();
}

inline void pressKey(WPARAM key) {
    HWND target = GetFocus();
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    pumpMessages();
}

inline void click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
    pumpMessages();
}

inline std::string textOf(HWND window) {
    char buffer[1024] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
}

inline std::vector<std::string> listItems(HWND list) {
    std::vector<std::string> items;
    const auto count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::string item(static_cast<std::size_t>(SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)) + 1,
                         '\0');
        item.resize(static_cast<std::size_t>(
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()))));
        items.push_back(item);
    }
    return items;
}

// Runs the action from inside the next message loop: a modal form that is
// about to open is open by then.
class Later {
public:
    explicit Later(std::function<void()> action) : action_(std::move(action)) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Later::proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "TarvexTestLater";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "TarvexTestLater", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                  nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        PostMessageA(window_, WM_APP, 0, 0);
    }
    ~Later() { DestroyWindow(window_); }
    Later(const Later&) = delete;
    Later& operator=(const Later&) = delete;

private:
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            auto* self = reinterpret_cast<Later*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
            if (self && self->action_) self->action_();
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    std::function<void()> action_;
    HWND window_ = nullptr;
};

}  // namespace tarvex::ui::win32::test
