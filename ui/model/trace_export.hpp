#pragma once
// The trace as a text file: the frames from start to end in one display
// mode, through the same line building as the trace window, written line by
// line into a temporary file that replaces the target when complete. Needs
// no window, so a replayed save-trace command works in every build.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "host/command_targets.hpp"
#include "platform/ui.hpp"
#include "ui/model/trace_lines.hpp"

namespace tarvex::ui {

// What the export tells the save-status form and asks of it. The driver
// connects it to the platform's save-status form.
class TraceExportStatus {
public:
    virtual ~TraceExportStatus() = default;
    virtual void show(const std::string& caption, const std::string& file, const std::string& memory,
                      const std::string& range) = 0;
    virtual void setStatus(const std::string& text) = 0;
    // Whether Cancel was pressed (a window pumps its events here).
    virtual bool cancelRequested() = 0;
    virtual void close() = 0;
};

// The platform's save-status form (whatever is installed when the export
// runs) as the export's progress. Cancel is asked of the form every 16th
// line only: the form lets pending window events through when asked.
class SaveStatusWindowExportStatus final : public TraceExportStatus {
public:
    void show(const std::string& caption, const std::string& file, const std::string& memory,
              const std::string& range) override;
    void setStatus(const std::string& text) override;
    bool cancelRequested() override;
    void close() override;

private:
    int polls_ = 0;
    bool cancelled_ = false;
};

class TraceExport {
public:
    // `source` may be null: no trace board.
    explicit TraceExport(ITraceSource* source, TraceContext context = {}, TraceExportStatus* status = nullptr)
        : source_(source), context_(context), status_(status) {}

    // The display mode of a save-trace command's format code.
    static TTraceDarstellung modeOfFormat(int format);

    // Writes frames start..end (swapped when start lies above end; an index
    // past the last frame is corrected to it after a warning). Raises
    // ETraceError without a board or on an empty trace, before any file is
    // made; a write failure leaves the target as it was. Cancel keeps the
    // lines written so far. Answers the number of lines written.
    std::uint64_t save(const std::string& file, TTraceDarstellung mode, std::uint32_t start, std::uint32_t end);

    // The same text into a sink, header lines included, each line without
    // its line end; the sink answers false to stop. Indices are clamped
    // silently. Answers the number of data lines.
    std::uint64_t write(TTraceDarstellung mode, std::uint32_t start, std::uint32_t end,
                        const std::function<bool(std::string_view)>& sink);

private:
    void checkBoard() const;

    ITraceSource* source_;
    TraceContext context_;
    TraceExportStatus* status_;
};

// The export as the command executor reaches it (save-trace command): the
// source is asked for at every export, since the board may come and go.
class TraceExportTarget final : public ITraceExport {
public:
    TraceExportTarget(std::function<ITraceSource*()> source, std::function<TraceContext()> context = {},
                      TraceExportStatus* status = nullptr)
        : source_(std::move(source)), context_(std::move(context)), status_(status) {}

    // Display modes as the trace window numbers them; another value is
    // mixed mode.
    void ExportFrames(const std::string& fileName, std::uint32_t first, std::uint32_t last, int displayMode) override;

private:
    std::function<ITraceSource*()> source_;
    std::function<TraceContext()> context_;
    TraceExportStatus* status_;
};

}  // namespace tarvex::ui
