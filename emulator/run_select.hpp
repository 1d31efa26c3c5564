#pragma once
// The select tables as run control and the trace board use them: the
// temporary breakpoint of a go-until or a step over (kind 12, with the list
// and the break mode put back at the halt), the break mode of a line step,
// and the trace cycle modes the trace board reads.
#include <string>

#include "emulator/run_control.hpp"
#include "emulator/trace_board.hpp"

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
    bool temporary_ = false;
    std::string savedList_;
    int savedSelectMode_ = 0;
    int savedBreakMode_ = 0;
};

}  // namespace tarvex
