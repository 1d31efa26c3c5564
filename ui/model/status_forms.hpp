#pragma once
// The progress forms of a load and of a save, and the question after a stop
// the target did not obey. Their texts start as the forms are built; the
// loader and the save writers rename the labels while they run.
#include <atomic>
#include <functional>
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
    // The memory save renames the labels by the names its writers know
    // ("GroupBox1", "Label1" ... "Label4", "CancelButton").
    void setLabel(const std::string& theirs, const std::string& text);
    void setFileName(const std::string& text) { setText("Dateiname", text); }
    void setMemoryName(const std::string& text) { setText("Speichertyp", text); }
    void setRange(const std::string& text) { setText("AdressBereich", text); }
    void setStatus(const std::string& text) { setText("Status", text); }
    void clickCancel() { cancel_ = true; }
    bool cancelRequested() const { return cancel_; }
    void resetCancel() { cancel_ = false; }
    // Its one button: "Abbrechen".
    forms::FormEvents events();

private:
    bool cancel_ = false;
};

// The question after a failed operation of the link: each button ends the
// form with its answer; Escape and the close box answer Cancel.
class ErrorFormModel final : public FormModel {
public:
    ErrorFormModel(const std::string& message, const std::string& firstLine);
    static int answerOf(const std::string& button);
    forms::FormEvents events(std::function<void(int answer)> end) const;
};

// The notice shown while an operation that cannot stop runs.
class NoticeModel final : public FormModel {
public:
    NoticeModel();
    void setNotice(const std::string& text) { setText("Hinweis", text); }
};

// The notice with a Cancel while the trace is read: any click or the close
// box asks to stop reading.
class ReadingTraceModel final : public FormModel {
public:
    ReadingTraceModel();
    void clickCancel() { cancel_ = true; }
    bool cancelRequested() const { return cancel_; }
    void resetCancel() { cancel_ = false; }
    forms::FormEvents events();

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
