#include "emulator/link/basis_emulator.hpp"

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/messages.hpp"
#include "emulator/link/board_identity.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

std::string byteString(std::initializer_list<std::uint8_t> bytes) {
    std::string s;
    s.reserve(bytes.size());
    for (std::uint8_t b : bytes) s += static_cast<char>(b);
    return s;
}

std::uint8_t firstByte(const std::string& answer) {
    return answer.empty() ? 0 : static_cast<std::uint8_t>(answer[0]);
}

// The identification texts as they stand in the collected text, which
// holds the received bytes newest first.
constexpr std::string_view IdentNewestFirst = "15XEVRAT";
constexpr std::string_view IdentOldNewestFirst = "  XEVRAT";
constexpr std::size_t VersionLength = 4;
constexpr std::size_t IdentLength = 8;

}  // namespace

// ---------------------------------------------------------------- log

void TBasisEmulator::Protokoll(std::string_view text, std::string_view data, std::uint32_t mask) {
    log_.write(text, data, mask);
}

void TBasisEmulator::ProtokollSys(std::string_view text, std::string_view data) {
    if (sysProtokollieren_ && quietData_ == 0) log_.write(text, data, ProtocolLog::AllClasses);
}

void TBasisEmulator::SetProtokollieren(bool on) {
    if (on == log_.enabled()) return;
    settingsChanged_ = true;
    log_.setEnabled(on);
}

void TBasisEmulator::SetSysProtokollieren(bool on) {
    if (on == sysProtokollieren_) return;
    sysProtokollieren_ = on;
    settingsChanged_ = true;
    SetProtokollieren(on);
}

// ---------------------------------------------------------------- command layer

std::size_t TBasisEmulator::Schreiben(std::string_view command) {
    auto lock = LockLink();
    if (timeoutFlag_ || fatalUsbError_) return 0;
    if (command.size() > MaxCommandLength) {
        // Nothing goes out: a cut command would leave the board taking the
        // next commands as its missing bytes, and on USB and the parallel
        // port no reset line brings it back.
        Protokoll(Format("WRITE FEHLER (Soll: %d/Ist: %d): ", command.size(), 0), command);
        throw EEmulatorError(Format("Command of %d bytes refused: at most %d bytes go out in one write",
                                    command.size(), MaxCommandLength));
    }
    // While the target runs its stop byte is owed; in the handshake the
    // answers of earlier polls.
    CheckUnrequested();
    const auto* data = reinterpret_cast<const std::uint8_t*>(command.data());
    const std::size_t written = transport_->write(data, command.size());
    if (written < command.size()) {
        SetTimeoutError(true);
        Protokoll(Format("WRITE FEHLER (Soll: %d/Ist: %d): ", command.size(), written), command);
        throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError)));
    }
    ProtokollSys("WRITE: ", command);
    return written;
}

TBasisEmulator::Bytes TBasisEmulator::Lesen(std::size_t count) {
    auto lock = LockLink();
    Bytes answer = readExactly(count);
    if (answer.size() == count && count > 0) requireAnswerEnded(answer);
    return answer;
}

TBasisEmulator::Bytes TBasisEmulator::LesenTeil(std::size_t count) {
    auto lock = LockLink();
    return readExactly(count);
}

void TBasisEmulator::requireAnswerEnded(const Bytes& answer) {
    // While the target runs its stop byte may come right behind any answer,
    // and in the handshake the answers of earlier polls do.
    if (handshaking_ || targetRunning_ || timeoutFlag_ || fatalUsbError_ || !handleOpen_) return;
    if (!transport_->bytesAvailable()) return;
    // A failed status query ends in a recovery, which empties the queue.
    if (!handleOpen_ || timeoutFlag_ || fatalUsbError_) return;
    // An answer longer than asked, or bytes the board sent on its own just
    // now: which bytes answer what is no longer known.
    ++discards_;
    SetTimeoutError(true);
    Protokoll(Format("READ FEHLER (Soll: %d, danach weitere Bytes): ", answer.size()), answer);
    throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError)));
}

