#pragma once
// Code banking of the target: which logical code bank (and, with variable
// banking, which external-data bank) the target sees, how a logical bank is
// put on the target's bank port, how logical banks map onto the board's
// 3-bit hardware bank of emulation memory, where the banked area lies, and
// the monitor patches of the Dallas derivatives.
//
// The bank port is an SFR or an external-data byte; the component reaches it
// through IBankPortAccess, which the emulator object answers directly until
// the memory spaces (with their SFR cache) take that place.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/banking_info.hpp"
#include "core/component.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex {

class TEmulator;
class TRegisterTabelle;

// How the banking reads and writes its bank port.
class IBankPortAccess {
public:
    virtual ~IBankPortAccess() = default;
    virtual std::uint8_t ReadSfr(std::uint8_t address) = 0;
    virtual void WriteSfr(std::uint8_t address, std::uint8_t value) = 0;
    virtual std::uint8_t ReadXdataByte(std::uint16_t address) = 0;
    virtual void WriteXdataByte(std::uint16_t address, std::uint8_t value) = 0;
};

// The port through the emulator object's own SFR and external-data commands.
class EmulatorBankPort final : public IBankPortAccess {
public:
    explicit EmulatorBankPort(TEmulator& emulator) : emulator_(emulator) {}
    std::uint8_t ReadSfr(std::uint8_t address) override;
    void WriteSfr(std::uint8_t address, std::uint8_t value) override;
    // "DE" 01 hi lo, one byte back.
    std::uint8_t ReadXdataByte(std::uint16_t address) override;
    // "PE" 01 hi lo, the board's go byte, the value, then 10 ms.
    void WriteXdataByte(std::uint16_t address, std::uint8_t value) override;

private:
    TEmulator& emulator_;
};

class TBanking final : public TComponent, public IBankingInfo, public IBankingPart {
public:
    // Access kinds of SetBank and WriteBank.
    static constexpr int KindCode = 0, KindXdata = 2, KindReset = 7, KindMonitor = 8, KindDirect = 9,
                         KindPellunar = 12;
    enum DallasAddressing : int { DallasStandard = 0, DallasPaged = 1, DallasContiguous = 2 };
    static constexpr std::uint16_t ControlAddress = 0xF400;
    static constexpr std::uint8_t NotifyMaxBytes = 1, NotifyBankingChanged = 13, NotifyEmulatorState = 25,
                                  NotifyBankedArea = 33;

    TBanking(TEmulator& emulator, INotifier& notifier);
    ~TBanking() override;

    // Not owned; null: the emulator object's own commands / no SFR names.
    void SetPortAccess(IBankPortAccess* access);
    void SetRegisterTable(const TRegisterTabelle* table) { registers_ = table; }

    // ---- Tables of the modes
    static int MaxBankOfMode(int mode);
    static int DefaultBankOfMode(int mode);
    static bool ModeAllowed(int version, int mode);
    // The hardware bank for an access of that kind to the (physical) bank;
    // -1 when the mode has no such bank.
    static int HardwareBankFor(int mode, int generation, int kind, int bank);
    // Control byte bits 3-4.
    static std::uint8_t ModeGroup(int mode);

    // ---- Component
    std::string_view Name() const override { return "Banking"; }
    void Notify(std::uint8_t code, const void* data) override;
    void WriteProperties(ValueWriter& writer) const override { WriteSettings(writer); }
    void ReadProperties(ValueReader& reader, std::int32_t version) override { ReadSettings(reader, version); }
    void WriteSettings(ValueWriter& writer) const;
    void ReadSettings(ValueReader& reader, std::int32_t version);
    void SetDefaults();

    // ---- IBankingInfo
    int bankingMode() const override { return mode_; }
    bool varBanking() const override { return varBanking_; }
    int maxCountBefehlsBytes() const override { return maxBytes_; }

    // ---- IBankingPart
    void InitEmulStart() override;
    void SetDallasAddressingMode(int mode) override;
    void TransmitDallasAddressingMode() override;
    int MaxBank() const override { return MaxBankOfMode(mode_); }

    // ---- Bank selection
    void SetBank(int kind, const TBankAdresse& address);
    void WriteBank(int kind, int bank);
    TBankAdresse PhysicalAddress(const TBankAdresse& address) const;
    // How many bytes from this offset on lie side by side in one hardware
    // bank, up to the end of the bank: the banked window of the 32 KB and
    // 16 KB modes lies elsewhere on the board than the common area below it,
    // so a board command for a range must not pass the window's edge.
    std::uint32_t MappedRun(std::uint16_t offset) const;
    // The way back for what the trace recorded (the physical bank and
    // offset): modes 5-8 bank * 2, + 1 from offset 0x8000, offset OR 0x8000;
    // modes 9-11 bank * 4 + the offset's 16 KB quarter, the offset moved into
    // the window from 0x4000. The low half of physical bank 0 holds the common
    // area and bank 0's window alike; it reads as bank 0's window.
    static TBankAdresse TraceAddress(int mode, const TBankAdresse& physical);
    TBankAdresse NormalizeAddress(const TBankAdresse& address) const;
    // Raises ESelectError 85 with banking on.
    void CheckNoBanking() const;
    // The other addresses at which code written at this address shows.
    std::vector<TBankAdresse> PrepareAccess(const TBankAdresse& address) const;
    // Every other per-bank program address that reaches the same byte of
    // emulation memory: the common area seen from each bank, and in modes
    // 9-11 the repeats of a bank's 16 KB window at 0x4000, 0x8000, 0xC000.
    std::vector<TBankAdresse> CodeAliases(const TBankAdresse& address) const;
    int MaxVarBank() const;
    int HardwareBankLimit() const;

