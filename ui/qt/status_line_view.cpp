#include "ui/qt/status_line_view.hpp"

#include <algorithm>

#include <QHBoxLayout>
#include <QLabel>

#include "ui/qt/colors.hpp"

namespace tarvex::ui {

StatusLineView::StatusLineView(StatusLineSource& source, QWidget* parent) : QWidget(parent), source_(source) {
    setObjectName("VokWinStatusZeile");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int i = 0; i < source_.panelCount(); ++i) {
        auto* label = new QLabel(this);
        label->setObjectName(QString("Panel%1").arg(i));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setAutoFillBackground(true);
        label->setMinimumWidth(80);
        layout->addWidget(label, i + 1 == source_.panelCount() ? 1 : 0);
        panels_.push_back(label);
    }
    source_.onChanged([this] { refresh(); });
    refresh();
}

QLabel* StatusLineView::panel(int index) const {
    return index >= 0 && index < static_cast<int>(panels_.size()) ? panels_[static_cast<std::size_t>(index)] : nullptr;
}

void StatusLineView::refresh() {
    for (int i = 0; i < static_cast<int>(panels_.size()); ++i) {
        const auto p = source_.panel(i);
        auto* label = panels_[static_cast<std::size_t>(i)];
        label->setText(QString::fromStdString(p.text));
        // A panel grows with its text rather than cut it.
        label->setMinimumWidth(std::max(80, label->sizeHint().width()));
        QPalette pal = palette();
        if (!p.buttonFace) {
            pal.setColor(QPalette::Window, fromColorRef(p.background));
            pal.setColor(QPalette::WindowText, fromColorRef(p.textColor));
        }
        label->setPalette(pal);
    }
    // The panels take their new widths now, not at the next event round.
    if (layout()) layout()->activate();
}

}  // namespace tarvex::ui