TBasisEmulator::Bytes TBasisEmulator::readExactly(std::size_t count) {
    Bytes answer;
    if (timeoutFlag_ || fatalUsbError_) return answer;
    answer.resize(count);
    auto* data = reinterpret_cast<std::uint8_t*>(answer.data());
    const std::size_t got = transport_->read(data, std::min<std::size_t>(count, 255));
    answer.resize(std::min(got, count));
    if (answer.size() < count) {
        SetTimeoutError(true);
        Protokoll(Format("READ FEHLER (Soll: %d/Ist: %d): ", count, answer.size()), answer);
        throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError)));
    }
    ProtokollSys("READ: ", answer);
    return answer;
}

TBasisEmulator::Bytes TBasisEmulator::LesenOptional(std::size_t count) {
    auto lock = LockLink();
    Bytes answer;
    if (timeoutFlag_ || fatalUsbError_) return answer;
    answer.resize(count);
    auto* data = reinterpret_cast<std::uint8_t*>(answer.data());
    const std::size_t got = transport_->read(data, std::min<std::size_t>(count, 255));
    answer.resize(std::min(got, count));
    ProtokollSys("READ: ", answer);
    return answer;
}

bool TBasisEmulator::DiscardUnrequested() {
    auto lock = LockLink();
    if (timeoutFlag_ || fatalUsbError_ || !handleOpen_ || !transport_->bytesAvailable()) return false;
    // A failed status query ends in a recovery, which closes the handle.
    if (!handleOpen_ || timeoutFlag_ || fatalUsbError_) return false;
    ++discards_;
    Protokoll("Unangeforderte Bytes verworfen");
    transport_->purge();
    return true;
}

void TBasisEmulator::Wait(std::uint32_t ms) {
    if (!transport_->pausesOnClock()) return;
    clock_.sleepMs(ms);
}

std::uint8_t TBasisEmulator::ReadI(std::uint8_t address) {
    auto lock = LockLink();
    Schreiben(byteString({'R', 'I', 0x00, address}));
    return firstByte(Lesen(1));
}

void TBasisEmulator::WriteI(std::uint8_t address, std::uint8_t value) {
    Schreiben(byteString({'W', 'I', 0x00, address, value}));
}

std::uint8_t TBasisEmulator::ReadN(std::uint16_t address) {
    auto lock = LockLink();
    Schreiben("RN" + WordToBytes(address));
    return firstByte(Lesen(1));
}

void TBasisEmulator::WriteN(std::uint16_t address, std::uint8_t value) {
    Schreiben("WN" + WordToBytes(address) + static_cast<char>(value));
}

std::uint8_t TBasisEmulator::ReadV(std::uint16_t index) {
    auto lock = LockLink();
    Schreiben("RV" + WordToBytes(index));
    return firstByte(Lesen(1));
}

void TBasisEmulator::WriteV(std::uint16_t index, std::uint8_t value) {
    Schreiben("WV" + WordToBytes(index) + static_cast<char>(value));
}

TBasisEmulator::Bytes TBasisEmulator::FrameLesen(std::uint32_t counter, std::uint8_t count) {
    auto lock = LockLink();
    Protokoll("FrameLesen Counter=" + Format("%.4x", counter) + " Anz=" + Format("%.2x", count));
    if (profile_.frameCommand == FrameCommand::OneFrame) {
        // This form carries no count, and the board answers it with one
        // frame: a frame per command, or the frames beyond the first would
        // be waited for in vain and then answer the next commands.
        Bytes frames;
        for (std::uint8_t i = 0; i < count && !timeoutFlag_; ++i) {
            Schreiben("n" + WordToBytes(static_cast<std::uint16_t>(counter + i)));
            frames += Lesen(traceFrameSize_);
        }
        return frames;
    }
    std::string command = "n";
    if (profile_.frameCommand == FrameCommand::Counter24) {
        command += static_cast<char>((counter >> 16) & 0xFF);
        command += WordToBytes(static_cast<std::uint16_t>(counter));
    } else {
        command += WordToBytes(static_cast<std::uint16_t>(counter));
    }
    command += static_cast<char>(count);
    Schreiben(command);
    return Lesen(static_cast<std::size_t>(count) * traceFrameSize_);
}

