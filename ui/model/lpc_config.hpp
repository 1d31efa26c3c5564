#pragma once
// The two configuration bytes of an LPC processor, shown as controls and
// built back from them. The options dialog holds the bytes; this model only
// edits the copy it was given.
#include <cstdint>

#include "ui/model/dialog_model.hpp"

namespace tarvex::ui {

// The processor option number that carries the LPC bytes.
inline constexpr int kLpcOptionNumber = 9;

class LpcConfigModel final : public DialogModel {
public:
    explicit LpcConfigModel(platform::SettingsStore& store = platform::defaultSettings());

    // The form's events and its pages'.
    forms::FormEvents events(forms::FormWindow window);

    void LoadUcfg1(std::uint8_t value);
    void LoadPartConfig(std::uint8_t value);
    std::uint8_t BuildUcfg1() const;
    std::uint8_t BuildPartConfig() const;

    // The user picks an item of a radio group or toggles a check box.
    void choose(const std::string& group, int index);
    void check(const std::string& box, bool checked);

private:
    // A loaded clock value that has no item keeps its bits until the user
    // picks a frequency, so that opening and closing changes nothing.
    std::uint8_t keptFrequency_ = 0;
};

}  // namespace tarvex::ui
