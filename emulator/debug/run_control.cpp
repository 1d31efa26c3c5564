#include "emulator/debug/run_control.hpp"

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/line_table.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/target_interfaces.hpp"
#include "core/value_stream.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/sfr_config.hpp"
#include "emulator/debug/trace_board.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

constexpr std::uint8_t SfrIe = 0xA8, SfrEicon = 0xD8, SfrDps = 0x86, SfrP0 = 0x80, SfrP2 = 0xA0, SfrPmr = 0x8E;
constexpr std::uint8_t SfrTcon = 0x88, SfrDp1l = 0x84, SfrDp1h = 0x85, SfrDpcon = 0xA7, SfrPllcon = 0xD7;
// The Atmel and ADuC monitors' mark for P0's bit 7: the string's P0 gets
// the bit when the halted PC's low byte plus 4 equals it.
constexpr std::uint16_t MonitorP0Mark = 0x7004;
constexpr std::uint8_t IeEa = 0x80, EiconBit5 = 0x20;
// The pellunar board's own images of P0 and P2.
constexpr std::uint16_t EmulP0 = 0xA4D6, EmulP2 = 0xA4B6;
// The code that holds the target while it is reset: an endless SJMP.
constexpr std::uint8_t ResetStubBank = 6;
// What a halt answers while the target runs: 00 and the register string,
// or FF alone when the target stopped abnormally.
constexpr std::uint8_t HaltNormal = 0x00, HaltAbnormal = 0xFF;

[[noreturn]] void refuse(int id) { throw ETarvexAccessError(std::string(LoadStr(id))); }

[[noreturn]] void noReaction() { throw ETarvexResetError(std::string(LoadResStr(rs::NoReactionOfTarget))); }

}  // namespace

TDebug::TDebug(TEmulator& emulator, TSfrConfig& sfr, TRegisterTabelle& registers, INotifier& notifier)
    : emulator_(emulator), sfr_(sfr), registerTable_(registers), notifier_(notifier) {}

TDebug::~TDebug() = default;

void TDebug::log(std::string_view text) { emulator_.Protokoll(text); }

void TDebug::notify(std::uint8_t code) { notifier_.send(code, this); }

int TDebug::family() const { return sfr_.GetOptionNummer(); }

// The families whose monitor keeps a bank register that the register
// string carries.
bool TDebug::bankRegisterFamily() const {
    const int f = family();
    return banking_ && banking_->bankingMode() != 0 && (f == 8 || f == 10 || f == 11 || f == 12 || f == 15);
}

void TDebug::setRunning(bool on) {
    running_ = on;
    emulator_.SetTargetRunning(on);
}

void TDebug::WriteProperties(ValueWriter& writer) const { writer.WriteInteger(optionByte_); }

void TDebug::ReadProperties(ValueReader& reader, std::int32_t) {
    SetOptionByte(static_cast<std::uint8_t>(reader.ReadInteger()));
}

void TDebug::InitEmulStart() {
    auto lock = emulator_.LockLink();
    log("Debug.InitEmulStart");
    setRunning(false);
    // The first chance after a reset the link broke off: the program's own
    // bytes go back over the stub before anything runs.
    restoreStub(true);
    resetNeeded_ = false;
    stopRequested_ = false;
    notYetReset_ = true;
    flying_ = false;
    tempBreak_ = false;
}

void TDebug::refuseRun() const {
    if (running_) refuse(72);
    if (notYetReset_) refuse(34);
}

// ---------------------------------------------------------------- running

void TDebug::selectPcBank() {
    if (banking_) banking_->SetBank(TBanking::KindCode, pc_);
}

void TDebug::disableInterrupts(std::uint8_t modeBit) {
    eaCleared_ = d8Cleared_ = false;
    if (!(optionByte_ & modeBit)) return;
    const std::uint8_t ie = emulator_.ReadSfr(SfrIe);
    if (ie & IeEa) {
        emulator_.WriteSfr(SfrIe, static_cast<std::uint8_t>(ie & ~IeEa));
        eaCleared_ = true;
    }
    if (family() == 17) {
        const std::uint8_t eicon = emulator_.ReadSfr(SfrEicon);
        if (eicon & EiconBit5) {
            emulator_.WriteSfr(SfrEicon, static_cast<std::uint8_t>(eicon & ~EiconBit5));
            d8Cleared_ = true;
        }
    }
}

