#pragma once
// The values that belong to the board's monitor firmware: the four SFR
// access-code tables, the save-area cells of each monitor mode and the code
// bytes of the chip patches. They live in the text file VokMonitor.txt of
// the installation root, so that the firmware's real values can be put in
// without a rebuild.
//
// Format: lines trimmed, ";" starts a comment, numbers hexadecimal without
// prefix, bytes separated by blanks.
//   [AccessCodes v]      v = 0..3; the lines 80: .. F0: with 16 codes each
//   [SaveArea m]         m = monitor mode 0..3; lines "SS: cell" with SS an
//                        SFR address 80..FF or BANK; 0 and 1 required, a
//                        missing 2 or 3 takes the cells of 0
//   [Patch <log text>]   lines "[fw LO-HI] AAAA: bytes"; without the range
//                        the line holds for every firmware code
// Only the standard library here, so that the board simulator can read the
// same file.
#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex {

inline constexpr const char* MonitorDataFileName = "VokMonitor.txt";
inline constexpr int AccessCodeVariants = 4;
inline constexpr int MonitorModes = 4;

struct TMonitorPatchLine {
    std::uint8_t firmwareLow = 0;
    std::uint8_t firmwareHigh = 0xFF;
    std::uint16_t address = 0;
    // Raw bytes, at most one master block; never empty.
    std::string bytes;

    bool AppliesTo(std::uint8_t firmwareCode) const {
        return firmwareCode >= firmwareLow && firmwareCode <= firmwareHigh;
    }
};

class TMonitorData {
public:
    // Index = SFR address - 0x80.
    using AccessTable = std::array<std::uint8_t, 128>;

    // Variant 0..3 (others answer variant 0).
    const AccessTable& AccessCodes(int variant) const;
    // Where the monitor keeps the SFR while the target is stopped, for
    // monitor mode 0..3; nothing when it keeps it nowhere (direct access).
    std::optional<std::uint16_t> SaveCell(int mode, std::uint8_t sfr) const;
    // The cell of the monitor's bank register.
    std::optional<std::uint16_t> BankCell(int mode) const;
    // The lines of the patch with this log text; null without a section.
    const std::vector<TMonitorPatchLine>* Patch(std::string_view logText) const;
    // The lines of the patch that hold for the firmware code, in file order.
    std::vector<TMonitorPatchLine> PatchLines(std::string_view logText, std::uint8_t firmwareCode) const;
    std::vector<std::string> PatchNames() const;

private:
    friend TMonitorData ParseMonitorData(std::string_view text);

    struct SaveArea {
        std::array<std::optional<std::uint16_t>, 128> sfr{};
        std::optional<std::uint16_t> bank;
        bool present = false;
    };
    std::array<AccessTable, AccessCodeVariants> access_{};
    std::array<SaveArea, MonitorModes> saveAreas_{};
    std::map<std::string, std::vector<TMonitorPatchLine>, std::less<>> patches_;
};

// Raises EVokWinFileError 224 "Syntax error in %s" with the offending line,
// or with the section and key that is missing.
TMonitorData ParseMonitorData(std::string_view text);

// Reads VokMonitor.txt from the root folder, else from the registry's root
// folder (empty folders are not tried). Neither has it: ETarvexAbort 365
// "Can't open file %s" with the path in the root folder.
TMonitorData LoadMonitorData(const std::string& rootDir, const std::string& registryRootDir);

}  // namespace tarvex
