#include "emulator/download.hpp"

#include <algorithm>
#include <map>
#include <optional>
#include <span>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "core/messages.hpp"
#include "core/target_interfaces.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/master_block.hpp"
#include "platform/ui.hpp"

namespace tarvex {

namespace {

constexpr std::uint8_t WireXor = 0x55;
// Bank-byte flags of the memory commands from firmware 21 on.
constexpr std::uint8_t BankFlagCode = 0x80, BankFlagHigh = 0x40;
// The monitor configuration byte during a system-memory access: bit 7
// clear opens the system memory, bit 6 chooses its high half.
constexpr std::uint8_t ConfigSystemClosed = 0x80, ConfigSystemHigh = 0x40;
constexpr std::uint16_t VarSystemBracket = 0x0001;

char byteChar(unsigned value) {
    return static_cast<char>(static_cast<std::uint8_t>(value));
}

std::string hiLo(std::uint16_t value) {
    return {byteChar(value >> 8), byteChar(value)};
}

std::span<const std::uint8_t> asSpan(std::string_view s) {
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

// The address `delta` bytes on, in the same bank.
TBankAdresse advanced(TBankAdresse a, std::size_t delta) {
    a.offset = static_cast<std::uint16_t>(a.offset + delta);
    return a;
}

// Bytes from `offset` to the end of its 64 KiB bank.
std::size_t roomInBank(std::uint16_t offset) {
    return 0x10000u - offset;
}

// The routine bytes as they go out: four bytes, each XOR 0x55.
std::string wireRoutine(const PellunarBytes& text, std::size_t from = 0) {
    std::string out;
    for (std::size_t i = from; i < from + 4; ++i)
        out += byteChar((i < text.size() && i < 4 ? text[i] : 0x00) ^ WireXor);
    return out;
}

// The routine numbers of one pass, in the order the groups get them: even
// numbers whose odd neighbour below is also free for the second pass, away
// from the values the read, write and special routine codes take.
const std::vector<std::uint8_t>& routineNumbers() {
    static const std::vector<std::uint8_t> numbers = [] {
        const auto reserved = [](int v) {
            return (v >= 0x00 && v <= 0x07) || (v >= 0x60 && v <= 0x67) || (v >= 0x80 && v <= 0x87) ||
                   (v >= 0xE0 && v <= 0xE7) || (v >= 0xFC && v <= 0xFF);
        };
        std::vector<std::uint8_t> out;
        for (int n = 0; n <= 0xFA; n += 2)
            if (!reserved(n) && !reserved(n - 1)) out.push_back(static_cast<std::uint8_t>(n));
        return out;
    }();
    return numbers;
}

}  // namespace

// ---------------------------------------------------------------- analyser component

void TEmulPellunarComp::MessageOutput(int level, const std::string& message, const std::string& location) {
    if (level != PellunarError && level != PellunarWarning) return;
    const bool error = level == PellunarError;
    const std::string line =
        (location.empty() ? std::string() : location + ": ") + (error ? "ERROR:   " : "WARNING: ") + message;
    platform::LoadStatusWindow* status = platform::currentUi().loadStatus;
    if (status && status->isOpen()) {
        status->addLine(line, error);
    } else if (error) {
        ErrorBox(line, platform::mb::Ok | platform::mb::IconError);
    } else {
        WarningBox(line, platform::mb::Ok | platform::mb::IconWarning);
    }
}

void TEmulPellunarComp::RemoveHookAt(const TBankAdresse& address) {
    if (TPellunarItem* item = Hooks().IndexOfAddress(address)) download_.RemoveHook(item);
}

void TEmulPellunarComp::HookAdded(bool flag) {
    if (flag) download_.HookAdded();
}

// ---------------------------------------------------------------- wiring

TEmulDownload::TEmulDownload(TEmulator& emulator) : emulator_(emulator), comp_(*this) {}

TEmulDownload::~TEmulDownload() = default;

void TEmulDownload::SetBanking(TBanking* banking) {
    banking_ = banking;
    comp_.SetBanking(banking);
}

bool TEmulDownload::pellunarsActive() const {
    return emulator_.PellunarsOn() && suspended_ == 0;
}

TBankAdresse TEmulDownload::physical(const TBankAdresse& address) const {
    return banking_ ? banking_->PhysicalAddress(address) : address;
}

int TEmulDownload::hardwareBank(const TBankAdresse& address) const {
    const TBankAdresse p = physical(address);
    if (p.banked && !p.allBanks) return p.bank & 7;
    // Unbanked: the bank in which the program's code lies.
    return emulator_.Profile().programBank;
}

void TEmulDownload::selectCode(const TBankAdresse& address) {
    if (banking_) banking_->SetBank(TBanking::KindCode, address);
}

void TEmulDownload::selectHookArea(const TBankAdresse& address) {
    if (banking_) banking_->WriteBank(TBanking::KindPellunar, physical(address).bank);
}

void TEmulDownload::selectDirect(int hardwareBank) {
    if (banking_) banking_->WriteBank(TBanking::KindDirect, hardwareBank);
}

std::size_t TEmulDownload::mappedRun(std::uint16_t offset) const {
    return banking_ ? banking_->MappedRun(offset) : roomInBank(offset);
}

int TEmulDownload::MaxBank() const {
    return banking_ ? banking_->MaxBank() : 255;
}

void TEmulDownload::HookAdded() {
    emulator_.Protokoll("Pellunar: neue Hooks");
}

// ---------------------------------------------------------------- program memory

void TEmulDownload::sendDownload(std::uint16_t offset, std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += MaxDownloadBlock) {
        const std::string_view block = bytes.substr(at, MaxDownloadBlock);
        emulator_.Schreiben("p" + hiLo(static_cast<std::uint16_t>(offset + at)) + byteChar(block.size()) +
                            std::string(block));
    }
}

void TEmulDownload::ProgLaden(const TBankAdresse& address, std::string_view data) {
    // A block never wraps round to the start of its bank.
    const std::string_view bytes = data.substr(0, roomInBank(address.offset));
    if (bytes.empty()) return;
    auto lock = emulator_.LockLink();
    const std::size_t n = bytes.size();
    emulator_.Protokoll("ProgLaden Adr: " + BankAdresseToStr(address, banking_) +
                        " Anzahl Bytes: " + std::to_string(n) + " (0x" + Format("%.4X", static_cast<unsigned>(n)) +
                        ")" + " MasterAdr: " + BankAdresseToStr(physical(address), banking_));
    const bool pellunars = pellunarsActive();
    for (std::size_t at = 0; at < n;) {
        const TBankAdresse a = advanced(address, at);
        const std::string_view block = bytes.substr(at, std::min(MaxDownloadBlock, mappedRun(a.offset)));
        at += block.size();
        selectCode(a);
        const std::uint16_t offset = physical(a).offset;
        sendDownload(offset, block);
        if (pellunars) {
            // The hook area holds a second copy of the code, in which the
            // board places its hooks.
            selectHookArea(a);
            sendDownload(offset, block);
        }
    }
    if (pellunars) {
        emulator_.Protokoll("Pellunar CheckBuffer Adr: " + BankAdresseToStr(address, banking_) +
                            " Anzahl Bytes: " + std::to_string(n));
        scan(address, bytes);
    }
}

void TEmulDownload::scan(const TBankAdresse& address, std::string_view bytes) {
    // A hook that the new code removes keeps the new bytes: only its bytes
    // outside the written range get the hook's own code back.
    scanning_ = true;
    scanStart_ = address;
    scanEnd_ = advanced(address, std::min<std::size_t>(bytes.size(), roomInBank(address.offset)) - 1);
    try {
        comp_.ScanCode(address, asSpan(bytes));
    } catch (...) {
        scanning_ = false;
        throw;
    }
    scanning_ = false;
}

std::string TEmulDownload::readCounted(char letter1, char letter2, std::uint16_t offset, std::size_t count) {
    std::string result;
    while (result.size() < count) {
        const std::size_t n = std::min(count - result.size(), MaxCountedPiece);
        emulator_.Schreiben(std::string{letter1, letter2, byteChar(n)} +
                            hiLo(static_cast<std::uint16_t>(offset + result.size())));
        const std::string piece = emulator_.Lesen(n);
        result += piece;
        if (piece.size() < n) break;
    }
    return result;
}

std::string TEmulDownload::ProgLesen(const TBankAdresse& address, std::size_t count) {
    if (count == 0) return {};
    auto lock = emulator_.LockLink();
    const std::size_t total = std::min(count, roomInBank(address.offset));
    std::string result;
    while (result.size() < total) {
        const TBankAdresse a = advanced(address, result.size());
        const std::size_t n = std::min(total - result.size(), mappedRun(a.offset));
        selectCode(a);
        const std::string piece = readCounted('D', 'P', physical(a).offset, n);
        result += piece;
        if (piece.size() < n) break;
    }
    PutBackOwnCode(address, result);
    return result;
}

void TEmulDownload::ProgSchreibenHandshake(const TBankAdresse& address, std::string_view data) {
    const std::string_view bytes = data.substr(0, roomInBank(address.offset));
    if (bytes.empty()) return;
    auto lock = emulator_.LockLink();
    const bool pellunars = pellunarsActive();
    for (std::size_t at = 0; at < bytes.size();) {
        const TBankAdresse a = advanced(address, at);
        const std::string_view piece = bytes.substr(at, std::min(MaxCountedPiece, mappedRun(a.offset)));
        at += piece.size();
        selectCode(a);
        const std::uint16_t offset = physical(a).offset;
        emulator_.Schreiben(std::string{'P', 'P', byteChar(piece.size())} + hiLo(offset));
        for (char b : piece) {
            emulator_.Lesen(1);
            emulator_.Schreiben(std::string(1, b));
        }
        emulator_.Wait(10);
        if (pellunars) {
            selectHookArea(a);
            sendDownload(offset, piece);
        }
    }
    if (pellunars) scan(address, bytes);
}

void TEmulDownload::PutBackOwnCode(const TBankAdresse& address, std::string& bytes) {
    if (!emulator_.PellunarsOn() || emulator_.Options().systemMode() || comp_.HookCount() == 0) return;
    const std::size_t size = std::min(bytes.size(), roomInBank(address.offset));
    std::size_t i = 0;
    while (i < size) {
        const TBankAdresse a = advanced(address, i);
        const TPellunarItem* item = comp_.Hooks().IndexOfAddress(a);
        if (!item) {
            ++i;
            continue;
        }
        // Where the hook starts relative to the read, negative when it
        // started before.
        const long start = static_cast<long>(i) - static_cast<long>(a.offset - item->address.offset);
        const PellunarBytes own = item->CodeBytes();
        for (std::size_t k = 0; k < own.size(); ++k) {
            const long at = start + static_cast<long>(k);
            if (at >= 0 && static_cast<std::size_t>(at) < size) bytes[static_cast<std::size_t>(at)] = byteChar(own[k]);
        }
        const long next = start + static_cast<long>(std::max<std::size_t>(own.size(), 1));
        i = next > static_cast<long>(i) ? static_cast<std::size_t>(next) : i + 1;
    }
}

// ---------------------------------------------------------------- code by firmware command

std::string TEmulDownload::ReadCode(const TBankAdresse& address, std::size_t count) {
    if (count == 0) return {};
    auto lock = emulator_.LockLink();
    int bank = hardwareBank(address);
    std::uint16_t offset = physical(address).offset;
    if (emulator_.Profile().memoryCommands == MemoryCommands::DirectBank) {
        selectDirect(bank);
        return readCounted('D', 'p', offset, count);
    }
    if (count == 1) {
        emulator_.Schreiben("RM" + hiLo(offset) + byteChar(bank | BankFlagCode));
        return emulator_.Lesen(1);
    }
    return readMemory(bank, offset, count, BankFlagCode);
}

void TEmulDownload::WriteCode(const TBankAdresse& address, std::string_view bytes) {
    if (bytes.empty()) return;
    auto lock = emulator_.LockLink();
    int bank = hardwareBank(address);
    std::uint16_t offset = physical(address).offset;
    if (emulator_.Profile().memoryCommands == MemoryCommands::DirectBank) {
        selectDirect(bank);
        sendDownload(offset, bytes);
        return;
    }
    if (bytes.size() == 1) {
        emulator_.Schreiben("WM" + hiLo(offset) + byteChar(bank | BankFlagCode) + bytes[0]);
        return;
    }
    writeMemory(bank, offset, bytes, BankFlagCode);
}

// From firmware 21 the code and system memories share "DM" and "q"; the
// flag in the bank byte chooses the memory. A piece never passes the end of
// its bank: the rest goes on at 0 of the next one.
std::string TEmulDownload::readMemory(int bank, std::uint16_t offset, std::size_t count, std::uint8_t flag) {
    std::string result;
    while (result.size() < count) {
        const std::size_t n = std::min({count - result.size(), MaxCountedPiece, roomInBank(offset)});
        emulator_.Schreiben(std::string{'D', 'M', byteChar(n)} + hiLo(offset) + byteChar(bank | flag));
        const std::string piece = emulator_.Lesen(n);
        result += piece;
        if (piece.size() < n) break;
        offset = static_cast<std::uint16_t>(offset + n);
        if (offset == 0) bank = (bank + 1) & 7;
    }
    return result;
}

void TEmulDownload::writeMemory(int bank, std::uint16_t offset, std::string_view bytes, std::uint8_t flag) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min({bytes.size() - at, MaxDownloadBlock, roomInBank(offset)});
        emulator_.Schreiben("q" + hiLo(offset) + byteChar(bank | flag) + byteChar(n) + std::string(bytes.substr(at, n)));
        at += n;
        offset = static_cast<std::uint16_t>(offset + n);
        if (offset == 0) bank = (bank + 1) & 7;
    }
}

