#pragma once
// What every driver dialog on Windows shares: it opens where it was last
// closed (when that is on a screen, else centred over its owner), keeps that
// place when it closes, and is modal to its owner.
#include "ui/model/dialog_model.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// The IDE's window as the owner of a form: a window that can own one, else
// none (a message-only window, as a test host has, owns nothing).
HWND ownerOf(std::uintptr_t hostWindow);

// Places the form, runs it modally and keeps its place; answers the result
// the form ended with (IDOK for OK).
int runDialog(Win32Form& form, const DialogModel& model);
// Places it without running it (a test drives it).
void placeDialog(Win32Form& form, const DialogModel& model);
void keepPosition(const Win32Form& form, const DialogModel& model);

}  // namespace tarvex::ui::win32
