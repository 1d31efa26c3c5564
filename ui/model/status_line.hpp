#pragma once
// What a view of the status line reads: the panels' texts and colours. The
// status line itself lives with the host interface; it is seen here only
// through this interface so that the view does not depend on its shape.
#include <cstdint>
#include <functional>
#include <string>

namespace tarvex::ui {

struct StatusPanel {
    std::string text;
    // Windows RGB values (0x00BBGGRR); buttonFace: the system's colours.
    std::uint32_t background = 0;
    std::uint32_t textColor = 0;
    bool buttonFace = true;
};

class StatusLineSource {
public:
    virtual ~StatusLineSource() = default;
    virtual int panelCount() const = 0;
    virtual StatusPanel panel(int index) const = 0;
    virtual void onChanged(std::function<void()> callback) = 0;
};

}  // namespace tarvex::ui
