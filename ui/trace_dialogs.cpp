#include "ui/trace_dialogs.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "core/message_box.hpp"
#include "ui/base/history_combo.hpp"

namespace tarvex::ui {

namespace {

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
}

// Runs a model action; a failure is shown, never thrown through Qt.
template <typename F>
void guarded(F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        ErrorBox(e.what(), platform::mb::Ok);
    }
}

// Group boxes carry their captions as titles.
void bindGroupTitles(QWidget& form, const FormModel& model) {
    for (auto* g : form.findChildren<QGroupBox*>()) {
        const std::string name = g->objectName().toStdString();
        if (model.controls().count(name)) g->setTitle(QString::fromStdString(model.control(name).text));
    }
}

}  // namespace

// ---- Save trace

SaveTraceDialog::SaveTraceDialog(SaveTraceModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model) {
    setObjectName("TFormSaveTrace");
    resize(338, 217);
    auto* layout = new QVBoxLayout(this);

    auto* fileGroup = new QGroupBox(this);
    fileGroup->setObjectName("FileGroup");
    auto* fileRow = new QHBoxLayout(fileGroup);
    name_ = new HistoryCombo(fileGroup, store);
    name_->setObjectName("DateiName");
    name_->setEditable(true);
    name_->setRegistryPath(kDriverKey);
    name_->setIniSection("FormSaveTraceName");
    fileRow->addWidget(name_, 1);
    auto* browse = button(fileGroup, "SucheDatei");
    fileRow->addWidget(browse);
    layout->addWidget(fileGroup);

    auto* indices = new QHBoxLayout;
    const auto indexGroup = [&](const char* group, const char* combo, const char* section) {
        auto* g = new QGroupBox(this);
        g->setObjectName(group);
        auto* l = new QVBoxLayout(g);
        auto* c = new HistoryCombo(g, store);
        c->setObjectName(combo);
        c->setEditable(true);
        c->setRegistryPath(kDriverKey);
        c->setIniSection(section);
        l->addWidget(c);
        indices->addWidget(g);
        return c;
    };
    start_ = indexGroup("StartGroup", "StartAdresse", "FormSaveTraceStart");
    end_ = indexGroup("EndGroup", "EndAdresse", "FormSaveTraceEnd");
    layout->addLayout(indices);

    auto* formatGroup = new QGroupBox(this);
    formatGroup->setObjectName("FormatGroup");
    auto* formatRow = new QHBoxLayout(formatGroup);
    formats_ = new QButtonGroup(this);
    const auto& items = model_.control("FormatGroup").items;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        auto* r = new QRadioButton(QString::fromStdString(items[static_cast<std::size_t>(i)]), formatGroup);
        r->setObjectName(QString("Format%1").arg(i));
        formats_->addButton(r, i);
        formatRow->addWidget(r);
    }
    layout->addWidget(formatGroup);

    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "OkButton");
    ok->setDefault(true);
    auto* cancel = button(this, "CancelButton");
    auto* help = button(this, "HilfeButton");
    buttons->addStretch();
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);
    layout->addLayout(buttons);

    // The combos show their most recent entry; the model starts from them.
    model_.setFileName(name_->text());
    model_.setStart(start_->text());
    model_.setEnd(end_->text());
    connect(name_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (t.toStdString() != model_.control("DateiName").text) model_.setFileName(t.toStdString());
    });
    connect(start_, &QComboBox::currentTextChanged, this, [this](const QString& t) { model_.setStart(t.toStdString()); });
    connect(end_, &QComboBox::currentTextChanged, this, [this](const QString& t) { model_.setEnd(t.toStdString()); });
    connect(formats_, &QButtonGroup::idClicked, this, [this](int id) { model_.chooseFormat(id); });
    connect(browse, &QPushButton::clicked, this, [this] { guarded([&] { model_.clickBrowse(); }); });
    connect(ok, &QPushButton::clicked, this, [this] {
        bool accepted = false;
        guarded([&] { accepted = model_.clickSave(); });
        if (accepted) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
    const auto refresh = [this] {
        bindControls(*this, model_);
        bindGroupTitles(*this, model_);
        // The combos are editable: their texts are set here, not by the binder.
        if (name_->text() != model_.control("DateiName").text) name_->setText(model_.control("DateiName").text);
        if (start_->text() != model_.control("StartAdresse").text) start_->setText(model_.control("StartAdresse").text);
        if (end_->text() != model_.control("EndAdresse").text) end_->setText(model_.control("EndAdresse").text);
        if (auto* b = formats_->button(model_.control("FormatGroup").itemIndex)) b->setChecked(true);
    };
    model_.onChanged(refresh);
    refresh();
}

void SaveTraceDialog::done(int result) {
    model_.onChanged({});
    for (auto* c : {name_, start_, end_}) c->AddHistory();
    DialogBase::done(result);
}

// ---- Columns

TraceColumnsDialog::TraceColumnsDialog(TraceColumnsModel& model, QWidget* parent)
    : DialogBase(model, parent), model_(model) {
    setObjectName("TFormTraceSpalten");
    resize(582, 105);
    auto* layout = new QVBoxLayout(this);
    auto* boxes = new QGridLayout;
    for (int c = 0; c < kTraceColumns; ++c) {
        auto* box = new QCheckBox(this);
        box->setObjectName(QString::fromStdString(TraceColumnsModel::boxName(c)));
        boxes->addWidget(box, c / 6, c % 6);
        connect(box, &QCheckBox::clicked, this, [this, c](bool on) { model_.setColumn(c, on); });
    }
    auto* all = new QCheckBox(this);
    all->setObjectName("CheckBoxAll");
    boxes->addWidget(all, 1, 5);
    connect(all, &QCheckBox::clicked, this, [this](bool on) { model_.setAll(on); });
    layout->addLayout(boxes);
    auto* bevel = new QFrame(this);
    bevel->setFrameShape(QFrame::HLine);
    layout->addWidget(bevel);
    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "OkButton");
    ok->setDefault(true);
    auto* cancel = button(this, "CancelButton");
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    model_.onChanged([this] { bindControls(*this, model_); });
    bindControls(*this, model_);
}

