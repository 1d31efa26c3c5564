#include "ui/model/trace_box.hpp"

#include <algorithm>

#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/symbol_table.hpp"
#include "emulator/debug/select_table.hpp"
#include "core/messages.hpp"
#include "platform/clock.hpp"

namespace tarvex::ui {

namespace {

bool sameLine(const TTraceItem& a, const TTraceItem& b) { return a.kind == b.kind && a.frame == b.frame; }

std::uint32_t rgbOf(TraceColour c) {
    switch (c.role) {
    case TraceColour::Rgb: return c.rgb;
    case TraceColour::Font: return 0x000000;
    default: return 0xFFFFFF;
    }
}

}  // namespace

// ---- Times

void TraceTimes::setFilterZeros(std::vector<std::pair<std::uint32_t, std::uint32_t>> frameTimes) {
    filter_.clear();
    for (auto [frame, time] : frameTimes) filter_.push_back({frame, time});
    std::sort(filter_.begin(), filter_.end(), [](const Zero& a, const Zero& b) { return a.frame < b.frame; });
}

std::uint32_t TraceTimes::relative(std::uint32_t frame, std::uint32_t time) const {
    const Zero* zero = nullptr;
    if (manual_ && manual_->frame <= frame) zero = &*manual_;
    auto it = std::upper_bound(filter_.begin(), filter_.end(), frame,
                               [](std::uint32_t f, const Zero& z) { return f < z.frame; });
    if (it != filter_.begin()) {
        const Zero& z = *std::prev(it);
        if (!zero || z.frame > zero->frame) zero = &z;
    }
    // Unsigned arithmetic: a counter that wrapped after the zero point still
    // counts the time since it.
    return zero ? time - zero->time : time;
}

// ---- Reading

// One read loop: after a second the reading dialog shows, and from then on
// every frame asks it whether Cancel was pressed.
class ReadLoop {
public:
    explicit ReadLoop(TraceBoxModel& box) : box_(box) {
        const auto& c = box_.context_;
        if (c.clock && c.reading) start_ = c.clock->tickMs();
    }
    ~ReadLoop() {
        if (shownHere_) {
            box_.readingShown_ = false;
            box_.context_.reading->close();
        }
    }
    ReadLoop(const ReadLoop&) = delete;
    ReadLoop& operator=(const ReadLoop&) = delete;

