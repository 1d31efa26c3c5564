#pragma once
// The options dialog and the LPC configuration dialog as data: each frame
// (its tab control, panel and buttons) and each of its pages, one form per
// page, bound by name to the page's model.
#include <array>

#include "ui/forms/form_description.hpp"

namespace tarvex::ui::forms {

// The options dialog's frame; its pages go on "PageControl".
const Form& optionsForm();
const Form& optionsPreferencesPage();
const Form& optionsInterfacePage();
const Form& optionsProcessorPage();
const Form& optionsHardwarePage();
const Form& optionsBankingPage();
const Form& optionsWatchdogPage();
// The six pages in the order of their tabs.
const std::array<const Form*, 6>& optionsPages();

const Form& lpcConfigForm();
const Form& lpcUcfg1Page();
const Form& lpcPartConfigPage();

}  // namespace tarvex::ui::forms
