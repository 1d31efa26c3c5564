#pragma once
// Help from a help file: the topic in the system's help engine where there
// is one (WinHelp on Windows), as a window of the owner given. Where there
// is none, or the file is missing, one box per request says so, so that a
// Help button or F1 never does nothing.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui.hpp"

namespace tarvex::ui {

class HelpFileViewer final : public platform::HelpViewer {
public:
    // Both are asked at each request: the options may change the file, and
    // the owner window comes and goes with the session. No owner: 0.
    explicit HelpFileViewer(std::function<std::string()> helpFile, std::function<std::uintptr_t()> owner = {})
        : helpFile_(std::move(helpFile)), owner_(std::move(owner)) {}
    // True when the engine took the request.
    bool show(unsigned command, unsigned context) override;

private:
    std::function<std::string()> helpFile_;
    std::function<std::uintptr_t()> owner_;
};

}  // namespace tarvex::ui
