#pragma once
// The symbol browser, as data.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// SymbolBrowserModel; "SymbolBox" is the view's own list of many rows.
const Form& symbolBrowserForm();

}  // namespace tarvex::ui::forms
