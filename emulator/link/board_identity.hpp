#pragma once
// What the link knows about a board from its identification: the firmware
// version code, the board generation and its name, the trace-board variant,
// the serial number text and the internal clock rows of the newest boards.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

// The 4-character EPROM version text as the board sends it -> 1..22, or 0.
std::uint8_t VersionCode(std::string_view version);

// 0 "TARVEX-IV", 1 "TARVEX-V", 2 "TARVEX-6", anything else "".
std::string GeraetName(std::uint8_t generation);
// Generation from the hardware id's low nibble: 2 -> 0, 4 or 8 -> 1, else 255.
std::uint8_t HardwareGeneration(std::uint8_t hardwareId);
// Trace-board variant from the hardware id's low nibble.
std::uint8_t TraceKind(std::uint8_t hardwareId, std::uint8_t firmwareCode);

// "-" without a serial number (all ones), else e.g. "61234.02".
std::string SerialNumberText(std::uint32_t serial, std::uint8_t hardwareId);

struct ClockRow {
    const char* name;
    std::array<std::uint8_t, 3> bytes;  // for master memory 0xF800, 0xF801, 0xF802
};
constexpr std::size_t ClockRowCount = 20;
const std::array<ClockRow, ClockRowCount>& InternalClockTable();
// Clears the list and adds the 20 clock names in table order.
void FillClockNames(std::vector<std::string>& list);

}  // namespace tarvex
