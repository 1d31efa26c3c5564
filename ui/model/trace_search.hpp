#pragma once
// The frame search and the time filter over the board's search. The board
// checks the cycle kind, the address range, the break bits, the port-2 bits
// and a bit pattern of the data; what it cannot check (the data range
// exactly, the port-1 bits) the driver checks on the frame found, passing
// over a frame that fails.
#include <cstdint>
#include <optional>
#include <vector>

#include "ui/model/frame_pattern.hpp"
#include "ui/model/trace_source.hpp"

namespace tarvex::ui {

class TraceSearch {
public:
    explicit TraceSearch(ITraceSource& source) : source_(source) {}

    // The qualifier of one cycle kind (a single bit of the cycle selection,
    // 0 for none) and a break state (255 don't care, else 0..3).
    TTraceQualifier qualifier(const TraceFramePattern& p, std::uint8_t cycleBit, int breakState) const;
    // The data characters the board can check: the bits above the highest
    // bit in which the range's ends differ, the others "X".
    static std::string dataBits(std::uint8_t low, std::uint8_t high);

    // The nearest matching frame from `start` in the pattern's direction
    // (the start frame included); nothing when none.
    std::optional<std::uint32_t> findFrame(const TraceFramePattern& p, std::uint32_t start);
    // Every frame that matches, in ascending order: the time filter's zero
    // points. A pattern without cycle kinds is one search over all cycles.
    std::vector<std::uint32_t> timeFilter(const TraceFramePattern& p);

private:
    std::optional<std::uint32_t> searchOne(const TraceFramePattern& p, std::uint8_t cycleBit, int breakState,
                                           std::uint32_t start, bool forward);
    bool driverCheck(const TraceFramePattern& p, std::uint32_t frame);
    static int breakStateOf(const std::string& text);

    ITraceSource& source_;
};

}  // namespace tarvex::ui
