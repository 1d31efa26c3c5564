#pragma once
// The save memory dialog's window.
#include "platform/settings.hpp"
#include "ui/base/dialog_base.hpp"
#include "ui/model/save_memory_form.hpp"

namespace tarvex::ui {

class HistoryCombo;

class SaveMemoryDialog final : public DialogBase {
    Q_OBJECT
public:
    SaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                     QWidget* parent = nullptr);
    ~SaveMemoryDialog() override;

    SaveMemoryFormModel& form() const { return form_; }

private:
    void refresh();
    void okClick();

    SaveMemoryFormModel& form_;
    HistoryCombo* combos_[3] = {};
    bool refreshing_ = false;
};

}  // namespace tarvex::ui
