#include "ui/model/status_line.hpp"

#include "host/status_line.hpp"

namespace tarvex::ui {

int HostStatusLine::panelCount() const {
    return TVokWinStatusZeile::PanelCount;
}

StatusPanel HostStatusLine::panel(int index) const {
    StatusPanel p;
    if (index == 2) p.text = line_.FirstText();
    if (index == 3) p.text = line_.SecondText();
    p.background = line_.PanelBackground(index);
    p.textColor = line_.PanelTextColor(index);
    p.buttonFace = p.background == TVokWinStatusZeile::ButtonFace;
    if (p.buttonFace) p.background = 0;
    return p;
}

HostStatusLine::~HostStatusLine() {
    line_.SetOnChanged({});
}

void HostStatusLine::onChanged(std::function<void()> callback) {
    line_.SetOnChanged(std::move(callback));
}

}  // namespace tarvex::ui
