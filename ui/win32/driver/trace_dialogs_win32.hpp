#pragma once
// The trace window's dialogs on Windows: the described forms over the same
// models the Qt views use, each with the histories of its fields. The trace
// window opens goto, search, time filter and columns; the driver's menu
// opens save-trace.
#include <memory>

#include "ui/model/frame_pattern.hpp"
#include "ui/model/save_trace_model.hpp"
#include "ui/model/trace_dialogs.hpp"
#include "ui/win32/driver/dialog_runner.hpp"
#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

class SaveTraceWin32 {
public:
    SaveTraceWin32(SaveTraceModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    SaveTraceModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// Modal over the owner; true for "Save" with the input taken.
bool runSaveTraceDialog(SaveTraceModel& model, platform::SettingsStore& store, HWND owner);

class TraceColumnsWin32 {
public:
    TraceColumnsWin32(TraceColumnsModel& model, HWND owner);
    Win32Form& form() { return *form_; }

private:
    TraceColumnsModel& model_;
    std::unique_ptr<Win32Form> form_;
};

bool runTraceColumnsDialog(TraceColumnsModel& model, HWND owner);

class GotoWin32 {
public:
    GotoWin32(GotoModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    // The form is as high as the bank group needs: the group shown, or not.
    void fitBankGroup();

    GotoModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// IDOK, IDYES for a bank chosen in the group (GotoModel::chosenBank), or
// IDCANCEL.
int runGotoDialog(GotoModel& model, platform::SettingsStore& store, HWND owner);

class FrameSearchWin32 {
public:
    FrameSearchWin32(FramePatternModel& model, platform::SettingsStore& store, HWND owner);
    Win32Form& form() { return *form_; }

private:
    void fitBottomPanel();

    FramePatternModel& model_;
    FieldHistories histories_;
    std::unique_ptr<Win32Form> form_;
};

// The search, or with the model's Filtern the time filter; true for OK and
// for "Don't care" (which closes like OK).
bool runFrameSearchDialog(FramePatternModel& model, platform::SettingsStore& store, HWND owner);

}  // namespace tarvex::ui::win32
