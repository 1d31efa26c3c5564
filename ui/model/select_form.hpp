#pragma once
// What the break, trace and map dialogs share: they edit an offline select
// table and nothing else (the board sees the changes only when their command
// chain runs), show the table's refusals in the error box while they stay
// open, and take a picked symbol's name into their event field.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emulator/debug/kdo_select_table.hpp"
#include "emulator/debug/select_kinds.hpp"
#include "host/command.hpp"
#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/symbol_picker.hpp"

namespace tarvex {
class TBanking;
}

namespace tarvex::ui {

class SelectFormModel : public DialogModel {
public:
    // The table a dialog edits; none: every action does nothing.
    void SetSettings(TKdoSelectTabelle* table);
    TKdoSelectTabelle* Table() const { return table_; }

    // The event field's text as the user typed it.
    void EditEvent(const std::string& text) { edit(eventField_).text = text; }
    const std::string& EventField() const { return eventField_; }
    // The "?" button: a picked symbol's name becomes the event text.
    void BrowseSymbol();

    // The chain that applies the dialog's settings; none without a table.
    virtual std::unique_ptr<TVokWinKommando> GetKommandos() const = 0;

    // The form's events over its window: whatever ends the dialog, the
    // fields keep what was typed.
    virtual forms::FormEvents events(forms::FormWindow window);

protected:
    // What each control does is a row: its name and the model's action, with
    // the item's index for radio groups and lists, 1 or 0 for a check box, 0
    // otherwise. `thenEvent`: the event field takes the focus afterwards.
    struct Action {
        std::string control;
        std::function<void(int)> run;
        bool thenEvent = false;
    };
    struct Routing {
        std::vector<Action> actions;
        std::string ok = "OkButton", cancel = "CancelButton", help = "HilfeButton";
        // OK: false keeps the dialog open.
        std::function<bool()> accept;
        // OK or Cancel, once the histories are kept.
        std::function<void()> closed;
        // The dialog's other fields: their typing and their leaving.
        std::function<void(const std::string& name, const std::string& text)> text;
        std::function<bool(const std::string& name)> leave;
    };
    virtual Routing routing() = 0;

    SelectFormModel(std::string section, unsigned helpContext, platform::SettingsStore& store,
                    std::string eventField = "Event");
    // Runs an edit of the table; a refusal (the validator's, the table's, the
    // trace board's) is shown in the error box and answers false.
    bool Guarded(const std::function<void()>& action);
    // Empty event text: only the beep, and false.
    bool EventGiven();
    // Set or Clear of the event text on a kind; the event field is emptied
    // after a success (the view focuses it).
    bool SetOrClear(int kind, bool set);
    virtual void Refresh() = 0;
    std::vector<std::string> Items(int kind) const;

    TKdoSelectTabelle* table_ = nullptr;
    std::string eventField_;
};

// A break channel's line in the event lists: its ranges, its data-bus
// condition (none when that list is empty or holds just 00..FF), its cycle
// kind and its counter when that is not 1; " " for a channel without items.
std::string ChannelLineText(const TSelectTabelle& table, int kind);

// The simple break dialog: break ranges on program memory (kind 10) and on
// external data (kind 12) with one cycle kind for the latter.
class BasicBreakFormModel final : public SelectFormModel {
public:
    explicit BasicBreakFormModel(platform::SettingsStore& store);

    // 0 program memory, 1 external data.
    void SelectMemory(int index);
    int Memory() const { return memory_; }
    void Set() { SetOrClear(Kind(), true); }
    void Clear() { SetOrClear(Kind(), false); }
    void ClickCycle(int index);
    void Default();
    // A click on a line of "ProgramListBox" or "ExtDataListBox".
    void ClickList(const std::string& list, int row);

    std::unique_ptr<TVokWinKommando> GetKommandos() const override;

private:
    int Kind() const { return memory_ == 1 ? select_kind::Break2 : select_kind::Break1; }
    void Refresh() override;
    Routing routing() override;

    int memory_ = 0;
};

// The map dialog: program memory (kind 22) and external data (kind 23)
// supplied by the emulator's own memory, in whole 64-byte pages.
class MapFormModel final : public SelectFormModel {
public:
    explicit MapFormModel(platform::SettingsStore& store);

    // Whether the dialog may open: not while code banking is on, not when
    // the target cannot map external data (the refusal is shown).
    static bool MayOpen(const TBanking* banking, const TSelectTabelle& table);

    void SetProgram() { SetOrClear(select_kind::ProgramMap, true); }
    void ClearProgram() { SetOrClear(select_kind::ProgramMap, false); }
    void SetExtData() { SetOrClear(select_kind::ExtDataMap, true); }
    void ClearExtData() { SetOrClear(select_kind::ExtDataMap, false); }
    void Default();
    void ClickList(const std::string& list, int row);

    std::unique_ptr<TVokWinKommando> GetKommandos() const override;

private:
    void Refresh() override;
    Routing routing() override;
    void Fill(const char* list, int kind);
};

}  // namespace tarvex::ui
