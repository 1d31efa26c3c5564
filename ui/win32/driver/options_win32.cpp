#include "ui/win32/driver/options_win32.hpp"

#include "ui/forms/options_forms.hpp"
#include "ui/win32/driver/lpc_config_win32.hpp"

namespace tarvex::ui::win32 {

OptionsWin32::OptionsWin32(OptionsFormModel& model, platform::SettingsStore& store, HWND owner)
    : model_(model), store_(store), histories_(model.page(OptionsPage::Preferences), store) {
    // The histories are the fields' lists; the fields keep the options' values.
    histories_.load(forms::optionsPreferencesPage());
    forms::FormWindow window = formWindow(frame_, histories_);
    window.end = [this](bool ok) {
        if (ok) keepPosition(*frame_, model_);
        frame_->end(ok ? IDOK : IDCANCEL);
    };
    FormEvents events{model_.events(std::move(window), [this](int option, std::uint8_t& ucfg1, std::uint8_t& part) {
        return openLpcConfigWin32(option, ucfg1, part, frame_->handle(), store_);
    })};
    events.help = [this] { model_.help(); };
    frame_ = std::make_unique<Win32Form>(forms::optionsForm(), model_, events, owner);
    for (std::size_t i = 0; i < pages_.size(); ++i)
        pages_[i] = std::make_unique<Win32Form>(*forms::optionsPages()[i], model_.page(static_cast<OptionsPage>(i)),
                                                events, *frame_, forms::optionsForm().tabControl());
}

bool runOptionsDialogWin32(IOptionsTarget& target, platform::SettingsStore& store, HWND owner) {
    OptionsFormModel model(target, store);
    model.fill();
    OptionsWin32 view(model, store, owner);
    return runDialog(view.form(), model) == IDOK;
}

}  // namespace tarvex::ui::win32
