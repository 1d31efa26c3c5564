#include "emulator/banking.hpp"

#include <algorithm>
#include <cctype>

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "core/value_stream.hpp"
#include "emulator/emulator.hpp"

namespace tarvex {

namespace {

[[noreturn]] void valueError(const char* what) { throw EVokWinValueError(FmtLoadStr(211, what)); }

// The monitor cells that the Dallas banking patch points at the bank
// register: each gets 0x75 and the byte after it 0x93.
constexpr std::uint16_t DallasBankCells[] = {0x7504, 0x7510, 0x751B, 0x7566, 0x75A0, 0x7DDD};
constexpr std::uint16_t DallasVarBankCells[] = {0x7506, 0x7512, 0x751D, 0x7568};
constexpr std::size_t DallasReturnBytes = 10;

bool dallasFamily(int family) { return family == 8 || family == 10 || family == 11 || family == 15; }

// First address line of the port and the number of lines the mode uses.
std::pair<int, int> portLines(int mode) {
    const int first = mode <= 4 ? 2 : mode <= 8 ? 1 : 0;
    switch (mode) {
    case 1: case 2: return {first, 1};
    case 3: case 5: case 6: return {first, 2};
    case 4: case 7: case 9: case 10: return {first, 3};
    case 8: case 11: return {first, 4};
    default: return {0, 0};
    }
}

int parseNumber(const std::string& text) {
    const std::string hex = HexStrNormalize(text);
    if (!hex.empty() && hex.size() <= 9) return static_cast<int>(std::stoul(hex.substr(1), nullptr, 16));
    if (!text.empty() && text.size() <= 9 &&
        std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
        return std::stoi(text);
    return -1;
}

}  // namespace

// ---- EmulatorBankPort

std::uint8_t EmulatorBankPort::ReadSfr(std::uint8_t address) { return emulator_.ReadSfr(address); }

void EmulatorBankPort::WriteSfr(std::uint8_t address, std::uint8_t value) {
    auto lock = emulator_.LockLink();
    emulator_.WriteSfr(address, value);
    emulator_.Wait(20);
}

std::uint8_t EmulatorBankPort::ReadXdataByte(std::uint16_t address) {
    auto lock = emulator_.LockLink();
    emulator_.Schreiben(std::string("DE\x01", 3) + WordToBytes(address));
    const auto answer = emulator_.Lesen(1);
    return answer.empty() ? 0 : static_cast<std::uint8_t>(answer[0]);
}

void EmulatorBankPort::WriteXdataByte(std::uint16_t address, std::uint8_t value) {
    auto lock = emulator_.LockLink();
    emulator_.Schreiben(std::string("PE\x01", 3) + WordToBytes(address));
    emulator_.Lesen(1);
    emulator_.Schreiben(std::string(1, static_cast<char>(value)));
    emulator_.Wait(10);
}

// ---- Tables

int TBanking::MaxBankOfMode(int mode) {
    switch (mode) {
    case 1: case 2: return 1;
    case 3: case 5: case 6: return 3;
    case 4: case 7: case 9: case 10: return 7;
    case 8: case 11: return 15;
    default: return 255;
    }
}

int TBanking::DefaultBankOfMode(int mode) {
    switch (mode) {
    case 1: case 2: case 5: case 6: case 9: case 10: return 1;
    case 3: case 7: case 11: return 3;
    case 4: case 8: return 7;
    default: return 255;
    }
}

bool TBanking::ModeAllowed(int version, int mode) {
    if (mode == 0) return version >= 0 && version <= 5;
    switch (version) {
    case 0: return mode == 1;
    case 1: return mode >= 2 && mode <= 4;
    case 2: return mode == 5;
    case 3: return mode >= 6 && mode <= 8;
    case 4: return mode == 9;
    case 5: return mode == 10 || mode == 11;
    default: return false;
    }
}

std::uint8_t TBanking::ModeGroup(int mode) {
    switch (mode) {
    case 1: case 2: case 5: case 6: case 9: case 10: return 8;
    case 3: case 7: case 11: return 16;
    case 4: case 8: return 24;
    default: return 0;
    }
}

int TBanking::HardwareBankFor(int mode, int generation, int kind, int bank) {
    if (kind == KindMonitor) return 7;
    if (kind == KindDirect) return bank;
    const bool pellunar = kind == KindPellunar;
    switch (mode) {
    case 0: return (kind == KindCode || kind == KindReset) && generation != 0 ? 6 : 7;
    case 1: case 5: case 9: return bank == 0 ? 3 : bank == 1 ? 2 : -1;
    case 2: case 6: case 10:
        if (bank < 0 || bank > 1) return -1;
        return pellunar ? 7 - bank : 3 - bank;
    case 3: case 7: case 11:
        if (bank < 0 || bank > 3) return -1;
        return pellunar ? 7 - bank : 3 - bank;
    case 4: case 8: return bank >= 0 && bank <= 7 ? 7 - bank : -1;
    default: return -1;
    }
}

// ---- Life cycle

TBanking::TBanking(TEmulator& emulator, INotifier& notifier)
    : emulator_(emulator), notifier_(notifier), ownPort_(std::make_unique<EmulatorBankPort>(emulator)) {
    port_ = ownPort_.get();
}

TBanking::~TBanking() = default;

void TBanking::SetPortAccess(IBankPortAccess* access) { port_ = access ? access : ownPort_.get(); }

std::uint8_t TBanking::state() const { return emulator_.ConnectionState(); }
int TBanking::generation() const { return emulator_.Generation(); }
int TBanking::family() const { return emulator_.ProzessorTyp(); }

int TBanking::MaxVarBank() const { return !varBanking_ || dallasVarBank_ ? 255 : MaxBank(); }
int TBanking::HardwareBankLimit() const { return emulator_.Profile().hardwareBankLimit; }

void TBanking::SetDefaults() {
    LockUpdate(true);
    SetBankingVersion(emulator_.Profile().bankingVersionParity == 1 ? 1 : 0);
    SetBankingMode(0);
    resetBank_ = 255;
    sfrPort_ = 0x90;
    xdataPort_ = 0x1234;
    bits_ = {4, 3, 0, 1, 2};
    dallasBanking_ = false;
    varBanking_ = false;
    dallasVarBank_ = false;
    xdataPortFlag_ = false;
    traceBankOffset_ = 0;
    areaStart_ = 0;
    areaEnd_ = 0xFFFF;
    changed();
    LockUpdate(false);
}

// ---- Bank selection

int TBanking::effectiveBank(const TBankAdresse& a) const {
    // The common area and unbanked code lie in whatever bank is selected.
    if (a.banked && !a.allBanks) return a.bank;
    if (codeBank_ != 255) return codeBank_;
    const int d = DefaultBankOfMode(mode_);
    return d == 255 ? 0 : d;
}

TBankAdresse TBanking::PhysicalAddress(const TBankAdresse& a) const {
    if (mode_ == 0) return a;
    const int bank = effectiveBank(a);
    if (mode_ >= 5 && mode_ <= 8) {
        if (a.offset < 0x8000) return BankedAdresse(0, a.offset);
        const auto offset = static_cast<std::uint16_t>(bank % 2 == 0 ? a.offset - 0x8000 : a.offset);
        return BankedAdresse(static_cast<std::uint8_t>(bank >> 1), offset);
    }
    if (mode_ >= 9) {
        // Four 16 KB banks per hardware bank, the banked window from 0x4000.
        if (a.offset < 0x4000) return BankedAdresse(0, a.offset);
        const auto offset = static_cast<std::uint16_t>((bank & 3) * 0x4000 + (a.offset & 0x3FFF));
        return BankedAdresse(static_cast<std::uint8_t>(bank >> 2), offset);
    }
    return BankedAdresse(static_cast<std::uint8_t>(bank), a.offset);
}

std::uint32_t TBanking::MappedRun(std::uint16_t offset) const {
    if (mode_ >= 9) return 0x4000u - (offset & 0x3FFFu);
    if (mode_ >= 5 && offset < 0x8000) return 0x8000u - offset;
    return 0x10000u - offset;
}

TBankAdresse TBanking::TraceAddress(int mode, const TBankAdresse& physical) {
    if (!physical.banked || physical.allBanks) return physical;
    const std::uint16_t o = physical.offset;
    if (mode >= 5 && mode <= 8)
        return BankedAdresse(static_cast<std::uint8_t>(physical.bank * 2 + (o >= 0x8000 ? 1 : 0)),
                             static_cast<std::uint16_t>(o | 0x8000));
    if (mode >= 9 && mode <= 11)
        return BankedAdresse(static_cast<std::uint8_t>(physical.bank * 4 + (o >> 14)),
                             static_cast<std::uint16_t>(0x4000 | (o & 0x3FFF)));
    return physical;
}

TBankAdresse TBanking::NormalizeAddress(const TBankAdresse& a) const {
    if (mode_ == 0 || !a.banked || a.allBanks) return a;
    const std::uint16_t start = BankedAreaStart();
    if ((start != 0 && a.offset < start) || a.offset > BankedAreaEnd()) return AllBanksAdresse(a.offset);
    return a;
}

void TBanking::CheckNoBanking() const {
    if (mode_ != 0) throw ESelectError(std::string(LoadStr(85)));
}

std::vector<TBankAdresse> TBanking::PrepareAccess(const TBankAdresse& a) const {
    std::vector<TBankAdresse> out;
    if (mode_ < 5) return out;
    const std::uint16_t window = mode_ <= 8 ? 0x8000 : 0x4000;
    const bool bankZero = a.banked && !a.allBanks && a.bank == 0;
    if (a.offset >= window && !bankZero) return out;
    const auto low = static_cast<std::uint16_t>(a.offset & (window - 1));
    for (int b = 0; b <= MaxBank(); ++b) out.push_back(BankedAdresse(static_cast<std::uint8_t>(b), low));
    out.push_back(BankedAdresse(0, static_cast<std::uint16_t>(low | window)));
    return out;
}

std::vector<TBankAdresse> TBanking::CodeAliases(const TBankAdresse& a) const {
    std::vector<TBankAdresse> out;
    if (mode_ < 5 || !a.banked) return out;
    const TBankAdresse place = PhysicalAddress(a);
    const std::uint32_t step = mode_ <= 8 ? 0x8000 : 0x4000;
    for (int b = 0; b <= MaxBank(); ++b)
        for (std::uint32_t o = a.offset & (step - 1); o <= 0xFFFF; o += step) {
            const TBankAdresse c = BankedAdresse(static_cast<std::uint8_t>(b), static_cast<std::uint16_t>(o));
            if (c != a && PhysicalAddress(c) == place) out.push_back(c);
        }
    return out;
}

void TBanking::putPort(int bank) {
    const std::uint8_t value = portValues_[static_cast<std::size_t>(bank & 15)];
    auto lock = emulator_.LockLink();
    if (xdataPortFlag_) {
        const std::uint8_t old = port_->ReadXdataByte(xdataPort_);
        port_->WriteXdataByte(xdataPort_, static_cast<std::uint8_t>((old & ~portMask_) | value));
        const auto cell = static_cast<std::uint16_t>(0x7A00 + sfrPort_);
        const std::uint8_t ram = emulator_.ReadN(cell);
        emulator_.WriteN(cell, static_cast<std::uint8_t>((ram & ~portMask_) | value));
    } else {
        const std::uint8_t old = port_->ReadSfr(sfrPort_);
        port_->WriteSfr(sfrPort_, static_cast<std::uint8_t>((old & ~portMask_) | value));
    }
}

void TBanking::SetBank(int kind, const TBankAdresse& address) {
    const bool xdata = kind == KindXdata && varBanking_;
    // The pellunar area and direct accesses put their hardware bank with
    // WriteBank themselves.
    if (kind != KindCode && kind != KindReset && kind != KindMonitor && !xdata) return;
    auto lock = emulator_.LockLink();
    int bank = kind == KindCode ? effectiveBank(address) : address.bank;
    if (xdata) bank = std::min(bank, MaxVarBank());
    else if (kind == KindCode) bank = std::min(bank, MaxBank());
    else if (kind == KindReset || kind == KindMonitor) bank = std::min(bank, HardwareBankLimit());
    const auto b = static_cast<std::uint8_t>(bank);
    if (dallasBanking_ && kind == KindCode && b != codeBank_) {
        emulator_.Log("BankSetzen Codebank: " + std::to_string(b));
        emulator_.WriteN(0x7602, b);
        codeBank_ = b;
    } else if (dallasVarBank_ && xdata && b != varBank_) {
        emulator_.Log("BankSetzen Varbank: " + std::to_string(b));
        for (std::uint16_t cell : DallasVarBankCells) emulator_.WriteN(cell, b);
        varBank_ = b;
    } else if ((kind == KindCode || xdata) && b != codeBank_ && mode_ != 0) {
        emulator_.Log((kind == KindCode ? "BankSetzen CodeBank: " : "BankSetzen VarBank: ") + std::to_string(b));
        putPort(b);
        codeBank_ = b;
    }
    TBankAdresse logical = address;
    if (kind == KindCode || xdata) logical = BankedAdresse(b, address.offset);
    const TBankAdresse physical = kind == KindCode ? PhysicalAddress(logical) : logical;
    WriteBank(kind, HardwareBankLimit() & physical.bank);
}

void TBanking::WriteBank(int kind, int bank) {
    const bool xdata = kind == KindXdata && varBanking_;
    if (kind != KindCode && kind != KindReset && kind != KindMonitor && kind != KindDirect &&
        kind != KindPellunar && !xdata)
        return;
    const int hw = HardwareBankFor(mode_, generation(), kind, bank);
    if (hw < 0 || hw > 7) {
        if (xdata) return;
        valueError("Bank number");
    }
    if (hw == hwBank_) return;
    control_ = static_cast<std::uint8_t>((control_ & 0xF8) | hw);
    hwBank_ = static_cast<std::uint8_t>(hw);
    if (state() >= TBasisEmulator::StateStarting) {
        emulator_.Log("BankSetzenDirekt Hardwarebank: " + std::to_string(hw));
        sendControl();
    }
}

void TBanking::sendControl() { emulator_.WriteN(ControlAddress, control_); }

// ---- Update bracket and settings

void TBanking::buildPortTable() {
    portMask_ = 0;
    portValues_.fill(0);
    const auto [first, count] = portLines(mode_);
    for (int i = 0; i < count; ++i) {
        const auto bit = static_cast<std::uint8_t>(1u << bits_[static_cast<std::size_t>(first + i)]);
        portMask_ |= bit;
        for (std::size_t b = 0; b < portValues_.size(); ++b)
            if ((b >> i) & 1u) portValues_[b] |= bit;
    }
}

void TBanking::LockUpdate(bool begin) {
    if (begin) {
        ++depth_;
        return;
    }
    if (depth_ > 1) {
        --depth_;
        return;
    }
    const bool wasChanged = changed_;
    depth_ = 0;
    changed_ = false;
    if (!wasChanged) return;
    buildPortTable();
    if (state() < TBasisEmulator::StateStarting) return;
    WriteBank(KindCode, DefaultBankOfMode(mode_));
    notifier_.send(NotifyBankingChanged, this);
    IRunControlPart* run = emulator_.Parts().runControl;
    if (run && run->ResetSlave() < 0) throw ETarvexResetError(std::string(LoadResStr(rs::NoReactionOfTarget)));
}

void TBanking::SetBankingVersion(int version) {
    if (version < 0 || version > 5) valueError("Banking mode");
    if (version == version_) return;
    LockUpdate(true);
    static constexpr int carry[6][2] = {{2, 1}, {1, 2}, {6, 5}, {5, 6}, {10, 9}, {9, 10}};
    const int carried = mode_ == carry[version][0] ? carry[version][1] : 0;
    version_ = version;
    if (!ModeAllowed(version_, mode_)) {
        mode_ = carried;
        applyModeBits();
    }
    changed();
    LockUpdate(false);
}

void TBanking::applyModeBits() {
    control_ = static_cast<std::uint8_t>((control_ & ~0x18) | ModeGroup(mode_));
    if (mode_ == 0) {
        prevStart_ = 0;
        prevEnd_ = 0xFFFF;
    }
    if (resetBank_ != 255 || mode_ != 0) resetBank_ = mode_ == 0 ? 255 : std::min(resetBank_, MaxBank());
}

void TBanking::SetBankingMode(int mode) {
    if (mode < 0 || mode > 15 || !ModeAllowed(version_, mode)) valueError("Banking mode");
    if (mode == mode_) return;
    LockUpdate(true);
    mode_ = mode;
    applyModeBits();
    changed();
    LockUpdate(false);
}

void TBanking::SetResetBankNummer(int bank) {
    const int clamped = mode_ == 0 ? 255 : std::clamp(bank, 0, MaxBank());
    if (clamped == resetBank_) return;
    LockUpdate(true);
    resetBank_ = clamped;
    changed();
    LockUpdate(false);
}

std::string TBanking::SfrPort() const {
    if (registers_)
        if (const TRegister* r = registers_->FindByAddressInKind(0, sfrPort_)) return r->name;
    return ByteToHex(sfrPort_);
}

void TBanking::SetSfrPort(const std::string& text) {
    int value = -1;
    if (registers_)
        if (const TRegister* r = registers_->FindByName(0, text)) value = r->lowAddr;
    if (value < 0) value = parseNumber(text);
    if (value < 0x80 || value > 0xFF) valueError("SFR port");
    LockUpdate(true);
    sfrPort_ = static_cast<std::uint8_t>(value);
    changed();
    LockUpdate(false);
}

std::string TBanking::XdataPort() const { return WordToHex(xdataPort_); }

void TBanking::SetXdataPort(const std::string& text) {
    const std::string hex = HexStrNormalize(text);
    const std::string digits = hex.empty() ? text : hex.substr(1);
    const int value = digits.size() <= 4 ? parseNumber("$" + digits) : -1;
    if (value < 0 || value > 0xFFFF) valueError("Xdata port");
    LockUpdate(true);
    xdataPort_ = static_cast<std::uint16_t>(value);
    changed();
    LockUpdate(false);
}

void TBanking::SetBitNummer(int line, int bit) {
    if (line < 0 || line > 4 || bit < 0 || bit > 7) valueError("Bit number");
    LockUpdate(true);
    bits_[static_cast<std::size_t>(line)] = bit;
    changed();
    LockUpdate(false);
}

void TBanking::SetVarBanking(bool on) {
    LockUpdate(true);
    varBanking_ = on;
    if (!on) dallasVarBank_ = false;
    changed();
    LockUpdate(false);
}

void TBanking::SetU32Size(int size) {
    if (dallasMode_ != DallasStandard || size < 0 || size > 2) return;
    u32Size_ = size;
    static constexpr std::uint8_t bits[3] = {0x00, 0x40, 0x60};
    control_ = static_cast<std::uint8_t>((control_ & ~0x60) | bits[size]);
    if (state() >= TBasisEmulator::StateStarting) {
        emulator_.Log("TransmitU32Size");
        sendControl();
    }
}

std::uint16_t TBanking::BankedAreaStart() const { return mode_ == 0 ? 0 : areaStart_; }
std::uint16_t TBanking::BankedAreaEnd() const { return mode_ == 0 || BankedAreaStart() == 0 ? 0 : areaEnd_; }

void TBanking::SetBankedAreaStart(std::uint16_t start) {
    areaStart_ = mode_ >= 9 ? 0x4000 : mode_ >= 5 ? 0x8000 : start;
    areaChanged();
}

void TBanking::SetBankedAreaEnd(std::uint16_t end) {
    areaEnd_ = mode_ >= 5 ? 0xFFFF : end;
    areaChanged();
}

void TBanking::areaChanged() {
    if (areaStart_ == prevStart_ && areaEnd_ == prevEnd_) return;
    beforeStart_ = prevStart_;
    beforeEnd_ = prevEnd_;
    prevStart_ = areaStart_;
    prevEnd_ = areaEnd_;
    if (state() >= TBasisEmulator::StateStarting && !(depth_ > 0 && changed_)) notifier_.send(NotifyBankedArea, this);
}

void TBanking::setMaxBytes(int bytes) {
    if (bytes == maxBytes_) return;
    maxBytes_ = bytes;
    notifier_.send(NotifyMaxBytes, this);
}

// ---- Dallas

void TBanking::SetDallasAddressingMode(int mode) {
    if (mode < DallasStandard || mode > DallasContiguous) mode = DallasStandard;
    if (mode != DallasStandard && !emulator_.Profile().dallasAddressing) {
        WarningBox(FmtLoadStr(91, emulator_.EpromVersion()), 0);
        mode = DallasStandard;
    }
    const int f = family();
    std::uint8_t bits = 0, mask = 0x40;
    if (!dallasFamily(f)) {
        bits = f == 18 ? 0x40 : 0;
    } else if (mode == DallasPaged) {
        bits = 0x40;
    } else if (mode == DallasContiguous && f == 15) {
        bits = 0xA0;
        mask = 0xE0;
    }
    const auto control = static_cast<std::uint8_t>((control_ & ~mask) | bits);
    const bool change = mode != dallasMode_ || control != control_;
    dallasMode_ = mode;
    control_ = control;
    // Through the setter, so that the monitor loses the banking patch too.
    if (mode == DallasStandard) SetDallasBanking(false);
    setMaxBytes(mode == DallasContiguous ? 4 : 3);
    if (change) TransmitDallasAddressingMode();
}

void TBanking::TransmitDallasAddressingMode() {
    if (state() < TBasisEmulator::StateStarting) return;
    auto lock = emulator_.LockLink();
    emulator_.Log("TransmitDallasAddressingMode");
    sendControl();
    if (dallasMode_ == DallasPaged) dallasReturnPatch();
    else dallasReturnUndo();
}

void TBanking::SetDallasBanking(bool on) {
    if (on == dallasBanking_) return;
    dallasBanking_ = on;
    // The bank the patch selected is not the one the port holds.
    codeBank_ = 255;
    if (state() < TBasisEmulator::StateStarting) {
        dallasPending_ = true;
        return;
    }
    dallasBankingPatch();
}

void TBanking::dallasBankingPatch() {
    dallasPending_ = false;
    auto lock = emulator_.LockLink();
    const bool on = dallasBanking_;
    if (on) emulator_.Log("Banking.PatchDallasBanking");
    emulator_.WriteN(0x7600, on ? 0x75 : 0);
    emulator_.WriteN(0x7601, !on ? 0 : dallasMode_ == DallasPaged ? 0x9C : 0x93);
    for (std::uint16_t cell : DallasBankCells) {
        emulator_.WriteN(cell, on ? 0x75 : 0);
        emulator_.WriteN(static_cast<std::uint16_t>(cell + 1), on ? 0x93 : 0);
    }
}

void TBanking::dallasReturnPatch() {
    emulator_.Log("Banking.DallasPatchRuecksprungAdresse");
    if (!savedDallas_) {
        std::string saved;
        saved += static_cast<char>(emulator_.ReadN(0x7C19));
        saved += static_cast<char>(emulator_.ReadN(0x7C1A));
        const auto block = emulator_.ReadMasterBlock(0x7EF6, DallasReturnBytes);
        if (block.size() == DallasReturnBytes) savedDallas_ = saved + block;
    }
    emulator_.WriteN(0x7C19, 0x06);
    emulator_.WriteN(0x7C1A, emulator_.Profile().dallasReturnJump);
    std::string bytes;
    if (const TMonitorData* data = emulator_.MonitorData())
        for (const auto& line : data->PatchLines("Banking.DallasPatchRuecksprungAdresse", emulator_.FirmwareCode()))
            if (line.address == 0x76F6) bytes = line.bytes;
    if (bytes.size() >= DallasReturnBytes) emulator_.WriteMasterBlock(0x76F6, bytes.substr(0, DallasReturnBytes));
    else emulator_.Log("Banking.DallasPatchRuecksprungAdresse: no monitor bytes");
    emulator_.Log("Banking.DallasPatchRuecksprungAdresse ENDE");
}

void TBanking::dallasReturnUndo() {
    if (!savedDallas_) return;
    emulator_.Log("Banking.DallasPatchResetRuecksprungAdresse");
    const std::string saved = *savedDallas_;
    savedDallas_.reset();
    emulator_.WriteN(0x7C19, static_cast<std::uint8_t>(saved[0]));
    emulator_.WriteN(0x7C1A, static_cast<std::uint8_t>(saved[1]));
    emulator_.WriteMasterBlock(0x7EF6, std::string_view(saved).substr(2));
    emulator_.Log("Banking.DallasPatchResetRuecksprungAdresse ENDE");
}

// ---- Start and reset

void TBanking::applyVersionByGeneration() {
    const int parity = emulator_.Profile().bankingVersionParity;
    if (parity < 0 || version_ % 2 == parity) return;
    SetBankingVersion(parity == 1 ? version_ + 1 : version_ - 1);
}

void TBanking::InitEmulStart() {
    emulator_.Log("Banking.InitEmulStart");
    codeBank_ = varBank_ = hwBank_ = 255;
    if (dallasPending_) dallasBankingPatch();
    applyVersionByGeneration();
    WriteBank(KindCode, DefaultBankOfMode(mode_));
}

void TBanking::PrepareReset() {
    emulator_.Log("Banking PrepareReset");
    if (!emulator_.Profile().bankControlRegister) {
        if (mode_ >= 5 || (mode_ != 0 && dallasFamily(family()))) WriteBank(KindCode, 0);
        else WriteBank(KindCode, DefaultBankOfMode(mode_));
        return;
    }
    emulator_.WriteN(ControlAddress, static_cast<std::uint8_t>(6 | (family() == 15 ? control_ & 0xE0 : 0)));
    hwBank_ = 255;
}

void TBanking::SelectResetBank() { SetBank(KindCode, BankedAdresse(static_cast<std::uint8_t>(resetBank_), 0)); }

void TBanking::HookModeReset() {
    emulator_.Log("Banking.HookModeReset");
    auto lock = emulator_.LockLink();
    const auto c = static_cast<std::uint8_t>(control_ & 0x1F);
    for (std::uint8_t high : {0x60, 0x00, 0x80, 0xE0, 0x60, 0x20})
        emulator_.WriteN(ControlAddress, static_cast<std::uint8_t>(c | high));
    control_ = static_cast<std::uint8_t>(c | 0x20);
}

void TBanking::InvalidHardwareBank() {
    emulator_.Log("BankingSupport: InvalidHardwarebank");
    hwBank_ = 255;
    sendControl();
}

void TBanking::Notify(std::uint8_t code, const void*) {
    if (code != NotifyEmulatorState) return;
    if (!ModeAllowed(version_, mode_)) SetBankingMode(0);
    applyModeBits();
    SetDallasAddressingMode(dallasMode_);
}

// ---- Project stream

void TBanking::WriteSettings(ValueWriter& w) const {
    w.WriteInteger(version_);
    w.WriteInteger(mode_);
    w.WriteInteger(resetBank_);
    w.WriteBoolean(xdataPortFlag_);
    w.WriteInteger(sfrPort_);
    w.WriteInteger(xdataPort_);
    for (int bit : bits_) w.WriteInteger(bit);
    w.WriteBoolean(dallasBanking_);
    w.WriteInteger(traceBankOffset_);
    w.WriteInteger(areaStart_);
    w.WriteInteger(areaEnd_);
    w.WriteBoolean(varBanking_);
    w.WriteBoolean(dallasVarBank_);
}

void TBanking::ReadSettings(ValueReader& r, std::int32_t fileVersion) {
    LockUpdate(true);
    try {
        const std::int32_t version = r.ReadInteger();
        const std::int32_t mode = r.ReadInteger();
        SetBankingVersion(version);
        SetBankingMode(mode);
        const std::int32_t reset = r.ReadInteger();
        xdataPortFlag_ = r.ReadBoolean();
        const std::int32_t sfr = r.ReadInteger();
        const std::int32_t xdata = r.ReadInteger();
        if (sfr < 0 || sfr > 0xFF || xdata < 0 || xdata > 0xFFFF) valueError("Bank port");
        sfrPort_ = static_cast<std::uint8_t>(sfr);
        xdataPort_ = static_cast<std::uint16_t>(xdata);
        for (int i = 0; i < 5; ++i) SetBitNummer(i, r.ReadInteger());
        if (fileVersion < 3) {
            const std::int32_t dallas = r.ReadInteger();
            dallasMode_ = dallas >= DallasStandard && dallas <= DallasContiguous ? dallas : DallasStandard;
        }
        SetResetBankNummer(reset);
        SetDallasBanking(r.ReadBoolean());
        traceBankOffset_ = fileVersion < 5 ? 0 : static_cast<std::uint8_t>(r.ReadInteger());
        if (fileVersion < 12) {
            areaStart_ = static_cast<std::uint16_t>(r.ReadInteger() + 1);
            areaEnd_ = 0xFFFF;
            varBanking_ = false;
            dallasVarBank_ = false;
        } else {
            areaStart_ = static_cast<std::uint16_t>(r.ReadInteger());
            areaEnd_ = static_cast<std::uint16_t>(r.ReadInteger());
            varBanking_ = r.ReadBoolean();
            const bool varBank = r.ReadBoolean();
            dallasVarBank_ = varBanking_ && varBank;
        }
        SetBankedAreaStart(areaStart_);
        SetBankedAreaEnd(areaEnd_);
        applyVersionByGeneration();
    } catch (...) {
        changed();
        LockUpdate(false);
        throw;
    }
    changed();
    LockUpdate(false);
}

}  // namespace tarvex
