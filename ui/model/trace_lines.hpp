#pragma once
// Frames into display lines, in the four display modes of the trace views:
// one line per bus cycle, one per instruction, source lines between the
// instructions, or source lines only; gap lines where program flow did not
// continue sequentially and one line for a run of frames inside a collapsed
// address range.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/trace_source.hpp"

namespace tarvex::ui {

enum TTraceDarstellung : int { tdZyklus = 0, tdDisassembliert = 1, tdMixedMode = 2, tdSource = 3 };

// A set of code addresses the user chose to hide.
struct TraceRange {
    std::vector<std::uint32_t> addresses;  // ascending
    bool contains(std::uint32_t a) const;
    std::uint32_t first() const { return addresses.empty() ? 0 : addresses.front(); }
};

// Ordered by first address; an address belongs to a range when it is one of
// its addresses.
class CollapsedRanges {
public:
    const TraceRange* find(std::uint32_t address) const;
    // Adds a range of these addresses unless the first is covered already;
    // answers whether it was added.
    bool add(std::vector<std::uint32_t> addresses);
    bool remove(const TraceRange* range);
    std::size_t count() const { return ranges_.size(); }
    void clear() { ranges_.clear(); }

private:
    // Stable addresses: items point at their range.
    std::vector<std::unique_ptr<TraceRange>> ranges_;
};

struct TTraceItem {
    enum Kind : std::uint8_t { Line = 0, Source = 1, Collapsed = 2, Gap = 3 };
    std::uint32_t frame = 0;
    std::uint32_t address = 0;
    Kind kind = Line;
    // The frame's cycle kind (TTraceFrame::Kind…).
    int cycleKind = TTraceFrame::KindOpcode;
    // The frame's 32-bit time, as read.
    std::uint32_t time = 0;
    std::string addressText;
    std::string breakText;
    std::string probeText;
    std::uint8_t length = 0;
    std::string label;
    std::string data;
    std::string instruction;
    const TZeilennummer* lineRecord = nullptr;
    std::uint32_t lineNumber = 0;
    std::uint16_t module = 0;
    const TraceRange* range = nullptr;

    bool isGap() const { return kind == Gap; }
    // Frame lines and source lines stand for a frame; gaps and collapsed
    // ranges do not.
    bool isReal() const { return kind == Line || kind == Source; }
};

// Builds the lines of a run of frames in index order. The state between two
// frames (the last line made, the end of the last instruction) lives in the
// builder, so a run continues where the last one stopped; reset() starts a
// run without a line before it (no gap at its top).
class TraceLineBuilder {
public:
    TraceLineBuilder(ITraceSource& source, const TraceContext& context, const CollapsedRanges* collapsed = nullptr)
        : source_(source), context_(context), collapsed_(collapsed) {}

    void setMode(TTraceDarstellung mode) { mode_ = mode; }
    TTraceDarstellung mode() const { return mode_; }
    // No gap lines while the context of a source line is shown.
    void setContextMode(bool on) { contextMode_ = on; }
    void reset();

    // Appends the lines of frame f (possibly none). A frame inside the
    // collapsed run already open adds nothing.
    void addFrame(std::uint32_t f, std::vector<TTraceItem>& out);

    // True when the frame yields a source line in the mixed and source modes.
    static bool isCycleFrame(int kind) { return kind != TTraceFrame::KindFetch; }

private:
    const TZeilennummer* sourceLineAt(const TraceFrameData& f) const;

    ITraceSource& source_;
    TraceContext context_;
    const CollapsedRanges* collapsed_;
    TTraceDarstellung mode_ = tdMixedMode;
    bool contextMode_ = false;
    // The kind of the line made last (none yet: no gap before the first).
    std::optional<TTraceItem::Kind> last_;
    // Where the instruction of the last opcode frame ended.
    std::optional<std::uint32_t> flowEnd_;
    const TraceRange* openRange_ = nullptr;
};

}  // namespace tarvex::ui
