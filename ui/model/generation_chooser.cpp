#include "ui/model/generation_chooser.hpp"

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

}  // namespace tarvex::ui
