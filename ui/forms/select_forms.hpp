#pragma once
// The forms of the select dialogs as data: BasicBreakFormModel and
// MapFormModel.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Form& basicBreakForm();
const Form& mapForm();

}  // namespace tarvex::ui::forms
