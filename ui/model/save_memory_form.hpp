#pragma once
// The dialog behind "Save..." of the memory menu: format, memory, range and
// file name, turned into a save command once the dialog has closed.
#include <string>

#include "emulator/validator.hpp"
#include "host/command_record.hpp"
#include "platform/settings.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/model/dialog_tables.hpp"

namespace tarvex::ui {

class SaveMemoryFormModel final : public DialogModel {
public:
    static constexpr const char* kFilter =
        "Binary files (*.bin)|*.bin|Intel HEX files (*.hex)|*.hex|Hex dump files (*.dmp)|*.dmp|Assembler list files "
        "(*.lst)|*.lst|Assembler source files (*.asm)|*.asm|all files (*.*)|*.*";

    // The file dialog starts in the options' object folder.
    SaveMemoryFormModel(const DialogTables& tables, platform::SettingsStore& store, std::string objectDir = {});

    int Format() const { return format_; }
    // 0 program, 1 internal data, 2 external data, 3 system.
    int Speicher() const { return speicher_; }

    // User actions. Combos: "StartAdresse", "EndAdresse", "DateiName".
    void EditText(const std::string& combo, const std::string& text);
    void FormatClick(int index);
    // By the radio button's name ("RadioProgram" ...).
    void SelectMemory(const std::string& radio);
    void BrowseFile();
    // "SucheStart" or "SucheEnde".
    void BrowseSymbol(const std::string& button);
    void Ok();
    forms::FormEvents events(forms::FormWindow window);

    // Fills the command; conversion errors pass to the caller and leave the
    // command as it was.
    void GetKommando(TKommandoStruktur& command);
    void SetKommando(TKommandoStruktur& command);

private:
    void ShowMemory();

    platform::SettingsStore& store_;
    TVokWinValidator validator_;
    std::string objectDir_;
    bool systemMode_;
    int format_ = 1;
    int speicher_ = 0;
};

}  // namespace tarvex::ui
