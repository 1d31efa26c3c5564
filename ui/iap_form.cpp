#include "ui/iap_form.hpp"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"

namespace tarvex::ui {
namespace {

QLabel* label(QWidget* parent, const char* name, const QString& text = {}) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(name);
    return l;
}

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    return b;
}

}  // namespace

IapForm::IapForm(int form, TBasisEmulator& link, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model_, parent), model_(form, link, store), store_(store) {
    setObjectName(IapFormClass(form));
    auto* layout = new QVBoxLayout(this);

    auto* call = new QGroupBox(this);
    call->setObjectName("CallGroup");
    auto* grid = new QGridLayout(call);
    const struct {
        const char* name;
        const char* caption;
    } kFields[] = {{"EditR0", "R0:"}, {"EditR1", "R1:"}, {"EditDptr", "DPTR:"}, {"EditAcc", "A:"}};
    int column = 0;
    for (const auto& f : kFields) {
        auto* edit = new QLineEdit(QString::fromStdString(model_.control(f.name).text), call);
        edit->setObjectName(f.name);
        edit->setMaximumWidth(60);
        const std::string name = f.name;
        connect(edit, &QLineEdit::textEdited, this,
                [this, name](const QString& text) { model_.setFieldText(name, text.toStdString()); });
        auto* caption = label(call, nullptr, f.caption);
        caption->setBuddy(edit);
        grid->addWidget(caption, 0, column);
        grid->addWidget(edit, 1, column++);
    }
    grid->addWidget(label(call, nullptr, "Return:"), 0, column);
    grid->addWidget(label(call, "LabelReturn"), 1, column++);
    auto* send = button(call, "SendCall");
    grid->addWidget(send, 1, column);
    layout->addWidget(call);

    auto* update = new QGroupBox(this);
    update->setObjectName("UpdateGroup");
    auto* updateLayout = new QGridLayout(update);
    auto* fileLabel = label(update, nullptr, "Dateiname:");
    auto* file = new HistoryCombo(update, store_);
    file->setObjectName("Dateiname");
    file->setRegistryPath(kDriverKey);
    file->setIniSection("IAPDateiname");
    file->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    fileLabel->setBuddy(file);
    model_.setFieldText("Dateiname", file->text());
    connect(file, &QComboBox::editTextChanged, this,
            [this](const QString& text) { model_.setFieldText("Dateiname", text.toStdString()); });
    auto* search = button(update, "Suchen");
    auto* sendBlock = button(update, "SendBlock");
    updateLayout->addWidget(fileLabel, 0, 0);
    updateLayout->addWidget(file, 0, 1);
    updateLayout->addWidget(search, 0, 2);
    updateLayout->addWidget(sendBlock, 0, 3);
    updateLayout->addWidget(label(update, "LabelMeldung"), 1, 0, 1, 4);
    updateLayout->addWidget(label(update, "LabelVersion"), 2, 0, 1, 4);
    updateLayout->addWidget(label(update, "LabelHWKennungCaption"), 3, 0, 1, 2);
    updateLayout->addWidget(label(update, "LabelHWKennung"), 3, 2, 1, 2);
    updateLayout->addWidget(label(update, "LabelSerieCaption"), 4, 0, 1, 2);
    updateLayout->addWidget(label(update, "LabelSerie"), 4, 2, 1, 2);
    layout->addWidget(update);

    auto* bottom = new QHBoxLayout;
    auto* end = new QGroupBox(this);
    end->setObjectName("EndGroup");
    auto* endLayout = new QVBoxLayout(end);
    auto* start = new QPushButton(end);
    start->setObjectName("Start");
    start->setDefault(true);
    endLayout->addWidget(start);
    bottom->addWidget(end);
    auto* erase = new QGroupBox(this);
    erase->setObjectName("EraseGroup");
    auto* eraseLayout = new QVBoxLayout(erase);
    eraseLayout->addWidget(label(erase, "EraseNote1"));
    eraseLayout->addWidget(label(erase, "EraseNote2"));
    auto* eraseAll = button(erase, "EraseAll");
    eraseLayout->addWidget(eraseAll);
    bottom->addWidget(erase);
    layout->addLayout(bottom);

    connect(send, &QPushButton::clicked, this, [this] { run(&IapForm::sendCall); });
    connect(search, &QPushButton::clicked, this, [this, file] {
        if (model_.browse()) file->setText(model_.control("Dateiname").text);
    });
    connect(sendBlock, &QPushButton::clicked, this, [this, file] {
        file->AddHistory();
        run(nullptr);
    });
    connect(eraseAll, &QPushButton::clicked, this, [this] {
        try {
            model_.eraseAll();
        } catch (...) {
            failure_ = std::current_exception();
            reject();
        }
    });
    connect(start, &QPushButton::clicked, this, [this] { model_.start(); });
    model_.onChanged([this] { refresh(); });
    refresh();
    int width = 0, height = 0;
    if (model_.storedSize(width, height)) resize(width, height);
}

void IapForm::refresh() {
    for (auto* box : findChildren<QGroupBox*>())
        box->setTitle(QString::fromStdString(model_.control(box->objectName().toStdString()).text));
    bindControls(*this, model_);
    if (model_.closeRequested() && isVisible()) accept();
}

void IapForm::sendCall() {
    if (!model_.sendCall())
        if (auto* field = findChild<QLineEdit*>(QString::fromStdString(model_.invalidField()))) field->setFocus();
}

void IapForm::run(void (IapForm::*action)()) {
    try {
        if (action) {
            (this->*action)();
        } else {
            model_.update();
        }
    } catch (...) {
        failure_ = std::current_exception();
        reject();
    }
}

void IapForm::done(int result) {
    model_.saveGeometry({frameGeometry().left(), frameGeometry().top()}, width(), height());
    DialogBase::done(result);
}

}  // namespace tarvex::ui
