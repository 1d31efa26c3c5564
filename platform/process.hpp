#pragma once
// What a component learns about the process it runs in: its command line,
// where the user's own data may go, and the installation path the system
// registered for a program.
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::platform {

class SettingsStore;

// The arguments of the running process, the program's name first (POSIX:
// /proc/self/cmdline; Windows: GetCommandLineA split by the system's rules).
std::vector<std::string> processArguments();

// A Windows command line split as the C runtime splits it: blanks and tabs
// part arguments outside quotes; 2n backslashes before a quote give n and
// the quote toggles quoting, 2n+1 give n and a literal quote; the program's
// name ends at its closing quote or first blank and takes no escapes.
std::vector<std::string> splitWindowsCommandLine(std::string_view line);

// The folder for per-user data (POSIX: $XDG_DATA_HOME, else
// ~/.local/share; Windows: %LOCALAPPDATA%); empty when none is known.
std::string userDataDir();

// The value "Path" of the App Paths entry of that program file name
// (Windows: from HKEY_LOCAL_MACHINE; elsewhere from the settings store under
// the same key, section = the file name); empty when there is none.
std::string appPathsValue(const std::string& programFileName, SettingsStore& settings);

}  // namespace tarvex::platform
