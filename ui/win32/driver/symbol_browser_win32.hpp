#pragma once
// The symbol browser on Windows: the described form over its model, its
// entries in the system's list view (rows drawn from the model as they are
// shown), the history of its name field; and the picker that opens it for
// every "?" button of the other dialogs.
#include <functional>
#include <memory>
#include <string>

#include "platform/settings.hpp"
#include "ui/model/symbol_browser.hpp"
#include "ui/model/symbol_picker.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class SymbolBrowserWin32 {
public:
    SymbolBrowserWin32(SymbolBrowserModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }
    // The list of entries.
    HWND list() const { return list_; }

private:
    HWND makeList(HWND parent, int id);
    bool onMessage(UINT message, LPARAM lParam, LRESULT& result);
    // The list follows the model: count, column widths, the selected row.
    void showEntries();

    SymbolBrowserModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
    HWND list_ = nullptr;
    bool refreshing_ = false;
    // The text of the cell the list asked for last; the list reads it after
    // the answer.
    std::string cell_;
};

// Opens the browser modally over the active window (a dialog whose "?"
// button was pressed), else over the owner. The sources are asked at every
// pick: the tables of the session that is running then.
class Win32SymbolPicker final : public SymbolPicker {
public:
    Win32SymbolPicker(std::function<SymbolBrowserSources()> sources, std::function<HWND()> owner,
                      platform::SettingsStore& store = platform::defaultSettings());
    std::optional<PickedSymbol> pick(const SymbolPickRequest& request) override;

private:
    std::function<SymbolBrowserSources()> sources_;
    std::function<HWND()> owner_;
    platform::SettingsStore& store_;
};

}  // namespace tarvex::ui::win32
