// The generation chooser's model: no default, and no way out without a choice.
#include <gtest/gtest.h>

#include "platform/ui.hpp"
#include "ui/model/generation_chooser.hpp"

namespace tarvex::ui {
namespace {

TEST(GenerationChooserModel, RefusesToCloseUntilAGenerationIsChosen) {
    platform::ScriptedMessageBoxes boxes;
    platform::ScopedUi scope(&boxes);
    GenerationChooserModel model;
    EXPECT_EQ(model.caption(), "Emulator:");
    EXPECT_EQ(model.control("TarvexGroup").items, (std::vector<std::string>{"TARVEX-IV", "TARVEX-V", "TARVEX-VI"}));
    EXPECT_EQ(model.control("OkButton").text, "Ok");
    EXPECT_EQ(model.chosen(), -1);
    EXPECT_FALSE(model.mayClose());
    EXPECT_FALSE(model.mayClose());
    EXPECT_EQ(boxes.beeps(), 2);
    for (const int outside : {-1, 3}) model.choose(outside);
    EXPECT_EQ(model.chosen(), -1);
    model.choose(2);
    EXPECT_TRUE(model.mayClose());
    EXPECT_EQ(model.chosen(), 2);
    EXPECT_EQ(boxes.beeps(), 2);
    EXPECT_TRUE(boxes.shown().empty());
}

}  // namespace
}  // namespace tarvex::ui
