#pragma once
// The symbol browser's window, and the picker that opens it for the other
// dialogs' "?" buttons.
#include <functional>
#include <memory>

#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/model/symbol_browser.hpp"
#include "ui/model/symbol_picker.hpp"

class QHeaderView;
class QStandardItemModel;

namespace tarvex::ui {

class CaretListView;
class HistoryCombo;

class SymbolBrowserDialog final : public DialogBase {
    Q_OBJECT
public:
    SymbolBrowserDialog(SymbolBrowserModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);
    ~SymbolBrowserDialog() override;

    SymbolBrowserModel& browser() const { return browser_; }

private:
    class Rows;
    void refresh();
    void okClick();

    SymbolBrowserModel& browser_;
    std::unique_ptr<Rows> moduleRows_, symbolRows_;
    CaretListView* moduleBox_ = nullptr;
    CaretListView* symbolBox_ = nullptr;
    QHeaderView* header_ = nullptr;
    QStandardItemModel* headerModel_ = nullptr;
    HistoryCombo* name_ = nullptr;
    bool refreshing_ = false;
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
