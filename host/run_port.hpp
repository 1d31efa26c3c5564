#pragma once
// What the host interface needs of the run control: go, step, stop, the
// poll of the wait loop, the program counter and the resets. A host without
// run control answers the run requests with a refusal.
#include <cstdint>

#include "core/bank_adressen.hpp"

namespace tarvex {

class IRunControl {
public:
    virtual ~IRunControl() = default;
    // Each answers whether the target started.
    virtual bool Go() = 0;
    virtual bool GoUntil(const TBankAdresse& address) = 0;
    // One instruction.
    virtual bool Step() = 0;
    // Reads the target's state once; true while it still runs.
    virtual bool Poll() = 0;
    virtual bool IsRunning() const = 0;
    // "I": halts the target; sends nothing when it already halted.
    virtual void Stop() = 0;
    // The stop-error form is visible: the target could not be halted.
    virtual bool StopErrorVisible() const = 0;
    virtual TBankAdresse ProgramCounter() const = 0;
    virtual void SetPC(const TBankAdresse& address) = 0;
    // Below 0: the target did not react.
    virtual int ResetAll() = 0;
    virtual int ResetSlave() = 0;
    virtual bool NotYetReset() const = 0;
    virtual bool FlyingTrace() const = 0;
    virtual void SetFlyingTrace(bool on) = 0;
};

}  // namespace tarvex
