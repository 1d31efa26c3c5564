#include <windows.h>

#include <iostream>

#include "platform/ui.hpp"
#include "platform/win32/message_boxes_win32.hpp"

namespace tarvex::platform {

// A console, not a pipe, a file or the NUL device (which passes for a
// character device).
bool stdinIsTerminal() {
    DWORD mode = 0;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) != 0;
}

int Win32MessageBoxes::show(const std::string& caption, const std::string& text, unsigned flags) {
    const int id = MessageBoxA(nullptr, text.c_str(), caption.c_str(), flags | MB_TASKMODAL | MB_SETFOREGROUND);
    // No desktop to show it on: the default button, as the console would.
    return id != 0 ? id : defaultButtonOf(flags);
}

// Someone at the console gets the system's box; a batch run answers on the
// error stream with the default button.
MessageBoxes& defaultMessageBoxes() {
    static Win32MessageBoxes system;
    static ConsoleMessageBoxes console(std::cin, std::cerr, false);
    if (stdinIsTerminal()) return system;
    return console;
}

}  // namespace tarvex::platform
