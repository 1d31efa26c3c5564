#pragma once
// The select tables as run control and the trace board use them: the
// temporary breakpoint of a go-until or a step over (the table's own, on
// channel 12 with list and break mode put back at the halt), the break mode
// of a line step, and the trace cycle modes the trace board reads.
#include "emulator/debug/run_control.hpp"
#include "emulator/debug/trace_board.hpp"

namespace tarvex {

class TSelectTabelle;

class TRunSelectTable final : public IRunSelectTable, public ITraceSelectSource {
public:
    explicit TRunSelectTable(TSelectTabelle& select) : select_(select) {}

    // ---- IRunSelectTable
    void TransmitBreakTraceRegister() override;
    void SetTemporaryBreakpoint(const TBankAdresse& address, bool flag) override;
    void RemoveTemporaryBreakpoint() override;
    // The select table switches to the line-step mode as it keeps the mode.
    void SaveBreakMode() override;
    void SetLineStepBreakMode() override {}
    void RestoreBreakMode() override;
    void TargetResetDone() override {}

    // ---- ITraceSelectSource
    int CycleQualifierMode(int kind) const override;
    bool HighLevelMode() const override;
    void ReapplyTraceCodeMode() override;

private:
    TSelectTabelle& select_;
};

}  // namespace tarvex
