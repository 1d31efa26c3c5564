#include "ui/model/help_viewer.hpp"

#include <filesystem>
#include <system_error>

#include "core/format.hpp"
#include "core/message_box.hpp"

namespace tarvex::ui {

bool HelpFileViewer::show(unsigned command, unsigned context) {
    const std::string file = helpFile_ ? helpFile_() : std::string();
    platform::HelpEngine* engine = platform::currentUi().helpEngine;
    if (!engine) {
        const std::string name = std::filesystem::path(file).filename().string();
        InformationBox(Format("No help viewer for %s (topic %d).", name.empty() ? "the driver's help" : name.c_str(),
                              static_cast<int>(context)),
                       platform::mb::Ok | platform::mb::IconInformation);
        return false;
    }
    // The engine's own complaint about a missing file names no file.
    std::error_code error;
    if (file.empty() || !std::filesystem::is_regular_file(file, error)) {
        WarningBox(Format("Help file %s not found.", file.empty() ? "(none)" : file.c_str()),
                   platform::mb::Ok | platform::mb::IconWarning);
        return false;
    }
    return engine->open({owner_ ? owner_() : 0, file, command, context});
}

}  // namespace tarvex::ui
