#pragma once
// The two files in which the driver keeps a project's settings: the project
// option file (".bopt": the sections of the options, the symbol table, the
// run control, the emulator object and the banking) and the select file
// (".btm": the break, trace and map tables).
//
// Both are read whole into memory and parsed from there, and written whole
// into memory and put in place in one step, so that a failed write leaves
// the previous file intact. How each file was loaded is remembered: the
// save at tear-down leaves a file alone that the start could not read (a
// newer driver's file, a foreign or damaged one) or did not read yet, so
// that the user's settings survive a session that never saw them.
#include <cstdint>
#include <functional>
#include <string>

#include "core/component.hpp"

namespace tarvex {

class TBanking;
class TComponent;
class TEmulator;
class TSymboltabelle;
class TVokWinOptionen;
class ValueReader;

enum class FileLoadState : std::uint8_t {
    NotLoaded,
    Loaded,
    // The file did not exist (a new project).
    Missing,
    // Foreign header, too new, or a section that could not be read.
    Failed,
    // The start put the select file's load off until the target's reset.
    Deferred,
};

// The components whose sections the files hold; none owned. The run control
// and the select table are reached as components (their section is their
// published settings) so that any implementation plugs in.
struct ProjectComponents {
    TVokWinOptionen* options = nullptr;
    TSymboltabelle* symbols = nullptr;
    TComponent* runControl = nullptr;
    // Clears the run control's option byte.
    std::function<void()> clearRunControlOptions;
    TEmulator* emulator = nullptr;
    TBanking* banking = nullptr;
    TComponent* selectTable = nullptr;
};

class TProjectFiles {
public:
    static constexpr const char* OptionHeader = "VokWin Option";
    static constexpr std::int32_t OptionVersion = 19;
    static constexpr const char* SelectHeader = "VokWin Select";
    static constexpr std::int32_t SelectVersion = 6;

    // The option file holds the sections of the options, the symbol table,
    // the run control, the emulator object and the banking, in this order;
    // a component not given has no section.
    explicit TProjectFiles(ProjectComponents components);

    // Emulator, options, symbol table, run control, banking, in this order.
    void SetProjectDefaults();

    // Reads the project option file. A missing, foreign or too new file
    // gives the defaults and one error box, and true. A section that cannot
    // be read gives the defaults, the box "Error while loading options" and
    // false (the caller shows the options dialog). Never raises.
    bool LoadProjectOptions();
    // Writes the registry values, then the file (an empty name: the option
    // file name). At tear-down a file whose load failed is left alone unless
    // the options were confirmed since; the options' section, and with it
    // "AutoSave", is then skipped as well. File errors pass to the caller.
    void SaveProjectOptions(const std::string& name = {}, bool tearDown = false);
    // The options dialog's OK: the settings at hand are the user's.
    void ConfirmProjectOptions() { confirmed_ = true; }

    // Nothing unless the options keep break/trace or map settings.
    // EVokWinFileError 20 (missing, only with `complain`), 21 (foreign or
    // damaged), 22 (too new).
    void LoadSelectFile(const std::string& name, bool complain);
    // At tear-down a file whose load was deferred or failed is left alone.
    void SaveSelectFile(const std::string& name, bool tearDown = false);
    // The start put off the select file's load.
    void DeferSelectFile(const std::string& name);
    // The option file name with the extension ".btm"; "" without one.
    std::string SelectFileName() const;
    // Both saves of the tear-down.
    void SaveAtTearDown();

    FileLoadState OptionFileState() const { return optionState_; }
    FileLoadState SelectFileState() const { return selectState_; }

private:
    bool saveBits() const;
    [[noreturn]] void selectRefused(std::string message);

    ProjectComponents c_;
    // The components given, in the option file's order.
    TComponentList optionSections_;
    FileLoadState optionState_ = FileLoadState::NotLoaded;
    std::string optionLoadedName_;
    bool confirmed_ = false;
    FileLoadState selectState_ = FileLoadState::NotLoaded;
    std::string selectLoadedName_;
};

}  // namespace tarvex
