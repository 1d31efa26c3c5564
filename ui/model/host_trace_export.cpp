#include "ui/model/host_trace_export.hpp"

#include "host/agdi_object.hpp"

namespace tarvex::ui {

HostTraceExport::HostTraceExport(TAgdiObject& object, TraceExportStatus* status)
    : object_(object),
      target_([this] { return source(); },
              [this] {
                  TraceContext context;
                  context.lines = &object_.Lines();
                  context.symbols = &object_.Symbols();
                  return context;
              },
              status ? status : &platformStatus_) {
    object_.Commands().traceExport = &target_;
}

HostTraceExport::~HostTraceExport() {
    if (object_.Commands().traceExport == &target_) object_.Commands().traceExport = nullptr;
}

ITraceSource* HostTraceExport::source() {
    TTracePlatine* board = object_.TracePlatine();
    if (board != board_) {
        source_ = board ? std::make_unique<TracePlatineSource>(*board) : nullptr;
        board_ = board;
    }
    return source_.get();
}

}  // namespace tarvex::ui
