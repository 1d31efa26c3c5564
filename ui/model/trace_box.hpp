#pragma once
// The trace list box: a window of display lines, as many as fit, built on
// demand from the frame at the top of the view; a scroll bar over frame
// indices; the caret row's current frame; relative times to a zero point;
// collapsed ranges; the notifications of the trace board.
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/model/caret_list.hpp"
#include "ui/model/trace_cells.hpp"
#include "ui/model/trace_lines.hpp"

namespace tarvex::ui {

class ReadLoop;

// The zero points of the relative time: one set by hand, and those the time
// filter found (ascending frame indices).
class TraceTimes {
public:
    void setManualZero(std::uint32_t frame, std::uint32_t time) { manual_ = Zero{frame, time}; }
    void clearManualZero() { manual_.reset(); }
    bool hasManualZero() const { return manual_.has_value(); }
    std::optional<std::uint32_t> manualZeroFrame() const {
        return manual_ ? std::optional<std::uint32_t>(manual_->frame) : std::nullopt;
    }
    void setFilterZeros(std::vector<std::pair<std::uint32_t, std::uint32_t>> frameTimes);
    void clearFilterZeros() { filter_.clear(); }
    std::size_t filterZeroCount() const { return filter_.size(); }

    // The time of a frame as shown: counted from the latest zero point at or
    // before it, modulo the 32-bit counter so that a wrap in between still
    // counts forward; the absolute time when none precedes it.
    std::uint32_t relative(std::uint32_t frame, std::uint32_t time) const;

private:
    struct Zero {
        std::uint32_t frame;
        std::uint32_t time;
    };
    std::optional<Zero> manual_;
    std::vector<Zero> filter_;
};

// A line of the context list: the source file of the context module; bit
// 0x10 marks the context line, 0x20 the lines gathered with it; the low four
// bits tell how the trace ranges cover the line's code (0 no code or no
// select table).
struct TraceContextLine {
    enum Range : std::uint8_t { NoCode = 0, Outside = 1, Partly = 2, Inside = 3 };
    std::string text;
    std::uint8_t state = 0;
    Range range() const { return static_cast<Range>(state & 0x0F); }
};

class TraceBoxModel final : public CaretCellSource {
public:
    static constexpr int kExactCountLimit = 100;

    TraceBoxModel(ITraceSource& source, TraceContext context = {});

    TTraceDarstellung mode() const { return mode_; }
    // Keeps the current frame: the view is rebuilt there.
    void setMode(TTraceDarstellung mode);
    bool contextMode() const { return contextMode_; }
    void setContextMode(bool on);

    // The number of whole rows the view shows.
    void setVisibleRows(int rows);
    int visibleRows() const { return visibleRows_; }

    // CheckAnzahl: the scroll range and the number of rows, from the trace.
    void checkAnzahl();
    // Only the scroll range and the number of rows, for a caller that
    // rebuilds the rows itself.
    void recount();
    int scrollMaximum() const { return scrollMax_; }
    int rowCount() const { return static_cast<int>(items_.size()); }
    const TTraceItem& item(int row) const { return items_.at(static_cast<std::size_t>(row)); }

    // ShowFrame: nothing when a line of the frame is among the rows; else the
    // rows are built from it (filled from above at the end of the trace).
    void showFrame(std::uint32_t frame);
    void scrollDown(int lines);
    void scrollUp(int lines);
    void goToEnd();

    // The frame of a row: a gap or collapsed row takes the next real line
    // below it, else the nearest above; -1 when none.
    int frameOfRow(int row) const;
    // The caret row's frame, the last frame when no row is selected.
    int currentFrame() const;
    int caretRow() const { return caretRow_; }
    // In context mode a source line under the caret becomes the context.
    void setCaretRow(int row);

    // The context list: the module's source lines, the first line shown, and
    // a count that changes whenever the list does.
    const std::vector<TraceContextLine>& contextLines() const { return contextLines_; }
    int contextTopLine() const { return contextTop_; }
    unsigned contextGeneration() const { return contextGeneration_; }
    // Whether a row is the context line or gathered with it.
    bool rowHighlighted(int row) const;
    bool rowGathered(int row) const;

