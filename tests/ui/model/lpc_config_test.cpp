// The LPC configuration bytes: shown as controls, built back from them.
#include <gtest/gtest.h>

#include "platform/settings.hpp"
#include "ui/model/lpc_config.hpp"

namespace tarvex::ui {
namespace {

TEST(LpcConfigModel, LoadsAndBuildsUcfg1) {
    struct Case {
        int byte;
        int frequency;  // item shown, -1 none
        int built;      // after load, unchanged
    };
    const Case cases[] = {
        {0x00, 0, 0x00}, {0x03, 3, 0x03}, {0x07, 4, 0x07}, {0x04, 4, 0x07},  // 4 and 7: external clock
        {0x05, -1, 0x05}, {0x06, -1, 0x06}, {0xFF, 4, 0xFF}, {0xA9, 1, 0xA9}, {0x5A, 2, 0x5A},
    };
    platform::MemorySettingsStore store;
    for (const auto& c : cases) {
        LpcConfigModel model(store);
        model.LoadUcfg1(static_cast<std::uint8_t>(c.byte));
        EXPECT_EQ(model.control("FrequencyGroup").itemIndex, c.frequency) << c.byte;
        EXPECT_EQ(model.BuildUcfg1(), c.built) << c.byte;
    }
    // A value without an item keeps its bits until a frequency is picked.
    LpcConfigModel model(store);
    model.LoadUcfg1(0x05);
    model.check("WatchDogCheck", true);
    EXPECT_EQ(model.BuildUcfg1(), 0x85);
    model.choose("FrequencyGroup", 1);
    EXPECT_EQ(model.BuildUcfg1(), 0x81);
    model.choose("FrequencyGroup", 5);  // no such item
    EXPECT_EQ(model.BuildUcfg1(), 0x81);
    for (const auto& [group, bit] : {std::pair{"ClockRateGroup", 3}, {"BrownOutGroup", 4}, {"PortResetGroup", 5}}) {
        model.choose(group, 1);
        EXPECT_EQ(model.BuildUcfg1() >> bit & 1, 1) << group;
    }
}

TEST(LpcConfigModel, PartConfigurationForcesTheTopBits) {
    platform::MemorySettingsStore store;
    LpcConfigModel model(store);
    EXPECT_EQ(model.caption(), "Configure LPC cpu");
    // Before a load the controls show their first-time state.
    EXPECT_EQ(model.BuildPartConfig(), 0xFF);
    EXPECT_EQ(model.BuildUcfg1(), 0xFF);
    for (const auto& [byte, built] : {std::pair{0x1F, 0xFF}, {0x00, 0xE0}, {0x12, 0xF2}, {0xE5, 0xE5}}) {
        model.LoadPartConfig(static_cast<std::uint8_t>(byte));
        EXPECT_EQ(model.BuildPartConfig(), built) << byte;
    }
    model.check("DacCheck", true);
    model.choose("MemoryGroup", 1);
    EXPECT_EQ(model.BuildPartConfig(), 0xED);
}

}  // namespace
}  // namespace tarvex::ui
