#pragma once
// The LPC configuration dialog on Windows: its two pages over the one model,
// opened from the options dialog's "&Configure".
#include <array>
#include <cstdint>
#include <memory>

#include "ui/model/lpc_config.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class LpcConfigWin32 {
public:
    LpcConfigWin32(LpcConfigModel& model, HWND owner);
    Win32Form& form() { return *frame_; }

private:
    LpcConfigModel& model_;
    std::unique_ptr<Win32Form> frame_;
    std::array<std::unique_ptr<Win32Form>, 2> pages_;
};

// Opens the dialog modally over owner on the pending bytes when the chosen
// processor has the LPC option number; "Ok" writes both bytes back, every
// other way out leaves them. True when the bytes were taken.
bool openLpcConfigWin32(int optionNumber, std::uint8_t& ucfg1, std::uint8_t& partConfig, HWND owner,
                        platform::SettingsStore& store);

}  // namespace tarvex::ui::win32