std::uint8_t TBasisEmulator::FlashCommand(std::uint8_t code, std::uint8_t function, std::uint16_t address,
                                          std::uint8_t data) {
    auto lock = LockLink();
    // Erasing a block and writing a byte act on the selected block.
    if (function == 1 || function == 2) requireKnownFlashBlock();
    std::string command(profile_.flashCommand);
    command += static_cast<char>(code);
    command += static_cast<char>(function);
    command += WordToBytes(address);
    command += static_cast<char>(data);
    if (function == 1) {
        // Erasing a block takes the board far longer than any other answer.
        RaisedTimeout raised(*this, 20000);
        Schreiben(command);
        const Bytes answer = Lesen(1);
        return answer.empty() ? 0xFF : static_cast<std::uint8_t>(answer[0]);
    }
    Schreiben(command);
    return firstByte(Lesen(1));
}

std::uint8_t TBasisEmulator::IapInfo() {
    if (iapInfo_ == 0) iapInfo_ = FlashCommand(0x16, 0, 0, 0);
    return iapInfo_;
}

std::uint8_t TBasisEmulator::IAPBlockErase(std::uint8_t block) {
    auto lock = LockLink();
    std::uint16_t address = 0x4000;
    if (block == 0) {
        address = 0x0000;
        FlashBlockSwitch(1);
    } else {
        if (block == 1) address = 0x2000;
        FlashBlockSwitch(0);
    }
    if (IapInfo() == 88) return 0;
    ProtokollSys("IAP Block Erase " + Format("%.4x", address));
    return FlashCommand(0x16, 1, address, 0);
}

std::uint8_t TBasisEmulator::FlashBlockTransfer(std::uint16_t address, std::string_view bytes) {
    auto lock = LockLink();
    const std::size_t count = bytes.size();
    // The count goes out in one byte and the block in one write: cutting it
    // would report a block as written that was not.
    if (count > MaxFlashBlock)
        throw EEmulatorError(
            Format("Flash block of %d bytes refused: at most %d bytes per block", count, MaxFlashBlock));
    requireKnownFlashBlock();
    const std::string reversed(bytes.rbegin(), bytes.rend());
    if (!profile_.byteWiseTransfer) {
        std::string header = "bFlC";
        header += static_cast<char>(count);
        header += byteString({0x16, 0x02});
        header += WordToBytes(address);
        Schreiben(header);
        Schreiben(reversed);
        return firstByte(Lesen(1));
    }
    const auto last = static_cast<std::uint16_t>(address + count - 1);
    std::string header(profile_.transferCommand);
    header += static_cast<char>(count);
    header += byteString({0x16, 0x02});
    header += WordToBytes(last);
    Schreiben(header);
    std::uint8_t answerByte = 0;
    for (std::size_t i = 0; i < count; ++i) {
        Schreiben(reversed.substr(i, 1));
        const Bytes answer = Lesen(1);
        if (answer.empty()) return 0;
        answerByte = static_cast<std::uint8_t>(answer[0]);
        if (answerByte != 0x00 && answerByte != 0xF0) {
            if (i + 1 < count) {
                // The board still waits for the rest of the block and would
                // take the next commands as flash data: the link is broken.
                const auto refused = static_cast<std::uint16_t>(last - i);
                Protokoll(Format("FlashBlockTransfer abgebrochen nach %d/%d Bytes", i + 1, count));
                SetTimeoutError(true);
                throw EFlashTransferError(
                    Format("Flash write failed at %.4x (byte %d of %d): the emulator answered %.2x", refused, i + 1,
                           count, answerByte) +
                        "\r\n" + std::string(LoadResStr(rs::CommunicationError)),
                    answerByte, refused, i + 1, count);
            }
            break;
        }
    }
    return answerByte;
}

