#pragma once
// The driver's windows when Qt runs: the trace window, opened and closed by
// the driver menu, with the host's notifications routed to it; the menu's
// dialogs with what follows their OK; the symbol browser behind every "?"
// button and the emulator's maintenance forms, both on the attached
// object's session; the load and save progress forms and the help, for as
// long as an object is attached. The dialogs that have no window here answer as the build
// without windows does. No Qt in this header: the driver library includes
// it.
#include <cstdint>
#include <memory>
#include <string>

#include "host/driver_windows.hpp"

namespace tarvex {
class TAgdiObject;
namespace platform {
class SettingsStore;
class StopErrorForm;
}
}  // namespace tarvex

namespace tarvex::ui {

class DriverAttachment;
class LoadStatusForm;
class MenuForms;
class SaveStatusForm;
class StopErrorForm;
class TraceWindow;

class QtDriverWindows final : public IDriverWindows {
public:
    explicit QtDriverWindows(platform::SettingsStore& store);
    ~QtDriverWindows() override;
    QtDriverWindows(const QtDriverWindows&) = delete;
    QtDriverWindows& operator=(const QtDriverWindows&) = delete;

    // The object whose board, tables and notifications the windows use; set
    // once it exists (it takes the windows when it is made) and before it
    // starts: the symbol picker and the maintenance forms are installed
    // here, for as long as these windows live.
    void attach(TAgdiObject* object);

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
    TraceWindow* traceWindow() const;
    // The question after a stop the target did not obey, made hidden at the
    // first call; the object takes it when it is made.
    platform::StopErrorForm* stopErrorForm();

private:
    struct State;

    platform::SettingsStore& store_;
    TAgdiObject* object_ = nullptr;
    std::unique_ptr<State> state_;
    std::unique_ptr<MenuForms> forms_;
    std::unique_ptr<StopErrorForm> stopError_;
    // The progress forms of a load and of a save, made at the first attach;
    // they outlive the attachment that installs them.
    std::unique_ptr<LoadStatusForm> loadStatus_;
    std::unique_ptr<SaveStatusForm> saveStatus_;
    std::unique_ptr<DriverAttachment> attachment_;
    NoDriverWindows fallback_;
};

}  // namespace tarvex::ui
