#pragma once
// The forms of the trace window's dialogs as data, bound by the controls'
// names to their models in ui/model/.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// "Save..." of the trace menu: SaveTraceModel.
const Form& saveTraceForm();
// "Show columns": TraceColumnsModel.
const Form& traceColumnsForm();
// "Go to...": GotoModel. Designed with its bank group; the view takes the
// group's height off while the group is hidden.
const Form& gotoForm();
constexpr int kGotoBankGroupHeight = 66;
// "Search..." and "Time Filter...": FramePatternModel. Designed with the
// bottom panel (direction and start); the view takes its height off while
// the time filter hides it.
const Form& frameSearchForm();
constexpr int kFrameBottomPanelHeight = 66;

}  // namespace tarvex::ui::forms