// ---------------------------------------------------------------- emulator system memory

std::string TEmulDownload::ReadSystem(const TBankAdresse& address, std::size_t count, bool high) {
    if (count == 0) return {};
    auto lock = emulator_.LockLink();
    int bank = hardwareBank(address);
    std::uint16_t offset = physical(address).offset;
    if (emulator_.Profile().memoryCommands == MemoryCommands::BankByte) return readMemory(bank, offset, count, high ? BankFlagHigh : 0);
    std::string result;
    selectDirect(bank);
    const std::size_t total = std::min(count, roomInBank(offset));
    openSystem(high);
    while (result.size() < total) {
        const std::size_t n = std::min(total - result.size(), MaxMasterBlock);
        const std::string piece = emulator_.ReadMasterBlock(static_cast<std::uint16_t>(offset + result.size()), n);
        result += piece;
        if (piece.size() < n) break;
    }
    closeSystem(high);
    return result;
}

void TEmulDownload::WriteSystem(const TBankAdresse& address, std::string_view bytes, bool high) {
    if (bytes.size() > MaxCountedPiece)
        throw EVokWinValueError(Format("SysEmulHigh: String zu lang: %d", bytes.size()));
    if (bytes.empty()) return;
    auto lock = emulator_.LockLink();
    int bank = hardwareBank(address);
    std::uint16_t offset = physical(address).offset;
    if (emulator_.Profile().memoryCommands == MemoryCommands::BankByte) {
        writeMemory(bank, offset, bytes, high ? BankFlagHigh : 0);
        return;
    }
    selectDirect(bank);
    const std::size_t total = std::min(bytes.size(), roomInBank(offset));
    openSystem(high);
    for (std::size_t at = 0; at < total; at += MaxMasterBlock)
        emulator_.WriteMasterBlock(static_cast<std::uint16_t>(offset + at),
                                   bytes.substr(at, std::min(MaxMasterBlock, total - at)));
    closeSystem(high);
}

