#include "ui/win32/win32_ui.hpp"

#include <windows.h>
#include <commdlg.h>

#include "ui/win32/win32_form.hpp"

namespace tarvex::ui::win32 {

std::string systemFilter(const std::string& filter) {
    std::string out = filter;
    for (char& c : out)
        if (c == '|') c = '\0';
    out += '\0';
    out += '\0';
    return out;
}

bool Win32HelpEngine::open(const platform::HelpFileRequest& request) {
    return WinHelpA(reinterpret_cast<HWND>(request.owner), toAnsi(request.file).c_str(), request.command,
                    static_cast<ULONG_PTR>(request.data)) != FALSE;
}

std::optional<platform::FileChoice> Win32FileDialog::chooseFile(const platform::FileRequest& request) {
    std::string name = toAnsi(request.fileName);
    name.resize(std::max<std::size_t>(name.size() + 1, MAX_PATH * 4), '\0');
    const std::string filter = systemFilter(toAnsi(request.filter));
    const std::string title = toAnsi(request.title), dir = toAnsi(request.initialDir);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = GetActiveWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex);
    ofn.lpstrFile = name.data();
    ofn.nMaxFile = static_cast<DWORD>(name.size());
    ofn.lpstrTitle = title.empty() ? nullptr : title.c_str();
    ofn.lpstrInitialDir = dir.empty() ? nullptr : dir.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR |
                (request.mustExist ? OFN_FILEMUSTEXIST : OFN_OVERWRITEPROMPT);
    const BOOL chosen = request.mustExist ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!chosen) return std::nullopt;
    return platform::FileChoice{fromAnsi(name.c_str()), static_cast<int>(ofn.nFilterIndex)};
}

void Win32BusyCursor::begin() {
    if (depth_++ == 0) saved_ = SetCursor(LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_WAIT)));
}

void Win32BusyCursor::end() {
    if (depth_ > 0 && --depth_ == 0) SetCursor(static_cast<HCURSOR>(saved_));
}

}  // namespace tarvex::ui::win32
