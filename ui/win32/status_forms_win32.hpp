#pragma once
// The platform's forms built of the system's controls: the error form, the
// notice window, and the progress forms of a load and of a save. Whoever
// owns the windows installs them in platform::currentUi().
#include <memory>

#include "platform/ui.hpp"
#include "ui/model/status_forms.hpp"
#include "ui/win32/win32_form.hpp"
#include "ui/win32/win32_ui.hpp"

namespace tarvex::ui::win32 {

// Modal over the active window; Yes, Cancel or Retry (Escape and the close
// box: Cancel).
class Win32ErrorDialog final : public platform::ErrorDialog {
public:
    int ask(const std::string& message, const std::string& firstLine) override;
};

// Shown without taking the focus, painted at once: the operation behind it
// runs on this thread.
class Win32NoticeWindow final : public platform::NoticeWindow {
public:
    void show(const std::string& text) override;
    void close() override;
    Win32Form* form() const { return form_.get(); }

private:
    NoticeModel model_;
    std::unique_ptr<Win32Form> form_;
};

class Win32LoadStatusWindow final : public platform::LoadStatusWindow {
public:
    Win32LoadStatusWindow();
    bool isOpen() const override { return model_.isOpen(); }
    void setStatus(const std::string& text) override { model_.setStatus(text); }
    void addLine(const std::string& text, bool isError) override { model_.addLine(text, isError); }
    void setText(platform::LoadField field, const std::string& text) override { model_.setText(field, text); }
    void setPellunarVisible(bool on) override { model_.setPellunarVisible(on); }
    void clearLines() override { model_.clearLines(); }
    void showForm() override;
    void closeForm() override;
    // Modal until the user closes it.
    void showModal() override;
    // Lets "Abbrechen" through, then answers whether it was pressed.
    bool cancelRequested() override;
    LoadStatusModel& model() { return model_; }
    Win32Form& form() { return *form_; }

private:
    LoadStatusModel model_;
    std::unique_ptr<Win32Form> form_;
};

class Win32SaveStatusWindow final : public platform::SaveStatusWindow {
public:
    Win32SaveStatusWindow();
    void setCaption(const std::string& text) override { model_.setCaption(text); }
    void setLabel(const std::string& control, const std::string& text) override { model_.setLabel(control, text); }
    void setFileName(const std::string& text) override { model_.setFileName(text); }
    void setMemoryName(const std::string& text) override { model_.setMemoryName(text); }
    void setRange(const std::string& text) override { model_.setRange(text); }
    void setStatus(const std::string& text) override { model_.setStatus(text); }
    void show() override;
    void close() override;
    bool cancelRequested() override;
    SaveStatusModel& model() { return model_; }
    Win32Form& form() { return *form_; }

private:
    SaveStatusModel model_;
    std::unique_ptr<Win32Form> form_;
};

// Puts them, the system's file dialog and WinHelp into platform::currentUi()
// for its lifetime; what was there before comes back.
class ScopedWin32Forms {
public:
    ScopedWin32Forms();
    ~ScopedWin32Forms();
    ScopedWin32Forms(const ScopedWin32Forms&) = delete;
    ScopedWin32Forms& operator=(const ScopedWin32Forms&) = delete;

private:
    Win32ErrorDialog errors_;
    Win32NoticeWindow notice_;
    Win32LoadStatusWindow loadStatus_;
    Win32SaveStatusWindow saveStatus_;
    // The system's open and save dialogs of every "Browse" button.
    Win32FileDialog files_;
    // The help file of every Help button and F1.
    Win32HelpEngine help_;
    platform::Ui saved_;
};

}  // namespace tarvex::ui::win32
