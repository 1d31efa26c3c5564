// Random frames, display modes, collapsed ranges, zero points and row
// windows through the line building, the trace list box and the text
// export (into memory). Input: mode, rows, a zero point, then six bytes a
// frame (address low and high, cycle kind, data, instruction length, break
// and operation bits), at most 512 frames; the operation bits of each frame
// also drive the box.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/format.hpp"
#include "ui/model/scripted_trace_source.hpp"
#include "ui/model/trace_box.hpp"
#include "ui/model/trace_export.hpp"

using namespace tarvex;
using namespace tarvex::ui;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const auto mode = static_cast<TTraceDarstellung>(data[0] & 3);
    const int rows = 1 + data[1] % 40;
    const std::uint8_t zero = data[2];
    ScriptedTraceSource source;
    std::vector<std::uint8_t> ops;
    static const char* const breaks[4] = {"", "1", "2", "1+2"};
    for (std::size_t at = 3; at + 6 <= size && source.frames.size() < 512; at += 6) {
        ScriptedFrame f;
        f.address = static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
        f.kind = data[at + 2] & 3;
        f.data = data[at + 3];
        f.length = data[at + 4] % 4;
        f.breakText = breaks[data[at + 5] & 3];
        f.time = static_cast<std::uint32_t>(source.frames.size()) * 0x01000193u;
        f.instruction = Format("I%x", f.address);
        source.sourceTexts[f.address] = "line";
        source.frames.push_back(f);
        ops.push_back(data[at + 5] >> 2);
    }

    // The export's lines are the builder's lines, header lines added.
    TraceExport exporter(&source);
    std::size_t lines = 0;
    const std::uint32_t last = source.frames.empty() ? 0 : static_cast<std::uint32_t>(source.frames.size() - 1);
    const std::uint64_t data_lines = exporter.write(mode, 0, last, [&](std::string_view) {
        ++lines;
        return true;
    });
    if (!source.frames.empty() && lines != 1 + data_lines + 2 * (data_lines / 25)) std::abort();

    TraceBoxModel box(source);
    box.setMode(mode);
    box.setVisibleRows(rows);
    box.notify(11);
    if (!source.frames.empty()) box.times().setManualZero(zero % source.frames.size(), zero);
    for (std::uint8_t op : ops) {
        switch (op % 12) {
        case 0: box.scrollDown(op % 7 + 1); break;
        case 1: box.scrollUp(op % 7 + 1); break;
        case 2: box.showFrame(static_cast<std::uint32_t>(op * 7u) % (last + 2)); break;
        case 3: box.pageUp(op & 16); break;
        case 4: box.pageDown(op & 16); break;
        case 5: box.setCaretRow(op % (rows + 2) - 1); break;
        case 6: box.lineUp(); break;
        case 7: box.lineDown(); break;
        case 8: box.collapseRows({op % rows, (op + 1) % rows}); break;
        case 9: box.expandAtCaret(); break;
        case 10: box.toggleTimeZero(); break;
        default: box.setContextMode(op & 16); break;
        }
        if (box.rowCount() > rows) std::abort();
        for (int r = 0; r < box.rowCount(); ++r) {
            if (r > 0 && box.item(r).isGap() && box.item(r - 1).isGap()) std::abort();
            for (int c = 0; c < kTraceColumns; ++c) (void)box.GetCellText(r, c);
        }
        (void)box.currentFrame();
    }
    return 0;
}
