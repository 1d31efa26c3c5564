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

namespace {

constexpr const char* WindowClass = "TarvexHostWindow";

// Only sent messages arrive here: the posted ones are taken out of the
// queue by HostWindow::pump before anything could dispatch them. The sink
// travels in the window's user data from WM_NCCREATE on.
LRESULT CALLBACK hostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    } else if (message >= WM_USER) {
        const auto* sink = reinterpret_cast<const HostMessageSink*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (sink && sink->send) return static_cast<LRESULT>(sink->send(sink->context, message, wParam, lParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

HostWindow::HostWindow(const HostMessageSink& sink) : sink_(sink) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &hostWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = WindowClass;
    // A second window finds the class registered already.
    RegisterClassA(&wc);
    handle_ = reinterpret_cast<std::uintptr_t>(CreateWindowExA(0, WindowClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE,
                                                               nullptr, wc.hInstance, &sink_));
}

HostWindow::~HostWindow() {
    if (handle_) DestroyWindow(reinterpret_cast<HWND>(handle_));
}

void HostWindow::pump() {
    const HWND window = reinterpret_cast<HWND>(handle_);
    if (!window) return;
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        if (msg.message >= WM_USER) {
            if (sink_.post) sink_.post(sink_.context, msg.message, msg.wParam, msg.lParam);
        } else {
            DispatchMessageA(&msg);
        }
    }
}

}  // namespace tarvex::platform
