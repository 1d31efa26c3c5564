#pragma once
// The windows of the dialogs that edit an offline select table: the basic
// break, map, break and trace settings dialogs, each its described form over
// its model, which routes the controls' events. Whatever ends one, its
// fields keep what was typed.
#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/break_form.hpp"
#include "ui/model/select_form.hpp"
#include "ui/model/trace_settings_form.hpp"

namespace tarvex::ui {

class SelectDialog : public DialogBase {
    Q_OBJECT
public:
    SelectDialog(SelectFormModel& model, const forms::Form& description, platform::SettingsStore& store,
                 QWidget* parent);

private:
    QtForm form_;
};

class BasicBreakDialog final : public SelectDialog {
    Q_OBJECT
public:
    BasicBreakDialog(BasicBreakFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                     QWidget* parent = nullptr);
};

class MapDialog final : public SelectDialog {
    Q_OBJECT
public:
    MapDialog(MapFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
              QWidget* parent = nullptr);
};

class BreakSettingsDialog final : public SelectDialog {
    Q_OBJECT
public:
    BreakSettingsDialog(BreakFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);
};

class TraceSettingsDialog final : public SelectDialog {
    Q_OBJECT
public:
    TraceSettingsDialog(TraceSettingsFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                        QWidget* parent = nullptr);
};

}  // namespace tarvex::ui
