#pragma once
// The board's monitor program as far as the link sees it: the target's SFRs
// reached directly ("DS"/"PS"), and the target reset ("Z"), which answers the
// register string built from the SFR table the driver wrote to master
// 0x7B00. The monitor keeps no state of its own: the SFRs and the internal
// RAM are the target's, the save area and the table are master memory, the
// processor family is monitor variable 15; the access codes and the save
// cells come from the monitor data file.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace tarvex {
class TMonitorData;
}

namespace tarvex::sim {

class MasterMemory;
class MonitorVariables;
class Target;
class TraceRecorder;
struct FirmwareProfile;

class Monitor {
public:
    // Where the monitor keeps its SFR table, and the codes that are no SFR.
    static constexpr std::uint16_t TableAddress = 0x7B00;
    static constexpr std::uint8_t PcHighCode = 0x4F, PcLowCode = 0x50, R0Code = 0xF5, BankCode = 0x7A, EndCode = 0xFF;

    // `data` may be null: then no access code names an SFR and no SFR is
    // saved. Everything named must outlive the monitor.
    Monitor(MasterMemory& master, Target& target, const MonitorVariables& variables, const TraceRecorder& trace,
            const FirmwareProfile& profile, const TMonitorData* data);

    // The table of an empty register table, which the monitor holds from
    // power-on until the driver writes its own.
    void powerOn();

    // "DS" / "PS": the low byte of the address names the SFR (bit 7 set or
    // not); a block goes on upwards and wraps within 0x80-0xFF.
    std::vector<std::uint8_t> readSfrs(std::uint16_t address, std::size_t count) const;
    void writeSfr(std::uint16_t address, std::size_t index, std::uint8_t value);

    // "Z": the target's reset values into the SFRs and their save cells,
    // PC 0, bank 0; then the register string.
    std::vector<std::uint8_t> resetTarget();
    // The halt: the saved SFRs go from the target into their save cells,
    // the PC into its cells (the bank register stays). The register string
    // is built from there.
    void saveState(std::uint16_t pc);
    // "G" and "S": the target takes the saved SFRs from their cells (where
    // the driver may have changed them) and the answer is the PC the cells
    // hold.
    std::uint16_t loadState();
    // One byte per code of the table at 0x7B00 up to its end code (at most
    // 255), then the three trace counter bytes.
    std::vector<std::uint8_t> registerString() const;

    // What variable 15 and the firmware code make of the monitor.
    int family() const;
    int monitorMode() const;
    // Where the SFR is kept while the target is stopped (nothing: only on
    // the target).
    std::optional<std::uint16_t> saveCell(std::uint8_t sfr) const;

private:
    int saveArea() const;
    bool splitPc() const;
    std::uint8_t savedSfr(std::uint8_t sfr) const;
    std::uint8_t valueOf(std::uint8_t code) const;
    void writePc(std::uint16_t pc);

    MasterMemory& master_;
    Target& target_;
    const MonitorVariables& variables_;
    const TraceRecorder& trace_;
    const FirmwareProfile& profile_;
    const TMonitorData* data_;
    // The SFR each access code names, in any of the four tables or as one of
    // the codes the driver sets for some families.
    std::array<std::optional<std::uint8_t>, 256> sfrOfCode_{};
};

}  // namespace tarvex::sim
