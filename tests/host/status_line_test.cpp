#include "host/status_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarvex {
namespace {

using Line = TVokWinStatusZeile;

struct Switch {
    int indicator;
    bool on;
};

struct Case {
    const char* name;
    std::vector<Switch> switches;
    std::string first, second;
    std::uint32_t panel2Back, panel2Text, panel3Back, panel3Text;
};

TEST(StatusLine, IndicatorsComposeTextsAndColourTheirPanels) {
    const std::uint32_t face = Line::ButtonFace, red = Line::Red, green = Line::Green, white = Line::White,
                        black = Line::Black;
    const std::vector<Case> cases = {
        {"running", {{0, true}}, " Running...", "", red, white, face, black},
        {"running and stepping", {{0, true}, {1, true}}, " Running... Stepping...", "", green, white, face, black},
        // Panel 2 goes plain although indicator 0 is still on.
        {"stepping off while running", {{0, true}, {1, true}, {1, false}}, " Running...", "", face, black, face, black},
        {"all three of panel 2",
         {{2, true}, {1, true}, {0, true}},
         " Running... Stepping... Reading trace memory",
         "",
         red,
         white,
         face,
         black},
        {"on-break command before the macro",
         {{3, true}, {4, true}},
         "",
         " Executing onbreak command Executing macro init.mac",
         face,
         black,
         red,
         white},
        // Panel 3 falls back to the indicator of its own still on.
        {"macro still on",
         {{3, true}, {4, true}, {4, false}},
         "",
         " Executing macro init.mac",
         face,
         black,
         green,
         white},
        {"on-break still on",
         {{4, true}, {3, true}, {3, false}},
         "",
         " Executing onbreak command",
         face,
         black,
         red,
         white},
        {"nothing left", {{4, true}, {4, false}, {0, true}, {0, false}}, "", "", face, black, face, black},
        {"outside 0..4", {{5, true}, {-1, true}}, "", "", face, black, face, black},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> handed;
        int changes = 0;
        Line line([&](const std::string& text) { handed.push_back(text); });
        line.SetMacroName("C:\\work\\macros/init.mac");
        line.SetOnChanged([&] { ++changes; });
        handed.clear();
        int applied = 0;
        for (const Switch& s : c.switches) {
            line.SetIndicator(s.indicator, s.on);
            if (s.indicator >= 0 && s.indicator < Line::IndicatorCount) ++applied;
        }
        EXPECT_EQ(line.FirstText(), c.first);
        EXPECT_EQ(line.SecondText(), c.second);
        EXPECT_EQ(line.PanelBackground(2), c.panel2Back);
        EXPECT_EQ(line.PanelTextColor(2), c.panel2Text);
        EXPECT_EQ(line.PanelBackground(3), c.panel3Back);
        EXPECT_EQ(line.PanelTextColor(3), c.panel3Text);
        for (int panel : {0, 1, 4}) EXPECT_EQ(line.PanelBackground(panel), face);
        // The IDE gets the first text at every change, and only then.
        ASSERT_EQ(handed.size(), static_cast<std::size_t>(applied));
        if (applied) {
            EXPECT_EQ(handed.back(), c.first);
        }
        EXPECT_EQ(changes, applied);
    }
}

TEST(StatusLine, MacroNameRebuildsOnlyWhenItChanges) {
    int handed = 0;
    Line line([&](const std::string&) { ++handed; });
    line.SetIndicator(Line::Macro, true);
    line.SetMacroName("/home/u/a.mac");
    EXPECT_EQ(line.SecondText(), " Executing macro a.mac");
    EXPECT_EQ(handed, 2);
    line.SetMacroName("/home/u/a.mac");
    EXPECT_EQ(handed, 2);
    EXPECT_EQ(line.MacroName(), "/home/u/a.mac");
    // The run control's running state is indicator 0.
    line.SetRunning(true);
    EXPECT_TRUE(line.IndicatorOn(Line::Running));
    EXPECT_EQ(line.Indicators(), 0x09);
    line.SetRunning(false);
    EXPECT_EQ(line.FirstText(), "");
}

}  // namespace
}  // namespace tarvex
