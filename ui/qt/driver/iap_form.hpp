#pragma once
// The three maintenance forms in one view; the model says which one it is.
#include <exception>

#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/iap_form.hpp"

namespace tarvex::ui {

class IapForm final : public DialogBase {
    Q_OBJECT
public:
    IapForm(int form, TBasisEmulator& link, platform::SettingsStore& store, QWidget* parent = nullptr);
    IapFormModel& iapModel() { return model_; }
    // A link error of a handler: the form closes and its opener raises it,
    // since no exception may pass through Qt's event loop.
    std::exception_ptr failure() const { return model_.failure(); }

protected:
    void done(int result) override;

private:
    IapFormModel model_;
    QtForm form_;
};

}  // namespace tarvex::ui