    // False once Cancel was pressed: the loop stops.
    bool step() {
        const auto& c = box_.context_;
        if (!c.clock || !c.reading) return true;
        if (!box_.readingShown_) {
            if (c.clock->tickMs() - start_ <= 1000) return true;
            c.reading->show();
            box_.readingShown_ = shownHere_ = true;
        }
        if (!c.reading->cancelRequested()) return true;
        box_.readCancelled_ = true;
        return false;
    }

private:
    TraceBoxModel& box_;
    std::uint32_t start_ = 0;
    bool shownHere_ = false;
};

void TraceBoxModel::afterRead() {
    const bool cancelled = readCancelled_;
    readCancelled_ = false;
    if (!cancelled || mode_ != tdSource) return;
    for (const auto& i : items_)
        if (i.kind == TTraceItem::Source) return;
    const std::string question = std::string(LoadResStr(rs::NoSourceItemsFound)) + ".\r\n" +
                                 std::string(LoadResStr(rs::ChangeDisplayMode)) + "?";
    if (ConfirmBox(question, platform::mb::YesNo | platform::mb::IconQuestion) != platform::IdYes) return;
    setMode(tdMixedMode);
    if (modeChanged_) modeChanged_();
}

// ---- Box

TraceBoxModel::TraceBoxModel(ITraceSource& source, TraceContext context) : source_(source), context_(context) {}

std::vector<TTraceItem> TraceBoxModel::build(std::uint32_t from, std::uint32_t to) const {
    TraceLineBuilder b(source_, context_, &collapsed_);
    b.setMode(mode_);
    b.setContextMode(contextMode_);
    std::vector<TTraceItem> out;
    for (std::uint32_t f = from; f <= to; ++f) b.addFrame(f, out);
    return out;
}

void TraceBoxModel::setVisibleRows(int rows) {
    visibleRows_ = std::max(rows, 1);
    checkAnzahl();
}

int TraceBoxModel::countLines() const {
    const std::uint32_t count = source_.frameCount();
    return count == 0 ? 0 : static_cast<int>(build(0, count - 1).size());
}

void TraceBoxModel::recount() {
    const std::uint32_t count = source_.frameCount();
    scrollMax_ = count == 0 ? 0 : static_cast<int>(std::min<std::uint32_t>(count - 1, 0x7FFFFFFF));
    const int lines = count > 0 && count < kExactCountLimit ? countLines() : static_cast<int>(std::min<std::uint32_t>(count, 0x7FFFFFFF));
    rows_ = std::min(lines, visibleRows_);
    if (count == 0) items_.clear();
}

void TraceBoxModel::checkAnzahl() {
    recount();
    const std::uint32_t count = source_.frameCount();
    trimBack();
    if (items_.empty() && count > 0) {
        showFrame(0);
    } else if (rowCount() < rows_) {
        appendAfter(rows_ - rowCount());
        if (rowCount() < rows_) prependBefore(rows_ - rowCount());
        trimBack();
    }
    setCaretRow(caretRow_);
}

int TraceBoxModel::appendAfter(int lines) {
    const std::uint32_t count = source_.frameCount();
    if (items_.empty() || lines <= 0) return 0;
    // A fresh run from the last row's frame makes that row again; what
    // follows it is new.
    const TTraceItem back = items_.back();
    TraceLineBuilder b(source_, context_, &collapsed_);
    b.setMode(mode_);
    b.setContextMode(contextMode_);
    bool passed = back.isGap();
    int added = 0;
    std::vector<TTraceItem> out;
    ReadLoop loop(*this);
    for (std::uint32_t f = back.frame; f < count && added < lines && loop.step(); ++f) {
        out.clear();
        b.addFrame(f, out);
        for (auto& item : out) {
            if (!passed) {
                passed = sameLine(item, back);
                continue;
            }
            items_.push_back(std::move(item));
            ++added;
        }
        passed = true;
    }
    return added;
}

int TraceBoxModel::prependBefore(int lines, ReadLoop* outer) {
    if (items_.empty() || lines <= 0) return 0;
    const TTraceItem front = items_.front();
    const std::uint32_t end = front.frame;
    std::optional<ReadLoop> ownLoop;
    if (!outer) ownLoop.emplace(*this);
    ReadLoop& loop = outer ? *outer : *ownLoop;
    for (std::uint32_t span = static_cast<std::uint32_t>(lines) * 4 + 16;; span *= 2) {
        const std::uint32_t start = end > span ? end - span : 0;
        TraceLineBuilder b(source_, context_, &collapsed_);
        b.setMode(mode_);
        b.setContextMode(contextMode_);
        std::vector<TTraceItem> prefix;
        bool cancelled = false;
        for (std::uint32_t f = start; f < end; ++f) {
            if (!loop.step()) {
                cancelled = true;
                break;
            }
            b.addFrame(f, prefix);
        }
        if (cancelled) return 0;
        std::vector<TTraceItem> own;
        b.addFrame(end, own);
        auto at = std::find_if(own.begin(), own.end(), [&](const TTraceItem& i) { return sameLine(i, front); });
        bool replaceFront = false;
        if (at == own.end()) {
            // The first row's frame lies in a collapsed run that opened
            // earlier: that run's line takes the first row's place.
            if (!prefix.empty() && prefix.back().kind == TTraceItem::Collapsed && front.kind == TTraceItem::Collapsed &&
                prefix.back().range == front.range)
                replaceFront = true;
            own.clear();
        } else {
            own.erase(at, own.end());
        }
        prefix.insert(prefix.end(), own.begin(), own.end());
        if (replaceFront) {
            items_.front() = prefix.back();
            prefix.pop_back();
        }
        if (static_cast<int>(prefix.size()) >= lines || start == 0) {
            const int take = std::min(lines, static_cast<int>(prefix.size()));
            for (int k = 0; k < take; ++k) items_.push_front(prefix[prefix.size() - 1 - static_cast<std::size_t>(k)]);
            return take;
        }
        if (replaceFront) return 0;
    }
}

void TraceBoxModel::trimFront() {
    while (rowCount() > rows_) items_.pop_front();
}

void TraceBoxModel::trimBack() {
    while (rowCount() > rows_) items_.pop_back();
}

void TraceBoxModel::showFrame(std::uint32_t frame) {
    for (const auto& i : items_)
        if (i.isReal() && i.frame == frame) return;
    items_.clear();
    const std::uint32_t count = source_.frameCount();
    if (frame >= count || rows_ == 0) return;
    // Until the rows stand, the frame asked for is the current one: the
    // question after a cancelled read may change the mode, which keeps it.
    struct Showing {
        std::optional<std::uint32_t>& slot;
        std::optional<std::uint32_t> before;
        ~Showing() { slot = before; }
    } showing{showing_, showing_};
    showing_ = frame;
    {
        // One loop for the whole view: forward from the frame, and back
        // before it where the end of the trace leaves rows unfilled, with
        // one reading dialog and one Cancel for all of it.
        ReadLoop loop(*this);
        TraceLineBuilder b(source_, context_, &collapsed_);
        b.setMode(mode_);
        b.setContextMode(contextMode_);
        std::vector<TTraceItem> out;
        for (std::uint32_t f = frame; f < count && static_cast<int>(out.size()) < rows_ && loop.step(); ++f)
            b.addFrame(f, out);
        items_.assign(out.begin(), out.end());
        if (items_.empty() && !readCancelled_) items_ = linesBefore(frame, loop);
        if (!readCancelled_ && rowCount() < rows_) prependBefore(rows_ - rowCount(), &loop);
    }
    trimBack();
    afterRead();
}

std::deque<TTraceItem> TraceBoxModel::linesBefore(std::uint32_t frame, ReadLoop& loop) {
    // No line from the frame to the end (Source mode past the last source
    // line): the view ends with the last lines before it. Nothing from the
    // frame on makes a line in any run, so the frames before it are enough;
    // their window is widened until a line comes.
    for (std::uint32_t span = 64;; span *= 2) {
        const std::uint32_t start = frame > span ? frame - span : 0;
        TraceLineBuilder b(source_, context_, &collapsed_);
        b.setMode(mode_);
        b.setContextMode(contextMode_);
        std::vector<TTraceItem> tail;
        for (std::uint32_t f = start; f < frame; ++f) {
            if (!loop.step()) return {};
            b.addFrame(f, tail);
        }
        if (!tail.empty() || start == 0) {
            const std::size_t take = std::min(tail.size(), static_cast<std::size_t>(rows_));
            return std::deque<TTraceItem>(tail.end() - static_cast<std::ptrdiff_t>(take), tail.end());
        }
    }
}

void TraceBoxModel::rebuildAt(int frame) {
    const bool selected = caretRow_ >= 0;
    items_.clear();
    if (frame >= 0) showFrame(static_cast<std::uint32_t>(frame));
    // The selected line keeps its frame; a row index would now hold another.
    setCaretRow(selected && frame >= 0 ? rowOfFrame(static_cast<std::uint32_t>(frame)) : -1);
}

int TraceBoxModel::rowOfFrame(std::uint32_t frame) const {
    for (int r = 0; r < rowCount(); ++r) {
        const TTraceItem& i = item(r);
        if ((i.isReal() || i.kind == TTraceItem::Collapsed) && i.frame >= frame) return r;
    }
    return rowCount() - 1;
}

void TraceBoxModel::scrollDown(int lines) {
    const int before = rowCount();
    appendAfter(lines);
    const int removed = std::max(0, rowCount() - rows_);
    trimFront();
    if (caretRow_ >= 0) setCaretRow(caretRow_ - removed);
    (void)before;
    afterRead();
}

void TraceBoxModel::scrollUp(int lines) {
    const int added = prependBefore(lines);
    trimBack();
    // The selected line stays selected while in view; once it left at the
    // bottom no other line takes its place.
    if (caretRow_ >= 0) setCaretRow(caretRow_ + added < rowCount() ? caretRow_ + added : -1);
    afterRead();
}

void TraceBoxModel::goToEnd() {
    const std::uint32_t count = source_.frameCount();
    items_.clear();
    caretRow_ = -1;
    if (count > 0) showFrame(count - 1);
    caretRow_ = rowCount() - 1;
    // In context mode the last source line is the context.
    if (!contextMode_) return;
    for (int r = rowCount() - 1; r >= 0; --r)
        if (item(r).kind == TTraceItem::Source) {
            setContextItem(item(r));
            break;
        }
}

void TraceBoxModel::setCaretRow(int row) {
    caretRow_ = rowCount() == 0 ? -1 : std::clamp(row, -1, rowCount() - 1);
    // The context follows the caret row when it changes, never while drawing.
    if (contextMode_ && caretRow_ >= 0 && item(caretRow_).kind == TTraceItem::Source) setContextItem(item(caretRow_));
}

void TraceBoxModel::clearContext() {
    contextLines_.clear();
    contextFrame_.reset();
    gathered_.clear();
    contextTop_ = 0;
    ++contextGeneration_;
}

void TraceBoxModel::setContextItem(const TTraceItem& row) {
    if (!context_.sourceFile || !row.lineRecord || (contextFrame_ && *contextFrame_ == row.frame) || inContext_) return;
    // A copy: the row may go while the context is gathered.
    const TTraceItem ctx = row;
    inContext_ = true;
    try {
        gatherContext(ctx);
    } catch (...) {
        inContext_ = false;
        pendingNotify_.clear();
        throw;
    }
    inContext_ = false;
    const std::vector<int> pending = std::move(pendingNotify_);
    pendingNotify_.clear();
    for (int code : pending) notify(code);
}

void TraceBoxModel::gatherContext(const TTraceItem& ctx) {
    for (auto& l : contextLines_) l.state &= static_cast<std::uint8_t>(~0x30u);
    gathered_.clear();
    const std::uint16_t file = ctx.lineRecord->fileNumber;
    if (ctx.module != contextModule_ || file != contextFile_) contextLines_.clear();
    contextModule_ = ctx.module;
    contextFile_ = file;
    contextFrame_ = ctx.frame;
    ++contextGeneration_;
    if (contextLines_.empty()) {
        for (auto& text : context_.sourceFile(*ctx.lineRecord)) contextLines_.push_back({std::move(text), 0});
        if (contextLines_.empty()) return;
        markRanges(ctx);
    }
    const auto line = static_cast<std::size_t>(ctx.lineNumber);
    if (line < 1 || line > contextLines_.size()) return;
    contextLines_[line - 1].state |= 0x10;
    contextTop_ = std::max(0, static_cast<int>(line) - 4);
    // Back through the trace: the source lines of the same module that lead
    // up to the context line, each line number once, down to where another
    // module or a higher line begins.
    std::uint32_t last = ctx.lineNumber;
    ReadLoop loop(*this);
    std::uint32_t end = ctx.frame;
    for (std::uint32_t span = 256; end > 0; span *= 2) {
        const std::uint32_t start = end > span ? end - span : 0;
        TraceLineBuilder b(source_, context_, &collapsed_);
        b.setMode(mode_);
        b.setContextMode(true);
        std::vector<TTraceItem> lines;
        for (std::uint32_t f = start; f < end; ++f) {
            if (!loop.step()) return;
            b.addFrame(f, lines);
        }
        for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
            if (it->kind != TTraceItem::Source) continue;
            if (it->module != ctx.module || it->lineNumber > last) return;
            if (it->lineNumber == last && !gathered_.empty()) continue;
            if (it->lineNumber == last) continue;
            last = it->lineNumber;
            gathered_.push_back(it->frame);
            if (last >= 1 && last <= contextLines_.size()) contextLines_[last - 1].state |= 0x20;
        }
        end = start;
    }
}