void TDebug::restoreInterrupts() {
    bool restored = false;
    const auto restore = [&](bool& cleared, std::uint8_t sfr, std::uint8_t bit) {
        if (!cleared) return;
        cleared = false;
        const std::uint8_t now = emulator_.ReadSfr(sfr);
        // The program set the bit itself: leave it.
        if (now & bit) return;
        emulator_.WriteSfr(sfr, static_cast<std::uint8_t>(now | bit));
        setRegisterByte(sfr, static_cast<std::uint8_t>(now | bit));
        restored = true;
    };
    restore(eaCleared_, SfrIe, IeEa);
    restore(d8Cleared_, SfrEicon, EiconBit5);
    if (restored) takeRegisterString();
}

void TDebug::go(std::uint8_t modeBit) {
    if (select_) select_->TransmitBreakTraceRegister();
    if (trace_) {
        if (trace_->ResetBeforeRun()) trace_->ResetTrace();
        if (clearTimeAtGo_) trace_->SetTraceModus(0);
    }
    disableInterrupts(modeBit);
    if (family() == 17) emulator_.ReadSfr(SfrEicon);
    emulator_.EnableExtReset();
    selectPcBank();
    emulator_.Schreiben("G");
    setRunning(true);
    if (indicator_) indicator_->SetRunning(true);
}

void TDebug::Go() {
    auto lock = emulator_.LockLink();
    refuseRun();
    go(OptGo);
}

void TDebug::GoTo(const TBankAdresse& address, bool flag) {
    auto lock = emulator_.LockLink();
    refuseRun();
    if (select_) {
        if (tempBreak_) select_->RemoveTemporaryBreakpoint();
        select_->SetTemporaryBreakpoint(address, flag);
        tempBreak_ = true;
    }
    go(OptGo);
}

void TDebug::GoUntil(const TBankAdresse& address) {
    auto lock = emulator_.LockLink();
    refuseRun();
    if (select_) {
        if (tempBreak_) select_->RemoveTemporaryBreakpoint();
        select_->SetTemporaryBreakpoint(address, true);
        tempBreak_ = true;
    }
    go(OptGoUntil);
}

std::uint8_t TDebug::opcodeAtPc() {
    TBankAdresse at = pc_;
    if (banking_ && at.banked && at.offset < banking_->BankedAreaStart()) at = UnbankedAdresse(at.offset);
    const std::string b = spaces_ ? spaces_->Space(SpaceKind::Program).ReadBlock(at, 1)
                                  : emulator_.Download().ProgLesen(at, 1);
    return b.empty() ? 0 : static_cast<std::uint8_t>(b[0]);
}

void TDebug::Step() {
    auto lock = emulator_.LockLink();
    if (currentLine_ && highLevel_) {
        const std::uint8_t op = opcodeAtPc();
        if (op != OpRet && op != OpReti) {
            LineStep();
            return;
        }
    }
    SingleStep();
}

void TDebug::LineStep() {
    auto lock = emulator_.LockLink();
    refuseRun();
    if (select_) {
        select_->SaveBreakMode();
        select_->SetLineStepBreakMode();
    }
    try {
        go(OptSingleStep);
    } catch (...) {
        if (select_) select_->RestoreBreakMode();
        throw;
    }
    if (select_) select_->RestoreBreakMode();
}

int TDebug::SingleStep() {
    auto lock = emulator_.LockLink();
    refuseRun();
    if (select_) select_->TransmitBreakTraceRegister();
    if (trace_) trace_->ArmStepOverflow();
    selectPcBank();
    disableInterrupts(OptSingleStep);
    if (family() == 17) emulator_.ReadSfr(SfrEicon);
    emulator_.Schreiben("S");
    // The status byte is owed: one that never comes is a fault of the link,
    // which restarts it, not a reason to reset the target.
    if (readRegisters(true, true) == 0) {
        restoreInterrupts();
        traceBytesToBoard();
    } else {
        ResetWithMessage();
    }
    notify(notify::TargetHalted);
    return 0;
}

void TDebug::StepOver() {
    auto lock = emulator_.LockLink();
    if (currentLine_ && currentLine_->line != 0 && highLevel_)
        StepOverLine();
    else
        StepOverCall();
}

