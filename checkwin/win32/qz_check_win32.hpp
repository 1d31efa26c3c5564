#pragma once
// The windowed checker's two forms on Windows: the forms of
// checkwin/qz_check_layout built by the Win32 renderer over their models.
#include <memory>

#include "checkwin/qz_check_win.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::checkwin {

class QzCheckMainWin32 {
public:
    QzCheckMainWin32(QzCheckMainModel& model, QzAboutModel& about);
    ~QzCheckMainWin32();

    ui::win32::Win32Form& form() { return *form_; }
    // The about form while it is open, else null.
    ui::win32::Win32Form* aboutForm() const { return aboutForm_.get(); }

    // Shows the form and runs the program's messages until it closes.
    void run();
    // The handlers, as the buttons and the menu call them.
    void AboutClick();

private:
    QzCheckMainModel& model_;
    QzAboutModel& about_;
    std::unique_ptr<ui::win32::Win32Form> form_;
    std::unique_ptr<ui::win32::Win32Form> aboutForm_;
};

}  // namespace tarvex::checkwin
