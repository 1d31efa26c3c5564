#pragma once
// The four standard message boxes and the error form.
#include <string>

#include "platform/ui.hpp"

namespace tarvex {

int ConfirmBox(const std::string& text, unsigned flags);
int ErrorBox(const std::string& text, unsigned flags);
int InformationBox(const std::string& text, unsigned flags);
int WarningBox(const std::string& text, unsigned flags);
// The warning sound of a refused input, on the current user interface.
void Beep();

// Asks whether to change the configuration after an emulator error.
// Returns 4 (Retry), 6 (Yes) or 2 (anything else).
int EmulErrorDialog(const std::string& message, const std::string& firstLine);

}  // namespace tarvex
