#pragma once
// The driver's status line: five indicators that colour two of its panels
// and compose two texts. The first text is what the IDE's status bar shows;
// it is handed on at every change. The panel colours and the second text
// are for a view of our own, if a window wants one.
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "emulator/debug/run_control.hpp"

namespace tarvex {

class TVokWinStatusZeile final : public IRunIndicator {
public:
    enum Indicator : int { Running = 0, Stepping = 1, ReadingTrace = 2, Macro = 3, OnBreakCommand = 4 };
    static constexpr int IndicatorCount = 5;
    static constexpr int PanelCount = 5;
    // Windows RGB values (0x00BBGGRR).
    static constexpr std::uint32_t Red = 0x0000FF, Green = 0x008000, White = 0xFFFFFF, Black = 0x000000;
    // The system's button-face colour, as a colour value marks it: not an
    // RGB value, the view takes the system's own.
    static constexpr std::uint32_t ButtonFace = 0xFF00000Fu;

    // `firstText` receives the first text after every rebuild (the IDE's
    // status bar); it may be empty.
    explicit TVokWinStatusZeile(std::function<void(const std::string&)> firstText = {});

    // An indicator outside 0..4 changes nothing.
    void SetIndicator(int indicator, bool on);
    bool IndicatorOn(int indicator) const;
    std::uint8_t Indicators() const { return indicators_; }

    const std::string& MacroName() const { return macroName_; }
    void SetMacroName(const std::string& name);

    const std::string& FirstText() const { return firstText_; }
    const std::string& SecondText() const { return secondText_; }
    // Colours of panel 0..4; other panels answer button face and black.
    std::uint32_t PanelBackground(int panel) const;
    std::uint32_t PanelTextColor(int panel) const;

    // The run control's running state is indicator 0.
    void SetRunning(bool on) override { SetIndicator(Running, on); }

    // Called after every change of texts or colours (a view); one at a
    // time, an empty function removes it.
    void SetOnChanged(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void setPanel(int panel, std::uint32_t background, std::uint32_t text);
    void rebuildTexts();

    std::uint8_t indicators_ = 0;
    std::array<std::uint32_t, PanelCount> background_;
    std::array<std::uint32_t, PanelCount> textColor_;
    std::string macroName_;
    std::string firstText_;
    std::string secondText_;
    std::function<void(const std::string&)> sink_;
    std::function<void()> listener_;
};

}  // namespace tarvex
