#pragma once
// The three maintenance forms in one view; the model says which one it is.
#include <exception>

#include "ui/base/dialog_base.hpp"
#include "ui/model/iap_form.hpp"

namespace tarvex::ui {

class IapForm final : public DialogBase {
    Q_OBJECT
public:
    IapForm(int form, TBasisEmulator& link, platform::SettingsStore& store, QWidget* parent = nullptr);
    IapFormModel& iapModel() { return model_; }
    // A link error of a handler: the form closes and its opener raises it,
    // since no exception may pass through Qt's event loop.
    std::exception_ptr failure() const { return failure_; }

protected:
    void done(int result) override;

private:
    void refresh();
    void run(void (IapForm::*action)());
    void sendCall();

    IapFormModel model_;
    platform::SettingsStore& store_;
    std::exception_ptr failure_;
};

}  // namespace tarvex::ui
