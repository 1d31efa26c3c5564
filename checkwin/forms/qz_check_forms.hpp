#pragma once
// The windowed checker's two forms: thin views on their models.
#include <QDialog>
#include <QGroupBox>
#include <QMainWindow>
#include <string>
#include <vector>

#include "checkwin/qz_check_win.hpp"

class QButtonGroup;
class QLabel;
class QListWidget;
class QPushButton;

namespace tarvex::ui {
class HistoryCombo;
}

namespace tarvex::checkwin {

// A titled group of radio buttons laid out in columns; a click reports the
// item's index.
class RadioGroup final : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const std::string& name, int columns, QWidget* parent);
    // Builds the buttons once, then only moves the check.
    void show(const ui::ControlState& state);
    int checkedIndex() const;

signals:
    void chosen(int index);

private:
    QButtonGroup* buttons_;
    int columns_;
};

class QzAboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit QzAboutForm(QzAboutModel& model, QWidget* parent = nullptr);
    void refresh();
    QzAboutModel& model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QzAboutModel& model_;
};

class QzCheckMainForm final : public QMainWindow {
    Q_OBJECT
public:
    explicit QzCheckMainForm(QzCheckMainModel& model, QWidget* parent = nullptr);
    ~QzCheckMainForm() override;
    void setAboutForm(QzAboutForm* about) { about_ = about; }
    void refresh();

    // The handlers, as the buttons and the menu call them.
    void BrowseClick();
    void GoClick();
    void AboutClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QzCheckMainModel& model_;
    QzAboutForm* about_ = nullptr;
    ui::HistoryCombo* fileName_ = nullptr;
    QListWidget* list_ = nullptr;
    std::vector<RadioGroup*> groups_;
    bool refreshing_ = false;
    bool placed_ = false;
};

}  // namespace tarvex::checkwin
