#pragma once
// The owner-drawn list with a text caret: character columns over fixed-pitch
// text, optionally laid out in the sections of a header, a caret that sits on
// a column of a row, and a selection that may span rows. The view only draws
// and forwards input; every position is worked out here.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tarvex::ui {

struct CaretPoint {
    int column = 0;
    int row = 0;
    friend bool operator==(const CaretPoint&, const CaretPoint&) = default;
};

class CaretGeometry {
public:
    // A width of 0 (no font metrics yet) would divide by zero.
    void setCharWidth(int width) { charWidth_ = width < 1 ? 1 : width; }
    int charWidth() const { return charWidth_; }
    // Header section widths, left to right; none: a plain caret list.
    void setSections(std::vector<int> widths) { sections_ = std::move(widths); }
    const std::vector<int>& sections() const { return sections_; }
    bool hasHeader() const { return !sections_.empty(); }
    void setHorzScrollRange(int pixels) { horzScrollRange_ = pixels; }
    int horzScrollRange() const { return horzScrollRange_; }
    void setClient(int width, int height) {
        clientWidth_ = width;
        clientHeight_ = height;
    }
    void setItemHeight(int height) { itemHeight_ = height < 1 ? 1 : height; }
    int itemHeight() const { return itemHeight_; }
    void setItemCount(int count) { itemCount_ = count < 0 ? 0 : count; }
    int itemCount() const { return itemCount_; }
    void setVScrollBarWidth(int width) { vScrollBarWidth_ = width; }

    int sectionLeft(int index) const;
    int sectionColumns(int index) const { return sections_[static_cast<std::size_t>(index)] / charWidth_; }
    int headerWidth() const { return sectionLeft(static_cast<int>(sections_.size())); }
    // The section that holds a column (the last one past the end); -1 without header.
    int sectionOfColumn(int column) const;

    int MaxColumn() const;
    int ColumnAtX(int x) const;
    int ColumnToX(int column) const;
    int visibleRows() const { return clientHeight_ / itemHeight_; }

private:
    bool vScrollShown() const { return static_cast<long long>(itemCount_) * itemHeight_ > clientHeight_; }

    int charWidth_ = 1;
    std::vector<int> sections_;
    int horzScrollRange_ = 0;
    int clientWidth_ = 0;
    int clientHeight_ = 0;
    int itemHeight_ = 16;
    int itemCount_ = 0;
    int vScrollBarWidth_ = 0;
};

// The selection between two points, normalised, as a pixel span per row.
class CaretSelection {
public:
    void set(CaretPoint a, CaretPoint b);
    void hide() { shown_ = false; }
    bool shown() const { return shown_; }
    CaretPoint start() const { return start_; }
    CaretPoint end() const { return end_; }
    // Without a caret a selection covers whole rows.
    void setWithCaret(bool withCaret) { withCaret_ = withCaret; }
    // Rows between the first and the last cover whole header sections.
    void setSpaltenMarkierung(bool on) { spaltenMarkierung_ = on; }
    // From and to x of the selection on a row; nothing when the row has none.
    std::optional<std::pair<int, int>> GetSelectionSpan(const CaretGeometry& g, int row, int rightEdge) const;

private:
    CaretPoint start_, end_;
    bool shown_ = false;
    bool withCaret_ = true;
    bool spaltenMarkierung_ = false;
};

// Caret, keys and mouse of the list. Rows are clamped to the rows that
// exist: an empty list has no caret row.
class CaretList {
public:
    CaretGeometry geometry;
    CaretSelection selection;

    int caretColumn() const { return column_; }
    // -1 on an empty list.
    int caretRow() const { return row_; }
    void setCaretRow(int row);
    void setCaretColumn(int column);
    int topRow() const { return top_; }
    void setTopRow(int row);
    // Keeps the caret on a row that exists after the count changed.
    void setItemCount(int count);

    // Left/Right by the column step, End, Home (Ctrl: first/last row), Up,
    // Down, Page Up, Page Down; shift extends the selection.
    enum class Key { Left, Right, Up, Down, PageUp, PageDown, Home, End };
    void key(Key k, bool shift, bool ctrl);
    // Mouse positions are client pixels; scrollX is the horizontal scroll.
    void pressLeft(int x, int y, int scrollX);
    void dragTo(int x, int y, int scrollX);
    void releaseLeft();
    void pressRight(int x, int y, int scrollX);

    // The horizontal scroll that shows the caret column, from the current one.
    int scrollForCaret(int scrollX) const;

private:
    int rowAtY(int y) const;
    void clampRow();
    void makeRowVisible();

    int column_ = 0;
    int row_ = -1;
    int top_ = 0;
    CaretPoint anchor_;
    bool shiftActive_ = false;
    CaretPoint mouseAnchor_;
};

}  // namespace tarvex::ui

namespace tarvex::ui {

// What the list draws: the owner supplies every row, as one text or as cells
// in the header's sections. Colours are Windows RGB values (0x00BBGGRR).
class CaretCellSource {
public:
    virtual ~CaretCellSource() = default;
    virtual std::string GetItemText(int row) const = 0;
    virtual std::string GetCellText(int row, int section) const { return section == 0 ? GetItemText(row) : ""; }
    virtual std::uint32_t GetCellColor(int /*row*/, int /*section*/) const { return 0xFFFFFF; }
    virtual std::uint32_t GetCellFontColor(int /*row*/, int /*section*/) const { return 0x000000; }
};

}  // namespace tarvex::ui
