#pragma once
// The symbol browser, as data.
#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// SymbolBrowserModel. The name field's history is the mode's
// (SymbolBrowserModel::NameHistorySection).
const Form& symbolBrowserForm();
// The place of the entries: a list of many rows that its view makes.
inline constexpr const char* kSymbolEntries = "SymbolBox";

}  // namespace tarvex::ui::forms
