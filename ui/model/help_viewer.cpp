#include "ui/model/help_viewer.hpp"

#include <filesystem>

#include "core/format.hpp"
#include "core/message_box.hpp"

namespace tarvex::ui {

bool DriverHelpViewer::show(unsigned command, unsigned context) {
    if (viewer_ && viewer_->show(command, context)) return true;
    const std::string file = helpFile_ ? std::filesystem::path(helpFile_()).filename().string() : std::string();
    InformationBox(Format("No help viewer for %s (topic %d).", file.empty() ? "the driver's help" : file.c_str(),
                          static_cast<int>(context)),
                   platform::mb::Ok | platform::mb::IconInformation);
    return false;
}

}  // namespace tarvex::ui