void TDebug::StepOverLine() {
    auto lock = emulator_.LockLink();
    refuseRun();
    const std::uint8_t op = opcodeAtPc();
    if (op == OpRet || op == OpReti || !currentLine_) {
        LineStep();
        return;
    }
    // The line's own start: the select table breaks there on every other
    // line of its function, so that the calls of this line run through.
    const TBankAdresse target = currentLine_->address;
    if (select_) {
        if (tempBreak_) select_->RemoveTemporaryBreakpoint();
        select_->SetTemporaryBreakpoint(target, false);
        tempBreak_ = true;
    }
    go(OptJumpOver);
}

void TDebug::StepOverCall() {
    auto lock = emulator_.LockLink();
    refuseRun();
    const std::uint8_t op = opcodeAtPc();
    const int n = banking_ ? banking_->MaxCountBefehlsBytes() : 3;
    int length = 0;
    if ((op & 0x1F) == 0x11)
        length = n - 1;
    else if (op == OpLcall)
        length = n;
    if (length == 0 || !select_) {
        SingleStep();
        return;
    }
    TBankAdresse back = pc_;
    back.offset = static_cast<std::uint16_t>(pc_.offset + length);
    if (tempBreak_) select_->RemoveTemporaryBreakpoint();
    select_->SetTemporaryBreakpoint(back, true);
    tempBreak_ = true;
    go(OptJumpOver);
}

void TDebug::Stop() {
    auto lock = emulator_.LockLink();
    // Taken under the lock: a halt a poll already handled needs no "I",
    // which a halted board would not answer.
    if (!running_) return;
    try {
        if (flying_) {
            if (trace_) trace_->FlyingTraceStopping();
            emulator_.Schreiben("o");
            flying_ = false;
        }
        emulator_.Schreiben("I");
        stopRequested_ = true;
        AfterStop();
    } catch (...) {
        abandonRun();
        throw;
    }
}

bool TDebug::Poll() {
    auto lock = emulator_.LockLink();
    if (!running_) return false;
    // Another request broke the link while the target ran (and said so):
    // no stop byte can come any more.
    if (emulator_.TimeoutFlag() || emulator_.FatalUsbError()) {
        abandonRun();
        return false;
    }
    try {
        if (hardStopWanted()) {
            AfterStop();
        } else if (!emulator_.TraceReading() && emulator_.BytesAvailable()) {
            // The halt's rest (the register string) follows at once.
            const auto stop = static_cast<std::uint8_t>(emulator_.LesenTeil(1)[0]);
            if (stop != HaltNormal && stop != HaltAbnormal) {
                // A byte of noise, or one the board sent on its own: no halt.
                // Only this byte goes: a halt right behind it stays to be read.
                log(Format("Debug.Poll: Byte %.2x ist kein Stopp-Byte", stop));
                return running_;
            }
            stopRequested_ = false;
            if (stop == HaltAbnormal) resetNeeded_ = true;
            AfterStop();
        }
    } catch (...) {
        abandonRun();
        throw;
    }
    return running_;
}

void TDebug::abandonRun() {
    if (!running_) return;
    // The board may still run the target, but nothing of it can be asked
    // before the link is started again, whose start resets the target. Until
    // then the target counts as halted and not reset, so that no request is
    // refused as running and no go starts from an unknown state.
    log("Debug: Lauf nach Verbindungsfehler aufgegeben");
    stopRequested_ = false;
    resetNeeded_ = false;
    notYetReset_ = true;
    setRunning(false);
    if (form_ && form_->visible()) form_->close();
    if (indicator_) indicator_->SetRunning(false);
}

