#include "ui/qt/caret_list_view.hpp"

#include <QFontDatabase>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

#include <algorithm>

#include "ui/qt/colors.hpp"

namespace tarvex::ui {

CaretListView::CaretListView(const CaretCellSource& source, QWidget* parent)
    : QAbstractScrollArea(parent), source_(source) {
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    list_.geometry.setItemHeight(fontMetrics().height());
    updateGeometryModel();
}

void CaretListView::setHeaderLink(QHeaderView* header) {
    header_ = header;
    if (header_)
        connect(header_, &QHeaderView::sectionResized, this, [this] {
            updateGeometryModel();
            viewport()->update();
        });
    updateGeometryModel();
}

void CaretListView::setItemCount(int count) {
    if (count == list_.geometry.itemCount()) return;
    list_.setItemCount(count);
    updateScrollBars();
    viewport()->update();
}

void CaretListView::setMitCaret(bool on) {
    mitCaret_ = on;
    list_.selection.setWithCaret(on);
    viewport()->setCursor(on ? Qt::IBeamCursor : Qt::ArrowCursor);
    viewport()->update();
}

int CaretListView::scrollX() const { return horizontalScrollBar()->value(); }

void CaretListView::updateGeometryModel() {
    auto& g = list_.geometry;
    g.setCharWidth(fontMetrics().horizontalAdvance('x'));
    std::vector<int> sections;
    if (header_)
        for (int i = 0; i < header_->count(); ++i) sections.push_back(header_->sectionSize(i));
    g.setSections(std::move(sections));
    if (g.hasHeader()) g.setHorzScrollRange(g.headerWidth());
    g.setClient(viewport()->width(), viewport()->height());
    g.setVScrollBarWidth(verticalScrollBar()->sizeHint().width());
    updateScrollBars();
}

void CaretListView::updateScrollBars() {
    const auto& g = list_.geometry;
    verticalScrollBar()->setRange(0, std::max(0, g.itemCount() - g.visibleRows()));
    verticalScrollBar()->setPageStep(std::max(1, g.visibleRows()));
    horizontalScrollBar()->setRange(0, std::max(0, g.horzScrollRange() - viewport()->width()));
    horizontalScrollBar()->setPageStep(std::max(1, viewport()->width()));
}

void CaretListView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateGeometryModel();
}

void CaretListView::scrollContentsBy(int, int) {
    list_.setTopRow(verticalScrollBar()->value());
    if (header_) header_->setOffset(scrollX());
    viewport()->update();
}

void CaretListView::followCaret() {
    if (list_.topRow() != verticalScrollBar()->value()) verticalScrollBar()->setValue(list_.topRow());
    const int x = list_.geometry.ColumnToX(list_.caretColumn());
    const int w = viewport()->width() - list_.geometry.charWidth();
    if (scrollX() > x)
        horizontalScrollBar()->setValue(x);
    else if (scrollX() + w < x)
        horizontalScrollBar()->setValue(x - w);
    viewport()->update();
}

void CaretListView::keyPressEvent(QKeyEvent* event) {
    using K = CaretList::Key;
    K k;
    switch (event->key()) {
        case Qt::Key_Left: k = K::Left; break;
        case Qt::Key_Right: k = K::Right; break;
        case Qt::Key_Up: k = K::Up; break;
        case Qt::Key_Down: k = K::Down; break;
        case Qt::Key_PageUp: k = K::PageUp; break;
        case Qt::Key_PageDown: k = K::PageDown; break;
        case Qt::Key_Home: k = K::Home; break;
        case Qt::Key_End: k = K::End; break;
        default: QAbstractScrollArea::keyPressEvent(event); return;
    }
    list_.key(k, event->modifiers() & Qt::ShiftModifier, event->modifiers() & Qt::ControlModifier);
    followCaret();
}

void CaretListView::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint p = event->position().toPoint();
    if (event->button() == Qt::LeftButton)
        list_.pressLeft(p.x() - OffsetX, p.y(), scrollX());
    else if (event->button() == Qt::RightButton)
        list_.pressRight(p.x() - OffsetX, p.y(), scrollX());
    viewport()->update();
}

void CaretListView::mouseMoveEvent(QMouseEvent* event) {
    if (!(event->buttons() & Qt::LeftButton)) return;
    const QPoint p = event->position().toPoint();
    list_.dragTo(p.x() - OffsetX, p.y(), scrollX());
    followCaret();
}

void CaretListView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) list_.releaseLeft();
    viewport()->update();
}

void CaretListView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const auto& g = list_.geometry;
    const int h = g.itemHeight();
    const int width = viewport()->width();
    const int right = std::max(width + scrollX(), g.horzScrollRange());
    const QPalette& pal = palette();
    painter.fillRect(viewport()->rect(), pal.color(QPalette::Base));
    painter.translate(-scrollX(), 0);
    for (int i = 0; i <= g.visibleRows(); ++i) {
        const int row = list_.topRow() + i;
        if (row >= g.itemCount()) break;
        const int top = i * h;
        const auto span = list_.selection.GetSelectionSpan(g, row, right);
        bool selected = false;
        const auto drawPart = [&](const QRect& cell, const QString& text, const QColor& back, const QColor& fore,
                                  int textLeft) {
            selected = false;
            // The text is drawn in the cell's colours and again in the
            // highlight colours clipped to the selection.
            painter.setClipRect(cell);
            painter.fillRect(cell, back);
            painter.setPen(fore);
            painter.drawText(QPoint(textLeft, top + fontMetrics().ascent()), text);
            if (span) {
                const QRect sel = cell.intersected(QRect(span->first + OffsetX, top, span->second - span->first, h));
                if (!sel.isEmpty()) {
                    selected = true;
                    painter.setClipRect(sel);
                    painter.fillRect(sel, pal.color(QPalette::Highlight));
                    painter.setPen(pal.color(QPalette::HighlightedText));
                    painter.drawText(QPoint(textLeft, top + fontMetrics().ascent()), text);
                }
            }
        };
        if (g.hasHeader()) {
            for (int s = 0; s < static_cast<int>(g.sections().size()); ++s) {
                const QRect cell(g.sectionLeft(s), top, g.sections()[static_cast<std::size_t>(s)], h);
                drawPart(cell, QString::fromStdString(source_.GetCellText(row, s)),
                         fromColorRef(source_.GetCellColor(row, s)), fromColorRef(source_.GetCellFontColor(row, s)),
                         cell.left() + OffsetX);
                painter.setClipRect(cell);
                drawCellExtras(painter, row, s, cell, selected);
            }
        } else {
            drawPart(QRect(0, top, right, h), QString::fromStdString(source_.GetItemText(row)),
                     pal.color(QPalette::Base), pal.color(QPalette::Text), OffsetX);
        }
        painter.setClipping(false);
    }
    if (mitCaret_ && hasFocus() && list_.caretRow() >= list_.topRow() && list_.caretRow() >= 0) {
        const int x = g.ColumnToX(list_.caretColumn()) + OffsetX;
        painter.fillRect(QRect(x, (list_.caretRow() - list_.topRow()) * h, 2, h), pal.color(QPalette::Text));
    }
}

}  // namespace tarvex::ui
