#pragma once
// The driver's help: the topic of its help file in the platform's viewer
// where there is one; where there is none, or it cannot show the topic, one
// notice per request says so, so that a Help button or F1 never does
// nothing.
#include <functional>
#include <string>

#include "platform/ui.hpp"

namespace tarvex::ui {

class DriverHelpViewer final : public platform::HelpViewer {
public:
    // `helpFile` names the help file at each request (the options may change
    // it); `viewer` is the platform's, null where none exists.
    explicit DriverHelpViewer(std::function<std::string()> helpFile, platform::HelpViewer* viewer = nullptr)
        : helpFile_(std::move(helpFile)), viewer_(viewer) {}
    // True when the viewer showed the topic.
    bool show(unsigned command, unsigned context) override;

private:
    std::function<std::string()> helpFile_;
    platform::HelpViewer* viewer_;
};

}  // namespace tarvex::ui