void TEmulDownload::openSystem(bool high) {
    emulator_.WriteV(VarSystemBracket, 0);
    systemConfig_ = emulator_.ConfigByte();
    auto during = static_cast<std::uint8_t>(systemConfig_ & ~ConfigSystemClosed);
    if (high) during = static_cast<std::uint8_t>(during | ConfigSystemHigh);
    emulator_.SetConfigByte(during);
}

void TEmulDownload::closeSystem(bool high) {
    auto after = static_cast<std::uint8_t>(systemConfig_ | ConfigSystemClosed);
    if (high) after = static_cast<std::uint8_t>(after & ~ConfigSystemHigh);
    emulator_.SetConfigByte(after);
    emulator_.WriteV(VarSystemBracket, 1);
}

// ---------------------------------------------------------------- select memory and fill

std::string TEmulDownload::ReadSelect(const TBankAdresse&, std::size_t) {
    throw ETarvexAccessError(std::string(LoadStr(79)));
}

void TEmulDownload::WriteSelect(const TBankAdresse& address, std::string_view bytes) {
    const std::size_t total = std::min(bytes.size(), roomInBank(address.offset));
    auto lock = emulator_.LockLink();
    for (std::size_t at = 0; at < total;) {
        std::size_t end = at + 1;
        while (end < total && bytes[end] == bytes[at]) ++end;
        Fill(advanced(address, at), advanced(address, end - 1), static_cast<std::uint8_t>(bytes[at]));
        at = end;
    }
}

