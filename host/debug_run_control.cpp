#include "host/debug_run_control.hpp"

#include "platform/ui.hpp"

namespace tarvex {

bool DebugRunControl::Go() {
    debug_.Go();
    return debug_.IsRunning();
}

bool DebugRunControl::GoUntil(const TBankAdresse& address) {
    debug_.GoUntil(address);
    return debug_.IsRunning();
}

bool DebugRunControl::Step() {
    // The IDE's step: a line step where the program has line information,
    // as the step chooser decides.
    debug_.SetHighLevelMode(true);
    debug_.Step();
    return debug_.IsRunning();
}

bool DebugRunControl::StopErrorVisible() const {
    // Answered Yes but not yet closed: the hard stop is still to come.
    return form_ && (form_->visible() || form_->answeredYes());
}

}  // namespace tarvex
