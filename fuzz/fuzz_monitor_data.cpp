// The monitor data file as a damaged or hand-edited one could be. Any input
// is either refused with "Syntax error in ..." or gives a complete set of
// tables whose patch lines each fit one master-block command.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.hpp"
#include "emulator/master_block.hpp"
#include "emulator/monitor_data.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvex;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    TMonitorData monitor;
    try {
        monitor = ParseMonitorData(text);
    } catch (const EVokWinFileError& e) {
        if (!std::string_view(e.what()).starts_with("Syntax error in ")) std::abort();
        return 0;
    }
    unsigned sum = 0;
    for (int v = 0; v < AccessCodeVariants; ++v) sum += monitor.AccessCodes(v)[0x7F];
    for (int mode = 0; mode < MonitorModes; ++mode) {
        sum += monitor.BankCell(mode).value_or(0);
        for (int sfr = 0x80; sfr <= 0xFF; ++sfr) sum += monitor.SaveCell(mode, static_cast<std::uint8_t>(sfr)).value_or(0);
    }
    for (const auto& name : monitor.PatchNames()) {
        for (const TMonitorPatchLine& line : *monitor.Patch(name)) {
            // Raises for a line that would not fit one command.
            if (line.bytes.size() > 1) sum += static_cast<unsigned>(MasterBlockWriteCommand(line.address, line.bytes).size());
            else if (line.bytes.empty()) std::abort();
        }
        sum += static_cast<unsigned>(monitor.PatchLines(name, static_cast<std::uint8_t>(sum)).size());
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}
