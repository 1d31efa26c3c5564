#pragma once
// The driver's windows in the Windows builds: the trace window, modeless
// over the IDE's window, opened and closed by the driver menu, with the
// host's notifications routed to it; the menu's dialogs built of the
// system's own controls, modal over the IDE's window, with what follows
// their OK; the error form, the notice and the progress forms; the symbol
// browser behind every "?" button, the maintenance forms and the help on the
// attached object's session; the stop-error question. The dialogs that have
// no Win32 form yet answer as the build without windows does.
#include <cstdint>
#include <memory>
#include <string>

#include "emulator/target_parts.hpp"
#include "host/driver_windows.hpp"
#include "ui/win32/driver/trace_window_win32.hpp"
#include "ui/win32/status_forms_win32.hpp"

namespace tarvex {
class TAgdiObject;
namespace platform {
class SettingsStore;
}
}  // namespace tarvex

namespace tarvex::ui {
class DriverAttachment;
class MenuForms;
}

namespace tarvex::ui::win32 {

class Win32StopErrorForm;

class Win32DriverWindows final : public IDriverWindows {
public:
    explicit Win32DriverWindows(platform::SettingsStore& store);
    ~Win32DriverWindows() override;
    Win32DriverWindows(const Win32DriverWindows&) = delete;
    Win32DriverWindows& operator=(const Win32DriverWindows&) = delete;

    // The object whose tables and commands the dialogs use; set once it
    // exists and before it starts: the symbol picker and the emulator's
    // forms are installed on it for as long as these windows live.
    void attach(TAgdiObject* object);
    // The question after a stop the target did not obey, made hidden at the
    // first call on the thread that makes the windows; the object takes it
    // when it is made.
    platform::StopErrorForm* stopErrorForm();

    bool OptionsDialog() override;
    void* OpenTraceWindow(std::uint32_t dialogId, void* activeWindowVar) override;
    void CloseTraceWindow() override;
    void UpdateTraceWindow() override;
    void NotifyTraceWindow(std::uint32_t id, std::uint32_t code, const void* data) override;
    std::intptr_t SendTraceWindow(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool TraceWindowExists() const override;
    void FreeTraceWindow() override;
    void RunMenuDialog(MenuDialog which, const std::string& caption) override;

    // The open trace window; null when none.
    Win32TraceWindow* traceWindow() const;
    // The dialogs the trace window opens; a window opened later uses what
    // is set here.
    TraceWindowDialogs& traceDialogs() { return traceDialogs_; }

private:
    struct TraceState;

    platform::SettingsStore& store_;
    TAgdiObject* object_ = nullptr;
    // The error form, the notice and the progress forms, while these live.
    ScopedWin32Forms forms_;
    TraceWindowDialogs traceDialogs_;
    std::unique_ptr<TraceState> trace_;
    std::unique_ptr<MenuForms> menuForms_;
    std::unique_ptr<Win32StopErrorForm> stopError_;
    std::unique_ptr<DriverAttachment> attachment_;
    NoDriverWindows fallback_;
};

}  // namespace tarvex::ui::win32
