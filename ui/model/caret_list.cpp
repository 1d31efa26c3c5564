#include "ui/model/caret_list.hpp"

#include <algorithm>

namespace tarvex::ui {

int CaretGeometry::sectionLeft(int index) const {
    int left = 0;
    for (int i = 0; i < index && i < static_cast<int>(sections_.size()); ++i)
        left += sections_[static_cast<std::size_t>(i)];
    return left;
}

int CaretGeometry::sectionOfColumn(int column) const {
    if (!hasHeader()) return -1;
    const int n = static_cast<int>(sections_.size());
    for (int i = 0; i < n; ++i) {
        if (column < sectionColumns(i)) return i;
        column -= sectionColumns(i);
    }
    return n - 1;
}

int CaretGeometry::MaxColumn() const {
    const int bar = vScrollShown() ? vScrollBarWidth_ : 0;
    if (hasHeader()) {
        const int e = std::max(clientWidth_, horzScrollRange_) - bar;
        return std::max(0, e / charWidth_);
    }
    const int e = std::max(horzScrollRange_, clientWidth_ - bar);
    // A remainder too narrow for the caret is no column.
    const int columns = e / charWidth_ - (e % charWidth_ < 3 ? 1 : 0);
    return std::max(0, columns);
}

int CaretGeometry::ColumnAtX(int x) const {
    if (!hasHeader()) return x / charWidth_;
    int before = 0;
    int left = 0;
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        const int right = left + sections_[static_cast<std::size_t>(i)];
        if (right > x) return before + (x - left) / charWidth_;
        before += sectionColumns(i);
        left = right;
    }
    return before + (x - left) / charWidth_;
}

int CaretGeometry::ColumnToX(int column) const {
    if (!hasHeader()) return column * charWidth_;
    int left = 0;
    for (int i = 0; i < static_cast<int>(sections_.size()); ++i) {
        if (column < sectionColumns(i)) return left + column * charWidth_;
        column -= sectionColumns(i);
        left += sections_[static_cast<std::size_t>(i)];
    }
    return left + column * charWidth_;
}

void CaretSelection::set(CaretPoint a, CaretPoint b) {
    const bool aFirst = a.row < b.row || (a.row == b.row && a.column <= b.column);
    start_ = aFirst ? a : b;
    end_ = aFirst ? b : a;
    shown_ = true;
}

std::optional<std::pair<int, int>> CaretSelection::GetSelectionSpan(const CaretGeometry& g, int row,
                                                                    int rightEdge) const {
    if (!shown_ || row < start_.row || row > end_.row) return std::nullopt;
    if (!withCaret_) return std::make_pair(0, rightEdge);
    int from = row == start_.row ? g.ColumnToX(start_.column) : 0;
    int to = row == end_.row ? g.ColumnToX(end_.column) : rightEdge;
    if (spaltenMarkierung_ && g.hasHeader()) {
        if (row != start_.row) from = g.sectionLeft(g.sectionOfColumn(start_.column));
        if (row != end_.row) {
            const int s = g.sectionOfColumn(end_.column);
            to = g.sectionLeft(s + 1);
        }
    }
    return std::make_pair(from, to);
}

void CaretList::clampRow() {
    const int count = geometry.itemCount();
    if (count == 0) {
        row_ = -1;
        top_ = 0;
        return;
    }
    row_ = std::clamp(row_, 0, count - 1);
    top_ = std::clamp(top_, 0, count - 1);
}

void CaretList::setCaretRow(int row) {
    row_ = row;
    clampRow();
}

void CaretList::setCaretColumn(int column) { column_ = std::clamp(column, 0, geometry.MaxColumn()); }

void CaretList::setTopRow(int row) {
    top_ = row;
    clampRow();
}

void CaretList::setItemCount(int count) {
    geometry.setItemCount(count);
    if (row_ < 0 && count > 0) row_ = 0;
    clampRow();
}

void CaretList::makeRowVisible() {
    const int v = std::max(1, geometry.visibleRows());
    if (row_ < 0 || (row_ >= top_ && row_ < top_ + v)) return;
    top_ = row_ < top_ ? row_ : std::max(0, row_ - v + 2);
    clampRow();
}

int CaretList::rowAtY(int y) const { return (top_ * geometry.itemHeight() + std::max(0, y)) / geometry.itemHeight(); }

void CaretList::key(Key k, bool shift, bool ctrl) {
    if (shift && !shiftActive_) {
        // A selection the mouse left extends from where the drag began, which
        // after a drag upwards is its lower end.
        anchor_ = selection.shown() ? mouseAnchor_ : CaretPoint{column_, row_};
        shiftActive_ = true;
    } else if (!shift && shiftActive_) {
        shiftActive_ = false;
        selection.hide();
    }
    const int page = std::max(1, geometry.visibleRows());
    switch (k) {
        case Key::Left: setCaretColumn(column_ - 1); break;
        case Key::Right: setCaretColumn(column_ + 1); break;
        case Key::Up: setCaretRow(row_ - 1); break;
        case Key::Down: setCaretRow(row_ + 1); break;
        case Key::PageUp: setCaretRow(row_ - page); break;
        case Key::PageDown: setCaretRow(row_ + page); break;
        case Key::Home:
            column_ = 0;
            if (ctrl) setCaretRow(0);
            break;
        case Key::End:
            column_ = geometry.MaxColumn();
            // An empty list has no last row to go to.
            if (ctrl) setCaretRow(geometry.itemCount() - 1);
            break;
    }
    makeRowVisible();
    if (shiftActive_ && row_ >= 0) selection.set(anchor_, CaretPoint{column_, row_});
}

void CaretList::pressLeft(int x, int y, int scrollX) {
    if (geometry.itemCount() == 0) return;
    setCaretRow(rowAtY(y));
    column_ = std::max(0, geometry.ColumnAtX(scrollX + x));
    shiftActive_ = false;
    selection.hide();
    mouseAnchor_ = CaretPoint{column_, row_};
}

void CaretList::dragTo(int x, int y, int scrollX) {
    if (geometry.itemCount() == 0) return;
    column_ = std::max(0, geometry.ColumnAtX(scrollX + x));
    setCaretRow(rowAtY(y));
    makeRowVisible();
    selection.set(mouseAnchor_, CaretPoint{column_, row_});
}

void CaretList::releaseLeft() {
    if (selection.shown() && selection.start() == selection.end()) selection.hide();
}

void CaretList::pressRight(int x, int y, int scrollX) {
    if (geometry.itemCount() == 0) return;
    column_ = std::max(0, geometry.ColumnAtX(scrollX + x));
    // Below the last row the caret stays on the last row.
    setCaretRow(rowAtY(y));
}

int CaretList::scrollForCaret(int scrollX) const {
    const int x = geometry.ColumnToX(column_);
    if (scrollX > x) return x;
    return scrollX;
}

}  // namespace tarvex::ui
