#pragma once
// The small forms every part of the driver shows: the error form, the
// notice window, and the progress forms of a load and of a save, as data.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

const Form& errorForm();
const Form& noticeForm();
// The notice with a Cancel while the trace is read.
const Form& readingTraceForm();
// LoadStatusModel.
const Form& loadStatusForm();
// SaveStatusModel.
const Form& saveStatusForm();
// StopErrorModel: the question after a stop the target did not obey.
const Form& stopErrorForm();

}  // namespace tarvex::ui::forms
