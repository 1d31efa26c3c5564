#include "ui/select_dialogs.hpp"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"
#include "ui/base/layout_check.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {

SelectDialogBase::SelectDialogBase(SelectFormModel& model, const std::string& historySection,
                                   platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model) {
    event_ = new HistoryCombo(this, store);
    event_->setObjectName(QString::fromStdString(model.EventField()));
    event_->setManualUpdate(true);
    event_->setMinimumWidth(220);
    event_->setRegistryPath(kDriverKey);
    event_->setIniSection(historySection);
    model_.EditEvent(event_->text());
    connect(event_, &QComboBox::editTextChanged, this, [this](const QString& text) {
        if (!refreshing_) model_.EditEvent(text.toStdString());
    });
    model_.onChanged([this] { refresh(); });
}

SelectDialogBase::~SelectDialogBase() { model_.onChanged({}); }

void SelectDialogBase::done(int result) {
    event_->AddHistory();
    DialogBase::done(result);
}

void SelectDialogBase::refresh() {
    refreshing_ = true;
    bindControls(*this, model_);
    bindRadioGroups(*this, model_);
    bindListTexts(*this, model_);
    const std::string& text = model_.control(model_.EventField()).text;
    if (event_->text() != text) event_->setText(text);
    refreshing_ = false;
}

QPushButton* SelectDialogBase::button(const char* name, std::function<void()> action, bool focusEvent) {
    auto* b = new QPushButton(this);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, [this, action, focusEvent] {
        action();
        if (focusEvent) event_->setFocus();
    });
    return b;
}

QListWidget* SelectDialogBase::list(const char* name, std::function<void(int)> clicked) {
    auto* l = new QListWidget(this);
    l->setObjectName(name);
    l->setFont(QFont("Monospace"));
    connect(l, &QListWidget::itemClicked, this, [l, clicked](QListWidgetItem* item) { clicked(l->row(item)); });
    return l;
}

QVBoxLayout* SelectDialogBase::rowLabels(QListWidget* list, const std::vector<QLabel*>& labels) {
    const int rowHeight = std::max(list->fontMetrics().height(), fontMetrics().height()) + 4;
    list->setGridSize(QSize(0, rowHeight));
    list->setUniformItemSizes(true);
    list->setFixedHeight(static_cast<int>(labels.size()) * rowHeight + 2 * list->frameWidth());
    auto* column = new QVBoxLayout;
    column->setSpacing(0);
    column->setContentsMargins(0, list->frameWidth(), 0, 0);
    for (std::size_t row = 0; row < labels.size(); ++row) {
        QLabel* l = labels[row] ? labels[row] : new QLabel(this);
        l->setFixedHeight(rowHeight);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        markRowLabel(l, list, static_cast<int>(row));
        column->addWidget(l);
    }
    column->addStretch(1);
    return column;
}

QGroupBox* SelectDialogBase::group(const char* name, QLayout* content) {
    auto* g = new QGroupBox(this);
    g->setObjectName(name);
    g->setLayout(content);
    return g;
}

QLabel* SelectDialogBase::label(const char* name) {
    auto* l = new QLabel(this);
    l->setObjectName(name);
    return l;
}

