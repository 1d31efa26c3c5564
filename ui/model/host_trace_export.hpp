#pragma once
// The save-trace command's export over the host object's own trace board,
// with its line-number and symbol tables. The driver makes one beside the
// object in every build, the Windows driver without windows included, so a
// save-trace command replayed from the history or a macro writes its file
// everywhere. It puts itself into the object's command executor and takes
// itself out again when it goes.
#include <memory>

#include "ui/model/trace_export.hpp"
#include "ui/model/trace_platine_source.hpp"

namespace tarvex {
class TAgdiObject;
}

namespace tarvex::ui {

class HostTraceExport final {
public:
    // Without a status of its own the export reports to the platform's
    // save-status form, whose Cancel ends it.
    explicit HostTraceExport(TAgdiObject& object, TraceExportStatus* status = nullptr);
    ~HostTraceExport();
    HostTraceExport(const HostTraceExport&) = delete;
    HostTraceExport& operator=(const HostTraceExport&) = delete;

    ITraceExport& target() { return target_; }

private:
    // Null when the object has no board of its own (a trace part handed in).
    ITraceSource* source();

    TAgdiObject& object_;
    SaveStatusWindowExportStatus platformStatus_;
    TTracePlatine* board_ = nullptr;
    std::unique_ptr<TracePlatineSource> source_;
    TraceExportTarget target_;
};

}  // namespace tarvex::ui
