#include "ui/model/interface_page.hpp"

#include <algorithm>

namespace tarvex::ui {

std::vector<std::string> PortsOfKind(const std::vector<std::string>& ports, const std::string& kindText) {
    std::vector<std::string> out;
    for (std::string name : ports) {
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (name.size() < 3 || name.compare(0, 3, kindText) != 0) continue;
        name.erase(std::remove(name.begin(), name.end(), ':'), name.end());
        out.push_back(std::move(name));
    }
    std::sort(out.begin(), out.end());
    return out;
}

InterfacePage::InterfacePage() {
    setItems("LinkKindGroup", {"&Serial", "&Parallel", "&USB"}, 1);
    setItems("PortAddress", {"$0378", "$0278", "$03B0"}, 0);
    setItems("BaudRateGroup", {"    9.600", "  38.400", "115.200"}, 2);
    setText("ExclusiveCheck", "&Exclusivly accessed parallel port");
    setText("RestartLabel", "Changes only at restart");
    setText("UsbGroup", " Select device number: ");
    setText("RefreshUsbButton", "Refresh USB list");
    setText("UsbHintLabel", "Plug in USB and/or switch on emulator");
    setText("ProtocolCheck", "Protokoll");
}

void InterfacePage::chooseLinkKind(int kind, const std::vector<std::string>& ports) {
    if (kind < 0 || kind > 2) return;
    edit("LinkKindGroup").itemIndex = kind;
    struct Row {
        const char* caption;
        bool name, address, baud, exclusive;
        const char* text;
    };
    static constexpr Row kRows[] = {{" Serial port: ", true, false, true, false, "COM"},
                                    {" Parallel port: ", true, true, false, true, "LPT"},
                                    {"", false, false, false, false, "USB"}};
    const Row& row = kRows[kind];
    setText("PortGroup", row.caption);
    for (const auto& [name, on] : {std::pair{"PortName", row.name}, {"PortNameLabel", row.name},
                                   {"PortAddress", row.address}, {"PortAddressLabel", row.address},
                                   {"BaudRateGroup", row.baud}, {"ExclusiveCheck", row.exclusive}})
        edit(name).enabled = on;
    kindText_ = row.text;
    const bool usb = kind == 2;
    edit("UsbGroup").visible = usb;
    // For USB the hint and the button stay as the last refresh left them.
    if (!usb) {
        edit("UsbHintLabel").visible = false;
        edit("RefreshUsbButton").visible = false;
    } else {
        edit("UsbHintLabel").visible = !boardsFound_;
        edit("RefreshUsbButton").visible = !boardsFound_;
    }
    auto& names = edit("PortName");
    names.items = usb ? std::vector<std::string>{"USB"} : PortsOfKind(ports, kindText_);
    names.itemIndex = names.items.empty() ? -1 : 0;
    changed();
}

void InterfacePage::refreshUsb(const std::vector<std::string>& serials, const std::string& wanted) {
    auto& list = edit("UsbList");
    boardsFound_ = !serials.empty();
    list.items = boardsFound_ ? serials : std::vector<std::string>{"ERROR:", "No TARVEX emulator found on USB"};
    list.itemIndex = -1;
    for (std::size_t i = 0; boardsFound_ && i < serials.size(); ++i)
        if (serials[i] == wanted) list.itemIndex = static_cast<int>(i);
    edit("UsbHintLabel").visible = !boardsFound_;
    edit("RefreshUsbButton").visible = !boardsFound_;
    changed();
}

void InterfacePage::selectBoard(int row) {
    auto& list = edit("UsbList");
    if (row < -1 || row >= static_cast<int>(list.items.size())) return;
    list.itemIndex = row;
    changed();
}

std::optional<std::string> InterfacePage::chosenBoard() const {
    const auto& list = control("UsbList");
    if (!boardsFound_ || list.itemIndex < 0 || list.itemIndex >= static_cast<int>(list.items.size())) return std::nullopt;
    return list.items[static_cast<std::size_t>(list.itemIndex)];
}

}  // namespace tarvex::ui
