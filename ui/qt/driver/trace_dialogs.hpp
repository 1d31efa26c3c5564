#pragma once
// The trace window's dialogs (save trace, columns, goto, frame search): their
// described forms bound to their models.
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/frame_pattern.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/trace_dialogs.hpp"

namespace tarvex::ui {

class SaveTraceDialog final : public DialogBase {
public:
    explicit SaveTraceDialog(SaveTraceModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                             QWidget* parent = nullptr);
    SaveTraceModel& saveModel() { return model_; }

private:
    SaveTraceModel& model_;
    QtForm form_;
};

class TraceColumnsDialog final : public DialogBase {
public:
    explicit TraceColumnsDialog(TraceColumnsModel& model, QWidget* parent = nullptr);

private:
    QtForm form_;
};

class GotoDialog final : public DialogBase {
public:
    // Closed by a bank: result Yes (6); by OK: Accepted.
    static constexpr int ResultYes = 6;
    explicit GotoDialog(GotoModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);

private:
    QtFormEvents events();

    GotoModel& model_;
    QtForm form_;
};

// The frame search and time filter dialog ("Filtern" in the model).
class FrameSearchDialog final : public DialogBase {
public:
    explicit FrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                               QWidget* parent = nullptr);

private:
    QtFormEvents events();

    FramePatternModel& model_;
    // Before the form, which reads it while it is made.
    QWidget* bottomPanel_ = nullptr;
    QtForm form_;
};

}  // namespace tarvex::ui
