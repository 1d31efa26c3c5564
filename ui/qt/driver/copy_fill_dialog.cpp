#include "ui/qt/driver/copy_fill_dialog.hpp"

#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui {

CopyFillDialog::CopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::copyFillForm(), model, model.events(dialogWindow(*this, form_)), store) {}

}  // namespace tarvex::ui
