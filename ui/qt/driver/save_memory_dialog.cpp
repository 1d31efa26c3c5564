#include "ui/qt/driver/save_memory_dialog.hpp"

#include "ui/forms/memory_forms.hpp"

namespace tarvex::ui {

SaveMemoryDialog::SaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::saveMemoryForm(), model, model.events(dialogWindow(*this, form_)), store) {}

}  // namespace tarvex::ui
