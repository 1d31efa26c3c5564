#pragma once
// The forms the emulator shows while it starts, as data.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// The board generation question: GenerationChooserModel.
const Form& generationChooserForm();
// The maintenance (IAP) forms, one description for the three: IapFormModel,
// which hides what a form does not show. Named after the first form; the
// view names each after its own.
const Form& iapForm();

}  // namespace tarvex::ui::forms
