#pragma once
// The run control (TDebug) as the host interface's run requests see it.
#include "emulator/debug/run_control.hpp"
#include "host/run_port.hpp"

namespace tarvex {

namespace platform {
class StopErrorForm;
}

class DebugRunControl final : public IRunControl {
public:
    DebugRunControl(TDebug& debug, const platform::StopErrorForm* form) : debug_(debug), form_(form) {}

    bool Go() override;
    bool GoUntil(const TBankAdresse& address) override;
    bool Step() override;
    bool Poll() override { return debug_.Poll(); }
    bool IsRunning() const override { return debug_.IsRunning(); }
    void Stop() override { debug_.Stop(); }
    bool StopErrorVisible() const override;
    TBankAdresse ProgramCounter() const override { return debug_.PC(); }
    void SetPC(const TBankAdresse& address) override { debug_.SetPC(address); }
    int ResetAll() override { return debug_.ResetAll(); }
    int ResetSlave() override { return debug_.ResetSlave(); }
    bool NotYetReset() const override { return debug_.NotYetReset(); }
    bool FlyingTrace() const override { return debug_.FlyingTrace(); }
    void SetFlyingTrace(bool on) override { debug_.SetFlyingTrace(on); }

private:
    TDebug& debug_;
    const platform::StopErrorForm* form_;
};

}  // namespace tarvex
