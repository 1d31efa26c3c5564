#pragma once
// Run control: go, go-until, the steps, stop, the halt and the target
// reset; keeps the target's program counter and register string.
//
// Threads. The host polls from the thread that called a run operation and
// the IDE may stop the target from another. Every public operation holds the
// link lock (TBasisEmulator::LockLink) for its whole duration, Poll for one
// call, so a Stop runs between two polls, never inside one, and all state of
// the run control, the trace board and the select tables is touched under
// that one mutex. There is deliberately no second mutex: the emulator's
// start holds the link lock while it calls ResetAll, and a second lock would
// be taken in both orders. IsRunning() may be read without the lock, but a
// decision to stop is taken only under it: Stop tests the running flag
// itself and sends nothing to a target that already halted.
#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "core/bank_adressen.hpp"
#include "core/component.hpp"
#include "emulator/target_parts.hpp"

namespace tarvex {

class INotifier;
class TBanking;
class TEmulator;
class TEmulSpaces;
class TRegisterTabelle;
class TSfrConfig;
class TTracePlatine;
class TZeilennummertabelle;
struct TZeilennummer;

namespace platform {
class BusyCursor;
class StopErrorForm;
}  // namespace platform

// The status line's running indicator.
class IRunIndicator {
public:
    virtual ~IRunIndicator() = default;
    virtual void SetRunning(bool on) = 0;
};

// The select tables as run control drives them.
class IRunSelectTable {
public:
    virtual ~IRunSelectTable() = default;
    // Sends the break and trace registers that changed.
    virtual void TransmitBreakTraceRegister() = 0;
    // Sets the temporary breakpoint (removing an older one first).
    virtual void SetTemporaryBreakpoint(const TBankAdresse& address, bool flag) = 0;
    virtual void RemoveTemporaryBreakpoint() = 0;
    // Around a line step: keep the break mode, break at line numbers, and
    // put the kept mode back.
    virtual void SaveBreakMode() = 0;
    virtual void SetLineStepBreakMode() = 0;
    virtual void RestoreBreakMode() = 0;
    // The target was reset: the tables leave their reset-wait state.
    virtual void TargetResetDone() = 0;
};

class TDebug final : public TComponent, public IRunControlPart {
public:
    // Bits of the interrupt option byte: the run modes that disable
    // interrupts while the target runs.
    static constexpr std::uint8_t OptGoUntil = 1, OptJumpOver = 2, OptSingleStep = 4, OptGo = 8;
    static constexpr std::uint8_t OpRet = 0x22, OpReti = 0x32, OpLcall = 0x12;
    static constexpr std::uint32_t ResetTimeoutFamily15Ms = 15000;

    TDebug(TEmulator& emulator, TSfrConfig& sfr, TRegisterTabelle& registers, INotifier& notifier);
    ~TDebug() override;

    // ---- Wiring (not owned; null = absent)
    void SetBanking(TBanking* banking) { banking_ = banking; }
    void SetSpaces(TEmulSpaces* spaces) { spaces_ = spaces; }
    void SetTracePlatine(TTracePlatine* trace) { trace_ = trace; }
    void SetSelectTable(IRunSelectTable* select) { select_ = select; }
    void SetLineTable(TZeilennummertabelle* lines) { lines_ = lines; }
    void SetRunIndicator(IRunIndicator* indicator) { indicator_ = indicator; }
    void SetStopErrorForm(platform::StopErrorForm* form) { form_ = form; }
    void SetBusyCursor(platform::BusyCursor* cursor) { cursor_ = cursor; }

    // ---- Component
    std::string_view Name() const override { return "Dll_Debug"; }
    void Notify(std::uint8_t code, const void* data) override;
    bool HoldsTableRecords() const override { return true; }
    void WriteProperties(ValueWriter& writer) const override;
    void ReadProperties(ValueReader& reader, std::int32_t version) override;

    // ---- IRunControlPart
    void InitEmulStart() override;
    int ResetAll() override;
    int ResetSlave() override;
    bool NotYetReset() const override { return notYetReset_; }
    bool IsRunning() const override { return running_.load(); }
    bool FlyingTrace() const override { return flying_; }

