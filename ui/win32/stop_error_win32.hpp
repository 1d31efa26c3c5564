#pragma once
// The question after a stop the target did not obey, built of the system's
// controls: not modal, in front of every window, centred on the screen. The
// run control shows, polls and closes it from any thread; its window lives
// on the thread that made the form, and calls from other threads are posted
// there.
#include <memory>

#include "platform/ui.hpp"
#include "ui/model/status_forms.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class Win32StopErrorForm final : public platform::StopErrorForm {
public:
    Win32StopErrorForm();
    void show() override;
    bool visible() const override { return model_.visible(); }
    // On the form's own thread waiting input is handled first, so the run
    // control's polls are what lets a click on "Yes" through.
    bool answeredYes() const override;
    void close() override;
    StopErrorModel& model() { return model_; }
    Win32Form& form() { return *form_; }

private:
    bool onOwnThread() const;
    void showNow();
    void closeNow();

    StopErrorModel model_;
    std::unique_ptr<Win32Form> form_;
    DWORD thread_ = 0;
};

}  // namespace tarvex::ui::win32
