#pragma once
// The windowed checker's forms as data: what each renderer builds, bound by
// the controls' names to QzCheckMainModel and QzAboutModel.
#include "ui/forms/form_description.hpp"

namespace tarvex::checkwin {

const ui::forms::Form& mainFormLayout();
const ui::forms::Form& aboutFormLayout();

// The main form's menu commands.
enum MenuCommand : unsigned { MenuExit = 101, MenuContent = 102, MenuAbout = 103 };

}  // namespace tarvex::checkwin
