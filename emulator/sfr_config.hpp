#pragma once
// The SFR configuration: which derivative of the 8051 family the target is.
// It holds the processor family code, loads the derivative's SFRs from the
// SFR definition file into the register table and into named groups, sends
// the monitor the table of SFR access codes, and chooses the FPGA image.
//
// The register string. The monitor answers a halt or a reset with one byte
// per code of the last table written to master 0x7B00, in table order, up to
// its 0xFF, then three trace bytes. With n SFRs in the register table:
//   0 .. n-1   the SFRs in the register table's order (their access codes)
//   n, n+1     PC high, PC low (0x4F, 0x50)
//   n+2 .. n+9 R0 .. R7 of the bank that PSW selects (0xF5 .. 0xFC)
//   n+10       the monitor's bank register (0x7A)
//   n+11..n+13 the trace counter (no code; appended)
// SfrCount() is n + 11 and the string n + 14 bytes long; before any table
// was written the board answers as for n = 0. Run control uses the index
// helpers below and does no arithmetic of its own.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/component.hpp"
#include "core/register_table.hpp"
#include "emulator/fpga_image.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex {

class ITargetOptions;

// ---- Processor families (the family code of GetOptionNummer)

// The derivatives of the Dallas kind and the TI MSC: 2, 4, 8, 10, 11, 15, 17, 18.
bool InFamilySetA(int family);
// Set A with the Winbond W77 (12) and the Atmel 89S8252 kind (13).
bool InFamilySetB(int family);
// Set A without the TI MSC (17), which has its own patch row.
bool IsDallasFamily(int family);
// The families with a DPS register at 0x86 (set A).
bool IsDpsFamily(int family);
// 1 for the W77 (12), 2 for the TI MSC (17), else 0.
int PellunarVariantOf(int family);
// 1 for 10, 2 for 11 and 15, else 0.
int DallasAddressingModeOf(int family);
// Which of the monitor's four access-code tables holds for the firmware.
int AccessCodeVariantOf(int firmwareCode, int family);
// The monitor mode 0..3 (where the monitor keeps the saved SFRs and which
// patches apply).
int MonitorModeOf(int firmwareCode, int family);

// ---- Groups of SFRs

struct TSfrGruppe {
    std::string name;
    int count = 0;
    // Owned by the register table.
    std::vector<TRegister*> registers;
};

class TSfrGruppenList {
public:
    std::size_t Count() const { return items_.size(); }
    TSfrGruppe* Items(std::size_t i) const { return i < items_.size() ? items_[i].get() : nullptr; }
    TSfrGruppe* Find(std::string_view name) const;
    void Add(std::unique_ptr<TSfrGruppe> group) { items_.push_back(std::move(group)); }
    void Clear() { items_.clear(); }
    void Swap(TSfrGruppenList& other) noexcept { items_.swap(other.items_); }

private:
    std::vector<std::unique_ptr<TSfrGruppe>> items_;
};

// ---- The SFR definition file

// A derivative whose table would not fit one "PN" command is refused.
inline constexpr int MaxSfrEntries = 238;

struct SfrCanAddresses {
    std::uint16_t canAdr = 0xFFFF;
    std::uint16_t canDat = 0xFFFF;
};

// Parses the derivative's section of the file's text into the table and the
// list given (which should be empty). Raises EVokWinFileError 321 (no such
// derivative), 224 (syntax) or 229 (number), and ESymbolError 126/127 for
// what the register table refuses.
void ParseSfrDefinition(std::string_view text, std::string_view derivative, TRegisterTabelle& registers,
                        TSfrGruppenList& groups, SfrCanAddresses& can);
// Whether a line of the derivative's groups contains the text; 321 when
// the file has no such derivative.
bool SfrDefinitionGroupContains(std::string_view text, std::string_view derivative, std::string_view needle);

// ---- The component

class TBasisSfrConfig : public TComponent {
public:
    std::string_view Name() const override { return "SfrConfig"; }
    void Notify(std::uint8_t, const void*) override {}

    std::uint16_t CanAdrAddress() const { return canAdr_; }
    std::uint16_t CanDatAddress() const { return canDat_; }
    const TSfrGruppenList& Groups() const { return groups_; }
    // The family code: the option value, less 100 from 100 on.
    int GetOptionNummer() const { return optionNummer_ >= 100 ? optionNummer_ - 100 : optionNummer_; }
    int OptionNummer() const { return optionNummer_; }
    const std::array<std::uint8_t, 128>& AccessCodes() const { return accessCodes_; }
    std::uint8_t CodeVariant() const { return codeVariant_; }
    const std::array<std::uint8_t, 5>& TrailerBytes() const { return trailerBytes_; }
    const std::string& TargetName() const { return targetName_; }

    virtual void ChooseFpgaImage() {}
    virtual void SetFamilyFlags() {}

protected:
    TBasisSfrConfig() = default;

    std::uint16_t canAdr_ = 0xFFFF;
    std::uint16_t canDat_ = 0xFFFF;
    bool constructing_ = false;
    TSfrGruppenList groups_;
    int optionNummer_ = 0;
    std::array<std::uint8_t, 128> accessCodes_{};
    std::uint8_t codeVariant_ = 0;
    std::array<std::uint8_t, 5> trailerBytes_{};
    std::string targetName_;
    // n + 11 of the last table sent; the empty table's until one was sent.
    std::uint8_t sfrCount_ = 11;
};

class TSfrConfig final : public TBasisSfrConfig {
public:
    TSfrConfig(TRegisterTabelle& registers, ISfrEmulator& emulator, ITargetOptions& options);

    void SetOptionNummer(int value);
    // Loads the derivative and sends its table, or marks the table pending
    // when the board cannot take it now (below state 4). Refused with
    // ETarvexAccessError 72 while the target runs: the board would answer
    // the next halt with the old table's length.
    void SetTargetName(const std::string& name);
    // Loads the derivative from the SFR definition file (365 when the file
    // cannot be read); on any failure nothing changes. More than
    // MaxSfrEntries SFRs: EVokWinFileError 211.
    void LoadDerivative(const std::string& name);
    // The same from the file's text.
    void LoadDerivativeText(std::string_view text, const std::string& name);
    void TransmitSfrTabelle();
    bool GroupContains(const std::string& derivative, std::string_view text) const;

    void ChooseFpgaImage() override;
    void SetFamilyFlags() override;

    // The table was not sent since the derivative changed; the run
    // control's first reset sends it.
    bool TablePending() const { return tablePending_; }
    // The run control's pod flag and family-7 flag.
    bool RunPodFlag() const { return runPodFlag_; }
    bool Family7Flag() const { return family7Flag_; }

    // The register string of the last table sent.
    int SfrCount() const { return sfrCount_; }
    int RegisterStringLength() const { return sfrCount_ + 3; }
    int PcIndex() const { return sfrCount_ - 11; }
    int RegisterIndex(int r) const { return PcIndex() + 2 + (r & 7); }
    int BankIndex() const { return PcIndex() + 10; }
    int TraceIndex() const { return PcIndex() + 11; }

private:
    std::string readDefinitionFile() const;

    TRegisterTabelle& registers_;
    ISfrEmulator& emulator_;
    ITargetOptions& options_;
    bool tablePending_ = false;
    bool runPodFlag_ = false;
    bool family7Flag_ = false;
};

}  // namespace tarvex
