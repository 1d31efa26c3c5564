#include "ui/win32/stop_error_win32.hpp"

#include "ui/forms/status_forms.hpp"

namespace tarvex::ui::win32 {

namespace {

// Posted to the form by the threads that do not own it.
constexpr UINT kShowNow = WM_APP + 0x51;
constexpr UINT kCloseNow = WM_APP + 0x52;

}  // namespace

Win32StopErrorForm::Win32StopErrorForm() : thread_(GetCurrentThreadId()) {
    FormEvents events{model_.events([this] { ShowWindow(form_->handle(), SW_HIDE); })};
    // Only "Yes" or the run control ends the question: a form closed
    // unanswered would leave the target taken as running with nothing left
    // to answer.
    events.closing = [] { return false; };
    events.message = [this](UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (message != kShowNow && message != kCloseNow) return false;
        if (message == kShowNow) showNow();
        if (message == kCloseNow) closeNow();
        result = 0;
        return true;
    };
    form_ = std::make_unique<Win32Form>(forms::stopErrorForm(), model_, std::move(events));
    SetWindowPos(form_->handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

bool Win32StopErrorForm::onOwnThread() const { return GetCurrentThreadId() == thread_; }

void Win32StopErrorForm::show() {
    // The flags first: the thread that showed the form sees it at once.
    model_.show();
    if (onOwnThread()) {
        showNow();
    } else {
        PostMessageA(form_->handle(), kShowNow, 0, 0);
    }
}

void Win32StopErrorForm::showNow() {
    if (!model_.visible()) return;
    form_->centre();
    form_->show();
    SetWindowPos(form_->handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

bool Win32StopErrorForm::answeredYes() const {
    if (onOwnThread()) pumpMessages();
    return model_.answeredYes();
}

void Win32StopErrorForm::close() {
    model_.close();
    if (onOwnThread()) {
        closeNow();
    } else {
        PostMessageA(form_->handle(), kCloseNow, 0, 0);
    }
}

void Win32StopErrorForm::closeNow() {
    if (!model_.visible()) ShowWindow(form_->handle(), SW_HIDE);
}

}  // namespace tarvex::ui::win32
