#pragma once
// What every driver dialog on Windows shares: it opens where it was last
// closed (when that is on a screen, else centred over its owner), keeps that
// place when it closes, and is modal to its owner.
#include <map>
#include <memory>
#include <string>

#include "core/history_list.hpp"
#include "ui/model/dialog_model.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// The IDE's window as the owner of a form: a window that can own one, else
// none (a message-only window, as a test host has, owns nothing).
HWND ownerOf(std::uintptr_t hostWindow);

// Places the form, runs it modally and keeps its place; answers the result
// the form ended with (IDOK for OK).
int runDialog(Win32Form& form, const DialogModel& model);
// Places it without running it (a test drives it).
void placeDialog(Win32Form& form, const DialogModel& model);
void keepPosition(const Win32Form& form, const DialogModel& model);

// The histories of a dialog's combo fields, kept by the view as the history
// combo boxes of the Qt views keep theirs: loaded into the model's items,
// the newest as the field's text; at OK each shown field's text goes to the
// front of its history.
class FieldHistories {
public:
    FieldHistories(FormModel& model, platform::SettingsStore& store) : model_(model), store_(store) {}
    void load(const std::string& field, const std::string& section);
    // Every field the description gives a history section.
    void load(const forms::Form& description);
    // load(), unless the field already shows that section.
    void follow(const std::string& field, const std::string& section);
    // Only the drop-down: the field keeps the model's text (a value in
    // force); `kept`: its text joins the history at keep().
    void loadItems(const std::string& field, const std::string& section, bool kept = true);
    // The text goes to the front of the field's history now.
    void add(const std::string& field, const std::string& text);
    const std::string& section(const std::string& field) { return fields_[field].section; }
    void keep();

private:
    struct Field {
        std::string section;
        THistoryList history;
        bool kept = true;
    };
    FormModel& model_;
    platform::SettingsStore& store_;
    std::map<std::string, Field> fields_;
};

// The form's window as its routing sees it: the form (made later, so by
// its holder) ends with IDOK or IDCANCEL; with its fields' histories.
forms::FormWindow formWindow(const std::unique_ptr<Win32Form>& form);
forms::FormWindow formWindow(const std::unique_ptr<Win32Form>& form, FieldHistories& histories);

}  // namespace tarvex::ui::win32
