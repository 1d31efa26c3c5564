#include "ui/qt/driver/trace_dialogs.hpp"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFocusEvent>
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
#include "ui/qt/history_combo.hpp"
#include "ui/forms/trace_forms.hpp"
#include "ui/model/guarded.hpp"

namespace tarvex::ui {

namespace {

QPushButton* button(QWidget* parent, const char* name) {
    auto* b = new QPushButton(parent);
    b->setObjectName(name);
    return b;
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
    : DialogBase(model, parent), model_(model),
      form_(*this, forms::saveTraceForm(), model, model.events(dialogWindow(*this, form_)), store) {}

// ---- Columns

TraceColumnsDialog::TraceColumnsDialog(TraceColumnsModel& model, QWidget* parent)
    : DialogBase(model, parent), form_(*this, forms::traceColumnsForm(), model, model.events(dialogWindow(*this, form_))) {}

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
    layout->addLayout(okCancelHelp(Qt::Horizontal, [this] {
        if (model_.clickOk()) accept();
    }));

    model_.setTarget(ziel_->text());
    connect(ziel_, &QComboBox::currentTextChanged, this, [this](const QString& t) {
        if (t.toStdString() != model_.control("Ziel").text) model_.setTarget(t.toStdString());
    });
    connect(symbol, &QPushButton::clicked, this, [this] { guarded([&] { model_.clickSymbol(); }); });
    connect(banks_, &QButtonGroup::idClicked, this, [this](int bank) {
        model_.clickBank(bank);
        if (model_.chosenBank()) done(ResultYes);
    });
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

// ---- Frame search

FrameSearchDialog::FrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model) {
    setObjectName("TFormVok4Frame");
    resize(372, 285);
    auto* layout = new QVBoxLayout(this);
    auto* inputs = new QGridLayout;
    const char* const names[3][3] = {{"AdrNameLabel", "AdrName", "FrameFormAdrName"},
                                     {"DataLabel", "Data", "FrameFormData"},
                                     {"LogicProbesLabel", "LogicProbes", "FrameFormLogicProbes"}};
    for (int i = 0; i < 3; ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(names[i][0]);
        auto* combo = new HistoryCombo(this, store);
        combo->setObjectName(names[i][1]);
        combo->setEditable(true);
        combo->setRegistryPath(kDriverKey);
        combo->setIniSection(names[i][2]);
        // A combo without history shows the "don't care" text.
        if (combo->text().empty()) combo->setText(model_.dontCare());
        label->setBuddy(combo);
        inputs->addWidget(label, i, 0);
        inputs->addWidget(combo, i, 1);
        inputs_[i] = combo;
        combo->installEventFilter(this);
        model_.setInput(names[i][1], combo->text());
        connect(combo, &QComboBox::currentTextChanged, this, [this, n = std::string(names[i][1])](const QString& t) {
            if (t.toStdString() != model_.control(n).text) model_.setInput(n, t.toStdString());
        });
    }
    auto* symbol = button(this, "SymbolButton");
    symbol->setFixedWidth(28);
    inputs->addWidget(symbol, 0, 2);
    layout->addLayout(inputs);

    auto* groups = new QHBoxLayout;
    const auto checks = [&](const char* group, std::initializer_list<const char*> boxes) {
        auto* g = new QGroupBox(this);
        g->setObjectName(group);
        auto* l = new QVBoxLayout(g);
        for (const char* b : boxes) {
            auto* c = new QCheckBox(g);
            c->setObjectName(b);
            l->addWidget(c);
            connect(c, &QCheckBox::clicked, this, [this, n = std::string(b)](bool on) { model_.setCheck(n, on); });
        }
        groups->addWidget(g);
    };
    checks("BreakGroup", {"CheckBreakNichtSuchen", "CheckBreak1", "CheckBreak2", "CheckWechsel"});
    const auto radios = [&](QWidget* parentWidget, QBoxLayout* into, const char* group) {
        auto* g = new QGroupBox(parentWidget);
        g->setObjectName(group);
        auto* l = new QVBoxLayout(g);
        auto* buttons = new QButtonGroup(g);
        const auto& items = model_.control(group).items;
        for (int i = 0; i < static_cast<int>(items.size()); ++i) {
            auto* r = new QRadioButton(QString::fromStdString(items[static_cast<std::size_t>(i)]), g);
            r->setObjectName(QString("%1%2").arg(group).arg(i));
            buttons->addButton(r, i);
            l->addWidget(r);
        }
        into->addWidget(g);
        return buttons;
    };
    cycles_ = radios(this, groups, "CycleGroup");
    checks("CycleCheckGroup", {"CheckCycleNichtSuchen", "CheckOpcode", "CheckFetch", "CheckRead", "CheckWrite"});
    layout->addLayout(groups);
    auto* bottom = new QWidget(this);
    bottom->setObjectName("BottomPanel");
    auto* bottomRow = new QHBoxLayout(bottom);
    bottomRow->setContentsMargins(0, 0, 0, 0);
    direction_ = radios(bottom, bottomRow, "RichtungGroup");
    start_ = radios(bottom, bottomRow, "BeginnGroup");
    layout->addWidget(bottom);
    auto* buttons = new QHBoxLayout;
    auto* ok = button(this, "OkButton");
    ok->setDefault(true);
    auto* cancel = button(this, "CancelButton");
    auto* reset = button(this, "ResetButton");
    auto* help = button(this, "HilfeButton");
    for (auto* b : {ok, cancel, reset, help}) buttons->addWidget(b);
    layout->addLayout(buttons);

    connect(cycles_, &QButtonGroup::idClicked, this, [this](int id) { model_.chooseCycle(id); });
    connect(direction_, &QButtonGroup::idClicked, this, [this](int id) { model_.chooseDirection(id); });
    connect(start_, &QButtonGroup::idClicked, this, [this](int id) { model_.chooseStart(id); });
    connect(symbol, &QPushButton::clicked, this, [this] {
        guarded([&] {
            SymbolPickRequest r;
            r.acceptCaption = "Accept";
            if (auto picked = pickSymbol(r)) model_.setInput("AdrName", picked->name);
        });
        inputs_[0]->setFocus();
    });
    connect(ok, &QPushButton::clicked, this, [this] {
        bool accepted = false;
        guarded([&] { accepted = model_.clickOk(); });
        if (accepted) accept();
    });
    connect(reset, &QPushButton::clicked, this, [this] {
        guarded([&] { model_.clickDontCare(); });
        accept();
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(help, &QPushButton::clicked, this, [this] { HilfeClick(); });
    const auto refresh = [this] {
        bindControls(*this, model_);
        bindGroupTitles(*this, model_);
        for (int i = 0; i < 3; ++i) {
            const std::string& t = model_.control(inputs_[i]->objectName().toStdString()).text;
            if (inputs_[i]->text() != t) inputs_[i]->setText(t);
        }
        for (auto [group, name] : {std::pair{cycles_, "CycleGroup"}, std::pair{direction_, "RichtungGroup"},
                                   std::pair{start_, "BeginnGroup"}})
            if (auto* b = group->button(model_.control(name).itemIndex)) b->setChecked(true);
        if (auto* panel = findChild<QWidget*>("BottomPanel")) panel->setVisible(model_.control("BottomPanel").visible);
        adjustSize();
    };
    model_.onChanged(refresh);
    refresh();
}

bool FrameSearchDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && !checking_) {
        // The popup list and the error box itself take the focus for a
        // moment: that is no leaving.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        for (HistoryCombo* combo : inputs_) {
            if (watched != combo || reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) continue;
            checking_ = true;
            const bool ok = model_.leave(combo->objectName().toStdString());
            checking_ = false;
            if (!ok) combo->setFocus();
        }
    }
    return DialogBase::eventFilter(watched, event);
}

void FrameSearchDialog::done(int result) {
    model_.onChanged({});
    for (auto* c : inputs_) c->AddHistory();
    model_.saveSettings();
    DialogBase::done(result);
}

}  // namespace tarvex::ui
