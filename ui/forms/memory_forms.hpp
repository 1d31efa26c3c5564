#pragma once
// The forms of the driver's memory dialogs as data, bound by the controls'
// names to their models in ui/model/.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// "Copy...", "Initialize..." and the EPROM copy: CopyFillFormModel.
const Form& copyFillForm();
// "Save...": SaveMemoryFormModel.
const Form& saveMemoryForm();

}  // namespace tarvex::ui::forms
