#pragma once
// The small question the emulator object asks when it does not know which
// board generation is connected. There is no default: the form stays open
// until one is chosen.
#include <cstdint>

#include "ui/forms/form_events.hpp"
#include "ui/model/form_model.hpp"

namespace tarvex::ui {

class GenerationChooserModel final : public FormModel {
public:
    GenerationChooserModel();

    // 0 TARVEX-IV, 1 TARVEX-V, 2 TARVEX-6; anything else changes nothing.
    void choose(int generation);
    // -1 while none is chosen.
    int chosen() const { return control("TarvexGroup").itemIndex; }
    // Every way of closing asks this first: without a choice it beeps and
    // refuses.
    bool mayClose() const;

    // The form's events over its window: every way of closing it asks
    // mayClose(), a refusal puts the focus on the choice.
    forms::FormEvents events(forms::FormWindow window);
};

}  // namespace tarvex::ui
