#include <windows.h>

#include "platform/host_window.hpp"

namespace tarvex::platform {

std::intptr_t sendHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    if (!handle) return 0;
    return static_cast<std::intptr_t>(SendMessageA(reinterpret_cast<HWND>(handle), message,
                                                   static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

void postHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    if (!handle) return;
    PostMessageA(reinterpret_cast<HWND>(handle), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

std::uint32_t registerClipboardFormat(const char* name) {
    return name ? static_cast<std::uint32_t>(RegisterClipboardFormatA(name)) : 0;
}

}  // namespace tarvex::platform
