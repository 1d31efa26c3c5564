#include "ui/copy_fill_dialog.hpp"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {
namespace {
const char* const kCombos[] = {"StartAdresse", "EndAdresse", "ZielAdresse"};
const char* const kLabels[] = {"StartLabel", "EndLabel", "NachOderMit"};
const char* const kButtons[] = {"SucheStart", "SucheEnde", "SucheZiel"};
}  // namespace

CopyFillDialog::CopyFillDialog(CopyFillFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), form_(model) {
    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* combo = new HistoryCombo(this, store);
        combo->setObjectName(kCombos[i]);
        combo->setManualUpdate(true);
        combo->setMinimumWidth(220);
        combo->setRegistryPath(kDriverKey);
        combo->setIniSection(i == 2 ? form_.ThirdHistorySection() : std::string("CopyFillFormAdresse") + char('1' + i));
        if (i == 2) thirdSection_ = form_.ThirdHistorySection();
        form_.EditText(kCombos[i], combo->text());
        const std::string name = kCombos[i];
        connect(combo, &QComboBox::editTextChanged, this, [this, name](const QString& text) {
            if (!refreshing_) form_.EditText(name, text.toStdString());
        });
        combos_[i] = combo;
        auto* label = new QLabel(this);
        label->setObjectName(kLabels[i]);
        label->setBuddy(combo);
        auto* browse = new QPushButton(this);
        browse->setObjectName(kButtons[i]);
        browse->setFixedWidth(28);
        const std::string button = kButtons[i];
        connect(browse, &QPushButton::clicked, this, [this, button] { form_.Browse(button); });
        grid->addWidget(label, i, 0);
        grid->addWidget(combo, i, 1);
        grid->addWidget(browse, i, 2);
    }
    auto* memory = new RadioGroup("SpeicherGroup", 2, this);
    memory->onClicked([this](int index) { form_.SelectSpeicher(index); });

    auto* buttons = okCancelHelp(Qt::Vertical, [this] { okClick(); });

    auto* left = new QVBoxLayout;
    left->addLayout(grid);
    left->addWidget(memory);
    left->addStretch(1);
    auto* top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    form_.onChanged([this] { refresh(); });
    refresh();
}

CopyFillDialog::~CopyFillDialog() { form_.onChanged({}); }

void CopyFillDialog::refresh() {
    refreshing_ = true;
    bindControls(*this, form_);
    bindRadioGroups(*this, form_);
    if (form_.ThirdHistorySection() != thirdSection_) {
        // The third field keeps destinations and data apart.
        thirdSection_ = form_.ThirdHistorySection();
        combos_[2]->setText("");
        combos_[2]->setIniSection(thirdSection_);
        form_.EditText(kCombos[2], combos_[2]->text());
    }
    for (int i = 0; i < 3; ++i) {
        const std::string& text = form_.control(kCombos[i]).text;
        if (combos_[i]->text() != text) combos_[i]->setText(text);
    }
    adjustSize();
    refreshing_ = false;
}

void CopyFillDialog::okClick() {
    for (auto* combo : combos_)
        if (!combo->isHidden()) combo->AddHistory();
    form_.Ok();
    accept();
}

}  // namespace tarvex::ui
