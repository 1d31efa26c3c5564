// Qt in the driver: a display is needed to make an application, the host's
// application is used, and the user interface comes back as it was.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "ui/qt/qt_runtime.hpp"
#include "ui/qt/qt_ui.hpp"

namespace tarvex::ui {
namespace {

TEST(QtRuntime, DisplayReachableOnlyWhenNamed) {
    const struct {
        std::map<std::string, std::string> env;
        bool reachable;
    } cases[] = {{{}, false},
                 {{{"DISPLAY", ""}}, false},
                 {{{"DISPLAY", ":0"}}, true},
                 {{{"WAYLAND_DISPLAY", "wayland-0"}}, true},
                 {{{"QT_QPA_PLATFORM", "offscreen"}}, true}};
    for (const auto& c : cases) {
        const auto get = [&](const char* name) -> const char* {
            const auto it = c.env.find(name);
            return it == c.env.end() ? nullptr : it->second.c_str();
        };
        EXPECT_EQ(QtRuntime::displayReachable(get), c.reachable);
    }
}

TEST(QtRuntime, UsesTheHostsApplicationAndRestoresTheUi) {
    auto* before = platform::currentUi().boxes;
    ASSERT_TRUE(QtRuntime::ensure());
    EXPECT_TRUE(QtRuntime::ensure());  // once
    EXPECT_NE(dynamic_cast<QtMessageBoxes*>(platform::currentUi().boxes), nullptr);
    EXPECT_NE(dynamic_cast<QtNoticeWindow*>(platform::currentUi().notice), nullptr);
    QtRuntime::pumpEvents();
    QtRuntime::shutdown();
    EXPECT_EQ(platform::currentUi().boxes, before);
    EXPECT_FALSE(QtRuntime::active());
}

}  // namespace
}  // namespace tarvex::ui
