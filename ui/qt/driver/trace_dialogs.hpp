#pragma once
// The save-trace, columns and goto dialogs: widgets bound to their models.
#include <array>
#include <string>

#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/frame_pattern.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/trace_dialogs.hpp"

class QButtonGroup;

namespace tarvex::ui {

class HistoryCombo;

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

protected:
    void done(int result) override;

private:
    void rebuildBanks();

    GotoModel& model_;
    HistoryCombo* ziel_;
    QWidget* bankGroup_;
    QButtonGroup* banks_;
    int bankCount_ = -1;
    std::string section_;
};

// The frame search and time filter dialog ("Filtern" in the model).
class FrameSearchDialog final : public DialogBase {
public:
    explicit FrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                               QWidget* parent = nullptr);

protected:
    void done(int result) override;
    // Leaving an input checks it; a refused one gets the focus back.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    FramePatternModel& model_;
    HistoryCombo* inputs_[3];
    bool checking_ = false;
    QButtonGroup* cycles_;
    QButtonGroup* direction_;
    QButtonGroup* start_;
};

}  // namespace tarvex::ui