void TDebug::AfterStop() {
    auto lock = emulator_.LockLink();
    bool stillRunning = false;
    if (stopRequested_) {
        resetNeeded_ = ReadRegisters(true) != 0;
        // Without a form to ask, the target is reset as on older firmware:
        // a target taken as running for good would refuse every request.
        if (resetNeeded_ && emulator_.Profile().stopQuestion && form_) {
            // The target would not stop: the user may interrupt it hard.
            if (form_ && !form_->visible()) form_->show();
            stopRequested_ = false;
            resetNeeded_ = false;
            stillRunning = true;
        } else {
            stopRequested_ = false;
            setRunning(false);
        }
    } else if (!hardStopWanted()) {
        setRunning(false);
        if (!resetNeeded_) resetNeeded_ = ReadRegisters(false) != 0;
    } else {
        // What came since the stop (a late answer of "I") answers nothing
        // that follows.
        emulator_.DiscardUnrequested();
        emulator_.Schreiben("i");
        // The board answers "i" as it answers "I"; read it here so that it
        // is not taken for the answer of the reset that follows.
        const std::string status = emulator_.LesenOptional(1);
        if (!status.empty() && status[0] == 0) emulator_.LesenOptional(static_cast<std::size_t>(sfr_.RegisterStringLength()));
        form_->close();
        setRunning(false);
        if (ResetSlave() < 0) noReaction();
        resetNeeded_ = false;
    }
    if (!stillRunning) {
        if (form_ && form_->visible()) form_->close();
        emulator_.DisableExtReset();
        if (tempBreak_ && select_) select_->RemoveTemporaryBreakpoint();
        tempBreak_ = false;
        if (resetNeeded_) {
            resetNeeded_ = false;
            ResetWithMessage();
        } else {
            traceBytesToBoard();
        }
        if (optionByte_ != 0) {
            restoreInterrupts();
            if (select_) select_->TransmitBreakTraceRegister();
        }
    }
    emulator_.SetTargetRunning(running_);
    if (!running_) {
        if (indicator_) indicator_->SetRunning(false);
        notify(notify::TargetHalted);
    }
}

// ---------------------------------------------------------------- registers

void TDebug::traceBytesToBoard() {
    if (!trace_) return;
    const int at = sfr_.TraceIndex();
    if (at < 0 || static_cast<std::size_t>(at) + 3 > registers_.size()) return;
    const auto b = [&](int k) { return static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(at + k)]); };
    trace_->UpdateTraceBuffer(b(0), b(1), b(2));
}

void TDebug::setRegisterByte(std::uint8_t sfrAddress, std::uint8_t value) {
    const int index = registerTable_.IndexOfSfr(sfrAddress);
    if (index >= 0 && static_cast<std::size_t>(index) < registers_.size())
        registers_[static_cast<std::size_t>(index)] = static_cast<char>(value);
}

std::optional<std::uint8_t> TDebug::registerByte(std::uint8_t sfrAddress) const {
    const int index = registerTable_.IndexOfSfr(sfrAddress);
    if (index < 0 || static_cast<std::size_t>(index) >= registers_.size()) return std::nullopt;
    return static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(index)]);
}

// The AT89S8252 (13) and the ADuC (16): P0, IE and TCON go back to the
// monitor as the string shows them, the second data pointer or the ADuC's
// DPCON/PLLCON with them. Where their monitors keep the bytes of 0x96/0xA7,
// TCON and IE rotated is not known here: the string keeps them as read.
void TDebug::correctAtmelAduc(int f) {
    log(f == 13 ? "Atmel 89S8252: RegisterString korrigieren" : "ADUC: RegisterString korrigieren");
    const auto pcLow = static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(sfr_.PcIndex() + 1)]);
    if (const auto p0 = registerByte(SfrP0); p0 && static_cast<std::uint8_t>(pcLow + 4) == emulator_.ReadN(MonitorP0Mark))
        setRegisterByte(SfrP0, static_cast<std::uint8_t>(*p0 | 0x80));
    const auto writeBack = [&](std::uint8_t sfrAddress) {
        if (const auto value = registerByte(sfrAddress)) emulator_.WriteSfr(sfrAddress, *value);
    };
    for (std::uint8_t s : {SfrP0, SfrIe, SfrTcon}) writeBack(s);
    if (f == 16) {
        writeBack(SfrDpcon);
        writeBack(SfrPllcon);
    } else if (emulator_.Profile().monitorKeepsDptr1) {
        writeBack(SfrDp1l);
        writeBack(SfrDp1h);
    } else if (!notYetReset_) {
        // Until the first reset is through, direct reads give 0xFF without
        // asking the board: the string keeps what the board sent.
        for (std::uint8_t s : {SfrDp1l, SfrDp1h})
            if (registerByte(s)) setRegisterByte(s, emulator_.ReadSfr(s));
    }
}

