#pragma once
// The options dialog's window: six pages over OptionsFormModel, the checks
// when an edit is left (never on the way to "Cancel"), a page change refused
// while the input is invalid, and the apply on "Ok".
#include <functional>
#include <optional>
#include <string>

#include "platform/settings.hpp"
#include "ui/qt/dialog_base.hpp"
#include "ui/model/options_form.hpp"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace tarvex::ui {

class OptionsDialog final : public DialogBase {
    Q_OBJECT
public:
    OptionsDialog(OptionsFormModel& model, platform::SettingsStore& store = platform::defaultSettings(),
                  QWidget* parent = nullptr);
    ~OptionsDialog() override;

    OptionsFormModel& form() const { return form_; }
    QTabWidget* pages() const { return pages_; }
    // The result of the apply after "Ok".
    const std::optional<ApplyResult>& applied() const { return applied_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    // One builder per page.
    void buildPreferences(QWidget* p);
    void buildInterface(QWidget* p);
    void buildProcessor(QWidget* p);
    void buildHardware(QWidget* p);
    void buildBanking(QWidget* p);
    void buildWatchdog(QWidget* p);
    template <class F>
    auto guarded(F fn);
    void onText(QLineEdit* e);
    void refresh();
    // The check of the control the user leaves; shows the box and takes the
    // focus back. True when valid.
    bool checkLeaving(QWidget* control);
    void okClicked();
    void help();
    std::string textOf(QWidget* w) const;
    QWidget* page(OptionsPage p) const;

    OptionsFormModel& form_;
    platform::SettingsStore& store_;
    QTabWidget* pages_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    bool binding_ = false;
    bool checking_ = false;
    std::optional<ApplyResult> applied_;
    QMetaObject::Connection focusConnection_;
};

// Opens the dialog modally on the target; true for "Ok".
bool RunOptionsDialog(IOptionsTarget& target, platform::SettingsStore& store = platform::defaultSettings(),
                      QWidget* owner = nullptr);

}  // namespace tarvex::ui
