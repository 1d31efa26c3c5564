#pragma once
// The windowed checker's two forms: thin views on their models.
#include <QDialog>
#include <QMainWindow>
#include <memory>

#include "checkwin/qz_check_win.hpp"
#include "ui/qt/qt_form.hpp"

namespace tarvex::checkwin {

class QzAboutForm final : public QDialog {
    Q_OBJECT
public:
    explicit QzAboutForm(QzAboutModel& model, QWidget* parent = nullptr);
    QzAboutModel& model() const { return model_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QzAboutModel& model_;
    ui::QtForm form_;
};

class QzCheckMainForm final : public QMainWindow {
    Q_OBJECT
public:
    explicit QzCheckMainForm(QzCheckMainModel& model, QWidget* parent = nullptr);
    void setAboutForm(QzAboutForm* about) { about_ = about; }

    // "&About..." of the menu.
    void AboutClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QzCheckMainModel& model_;
    QzAboutForm* about_ = nullptr;
    // The form fills the window below its menu.
    QWidget* central_;
    std::unique_ptr<ui::QtForm> form_;
    bool placed_ = false;
};

}  // namespace tarvex::checkwin
