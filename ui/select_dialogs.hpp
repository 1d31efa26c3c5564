#pragma once
// The windows of the dialogs that edit an offline select table: the basic
// break dialog and the map dialog. Both save the event field's history on
// OK and on Cancel.
#include <vector>

#include "platform/settings.hpp"
#include "ui/base/dialog_base.hpp"
#include "ui/model/select_form.hpp"

class QGroupBox;
class QLabel;
class QLayout;
class QListWidget;
class QPushButton;
class QVBoxLayout;

namespace tarvex::ui {

class HistoryCombo;

// The part every select dialog's window shares: the bound model, the event
// combo and its history.
class SelectDialogBase : public DialogBase {
    Q_OBJECT
public:
    SelectDialogBase(SelectFormModel& model, const std::string& historySection, platform::SettingsStore& store,
                     QWidget* parent);
    ~SelectDialogBase() override;

protected:
    void done(int result) override;
    virtual void refresh();
    HistoryCombo* eventCombo() const { return event_; }
    // A button that runs a model action, then gives the event field the focus.
    QPushButton* button(const char* name, std::function<void()> action, bool focusEvent = false);
    QListWidget* list(const char* name, std::function<void(int)> clicked);
    // A label beside each of `rows` rows of `list` (null: an empty one),
    // each centred on its row: the list's rows get the labels' height and
    // the list shows exactly that many.
    QVBoxLayout* rowLabels(QListWidget* list, const std::vector<QLabel*>& labels);
    // A group box named `name` around `content`; the binder gives it its title.
    QGroupBox* group(const char* name, QLayout* content);
    // An empty label named `name`; the binder gives it its text.
    QLabel* label(const char* name);

    SelectFormModel& model_;
    bool refreshing_ = false;

private:
    HistoryCombo* event_ = nullptr;
};

class BasicBreakDialog final : public SelectDialogBase {
    Q_OBJECT
public:
    BasicBreakDialog(BasicBreakFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                     QWidget* parent = nullptr);
};

class MapDialog final : public SelectDialogBase {
    Q_OBJECT
public:
    MapDialog(MapFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
              QWidget* parent = nullptr);
};

}  // namespace tarvex::ui
