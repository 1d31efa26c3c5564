#pragma once
// What a view of the status line reads: the panels' texts and colours. The
// status line itself lives with the host interface; a view sees it through
// this interface (HostStatusLine below) so that it does not depend on its
// shape.
#include <cstdint>
#include <functional>
#include <string>

namespace tarvex {
class TVokWinStatusZeile;
}

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

// The driver's status line as panels: panel 2 shows the first text (the
// running state), panel 3 the second (macro, on-break command), each in the
// colours its indicators give; the other panels stay plain and empty.
class HostStatusLine final : public StatusLineSource {
public:
    explicit HostStatusLine(TVokWinStatusZeile& line) : line_(line) {}
    ~HostStatusLine() override;
    HostStatusLine(const HostStatusLine&) = delete;
    HostStatusLine& operator=(const HostStatusLine&) = delete;
    int panelCount() const override;
    StatusPanel panel(int index) const override;
    void onChanged(std::function<void()> callback) override;

private:
    TVokWinStatusZeile& line_;
};

}  // namespace tarvex::ui
