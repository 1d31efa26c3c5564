#include "ui/qt/driver/generation_chooser.hpp"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>

#include "core/errors.hpp"
#include "ui/forms/maintenance_forms.hpp"
#include "ui/qt/driver/iap_form.hpp"
#include "ui/qt/qt_runtime.hpp"
#include "ui/qt/radio_group.hpp"

namespace tarvex::ui {

GenerationChooser::GenerationChooser(QWidget* parent)
    : QDialog(parent),
      form_(*this, forms::generationChooserForm(), model_, model_.events(dialogWindow(*this, form_))) {
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // The choice itself takes the focus, not one of its items: none is
    // chosen yet.
    findChild<RadioGroup*>()->setFocusPolicy(Qt::StrongFocus);
}

void GenerationChooser::showEvent(QShowEvent* event) {
    // Centred on its owner, or on the screen when it has none.
    QRect area;
    if (parentWidget()) {
        area = parentWidget()->window()->frameGeometry();
    } else if (const auto* screen = QGuiApplication::primaryScreen()) {
        area = screen->availableGeometry();
    }
    if (area.isValid()) move(area.center() - rect().center());
    QDialog::showEvent(event);
    // The choice is active at opening.
    findChild<RadioGroup*>()->setFocus(Qt::OtherFocusReason);
}

void QtMaintenanceForms::ShowIapForm(int form) {
    if (!link_) return;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) && !QtRuntime::ensure()) return;
    std::exception_ptr failure;
    bool erased = false;
    {
        IapForm dialog(form, *link_, store_);
        dialog.setWindowModality(Qt::ApplicationModal);
        dialog.exec();
        failure = dialog.failure();
        erased = dialog.iapModel().chipErased();
    }
    if (failure) std::rethrow_exception(failure);
    if (erased) throw ETarvexAbort(kFlashErasedText);
}

std::uint8_t QtMaintenanceForms::ChooseGeneration() {
    // The runtime is started once by the host; only without any application
    // does the chooser try to make one.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()) && !QtRuntime::ensure()) return 1;
    GenerationChooser chooser;
    chooser.setWindowModality(Qt::ApplicationModal);
    chooser.exec();
    const int chosen = chooser.model().chosen();
    return static_cast<std::uint8_t>(chosen >= 0 && chosen <= 2 ? chosen : 1);
}

}  // namespace tarvex::ui
