#pragma once
// The system's own common dialogs and the hourglass, for the platform's
// user-interaction interfaces.
#include "platform/ui.hpp"

namespace tarvex::ui::win32 {

// The open dialog, or the save dialog for a file that need not exist;
// modal to the active window of the thread.
class Win32FileDialog final : public platform::FileDialog {
public:
    std::optional<platform::FileChoice> chooseFile(const platform::FileRequest& request) override;
};

// WinHelp: the help file's topic in the system's help window, owned by the
// window of the request.
class Win32HelpEngine final : public platform::HelpEngine {
public:
    bool open(const platform::HelpFileRequest& request) override;
};

class Win32BusyCursor final : public platform::BusyCursor {
public:
    void begin() override;
    void end() override;

private:
    int depth_ = 0;
    void* saved_ = nullptr;
};

// "Name (*.a)|*.a|..." as the system's dialogs take it: pairs ended by
// NULs, the whole ended by one more.
std::string systemFilter(const std::string& filter);

}  // namespace tarvex::ui::win32