void TDebug::correctRegisterString() {
    const int f = family();
    const auto master = [&](std::uint16_t a) { return emulator_.ReadN(a); };
    if (IsDallasFamily(f) && emulator_.Profile().dpsFromMonitor && registerTable_.IndexOfSfr(SfrDps) >= 0) {
        log("Dallas: DPS korrigieren");
        const auto dps = static_cast<std::uint8_t>(master(0x700C) - master(0x700B));
        setRegisterByte(SfrDps, dps);
        emulator_.WriteSfr(SfrDps, dps);
    } else if (f == 12 && registerTable_.IndexOfSfr(SfrDps) >= 0) {
        log("Winbond 77x: DPS korrigieren");
        setRegisterByte(SfrDps, static_cast<std::uint8_t>(master(0x700B) - master(0x700A)));
    } else if (f == 17) {
        emulator_.CorrectHostAddresses();
    } else if (f == 13 || f == 16) {
        correctAtmelAduc(f);
    }
    if (emulator_.PellunarsOn()) {
        log("mit Emul.Pellunars: P0/P2 einlesen");
        setRegisterByte(SfrP0, master(EmulP0));
        setRegisterByte(SfrP2, master(EmulP2));
    }
}

void TDebug::takeRegisterString() {
    const int pcAt = sfr_.PcIndex();
    if (spaces_) spaces_->Space(SpaceKind::Sfr).SetSfrImage(std::string_view(registers_).substr(0, static_cast<std::size_t>(pcAt)));
    const auto hi = static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(pcAt)]);
    const auto lo = static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(pcAt + 1)]);
    const auto offset = static_cast<std::uint16_t>(hi << 8 | lo);
    if (bankRegisterFamily())
        pc_ = BankedAdresse(static_cast<std::uint8_t>(registers_[static_cast<std::size_t>(sfr_.BankIndex())]), offset);
    else if (banking_ && banking_->bankingMode() != 0 && banking_->CurrentCodeBank() != 255)
        pc_ = BankedAdresse(banking_->CurrentCodeBank(), offset);
    else
        pc_ = UnbankedAdresse(offset);
    lookUpLine();
}

void TDebug::lookUpLine() { currentLine_ = lines_ ? lines_->FindByAddress(pc_, 0) : nullptr; }

int TDebug::ReadRegisters(bool check) { return readRegisters(check, false); }

// The form's Yes stays until the run control closes it; a view may hide
// itself on the click before that.
bool TDebug::hardStopWanted() const { return form_ && form_->answeredYes(); }

int TDebug::readRegisters(bool check, bool statusOwed) {
    auto lock = emulator_.LockLink();
    registers_.clear();
    if (check) {
        const std::string status = statusOwed ? emulator_.LesenTeil(1) : emulator_.LesenOptional(1);
        if (status.empty() && statusOwed)
            throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError)));
        if (status.empty() || status[0] != 0) return 1;
    }
    registers_ = emulator_.Lesen(static_cast<std::size_t>(sfr_.RegisterStringLength()));
    correctRegisterString();
    takeRegisterString();
    return 0;
}

// ---------------------------------------------------------------- reset