    // Keys of the box before the list's own handling; answer whether the
    // key was used.
    bool pageUp(bool ctrl);
    bool pageDown(bool ctrl);
    bool lineUp();
    bool lineDown();

    // "Time stamp = &0" and the double click: the current frame becomes the
    // zero point; when it is the zero point already, the zero is cleared.
    void toggleTimeZero();
    TraceTimes& times() { return times_; }
    TSplitTime timeOf(const TTraceItem& item) const;

    // Collapse the rows given (the caret row when none) and expand the
    // collapsed row at the caret.
    void collapseRows(std::vector<int> rows);
    // Collapses the code of the function (or module) that holds the caret
    // row's address; false when no symbol holds it.
    bool collapseFunction();
    bool expandAtCaret();
    const CollapsedRanges& collapsed() const { return collapsed_; }

    // The reading dialog of a window whose context brings a clock but no
    // dialog of its own.
    bool wantsReadingDialog() const { return context_.clock && !context_.reading; }
    void setReadingDialog(TraceReadingDialog* dialog) { context_.reading = dialog; }

    // Called when the box changed its display mode by itself (Source mode
    // without source lines, after the question).
    void onModeChanged(std::function<void()> callback) { modeChanged_ = std::move(callback); }

    // Notifications of the trace board and the tables: 6 trace reset, 11
    // target stopped; 4, 8 and 9 replace the tables, so every line record
    // held is dropped.
    void notify(int code);

    // The line texts for a caret list.
    std::string GetItemText(int row) const override;
    std::string GetCellText(int row, int section) const override;
    std::uint32_t GetCellColor(int row, int section) const override;
    std::uint32_t GetCellFontColor(int row, int section) const override;

private:
    friend class ReadLoop;
    void setContextItem(const TTraceItem& item);
    void gatherContext(const TTraceItem& ctx);
    void markRanges(const TTraceItem& ctx);
    void clearContext();
    bool collapse(std::vector<std::uint32_t> addresses, int frame);
    // After a read: a cancelled read in Source mode that found no source
    // line asks whether to show Mixed Mode instead.
    void afterRead();

    // Lines of frames from..to (inclusive) with a builder that starts fresh.
    std::vector<TTraceItem> build(std::uint32_t from, std::uint32_t to) const;
    // Appends up to `lines` lines after the last row; answers how many.
    int appendAfter(int lines);
    // Under the read loop of the caller when it gives one.
    int prependBefore(int lines, ReadLoop* outer = nullptr);
    // The last lines of the frames before `frame`, read backwards.
    std::deque<TTraceItem> linesBefore(std::uint32_t frame, ReadLoop& loop);
    void trimFront();
    void trimBack();
    // The rows rebuilt at a frame; a selected caret goes to that frame's
    // row.
    void rebuildAt(int frame);
    // The row that holds a frame, or the next row when the mode shows no
    // line for it; the last row when every row lies before it.
    int rowOfFrame(std::uint32_t frame) const;
    int countLines() const;

    ITraceSource& source_;
    TraceContext context_;
    TTraceDarstellung mode_ = tdMixedMode;
    bool contextMode_ = false;
    CollapsedRanges collapsed_;
    TraceTimes times_;
    std::deque<TTraceItem> items_;
    int visibleRows_ = 1;
    int rows_ = 0;
    int scrollMax_ = 0;
    int caretRow_ = -1;
    bool readingShown_ = false;
    bool readCancelled_ = false;
    // The frame a showFrame is building the rows for.
    std::optional<std::uint32_t> showing_;
    std::function<void()> modeChanged_;
    std::vector<TraceContextLine> contextLines_;
    std::optional<std::uint32_t> contextFrame_;
    std::uint16_t contextModule_ = 0;
    std::uint16_t contextFile_ = 0;
    std::vector<std::uint32_t> gathered_;  // frames of the gathered source lines
    int contextTop_ = 0;
    unsigned contextGeneration_ = 0;
    // While the context is gathered, looking up its source file may report
    // a change of the tables: the notification waits until the gathering
    // ends, so the rows it walks stay valid.
    bool inContext_ = false;
    std::vector<int> pendingNotify_;
};

}  // namespace tarvex::ui
