#pragma once
// The forms the emulator shows while it starts, as data.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// The board generation question: GenerationChooserModel.
const Form& generationChooserForm();

}  // namespace tarvex::ui::forms
