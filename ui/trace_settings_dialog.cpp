#include "ui/trace_settings_dialog.hpp"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {

TraceSettingsDialog::TraceSettingsDialog(TraceSettingsFormModel& model, platform::SettingsStore& store,
                                         QWidget* parent)
    : SelectDialogBase(model, "TraceFormEvent", store, parent), form_(model) {
    // Trace filters with their labels.
    auto* filterBody = new QHBoxLayout;
    std::vector<QLabel*> filterNames;
    for (const char* name : {"Trace1Label", "Trace2Label", "Trace3Label"}) {
        auto* l = label(name);
        l->installEventFilter(this);
        filterNames.push_back(l);
    }
    auto* filters = list("EventListBox", [&model](int row) { model.SelectFilter(row); });
    auto* filterLabels = rowLabels(filters, filterNames);
    filterBody->addLayout(filterLabels);
    filterBody->addWidget(filters, 1);

    // Start and stop conditions.
    auto* triggerBody = new QGridLayout;
    auto* triggerList = list("TriggerListBox", [](int) {});
    auto* triggerLabels =
        rowLabels(triggerList, {label("TriggerALabel"), label("TriggerBLabel"), label("TriggerCLabel")});
    triggerList->setSelectionMode(QAbstractItemView::NoSelection);
    triggerBody->addLayout(triggerLabels, 0, 0);
    triggerBody->addWidget(triggerList, 0, 1, 1, 3);
    const auto radios = [&](const char* groupName, const char* const names[4], std::function<void(int)> clicked) {
        auto* body = new QVBoxLayout;
        for (int s = 0; s < 4; ++s) {
            auto* radio = new QRadioButton(this);
            radio->setObjectName(names[s]);
            connect(radio, &QRadioButton::clicked, this, [clicked, s] { clicked(s); });
            body->addWidget(radio);
        }
        return group(groupName, body);
    };
    const char* const start[] = {"StartTriggerA", "StartTriggerB", "StartTriggerC", "StartTriggerDefault"};
    const char* const stop[] = {"StopTriggerA", "StopTriggerB", "StopTriggerC", "StopTriggerDefault"};
    triggerBody->addWidget(radios("StartGroup", start, [&model](int s) { model.ClickStart(s); }), 1, 0, 1, 2);
    triggerBody->addWidget(radios("StopGroup", stop, [&model](int s) { model.ClickStop(s); }), 1, 2);
    auto* selectionBody = new QVBoxLayout;
    for (const char* name : {"TriggerAB", "TriggerBC"}) {
        auto* radio = new QRadioButton(this);
        radio->setObjectName(name);
        const bool bc = std::string(name) == "TriggerBC";
        connect(radio, &QRadioButton::clicked, this, [&model, bc] { model.ClickTriggerSelection(bc); });
        selectionBody->addWidget(radio);
    }
    selectionBody->addStretch(1);
    triggerBody->addWidget(group("TriggerGroup", selectionBody), 1, 3);

    // Filter conditions.
    auto* eventRow = new QHBoxLayout;
    eventRow->addWidget(eventCombo(), 1);
    eventRow->addWidget(button("SymbolButton", [&model] { model.BrowseSymbol(); }, true));
    auto* cycle = new RadioGroup("CycleGroup", 1, this);
    cycle->onClicked([&model](int index) { model.ClickCycle(index); });
    auto* addressBody = new QHBoxLayout;
    addressBody->addWidget(list("AdressenListBox", [&model](int row) { model.ClickList(row); }), 1);
    auto* addressButtons = new QVBoxLayout;
    auto* set = button("EnterAdresse", [&model] { model.SetAddress(); }, true);
    set->setToolTip("Set address condition");
    auto* clear = button("DeleteAdresse", [&model] { model.ClearAddress(); }, true);
    clear->setToolTip("Clear address condition");
    addressButtons->addWidget(set);
    addressButtons->addWidget(clear);
    addressButtons->addStretch(1);
    addressBody->addLayout(addressButtons);
    auto* inputBody = new QGridLayout;
    inputBody->addWidget(group("EventGroup", eventRow), 0, 0, 1, 2);
    inputBody->addWidget(cycle, 1, 0);
    inputBody->addWidget(group("AdressenGroup", addressBody), 1, 1);
    inputBody->setColumnStretch(1, 1);

    // Options.
    auto* programOption = new RadioGroup("ProgramOptionGroup", 1, this);
    programOption->onClicked([&model](int index) { model.ClickProgramOption(index); });
    auto* filterType = new QCheckBox(this);
    filterType->setObjectName("CheckBoxFilterType");
    connect(filterType, &QCheckBox::clicked, this, [&model](bool on) { model.ClickFilterType(on); });
    auto* timeBase = new RadioGroup("TimeBaseGroup", 1, this);
    timeBase->onClicked([&model](int index) { model.ClickTimeBase(index); });
    auto* optionsBody = new QHBoxLayout;
    optionsBody->addWidget(programOption);
    auto* middle = new QVBoxLayout;
    middle->addStretch(1);
    middle->addWidget(filterType);
    middle->addStretch(1);
    optionsBody->addLayout(middle);
    optionsBody->addWidget(timeBase);

    auto* defaults = button("DefaultButton", [&model] { model.Default(); });
    auto* ok = button("OkButton", [this] { accept(); });
    ok->setDefault(true);
    auto* cancel = button("CancelButton", [this] { reject(); });
    auto* help = button("HilfeButton", [this] { HilfeClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);

    auto* top = new QVBoxLayout(this);
    top->addWidget(group("FilterGroup", filterBody));
    top->addWidget(group("ConditionsGroup", triggerBody));
    top->addWidget(group("InputGroup", inputBody));
    top->addWidget(group("OptionsGroup", optionsBody));
    top->addLayout(buttons);
    resize(700, 720);
    refresh();
}

bool TraceSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto* l = qobject_cast<QLabel*>(watched); l && !l->buddy()) {
            form_.ClickLabel(l->objectName().toStdString());
            return true;
        }
    }
    return SelectDialogBase::eventFilter(watched, event);
}

void TraceSettingsDialog::done(int result) {
    form_.Close();
    SelectDialogBase::done(result);
}

}  // namespace tarvex::ui
