#pragma once
// Runs a model action from a window's event; a failure is shown, never
// thrown through the toolkit's or the system's event handling.
#include <exception>

#include "core/message_box.hpp"
#include "platform/ui.hpp"

namespace tarvex::ui {

template <typename F>
void guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        // The driver's exception hook classifies it (a link time-out restarts
        // the link, an abort ends the session); without one it is shown here.
        if (!platform::passToApplicationHandler(std::current_exception())) ErrorBox(e.what(), platform::mb::Ok);
    }
}

}  // namespace tarvex::ui
