#include "ui/model/dialog_model.hpp"

namespace tarvex::ui {

DialogModel::DialogModel(std::string section, unsigned helpContext, platform::SettingsStore& store, std::string key)
    : section_(std::move(section)), helpContext_(helpContext), store_(store), key_(std::move(key)) {}

forms::FormEvents dialogEvents(const DialogModel& model, forms::FormWindow window, std::function<void()> ok,
                               std::function<void(const std::string& name)> other) {
    forms::FormEvents events;
    events.click = [&model, window = std::move(window), ok = std::move(ok), other = std::move(other)](
                       const std::string& name) {
        if (name == "OkButton") {
            if (window.keepHistories) window.keepHistories();
            if (ok) ok();
            if (window.end) window.end(true);
        } else if (name == "CancelButton") {
            if (window.end) window.end(false);
        } else if (name == "HilfeButton") {
            model.help();
        } else if (other) {
            other(name);
        }
    };
    return events;
}

bool DialogModel::help() const {
    auto* viewer = platform::currentUi().help;
    return viewer && viewer->show(1, helpContext_);
}

std::optional<FormPosition> DialogModel::storedPosition(const std::vector<ScreenRect>& screens) const {
    if (section_.empty() || !store_.valueExists(key_, section_, "Left") || !store_.valueExists(key_, section_, "Top"))
        return std::nullopt;
    const FormPosition p{store_.readInteger(key_, section_, "Left", 0), store_.readInteger(key_, section_, "Top", 0)};
    // A form whose corner is on no screen (a monitor removed since) would open
    // where nobody can reach it.
    for (const auto& s : screens)
        if (s.contains(p.left, p.top)) return p;
    return std::nullopt;
}

void DialogModel::savePosition(FormPosition position) const {
    if (section_.empty()) return;
    store_.writeInteger(key_, section_, "Left", position.left);
    store_.writeInteger(key_, section_, "Top", position.top);
}

}  // namespace tarvex::ui
