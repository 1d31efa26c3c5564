#include "ui/model/trace_cells.hpp"

#include "core/format.hpp"

namespace tarvex::ui {

namespace {

constexpr std::uint32_t kYellow = 0x00FFFF, kWhite = 0xFFFFFF, kSilver = 0xC0C0C0, kLightGrey = 0xF0F0F0,
                        kMaroon = 0x000080;

struct ExportColumn {
    int width;
    bool right;
};
constexpr std::array<ExportColumn, kTraceColumns> kExport{{{6, true},
                                                          {3, false},
                                                          {16, true},
                                                          {5, true},
                                                          {6, true},
                                                          {5, true},
                                                          {6, false},
                                                          {6, false},
                                                          {30, false},
                                                          {60, false}}};

int exportWidth(int column, TTraceDarstellung mode) {
    if (column == 8 && mode == tdZyklus) return 6;
    return kExport[static_cast<std::size_t>(column)].width;
}

void appendCell(std::string& line, const std::string& text, int column, TTraceDarstellung mode) {
    const auto width = static_cast<std::size_t>(exportWidth(column, mode));
    const std::size_t pad = text.size() < width ? width - text.size() : 0;
    if (kExport[static_cast<std::size_t>(column)].right) line.append(pad, ' ');
    line += text;
    if (!kExport[static_cast<std::size_t>(column)].right) line.append(pad, ' ');
    line += ' ';
}

}  // namespace

std::string traceCellText(const TTraceItem& item, int column, TTraceDarstellung mode, const TSplitTime& time) {
    if (!item.isReal()) return {};
    if (item.kind == TTraceItem::Source && mode == tdMixedMode && column < 8) return {};
    switch (column) {
    case 0: return Format("%6d", static_cast<std::int64_t>(item.frame));
    case 1: return item.breakText;
    case 2: return item.probeText;
    case 3: return time.minutes;
    case 4: return time.seconds;
    case 5: return time.micros;
    case 6: return item.addressText;
    case 7: return item.kind == TTraceItem::Source ? std::string() : item.data;
    case 8: return item.kind == TTraceItem::Source ? std::string() : item.label;
    case 9: return item.instruction;
    default: return {};
    }
}

TraceColour traceCellColour(const TTraceItem&, int column, TTraceDarstellung mode, TraceRowState row) {
    if (row.highlighted) return TraceColour::of(kYellow);
    if (row.gathered && column != 0) return TraceColour::of(kWhite);
    if (column == 0) return TraceColour::of(kSilver);
    if (column >= 1 && column <= 5) return TraceColour::of(kLightGrey);
    if (column == 6) return mode == tdSource ? TraceColour::of(kLightGrey) : TraceColour::control();
    return TraceColour::window();
}

TraceColour traceCellFontColour(const TTraceItem& item, int column, TTraceDarstellung mode) {
    if (column == 6 && mode == tdSource) return TraceColour::of(kMaroon);
    if (mode == tdMixedMode && item.kind == TTraceItem::Source) return TraceColour::of(kMaroon);
    return TraceColour::font();
}

std::string traceHeaderTitle(int column, TTraceDarstellung mode) {
    static const char* const titles[kTraceColumns] = {
        "Index", "Brk", "Logic probes", "h:m", "s\"ms", "\xC2\xB5s.ns", "Address", "Data", "Label", "Instruction"};
    if (column < 0 || column >= kTraceColumns) return {};
    if (column == 8 && mode == tdZyklus) return "Cycle";
    return titles[column];
}

std::string traceExportHeader(TTraceDarstellung mode) {
    static const char* const titles[kTraceColumns] = {
        "Index", "Brk", "Logic probes", "h:m", "s.ms", "\xB5s.ns", "Address", "Data", "Label", "Instruction"};
    std::string line;
    for (int c = 0; c < kTraceColumns; ++c)
        appendCell(line, c == 8 && mode == tdZyklus ? std::string("Cycle") : std::string(titles[c]), c, mode);
    return line;
}

std::string traceExportLine(const TTraceItem& item, TTraceDarstellung mode, const TSplitTime& time) {
    std::string line;
    for (int c = 0; c < kTraceColumns; ++c) appendCell(line, traceCellText(item, c, mode, time), c, mode);
    return line;
}

}  // namespace tarvex::ui
