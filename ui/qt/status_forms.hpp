#pragma once
// The Qt forms of the load and save progress and of the stop-error question.
#include <QDialog>
#include <memory>

#include "platform/ui.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/status_forms.hpp"

namespace tarvex::ui {

// Installed as platform::currentUi().loadStatus by whoever owns the windows.
class LoadStatusForm final : public QDialog, public platform::LoadStatusWindow {
public:
    explicit LoadStatusForm(QWidget* parent = nullptr);
    bool isOpen() const override { return model_.isOpen(); }
    void setStatus(const std::string& text) override { model_.setStatus(text); }
    void addLine(const std::string& text, bool isError) override { model_.addLine(text, isError); }
    void setText(platform::LoadField field, const std::string& text) override { model_.setText(field, text); }
    void setPellunarVisible(bool on) override { model_.setPellunarVisible(on); }
    void clearLines() override { model_.clearLines(); }
    void showForm() override { open(); }
    void closeForm() override { finish(); }
    // Application-modal until the user closes it.
    void showModal() override;
    void open();
    void finish();
    // Lets "Abbrechen" through, then answers whether it was pressed.
    bool cancelRequested() override;
    LoadStatusModel& model() { return model_; }

private:
    LoadStatusModel model_;
    QtForm form_;
};

// Installed as platform::currentUi().saveStatus by whoever owns the windows;
// the trace export drives it as well.
class SaveStatusForm final : public QDialog, public platform::SaveStatusWindow {
public:
    explicit SaveStatusForm(QWidget* parent = nullptr);
    void setCaption(const std::string& text) override { model_.setCaption(text); }
    void setLabel(const std::string& control, const std::string& text) override { model_.setLabel(control, text); }
    void setFileName(const std::string& text) override { model_.setFileName(text); }
    void setMemoryName(const std::string& text) override { model_.setMemoryName(text); }
    void setRange(const std::string& text) override { model_.setRange(text); }
    void setStatus(const std::string& text) override { model_.setStatus(text); }
    // Not modal, Cancel cleared, painted before the save goes on.
    void show() override;
    void close() override { hide(); }
    // Lets "Abbrechen" through, then answers whether it was pressed.
    bool cancelRequested() override;
    SaveStatusModel& model() { return model_; }

private:
    SaveStatusModel model_;
    QtForm form_;
};

// Shown and polled from any thread; the widget lives on the thread that owns
// the application, and calls from other threads are queued to it.
class StopErrorForm final : public QDialog, public platform::StopErrorForm {
public:
    explicit StopErrorForm(QWidget* parent = nullptr);
    void show() override;
    bool visible() const override { return model_.visible(); }
    // On the user interface's thread pending input is handled first, so the
    // run control's polls are what lets a click on "Yes" through.
    bool answeredYes() const override;
    void close() override;
    StopErrorModel& model() { return model_; }

private:
    void showNow();
    void closeNow();

    StopErrorModel model_;
    QtForm form_;
};

}  // namespace tarvex::ui
