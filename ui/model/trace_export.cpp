#include "ui/model/trace_export.hpp"

#include <utility>

#include "core/errors.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "platform/atomic_file.hpp"
#include "ui/model/trace_cells.hpp"

namespace tarvex::ui {

namespace {

constexpr int kHeaderEvery = 25;

// Closes the status form however the export ends.
class StatusScope {
public:
    explicit StatusScope(TraceExportStatus* status) : status_(status) {}
    ~StatusScope() {
        if (status_) status_->close();
    }
    StatusScope(const StatusScope&) = delete;
    StatusScope& operator=(const StatusScope&) = delete;

private:
    TraceExportStatus* status_;
};

// Runs the line building over frames start..end and hands every data line
// to `line` (with its 0-based number); stops when it answers false.
template <typename Line>
std::uint64_t buildLines(ITraceSource& source, const TraceContext& context, TTraceDarstellung mode,
                         std::uint32_t start, std::uint32_t end, Line&& line) {
    TraceLineBuilder builder(source, context);
    builder.setMode(mode);
    std::vector<TTraceItem> items;
    std::uint64_t n = 0;
    for (std::uint32_t f = start;; ++f) {
        items.clear();
        builder.addFrame(f, items);
        for (const TTraceItem& item : items) {
            const TSplitTime time = item.isReal() ? source.splitTime(item.time) : TSplitTime{};
            if (!line(traceExportLine(item, mode, time), n++)) return n;
        }
        if (f == end) break;
    }
    return n;
}

}  // namespace

void SaveStatusWindowExportStatus::show(const std::string& caption, const std::string& file, const std::string& memory,
                                        const std::string& range) {
    platform::SaveStatusWindow& w = *platform::currentUi().saveStatus;
    w.setCaption(caption);
    w.setFileName(file);
    w.setMemoryName(memory);
    w.setRange(range);
    w.setStatus("");
    w.show();
    polls_ = 0;
    cancelled_ = false;
}

void SaveStatusWindowExportStatus::setStatus(const std::string& text) {
    platform::currentUi().saveStatus->setStatus(text);
}

bool SaveStatusWindowExportStatus::cancelRequested() {
    if (!cancelled_ && polls_++ % 16 == 0) cancelled_ = platform::currentUi().saveStatus->cancelRequested();
    return cancelled_;
}

void SaveStatusWindowExportStatus::close() {
    platform::currentUi().saveStatus->close();
}

TTraceDarstellung TraceExport::modeOfFormat(int format) {
    switch (format) {
    case 0: return tdZyklus;
    case 1: return tdDisassembliert;
    case 2: return tdSource;
    default: return tdMixedMode;
    }
}

void TraceExport::checkBoard() const {
    if (!source_ || !source_->present()) throw ETraceError("Not available: No trace board");
}

std::uint64_t TraceExport::save(const std::string& file, TTraceDarstellung mode, std::uint32_t start,
                                std::uint32_t end) {
    checkBoard();
    const std::uint32_t count = source_->frameCount();
    if (count == 0) throw ETraceError(FmtResStr(rs::FrameIndexOutOfRange, static_cast<std::int64_t>(start)));
    if (start > end) std::swap(start, end);
    if (end >= count) {
        WarningBox(FmtResStr(rs::FrameIndexOutOfRange, static_cast<std::int64_t>(end)), platform::mb::Ok);
        end = count - 1;
    }
    if (start >= count) {
        WarningBox(FmtResStr(rs::FrameIndexOutOfRange, static_cast<std::int64_t>(start)), platform::mb::Ok);
        start = count - 1;
    }

    platform::AtomicFileWriter out(file);
    const std::string header = traceExportHeader(mode);
    out.write(header);
    out.write("\r\n");
    const std::string repeated = "\r\n" + header + "\r\n";

    StatusScope scope(status_);
    const std::string caption(LoadResStr(rs::SaveTrace));
    if (status_)
        status_->show(caption, file, std::string(LoadResStr(rs::TraceMemory)),
                      std::to_string(start) + " - " + std::to_string(end));
    const std::uint64_t lines =
        buildLines(*source_, context_, mode, start, end, [&](const std::string& line, std::uint64_t i) {
            out.write(line);
            out.write("\r\n");
            if (i % kHeaderEvery == kHeaderEvery - 1) out.write(repeated);
            if (!status_) return true;
            status_->setStatus(caption + ": " + std::to_string(i) + " Frames");
            return !status_->cancelRequested();
        });
    out.commit();
    return lines;
}

std::uint64_t TraceExport::write(TTraceDarstellung mode, std::uint32_t start, std::uint32_t end,
                                 const std::function<bool(std::string_view)>& sink) {
    checkBoard();
    const std::uint32_t count = source_->frameCount();
    if (count == 0) return 0;
    if (start > end) std::swap(start, end);
    if (end >= count) end = count - 1;
    if (start >= count) start = count - 1;
    const std::string header = traceExportHeader(mode);
    if (!sink(header)) return 0;
    return buildLines(*source_, context_, mode, start, end, [&](const std::string& line, std::uint64_t i) {
        if (!sink(line)) return false;
        if (i % kHeaderEvery == kHeaderEvery - 1) return sink("") && sink(header);
        return true;
    });
}

void TraceExportTarget::ExportFrames(const std::string& fileName, std::uint32_t first, std::uint32_t last,
                                     int displayMode) {
    const auto mode = displayMode >= tdZyklus && displayMode <= tdSource ? static_cast<TTraceDarstellung>(displayMode)
                                                                          : tdMixedMode;
    TraceExport(source_ ? source_() : nullptr, context_ ? context_() : TraceContext{}, status_)
        .save(fileName, mode, first, last);
}

}  // namespace tarvex::ui
