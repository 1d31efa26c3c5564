#include "emulator/link/board_identity.hpp"

#include <algorithm>

#include "core/format.hpp"

namespace tarvex {

std::uint8_t VersionCode(std::string_view version) {
    const std::string_view three = version.substr(0, std::min<std::size_t>(3, version.size()));
    // Exact four-character rows: the last matching row wins.
    struct Exact {
        std::string_view text;
        std::uint8_t code;
    };
    static constexpr Exact exact[] = {{"1.0 ", 1}, {"1.1 ", 2}, {"1.2 ", 3}, {"1.4 ", 3}, {"1.5 ", 4},
                                      {"1.6 ", 5}, {"1.7 ", 6}, {"1.7B", 7}, {"1.8 ", 8}, {"2.0 ", 9},
                                      {"2.2 ", 10}, {"2.4 ", 10}};
    std::uint8_t code = 0;
    for (const auto& row : exact)
        if (version == row.text) code = row.code;
    if (code != 0) return code;
    // From "3.0" on the first matching rule wins.
    if (version == "3.05") return 12;
    if (three == "3.0") return 11;
    if (three == "4.0") return 13;
    if (three == "4.1") return 14;
    if (three == "4.2") return 15;
    if (version.substr(0, std::min<std::size_t>(4, version.size())) == "4.31") return 17;
    if (three == "4.3") return 16;
    if (three == "4.4") return 17;
    if (three == "5.0") return 18;
    if (three == "5.1") return 19;
    if (three == "5.2") return 20;
    if (three == "6.0") return 21;
    if (three == "6.1") return 22;
    return 0;
}

std::string GeraetName(std::uint8_t generation) {
    switch (generation) {
        case 0: return "TARVEX-IV";
        case 1: return "TARVEX-V";
        case 2: return "TARVEX-6";
        default: return "";
    }
}

std::uint8_t HardwareGeneration(std::uint8_t hardwareId) {
    switch (hardwareId & 0x0F) {
        case 2: return 0;
        case 4:
        case 8: return 1;
        default: return 255;
    }
}

std::uint8_t TraceKind(std::uint8_t hardwareId, std::uint8_t firmwareCode) {
    switch (hardwareId & 0x0F) {
        case 2:
        case 4: return 0;
        case 8: return firmwareCode >= 17 ? 1 : 0;
        case 9: return 1;
        default: return 255;
    }
}

std::string SerialNumberText(std::uint32_t serial, std::uint8_t hardwareId) {
    if (serial == 0xFFFFFFFFu) return "-";
    std::string digits = Format("%.4x", serial & 0xFFFFu);
    if (digits[0] != '0') {
        digits = "6" + digits;
    } else if (digits[1] != '0') {
        digits = "61" + digits.substr(1);
    } else {
        digits = "611" + digits.substr(2);
    }
    return digits + "." + Format("%.2x", hardwareId);
}

const std::array<ClockRow, ClockRowCount>& InternalClockTable() {
    static constexpr std::array<ClockRow, ClockRowCount> table{{
        {"1", {0x3B, 0x3B, 0x03}},    {"2", {0x1D, 0x1D, 0x03}},    {"3", {0x13, 0x13, 0x03}},
        {"4", {0x0E, 0x0E, 0x03}},    {"5", {0x13, 0x13, 0x02}},    {"6", {0x09, 0x09, 0x03}},
        {"8", {0x06, 0x07, 0x03}},    {"10", {0x09, 0x09, 0x02}},   {"11,1", {0x08, 0x08, 0x02}},
        {"12", {0x00, 0x00, 0x00}},   {"13,3", {0x06, 0x07, 0x02}}, {"15", {0x03, 0x03, 0x03}},
        {"16,6", {0x05, 0x05, 0x02}}, {"20", {0x04, 0x04, 0x02}},   {"22,2", {0x03, 0x04, 0x02}},
        {"24", {0x00, 0x00, 0x01}},   {"25", {0x03, 0x03, 0x02}},   {"30", {0x01, 0x01, 0x03}},
        {"33", {0x02, 0x02, 0x02}},   {"40", {0x01, 0x02, 0x02}},
    }};
    return table;
}

void FillClockNames(std::vector<std::string>& list) {
    list.clear();
    for (const auto& row : InternalClockTable()) list.emplace_back(row.name);
}

}  // namespace tarvex
