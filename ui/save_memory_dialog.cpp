#include "ui/save_memory_dialog.hpp"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {
namespace {
const char* const kCombos[] = {"StartAdresse", "EndAdresse", "DateiName"};
const char* const kSections[] = {"FormSaveStartAdresse", "FormSaveEndAdresse", "FormSaveDateiName"};
const char* const kLabels[] = {"StartLabel", "EndLabel", "DateiLabel"};
const char* const kButtons[] = {"SucheStart", "SucheEnde", "SucheDatei"};
const char* const kRadios[] = {"RadioProgram", "RadioIntData", "RadioExtData", "RadioSys"};
}  // namespace

SaveMemoryDialog::SaveMemoryDialog(SaveMemoryFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), form_(model) {
    auto* format = new RadioGroup("FormatGroup", 1, this);
    format->onClicked([this](int index) { form_.FormatClick(index); });
    auto* memory = new QGroupBox(this);
    memory->setObjectName("SpeicherGroup");
    auto* memoryLayout = new QVBoxLayout(memory);
    for (const char* name : kRadios) {
        auto* radio = new QRadioButton(memory);
        radio->setObjectName(name);
        const std::string n = name;
        connect(radio, &QRadioButton::clicked, this, [this, n] { form_.SelectMemory(n); });
        memoryLayout->addWidget(radio);
    }
    auto* choices = new QHBoxLayout;
    choices->addWidget(format);
    choices->addWidget(memory);

    auto* grid = new QGridLayout;
    for (int i = 0; i < 3; ++i) {
        auto* combo = new HistoryCombo(this, store);
        combo->setObjectName(kCombos[i]);
        combo->setManualUpdate(true);
        combo->setMinimumWidth(260);
        combo->setRegistryPath(kDriverKey);
        combo->setIniSection(kSections[i]);
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
        const std::string button = kButtons[i];
        if (i == 2) {
            connect(browse, &QPushButton::clicked, this, [this] { form_.BrowseFile(); });
        } else {
            browse->setFixedWidth(28);
            connect(browse, &QPushButton::clicked, this, [this, button] { form_.BrowseSymbol(button); });
        }
        grid->addWidget(label, 2 * i, 0, 1, 2);
        grid->addWidget(combo, 2 * i + 1, 0);
        grid->addWidget(browse, 2 * i + 1, 1);
    }

    auto* buttons = okCancelHelp(Qt::Horizontal, [this] { okClick(); });

    auto* top = new QVBoxLayout(this);
    top->addLayout(choices);
    top->addLayout(grid);
    top->addLayout(buttons);

    form_.onChanged([this] { refresh(); });
    refresh();
}

SaveMemoryDialog::~SaveMemoryDialog() { form_.onChanged({}); }

void SaveMemoryDialog::refresh() {
    refreshing_ = true;
    bindControls(*this, form_);
    bindRadioGroups(*this, form_);
    for (int i = 0; i < 3; ++i) {
        const std::string& text = form_.control(kCombos[i]).text;
        if (combos_[i]->text() != text) combos_[i]->setText(text);
    }
    refreshing_ = false;
}

void SaveMemoryDialog::okClick() {
    for (auto* combo : combos_) combo->AddHistory();
    form_.Ok();
    accept();
}

}  // namespace tarvex::ui