void TBasisEmulator::FlashBlockSwitch(std::uint8_t block) {
    auto lock = LockLink();
    if (!flashBlockKnown_ && !flashBlockRecoverySent_ && profile_.flashBlocks && !timeoutFlag_ && !fatalUsbError_) {
        // After a reconnect without a board reset the board's block is not
        // known. On the serial port the write reopens the port and resets
        // the board; elsewhere "y 04" is taken to select block 0 (our
        // board's choice, not a fact of every firmware): good enough for
        // reading, never for writing the flash.
        Protokoll("Flash-Block zuruecksetzen");
        Schreiben(byteString({'y', 0x04}));
        Wait(50);
        flashBlock_ = 0;
        flashBlockRecoverySent_ = true;
    }
    if (block == flashBlock_) return;
    flashBlock_ = block;
    if (profile_.flashBlocks) {
        Protokoll("Flash-Block umschalten: " + std::to_string(block));
        Schreiben("z");
    }
}

void TBasisEmulator::forgetFlashBlock() {
    flashBlock_ = 0;
    flashBlockKnown_ = false;
    flashBlockRecoverySent_ = false;
}

void TBasisEmulator::requireKnownFlashBlock() {
    // Nothing goes out while the link is broken; and the oldest boards have
    // no block to choose.
    if (flashBlockKnown_ || !profile_.flashBlocks || timeoutFlag_ || fatalUsbError_) return;
    // The serial port's next open resets the board into a known block.
    if (transport_->resetsBoardOnConfigure() && !handleOpen_) GetHandle();
    if (flashBlockKnown_) return;
    throw EEmulatorError(
        "Flash block of the emulator not known after a connection error: the flash is not written.\r\n"
        "Switch the emulator off and on and start the debugger again.");
}

void TBasisEmulator::EnableExtReset() {
    if (extResetEnable_) WriteN(0xF500, extResetMode_ ? 3 : 1);
}

void TBasisEmulator::DisableExtReset() {
    Protokoll("Disable ExtReset");
    WriteN(0xF500, 0);
}

void TBasisEmulator::TransmitT6InternalClock() {
    if (!profile_.internalClock || connectionState_ < StateStarting) return;
    auto lock = LockLink();
    Protokoll("TransmitT6InternalClock");
    const auto& row = InternalClockTable()[internalClock_ < ClockRowCount ? internalClock_ : 9];
    if (targetRunning_) Schreiben("o");
    WriteN(0xF800, row.bytes[0]);
    WriteN(0xF801, row.bytes[1]);
    WriteN(0xF802, row.bytes[2]);
    if (targetRunning_) Schreiben("o");
}

void TBasisEmulator::SetInternalClock(std::uint8_t index) {
    if (index >= ClockRowCount || index == internalClock_) return;
    internalClock_ = index;
    TransmitT6InternalClock();
}

std::uint8_t TBasisEmulator::WriteHardwareId(std::uint8_t id) {
    const std::uint8_t answer = FlashCommand(0x16, 2, 0x3FFC, id);
    hardwareId_ = id;
    return answer;
}

std::string TBasisEmulator::GetSeriennummerText() const { return SerialNumberText(serialNumber_, hardwareId_); }

