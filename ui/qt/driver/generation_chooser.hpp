#pragma once
// The generation chooser and the Qt side of the emulator object's
// maintenance forms.
#include <QDialog>

#include "emulator/link/basis_emulator.hpp"
#include "emulator/target_parts.hpp"
#include "platform/settings.hpp"
#include "ui/model/generation_chooser.hpp"
#include "ui/qt/qt_form.hpp"

namespace tarvex::ui {

// The described form over its model, which routes its events; no way of
// closing it passes without a choice.
class GenerationChooser final : public QDialog {
    Q_OBJECT
public:
    explicit GenerationChooser(QWidget* parent = nullptr);
    GenerationChooserModel& model() { return model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    GenerationChooserModel model_;
    QtForm form_;
};

// What the emulator object shows during its start. Without a window to show
// (no display, a console host) the chooser answers TARVEX-V, as the emulator
// does when it has no forms at all.
// Without a link the maintenance forms are not shown.
class QtMaintenanceForms final : public IMaintenanceForms {
public:
    explicit QtMaintenanceForms(TBasisEmulator* link = nullptr,
                                platform::SettingsStore& store = platform::defaultSettings())
        : link_(link), store_(store) {}
    // Modal. A link error of the form is raised here, after the form closed;
    // after a chip erase ETarvexAbort ends the start, which no restart can mend.
    void ShowIapForm(int form) override;
    std::uint8_t ChooseGeneration() override;

private:
    TBasisEmulator* link_;
    platform::SettingsStore& store_;
};

}  // namespace tarvex::ui