// ---- Goto

GotoDialog::GotoDialog(GotoModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model) {
    setObjectName("TFormSprung");
    resize(262, 90);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(this);
    label->setObjectName("ZielLabel");
    layout->addWidget(label);
    auto* row = new QHBoxLayout;
    ziel_ = new HistoryCombo(this, store);
    ziel_->setObjectName("Ziel");
    ziel_->setEditable(true);
    ziel_->setRegistryPath(kDriverKey);
    section_ = model_.historySection();
    ziel_->setIniSection(section_);
    label->setBuddy(ziel_);
    row->addWidget(ziel_, 1);
    auto* symbol = button(this, "SymbolButton");
    symbol->setFixedWidth(28);
    row->addWidget(symbol);
    layout->addLayout(row);
    auto* group = new QGroupBox(this);
    group->setObjectName("BankNummerGroup");
    new QGridLayout(group);
    bankGroup_ = group;
    banks_ = new QButtonGroup(this);
    layout->addWidget(group);
    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "OkButton");
    ok->setDefault(true);
    auto* cancel = button(this, "CancelButton");
    auto* help = button(this, "HilfeButton");
    buttons->addStretch();
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);
    layout->addLayout(buttons);

    model_.setTarget(ziel_->text());
    connect(ziel_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (t.toStdString() != model_.control("Ziel").text) model_.setTarget(t.toStdString());
    });
    connect(symbol, &QPushButton::clicked, this, [this] { guarded([&] { model_.clickSymbol(); }); });
    connect(banks_, &QButtonGroup::idClicked, this, [this](int bank) {
        model_.clickBank(bank);
        if (model_.chosenBank()) done(ResultYes);
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        if (model_.clickOk()) accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
    const auto refresh = [this] {
        bindControls(*this, model_);
        bindGroupTitles(*this, model_);
        if (section_ != model_.historySection()) {
            // Another call: its own history, showing its latest entry.
            section_ = model_.historySection();
            ziel_->setIniSection(section_);
            model_.setTarget(ziel_->text());
        }
        if (ziel_->text() != model_.control("Ziel").text) ziel_->setText(model_.control("Ziel").text);
        rebuildBanks();
    };
    model_.onChanged(refresh);
    refresh();
}

void GotoDialog::rebuildBanks() {
    const auto& c = model_.control("BankNummerGroup");
    auto* grid = static_cast<QGridLayout*>(bankGroup_->layout());
    if (bankCount_ != static_cast<int>(c.items.size())) {
        for (auto* b : banks_->buttons()) {
            banks_->removeButton(b);
            delete b;
        }
        for (int i = 0; i < static_cast<int>(c.items.size()); ++i) {
            auto* r = new QRadioButton(QString::fromStdString(c.items[static_cast<std::size_t>(i)]), bankGroup_);
            r->setObjectName(QString("Bank%1").arg(i));
            banks_->addButton(r, i);
            grid->addWidget(r, i / 8, i % 8);
        }
        bankCount_ = static_cast<int>(c.items.size());
        // The form grows by the bank group's height while it shows.
        bankGroup_->setVisible(c.visible);
        adjustSize();
    }
    if (auto* b = banks_->button(c.itemIndex)) b->setChecked(true);
}

void GotoDialog::done(int result) {
    model_.onChanged({});
    ziel_->AddHistory();
    DialogBase::done(result);
}

}  // namespace tarvex::ui
