#pragma once
// The options dialog's window: its described frame and six pages over
// OptionsFormModel, which routes their events (the checks when a field is
// left, a page change refused while the input is invalid, the apply on OK).
#include <optional>
#include <string>
#include <vector>

#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/options_form.hpp"

class QTabWidget;

namespace tarvex::ui {

class OptionsDialog final : public DialogBase {
    Q_OBJECT
public:
    OptionsDialog(OptionsFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                  QWidget* parent = nullptr);

    OptionsFormModel& form() const { return model_; }
    QTabWidget* pages() const;
    // The result of the apply after OK.
    const std::optional<ApplyResult>& applied() const { return model_.applied(); }

private:
    forms::FormEvents events();
    // The fields whose input is refused while it is typed are marked.
    void markRefused();

    OptionsFormModel& model_;
    platform::SettingsStore& store_;
    std::vector<std::string> marked_;
    // The frame's and every page's events: one routing.
    forms::FormEvents events_;
    QtForm form_;
};

// Opens the dialog modally on the target; true for OK.
bool RunOptionsDialog(IOptionsTarget& target, platform::SettingsStore& store = platform::defaultSettings(),
                      QWidget* owner = nullptr);

}  // namespace tarvex::ui
