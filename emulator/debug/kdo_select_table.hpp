#pragma once
// The offline select table of the break, trace and map dialogs: a copy of
// the live table that keeps every setting but never reaches the board and
// never notifies. The menu copies the live table in (CopyFrom), the dialog
// edits the copy, and on OK its command chain applies the changes to the
// live table.
#include <string>
#include <string_view>

#include "emulator/debug/select_table.hpp"

namespace tarvex {

class TKdoSelectTabelle final : public TSelectTabelle {
public:
    explicit TKdoSelectTabelle(const TSelectWiring& wiring);

    std::string GetOverflowText() const override;
    int GetTimeBase() const override { return timeBase_; }
    bool GetTriggerBit() const override { return triggerBit_; }
    void SetCounter(int kind, std::int32_t value) override;
    void SetBreakMode(int mode) override;
    void SetSelectMode(int kind, int mode) override;
    void SetOverflowText(std::string_view text) override { overflowText_ = std::string(text); }
    void SetTimeBase(int timeBase) override;
    void SetTriggerBit(bool on) override;
    void TransmitSelectItem(const TSelectItem&, int, bool, bool) override {}
    void TransmitLineNumbers() override {}
    void TransmitLogicProbes() override {}
    void ComputeControlBytes() override {}
    void PrepareTransmit() override {}
    // Empties the trace lists and sets the trace modes, triggers, filter and
    // time base back; the trace board itself is reset when the dialog's
    // commands reach the live table.
    void ResetTraceSettings() override;
    void TransmitBreakTraceRegister() override {}

    // Lists, counters and their limits, modes, break mode, logic-probe text,
    // trigger counter, filter, trigger bit and sources of the source table;
    // the overflow counter and time base as the trace board has them.
    void CopyFrom(const TSelectTabelle& source);
    bool TraceSettingsReset() const { return traceSettingsReset_; }

private:
    std::string overflowText_;
    int timeBase_ = 0;
    bool triggerBit_ = false;
    bool traceSettingsReset_ = false;
};

}  // namespace tarvex
