#include <windows.h>

#include <iostream>

#include "platform/host_text.hpp"
#include "platform/ui.hpp"
#include "platform/win32/message_boxes_win32.hpp"

namespace tarvex::platform {

// A console, not a pipe, a file or the NUL device (which passes for a
// character device).
bool stdinIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

namespace {

// The system has no Yes / Cancel / Retry box. Its Cancel / Try Again /
// Continue box has the same shape (Escape and the close box are Cancel), so
// it is shown with the two buttons renamed as the box opens.
thread_local HHOOK relabelHook = nullptr;

LRESULT CALLBACK relabelButtons(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE) {
        const HWND box = reinterpret_cast<HWND>(wParam);
        SetDlgItemTextA(box, IDTRYAGAIN, "&Retry");
        SetDlgItemTextA(box, IDCONTINUE, "&Yes");
        UnhookWindowsHookEx(relabelHook);
        relabelHook = nullptr;
        return 0;
    }
    return CallNextHookEx(relabelHook, code, wParam, lParam);
}

int showYesCancelRetry(const std::string& caption, const std::string& text, unsigned flags) {
    // Yes, the form's default button, stands third in the system's box.
    const unsigned system = MB_CANCELTRYCONTINUE | MB_DEFBUTTON3 | (flags & mb::IconMask);
    relabelHook = SetWindowsHookExA(WH_CBT, relabelButtons, nullptr, GetCurrentThreadId());
    const int id = MessageBoxA(nullptr, hostText(text).c_str(), hostText(caption).c_str(),
                               system | MB_TASKMODAL | MB_SETFOREGROUND);
    if (relabelHook) {
        UnhookWindowsHookEx(relabelHook);
        relabelHook = nullptr;
    }
    switch (id) {
        case IDCONTINUE: return IdYes;
        case IDTRYAGAIN: return IdRetry;
        case 0: return defaultButtonOf(flags);
        default: return IdCancel;
    }
}

}  // namespace

int Win32MessageBoxes::show(const std::string& caption, const std::string& text, unsigned flags) {
    if ((flags & mb::ButtonMask) == mb::YesCancelRetry) return showYesCancelRetry(caption, text, flags);
    // The project's texts are UTF-8; the box reads the ANSI code page.
    const int id = MessageBoxA(nullptr, hostText(text).c_str(), hostText(caption).c_str(),
                               flags | MB_TASKMODAL | MB_SETFOREGROUND);
    // No desktop to show it on: the default button, as the console would.
    return id != 0 ? id : defaultButtonOf(flags);
}

void Win32MessageBoxes::beep() { MessageBeep(MB_OK); }

// Someone at the console gets the system's box; a batch run answers on the
// error stream with the default button.
MessageBoxes& defaultMessageBoxes() {
    static Win32MessageBoxes system;
    static ConsoleMessageBoxes console(std::cin, std::cerr, false);
    if (stdinIsTerminal()) return system;
    return console;
}

}  // namespace tarvex::platform
