#pragma once
// The forms of the select dialogs as data: BasicBreakFormModel,
// MapFormModel, BreakFormModel and TraceSettingsFormModel.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Form& basicBreakForm();
const Form& mapForm();
const Form& breakForm();
const Form& traceSettingsForm();

}  // namespace tarvex::ui::forms
