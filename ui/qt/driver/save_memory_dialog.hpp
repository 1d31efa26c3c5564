#pragma once
// The save memory dialog's window.
#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/save_memory_form.hpp"

namespace tarvex::ui {

class SaveMemoryDialog final : public DialogBase {
    Q_OBJECT
public:
    SaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                     QWidget* parent = nullptr);

    SaveMemoryFormModel& form() const { return model_; }

private:
    SaveMemoryFormModel& model_;
    QtForm form_;
};

}  // namespace tarvex::ui