std::uint16_t TEmulDownload::SelectSystemBank(const TBankAdresse& address) {
    selectDirect(hardwareBank(address));
    return physical(address).offset;
}

std::uint8_t TEmulDownload::Fill(const TBankAdresse& first, const TBankAdresse& last, std::uint8_t value) {
    auto lock = emulator_.LockLink();
    TEmulator::RaisedTimeout raised(emulator_, FillTimeoutMs);
    selectDirect(hardwareBank(first));
    emulator_.Schreiben("B" + hiLo(physical(first).offset) + hiLo(physical(last).offset) + byteChar(value) +
                        byteChar(0x02));
    const std::string answer = emulator_.Lesen(1);
    return answer.empty() ? 0 : static_cast<std::uint8_t>(answer[0]);
}

// ---------------------------------------------------------------- external data

std::string TEmulDownload::ReadXdata(const TBankAdresse& address, std::size_t count) {
    if (count == 0) return {};
    auto lock = emulator_.LockLink();
    if (banking_) banking_->SetBank(TBanking::KindXdata, address);
    return readCounted('D', 'E', address.offset, std::min(count, roomInBank(address.offset)));
}

void TEmulDownload::WriteXdata(const TBankAdresse& address, std::string_view bytes) {
    const std::size_t total = std::min(bytes.size(), roomInBank(address.offset));
    if (total == 0) return;
    auto lock = emulator_.LockLink();
    if (banking_) banking_->SetBank(TBanking::KindXdata, address);
    // The Atmel family's monitor needs time to store each byte.
    const bool slow = emulator_.ProzessorTyp() == 13;
    for (std::size_t at = 0; at < total; at += MaxCountedPiece) {
        const std::string_view piece = bytes.substr(at, std::min(MaxCountedPiece, total - at));
        emulator_.Schreiben(std::string{'P', 'E', byteChar(piece.size())} +
                            hiLo(static_cast<std::uint16_t>(address.offset + at)));
        for (char b : piece) {
            emulator_.Lesen(1);
            emulator_.Schreiben(std::string(1, b));
            if (slow) emulator_.Wait(10);
        }
        emulator_.Wait(10);
    }
}

