#pragma once
// The emulator's forms at its start on Windows: the generation chooser.
// The maintenance (IAP) forms have no Win32 form yet: the start goes on
// without them, as it does where no forms are installed.
#include <cstdint>
#include <functional>
#include <memory>

#include "emulator/target_parts.hpp"
#include "ui/model/generation_chooser.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// The chooser over its model: every way of closing (Ok, Escape, the close
// box) is refused until a generation is chosen.
class GenerationChooserWin32 {
public:
    GenerationChooserWin32(GenerationChooserModel& model, HWND owner);
    Win32Form& form() { return *form_; }

private:
    void focusGroup();

    GenerationChooserModel& model_;
    std::unique_ptr<Win32Form> form_;
};

class Win32MaintenanceForms final : public IMaintenanceForms {
public:
    // The owner is asked at each showing: the IDE's window of the moment.
    explicit Win32MaintenanceForms(std::function<HWND()> owner) : owner_(std::move(owner)) {}
    void ShowIapForm(int) override {}
    std::uint8_t ChooseGeneration() override;

private:
    std::function<HWND()> owner_;
};

}  // namespace tarvex::ui::win32
