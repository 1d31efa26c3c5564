// QzCheckWin on Windows: the main form to pick the file and the settings,
// run the check and read the report, built of the system's own controls.
#include <windows.h>

#include <filesystem>
#include <string>

#include "checkwin/win32/qz_check_win32.hpp"
#include "platform/settings.hpp"
#include "platform/win32/message_boxes_win32.hpp"
#include "ui/win32/status_forms_win32.hpp"
#include "ui/win32/win32_ui.hpp"

int main() {
    using namespace tarvex;
    // A windowed program has no console to answer its boxes: the system's.
    platform::Win32MessageBoxes boxes;
    ui::win32::Win32ErrorDialog errors;
    ui::win32::Win32FileDialog files;
    char path[MAX_PATH * 4] = {};
    GetModuleFileNameA(nullptr, path, sizeof(path));
    const std::string directory = std::filesystem::path(path).parent_path().string();
    // The help file beside the program, in WinHelp.
    checkwin::CheckerHelpViewer help(directory);
    ui::win32::Win32HelpEngine helpEngine;
    auto& current = platform::currentUi();
    current.boxes = &boxes;
    current.errorDialog = &errors;
    current.files = &files;
    current.help = &help;
    current.helpEngine = &helpEngine;
    ui::win32::Win32BusyCursor cursor;

    checkwin::QzCheckMainModel model(platform::defaultSettings(), &cursor);
    // A bare file name not in the working folder is looked for beside the program.
    model.engine().SetProgramDirectory(directory);
    checkwin::QzAboutModel about;
    checkwin::QzCheckMainWin32 form(model, about);
    help.setOwner([&form] { return reinterpret_cast<std::uintptr_t>(form.form().handle()); });
    form.run();
    return 0;
}