// ---------------------------------------------------------------- pellunars

void TEmulDownload::PellunarTransmit() {
    if (emulator_.ConnectionState() < TBasisEmulator::StateStarting || !emulator_.PellunarsOn()) return;
    auto lock = emulator_.LockLink();
    emulator_.Protokoll("PellunarTransmit");
    comp_.Hooks().SetSortOrder(TPellunarList::ByClass);
    platform::LoadStatusWindow* status = platform::currentUi().loadStatus;
    if (status && status->isOpen()) status->setStatus(std::string(LoadStr(44)));
    const int maxBank = MaxBank();
    if (maxBank >= 255) {
        transmitPass(-1, 0);
    } else {
        // Modes with 32 KB and 16 KB banks keep two or four logical banks in
        // one hardware bank: one pass per physical bank, so that its "FH"
        // does not clear the tables an earlier pass sent there.
        std::vector<int> done;
        for (int bank = 0; bank <= maxBank; ++bank) {
            const int p = physical(BankedAdresse(static_cast<std::uint8_t>(bank), 0xFFFF)).bank;
            if (std::find(done.begin(), done.end(), p) != done.end()) continue;
            done.push_back(p);
            transmitPass(p, bank);
        }
    }
    comp_.SetChanged(false);
    if (INotifier* notifier = emulator_.Notifier()) notifier->send(notify::SystemChanged, &emulator_);
}

