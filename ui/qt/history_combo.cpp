#include "ui/qt/history_combo.hpp"

#include <QFocusEvent>
#include <QLineEdit>

namespace tarvex::ui {

HistoryCombo::HistoryCombo(QWidget* parent, platform::SettingsStore& store) : QComboBox(parent), store_(store) {
    setEditable(true);
    // The history decides the order; typing Enter must not add items of its own.
    setInsertPolicy(QComboBox::NoInsert);
}

HistoryCombo::~HistoryCombo() {
    if (bound()) history_.Save(store_, path_, section_);
}

void HistoryCombo::setRegistryPath(const std::string& path) {
    path_ = path;
    load();
}

void HistoryCombo::setIniSection(const std::string& section) {
    section_ = section;
    load();
}

void HistoryCombo::load() {
    if (!bound()) return;
    history_.Load(store_, path_, section_);
    showItems();
    if (history_.Count() > 0) setCurrentIndex(0);
}

void HistoryCombo::showItems() {
    const QString text = currentText();
    QSignalBlocker block(this);
    clear();
    for (const auto& item : history_.Items()) addItem(QString::fromStdString(item));
    setEditText(text);
}

void HistoryCombo::AddHistory() { AddHistory(text()); }

void HistoryCombo::AddHistory(const std::string& text) {
    history_.AddHistory(text);
    showItems();
    if (bound()) history_.Save(store_, path_, section_);
}

void HistoryCombo::setText(const std::string& text) { setEditText(QString::fromStdString(text)); }

void HistoryCombo::focusOutEvent(QFocusEvent* event) {
    // The popup list takes the focus for a moment: that is no leaving.
    if (!manualUpdate_ && event->reason() != Qt::PopupFocusReason) AddHistory();
    QComboBox::focusOutEvent(event);
}

}  // namespace tarvex::ui
