#pragma once
// What the tests of the Win32 forms look at: the form as the screen shows
// it, written as a PNG for a reviewer, and the controls whose frame or text
// does not fit.
#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// A PNG of 8-bit RGB pixels, rows top down (stored, not compressed: the
// pictures are small and the writer stays a page long).
std::string encodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

// Copies the form's window from the screen into TARVEX_UI_SHOTS/<name>.png
// once its messages are handled. False when the variable is unset or the
// copy fails.
bool saveShot(const Win32Form& form, const std::string& name);
// The same for a window that is no described form (the trace window).
bool saveShot(HWND window, const std::string& name);

// "<control>: <why>" for every visible control that sticks out of the form
// or of its group box, every caption that its control cuts, every label
// off the list row it stands beside and every report cell cut by its column.
std::vector<std::string> clippedControls(const Win32Form& form);

}  // namespace tarvex::ui::win32