void TBasisEmulator::ReadSeriennummer() {
    auto lock = LockLink();
    auto resultLine = [this] {
        Protokoll("Seriennummer+HW-Kennung+Version: " + GetSeriennummerText() + "." +
                  Format("%.2x", deviceVersion_));
    };
    auto deviceVersion = [this] {
        const std::uint8_t v = FlashCommand(0x16, 3, 0x3FF8, 0);
        deviceVersion_ = v > 254 ? 0 : v;
    };
    if (profile_.serialSource == SerialSource::None) {
        serialNumber_ = NoSerialNumber;
        hardwareId_ = 0;
    } else if (profile_.serialSource == SerialSource::FlashCells && flashBlock_ == 0) {
        Protokoll("Get Seriennummer+HW-Kennung+Version");
        std::uint8_t hi = FlashCommand(0x16, 3, 0x3FFD, 0);
        if (hi > 254) hi = 0;
        const std::uint8_t lo = FlashCommand(0x16, 3, 0x3FFE, 0);
        serialNumber_ = (static_cast<std::uint32_t>(hi) << 8) | lo;
        if (serialNumber_ == 255) serialNumber_ = 65535;
        hardwareId_ = FlashCommand(0x16, 3, 0x3FFC, 0);
        deviceVersion();
        resultLine();
    } else if (profile_.serialSource == SerialSource::Command && flashBlock_ == 1) {
        Protokoll("Get Seriennummer+HW-Kennung+Version");
        Schreiben("k");
        const Bytes answer = Lesen(3);
        if (answer.size() == 3) {
            std::uint8_t hi = static_cast<std::uint8_t>(answer[0]);
            if (hi > 254) hi = 0;
            serialNumber_ = (static_cast<std::uint32_t>(hi) << 8) | static_cast<std::uint8_t>(answer[1]);
            hardwareId_ = static_cast<std::uint8_t>(answer[2]);
        }
        deviceVersion();
        resultLine();
    }
}

void TBasisEmulator::SetGeraet(std::uint8_t generation) {
    if (generation == profile_.generation) return;
    setProfile(profile_.code, generation);
    hardwareName_ = GeraetName(generation);
}

void TBasisEmulator::CheckEpromVersion() {
    const std::uint8_t code = VersionCode(epromVersion_);
    setProfile(code, profile_.generation);
    ReadSeriennummer();
    const std::uint8_t generation = LinkProfile::GenerationOf(code);
    if (generation == LinkProfile::NoGeneration)
        throw ETarvexAbort(FmtResStr(rs::EpromVersionNotSupported, epromVersion_));
    SetGeraet(generation);
    // A 4.0x board that holds a device version is the later firmware.
    if (code == 13 && deviceVersion_ != 0) {
        setProfile(14, profile_.generation);
        epromVersion_ = "4.0" + std::to_string(deviceVersion_ + 1);
    }
}

void TBasisEmulator::InitEmulStart() {
    FlashBlockSwitch(1);
    if (profile_.serialAtStart) ReadSeriennummer();
    connectionState_ = StateReady;
}

// ---------------------------------------------------------------- start

void TBasisEmulator::Startup() {
    auto lock = LockLink();
    Protokoll("Startup");
    SetTimeoutError(false);
    // A new start is the user's answer to a fatal USB error: try again.
    fatalUsbError_ = false;
    if (pendingPort_) {
        // The port chosen while the board was in use: the old one is let go.
        const PendingPort pending = *pendingPort_;
        if (handleOpen_ || connectionState_ != StateClosed) DestroyEmulHandle();
        pendingPort_.reset();
        SetPortName(pending.name);
        SetPortAdresse(pending.address);
        SetPortExclusiv(pending.exclusive);
    }
    transport_->prepareStart();
    InitStringEinlesen();
    CheckEpromVersion();
    SwitchBaudRate();
    connectionState_ = StateStarted;
    InitEmulStart();
    Protokoll("Startup ENDE");
}

