#pragma once
// The base of the driver's dialogs: help by button and F1, a click on a label
// focuses its buddy, and the form opens where it was last closed.
#include <QDialog>
#include <functional>

#include "ui/model/dialog_model.hpp"
#include "ui/model/form_model.hpp"

class QLabel;

namespace tarvex::ui {

class DialogBase : public QDialog {
    Q_OBJECT
public:
    DialogBase(DialogModel& model, QWidget* parent = nullptr);

    DialogModel& model() const { return model_; }
    // The Help button's slot.
    void HilfeClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

private:
    DialogModel& model_;
    bool placed_ = false;
};

// Gives every child named like a control of the model that control's state;
// the form's caption becomes the window title.
void bindControls(QWidget& form, const FormModel& model);

// Renders a widget into <TARVEX_UI_SHOTS>/<name>.png when that folder is set,
// so that a reviewer can look at the forms the tests built; first the
// layout checks (ui/qt/layout_check.hpp) look at it.
bool saveShot(QWidget& widget, const std::string& name);

}  // namespace tarvex::ui
