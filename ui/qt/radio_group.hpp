#pragma once
// A captioned group of radio buttons, laid out in columns, whose items,
// chosen index and caption come from the model control of its name.
#include <QGroupBox>
#include <functional>
#include <string>
#include <vector>

#include "ui/model/form_model.hpp"

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace tarvex::ui {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& name, int columns, QWidget* parent = nullptr);

    // The user chose an item (not called when the model sets the index).
    void onClicked(std::function<void(int)> callback) { clicked_ = std::move(callback); }
    void show(const ControlState& state);
    int itemIndex() const;
    // The button of an item, for tests; null past the end.
    QRadioButton* button(int index) const;

private:
    void rebuild(const std::vector<std::string>& items);

    int columns_;
    QGridLayout* grid_;
    QButtonGroup* buttons_;
    std::vector<std::string> items_;
    std::function<void(int)> clicked_;
};

// Every RadioGroup below the form from the model's control of its name, and
// the caption of every other group box; called after bindControls.
void bindRadioGroups(QWidget& form, const FormModel& model);

// Every list box below the form whose texts differ from its model control's
// gets them anew (bindControls compares the counts only).
void bindListTexts(QWidget& form, const FormModel& model);

}  // namespace tarvex::ui
