#include "ui/win32/driver/maintenance_win32.hpp"

#include "ui/forms/maintenance_forms.hpp"

namespace tarvex::ui::win32 {

GenerationChooserWin32::GenerationChooserWin32(GenerationChooserModel& model, HWND owner) : model_(model) {
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name != "OkButton") return;
        if (model_.mayClose()) {
            form_->end(IDOK);
        } else {
            focusGroup();
        }
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "TarvexGroup") model_.choose(index);
    };
    events.closing = [this] {
        if (model_.mayClose()) return true;
        focusGroup();
        return false;
    };
    form_ = std::make_unique<Win32Form>(forms::generationChooserForm(), model_, std::move(events), owner);
}

void GenerationChooserWin32::focusGroup() {
    const int chosen = model_.chosen();
    if (HWND item = form_->item("TarvexGroup", chosen >= 0 ? chosen : 0)) SetFocus(item);
}

std::uint8_t Win32MaintenanceForms::ChooseGeneration() {
    GenerationChooserModel model;
    GenerationChooserWin32 chooser(model, owner_ ? owner_() : nullptr);
    // Centred over its owner; the focus starts in the group.
    chooser.form().centre();
    chooser.form().runModal();
    const int chosen = model.chosen();
    return static_cast<std::uint8_t>(chosen >= 0 && chosen <= 2 ? chosen : 1);
}

}  // namespace tarvex::ui::win32