// Each line with code: inside one trace range, partly covered, or outside;
// a line whose code lies in several places is inside or outside only when
// every place is.
void TraceBoxModel::markRanges(const TTraceItem& ctx) {
    if (!context_.select || !context_.lines || !ctx.lineRecord) return;
    const std::uint16_t file = ctx.lineRecord->fileNumber;
    for (std::size_t i = 0; i < context_.lines->Count(); ++i) {
        const TZeilennummer* r = context_.lines->Items(i);
        if (!r || r->moduleId != ctx.module || r->fileNumber != file) continue;
        if (r->line < 1 || static_cast<std::size_t>(r->line) > contextLines_.size()) continue;
        const std::uint32_t start = BankAdresseToLinear(r->address);
        std::uint32_t end = start;
        if (r->endKnown) end = std::max(start, BankAdresseToLinear(r->endAddress));
        const int covered = context_.select->TraceRangeState(static_cast<std::int32_t>(start),
                                                             static_cast<std::int32_t>(end));
        const TraceContextLine::Range range = covered == 1   ? TraceContextLine::Inside
                                              : covered == 2 ? TraceContextLine::Partly
                                                             : TraceContextLine::Outside;
        TraceContextLine& l = contextLines_[static_cast<std::size_t>(r->line) - 1];
        const TraceContextLine::Range had = l.range();
        const TraceContextLine::Range now =
            had == TraceContextLine::NoCode || had == range ? range : TraceContextLine::Partly;
        l.state = static_cast<std::uint8_t>((l.state & 0xF0) | now);
    }
}

