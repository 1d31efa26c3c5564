#pragma once
// The options dialog's "Interface" page: the link kind decides which port
// controls apply, the port list is filtered from the system's ports, and the
// USB list shows the boards found.
#include <optional>
#include <string>
#include <vector>

#include "ui/model/form_model.hpp"

namespace tarvex::ui {

// The system's port names whose first three upper-cased characters are the
// link kind text ("COM", "LPT"), upper-cased, without ":", sorted.
std::vector<std::string> PortsOfKind(const std::vector<std::string>& ports, const std::string& kindText);

class InterfacePage final : public FormModel {
public:
    InterfacePage();

    // 0 "&Serial", 1 "&Parallel", 2 "&USB"; ports is the system's list.
    void chooseLinkKind(int kind, const std::vector<std::string>& ports);
    int linkKind() const { return control("LinkKindGroup").itemIndex; }
    const std::string& linkKindText() const { return kindText_; }

    // The boards found by a new enumeration; the wanted one is selected.
    void refreshUsb(const std::vector<std::string>& serials, const std::string& wanted);
    void selectBoard(int row);
    // The board chosen in the list; nothing while only the error lines show
    // or no row is chosen, so that the wanted serial number stays.
    std::optional<std::string> chosenBoard() const;

private:
    std::string kindText_ = "LPT";
    bool boardsFound_ = false;
};

}  // namespace tarvex::ui
