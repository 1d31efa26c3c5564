#include "host/status_line.hpp"

#include "core/messages.hpp"

namespace tarvex {

namespace {

// The file-name part of a path of either platform.
std::string fileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TVokWinStatusZeile::TVokWinStatusZeile(std::function<void(const std::string&)> firstText)
    : sink_(std::move(firstText)) {
    background_.fill(ButtonFace);
    textColor_.fill(Black);
}

bool TVokWinStatusZeile::IndicatorOn(int indicator) const {
    return indicator >= 0 && indicator < IndicatorCount && (indicators_ >> indicator & 1) != 0;
}

void TVokWinStatusZeile::setPanel(int panel, std::uint32_t background, std::uint32_t text) {
    background_[static_cast<std::size_t>(panel)] = background;
    textColor_[static_cast<std::size_t>(panel)] = text;
}

void TVokWinStatusZeile::SetIndicator(int indicator, bool on) {
    if (indicator < 0 || indicator >= IndicatorCount) return;
    const int panel = indicator <= ReadingTrace ? 2 : 3;
    if (on) {
        indicators_ = static_cast<std::uint8_t>(indicators_ | 1u << indicator);
        const bool red = indicator == Running || indicator == OnBreakCommand;
        setPanel(panel, red ? Red : Green, White);
    } else {
        indicators_ = static_cast<std::uint8_t>(indicators_ & ~(1u << indicator));
        // Panel 2 goes plain whatever else is on; panel 3 shows the
        // indicator of its own that is still on.
        if (panel == 2)
            setPanel(2, ButtonFace, Black);
        else if (IndicatorOn(Macro))
            setPanel(3, Green, White);
        else if (IndicatorOn(OnBreakCommand))
            setPanel(3, Red, White);
        else
            setPanel(3, ButtonFace, Black);
    }
    rebuildTexts();
}

void TVokWinStatusZeile::SetMacroName(const std::string& name) {
    if (name == macroName_) return;
    macroName_ = name;
    rebuildTexts();
}

std::uint32_t TVokWinStatusZeile::PanelBackground(int panel) const {
    return panel >= 0 && panel < PanelCount ? background_[static_cast<std::size_t>(panel)] : ButtonFace;
}

std::uint32_t TVokWinStatusZeile::PanelTextColor(int panel) const {
    return panel >= 0 && panel < PanelCount ? textColor_[static_cast<std::size_t>(panel)] : Black;
}

void TVokWinStatusZeile::rebuildTexts() {
    firstText_.clear();
    if (IndicatorOn(Running)) firstText_ += " Running...";
    if (IndicatorOn(Stepping)) firstText_ += " " + std::string(LoadStr(146));
    if (IndicatorOn(ReadingTrace)) firstText_ += " " + std::string(LoadStr(147));
    secondText_.clear();
    if (IndicatorOn(OnBreakCommand)) secondText_ += " " + std::string(LoadStr(149));
    if (IndicatorOn(Macro)) secondText_ += " " + FmtLoadStr(148, fileNamePart(macroName_));
    if (sink_) sink_(firstText_);
    if (listener_) listener_();
}

}  // namespace tarvex
