#pragma once
// The copy, EPROM copy and initialize dialog's window.
#include "platform/settings.hpp"
#include "ui/base/dialog_base.hpp"
#include "ui/model/copy_fill_form.hpp"

namespace tarvex::ui {

class HistoryCombo;

class CopyFillDialog final : public DialogBase {
    Q_OBJECT
public:
    CopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                   QWidget* parent = nullptr);
    ~CopyFillDialog() override;

    CopyFillFormModel& form() const { return form_; }

private:
    void refresh();
    void okClick();

    CopyFillFormModel& form_;
    HistoryCombo* combos_[3] = {};
    std::string thirdSection_;
    bool refreshing_ = false;
};

}  // namespace tarvex::ui
