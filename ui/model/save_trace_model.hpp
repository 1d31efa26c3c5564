#pragma once
// The save-trace dialog: file name, start and end frame index and display
// format, turned into a save-trace command and filled from one.
#include <string>

#include "host/command_record.hpp"
#include "ui/model/dialog_model.hpp"

namespace tarvex::ui {

class SaveTraceModel final : public DialogModel {
public:
    static constexpr unsigned kHelpContext = 0;
    // Format codes of the radio items "&Cycle", "&Assembled", "&Mixed Mode",
    // "S&ource".
    static constexpr int kFormats[4] = {0, 1, 7, 2};

    // `objectDir` is where the file dialog starts.
    SaveTraceModel(platform::SettingsStore& store, std::string objectDir);

    // Typed user actions.
    void setFileName(std::string text);
    void setStart(std::string text);
    void setEnd(std::string text);
    void chooseFormat(int item);
    // "&Browse": a chosen file replaces the name.
    void clickBrowse();
    // "Save": false, with the reason shown in an error box, when the input
    // is refused (the dialog stays open).
    bool clickSave();
    // The form's events; whatever ends it, the fields keep what was typed.
    forms::FormEvents events(forms::FormWindow window);

    // The dialog's command and its fill from one.
    void writeCommand(TKommandoStruktur& command) const;
    void readCommand(const TKommandoStruktur& command);

    // "trace" → "trace.txt"; a name with an extension stays.
    static std::string withDefaultExtension(const std::string& name);

private:
    // The index of a start or end text; refuses with the message box.
    bool parseIndex(const std::string& text, const char* what, std::uint32_t& value) const;

    std::string objectDir_;
    std::uint32_t start_ = 0;
    std::uint32_t end_ = 0;
};

}  // namespace tarvex::ui
