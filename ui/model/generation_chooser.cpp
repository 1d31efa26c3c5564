#include "ui/model/generation_chooser.hpp"

#include <memory>

#include "core/message_box.hpp"

namespace tarvex::ui {

GenerationChooserModel::GenerationChooserModel() {
    setCaption("Emulator:");
    setItems("TarvexGroup", {"TARVEX-IV", "TARVEX-V", "TARVEX-VI"}, -1);
    setText("OkButton", "Ok");
}

void GenerationChooserModel::choose(int generation) {
    auto& c = edit("TarvexGroup");
    if (generation < 0 || generation >= static_cast<int>(c.items.size())) return;
    c.itemIndex = generation;
    changed();
}

bool GenerationChooserModel::mayClose() const {
    if (chosen() >= 0) return true;
    Beep();
    return false;
}

forms::FormEvents GenerationChooserModel::events(forms::FormWindow window) {
    auto shown = std::make_shared<forms::FormWindow>(std::move(window));
    const auto closing = [this, shown] {
        if (mayClose()) return true;
        if (shown->focus) shown->focus("TarvexGroup");
        return false;
    };
    forms::FormEvents events;
    events.click = [shown, closing](const std::string& name) {
        if (name == "OkButton" && closing() && shown->end) shown->end(true);
    };
    events.choose = [this](const std::string& name, int index) {
        if (name == "TarvexGroup") choose(index);
    };
    events.closing = closing;
    return events;
}

}  // namespace tarvex::ui
