#pragma once
// The trace window's two small dialogs: which columns show, and where to go
// (an address, a line, a frame index, or another bank). The "?" button asks
// the current symbol picker.
#include <array>
#include <optional>
#include <string>

#include "core/bank_adressen.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/symbol_picker.hpp"
#include "ui/model/trace_cells.hpp"

namespace tarvex::ui {

class TraceColumnsModel final : public DialogModel {
public:
    TraceColumnsModel(platform::SettingsStore& store, TTraceDarstellung mode);

    // The captions of columns 8 and 9 follow the display mode.
    void setMode(TTraceDarstellung mode);
    bool column(int index) const;
    // A click on a column's box; unticking one unticks "all".
    void setColumn(int index, bool shown);
    // A click on "all": ticking it ticks all ten.
    void setAll(bool checked);

    static std::string boxName(int index) { return "CheckBox" + std::to_string(index + 1); }
    forms::FormEvents events(forms::FormWindow window);

private:
    TTraceDarstellung mode_;
};

enum TSprungAufruf : int { saProgram = 0, saIntData = 1, saExtData = 2, saSource = 3, saTrace = 4, saSysEmul = 5 };

// What decides the bank group: the highest bank of each kind of banking,
// -1 where it is off.
struct GotoBanking {
    int highestCodeBank = -1;
    int highestVarBank = -1;
    int hardwareBankLimit = 15;
};

class GotoModel final : public DialogModel {
public:
    static constexpr int kMaxBank = 15;

    explicit GotoModel(platform::SettingsStore& store, GotoBanking banking = {});

    TSprungAufruf aufruf() const { return aufruf_; }
    void setAufruf(TSprungAufruf aufruf);
    // The history section the target combo uses for the current call.
    const std::string& historySection() const { return historySection_; }
    bool bankGroupShown() const { return control("BankNummerGroup").visible; }

    const std::string& target() const { return control("Ziel").text; }
    void setTarget(std::string text);
    // "Ok": answers true (the dialog closes with OK). A single hex digit for
    // program memory with code banking selects that bank in the group.
    bool clickOk();
    // A bank of the group: the dialog closes with "Yes" and that bank.
    void clickBank(int bank);
    std::optional<int> chosenBank() const { return chosenBank_; }
    // "?": the current picker's choice replaces the target.
    void clickSymbol();
    bool fromSymbol() const { return fromSymbol_; }
    std::optional<TBankAdresse> symbolAddress() const { return symbolAddress_; }
    // The target as a decimal number (frame indices, line numbers).
    std::optional<long long> targetValue() const;
    // The form's events: a bank ends it like OK (the view tells the two
    // apart by chosenBank()); whatever ends it, the target joins its history.
    forms::FormEvents events(forms::FormWindow window);

private:
    void setUpBankGroup();
    int highestBank() const;

    GotoBanking banking_;
    TSprungAufruf aufruf_ = saProgram;
    std::string historySection_;
    bool fromSymbol_ = false;
    std::optional<TBankAdresse> symbolAddress_;
    std::optional<int> chosenBank_;
};

}  // namespace tarvex::ui
