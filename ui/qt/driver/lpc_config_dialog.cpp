#include "ui/qt/driver/lpc_config_dialog.hpp"

#include <QTabWidget>

#include "ui/forms/options_forms.hpp"

namespace tarvex::ui {

LpcConfigDialog::LpcConfigDialog(LpcConfigModel& model, QWidget* parent)
    : DialogBase(model, parent), model_(model), form_(*this, forms::lpcConfigForm(), model, model.events(dialogWindow(*this, form_))) {
    const auto events = model.events(dialogWindow(*this, form_));
    for (const forms::Form* page : {&forms::lpcUcfg1Page(), &forms::lpcPartConfigPage()})
        form_.addPage(*page, model, events);
}

QTabWidget* LpcConfigDialog::pages() const { return findChild<QTabWidget*>(); }

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
