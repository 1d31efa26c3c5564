#pragma once
// The dialog behind "Copy..." and "Initialize...": a range, a destination
// or a data byte, and a memory, turned into a copy, EPROM copy or
// initialize command once the dialog has closed.
#include <cstdint>
#include <string>

#include "emulator/validator.hpp"
#include "host/command_record.hpp"
#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/dialog_tables.hpp"

namespace tarvex::ui {

enum TCFAufgabe : std::uint8_t { cfKopieren = 0, cfEpromKopieren = 1, cfFuellen = 2 };

class CopyFillFormModel final : public DialogModel {
public:
    CopyFillFormModel(const DialogTables& tables, platform::SettingsStore& store);

    TCFAufgabe Aufgabe() const { return aufgabe_; }
    void SetAufgabe(TCFAufgabe aufgabe);
    int SpeicherIndex() const { return speicherIndex_; }
    // The history section of the third combo for the current task.
    std::string ThirdHistorySection() const;

    // User actions. Combos: "StartAdresse", "EndAdresse", "ZielAdresse".
    void EditText(const std::string& combo, const std::string& text);
    void SelectSpeicher(int index);
    // The "?" buttons "SucheStart", "SucheEnde", "SucheZiel": the symbol
    // browser, filtered by the chosen memory.
    void Browse(const std::string& button);
    // OK: the memory index is written (the view keeps the histories).
    void Ok();
    // The form's events; the third field follows the task's history.
    forms::FormEvents events(forms::FormWindow window);

    // Fills the command from the texts; conversion errors pass to the
    // caller and leave the command's code as it was.
    void Ausfuehren(TKommandoStruktur& command);

private:
    void ShowAufgabe();

    platform::SettingsStore& store_;
    TVokWinValidator validator_;
    TCFAufgabe aufgabe_ = cfKopieren;
    int speicherIndex_ = 2;
    int speicherCount_ = 3;
};

}  // namespace tarvex::ui
