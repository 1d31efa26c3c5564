#include "ui/lpc_config_dialog.hpp"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "ui/base/radio_group.hpp"

namespace tarvex::ui {

LpcConfigDialog::LpcConfigDialog(LpcConfigModel& model, QWidget* parent) : DialogBase(model, parent), form_(model) {
    setObjectName("TFormLPCConfig");
    pages_ = new QTabWidget(this);
    pages_->setObjectName("PageControl");
    // Both captions in full: the dialog grows to them.
    pages_->setUsesScrollButtons(false);
    pages_->setElideMode(Qt::ElideNone);
    struct Page {
        const char* name;
        std::vector<const char*> groups;
        std::vector<const char*> checks;
    };
    const Page pages[] = {
        {"PageUcfg1", {"FrequencyGroup", "ClockRateGroup", "BrownOutGroup", "PortResetGroup"},
         {"ResetPinCheck", "WatchDogCheck"}},
        {"PagePartConfig", {"MemoryGroup"}, {"ComparatorsCheck", "DacCheck", "AdcCheck"}},
    };
    for (const auto& page : pages) {
        auto* widget = new QWidget(pages_);
        widget->setObjectName(page.name);
        auto* layout = new QVBoxLayout(widget);
        for (const char* name : page.groups) {
            auto* group = new RadioGroup(name, 1, widget);
            const std::string group_name = name;
            group->onClicked([this, group_name](int index) { form_.choose(group_name, index); });
            layout->addWidget(group);
        }
        for (const char* name : page.checks) {
            auto* box = new QCheckBox(widget);
            box->setObjectName(name);
            const std::string box_name = name;
            // clicked, not toggled: the binder's own setChecked must not echo.
            connect(box, &QCheckBox::clicked, this, [this, box_name](bool on) { form_.check(box_name, on); });
            layout->addWidget(box);
        }
        layout->addStretch(1);
        pages_->addTab(widget, QString::fromStdString(form_.control(page.name).text));
    }
    auto* ok = new QPushButton(this);
    ok->setObjectName("OkButton");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* cancel = new QPushButton(this);
    cancel->setObjectName("CancelButton");
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* top = new QVBoxLayout(this);
    top->addWidget(pages_, 1);
    top->addLayout(buttons);
    form_.onChanged([this] { refresh(); });
    refresh();
}

LpcConfigDialog::~LpcConfigDialog() { form_.onChanged({}); }

void LpcConfigDialog::refresh() {
    bindControls(*this, form_);
    bindRadioGroups(*this, form_);
}

bool OpenLpcConfig(int optionNumber, std::uint8_t& ucfg1, std::uint8_t& partConfig, QWidget* owner,
                   platform::SettingsStore& store) {
    if (optionNumber != kLpcOptionNumber) return false;
    LpcConfigModel model(store);
    model.LoadUcfg1(ucfg1);
    model.LoadPartConfig(partConfig);
    LpcConfigDialog dialog(model, owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return false;
    ucfg1 = model.BuildUcfg1();
    partConfig = model.BuildPartConfig();
    return true;
}

}  // namespace tarvex::ui
