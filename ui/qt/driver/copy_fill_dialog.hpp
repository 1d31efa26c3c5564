#pragma once
// The copy, EPROM copy and initialize dialog's window.
#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/copy_fill_form.hpp"

namespace tarvex::ui {

class CopyFillDialog final : public DialogBase {
    Q_OBJECT
public:
    CopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                   QWidget* parent = nullptr);

    CopyFillFormModel& form() const { return model_; }

private:
    CopyFillFormModel& model_;
    QtForm form_;
};

}  // namespace tarvex::ui
