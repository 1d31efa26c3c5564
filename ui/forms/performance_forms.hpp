#pragma once
// The forms of the performance measurement as data: PerfDefineModel and
// PerfAnalyseModel.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Form& performanceDefineForm();
const Form& performanceAnalyseForm();

}  // namespace tarvex::ui::forms
