#pragma once
// The trace frame pattern of the frame search and the time filter, and the
// dialog that asks for it.
#include <cstdint>
#include <optional>
#include <string>

#include "core/bank_adressen.hpp"
#include "ui/model/dialog_model.hpp"

namespace tarvex {
class TVokWinValidator;
}

namespace tarvex::ui {

struct TraceFramePattern {
    bool forward = true;
    bool fromStart = false;
    // 1 opcode, 2 fetch, 4 read, 8 write; 0 don't care.
    std::uint8_t cycles = 0;
    TBankAdresse addressLow{};
    TBankAdresse addressHigh{};
    std::uint8_t dataLow = 0;
    std::uint8_t dataHigh = 0xFF;
    // '0', '1' and 'X', the last character the lowest bit of port 1.
    std::string probes = "X";
    // 1 don't care; else 2 Break 1, 4 Break 2, 8 changing event.
    std::uint8_t breaks = 1;
};

// The break selection as the board's qualifier carries it: 255 don't care,
// else Break 1 = 1, Break 2 = 2, a changing event + 16.
std::uint8_t encodeBreaks(std::uint8_t breaks);

// The program memory's lowest and highest address, for a "don't care"
// address.
struct ProgramSpace {
    TBankAdresse low = UnbankedAdresse(0);
    TBankAdresse high = UnbankedAdresse(0xFFFF);
};

class FramePatternModel final : public DialogModel {
public:
    static constexpr unsigned kHelpContext = 0;
    static const char* const kCycleChecks[5];
    // The form's lower part, which the time filter folds away, and the
    // controls in it: the direction and the start.
    static constexpr const char* kBottomPanel = "BottomPanel";
    static const char* const kBottomPanelGroups[2];

    // The validator converts the inputs; not owned.
    FramePatternModel(platform::SettingsStore& store, TVokWinValidator& validator, ProgramSpace space = {});

    bool filtern() const { return filtern_; }
    void setFiltern(bool on);
    const std::string& dontCare() const { return dontCare_; }

    // Typed user actions.
    void setInput(const std::string& name, std::string text);  // "AdrName", "Data", "LogicProbes"
    void setCheck(const std::string& name, bool on);            // break and cycle boxes
    void chooseCycle(int item);
    void chooseDirection(int item);
    void chooseStart(int item);
    // Leaving an input checks it; false (the error shown) when refused.
    bool leave(const std::string& name);
    // OK: every input checked; false keeps the dialog open.
    bool clickOk();
    // "Don't care": everything back to don't care; closes like OK.
    void clickDontCare();
    // Written when the dialog closes.
    void saveSettings() const;
    // The form's events. An input without history shows the "don't care"
    // text; a field is checked when it is left, but not once the form has
    // ended nor while a check is showing its error; however the form ends,
    // the inputs join their histories and the settings are written.
    forms::FormEvents events(forms::FormWindow window);

    std::uint8_t cycleSelection() const;
    bool emptyPattern() const;
    // The pattern of the inputs (valid after clickOk()).
    const TraceFramePattern& pattern() const { return pattern_; }

private:
    bool isDontCare(const std::string& name) const;
    bool convert(const std::string& name);
    void loadSettings();
    void applyEnabling();

    platform::SettingsStore& store_;
    TVokWinValidator& validator_;
    ProgramSpace space_;
    bool filtern_ = false;
    std::string dontCare_;
    TraceFramePattern pattern_;
};

}  // namespace tarvex::ui
