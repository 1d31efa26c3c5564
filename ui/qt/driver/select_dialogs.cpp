#include "ui/qt/driver/select_dialogs.hpp"

#include "ui/forms/select_forms.hpp"

namespace tarvex::ui {

SelectDialog::SelectDialog(SelectFormModel& model, const forms::Form& description, platform::SettingsStore& store,
                           QWidget* parent)
    : DialogBase(model, parent), form_(*this, description, model, model.events(dialogWindow(*this, form_)), store) {}

BasicBreakDialog::BasicBreakDialog(BasicBreakFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialog(model, forms::basicBreakForm(), store, parent) {}

MapDialog::MapDialog(MapFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialog(model, forms::mapForm(), store, parent) {}

BreakSettingsDialog::BreakSettingsDialog(BreakFormModel& model, platform::SettingsStore& store, QWidget* parent)
    : SelectDialog(model, forms::breakForm(), store, parent) {}

TraceSettingsDialog::TraceSettingsDialog(TraceSettingsFormModel& model, platform::SettingsStore& store,
                                         QWidget* parent)
    : SelectDialog(model, forms::traceSettingsForm(), store, parent) {}

}  // namespace tarvex::ui