bool TraceBoxModel::rowHighlighted(int row) const {
    return contextMode_ && contextFrame_ && row >= 0 && row < rowCount() && item(row).kind == TTraceItem::Source &&
           item(row).frame == *contextFrame_;
}

bool TraceBoxModel::rowGathered(int row) const {
    if (!contextMode_ || row < 0 || row >= rowCount() || item(row).kind != TTraceItem::Source) return false;
    return std::find(gathered_.begin(), gathered_.end(), item(row).frame) != gathered_.end();
}

int TraceBoxModel::frameOfRow(int row) const {
    if (row < 0 || row >= rowCount()) return -1;
    if (item(row).isReal()) return static_cast<int>(item(row).frame);
    for (int r = row + 1; r < rowCount(); ++r)
        if (item(r).isReal()) return static_cast<int>(item(r).frame);
    for (int r = row - 1; r >= 0; --r)
        if (item(r).isReal()) return static_cast<int>(item(r).frame);
    return -1;
}

int TraceBoxModel::currentFrame() const {
    if (showing_) return static_cast<int>(*showing_);
    if (caretRow_ >= 0) {
        const int f = frameOfRow(caretRow_);
        if (f >= 0) return f;
    }
    const std::uint32_t count = source_.frameCount();
    return count == 0 ? -1 : static_cast<int>(count - 1);
}

