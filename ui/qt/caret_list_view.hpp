#pragma once
// The owner-drawn list with a text caret, optionally in the columns of a
// header that scrolls along. Positions come from CaretList; this view draws
// the rows its source gives and forwards keys and the mouse.
#include <QAbstractScrollArea>

#include "ui/model/caret_list.hpp"

class QHeaderView;
class QPainter;

namespace tarvex::ui {

class CaretListView : public QAbstractScrollArea {
public:
    explicit CaretListView(const CaretCellSource& source, QWidget* parent = nullptr);

    // The header whose sections are the columns; it scrolls with the view.
    void setHeaderLink(QHeaderView* header);
    // The same count leaves the scroll positions alone.
    void setItemCount(int count);
    int itemCount() const { return list_.geometry.itemCount(); }
    // Off: no caret, an arrow cursor, and a drag selects whole rows.
    void setMitCaret(bool on);
    bool mitCaret() const { return mitCaret_; }
    static constexpr int OffsetX = 2;

    CaretList& list() { return list_; }
    const CaretList& list() const { return list_; }

protected:
    // Drawn over a cell once its text is, clipped to the cell: the marks a
    // list adds to its cells. `selected`: the selection covers part of it.
    virtual void drawCellExtras(QPainter& /*painter*/, int /*row*/, int /*section*/, const QRect& /*cell*/,
                                bool /*selected*/) {}

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void updateGeometryModel();
    void updateScrollBars();
    void followCaret();
    int scrollX() const;

    const CaretCellSource& source_;
    CaretList list_;
    QHeaderView* header_ = nullptr;
    bool mitCaret_ = true;
};

}  // namespace tarvex::ui
