#pragma once
// The seams between the emulator object and the target components that the
// start sequence and the SFR configuration call: run control, trace board,
// select tables, banking, the program-memory clear of the commands and the
// maintenance forms; and what the SFR configuration needs of the emulator
// object.
//
// The host wires the real components; tests give recording fakes. A null
// pointer means "component absent": the step that calls it is skipped and a
// query answers the neutral value named at the method. Later components add
// the methods they need here, always with a neutral answer for "absent".
#include <cstdint>
#include <string>
#include <string_view>

#include "core/bank_adressen.hpp"
#include "emulator/link/link_profile.hpp"

namespace tarvex {

class TMonitorData;

class IRunControlPart {
public:
    virtual ~IRunControlPart() = default;
    virtual void InitEmulStart() = 0;
    // Resets target and slave; below 0 when the target did not react.
    // Absent: 0.
    virtual int ResetAll() = 0;
    // Absent: 0.
    virtual int ResetSlave() = 0;
    // True until the first reset of the target after a start. Absent: false.
    virtual bool NotYetReset() const = 0;
    // Absent: false.
    virtual bool IsRunning() const = 0;
    // The trace board is read while the target runs. Absent: false.
    virtual bool FlyingTrace() const = 0;
};

class ITraceBoardPart {
public:
    virtual ~ITraceBoardPart() = default;
    virtual void SetVersion(int version) = 0;
    virtual void InitEmulStart() = 0;
    virtual void TransmitTimeStamp() = 0;
    virtual void ResetTrace() = 0;
    // The trace board's mode switches that the FPGA image choice sets.
    virtual void SetBusModeA1(bool on) = 0;
    virtual void SetHookP0Bus(bool on) = 0;
    // The highest frame index the trace memory holds. Absent: 32767.
    virtual std::uint32_t IndexMask() const = 0;
    // The trace board is read in system mode, even before the start ended.
    // Absent: false.
    virtual bool SystemMode() const = 0;
};

class ISelectTablePart {
public:
    virtual ~ISelectTablePart() = default;
    virtual void InitEmulStart() = 0;
    // The OKI processor byte (register byte 3). Absent: 0.
    virtual std::uint8_t OkiByte() const = 0;
    // Whether the program range start..end (banked addresses) lies within
    // one range of the program map. Absent: true.
    virtual bool ProgramMapped(TBankAdresse start, TBankAdresse end) const = 0;
};

class IBankingPart {
public:
    virtual ~IBankingPart() = default;
    virtual void InitEmulStart() = 0;
    // 0 none, 1 the DS80C390's, 2 the contiguous mode of the DS80C400 kind.
    virtual void SetDallasAddressingMode(int mode) = 0;
    virtual void TransmitDallasAddressingMode() = 0;
    // Absent: 255.
    virtual int MaxBank() const = 0;
};

class IProgramClearPart {
public:
    virtual ~IProgramClearPart() = default;
    // Fills the whole program space with 0.
    virtual void ClearProgramMemory() = 0;
};

class IMaintenanceForms {
public:
    virtual ~IMaintenanceForms() = default;
    // 0 the IAP form (firmware below 18), 1 the TARVEX-5 form (18 to 20),
    // 2 the TARVEX-6 form (21 and up); modal.
    virtual void ShowIapForm(int form) = 0;
    // The board generation the user picks (0..2). Absent: 1.
    virtual std::uint8_t ChooseGeneration() = 0;
};

// Not owned; any of them may be null.
struct TargetParts {
    IRunControlPart* runControl = nullptr;
    ITraceBoardPart* traceBoard = nullptr;
    ISelectTablePart* selectTable = nullptr;
    IBankingPart* banking = nullptr;
    IProgramClearPart* programClear = nullptr;
    IMaintenanceForms* maintenanceForms = nullptr;
};

// What the SFR configuration needs of the emulator object, which
// implements it.
class ISfrEmulator {
public:
    virtual ~ISfrEmulator() = default;
    // The firmware code and the generation in force (255 not known yet),
    // with what they decide.
    virtual const LinkProfile& Profile() const = 0;
    virtual std::uint8_t ConnectionState() const = 0;
    virtual bool FpgaVariantFlag() const = 0;
    virtual const TargetParts& Parts() const = 0;
    // Null until the monitor data file was read.
    virtual const TMonitorData* MonitorData() const = 0;
    // Whether the image file of that name (no folder, no extension) is in
    // one of the places the emulator loads images from.
    virtual bool FpgaFileExists(const std::string& name) const = 0;
    virtual void SetFpgaName(const std::string& name) = 0;
    virtual void SetMonitorMode(std::uint8_t mode) = 0;
    // The processor type byte (monitor variable 15).
    virtual void SetProzessorTyp(std::uint8_t type) = 0;
    // When set, the start clears bit 5 of the monitor configuration byte.
    virtual void SetPodBit5Flag(bool on) = 0;
    // A processor change begins: what an FPGA reload did for the previous
    // change no longer counts.
    virtual void ProcessorChangeStarts() = 0;
    // One "PN" write of master memory.
    virtual void WriteMasterBlock(std::uint16_t address, std::string_view bytes) = 0;
    virtual void Log(std::string_view text) = 0;
};

}  // namespace tarvex
