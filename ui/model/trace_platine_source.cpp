#include "ui/model/trace_platine_source.hpp"

#include <exception>

#include "core/line_table.hpp"
#include "core/symbol_table.hpp"
#include "core/target_interfaces.hpp"

namespace tarvex::ui {

std::function<std::vector<std::string>(const TZeilennummer&)> traceSourceFile(TSymboltabelle& symbols,
                                                                             const IOptionsInfo& options) {
    return [&symbols, &options](const TZeilennummer& record) -> std::vector<std::string> {
        const std::string name = TraceSourceFile(symbols, options, record);
        if (name.empty()) return {};
        try {
            return symbols.SourceItem(name).lines;
        } catch (const std::exception&) {
            // A file that went away or cannot be read shows no context.
            return {};
        }
    };
}

TraceFrameData TracePlatineSource::frame(std::uint32_t i) {
    // The board's frame object is overwritten by the next read: copy out
    // everything before asking for anything else.
    const TTraceFrame& f = board_.GetFrame(i);
    TraceFrameData d;
    d.index = i;
    d.bankAddress = board_.GetAddress(f);
    d.address = board_.AddressValue(f);
    d.addressText = board_.AddressText(f);
    d.cycleKind = f.CycleKind();
    d.time = f.TimeStamp;
    d.data = f.Data;
    d.dataText = f.DataText();
    d.cycleText = f.CycleText();
    d.logicProbeText = f.LogicProbeText();
    d.portText = f.PortText();
    d.port1 = f.Port1;
    d.port2 = f.Port2;
    return d;
}

}  // namespace tarvex::ui
