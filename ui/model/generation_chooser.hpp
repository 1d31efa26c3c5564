#pragma once
// The small question the emulator object asks when it does not know which
// board generation is connected. There is no default: the form stays open
// until one is chosen.
#include <cstdint>

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
};

}  // namespace tarvex::ui
