#pragma once
// The LPC configuration dialog's window, opened by the options dialog's
// "&Configure" for the processors that carry the two bytes.
#include <cstdint>

#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/qt/qt_form.hpp"
#include "ui/model/lpc_config.hpp"

class QTabWidget;

namespace tarvex::ui {

class LpcConfigDialog final : public DialogBase {
    Q_OBJECT
public:
    explicit LpcConfigDialog(LpcConfigModel& model, QWidget* parent = nullptr);

    LpcConfigModel& form() const { return model_; }
    QTabWidget* pages() const;

private:
    LpcConfigModel& model_;
    QtForm form_;
};

// Opens the dialog modally over owner on the pending bytes when the chosen
// processor has the LPC option number; OK writes both bytes back, every
// other way out leaves them. True when the bytes were taken.
bool OpenLpcConfig(int optionNumber, std::uint8_t& ucfg1, std::uint8_t& partConfig, QWidget* owner = nullptr,
                   platform::SettingsStore& store = platform::defaultSettings());

}  // namespace tarvex::ui