void TBasisEmulator::InitStringEinlesen() {
    auto lock = LockLink();
    platform::NoticeWindow& notice = *platform::currentUi().notice;
    notice.show(std::string(LoadResStr(rs::InitializingCommunication)));
    struct CloseNotice {
        platform::NoticeWindow& n;
        ~CloseNotice() { n.close(); }
    } closeNotice{notice};
    Busy busy(*this);
    struct Handshaking {
        bool& on;
        explicit Handshaking(bool& flag) : on(flag) { on = true; }
        ~Handshaking() { on = false; }
    } handshaking{handshaking_};
    Protokoll("InitStringEinlesen");

    std::string collected;  // newest byte first
    platform::Deadline deadline(clock_, timeoutInitString_);
    std::uint64_t recoveries = recoveries_;
    // The board answers every poll with one byte.
    std::size_t polls = 0;
    bool identified = false;
    for (;;) {
        try {
            Schreiben("x");
            ++polls;
        } catch (const EEmulatorCommError& e) {
            std::string message = e.message();
            if (e.errorCode() == 1) {
                message += "\r\n " + std::string(LoadResStr(rs::PlugInUsb));
            } else if (e.errorCode() != 2) {
                message += "\r\n " + FmtResStr(rs::EmulatorNotReady, portName_);
            }
            throw EEmulatorStartError(message, e.errorCode());
        }
        // Not Wait(): on the parallel port that returns at once, and an absent
        // board would be flooded with polls until the time-out.
        clock_.sleepMs(50);
        if (BytesAvailable()) {
            const Bytes b = Lesen(1);
            collected.insert(0, b);
        }
        // The version is the four bytes before the identification: only
        // with all twelve in hand is the start a success.
        if (collected.size() >= IdentLength + VersionLength) {
            const std::string_view head(collected.data(), IdentLength);
            if (head == IdentNewestFirst || head == IdentOldNewestFirst) {
                identified = true;
                break;
            }
        }
        // A USB recovery takes longer than the whole handshake may: the
        // board reopened after it gets its full time again.
        if (recoveries_ != recoveries) {
            recoveries = recoveries_;
            deadline = platform::Deadline(clock_, timeoutInitString_);
        }
        if (deadline.expired() || timeoutFlag_ || fatalUsbError_) break;
    }
    if (!identified) {
        SetTimeoutError(true);
        Protokoll("ABBRUCH InitStringEinlesen: Timeout");
        Protokoll("InitString bisher gelesen: \"" + collected + "\"");
        throw EEmulatorStartError(FmtResStr(rs::EmulatorNotReady, portName_));
    }
    epromVersion_.clear();
    for (std::size_t pos = IdentLength + VersionLength; pos > IdentLength; --pos) epromVersion_ += collected[pos - 1];
    connectionState_ = StateIdentified;
    SetTimeoutError(false);
    Protokoll("InitString eingelesen Version: " + epromVersion_);
    // A board that answers late still owes the answers to the polls sent
    // after the ones that brought the identification; they would come in
    // ahead of the next answers. Each comes within the read time-out, unless
    // it was lost. (The parallel port's board hands each byte over in a
    // handshake of its own and sends nothing unasked.)
    if (transport_->pausesOnClock())
        for (std::size_t owed = polls > collected.size() ? polls - collected.size() : 0; owed > 0; --owed)
            if (LesenOptional(1).empty()) break;
    flushInput();
}

void TBasisEmulator::SwitchBaudRate() {
    if (!transport_->switchesBaudRate() || currentBaud_ == baudRate_) return;
    auto lock = LockLink();
    Protokoll("Baud-Rate setzen");
    static constexpr std::uint8_t codes[] = {0x04, 0x02, 0x00};
    Schreiben(byteString({'y', codes[baudRate_ < 3 ? baudRate_ : 2]}));
    Wait(50);
    if (baudRate_ != 0) transport_->finishBaudSwitch(baudRate_ == 2 ? 0x20 : 0x22);
    currentBaud_ = baudRate_;
    ConfigPort();
    InitStringEinlesen();
}

void TBasisEmulator::ResetMaster() {
    auto lock = LockLink();
    if (connectionState_ < StateIdentified) return;
    Protokoll("ResetMaster");
    FlashBlockSwitch(0);
    Schreiben(byteString({'y', 0x04}));
    Wait(50);
    currentBaud_ = 0;
    // The board is back at the first rate; the port follows it.
    if (transport_->resetsBoardOnConfigure() && handleOpen_) ConfigPort();
    connectionState_ = StateOpen;
}