void TraceBoxModel::setMode(TTraceDarstellung mode) {
    const int frame = currentFrame();
    mode_ = mode;
    items_.clear();
    recount();
    rebuildAt(frame);
}

void TraceBoxModel::setContextMode(bool on) {
    const int frame = currentFrame();
    contextMode_ = on;
    clearContext();
    items_.clear();
    recount();
    rebuildAt(frame);
}

bool TraceBoxModel::pageUp(bool ctrl) {
    if (ctrl) {
        rebuildAt(0);
        setCaretRow(0);
        return true;
    }
    const std::string first = rowCount() ? GetItemText(0) : std::string();
    scrollUp(visibleRows_);
    if (rowCount() && GetItemText(0) == first) setCaretRow(0);
    return true;
}

bool TraceBoxModel::pageDown(bool ctrl) {
    if (ctrl) {
        goToEnd();
        return true;
    }
    const std::string first = rowCount() ? GetItemText(0) : std::string();
    scrollDown(visibleRows_);
    if (rowCount() && GetItemText(0) == first) setCaretRow(rowCount() - 1);
    return true;
}

bool TraceBoxModel::lineUp() {
    if (caretRow_ != 0) return false;
    scrollUp(1);
    setCaretRow(0);
    return true;
}

bool TraceBoxModel::lineDown() {
    if (caretRow_ < 0 || caretRow_ != rowCount() - 1) return false;
    scrollDown(1);
    setCaretRow(rowCount() - 1);
    return true;
}

void TraceBoxModel::toggleTimeZero() {
    const int f = currentFrame();
    if (times_.manualZeroFrame() && static_cast<int>(*times_.manualZeroFrame()) == f) {
        times_.clearManualZero();
        return;
    }
    if (f < 0) return;
    times_.setManualZero(static_cast<std::uint32_t>(f), source_.frame(static_cast<std::uint32_t>(f)).time);
}

TSplitTime TraceBoxModel::timeOf(const TTraceItem& item) const {
    return source_.splitTime(times_.relative(item.frame, item.time));
}

void TraceBoxModel::collapseRows(std::vector<int> rows) {
    if (rows.empty() && caretRow_ >= 0) rows.push_back(caretRow_);
    std::sort(rows.begin(), rows.end());
    std::vector<std::uint32_t> addresses;
    int firstFrame = -1;
    for (int r : rows) {
        if (r < 0 || r >= rowCount()) continue;
        const TTraceItem& i = item(r);
        // Only code: a data cycle's address is no place in the program.
        if (!i.isReal() || (i.cycleKind != TTraceFrame::KindOpcode && i.cycleKind != TTraceFrame::KindFetch)) continue;
        if (firstFrame < 0) firstFrame = static_cast<int>(i.frame);
        std::uint32_t end = i.address + std::max<std::uint32_t>(i.length, 1) - 1;
        if (i.kind == TTraceItem::Source && i.lineRecord && i.lineRecord->endKnown) {
            const std::uint32_t lineEnd = BankAdresseToLinear(i.lineRecord->endAddress);
            if (lineEnd >= i.address && lineEnd - i.address < 0x10000) end = lineEnd;
        }
        for (std::uint32_t a = i.address; a <= end; ++a) addresses.push_back(a);
    }
    collapse(std::move(addresses), firstFrame);
}

