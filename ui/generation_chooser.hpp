#pragma once
// The generation chooser and the Qt side of the emulator object's
// maintenance forms.
#include <QDialog>

#include "emulator/target_parts.hpp"
#include "ui/model/generation_chooser.hpp"

class QButtonGroup;
class QGroupBox;

namespace tarvex::ui {

class GenerationChooser final : public QDialog {
    Q_OBJECT
public:
    explicit GenerationChooser(QWidget* parent = nullptr);
    GenerationChooserModel& model() { return model_; }

    // Every close passes here: "Ok", the close box and Escape.
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();

    GenerationChooserModel model_;
    QGroupBox* group_;
    QButtonGroup* buttons_;
};

// What the emulator object shows during its start. Without a window to show
// (no display, a console host) the chooser answers TARVEX-V, as the emulator
// does when it has no forms at all.
class QtMaintenanceForms final : public IMaintenanceForms {
public:
    void ShowIapForm(int form) override;
    std::uint8_t ChooseGeneration() override;
};

}  // namespace tarvex::ui