std::optional<std::uint16_t> TEmulDownload::hookOffset(const TPellunarItem& item, int physicalBank) const {
    const TBankAdresse& a = item.address;
    if (physicalBank < 0) return a.offset;
    if (a.banked && !a.allBanks) {
        const TBankAdresse p = physical(a);
        if (p.bank != physicalBank) return std::nullopt;
        return p.offset;
    }
    // The common area: wherever some bank shows it in this physical bank.
    for (int bank = 0; bank <= MaxBank(); ++bank) {
        const TBankAdresse p = physical(BankedAdresse(static_cast<std::uint8_t>(bank), a.offset));
        if (p.bank == physicalBank) return p.offset;
    }
    return std::nullopt;
}

void TEmulDownload::transmitPass(int physicalBank, int logicalBank) {
    auto lock = emulator_.LockLink();
    // An address in the banked area of every mode selects the bank itself.
    const bool banked = physicalBank >= 0;
    selectCode(banked ? BankedAdresse(static_cast<std::uint8_t>(logicalBank), 0xFFFF) : UnbankedAdresse(0));
    emulator_.Schreiben("FH");
    emulator_.Lesen(1);

    struct Group {
        std::uint32_t key;
        std::uint8_t number;
        PellunarBytes text;
    };
    std::vector<Group> groups;
    std::vector<const TPellunarItem*> sent;
    const auto& numbers = routineNumbers();
    bool overflow = false;
    const TPellunarList& list = comp_.Hooks();
    for (std::size_t i = 0; i < list.Count(); ++i) {
        const TPellunarItem* item = list.Items(i);
        const std::optional<std::uint16_t> offset = hookOffset(*item, physicalBank);
        if (!offset) continue;
        const std::uint32_t key = item->HookClass();
        if (groups.empty() || groups.back().key != key) {
            if (groups.size() >= numbers.size() || overflow) {
                overflow = true;
                continue;
            }
            groups.push_back({key, numbers[groups.size()], item->RoutineText()});
            emulator_.Schreiben(std::string{'h', byteChar(groups.back().number)} + wireRoutine(groups.back().text));
        }
        emulator_.Schreiben("H" + hiLo(*offset) + byteChar(groups.back().number));
        sent.push_back(item);
    }
    if (overflow)
        comp_.MessageOutput(PellunarError, Format("Too many pellunar routines in bank %d", banked ? physicalBank : 0),
                            "");

    // Routines of exactly four bytes ending in 0x00 also get their last
    // three bytes under the odd number below their own.
    for (const Group& g : groups)
        if (g.text.size() == 4 && g.text[3] == 0x00)
            emulator_.Schreiben(std::string{'h', byteChar(g.number - 1)} + wireRoutine(g.text, 1));

    // The read, write and special routines, one record per routine code.
    const auto codePass = [&](bool (TPellunarItem::*in)() const, std::uint8_t (TPellunarItem::*code)() const) {
        std::vector<std::uint8_t> done;
        for (const TPellunarItem* item : sent) {
            if (!(item->*in)()) continue;
            const std::uint8_t c = (item->*code)();
            if (std::find(done.begin(), done.end(), c) != done.end()) continue;
            done.push_back(c);
            emulator_.Schreiben(std::string{'h', byteChar(c)} + wireRoutine(item->RoutineText()));
        }
    };
    codePass(&TPellunarItem::IsReadClass, &TPellunarItem::ReadRoutineCode);
    codePass(&TPellunarItem::IsWriteClass, &TPellunarItem::WriteRoutineCode);
    codePass(&TPellunarItem::IsRoutineClass, &TPellunarItem::SpecialRoutineCode);
}

