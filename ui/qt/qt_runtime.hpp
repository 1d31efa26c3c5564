#pragma once
// Qt inside the driver: the host process's QApplication when it has one,
// else one of our own, made only when a display is reachable (a
// QApplication without one aborts the process). While it runs, the Qt
// implementations serve the platform's user interface.
#include <functional>

namespace tarvex::ui {

class QtRuntime {
public:
    // Whether the environment names a display: QT_QPA_PLATFORM, DISPLAY or
    // WAYLAND_DISPLAY set.
    static bool displayReachable(const std::function<const char*(const char*)>& getenv);
    // True when windows can be opened; installs the Qt message boxes, error
    // form, notice window and busy cursor into platform::currentUi() once.
    static bool ensure();
    // Restores the user interface as it was and ends our own application.
    static void shutdown();
    // Lets pending window events through, on the application's thread only:
    // a call from another thread touches no widget.
    static void pumpEvents();
    static bool active();
};

}  // namespace tarvex::ui
