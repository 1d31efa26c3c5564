#include "ui/qt/status_forms.hpp"

#include <QApplication>
#include <QScreen>
#include <QThread>

#include "ui/qt/dialog_base.hpp"
#include "ui/forms/status_forms.hpp"

namespace tarvex::ui {
namespace {

bool onGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// The progress forms' one button.
QtFormEvents cancelClick(std::function<void()> cancel) {
    QtFormEvents events;
    events.click = [cancel = std::move(cancel)](const std::string&) { cancel(); };
    return events;
}

}  // namespace

LoadStatusForm::LoadStatusForm(QWidget* parent)
    : QDialog(parent), form_(*this, forms::loadStatusForm(), model_, cancelClick([this] { model_.clickCancel(); })) {
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
}

void LoadStatusForm::open() {
    model_.setOpen(true);
    QDialog::show();
    QApplication::processEvents();
}

void LoadStatusForm::finish() {
    model_.setOpen(false);
    hide();
}

void LoadStatusForm::showModal() {
    model_.setOpen(true);
    hide();
    exec();
    model_.setOpen(false);
}

bool LoadStatusForm::cancelRequested() {
    if (onGuiThread()) QApplication::processEvents();
    return model_.cancelRequested();
}

SaveStatusForm::SaveStatusForm(QWidget* parent)
    : QDialog(parent), form_(*this, forms::saveStatusForm(), model_, model_.events()) {}

void SaveStatusForm::show() {
    model_.resetCancel();
    QDialog::show();
    raise();
    if (onGuiThread()) QApplication::processEvents();
}

bool SaveStatusForm::cancelRequested() {
    if (onGuiThread()) QApplication::processEvents();
    return model_.cancelRequested();
}

StopErrorForm::StopErrorForm(QWidget* parent)
    : QDialog(parent), form_(*this, forms::stopErrorForm(), model_, model_.events([this] { hide(); })) {
    setWindowFlag(Qt::WindowStaysOnTopHint);
}

void StopErrorForm::show() {
    // The flags first: the thread that showed the form sees it at once.
    model_.show();
    if (onGuiThread())
        showNow();
    else
        QMetaObject::invokeMethod(this, [this] { showNow(); }, Qt::QueuedConnection);
}

void StopErrorForm::showNow() {
    if (!model_.visible()) return;
    if (const auto* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::show();
    raise();
}

bool StopErrorForm::answeredYes() const {
    if (onGuiThread()) QApplication::processEvents();
    return model_.answeredYes();
}

void StopErrorForm::close() {
    model_.close();
    if (onGuiThread())
        closeNow();
    else
        QMetaObject::invokeMethod(this, [this] { closeNow(); }, Qt::QueuedConnection);
}

void StopErrorForm::closeNow() {
    if (!model_.visible()) hide();
}

}  // namespace tarvex::ui
