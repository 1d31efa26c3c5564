#include "ui/qt/driver/generation_chooser.hpp"

#include <QApplication>
#include <QButtonGroup>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QVBoxLayout>

#include "ui/qt/dialog_base.hpp"
#include "core/errors.hpp"
#include "ui/qt/qt_runtime.hpp"
#include "ui/qt/driver/iap_form.hpp"

namespace tarvex::ui {

GenerationChooser::GenerationChooser(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormTarvex");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    group_ = new QGroupBox(this);
    group_->setObjectName("TarvexGroup");
    group_->setFocusPolicy(Qt::StrongFocus);
    auto* items = new QVBoxLayout(group_);
    buttons_ = new QButtonGroup(this);
    const auto& state = model_.control("TarvexGroup");
    for (std::size_t i = 0; i < state.items.size(); ++i) {
        auto* b = new QRadioButton(QString::fromStdString(state.items[i]), group_);
        b->setObjectName(QString::fromStdString(state.items[i]));
        buttons_->addButton(b, static_cast<int>(i));
        items->addWidget(b);
    }
    connect(buttons_, &QButtonGroup::idClicked, this, [this](int id) { model_.choose(id); });
    layout->addWidget(group_);
    auto* ok = new QPushButton(this);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
    model_.onChanged([this] { refresh(); });
    refresh();
}

void GenerationChooser::refresh() {
    bindControls(*this, model_);
    // With no item chosen no button may stay checked.
    buttons_->setExclusive(false);
    for (auto* b : buttons_->buttons()) b->setChecked(buttons_->id(b) == model_.chosen());
    buttons_->setExclusive(true);
}

void GenerationChooser::done(int result) {
    if (!model_.mayClose()) {
        group_->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::done(result);
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
    // The group is active at opening.
    group_->setFocus(Qt::OtherFocusReason);
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
