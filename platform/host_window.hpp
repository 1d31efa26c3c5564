#pragma once
// Messages to the window of the program that hosts the driver. On Windows
// the handle is that program's window and the messages are window messages;
// elsewhere the host hands the address of a HostMessageSink instead, and the
// driver calls it.
#include <cstdint>

namespace tarvex::platform {

// What a host outside Windows hands as its window. `post` must return
// without calling back into the driver: the host handles a posted message
// only after the driver's call returned.
struct HostMessageSink {
    void* context;
    std::intptr_t (*send)(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
    void (*post)(void* context, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
};

// Both do nothing for a null handle. sendHostMessage waits for the answer.
std::intptr_t sendHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);
void postHostMessage(std::uintptr_t handle, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// The system clipboard's identifier of a named format, registered on first
// use (the same name gives the same identifier in every process). 0 where
// the system has no such registry (outside Windows).
std::uint32_t registerClipboardFormat(const char* name);

// The host's end: a window that hands what the driver sends and posts to a
// sink. Outside Windows its handle is the sink's address. On Windows it is a
// message-only window of the creating thread: a sent message (from any
// thread) reaches `send` at once; a posted one waits in that thread's queue
// until `pump`, called on that thread, hands it to `post`. Only messages
// from WM_USER on are handed over. Not copyable: the handle names this
// object.
class HostWindow {
public:
    explicit HostWindow(const HostMessageSink& sink);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    std::uintptr_t handle() const { return handle_; }
    // Delivers the posted messages waiting for this window.
    void pump();

private:
    HostMessageSink sink_;
    std::uintptr_t handle_ = 0;
};

}  // namespace tarvex::platform