bool TraceBoxModel::collapseFunction() {
    if (!context_.symbols || caretRow_ < 0 || caretRow_ >= rowCount()) return false;
    const TTraceItem& i = item(caretRow_);
    if (!i.isReal() || (i.cycleKind != TTraceFrame::KindOpcode && i.cycleKind != TTraceFrame::KindFetch)) return false;
    const TSymbol* holder = context_.symbols->FindModuleAt(i.address);
    if (!holder) return false;
    const std::uint32_t start = BankAdresseToLinear(holder->address);
    const std::uint32_t end = BankAdresseToLinear(context_.symbols->SymbolEndAddress(holder));
    // A record whose end lies before its start, or beyond its bank, covers
    // no code the trace could show.
    if (end < start || end - start >= 0x10000) return false;
    std::vector<std::uint32_t> addresses;
    addresses.reserve(end - start + 1);
    for (std::uint32_t a = start; a <= end; ++a) addresses.push_back(a);
    return collapse(std::move(addresses), static_cast<int>(i.frame));
}

bool TraceBoxModel::collapse(std::vector<std::uint32_t> addresses, int frame) {
    if (addresses.empty() || !collapsed_.add(std::move(addresses))) return false;
    rebuildAt(frame);
    // The caret stays on the line that now holds its frame, so that
    // "Expand" right after undoes the collapse.
    int row = 0;
    for (int r = 0; r < rowCount(); ++r)
        if (item(r).isReal() || item(r).kind == TTraceItem::Collapsed) {
            if (static_cast<int>(item(r).frame) > frame) break;
            row = r;
        }
    setCaretRow(row);
    return true;
}

bool TraceBoxModel::expandAtCaret() {
    int row = caretRow_;
    if (row < 0 && rowCount() == 1) row = 0;
    if (row < 0 || row >= rowCount() || item(row).kind != TTraceItem::Collapsed) return false;
    const int frame = static_cast<int>(item(row).frame);
    collapsed_.remove(item(row).range);
    rebuildAt(frame);
    return true;
}

void TraceBoxModel::notify(int code) {
    if (inContext_) {
        pendingNotify_.push_back(code);
        return;
    }
    switch (code) {
    case 6:
        times_.clearFilterZeros();
        [[fallthrough]];
    case 11:
        // A new recording: the manual zero's frame is another frame now;
        // only the filter's zero points are kept, and re-applied.
        times_.clearManualZero();
        items_.clear();
        clearContext();
        caretRow_ = -1;
        recount();
        goToEnd();
        break;
    case 4:
    case 8:
    case 9: {
        // The tables were replaced: no row may keep a record of the old ones.
        const int frame = currentFrame();
        items_.clear();
        clearContext();
        recount();
        rebuildAt(frame);
        break;
    }
    default: break;
    }
}

std::string TraceBoxModel::GetItemText(int row) const {
    if (row < 0 || row >= rowCount()) return {};
    std::string s;
    for (int c = 0; c < kTraceColumns; ++c) s += GetCellText(row, c) + '\t';
    return s;
}

std::string TraceBoxModel::GetCellText(int row, int section) const {
    if (row < 0 || row >= rowCount()) return {};
    const TTraceItem& i = item(row);
    // A collapsed range shows its mark in the Index and Address cells.
    if (i.kind == TTraceItem::Collapsed) return section == 0 ? "+" : section == 6 ? "..." : "";
    return traceCellText(i, section, mode_, i.isReal() ? timeOf(i) : TSplitTime{});
}

std::uint32_t TraceBoxModel::GetCellColor(int row, int section) const {
    if (row < 0 || row >= rowCount()) return 0xFFFFFF;
    return rgbOf(traceCellColour(item(row), section, mode_, TraceRowState{rowHighlighted(row), rowGathered(row)}));
}

std::uint32_t TraceBoxModel::GetCellFontColor(int row, int section) const {
    if (row < 0 || row >= rowCount()) return 0;
    if (item(row).kind == TTraceItem::Collapsed && section == 6) return 0xC0C0C0;
    return rgbOf(traceCellFontColour(item(row), section, mode_));
}

}  // namespace tarvex::ui
