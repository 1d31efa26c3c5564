#pragma once
// A test's help viewer in place of the application's, until the end of the
// scope.
#include "platform/ui.hpp"

namespace tarvex::test {

class ScopedHelpViewer {
public:
    explicit ScopedHelpViewer(platform::HelpViewer& viewer) : saved_(platform::currentUi().help) {
        platform::currentUi().help = &viewer;
    }
    ~ScopedHelpViewer() { platform::currentUi().help = saved_; }
    ScopedHelpViewer(const ScopedHelpViewer&) = delete;
    ScopedHelpViewer& operator=(const ScopedHelpViewer&) = delete;

private:
    platform::HelpViewer* saved_;
};

}  // namespace tarvex::test