void TEmulDownload::UpdatePellunars() {
    if (comp_.Changed()) PellunarTransmit();
}

void TEmulDownload::CopyPellunars(const TBankAdresse& sourceStart, const TBankAdresse& sourceEnd,
                                  const TBankAdresse& destinationStart) {
    if (emulator_.PellunarsOn()) comp_.CopyHooks(sourceStart, sourceEnd, destinationStart);
}

void TEmulDownload::DeletePellunars(const TBankAdresse& start, const TBankAdresse& end) {
    if (emulator_.PellunarsOn()) comp_.DeleteHooksInRange(start, end);
}

void TEmulDownload::writeOwnCode(const TBankAdresse& address, std::string_view bytes) {
    ++suspended_;
    try {
        ProgLaden(address, bytes);
    } catch (...) {
        --suspended_;
        throw;
    }
    --suspended_;
}

void TEmulDownload::RemoveHook(TPellunarItem* item) {
    if (!item) return;
    const PellunarBytes own = item->CodeBytes();
    const TBankAdresse start = item->address;
    // Runs of own bytes that the write in progress did not cover.
    std::size_t k = 0;
    while (k < own.size()) {
        const auto inWritten = [&](std::size_t i) {
            return scanning_ && BankAdresseInRange(advanced(start, i), scanStart_, scanEnd_);
        };
        if (inWritten(k)) {
            ++k;
            continue;
        }
        std::size_t end = k;
        std::string run;
        while (end < own.size() && !inWritten(end)) run += byteChar(own[end++]);
        writeOwnCode(advanced(start, k), run);
        k = end;
    }
    comp_.DeleteHook(item);
}

void TEmulDownload::PellunarClearProgram() {
    auto lock = emulator_.LockLink();
    if (comp_.HookCount() > 0) {
        emulator_.Protokoll("PellunarClearProgram");
        TPellunarList& list = comp_.Hooks();
        for (std::size_t i = 0; i < list.Count(); ++i) {
            const TPellunarItem* item = list.Items(i);
            const PellunarBytes own = item->CodeBytes();
            writeOwnCode(item->address, std::string(own.begin(), own.end()));
        }
    }
    comp_.ClearHooks();
}

void TEmulDownload::PellunarBegin() {
    comp_.SetRoutineCallSubstitution(options_ && options_->toolChain() == 7);
    if (comp_.HookCount() == 0) return;
    emulator_.Protokoll("PellunarBegin");
    PellunarClearProgram();
    comp_.SetChanged(true);
    comp_.ClearHooks();
}

void TEmulDownload::SetRegistryFlag(bool on) {
    emulator_.WriteAssembleRegistry(on);
}

}  // namespace tarvex
