#pragma once
// The trace settings dialog: the three trace filters with their ranges and
// cycle kinds, the trace start and end triggers, the trigger selection, the
// filter switch and the time base, all on an offline select table.
#include <string>

#include "ui/model/select_form.hpp"

namespace tarvex::ui {

class TraceSettingsFormModel final : public SelectFormModel {
public:
    explicit TraceSettingsFormModel(platform::SettingsStore& store);

    // The selected filter's line (0..2 for kinds 14..16).
    int Filter() const { return filter_; }
    void SelectFilter(int line);
    // A click on "Trace1Label" ... "Trace3Label".
    void ClickLabel(const std::string& label);

    void SetAddress() { SetOrClear(Kind(), true); }
    void ClearAddress() { SetOrClear(Kind(), false); }
    // "Program", "Read", "Write", "Read + Write".
    void ClickCycle(int index);
    // "Opcodes", "Line numbers", "All".
    void ClickProgramOption(int index);
    // Sources: 0 trigger A, 1 B, 2 C, 3 program start or end.
    void ClickStart(int source);
    void ClickStop(int source);
    // "A + B" (false) or "B + C" (true).
    void ClickTriggerSelection(bool bc);
    void ClickFilterType(bool on);
    void ClickTimeBase(int index);
    void Default();
    void ClickList(int row);
    // OK or Cancel: the selected line is kept for the next opening.
    void Close();

    std::unique_ptr<TVokWinKommando> GetKommandos() const override;

private:
    int Kind() const { return select_kind::Filter1 + filter_; }
    void Refresh() override;
    Routing routing() override;
    void RefreshFilter();
    void ApplyMode();

    platform::SettingsStore& store_;
    int filter_ = 0;
};

}  // namespace tarvex::ui
