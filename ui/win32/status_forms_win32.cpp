#include "ui/win32/status_forms_win32.hpp"

#include "ui/forms/status_forms.hpp"

namespace tarvex::ui::win32 {

namespace {

// Shown in front without taking the focus, and painted before the caller
// goes on.
void showPassive(Win32Form& form) {
    if (!IsWindowVisible(form.handle())) form.centre();
    ShowWindow(form.handle(), SW_SHOWNOACTIVATE);
    SetWindowPos(form.handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    UpdateWindow(form.handle());
}

}  // namespace

int Win32ErrorDialog::ask(const std::string& message, const std::string& firstLine) {
    ErrorFormModel model(message, firstLine);
    std::unique_ptr<Win32Form> form;
    form = std::make_unique<Win32Form>(forms::errorForm(), model, model.events([&form](int answer) { form->end(answer); }),
                                       GetActiveWindow());
    form->centre();
    const int result = form->runModal();
    return result == platform::IdYes || result == platform::IdRetry ? result : platform::IdCancel;
}

void Win32NoticeWindow::show(const std::string& text) {
    model_.setNotice(text);
    if (!form_) form_ = std::make_unique<Win32Form>(forms::noticeForm(), model_, FormEvents{});
    showPassive(*form_);
}

void Win32NoticeWindow::close() {
    if (form_) ShowWindow(form_->handle(), SW_HIDE);
}

Win32LoadStatusWindow::Win32LoadStatusWindow() {
    FormEvents events;
    events.click = [this](const std::string& name) {
        if (name != "AbbruchButton") return;
        model_.clickCancel();
        if (!form_->ended()) form_->end(IDCANCEL);
    };
    // The close box is "Abbrechen" too.
    events.closing = [this] {
        model_.clickCancel();
        return true;
    };
    form_ = std::make_unique<Win32Form>(forms::loadStatusForm(), model_, std::move(events));
}

void Win32LoadStatusWindow::showForm() {
    model_.setOpen(true);
    showPassive(*form_);
}

void Win32LoadStatusWindow::closeForm() {
    model_.setOpen(false);
    ShowWindow(form_->handle(), SW_HIDE);
}

void Win32LoadStatusWindow::showModal() {
    model_.setOpen(true);
    form_->centre();
    form_->runModal();
    model_.setOpen(false);
}

bool Win32LoadStatusWindow::cancelRequested() {
    pumpMessages();
    return model_.cancelRequested();
}

Win32SaveStatusWindow::Win32SaveStatusWindow() {
    FormEvents events(model_.events());
    events.closing = [this] {
        model_.clickCancel();
        return false;
    };
    form_ = std::make_unique<Win32Form>(forms::saveStatusForm(), model_, std::move(events));
}

void Win32SaveStatusWindow::show() {
    model_.resetCancel();
    showPassive(*form_);
}

void Win32SaveStatusWindow::close() { ShowWindow(form_->handle(), SW_HIDE); }

bool Win32SaveStatusWindow::cancelRequested() {
    pumpMessages();
    return model_.cancelRequested();
}

ScopedWin32Forms::ScopedWin32Forms() : saved_(platform::currentUi()) {
    auto& ui = platform::currentUi();
    ui.errorDialog = &errors_;
    ui.notice = &notice_;
    ui.loadStatus = &loadStatus_;
    ui.saveStatus = &saveStatus_;
    ui.files = &files_;
    ui.helpEngine = &help_;
}

ScopedWin32Forms::~ScopedWin32Forms() {
    auto& ui = platform::currentUi();
    if (ui.errorDialog == &errors_) ui.errorDialog = saved_.errorDialog;
    if (ui.notice == &notice_) ui.notice = saved_.notice;
    if (ui.loadStatus == &loadStatus_) ui.loadStatus = saved_.loadStatus;
    if (ui.saveStatus == &saveStatus_) ui.saveStatus = saved_.saveStatus;
    if (ui.files == &files_) ui.files = saved_.files;
    if (ui.helpEngine == &help_) ui.helpEngine = saved_.helpEngine;
}

}  // namespace tarvex::ui::win32
