// Without anyone at a terminal a question takes its default answer, on
// every platform, so batch runs and CI never wait for input.
#include <gtest/gtest.h>

#include "platform/host_window.hpp"
#include "platform/ui.hpp"

namespace tarvex::platform {
namespace {

TEST(DefaultUi, BatchRunsTakeTheDefaultButton) {
    if (stdinIsTerminal()) GTEST_SKIP() << "run with standard input from a terminal";
    EXPECT_EQ(defaultMessageBoxes().show("Confirm", "Create the Intel hex file?", mb::YesNo | mb::IconQuestion), IdYes);
    EXPECT_EQ(defaultMessageBoxes().show("Confirm", "Overwrite?", mb::YesNo | mb::DefButton2), IdNo);
    EXPECT_EQ(currentUi().boxes, &defaultMessageBoxes());
}

}  // namespace
}  // namespace tarvex::platform

// A named clipboard format has one identifier per name on Windows; other
// systems have no such registry.
TEST(ClipboardFormat, RegisteredByNameOnWindows) {
    const std::uint32_t id = tarvex::platform::registerClipboardFormat("VokWin KommandoListe");
#ifdef _WIN32
    EXPECT_NE(id, 0u);
    EXPECT_EQ(tarvex::platform::registerClipboardFormat("VokWin KommandoListe"), id);
#else
    EXPECT_EQ(id, 0u);
#endif
}
