#pragma once
// The windowed checker without its windows: the engine that reports into the
// main form's list, the main form's and the about form's state, and the
// program's help.
// Everything here runs without Qt, so the tests drive it headless.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "checker/qz_check_main.hpp"
#include "core/history_list.hpp"
#include "platform/settings.hpp"
#include "platform/ui.hpp"
#include "ui/forms/form_events.hpp"
#include "ui/model/dialog_model.hpp"

namespace tarvex::checkwin {

inline constexpr const char* kCheckWinKey = "Software\\Velmont\\Tools\\QzCheckWin";
inline constexpr const char* kHistorySection = "FileName";
inline constexpr const char* kCaption = "Pellunar Checker";
inline constexpr const char* kFileFilter =
    "Omf51 files (*.omf)|*.omf|Intel HEX files (*.hex)|*.hex|All files (*.*)|*.*";
inline constexpr unsigned kMainHelpContext = 100, kContentHelpContext = 1000;

class QzCheckMainModel;

// The engine whose report goes to the main form's list instead of the
// standard output.
class TWinQzCheck final : public TQzCheck {
public:
    explicit TWinQzCheck(QzCheckMainModel& form) : form_(form) {}
    void WriteLine(const std::string& text) override;

private:
    QzCheckMainModel& form_;
};

inline constexpr const char* kHelpFile = "QzCheckHelp.hlp";

// The application's help: its help file beside the program, in the system's
// help engine where there is one (ui::HelpFileViewer), as a window of the
// main form.
class CheckerHelpViewer final : public platform::HelpViewer {
public:
    // `directory`: the program's folder (empty: the working folder).
    explicit CheckerHelpViewer(std::string directory = {}) : directory_(std::move(directory)) {}
    // The main form's window, asked at each request; none: no owner.
    void setOwner(std::function<std::uintptr_t()> owner) { owner_ = std::move(owner); }
    std::string file() const;
    bool show(unsigned command, unsigned context) override;

private:
    std::string directory_;
    std::function<std::uintptr_t()> owner_;
};

class QzAboutModel final : public ui::FormModel {
public:
    QzAboutModel();
    void setVersion(const std::string& version) { setText("VersionLabel", version); }
    // Its one button closes it.
    ui::forms::FormEvents events(ui::forms::FormWindow window);
};

class QzCheckMainModel final : public ui::DialogModel {
public:
    // The cursor may be null (no hourglass).
    QzCheckMainModel(platform::SettingsStore& store, platform::BusyCursor* cursor);

    // A click on a radio item; an index outside the group changes nothing.
    void choose(const std::string& group, int index);
    int chosen(const std::string& group) const { return control(group).itemIndex; }
    // The file name as the user types it.
    void setFileName(const std::string& name);
    const std::string& fileName() const { return control("FileName").text; }

    // "&Browse": answers whether a file was chosen.
    bool browse();
    // "Go": answers whether the run ended without an exception.
    bool go();
    // "&Clear".
    void clear();
    // "&About...": the version goes to the about form.
    void about(QzAboutModel& form) const { form.setVersion(engine_.GetVersion()); }
    // "&Content"; F1 is the base's help().
    bool content() const;
    // The main form's events; "E&xit" ends its window.
    ui::forms::FormEvents events(ui::forms::FormWindow window);

    const std::vector<std::string>& report() const { return control("MsgListBox").items; }
    const THistoryList& history() const { return history_; }
    TWinQzCheck& engine() { return engine_; }

private:
    friend class TWinQzCheck;
    void appendReport(const std::string& line);

    platform::SettingsStore& store_;
    platform::BusyCursor* cursor_;
    THistoryList history_;
    TWinQzCheck engine_{*this};
};

}  // namespace tarvex::checkwin
