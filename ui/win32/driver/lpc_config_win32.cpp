#include "ui/win32/driver/lpc_config_win32.hpp"

#include "ui/forms/options_forms.hpp"
#include "ui/win32/driver/dialog_runner.hpp"

namespace tarvex::ui::win32 {

LpcConfigWin32::LpcConfigWin32(LpcConfigModel& model, HWND owner) : model_(model) {
    const auto events = model_.events({[this](bool ok) { frame_->end(ok ? IDOK : IDCANCEL); }, {}, {}, {}});
    frame_ = std::make_unique<Win32Form>(forms::lpcConfigForm(), model_, events, owner);
    const forms::Form* pages[] = {&forms::lpcUcfg1Page(), &forms::lpcPartConfigPage()};
    for (std::size_t i = 0; i < pages_.size(); ++i)
        pages_[i] = std::make_unique<Win32Form>(*pages[i], model_, events, *frame_, "PageControl");
}

bool openLpcConfigWin32(int optionNumber, std::uint8_t& ucfg1, std::uint8_t& partConfig, HWND owner,
                        platform::SettingsStore& store) {
    if (optionNumber != kLpcOptionNumber) return false;
    LpcConfigModel model(store);
    model.LoadUcfg1(ucfg1);
    model.LoadPartConfig(partConfig);
    {
        LpcConfigWin32 view(model, owner);
        view.form().centre();
        if (view.form().runModal() != IDOK) return false;
    }
    ucfg1 = model.BuildUcfg1();
    partConfig = model.BuildPartConfig();
    return true;
}

}  // namespace tarvex::ui::win32
