#pragma once
// The progress forms of a load and of a save, and the question after a stop
// the target did not obey. Their texts start as the forms are built; the
// loader and the save writers rename the labels while they run.
#include <atomic>
#include <string>

#include "platform/ui.hpp"
#include "ui/forms/form_events.hpp"
#include "ui/model/form_model.hpp"

namespace tarvex::ui {

// The load progress form behind platform::LoadStatusWindow: the status goes
// to "Warnung", every reported line to the "MessageBox" list.
class LoadStatusModel final : public FormModel, public platform::LoadStatusWindow {
public:
    LoadStatusModel();

    using FormModel::setText;
    bool isOpen() const override { return open_; }
    void setStatus(const std::string& text) override { setText("Warnung", text); }
    void addLine(const std::string& text, bool isError) override;
    // The loader's fields by their control names.
    void setText(platform::LoadField field, const std::string& text) override;
    void setPellunarVisible(bool on) override;
    void clearLines() override;

    void setOpen(bool open);
    int errors() const { return errors_; }
    // "Abbrechen": the next cancel query answers true.
    void clickCancel() { cancel_ = true; }
    bool cancelRequested() override { return cancel_; }
    void resetCancel() { cancel_ = false; }

private:
    bool open_ = false;
    bool cancel_ = false;
    int errors_ = 0;
};

class SaveStatusModel final : public FormModel {
public:
    SaveStatusModel();
    void clickCancel() { cancel_ = true; }
    bool cancelRequested() const { return cancel_; }
    void resetCancel() { cancel_ = false; }

private:
    bool cancel_ = false;
};

// The stop-error question: shown and polled from the run control's thread,
// answered on the user interface's, so both flags are atomic.
class StopErrorModel final : public FormModel {
public:
    StopErrorModel();
    void show() {
        answered_ = false;
        visible_ = true;
    }
    void close() {
        visible_ = false;
        answered_ = false;
    }
    void clickYes() {
        answered_ = true;
        visible_ = false;
    }
    bool visible() const { return visible_.load(); }
    bool answeredYes() const { return answered_.load(); }
    // The form's events: "Yes" answers and `hide`s the window.
    forms::FormEvents events(std::function<void()> hide) {
        forms::FormEvents events;
        events.click = [this, hide = std::move(hide)](const std::string& name) {
            if (name != "OkBtn") return;
            clickYes();
            hide();
        };
        return events;
    }

private:
    std::atomic<bool> visible_{false};
    std::atomic<bool> answered_{false};
};

}  // namespace tarvex::ui