int TDebug::ResetSlave() {
    auto lock = emulator_.LockLink();
    log("Debug.ResetSlave");
    if (running_) refuse(72);
    const int f = family();
    const LinkProfile& firmware = emulator_.Profile();
    platform::Clock& clock = emulator_.clock();
    if (notYetReset_ && f == 16) {
        emulator_.WriteV(0, 1);
        clock.sleepMs(1000);
        emulator_.WriteV(0, 0);
        clock.sleepMs(200);
    }
    if (notYetReset_) sfr_.TransmitSfrTabelle();

    // The reset stub over the program's first bytes at bank 6. The kept
    // bytes go back whatever the reset gave; with the link gone they are
    // kept for its next start, and the program cache forgets what it showed.
    struct Stub {
        TDebug& d;
        bool done = false;
        ~Stub() {
            if (!done) d.restoreStub(false);
        }
    } stub{*this};
    if (firmware.resetStub) {
        std::string code{static_cast<char>(0x80), static_cast<char>(0xFE)};
        if (f == 15) code += std::string("TINI") + '\0';
        // A stub still on the board from a reset the link broke off is no
        // program: its true bytes are the ones kept then.
        if (!stubKept_ || stubKept_->size() != code.size()) stubKept_ = readStubBytes(code.size());
        if (stubKept_) emulator_.Download().WriteCode(stubAt(), code);
    }

    if (banking_) banking_->PrepareReset();
    if (trace_) trace_->DisableRealTimeCounter();
    if (onChipXdata_) {
        emulator_.WriteV(0, 0);
        if (banking_) banking_->HookModeReset();
    }

    int result = 0;
    {
        platform::BusyCursorScope busy(f == 15 ? cursor_ : nullptr);
        TEmulator::RaisedTimeout raised(emulator_, f == 15 ? ResetTimeoutFamily15Ms : 0);
        log("Debug.ResetSlave - Kommando");
        emulator_.Schreiben("Z");
        log("Debug.ResetSlave - Warte auf Antwort");
        const std::string answer = emulator_.LesenOptional(1);
        if (answer.empty() || static_cast<std::uint8_t>(answer[0]) == 0xFF) {
            result = -1;
        } else if (!firmware.specialResetAnswer || static_cast<std::uint8_t>(answer[0]) != 0xFE) {
            ReadRegisters(false);
        } else {
            result = 1;
            if (ReadRegisters(true) != 0) result = -1;
        }
    }
    lastResetSpecial_ = result == 1;
    if (result < 0) {
        // The program's bytes go back before the failure is reported; a
        // link that fails meanwhile is reported as such (and restarted).
        stub.done = true;
        restoreStub(true);
        return result;
    }

    if (bankRegisterFamily()) {
        const auto bank = static_cast<std::uint8_t>(f == 15 ? banking_->ResetBankNummer() : 0);
        emulator_.WriteSfr(TEmulator::SfrBank, bank);
        pc_ = BankedAdresse(bank, pc_.offset);
        const int at = sfr_.BankIndex();
        if (static_cast<std::size_t>(at) < registers_.size()) registers_[static_cast<std::size_t>(at)] = static_cast<char>(bank);
    }
    stub.done = true;
    restoreStub(true);
    if (trace_) trace_->EnableRealTimeCounter();
    traceBytesToBoard();
    notYetReset_ = false;
    if (select_) select_->TargetResetDone();
    if (onChipXdata_ && spaces_) {
        log("Debug.OnChipXdataAbschalten");
        const std::uint8_t state = emulator_.ConnectionState();
        emulator_.SetConnectionState(TBasisEmulator::StateStarting);
        TEmulSpeicher& sfrSpace = spaces_->Space(SpaceKind::Sfr);
        sfrSpace.WriteSfr(SfrPmr, static_cast<std::uint8_t>(sfrSpace.ReadByte(SfrPmr) | 2));
        emulator_.SetConnectionState(state);
    }
    if (banking_ && banking_->bankingMode() != 0 && banking_->ResetBankNummer() != 255 &&
        pc_.bank != banking_->ResetBankNummer()) {
        const std::uint8_t state = emulator_.ConnectionState();
        emulator_.SetConnectionState(TBasisEmulator::StateStarting);
        banking_->SelectResetBank();
        // The string shows the bank as well, so that whatever takes the PC
        // from it again finds the reset bank.
        const auto bank = static_cast<std::uint8_t>(banking_->ResetBankNummer());
        const auto bankAt = static_cast<std::size_t>(sfr_.BankIndex());
        if (bankRegisterFamily() && bankAt < registers_.size()) registers_[bankAt] = static_cast<char>(bank);
        takeRegisterString();
        pc_ = BankedAdresse(bank, pc_.offset);
        lookUpLine();
        emulator_.SetConnectionState(state);
    }
    notify(notify::TargetReset);
    return result;
}

TBankAdresse TDebug::stubAt() { return BankedAdresse(ResetStubBank, 0); }

std::optional<std::string> TDebug::readStubBytes(std::size_t count) {
    // These bytes go back over the program: an answer that was too long (its
    // rest found before the next command) is read again on the clean link.
    for (int attempt = 0; attempt < 2; ++attempt) {
        emulator_.DiscardUnrequested();
        const std::uint64_t discards = emulator_.Discards();
        std::string kept = emulator_.Download().ReadCode(stubAt(), count);
        if (kept.size() != count || emulator_.TimeoutFlag()) return std::nullopt;
        if (!emulator_.DiscardUnrequested() && emulator_.Discards() == discards) return kept;
        log("Debug.ResetSlave: Programmbytes nochmal lesen");
    }
    return std::nullopt;
}

