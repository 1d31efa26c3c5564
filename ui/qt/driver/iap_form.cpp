#include "ui/qt/driver/iap_form.hpp"

#include "ui/forms/maintenance_forms.hpp"

namespace tarvex::ui {

IapForm::IapForm(int form, TBasisEmulator& link, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model_, parent), model_(form, link, store),
      form_(*this, forms::iapForm(), model_, model_.events(dialogWindow(*this, form_)), store) {
    // One description, named after the form it shows (its picture too).
    setObjectName(QString::fromStdString(IapFormClass(form)));
    int width = 0, height = 0;
    if (model_.storedSize(width, height)) resize(width, height);
}

void IapForm::done(int result) {
    model_.saveGeometry({frameGeometry().left(), frameGeometry().top()}, width(), height());
    DialogBase::done(result);
}

}  // namespace tarvex::ui
