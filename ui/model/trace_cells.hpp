#pragma once
// The ten columns of the trace views: cell texts, cell colours, and the
// fixed-width text line the export writes.
#include <array>
#include <cstdint>
#include <string>

#include "ui/model/trace_lines.hpp"

namespace tarvex::ui {

inline constexpr int kTraceColumns = 10;

// A cell colour: a Windows RGB value (0x00BBGGRR), or one of the control's
// own colours, which the view takes from its palette.
struct TraceColour {
    enum Role : std::uint8_t { Rgb, Control, Window, Font };
    Role role = Rgb;
    std::uint32_t rgb = 0;
    static TraceColour of(std::uint32_t rgb) { return {Rgb, rgb}; }
    static TraceColour control() { return {Control, 0}; }
    static TraceColour window() { return {Window, 0}; }
    static TraceColour font() { return {Font, 0}; }
    friend bool operator==(const TraceColour&, const TraceColour&) = default;
};

// How a row is drawn besides its item.
struct TraceRowState {
    bool highlighted = false;
    // A line gathered for the current context.
    bool gathered = false;
};

// The cell text of a column; `time` is the line's time as shown (relative to
// the zero point in force).
std::string traceCellText(const TTraceItem& item, int column, TTraceDarstellung mode, const TSplitTime& time);
TraceColour traceCellColour(const TTraceItem& item, int column, TTraceDarstellung mode, TraceRowState row);
TraceColour traceCellFontColour(const TTraceItem& item, int column, TTraceDarstellung mode);

// The window's header titles (UTF-8).
std::string traceHeaderTitle(int column, TTraceDarstellung mode);

// The export's line format: every cell padded to its column's width (right
// or left aligned, never cut) and followed by one blank. The texts are the
// bytes as they came; the header's micro sign is the single byte 0xB5.
std::string traceExportHeader(TTraceDarstellung mode);
std::string traceExportLine(const TTraceItem& item, TTraceDarstellung mode, const TSplitTime& time);

}  // namespace tarvex::ui
