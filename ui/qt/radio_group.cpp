#include "ui/qt/radio_group.hpp"

#include <QButtonGroup>
#include <QGridLayout>
#include <QListWidget>
#include <QRadioButton>

namespace tarvex::ui {

RadioGroup::RadioGroup(const QString& name, int columns, QWidget* parent)
    : QGroupBox(parent), columns_(columns < 1 ? 1 : columns), grid_(new QGridLayout(this)),
      buttons_(new QButtonGroup(this)) {
    setObjectName(name);
    connect(buttons_, &QButtonGroup::idClicked, this, [this](int id) {
        if (clicked_) clicked_(id);
    });
}

void RadioGroup::rebuild(const std::vector<std::string>& items) {
    for (auto* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    items_ = items;
    const int rows = (static_cast<int>(items.size()) + columns_ - 1) / columns_;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        auto* b = new QRadioButton(QString::fromStdString(items[static_cast<std::size_t>(i)]), this);
        b->setObjectName(objectName() + QString::number(i));
        buttons_->addButton(b, i);
        // Filled column by column, as the resource's groups are.
        grid_->addWidget(b, rows > 0 ? i % rows : 0, rows > 0 ? i / rows : 0);
        // Made after the group was shown, a button stays hidden unless told.
        b->show();
    }
}

void RadioGroup::show(const ControlState& state) {
    if (!state.text.empty()) setTitle(QString::fromStdString(state.text));
    if (state.items != items_) rebuild(state.items);
    if (auto* b = buttons_->button(state.itemIndex)) {
        b->setChecked(true);
    } else if (auto* checked = buttons_->checkedButton()) {
        buttons_->setExclusive(false);
        checked->setChecked(false);
        buttons_->setExclusive(true);
    }
}

int RadioGroup::itemIndex() const { return buttons_->checkedId(); }

QRadioButton* RadioGroup::button(int index) const { return qobject_cast<QRadioButton*>(buttons_->button(index)); }

void bindRadioGroups(QWidget& form, const FormModel& model) {
    for (auto* box : form.findChildren<QGroupBox*>()) {
        const auto name = box->objectName().toStdString();
        if (!model.controls().count(name)) continue;
        const auto& state = model.control(name);
        if (auto* group = qobject_cast<RadioGroup*>(box)) {
            group->show(state);
        } else if (!state.text.empty()) {
            box->setTitle(QString::fromStdString(state.text));
        }
    }
}

void bindListTexts(QWidget& form, const FormModel& model) {
    for (auto* list : form.findChildren<QListWidget*>()) {
        const auto name = list->objectName().toStdString();
        if (!model.controls().count(name)) continue;
        const auto& state = model.control(name);
        bool same = list->count() == static_cast<int>(state.items.size());
        for (int i = 0; same && i < list->count(); ++i)
            same = list->item(i)->text().toStdString() == state.items[static_cast<std::size_t>(i)];
        if (same) continue;
        QSignalBlocker block(list);
        list->clear();
        for (const auto& item : state.items) list->addItem(QString::fromStdString(item));
        list->setCurrentRow(state.itemIndex);
    }
}

}  // namespace tarvex::ui
