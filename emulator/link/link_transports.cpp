// The link's side of its transports: choosing one by the port name, opening
// and closing the handle, and what a transport asks of the link.
#include <algorithm>
#include <cctype>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/messages.hpp"
#include "emulator/link/basis_emulator.hpp"

namespace tarvex {

namespace {

std::string upper(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return s;
}

}  // namespace

class TBasisEmulator::Host final : public TransportHost {
public:
    explicit Host(TBasisEmulator& link) : link_(link) {}

    void log(std::string_view text) override { link_.Protokoll(text); }
    platform::Clock& linkClock() override { return link_.clock_; }
    platform::SettingsStore& linkSettings() override { return link_.settings_; }
    const std::string& portName() const override { return link_.portName_; }
    std::uint16_t portAddress() const override { return link_.portAdresse_; }
    bool portExclusive() const override { return link_.portExclusiv_; }
    std::uint32_t readWriteTimeout() const override { return link_.timeoutReadWrite_; }
    std::uint8_t baudIndex() const override { return link_.currentBaud_; }
    void ensureOpen() override { link_.GetHandle(); }
    void pause(std::uint32_t ms) override { link_.Wait(ms); }
    bool linkBytesAvailable() override { return link_.BytesAvailable(); }
    void busy(int delta) override { link_.busyCount_ += delta; }
    void boardReset() override {
        link_.flashBlock_ = 0;
        link_.flashBlockKnown_ = true;
    }
    void linkBroken() override { link_.SetTimeoutError(true); }
    void recoverLink() override { link_.RecoverUSB(); }
    void fatalError() override { link_.setFatalUsbError(); }

private:
    TBasisEmulator& link_;
};

TBasisEmulator::TBasisEmulator(platform::Clock& clock, platform::SettingsStore& settings)
    : clock_(clock),
      settings_(settings),
      host_(std::make_unique<Host>(*this)),
      serialTransport_(*host_, platform::openSystemSerialPort),
      usbTransport_(*host_),
      parallelTransport_(*host_),
      log_(clock) {}

TBasisEmulator::~TBasisEmulator() {
    try {
        if (handleOpen_) DestroyEmulHandle();
        if (settingsChanged_) SaveSettings();
        log_.setEnabled(false);
        transport_->release();
    } catch (...) {
        // Nothing may escape a destructor; the port is closed either way.
    }
}

void TBasisEmulator::setSerialPortOpener(platform::SerialPortOpener opener) {
    serialTransport_.setOpener(std::move(opener));
}

void TBasisEmulator::setIoSearchDirs(std::string rootDir, std::string registryRootDir) {
    parallelTransport_.setIoSearchDirs(std::move(rootDir), std::move(registryRootDir));
}

[[noreturn]] void TBasisEmulator::transferFailed(const std::string& message) {
    SetTimeoutError(true);
    throw EEmulatorTimeoutError(message);
}

// ---------------------------------------------------------------- choice

void TBasisEmulator::SetPortName(const std::string& name) {
    auto lock = LockLink();
    // Names are kept upper-cased, so "usb" is the same name as "USB".
    const std::string wanted = upper(name);
    if (connectionState_ >= StateIdentified && wanted != portName_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    if (wanted == portName_) return;
    const std::string kind = wanted.substr(0, 3);
    // The transport is bound first: when its library cannot be bound, name,
    // transport and port stay as they were.
    SetInterface(kind == "COM" ? IfSerial : kind == "USB" ? IfUsb : IfParallel);
    if (connectionState_ != StateClosed && handleOpen_) DestroyEmulHandle();
    portName_ = wanted;
    settingsChanged_ = true;
}

void TBasisEmulator::SetPortAdresse(std::uint16_t address) {
    auto lock = LockLink();
    if (connectionState_ >= StateIdentified && address != portAdresse_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    if (address == portAdresse_) return;
    if (handleOpen_) DestroyEmulHandle();
    portAdresse_ = address;
    settingsChanged_ = true;
}

void TBasisEmulator::SetPortExclusiv(bool exclusive) {
    if (interface_ == IfParallel && connectionState_ >= StateIdentified && exclusive != portExclusiv_)
        throw EEmulatorCommError(std::string(LoadResStr(rs::PortChangesNotAllowed)));
    portExclusiv_ = exclusive;
}

void TBasisEmulator::SetPortSettingsForNextStart(const std::string& name, std::uint16_t address, bool exclusive) {
    auto lock = LockLink();
    if (connectionState_ < StateIdentified) {
        pendingPort_.reset();
        SetPortName(name);
        SetPortAdresse(address);
        SetPortExclusiv(exclusive);
        return;
    }
    const std::string wanted = upper(name);
    if (wanted == portName_ && address == portAdresse_ && exclusive == portExclusiv_) {
        pendingPort_.reset();
        return;
    }
    pendingPort_ = PendingPort{wanted, address, exclusive};
    settingsChanged_ = true;
}

Transport& TBasisEmulator::transportFor(std::uint8_t kind) {
    if (plugged_ && pluggedKind_ == kind) return *plugged_;
    switch (kind) {
        case IfSerial: return serialTransport_;
        case IfUsb: return usbTransport_;
        default: return parallelTransport_;
    }
}

void TBasisEmulator::SetInterface(std::uint8_t kind) {
    // Every name that is neither a COM nor the USB port means the parallel
    // port; so does every other kind.
    if (kind != IfSerial && kind != IfUsb) kind = IfParallel;
    if (kind == interface_) return;
    Transport& next = transportFor(kind);
    // A binding that fails changes nothing: the old one is released only
    // once the new one stands.
    next.bind();
    // The open handle belongs to the old transport.
    if (handleOpen_) DestroyEmulHandle();
    transport_->release();
    transport_ = &next;
    transportReleased_ = false;
    interface_ = kind;
    Protokoll("Verbindung=" + std::to_string(kind));
}

void TBasisEmulator::plugTransport(std::uint8_t kind, const TransportMaker& make) {
    auto lock = LockLink();
    if (kind != IfSerial && kind != IfUsb) kind = IfParallel;
    std::unique_ptr<Transport> next = make ? make(*host_) : nullptr;
    Transport* const before = transport_;
    const bool affectsCurrent = kind == interface_ || (plugged_ && pluggedKind_ == interface_);
    if (affectsCurrent && handleOpen_) DestroyEmulHandle();
    // The replaced transport lives until the chosen one is bound, so that a
    // failed binding can put it back.
    std::unique_ptr<Transport> old = std::move(plugged_);
    const std::uint8_t oldKind = pluggedKind_;
    plugged_ = std::move(next);
    pluggedKind_ = kind;
    Transport& after = transportFor(interface_);
    if (&after == before) return;
    try {
        after.bind();
    } catch (...) {
        plugged_ = std::move(old);
        pluggedKind_ = oldKind;
        throw;
    }
    before->release();
    transport_ = &after;
    transportReleased_ = false;
}

void TBasisEmulator::ReleaseTransport() {
    auto lock = LockLink();
    if (handleOpen_) DestroyEmulHandle();
    transport_->release();
    transportReleased_ = true;
}

// ---------------------------------------------------------------- handle

void TBasisEmulator::GetHandle() {
    if (handleOpen_) return;
    CreateEmulHandle();
    ConfigPort();
}

void TBasisEmulator::CreateEmulHandle() {
    Protokoll("CreateEmulHandle");
    if (transportReleased_) {
        transport_->bind();
        transportReleased_ = false;
    }
    transport_->open();
    handleOpen_ = true;
    if (transport_->numbersHandles()) {
        ++handleNumber_;
        Protokoll("CreateEmulHandle=" + Format("%.4x", handleNumber_));
        connectionState_ = StateOpen;
    } else if (rememberedState_ >= StateIdentified) {
        // Reopened by a recovery: the board kept its session.
        connectionState_ = rememberedState_;
        rememberedState_ = StateClosed;
    } else {
        connectionState_ = StateOpen;
    }
    currentBaud_ = 0;
}

void TBasisEmulator::DestroyEmulHandle() {
    Protokoll("DestroyEmulHandle");
    // Only the chosen transport holds a handle; closing the others is a no-op.
    serialTransport_.close();
    parallelTransport_.close();
    usbTransport_.close();
    if (plugged_) plugged_->close();
    handleOpen_ = false;
    connectionState_ = StateClosed;
}

// ---------------------------------------------------------------- configuration

void TBasisEmulator::applyTimeouts() {
    if (!handleOpen_) return;
    transport_->applyTimeouts();
}

void TBasisEmulator::ConfigPort() { transport_->configure(); }

void TBasisEmulator::ConfigLptPort() { parallelTransport_.configure(); }

void TBasisEmulator::ConfigUsbPort() { usbTransport_.configure(); }

void TBasisEmulator::ClearUsbError() { usbTransport_.clearError(); }

void TBasisEmulator::ListUsbDevices() { usbTransport_.listDevices(); }

// ---------------------------------------------------------------- recovery

void TBasisEmulator::RecoverUSB() {
    Protokoll("RecoverUSB");
    ++recoveries_;
    transport_->recover();
    rememberedState_ = connectionState_;
    if (handleOpen_) DestroyEmulHandle();
    clock_.sleepMs(6000);
    GetHandle();
}

void TBasisEmulator::setFatalUsbError() {
    if (fatalUsbError_) return;
    fatalUsbError_ = true;
    Protokoll("Fatal USB ERROR");
    forgetFlashBlock();
    if (handleOpen_) DestroyEmulHandle();
    throw ETarvexAbort(std::string(LoadResStr(rs::FatalUsbError)));
}

// ---------------------------------------------------------------- transfers

std::size_t TBasisEmulator::ReadCom(std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfSerial).read(buffer, count);
}

std::size_t TBasisEmulator::WriteCom(const std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfSerial).write(buffer, count);
}

std::size_t TBasisEmulator::ReadLpt(std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfParallel).read(buffer, count);
}

std::size_t TBasisEmulator::WriteLpt(const std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfParallel).write(buffer, count);
}

std::size_t TBasisEmulator::ReadUSB(std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfUsb).read(buffer, count);
}

std::size_t TBasisEmulator::WriteUSB(const std::uint8_t* buffer, std::size_t count) {
    return transportFor(IfUsb).write(buffer, count);
}

bool TBasisEmulator::BytesAvailable() {
    auto lock = LockLink();
    if (timeoutFlag_ || fatalUsbError_) return false;
    return transport_->bytesAvailable();
}

void TBasisEmulator::flushInput() { transport_->purge(); }

}  // namespace tarvex
