#pragma once
// The full break dialog: the four break channels with their ranges, data-bus
// conditions, cycle kinds and counters, the break mode, the logic-probe
// pattern, the trace overflow counter and the trace-after-break counter, all
// on an offline select table.
#include <map>
#include <string>

#include "emulator/trace_info.hpp"
#include "ui/model/select_form.hpp"

namespace tarvex::ui {

class BreakFormModel final : public SelectFormModel {
public:
    // The trace board, when one is fitted: it brings the trigger hardware
    // (logic probes, trace overflow) and the overflow counter's capacity.
    BreakFormModel(platform::SettingsStore& store, const ITraceControl* trace);

    // The radio index of a break mode and back; other modes show index 0.
    static int ModeIndex(int mode);
    static int IndexMode(int index);

    // The selected channel's line (0..3 for kinds 10..13).
    int Channel() const { return channel_; }
    void SelectChannel(int line);
    // A click on "Break1Label" ... "Clear2Label".
    void ClickLabel(const std::string& label);

    void SetAddress() { SetOrClear(Kind(), true); }
    void ClearAddress() { SetOrClear(Kind(), false); }
    void SetData();
    void ClearData();
    void ClickCycle(int index);
    void ClickMode(int index);
    void ClickBreakDelay(bool on);
    void Default();
    // A click on a line of "AdressenListBox" or "DataListBox".
    void ClickList(const std::string& list, int row);

    // The four counter-like combos: "Zaehler", "Probes", "TraceCount",
    // "BreakDelayCount". Typing marks one edited; leaving it applies it.
    void EditCombo(const std::string& combo, const std::string& text);
    bool LeaveCombo(const std::string& combo);
    // OK: the edited combos are applied; false keeps the dialog open.
    bool Ok();
    // OK or Cancel: the selected line is kept for the next opening.
    void Close();
    forms::FormEvents events(forms::FormWindow window) override;

    std::unique_ptr<TVokWinKommando> GetKommandos() const override;

private:
    int Kind() const { return select_kind::Break1 + channel_; }
    void Refresh() override;
    Routing routing() override;
    void RefreshChannel();
    // Shows the box for an unusable value and puts the old one back.
    bool Refuse(const std::string& fieldName);

    platform::SettingsStore& store_;
    const ITraceControl* trace_;
    int channel_ = 0;
    std::map<std::string, bool> edited_;
};

}  // namespace tarvex::ui
