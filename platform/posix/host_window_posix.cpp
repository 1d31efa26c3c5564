#include "platform/host_window.hpp"

namespace tarvex::platform {

std::intptr_t sendHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    const auto* sink = reinterpret_cast<const HostMessageSink*>(handle);
    if (!sink || !sink->send) return 0;
    return sink->send(sink->context, message, wParam, lParam);
}

void postHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
    const auto* sink = reinterpret_cast<const HostMessageSink*>(handle);
    if (!sink || !sink->post) return;
    sink->post(sink->context, message, wParam, lParam);
}

std::uint32_t registerClipboardFormat(const char*) {
    return 0;
}

HostWindow::HostWindow(const HostMessageSink& sink) : sink_(sink), handle_(reinterpret_cast<std::uintptr_t>(&sink_)) {}

HostWindow::~HostWindow() = default;

// A post reaches the sink at once here.
void HostWindow::pump() {}

}  // namespace tarvex::platform
