#include "ui/break_settings_dialog.hpp"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/base/history_combo.hpp"
#include "ui/base/radio_group.hpp"

namespace tarvex::ui {
namespace {

const char* const kCounters[] = {"Zaehler", "Probes", "TraceCount", "BreakDelayCount"};

}  // namespace

BreakSettingsDialog::BreakSettingsDialog(BreakFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialogBase(model, "BreakFormEvent", store, parent), form_(model) {
    // Break events: the four channel lines with their labels.
    auto* events = new QGridLayout;
    auto* lines = list("EventListBox", [&model](int row) { model.SelectChannel(row); });
    const char* const channelLabels[] = {"Break1Label", "Clear1Label", "Break2Label", "Clear2Label"};
    const char* const triggerLabels[] = {"TriggerALabel", "TriggerBLabel", nullptr, "TriggerCLabel"};
    std::vector<QLabel*> channels, triggerRow;
    for (int i = 0; i < 4; ++i) {
        auto* l = label(channelLabels[i]);
        l->installEventFilter(this);
        l->setCursor(Qt::PointingHandCursor);
        channels.push_back(l);
        triggerRow.push_back(triggerLabels[i] ? label(triggerLabels[i]) : nullptr);
    }
    auto* labels = rowLabels(lines, channels);
    auto* triggers = rowLabels(lines, triggerRow);
    events->addLayout(labels, 0, 0);
    events->addWidget(lines, 0, 1);
    events->addLayout(triggers, 0, 2);
    events->setColumnStretch(1, 1);

    // Event input.
    auto* eventRow = new QHBoxLayout;
    eventRow->addWidget(eventCombo(), 1);
    eventRow->addWidget(button("SymbolButton", [&model] { model.BrowseSymbol(); }, true));
    const auto listGroup = [&](const char* name, const char* listName, const char* setName, const char* clearName,
                               std::function<void()> set, std::function<void()> clear) {
        auto* body = new QHBoxLayout;
        body->addWidget(list(listName, [&model, listName](int row) { model.ClickList(listName, row); }), 1);
        auto* buttons = new QVBoxLayout;
        auto* s = button(setName, std::move(set), true);
        auto* c = button(clearName, std::move(clear), true);
        buttons->addWidget(s);
        buttons->addWidget(c);
        buttons->addStretch(1);
        body->addLayout(buttons);
        return std::make_tuple(group(name, body), s, c);
    };
    auto [addresses, setAddress, clearAddress] =
        listGroup("AdressenGroup", "AdressenListBox", "EnterAdresse", "DeleteAdresse", [&model] { model.SetAddress(); },
                  [&model] { model.ClearAddress(); });
    setAddress->setToolTip("Set address condition");
    clearAddress->setToolTip("Clear address condition");
    auto [data, setData, clearData] = listGroup("DataGroup", "DataListBox", "EnterData", "DeleteData",
                                                [&model] { model.SetData(); }, [&model] { model.ClearData(); });
    (void)setData;
    (void)clearData;
    auto* cycle = new RadioGroup("CycleGroup", 2, this);
    cycle->onClicked([&model](int index) { model.ClickCycle(index); });

    const char* const sections[] = {"BreakFormZaehler", "BreakFormProbes", "BreakFormTraceCount",
                                    "BreakFormBreakDelayCount"};
    for (int i = 0; i < 4; ++i) {
        auto* combo = new HistoryCombo(this, store);
        combo->setObjectName(kCounters[i]);
        combo->setManualUpdate(true);
        combo->setRegistryPath(kDriverKey);
        combo->setIniSection(sections[i]);
        const std::string name = kCounters[i];
        connect(combo, &QComboBox::editTextChanged, this, [this, name](const QString& text) {
            if (!refreshing_) form_.EditCombo(name, text.toStdString());
        });
        combo->installEventFilter(this);
        counters_[i] = combo;
    }
    auto* counterBody = new QHBoxLayout;
    counterBody->addWidget(counters_[0]);
    auto* inputBody = new QGridLayout;
    inputBody->addWidget(group("EventGroup", eventRow), 0, 0, 1, 2);
    inputBody->addWidget(addresses, 1, 0);
    inputBody->addWidget(data, 1, 1);
    inputBody->addWidget(cycle, 2, 0);
    inputBody->addWidget(group("CounterGroup", counterBody), 2, 1);

    // Break mode, logic probes, trace counter.
    auto* mode = new RadioGroup("OptionsGroup", 3, this);
    mode->onClicked([&model](int index) { model.ClickMode(index); });
    auto* probes = new QGridLayout;
    auto* probesLabel = label("ProbesLabel");
    probesLabel->setBuddy(counters_[1]);
    auto* traceLabel = label("TraceCountLabel");
    traceLabel->setBuddy(counters_[2]);
    probes->addWidget(probesLabel, 0, 0);
    counters_[1]->setMinimumWidth(counters_[1]->fontMetrics().horizontalAdvance("XXXXXXXXXXXXXXXX") + 40);
    probes->addWidget(counters_[1], 0, 1);
    probes->addWidget(traceLabel, 1, 0);
    probes->addWidget(counters_[2], 1, 1);

    // Trace after break.
    auto* delay = new QCheckBox(this);
    delay->setObjectName("CheckBreakDelay");
    connect(delay, &QCheckBox::clicked, this, [this](bool on) {
        form_.ClickBreakDelay(on);
        if (on) counters_[3]->setFocus();
    });
    auto* delayBody = new QHBoxLayout;
    delayBody->addWidget(delay);
    auto* delayLabel = label("Label1");
    delayLabel->setBuddy(counters_[3]);
    delayBody->addWidget(delayLabel);
    delayBody->addWidget(counters_[3], 1);

    auto* defaults = button("DefaultButton", [&model] { model.Default(); });
    auto* ok = button("Ok", [this] {
        if (form_.Ok()) accept();
    });
    ok->setDefault(true);
    auto* cancel = button("CancelButton", [this] { reject(); });
    auto* help = button("Hilfe", [this] { HilfeClick(); });
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(defaults);
    buttons->addStretch(1);
    for (auto* b : {ok, cancel, help}) buttons->addWidget(b);

    auto* top = new QVBoxLayout(this);
    top->addWidget(group("EventsGroup", events));
    top->addWidget(group("InputGroup", inputBody));
    auto* modeRow = new QHBoxLayout;
    modeRow->addWidget(mode, 2);
    modeRow->addLayout(probes, 1);
    top->addLayout(modeRow);
    top->addWidget(group("DelayGroup", delayBody));
    top->addLayout(buttons);
    resize(720, 640);
    refresh();
}

void BreakSettingsDialog::refresh() {
    SelectDialogBase::refresh();
    refreshing_ = true;
    for (int i = 0; i < 4; ++i) {
        const std::string& text = form_.control(kCounters[i]).text;
        if (counters_[i]->text() != text) counters_[i]->setText(text);
    }
    refreshing_ = false;
}

bool BreakSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto* l = qobject_cast<QLabel*>(watched); l && !l->buddy()) {
            form_.ClickLabel(l->objectName().toStdString());
            return true;
        }
    }
    if (event->type() == QEvent::FocusOut && !refreshing_) {
        for (auto* combo : counters_)
            if (watched == combo) form_.LeaveCombo(combo->objectName().toStdString());
    }
    return SelectDialogBase::eventFilter(watched, event);
}

void BreakSettingsDialog::done(int result) {
    for (int i = 0; i < 3; ++i) counters_[i]->AddHistory();
    form_.Close();
    SelectDialogBase::done(result);
}

}  // namespace tarvex::ui
