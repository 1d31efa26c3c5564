#pragma once
// An editable combo box that remembers the texts last entered, newest first,
// in the settings store under its path and section.
#include <QComboBox>
#include <string>

#include "core/history_list.hpp"
#include "platform/settings.hpp"

namespace tarvex::ui {

class HistoryCombo : public QComboBox {
    Q_OBJECT
public:
    explicit HistoryCombo(QWidget* parent = nullptr, platform::SettingsStore& store = platform::defaultSettings());
    ~HistoryCombo() override;

    // Once path and section are both set the stored history becomes the items.
    void setRegistryPath(const std::string& path);
    void setIniSection(const std::string& section);
    const std::string& section() const { return section_; }
    // Kept for the forms that set it; the settings store knows its own files.
    void setIniFileName(const std::string& name) { iniFileName_ = name; }
    const std::string& iniFileName() const { return iniFileName_; }
    // When set, leaving the control takes nothing into the history.
    void setManualUpdate(bool manual) { manualUpdate_ = manual; }
    bool manualUpdate() const { return manualUpdate_; }

    // The current text to the front of the history.
    void AddHistory();
    // A text to the front of the history; the field keeps its own.
    void AddHistory(const std::string& text);
    const THistoryList& history() const { return history_; }
    void setText(const std::string& text);
    std::string text() const { return currentText().toStdString(); }

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void load();
    void showItems();
    bool bound() const { return !path_.empty() && !section_.empty(); }

    platform::SettingsStore& store_;
    THistoryList history_;
    std::string path_, section_, iniFileName_;
    bool manualUpdate_ = false;
};

}  // namespace tarvex::ui
