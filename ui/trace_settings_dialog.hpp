#pragma once
// The trace settings dialog's window.
#include "platform/settings.hpp"
#include "ui/model/trace_settings_form.hpp"
#include "ui/select_dialogs.hpp"

namespace tarvex::ui {

class TraceSettingsDialog final : public SelectDialogBase {
    Q_OBJECT
public:
    TraceSettingsDialog(TraceSettingsFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TraceSettingsFormModel& form_;
};

}  // namespace tarvex::ui
