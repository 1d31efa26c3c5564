#include "ui/status_forms.hpp"

#include <QApplication>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>

#include "ui/base/dialog_base.hpp"

namespace tarvex::ui {
namespace {

QLabel* label(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    return l;
}

bool onGuiThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

}  // namespace

LoadStatusForm::LoadStatusForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormLadeStatus");
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    resize(400, 313);
    auto* layout = new QVBoxLayout(this);
    auto* top = new QWidget(this);
    top->setFixedHeight(137);
    auto* pairs = new QFormLayout(top);
    pairs->setHorizontalSpacing(10);
    const char* const rows[][2] = {{"DateiLabel", "Dateiname"},     {"CodeBytes", "CodeAnzahl"},
                                   {"ZeilenLabel", "ZeilenAnzahl"}, {"SymboleLabel", "SymbolAnzahl"},
                                   {"PellunarLabel", "PellunarAnzahl"}, {"StatusLabel", "Warnung"}};
    for (const auto& r : rows) {
        auto* caption = label(top, r[0]);
        caption->setMinimumWidth(50);
        pairs->addRow(caption, label(top, r[1]));
    }
    layout->addWidget(top);
    auto* list = new QListWidget(this);
    list->setObjectName("MessageBox");
    layout->addWidget(list, 1);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName("AbbruchButton");
    cancel->setDefault(true);
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { model_.clickCancel(); });
    model_.onChanged([this] { bindControls(*this, model_); });
    bindControls(*this, model_);
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

SaveStatusForm::SaveStatusForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormSaveStatus");
    resize(427, 200);
    auto* layout = new QVBoxLayout(this);
    auto* save = new QGroupBox(this);
    save->setObjectName("SpeichernGroup");
    auto* savePairs = new QFormLayout(save);
    const char* const rows[][2] = {
        {"DateiLabel", "Dateiname"}, {"SpeicherLabel", "Speichertyp"}, {"BereichLabel", "AdressBereich"}};
    for (const auto& r : rows) {
        auto* value = label(save, r[1]);
        value->setMinimumWidth(353);
        savePairs->addRow(label(save, r[0]), value);
    }
    layout->addWidget(save);
    auto* status = new QGroupBox(this);
    status->setObjectName("StatusGroup");
    auto* statusPairs = new QFormLayout(status);
    statusPairs->addRow(label(status, "GesichertLabel"), label(status, "Status"));
    layout->addWidget(status);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName("CancelButton");
    layout->addWidget(cancel, 0, Qt::AlignHCenter);
    connect(cancel, &QPushButton::clicked, this, [this] { model_.clickCancel(); });
    model_.onChanged([this] {
        bindControls(*this, model_);
        findChild<QGroupBox*>("SpeichernGroup")->setTitle(QString::fromStdString(model_.control("SpeichernGroup").text));
        findChild<QGroupBox*>("StatusGroup")->setTitle(QString::fromStdString(model_.control("StatusGroup").text));
    });
    model_.setCaption(model_.caption());
}

void SaveStatusForm::setLabel(const std::string& control, const std::string& text) {
    static const std::pair<const char*, const char*> names[] = {
        {"GroupBox1", "SpeichernGroup"}, {"Label1", "DateiLabel"},     {"Label2", "SpeicherLabel"},
        {"Label3", "BereichLabel"},      {"Label4", "GesichertLabel"}, {"CancelButton", "CancelButton"}};
    for (const auto& [theirs, ours] : names)
        if (control == theirs) model_.setText(ours, text);
}

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

StopErrorForm::StopErrorForm(QWidget* parent) : QDialog(parent) {
    setObjectName("TFormStopError");
    setWindowFlag(Qt::WindowStaysOnTopHint);
    resize(195, 132);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label(this, "Label1"), 0, Qt::AlignHCenter);
    layout->addWidget(label(this, "Label2"), 0, Qt::AlignHCenter);
    auto* yes = new QPushButton(this);
    yes->setObjectName("OkBtn");
    yes->setDefault(true);
    layout->addWidget(yes, 0, Qt::AlignHCenter);
    connect(yes, &QPushButton::clicked, this, [this] {
        model_.clickYes();
        hide();
    });
    bindControls(*this, model_);
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
