// The options dialog's Interface page: the link-kind table, the port list and
// the USB board list.
#include <gtest/gtest.h>

#include "ui/model/interface_page.hpp"

namespace tarvex::ui {
namespace {

using Names = std::vector<std::string>;

TEST(InterfacePage, LinkKindDecidesThePortControls) {
    const Names ports = {"LPT2:", "com10:", "COM2:", "LPT1:", "FILE:", "CO", "COM1"};
    struct Case {
        int kind;
        const char* caption;
        bool name, address, baud, exclusive, usb;
        const char* text;
        Names names;
    };
    const Case cases[] = {
        {0, " Serial port: ", true, false, true, false, false, "COM", {"COM1", "COM10", "COM2"}},
        {1, " Parallel port: ", true, true, false, true, false, "LPT", {"LPT1", "LPT2"}},
        {2, "", false, false, false, false, true, "USB", {"USB"}},
    };
    for (const auto& c : cases) {
        InterfacePage page;
        page.chooseLinkKind(c.kind, ports);
        EXPECT_EQ(page.linkKind(), c.kind);
        EXPECT_EQ(page.control("PortGroup").text, c.caption) << c.kind;
        EXPECT_EQ(page.control("PortName").enabled, c.name) << c.kind;
        EXPECT_EQ(page.control("PortNameLabel").enabled, c.name) << c.kind;
        EXPECT_EQ(page.control("PortAddress").enabled, c.address) << c.kind;
        EXPECT_EQ(page.control("BaudRateGroup").enabled, c.baud) << c.kind;
        EXPECT_EQ(page.control("ExclusiveCheck").enabled, c.exclusive) << c.kind;
        EXPECT_EQ(page.control("UsbGroup").visible, c.usb) << c.kind;
        EXPECT_EQ(page.linkKindText(), c.text);
        EXPECT_EQ(page.control("PortName").items, c.names) << c.kind;
        EXPECT_EQ(page.control("PortName").itemIndex, 0) << c.kind;
    }
    EXPECT_EQ(PortsOfKind({}, "COM"), Names{});
}

TEST(InterfacePage, UsbListTakesOnlyRealBoards) {
    InterfacePage page;
    page.chooseLinkKind(2, {});
    page.refreshUsb({}, "TX0001");
    EXPECT_EQ(page.control("UsbList").items, (Names{"ERROR:", "No TARVEX emulator found on USB"}));
    EXPECT_TRUE(page.control("UsbHintLabel").visible && page.control("RefreshUsbButton").visible);
    page.selectBoard(1);
    EXPECT_EQ(page.chosenBoard(), std::nullopt);  // an error line is no board
    page.refreshUsb({"TX0002", "TX0001"}, "TX0001");
    EXPECT_EQ(page.control("UsbList").itemIndex, 1);
    EXPECT_EQ(page.chosenBoard(), "TX0001");
    EXPECT_FALSE(page.control("UsbHintLabel").visible || page.control("RefreshUsbButton").visible);
    page.chooseLinkKind(0, {});
    EXPECT_FALSE(page.control("RefreshUsbButton").visible);
    page.chooseLinkKind(2, {});
    EXPECT_FALSE(page.control("RefreshUsbButton").visible);  // as the last refresh left it
    page.refreshUsb({"TX0003"}, "TX0001");
    EXPECT_EQ(page.chosenBoard(), std::nullopt);  // the wanted board is gone: nothing chosen
    page.selectBoard(0);
    EXPECT_EQ(page.chosenBoard(), "TX0003");
    page.selectBoard(5);
    EXPECT_EQ(page.chosenBoard(), "TX0003");
}

}  // namespace
}  // namespace tarvex::ui