    // ---- Start and reset
    void LockUpdate(bool begin);
    void PrepareReset();
    void SelectResetBank();
    void HookModeReset();
    void InvalidHardwareBank();

    // ---- Published settings
    int BankingVersion() const { return version_; }
    void SetBankingVersion(int version);
    void SetBankingMode(int mode);
    int ResetBankNummer() const { return resetBank_; }
    void SetResetBankNummer(int bank);
    std::string SfrPort() const;
    void SetSfrPort(const std::string& text);
    std::string XdataPort() const;
    void SetXdataPort(const std::string& text);
    // line 0 = A14 ... 4 = A18.
    int BitNummer(int line) const { return bits_.at(static_cast<std::size_t>(line)); }
    void SetBitNummer(int line, int bit);
    int DallasAddressingMode() const { return dallasMode_; }
    bool DallasBanking() const { return dallasBanking_; }
    void SetDallasBanking(bool on);
    void SetVarBanking(bool on);
    int U32Size() const { return u32Size_; }
    void SetU32Size(int size);
    std::uint16_t BankedAreaStart() const;
    void SetBankedAreaStart(std::uint16_t start);
    std::uint16_t BankedAreaEnd() const;
    void SetBankedAreaEnd(std::uint16_t end);
    // The area as it was before its last change (the select lists still
    // describe that one when the change is reported).
    std::uint16_t PreviousBankedAreaStart() const { return mode_ == 0 ? 0 : beforeStart_; }
    std::uint16_t PreviousBankedAreaEnd() const { return mode_ == 0 || beforeStart_ == 0 ? 0 : beforeEnd_; }
    int MaxCountBefehlsBytes() const { return maxBytes_; }

    // ---- Unpublished state
    bool XdataPortFlag() const { return xdataPortFlag_; }
    void SetXdataPortFlag(bool on) { xdataPortFlag_ = on; }
    bool DallasVarBankFlag() const { return dallasVarBank_; }
    void SetDallasVarBankFlag(bool on) { dallasVarBank_ = on; }
    std::uint8_t TraceBankOffset() const { return traceBankOffset_; }
    std::uint8_t CurrentCodeBank() const { return codeBank_; }
    std::uint8_t CurrentHardwareBank() const { return hwBank_; }
    std::uint8_t ControlByte() const { return control_; }
    std::uint8_t PortMask() const { return portMask_; }
    std::uint8_t PortValue(int bank) const { return portValues_.at(static_cast<std::size_t>(bank & 15)); }

private:
    std::uint8_t state() const;
    int generation() const;
    int family() const;
    void changed() { changed_ = true; }
    void buildPortTable();
    void applyVersionByGeneration();
    void applyModeBits();
    void sendControl();
    void putPort(int bank);
    void dallasBankingPatch();
    void dallasReturnPatch();
    void dallasReturnUndo();
    void setMaxBytes(int bytes);
    void areaChanged();
    int effectiveBank(const TBankAdresse& address) const;

    TEmulator& emulator_;
    INotifier& notifier_;
    const TRegisterTabelle* registers_ = nullptr;
    std::unique_ptr<EmulatorBankPort> ownPort_;
    IBankPortAccess* port_ = nullptr;

    int version_ = 0;
    int mode_ = 0;
    int resetBank_ = 255;
    std::uint8_t sfrPort_ = 0x90;
    std::uint16_t xdataPort_ = 0x1234;
    std::array<int, 5> bits_{4, 3, 0, 1, 2};
    int dallasMode_ = DallasStandard;
    bool dallasBanking_ = false;
    bool varBanking_ = false;
    int u32Size_ = 0;
    std::uint16_t areaStart_ = 0;
    std::uint16_t areaEnd_ = 0xFFFF;
    int maxBytes_ = 3;

    bool xdataPortFlag_ = false;
    bool dallasVarBank_ = false;
    std::uint8_t traceBankOffset_ = 0;
    std::uint8_t codeBank_ = 255;
    std::uint8_t varBank_ = 255;
    std::uint8_t hwBank_ = 255;
    std::uint8_t portMask_ = 0;
    std::array<std::uint8_t, 16> portValues_{};
    std::uint8_t control_ = 0;
    int depth_ = 0;
    bool changed_ = false;
    std::uint16_t prevStart_ = 0;
    std::uint16_t prevEnd_ = 0xFFFF;
    std::uint16_t beforeStart_ = 0;
    std::uint16_t beforeEnd_ = 0xFFFF;
    // 0x7C19, 0x7C1A, then the ten bytes of system memory at 0x7EF6.
    std::optional<std::string> savedDallas_;
    bool dallasPending_ = false;
};

}  // namespace tarvex
