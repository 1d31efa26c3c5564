#pragma once
// The full break dialog's window.
#include "platform/settings.hpp"
#include "ui/model/break_form.hpp"
#include "ui/select_dialogs.hpp"

namespace tarvex::ui {

class BreakSettingsDialog final : public SelectDialogBase {
    Q_OBJECT
public:
    BreakSettingsDialog(BreakFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void refresh() override;

private:
    BreakFormModel& form_;
    HistoryCombo* counters_[4] = {};
};

}  // namespace tarvex::ui
