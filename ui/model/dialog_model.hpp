#pragma once
// What every dialog shares: help on its context (button and F1), and the
// position it had when it was last closed, kept under its own section.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "ui/forms/form_events.hpp"
#include "ui/model/form_model.hpp"

namespace tarvex::ui {

// The driver's settings key.
inline constexpr const char* kDriverKey = "Software\\Velmont\\VokWin\\7.3";

struct ScreenRect {
    int left = 0, top = 0, width = 0, height = 0;
    bool contains(int x, int y) const { return x >= left && y >= top && x < left + width && y < top + height; }
};

struct FormPosition {
    int left = 0;
    int top = 0;
};

class DialogModel : public FormModel {
public:
    // An empty section keeps no position; help context 0 has no help.
    DialogModel(std::string section, unsigned helpContext, platform::SettingsStore& store,
                std::string key = kDriverKey);

    unsigned helpContext() const { return helpContext_; }
    const std::string& section() const { return section_; }

    // The Help button and F1: command 1 with the form's context.
    bool help() const;

    // Where the form opens: the stored position when it lies on one of the
    // screens, else nothing (the view centres the form).
    std::optional<FormPosition> storedPosition(const std::vector<ScreenRect>& screens) const;
    // Called when the form closes, with its frame position.
    void savePosition(FormPosition position) const;

protected:
    // A form whose help follows what it shows.
    void setHelpContext(unsigned context) { helpContext_ = context; }

private:
    std::string section_;
    unsigned helpContext_;
    platform::SettingsStore& store_;
    std::string key_;
};

// The buttons every dialog has: OK keeps the window's histories, lets the
// model take it (`ok`) and closes the form; Cancel closes it; Help shows the
// form's help. Every other click goes to `other`.
forms::FormEvents dialogEvents(const DialogModel& model, forms::FormWindow window, std::function<void()> ok,
                               std::function<void(const std::string& name)> other = {});

}  // namespace tarvex::ui