void TBasisEmulator::Restart() {
    auto lock = LockLink();
    ResetMaster();
    if (handleOpen_) DestroyEmulHandle();
    SetTimeoutError(false);
    Protokoll("Restart");
}

void TBasisEmulator::SetTimeoutError(bool on) {
    auto lock = LockLink();
    timeoutFlag_ = on;
    if (!on) return;
    Protokoll("Timeout ERROR");
    // Nothing is known of the board's flash block until it is reset.
    forgetFlashBlock();
    if (handleOpen_) DestroyEmulHandle();
}

// ---------------------------------------------------------------- settings

void TBasisEmulator::LoadSettings() {
    SetPortName(settings_.readString(RegistryKey, RegistrySection, "Port", "COM1"));
    SetPortAdresse(static_cast<std::uint16_t>(settings_.readInteger(RegistryKey, RegistrySection, "PortAdresse", 888)));
    SetPortExclusiv(settings_.readBool(RegistryKey, RegistrySection, "PortExclusiv", true));
    SetBaudRate(static_cast<std::uint8_t>(settings_.readInteger(RegistryKey, RegistrySection, "BaudRate", 2)));
    const auto positive = [](std::int32_t v, std::uint32_t fallback) {
        return v > 0 ? static_cast<std::uint32_t>(v) : fallback;
    };
    timeoutInitString_ = positive(settings_.readInteger(RegistryKey, RegistrySection, "TimeoutInit", 4000), 4000);
    timeoutReadWrite_ =
        positive(settings_.readInteger(RegistryKey, RegistrySection, "TimeoutReadWrite", 2000), 2000);
    SetSysProtokollieren(settings_.readBool(RegistryKey, RegistrySection, "Protokoll", false));
}

void TBasisEmulator::SaveSettings() {
    settings_.writeString(RegistryKey, RegistrySection, "Port", SavedPortName());
    settings_.writeInteger(RegistryKey, RegistrySection, "PortAdresse", SavedPortAdresse());
    settings_.writeBool(RegistryKey, RegistrySection, "PortExclusiv", SavedPortExclusiv());
    settings_.writeInteger(RegistryKey, RegistrySection, "BaudRate", baudRate_);
    settings_.writeInteger(RegistryKey, RegistrySection, "TimeoutInit", static_cast<std::int32_t>(timeoutInitString_));
    settings_.writeInteger(RegistryKey, RegistrySection, "TimeoutReadWrite",
                           static_cast<std::int32_t>(timeoutReadWrite_));
    settings_.writeBool(RegistryKey, RegistrySection, "Protokoll", sysProtokollieren_);
    settingsChanged_ = false;
}

void TBasisEmulator::SetBaudRate(std::uint8_t index) {
    if (index > 2) index = 2;
    if (index == baudRate_) return;
    baudRate_ = index;
    settingsChanged_ = true;
}

void TBasisEmulator::SetTimeoutInitString(std::uint32_t ms) {
    if (ms == timeoutInitString_) return;
    timeoutInitString_ = ms;
    settingsChanged_ = true;
}

void TBasisEmulator::SetTimeoutReadWrite(std::uint32_t ms) {
    if (ms == timeoutReadWrite_) return;
    timeoutReadWrite_ = ms;
    settingsChanged_ = true;
    applyTimeouts();
}

TBasisEmulator::RaisedTimeout::RaisedTimeout(TBasisEmulator& link, std::uint32_t atLeastMs)
    : link_(link), saved_(link.timeoutReadWrite_) {
    if (saved_ < atLeastMs) {
        link_.timeoutReadWrite_ = atLeastMs;
        link_.applyTimeouts();
    }
}

TBasisEmulator::RaisedTimeout::~RaisedTimeout() {
    if (link_.timeoutReadWrite_ == saved_) return;
    link_.timeoutReadWrite_ = saved_;
    try {
        link_.applyTimeouts();
    } catch (...) {
        // The port is reconfigured at its next open anyway.
    }
}

}  // namespace tarvex
