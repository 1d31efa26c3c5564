#include "ui/win32/driver/maintenance_win32.hpp"

#include "core/errors.hpp"
#include "ui/forms/maintenance_forms.hpp"

namespace tarvex::ui::win32 {

GenerationChooserWin32::GenerationChooserWin32(GenerationChooserModel& model, HWND owner) : model_(model) {
    form_ = std::make_unique<Win32Form>(forms::generationChooserForm(), model_, model_.events(formWindow(form_)),
                                        owner);
}

namespace {

// The one description, named after the form it shows (its picture too).
forms::Form iapDescription(int form) {
    forms::Form description = forms::iapForm();
    description.name = IapFormClass(form);
    return description;
}

}  // namespace

IapFormWin32::IapFormWin32(int form, TBasisEmulator& link, platform::SettingsStore& store, HWND owner)
    : model_(form, link, store), histories_(model_, store) {
    const forms::Form description = iapDescription(form);
    histories_.load(description);
    FormEvents events{model_.events(formWindow(form_, histories_))};
    form_ = std::make_unique<Win32Form>(description, model_, std::move(events), owner);
}

void IapFormWin32::keepGeometry() const {
    RECT frame, client;
    if (GetWindowRect(form_->handle(), &frame) && GetClientRect(form_->handle(), &client))
        model_.saveGeometry({frame.left, frame.top}, client.right, client.bottom);
}

void Win32MaintenanceForms::ShowIapForm(int form) {
    if (!link_) return;
    std::exception_ptr failure;
    bool erased = false;
    {
        IapFormWin32 view(form, *link_, store_, owner_ ? owner_() : nullptr);
        placeDialog(view.form(), view.model());
        view.form().runModal();
        view.keepGeometry();
        failure = view.failure();
        erased = view.model().chipErased();
    }
    if (failure) std::rethrow_exception(failure);
    if (erased) throw ETarvexAbort(kFlashErasedText);
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