    // ---- Run operations (ETarvexAccessError 72 running, 34 not reset)
    void Go();
    void GoUntil(const TBankAdresse& address);
    void GoTo(const TBankAdresse& address, bool flag);
    void Step();
    void LineStep();
    int SingleStep();
    void StepOver();
    void StepOverLine();
    void StepOverCall();
    void Stop();
    // Handles a halt the board reported; returns whether the target runs.
    bool Poll();
    void AfterStop();
    // 0 success, 1 failure (no status 00, with check).
    int ReadRegisters(bool check);
    void ResetWithMessage();
    void SetPC(const TBankAdresse& address);
    // ETarvexAccessError 35 when already in that state.
    void SetFlyingTrace(bool on);

    // ---- State
    const TBankAdresse& PC() const { return pc_; }
    const std::string& RegisterString() const { return registers_; }
    const TZeilennummer* CurrentLine() const { return currentLine_; }
    bool ResetNeeded() const { return resetNeeded_; }
    bool LastResetSpecial() const { return lastResetSpecial_; }
    bool TemporaryBreakpoint() const { return tempBreak_; }
    void SetHighLevelMode(bool on) { highLevel_ = on; }
    bool HighLevelMode() const { return highLevel_; }
    void SetOnChipXdata(bool on) { onChipXdata_ = on; }
    // The performance measurement asks for a cleared real-time counter at
    // every go.
    void SetClearTimeAtGo(bool on) { clearTimeAtGo_ = on; }

    // ---- Published settings (the option byte)
    std::uint8_t OptionByte() const { return optionByte_; }
    void SetOptionByte(std::uint8_t value) { optionByte_ = static_cast<std::uint8_t>(value & 0x0F); }
    bool DisableInterruptGoUntil() const { return optionByte_ & OptGoUntil; }
    void SetDisableInterruptGoUntil(bool on) { setOption(OptGoUntil, on); }
    bool DisableInterruptJumpOver() const { return optionByte_ & OptJumpOver; }
    void SetDisableInterruptJumpOver(bool on) { setOption(OptJumpOver, on); }
    bool DisableInterruptSingleStep() const { return optionByte_ & OptSingleStep; }
    void SetDisableInterruptSingleStep(bool on) { setOption(OptSingleStep, on); }

private:
    void setOption(std::uint8_t bit, bool on) {
        optionByte_ = static_cast<std::uint8_t>(on ? optionByte_ | bit : optionByte_ & ~bit);
    }
    void refuseRun() const;
    void go(std::uint8_t modeBit);
    void disableInterrupts(std::uint8_t modeBit);
    void restoreInterrupts();
    void selectPcBank();
    bool bankRegisterFamily() const;
    int family() const;
    void correctRegisterString();
    void correctAtmelAduc(int family);
    std::optional<std::uint8_t> registerByte(std::uint8_t sfrAddress) const;
    void setRegisterByte(std::uint8_t sfrAddress, std::uint8_t value);
    void takeRegisterString();
    void lookUpLine();
    int readRegisters(bool check, bool statusOwed);
    static TBankAdresse stubAt();
    std::optional<std::string> readStubBytes(std::size_t count);
    // With `raise`, a failure of the link is passed on (the bytes stay kept
    // either way).
    void restoreStub(bool raise);
    bool hardStopWanted() const;
    void traceBytesToBoard();
    std::uint8_t opcodeAtPc();
    void notify(std::uint8_t code);
    void setRunning(bool on);
    // The run ends in a fault of the link.
    void abandonRun();
    void log(std::string_view text);

    TEmulator& emulator_;
    TSfrConfig& sfr_;
    TRegisterTabelle& registerTable_;
    INotifier& notifier_;
    TBanking* banking_ = nullptr;
    TEmulSpaces* spaces_ = nullptr;
    TTracePlatine* trace_ = nullptr;
    IRunSelectTable* select_ = nullptr;
    TZeilennummertabelle* lines_ = nullptr;
    IRunIndicator* indicator_ = nullptr;
    platform::StopErrorForm* form_ = nullptr;
    platform::BusyCursor* cursor_ = nullptr;

    bool eaCleared_ = false;
    bool d8Cleared_ = false;
    bool resetNeeded_ = false;
    bool stopRequested_ = false;
    std::atomic<bool> running_{false};
    std::uint8_t optionByte_ = 0;
    bool flying_ = false;
    bool notYetReset_ = true;
    bool onChipXdata_ = false;
    TBankAdresse pc_{};
    const TZeilennummer* currentLine_ = nullptr;
    std::string registers_;
    bool highLevel_ = false;
    bool tempBreak_ = false;
    bool lastResetSpecial_ = false;
    bool clearTimeAtGo_ = false;
    // The program's bytes under the reset stub while the stub may be on the
    // board.
    std::optional<std::string> stubKept_;
};

}  // namespace tarvex
