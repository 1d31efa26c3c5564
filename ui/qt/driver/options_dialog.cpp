#include "ui/qt/driver/options_dialog.hpp"

#include <QTabWidget>
#include <algorithm>

#include "ui/forms/options_forms.hpp"
#include "ui/qt/driver/lpc_config_dialog.hpp"

namespace tarvex::ui {

OptionsDialog::OptionsDialog(OptionsFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : DialogBase(model, parent), model_(model), store_(store), events_(events()),
      form_(*this, forms::optionsForm(), model, events_, store) {
    for (std::size_t i = 0; i < forms::optionsPages().size(); ++i)
        form_.addPage(*forms::optionsPages()[i], model_.page(static_cast<OptionsPage>(i)), events_);
}

QTabWidget* OptionsDialog::pages() const { return findChild<QTabWidget*>(); }

forms::FormEvents OptionsDialog::events() {
    auto events = model_.events(dialogWindow(*this, form_), [this](int option, std::uint8_t& ucfg1, std::uint8_t& part) {
        return OpenLpcConfig(option, ucfg1, part, this, store_);
    });
    events.changed = [routed = std::move(events.changed), this] {
        routed();
        markRefused();
    };
    return events;
}

void OptionsDialog::markRefused() {
    const auto marked = model_.markedFields();
    for (const auto& name : marked)
        if (std::find(marked_.begin(), marked_.end(), name) == marked_.end()) marked_.push_back(name);
    // Every field ever marked: marked now, or not.
    for (const auto& name : marked_) {
        const bool refused = std::find(marked.begin(), marked.end(), name) != marked.end();
        const QString sheet = refused ? QStringLiteral("QLineEdit { border: 2px solid red; }") : QString();
        if (auto* field = findChild<QWidget*>(QString::fromStdString(name)); field && field->styleSheet() != sheet)
            field->setStyleSheet(sheet);
    }
}

bool RunOptionsDialog(IOptionsTarget& target, platform::SettingsStore& store, QWidget* owner) {
    OptionsFormModel model(target, store);
    model.fill();
    OptionsDialog dialog(model, store, owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    return dialog.exec() == QDialog::Accepted;
}

}  // namespace tarvex::ui
