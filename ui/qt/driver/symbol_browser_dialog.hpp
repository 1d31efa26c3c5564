#pragma once
// The symbol browser's window, and the picker that opens it for the other
// dialogs' "?" buttons.
#include <functional>
#include <memory>

#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/symbol_browser.hpp"
#include "ui/model/symbol_picker.hpp"

class QHeaderView;

namespace tarvex::ui {

class CaretListView;

class SymbolBrowserDialog final : public DialogBase {
    Q_OBJECT
public:
    SymbolBrowserDialog(SymbolBrowserModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);
    ~SymbolBrowserDialog() override;

    SymbolBrowserModel& browser() const { return browser_; }
    // The list of entries, in the place the form leaves for it.
    CaretListView& entries() const { return *symbolBox_; }

private:
    class Rows;
    QtFormEvents events();
    QWidget* makeEntries(QWidget* parent);
    // The list of entries follows the model: count, column widths, the
    // selected row.
    void showEntries();

    SymbolBrowserModel& browser_;
    std::unique_ptr<Rows> symbolRows_;
    // Made by the form, in the place it leaves for them.
    CaretListView* symbolBox_ = nullptr;
    QHeaderView* header_ = nullptr;
    bool refreshing_ = false;
    QtForm form_;
};

// Opens the browser modally over the active window. The sources are asked
// at every pick: the tables of the session that is running then.
class QtSymbolPicker final : public SymbolPicker {
public:
    explicit QtSymbolPicker(std::function<SymbolBrowserSources()> sources,
                            platform::SettingsStore& store = platform::defaultSettings());
    std::optional<PickedSymbol> pick(const SymbolPickRequest& request) override;

private:
    std::function<SymbolBrowserSources()> sources_;
    platform::SettingsStore& store_;
};

}  // namespace tarvex::ui