void TDebug::restoreStub(bool raise) {
    if (!stubKept_) return;
    const auto keep = [this] {
        log("Debug.ResetSlave: Programmbytes bleiben vorgemerkt");
        if (spaces_) spaces_->Space(SpaceKind::Program).ClearProgramCache();
    };
    if (emulator_.TimeoutFlag() || emulator_.FatalUsbError()) return keep();
    try {
        // Read back: a board that was switched off and on, or one that did
        // not hear the write, must not make the stub look like the program.
        emulator_.Download().WriteCode(stubAt(), *stubKept_);
        if (emulator_.Download().ReadCode(stubAt(), stubKept_->size()) == *stubKept_ && !emulator_.TimeoutFlag()) {
            stubKept_.reset();
            return;
        }
    } catch (...) {
        keep();
        if (raise) throw;
        return;
    }
    keep();
}

void TDebug::ResetWithMessage() {
    auto lock = emulator_.LockLink();
    setRunning(false);
    if (ResetSlave() < 0) noReaction();
    InformationBox(std::string(LoadStr(32)), platform::mb::Ok | platform::mb::IconWarning);
}

int TDebug::ResetAll() {
    auto lock = emulator_.LockLink();
    log("Debug.ResetAll");
    const int result = ResetSlave();
    if (result >= 0 && trace_) {
        trace_->ResetTrace();
        trace_->SetTraceModus(0);
    }
    return result;
}

// ---------------------------------------------------------------- the rest

void TDebug::SetPC(const TBankAdresse& address) {
    auto lock = emulator_.LockLink();
    if (running_) refuse(72);
    // An address marked banked without a bank of its own (bank byte 0xFF, or
    // the all-banks mark) keeps the bank the target runs in. So does an
    // unbanked one where the bank is a register of the target: its 0xFF is
    // no bank number to put there.
    const bool ownBank = address.banked && !address.allBanks && address.bank != BankNone;
    const bool registerBank = bankRegisterFamily();
    if (ownBank || (!address.banked && !registerBank))
        pc_ = address;
    else if (pc_.banked && !pc_.allBanks && pc_.bank != BankNone)
        pc_ = BankedAdresse(pc_.bank, address.offset);
    else
        pc_ = UnbankedAdresse(address.offset);
    emulator_.WriteSfr(TEmulator::SfrPcHigh, static_cast<std::uint8_t>(pc_.offset >> 8));
    emulator_.WriteSfr(TEmulator::SfrPcLow, static_cast<std::uint8_t>(pc_.offset));
    if (!registerBank)
        selectPcBank();
    else if (pc_.banked)
        emulator_.WriteSfr(TEmulator::SfrBank, pc_.bank);
    const auto pcAt = static_cast<std::size_t>(sfr_.PcIndex());
    if (registers_.size() >= pcAt + 2) {
        registers_[pcAt] = static_cast<char>(pc_.offset >> 8);
        registers_[pcAt + 1] = static_cast<char>(pc_.offset);
        const auto bankAt = static_cast<std::size_t>(sfr_.BankIndex());
        if (registerBank && pc_.banked && bankAt < registers_.size()) registers_[bankAt] = static_cast<char>(pc_.bank);
    }
    lookUpLine();
    notify(notify::TargetHalted);
}

void TDebug::SetFlyingTrace(bool on) {
    auto lock = emulator_.LockLink();
    if (on == flying_) refuse(35);
    if (on) {
        emulator_.Schreiben("o");
        flying_ = true;
        if (trace_) trace_->FlyingTraceStarted();
    } else {
        if (trace_) trace_->FlyingTraceStopping();
        emulator_.Schreiben("o");
        flying_ = false;
    }
}

void TDebug::Notify(std::uint8_t code, const void*) {
    switch (code) {
    case notify::SymbolFileFound:
    case notify::ProgramLoaded: lookUpLine(); break;
    case notify::TablesCleared: currentLine_ = nullptr; break;
    case notify::ProcessorChanged: {
        auto lock = emulator_.LockLink();
        if (lastResetSpecial_ && ResetSlave() < 0) noReaction();
        break;
    }
    default: break;
    }
}

}  // namespace tarvex
