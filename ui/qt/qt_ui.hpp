#pragma once
// The Qt halves of the platform's user interface: the message boxes, the
// error form, the notice window and the busy cursor.
#include <memory>
#include <string>

#include "platform/ui.hpp"

class QWidget;

namespace tarvex::ui {

class QtMessageBoxes final : public platform::MessageBoxes {
public:
    // Application-modal; closing the box answers Cancel when it has one,
    // else No, else Ok: closing a question never confirms it.
    int show(const std::string& caption, const std::string& text, unsigned flags) override;
    void beep() override;
};

class QtErrorDialog final : public platform::ErrorDialog {
public:
    int ask(const std::string& message, const std::string& firstLine) override;
};

class QtNoticeWindow final : public platform::NoticeWindow {
public:
    QtNoticeWindow();
    ~QtNoticeWindow() override;
    // Draws the text before the caller's long operation starts.
    void show(const std::string& text) override;
    void close() override;
    QWidget* form() const;

private:
    struct Form;
    std::unique_ptr<Form> form_;
};

// An open dialog also when the chosen file is to be written: the forms name
// files to write that way.
class QtFileDialog final : public platform::FileDialog {
public:
    std::optional<platform::FileChoice> chooseFile(const platform::FileRequest& request) override;
};

class QtBusyCursor final : public platform::BusyCursor {
public:
    void begin() override;
    void end() override;
};

// The error form itself, for a test that drives it.
std::unique_ptr<QWidget> makeErrorForm(const std::string& message, const std::string& firstLine);

}  // namespace tarvex::ui