BasicBreakDialog::BasicBreakDialog(BasicBreakFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialogBase(model, "BreakFormEvent", store, parent) {
    auto* eventRow = new QHBoxLayout;
    eventRow->addWidget(eventCombo(), 1);
    eventRow->addWidget(button("SymbolButton", [&model] { model.BrowseSymbol(); }, true));
    auto* memory = new RadioGroup("MemoryGroup", 1, this);
    memory->onClicked([&model](int index) { model.SelectMemory(index); });
    auto* set = button("EnterButton", [&model] { model.Set(); }, true);
    set->setToolTip("Set address condition");
    auto* clear = button("DeleteButton", [&model] { model.Clear(); }, true);
    clear->setToolTip("Clear address condition");
    auto* defaults = button("DefaultButton", [&model] { model.Default(); });
    defaults->setToolTip("Default settings: no breaks");
    auto* actions = new QVBoxLayout;
    for (auto* b : {set, clear, defaults}) actions->addWidget(b);
    auto* inputBody = new QVBoxLayout;
    inputBody->addWidget(group("EventGroup", eventRow));
    auto* inputRow = new QHBoxLayout;
    inputRow->addWidget(memory, 1);
    inputRow->addLayout(actions);
    inputBody->addLayout(inputRow);
    auto* input = group("BreakInputGroup", inputBody);

    auto* programBody = new QVBoxLayout;
    programBody->addWidget(list("ProgramListBox", [&model](int row) { model.ClickList("ProgramListBox", row); }));
    auto* extBody = new QVBoxLayout;
    extBody->addWidget(list("ExtDataListBox", [&model](int row) { model.ClickList("ExtDataListBox", row); }));
    auto* cycle = new RadioGroup("ExtDataCycleGroup", 3, this);
    cycle->onClicked([&model](int index) { model.ClickCycle(index); });
    extBody->addWidget(cycle);

    auto* ok = button("OkButton", [this] { accept(); });
    ok->setDefault(true);
    auto* cancel = button("CancelButton", [this] { reject(); });
    auto* help = button("HelpButton", [this] { HilfeClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);

    auto* lists = new QHBoxLayout;
    lists->addWidget(group("ProgramGroup", programBody));
    lists->addWidget(group("ExtDataGroup", extBody));
    auto* top = new QVBoxLayout(this);
    top->addWidget(input);
    top->addLayout(lists, 1);
    top->addLayout(buttons);
    resize(560, 420);
    refresh();
}

MapDialog::MapDialog(MapFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialogBase(model, "MapFormAdrName", store, parent) {
    eventCombo()->setToolTip("Address/range to be mapped to emulator memory");
    auto* adrBody = new QHBoxLayout;
    adrBody->addWidget(eventCombo());
    auto* label = new QLabel(this);
    label->setObjectName("LabelExtData");

    const auto memoryGroup = [&](const char* name, const char* listName, const char* hint, const char* setName,
                                 const char* clearName, std::function<void()> set, std::function<void()> clear) {
        auto* body = new QHBoxLayout;
        auto* l = list(listName, [&model, listName](int row) { model.ClickList(listName, row); });
        l->setToolTip(hint);
        body->addWidget(l, 1);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(button(setName, std::move(set), true));
        buttons->addWidget(button(clearName, std::move(clear), true));
        buttons->addStretch(1);
        body->addLayout(buttons);
        return group(name, body);
    };
    auto* program = memoryGroup("ProgramGroup", "ProgramListBox", "Program memory ranges mapped to emulator memory",
                                "EnterProgram", "DeleteProgram", [&model] { model.SetProgram(); },
                                [&model] { model.ClearProgram(); });
    auto* ext = memoryGroup("ExtDataGroup", "ExtDataListBox", "ExtData memory ranges mapped to emulator memory",
                            "EnterExtData", "DeleteExtData", [&model] { model.SetExtData(); },
                            [&model] { model.ClearExtData(); });
    auto* mapBody = new QVBoxLayout;
    mapBody->addWidget(label);
    mapBody->addWidget(group("AdrGroup", adrBody));
    mapBody->addWidget(program);
    mapBody->addWidget(ext);

    auto* defaults = button("DefaultButton", [&model] { model.Default(); });
    defaults->setToolTip("Default settings: map Program memory to emulator memory and map ExtData memory to user board");
    auto* ok = button("OkButton", [this] { accept(); });
    ok->setDefault(true);
    auto* cancel = button("CancelButton", [this] { reject(); });
    auto* help = button("HilfeButton", [this] { HilfeClick(); });
    auto* buttons = new QVBoxLayout;
    for (auto* b : {defaults, ok, cancel, help}) buttons->addWidget(b);
    buttons->addStretch(1);

    auto* top = new QHBoxLayout(this);
    top->addWidget(group("MapGroup", mapBody), 1);
    top->addLayout(buttons);
    resize(520, 420);
    refresh();
}

}  // namespace tarvex::ui
