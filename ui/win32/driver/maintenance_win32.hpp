#pragma once
// The emulator's forms at its start on Windows: the maintenance (IAP) forms
// and the generation chooser.
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>

#include "emulator/link/basis_emulator.hpp"
#include "emulator/target_parts.hpp"
#include "platform/settings.hpp"
#include "ui/model/generation_chooser.hpp"
#include "ui/model/iap_form.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

// The chooser over its model: every way of closing (Ok, Escape, the close
// box) is refused until a generation is chosen.
class GenerationChooserWin32 {
public:
    GenerationChooserWin32(GenerationChooserModel& model, HWND owner);
    Win32Form& form() { return *form_; }

private:
    GenerationChooserModel& model_;
    std::unique_ptr<Win32Form> form_;
};

// One of the three maintenance forms over its model (the model says which),
// with the history of its file field. "&Emulator starten", the close box
// and Escape close it; so does a chip erase.
class IapFormWin32 {
public:
    IapFormWin32(int form, TBasisEmulator& link, platform::SettingsStore& store, HWND owner);
    IapFormModel& model() { return model_; }
    Win32Form& form() { return *form_; }
    // A link error of a handler: the form ends and its opener raises it.
    std::exception_ptr failure() const { return model_.failure(); }
    // Where the form is, and its size, kept under its section.
    void keepGeometry() const;

private:
    IapFormModel model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

class Win32MaintenanceForms final : public IMaintenanceForms {
public:
    // The owner is asked at each showing: the IDE's window of the moment.
    // Without a link the maintenance forms are not shown.
    explicit Win32MaintenanceForms(std::function<HWND()> owner, TBasisEmulator* link = nullptr,
                                   platform::SettingsStore& store = platform::defaultSettings())
        : owner_(std::move(owner)), link_(link), store_(store) {}
    // Modal. A link error of the form is raised here, after the form closed;
    // after a chip erase ETarvexAbort ends the start, which no restart can mend.
    void ShowIapForm(int form) override;
    std::uint8_t ChooseGeneration() override;

private:
    std::function<HWND()> owner_;
    TBasisEmulator* link_;
    platform::SettingsStore& store_;
};

}  // namespace tarvex::ui::win32
