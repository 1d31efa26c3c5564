#include "emulator/memory_spaces.hpp"

#include <algorithm>
#include <cstring>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/messages.hpp"
#include "core/register_table.hpp"
#include "emulator/download.hpp"
#include "emulator/emulator.hpp"
#include "emulator/master_block.hpp"
#include "emulator/sfr_config.hpp"

namespace tarvex {

namespace {

constexpr std::uint8_t KindProgram = 0, KindIntData = 1, KindExtData = 2, KindBit = 3, KindSfr = 4, KindSystem = 5,
                       KindTrace = 6, KindEmul = 9, KindEmulHigh = 10, KindSelect = 11;
constexpr std::uint16_t IntDataBase = 0x7A00, BitBase = 0x7A20;
// Program pieces go out with a one-byte count.
constexpr std::int32_t ProgramPiece = 255;

// Where an address lies: its bank (all banks as 0xFE, unbanked as 0) above
// its offset.
std::uint32_t posOf(const TBankAdresse& a) {
    const std::uint32_t bank = a.allBanks ? BankAll : a.banked ? a.bank : 0;
    return (bank << 16) | a.offset;
}

bool sameClass(const TBankAdresse& a, const TBankAdresse& b) {
    return a.banked == b.banked && a.allBanks == b.allBanks;
}

std::uint64_t orderKey(const TBankAdresse& a) {
    return (static_cast<std::uint64_t>(posOf(a)) << 2) | (a.banked ? 2u : 0u) | (a.allBanks ? 1u : 0u);
}

// count elements further; a banked address runs on into the next bank.
TBankAdresse advanced(TBankAdresse a, std::int32_t count) {
    const std::uint32_t next = a.offset + static_cast<std::uint32_t>(count);
    if (next > 0xFFFF && a.banked && !a.allBanks && a.bank < BankAll - 1) ++a.bank;
    a.offset = static_cast<std::uint16_t>(next);
    return a;
}

TBankAdresse withOffset(TBankAdresse a, std::uint16_t offset) {
    a.offset = offset;
    return a;
}

[[noreturn]] void accessError(int id) { throw ETarvexAccessError(std::string(LoadStr(id))); }

[[noreturn]] void linkFailed() { throw EEmulatorTimeoutError(std::string(LoadResStr(rs::CommunicationError))); }

std::string hex6(std::uint32_t value) { return Format("%.6x", value & 0xFFFFFF); }

bool bankedExtDataMode(int mode) { return mode == 1 || mode == 4 || mode == 5 || mode == 8 || mode == 9; }

}  // namespace

// ---------------------------------------------------------------- TBlockList

std::int32_t TBlockList::IndexOfSerial(std::uint64_t serial) const {
    for (std::int32_t i = 0; i < Count(); ++i)
        if ((*this)[i].serial == serial) return i;
    return -1;
}

// ---------------------------------------------------------------- TBasisEmulSpeicher

TBasisEmulSpeicher::Layout TBasisEmulSpeicher::LayoutOf(std::uint8_t kind) {
    switch (kind) {
    case KindIntData: return {"EmulIntData", 8, 128, 32};
    case KindExtData: return {"EmulExtData", 1, 128, 32};
    case KindBit: return {"EmulBit", 1, 1, 255};
    case KindSfr: return {"EmulSfr", 1, 1, 128};
    case KindSystem: return {"EmulSys", 16, 128, 32};
    case KindTrace: return {"EmulTrace", 16, 16, 100};
    case KindEmul: return {"EmulSysEmul", 16, 128, 32};
    case KindEmulHigh: return {"EmulSysEmulHigh", 16, 128, 32};
    case KindSelect: return {"EmulSysSelect", 16, 128, 32};
    default: return {"EmulProgram", 128, 1024, 32};
    }
}

TBasisEmulSpeicher::TBasisEmulSpeicher(std::uint8_t kind)
    : cache_(LayoutOf(kind).capacity),
      maxTransfer_(LayoutOf(kind).maxTransfer),
      blockSize_(LayoutOf(kind).blockSize),
      kind_(kind) {}

std::string TBasisEmulSpeicher::GetName() const {
    switch (kind_) {
    case KindProgram: return std::string(LoadStr(48));
    case KindIntData: return std::string(LoadStr(49));
    case KindExtData: return std::string(LoadStr(50));
    case KindBit: return std::string(LoadStr(73));
    case KindSfr: return std::string(LoadStr(74));
    case KindSystem: return std::string(LoadStr(75));
    case KindTrace: return std::string(LoadStr(76));
    case 7: return std::string(LoadStr(77));
    case KindEmul: return "Emulationsspeicher";
    case KindEmulHigh: return "Emul-High-Speicher";
    case KindSelect: return "SelectSpeicher";
    default: return {};
    }
}

void TBasisEmulSpeicher::InvalidateCache() {
    if (kind_ == KindIntData || kind_ == KindExtData || kind_ == KindBit) cache_.Clear();
}

void TBasisEmulSpeicher::setTransfer(std::uint8_t blockSize, std::uint16_t maxTransfer) {
    if (blockSize == blockSize_ && maxTransfer == maxTransfer_) return;
    blockSize_ = blockSize;
    maxTransfer_ = maxTransfer;
    cache_.Clear();
}

std::uint32_t TBasisEmulSpeicher::linearOf(const TBankAdresse& a) const {
    if (a.allBanks) return static_cast<std::uint32_t>(GetMaxAdresse().bank) * 0x10000u + a.offset;
    return BankAdresseToLinear(a);
}

TBankAdresse TBasisEmulSpeicher::MakeAdresse(std::uint16_t offset, std::uint8_t bank) const {
    const TBankAdresse max = GetMaxAdresse();
    const std::uint16_t o = std::min(offset, max.offset);
    return max.banked ? BankedAdresse(static_cast<std::uint8_t>(bank & max.bank), o) : UnbankedAdresse(o);
}

TBankAdresse TBasisEmulSpeicher::NormAdresse(const TBankAdresse& address) const {
    const TBankAdresse max = GetMaxAdresse();
    TBankAdresse a = address;
    if (!a.banked && kind_ != KindTrace && max.banked) a = BankedAdresse(0, a.offset);
    if (a.banked && !a.allBanks && max.banked && a.bank > max.bank)
        a.bank = static_cast<std::uint8_t>(a.bank & max.bank);
    if (a.offset > max.offset) a.offset = static_cast<std::uint16_t>(a.offset & max.offset);
    return a;
}

void TBasisEmulSpeicher::CheckAdresse(const TBankAdresse& address) const {
    const TBankAdresse max = GetMaxAdresse();
    TBankAdresse a = address;
    if (a.allBanks) {
        if (!max.banked) throw EVokWinAddressError(std::string(LoadStr(71)));
        a = BankedAdresse(max.bank, a.offset);
    }
    if (CompareBankAdresse(a, GetMinAdresse()) < 0 || CompareBankAdresse(a, max) > 0) {
        if (a.banked) throw EVokWinAddressError(FmtLoadStr(67, a.bank, a.offset));
        throw EVokWinAddressError(FmtLoadStr(66, a.offset));
    }
}

void TBasisEmulSpeicher::CheckRange(const TBankAdresse& address, std::int32_t count) const {
    CheckAdresse(address);
    const TBankAdresse max = GetMaxAdresse();
    const std::int64_t available = linearRange(address)
                                       ? std::int64_t{linearOf(max)} - linearOf(address) + 1
                                       : std::int64_t{max.offset} - address.offset + 1;
    if (available >= count) return;
    log("CheckRange Error Typ=" + GetName() + " Adr=" + hex6(linearOf(address)) + " Anzahl=" + std::to_string(count) +
        " MaximalAdresse=" + hex6(linearOf(max)));
    if (address.banked)
        throw EVokWinAddressError(FmtLoadStr(65, address.allBanks ? max.bank : address.bank, address.offset, count));
    throw EVokWinAddressError(FmtLoadStr(64, address.offset, count));
}

TBankAdresse TBasisEmulSpeicher::CheckEndAdresse(const TBankAdresse& address, std::int32_t count) const {
    const TBankAdresse max = GetMaxAdresse();
    const std::int64_t end = std::int64_t{linearOf(address)} + count;
    if (end > linearOf(max) || end < 0) {
        if (address.banked) throw EVokWinAddressError(FmtLoadStr(65, address.bank, address.offset, count));
        throw EVokWinAddressError(FmtLoadStr(64, address.offset, count));
    }
    const auto offset = static_cast<std::uint16_t>(end & 0xFFFF);
    return max.banked ? BankedAdresse(static_cast<std::uint8_t>((end >> 16) & 0xFF), offset) : UnbankedAdresse(offset);
}

TBankAdresse TBasisEmulSpeicher::CheckStartAdresse(const TBankAdresse& address, std::int32_t count) const {
    const TBankAdresse max = GetMaxAdresse();
    const std::int64_t start = std::int64_t{linearOf(address)} - count;
    if (start < linearOf(GetMinAdresse())) {
        if (address.banked) throw EVokWinAddressError(FmtLoadStr(65, address.bank, address.offset, -count));
        throw EVokWinAddressError(FmtLoadStr(64, address.offset, -count));
    }
    const auto offset = static_cast<std::uint16_t>(start & 0xFFFF);
    return max.banked ? BankedAdresse(static_cast<std::uint8_t>((start >> 16) & 0xFF), offset)
                      : UnbankedAdresse(offset);
}

// ---------------------------------------------------------------- TEmulSpeicher

TEmulSpeicher::TEmulSpeicher(TEmulSpaces& owner, std::uint8_t kind) : TBasisEmulSpeicher(kind), owner_(owner) {}

int TEmulSpeicher::ElementSize() const {
    // Generation-0 boards send 11-byte frames.
    return kind_ == KindTrace ? owner_.Emulator().TraceFrameSize() : 1;
}

TBankAdresse TEmulSpeicher::GetMaxAdresse() const {
    const TBanking* banking = owner_.Banking();
    switch (kind_) {
    case KindProgram:
        if (banking && banking->bankingMode() != 0)
            return BankedAdresse(static_cast<std::uint8_t>(banking->MaxBank()), programMax_);
        return UnbankedAdresse(programMax_);
    case KindIntData:
    case KindBit:
    case KindSfr: return UnbankedAdresse(0xFF);
    case KindExtData:
        if (banking && banking->varBanking())
            return BankedAdresse(static_cast<std::uint8_t>(banking->MaxVarBank()), xdataMax_);
        return UnbankedAdresse(xdataMax_);
    case KindTrace: {
        // Frame indexes as banked addresses: bank above, offset below.
        const ITraceBoardPart* trace = owner_.Parts().traceBoard;
        const std::uint32_t mask = trace ? trace->IndexMask() : 32767;
        return BankedAdresse(static_cast<std::uint8_t>((mask >> 16) & 0xFF), static_cast<std::uint16_t>(mask));
    }
    case KindEmul:
    case KindEmulHigh:
    case KindSelect:
        return BankedAdresse(owner_.Emulator().Profile().systemTopBank, 0xFFFF);
    default: return UnbankedAdresse(0xFFFF);
    }
}

TBankAdresse TEmulSpeicher::GetMinAdresse() const {
    const TBankAdresse max = GetMaxAdresse();
    if (max.banked) return BankedAdresse(0, 0);
    return UnbankedAdresse(kind_ == KindSfr ? 0x80 : 0);
}

bool TEmulSpeicher::linearRange(const TBankAdresse& a) const {
    if (!a.banked) return false;
    const TBanking* banking = owner_.Banking();
    switch (kind_) {
    case KindProgram: return banking && banking->bankingMode() != 0;
    case KindExtData: return banking && banking->DallasVarBankFlag();
    case KindTrace: return true;
    default: return false;
    }
}

void TEmulSpeicher::log(std::string_view text) const { owner_.Emulator().Protokoll(text); }

std::string TEmulSpeicher::addressText(const TBankAdresse& a) const { return BankAdresseToStr(a, owner_.Banking()); }

void TEmulSpeicher::requireKind(bool ok) const {
    if (!ok) accessError(79);
}

void TEmulSpeicher::requireState() const {
    if (kind_ == KindSystem || kind_ >= KindEmul) return;
    if (kind_ == KindTrace && owner_.Parts().traceBoard && owner_.Parts().traceBoard->SystemMode()) return;
    // The target's first reset at state 4 already writes SFRs.
    if (owner_.Emulator().ConnectionState() < TBasisEmulator::StateStarting) accessError(78);
}

void TEmulSpeicher::requireRunnable(bool forWrite) const {
    const IRunControlPart* run = owner_.Parts().runControl;
    if (!run) return;
    if (run->IsRunning() && !(kind_ == KindTrace && !forWrite && run->FlyingTrace())) accessError(72);
    if (run->NotYetReset() && (kind_ == KindProgram || kind_ == KindExtData)) accessError(34);
}

void TEmulSpeicher::updateTraceTransfer() {
    const std::uint8_t size = owner_.Emulator().Profile().traceBlockSize;
    setTransfer(size, size);
}

// ---- Cache

TEmulSpeicher::Found TEmulSpeicher::search(const TBankAdresse& address, bool extend) const {
    const std::uint32_t at = posOf(address);
    const std::uint32_t maxPos = posOf(GetMaxAdresse());
    const auto contiguous = [&](const TSpeicherBlock& b) {
        if (!sameClass(b.start, address)) return false;
        return kind_ == KindTrace || (posOf(b.start) >> 16) == (at >> 16);
    };
    const auto inBlock = [&](const TSpeicherBlock& b) {
        const std::uint32_t s = posOf(b.start);
        return contiguous(b) && b.length > 0 && at >= s && at <= s + static_cast<std::uint32_t>(b.length) - 1;
    };
    const std::int32_t count = cache_.Count();
    for (std::int32_t i = 0; i < count; ++i) {
        const TSpeicherBlock& b = cache_[i];
        if (inBlock(b)) return {true, i};
        if (i + 1 < count && inBlock(cache_[i + 1])) return {true, i + 1};
        if (extend && contiguous(b)) {
            const std::uint32_t s = posOf(b.start);
            std::uint32_t end = std::min<std::uint32_t>(s + static_cast<std::uint32_t>(b.length) - 1 + blockSize_,
                                                        s + maxTransfer_ - 1);
            const std::uint32_t limit = kind_ == KindTrace ? maxPos : ((s & 0xFFFF0000u) | GetMaxAdresse().offset);
            end = std::min(end, limit);
            if (at >= s && at <= end) return {true, i};
        }
        if (orderKey(address) < orderKey(b.start)) return {false, i};
    }
    return {false, count};
}

std::int32_t TEmulSpeicher::insertBlock(std::unique_ptr<TSpeicherBlock> block, std::int32_t index) {
    const std::uint64_t serial = nextSerial_++;
    block->serial = serial;
    cache_.Insert(index, std::move(block));
    const std::int32_t capacity = cache_.Capacity();
    if (cache_.Count() >= capacity) {
        const int k = capacity < 16 ? 1 : capacity < 32 ? 2 : 4;
        const bool front = index > cache_.Count() / 2;
        for (int i = 0; i < k && cache_.Count() > 1; ++i) {
            const std::int32_t victim = front ? 0 : cache_.Count() - 1;
            if (cache_[victim].serial == serial) continue;
            cache_.Delete(victim);
        }
    }
    return cache_.IndexOfSerial(serial);
}

void TEmulSpeicher::dropCodeAliases(TBankAdresse at, std::int32_t count) {
    const TBanking* banking = owner_.Banking();
    if (kind_ != KindProgram || banking == nullptr) return;
    // Aliases repeat every 16 KB at the finest, so each 16 KB run maps whole.
    while (count > 0) {
        const std::int32_t run = std::min<std::int32_t>(count, 0x4000 - (at.offset & 0x3FFF));
        for (const TBankAdresse& alias : banking->CodeAliases(at)) removeOverlapping(alias, run);
        at = advanced(at, run);
        count -= run;
    }
}

void TEmulSpeicher::removeOverlapping(const TBankAdresse& address, std::int32_t count) {
    if (count <= 0) return;
    const std::uint32_t from = address.offset;
    const std::uint32_t to = from + static_cast<std::uint32_t>(count) - 1;
    for (std::int32_t i = cache_.Count() - 1; i >= 0; --i) {
        const TSpeicherBlock& b = cache_[i];
        bool overlap;
        if (kind_ == KindTrace || (address.banked && !address.allBanks && b.start.banked && !b.start.allBanks)) {
            // Same bank, or across banks where counts run on.
            const std::uint32_t s = posOf(b.start), e = s + static_cast<std::uint32_t>(b.length) - 1;
            const std::uint32_t f = posOf(address), t = f + static_cast<std::uint32_t>(count) - 1;
            overlap = b.length > 0 && s <= t && f <= e;
        } else {
            // A common-area address stands for the same offset in every bank.
            const std::uint32_t s = b.start.offset, e = s + static_cast<std::uint32_t>(b.length) - 1;
            const bool comparable = address.allBanks || b.start.allBanks || sameClass(address, b.start);
            overlap = comparable && b.length > 0 && s <= to && from <= e;
        }
        if (overlap) cache_.Delete(i);
    }
}

// ---- Reads

std::string TEmulSpeicher::ReadBlock(const TBankAdresse& address, std::int32_t count) {
    if (kind_ == KindSelect) accessError(79);
    if (kind_ == KindTrace) updateTraceTransfer();
    CheckRange(address, count);
    // The rest of an answer that was too long shows as input nobody asked
    // for; what the cache took from that answer is not to be trusted.
    TEmulator& emulator = owner_.Emulator();
    emulator.CheckUnrequested();
    if (emulator.Discards() != discardsSeen_) {
        discardsSeen_ = emulator.Discards();
        cache_.Clear();
    }
    const int es = ElementSize();
    std::string result;
    result.reserve(static_cast<std::size_t>(std::max(count, 0)) * static_cast<std::size_t>(es));
    TBankAdresse at = address;
    while (count > 0) {
        Found f = search(at, true);
        if (owner_.NoCache() && f.found) {
            cache_.Delete(f.index);
            f = search(at, false);
        }
        if (!f.found) {
            auto block = std::make_unique<TSpeicherBlock>();
            block->start = withOffset(at, static_cast<std::uint16_t>(at.offset - at.offset % blockSize_));
            f.index = insertBlock(std::move(block), f.index);
        }
        const TSpeicherBlock* b = cache_.Get(f.index);
        const std::uint64_t serial = b->serial;
        const std::uint32_t start = posOf(b->start);
        const std::int32_t rel = static_cast<std::int32_t>(posOf(at) - start);
        std::int32_t needed = std::min<std::int32_t>(rel + count, maxTransfer_);
        if (f.index + 1 < cache_.Count()) {
            const TSpeicherBlock& next = cache_[f.index + 1];
            const std::uint32_t nextStart = posOf(next.start);
            const bool sameRun = sameClass(next.start, b->start) &&
                                 (kind_ == KindTrace || (nextStart >> 16) == (start >> 16));
            if (sameRun && start + static_cast<std::uint32_t>(needed) > nextStart)
                needed = static_cast<std::int32_t>(nextStart - start);
        }
        std::int32_t target = (needed + blockSize_ - 1) / blockSize_ * blockSize_;
        const std::uint32_t limit =
            kind_ == KindTrace ? posOf(GetMaxAdresse()) : ((start & 0xFFFF0000u) | GetMaxAdresse().offset);
        target = static_cast<std::int32_t>(
            std::min<std::uint32_t>(static_cast<std::uint32_t>(target), limit - start + 1));
        if (b->length < target) {
            try {
                fetchBlock(serial, target);
            } catch (...) {
                // A refused or failed first fetch leaves no empty block.
                const std::int32_t index = cache_.IndexOfSerial(serial);
                if (index >= 0 && cache_[index].length == 0) cache_.Delete(index);
                throw;
            }
            const std::int32_t index = cache_.IndexOfSerial(serial);
            // A notification of the fetch (a bank switch) emptied the cache.
            if (index < 0) continue;
            b = cache_.Get(index);
        }
        const std::int32_t n = std::min(count, b->length - rel);
        if (n <= 0) linkFailed();
        result.append(b->data, static_cast<std::size_t>(rel) * static_cast<std::size_t>(es),
                      static_cast<std::size_t>(n) * static_cast<std::size_t>(es));
        count -= n;
        at = advanced(at, n);
    }
    return result;
}

void TEmulSpeicher::fetchBlock(std::uint64_t serial, std::int32_t target) {
    std::int32_t index = cache_.IndexOfSerial(serial);
    if (index < 0) return;
    if (target - cache_[index].length < 1) return;
    requireState();
    requireRunnable(false);
    TBanking* banking = owner_.Banking();
    if (kind_ == KindExtData && banking) {
        banking->SetBank(TBanking::KindXdata, advanced(cache_[index].start, cache_[index].length));
        index = cache_.IndexOfSerial(serial);
        if (index < 0) return;
    }
    std::int32_t piece = maxTransfer_;
    if (kind_ == KindProgram) piece = ProgramPiece;
    const int es = ElementSize();
    for (;;) {
        TSpeicherBlock& b = cache_[index];
        const std::int32_t missing = target - b.length;
        if (missing < 1) return;
        const std::int32_t n = std::min(missing, piece);
        const TBankAdresse at = advanced(b.start, b.length);
        std::string data;
        {
            auto lock = owner_.Emulator().LockLink();
            data = fetchPiece(at, n);
        }
        if (data.size() != static_cast<std::size_t>(n) * static_cast<std::size_t>(es)) linkFailed();
        index = cache_.IndexOfSerial(serial);
        if (index < 0) return;
        TSpeicherBlock& now = cache_[index];
        now.data += data;
        now.length += n;
    }
}

std::string TEmulSpeicher::fetchPiece(const TBankAdresse& at, std::int32_t n) {
    TEmulator& emu = owner_.Emulator();
    const auto tagged = [&](const char* tag) {
        log(std::string(tag) + addressText(at) + " Anz=" + std::to_string(n));
    };
    switch (kind_) {
    case KindProgram:
        tagged("ProgLesen Adr=");
        return emu.Download().ProgLesen(at, static_cast<std::size_t>(n));
    case KindIntData:
        tagged("IdataLesen Adr=");
        return emu.ReadMasterBlock(static_cast<std::uint16_t>(IntDataBase + at.offset), static_cast<std::size_t>(n));
    case KindExtData:
        tagged("XdataLesen Adr=");
        return emu.Download().ReadXdata(at, static_cast<std::size_t>(n));
    case KindBit:
        if (at.offset >= 0x80) {
            tagged("BitSfrLesen Adr=");
            return std::string(1, static_cast<char>(owner_.Space(SpaceKind::Sfr).ReadByte(at.offset & 0xF8)));
        }
        tagged("BitDataLesen Adr=");
        return std::string(1, static_cast<char>(emu.ReadN(static_cast<std::uint16_t>(BitBase + at.offset / 8))));
    case KindSfr:
        tagged("SfrLesen Adr=");
        return std::string(1, static_cast<char>(emu.ReadSfr(static_cast<std::uint8_t>(at.offset))));
    case KindSystem: return emu.ReadMasterBlock(at.offset, static_cast<std::size_t>(n));
    case KindTrace:
        return emu.FrameLesen(static_cast<std::uint32_t>(at.bank) * 0x10000u + at.offset, static_cast<std::uint8_t>(n));
    case KindEmul:
    case KindEmulHigh: return emu.Download().ReadSystem(at, static_cast<std::size_t>(n), kind_ == KindEmulHigh);
    default: return emu.Download().ReadSelect(at, static_cast<std::size_t>(n));
    }
}

std::uint8_t TEmulSpeicher::ReadByte(std::uint8_t address) {
    requireKind(kind_ == KindBit || kind_ == KindSfr);
    const std::string byte = ReadBlock(UnbankedAdresse(address), 1);
    return byte.empty() ? 0 : static_cast<std::uint8_t>(byte[0]);
}

std::string TEmulSpeicher::ReadRegisterBank() {
    requireKind(kind_ == KindIntData);
    const std::uint8_t psw = owner_.Space(SpaceKind::Sfr).ReadByte(0xD0);
    return ReadBlock(UnbankedAdresse(psw & 0x18), 8);
}

// ---- Writes

void TEmulSpeicher::checkMapped(const TBankAdresse& address, std::int32_t count) const {
    if (kind_ != KindProgram || count <= 0) return;
    const ISelectTablePart* select = owner_.Parts().selectTable;
    if (!select || select->ProgramMapped(address, advanced(address, count - 1))) return;
    if (address.banked) throw EVokWinAddressError(FmtLoadStr(70, address.bank, address.offset));
    throw EVokWinAddressError(FmtLoadStr(69, address.offset));
}

void TEmulSpeicher::WriteBlock(const TBankAdresse& address, std::string_view data) {
    requireState();
    const auto total = static_cast<std::int32_t>(data.size());
    CheckRange(address, total);
    checkMapped(address, total);
    TBankAdresse at = address;
    std::int32_t piece = kind_ == KindProgram ? std::min<std::int32_t>(maxTransfer_, ProgramPiece) : maxTransfer_;
    while (!data.empty()) {
        std::int32_t n = std::min<std::int32_t>(static_cast<std::int32_t>(data.size()), piece);
        const Found f = search(at, false);
        if (f.found) {
            const TSpeicherBlock& b = cache_[f.index];
            n = std::min<std::int32_t>(n, b.length - static_cast<std::int32_t>(posOf(at) - posOf(b.start)));
        } else if (f.index < cache_.Count()) {
            const TSpeicherBlock& next = cache_[f.index];
            const bool sameBank = sameClass(next.start, at) && (posOf(next.start) >> 16) == (posOf(at) >> 16);
            if (sameBank && posOf(next.start) > posOf(at))
                n = std::min<std::int32_t>(n, static_cast<std::int32_t>(posOf(next.start) - posOf(at)));
        }
        // A piece ends with its bank: the board addresses one bank at a time.
        if (linearRange(at)) n = std::min<std::int32_t>(n, 0x10000 - at.offset);
        n = std::max(n, 1);
        sendPiece(at, data.substr(0, static_cast<std::size_t>(n)));
        removeOverlapping(at, n);
        dropCodeAliases(at, n);
        data.remove_prefix(static_cast<std::size_t>(n));
        at = advanced(at, n);
    }
    changed();
}

void TEmulSpeicher::sendPiece(const TBankAdresse& at, std::string_view piece) {
    if (kind_ == KindTrace) throw EVokWinAddressError(std::string(LoadStr(68)));
    requireRunnable(true);
    TEmulator& emu = owner_.Emulator();
    auto lock = emu.LockLink();
    switch (kind_) {
    case KindProgram: emu.Download().ProgSchreibenHandshake(at, piece); return;
    case KindExtData: emu.Download().WriteXdata(at, piece); return;
    case KindEmul:
    case KindEmulHigh: emu.Download().WriteSystem(at, piece, kind_ == KindEmulHigh); return;
    case KindSelect: emu.Download().WriteSelect(at, piece); return;
    case KindIntData:
        for (std::size_t i = 0; i < piece.size(); ++i)
            emu.WriteN(static_cast<std::uint16_t>(IntDataBase + at.offset + i), static_cast<std::uint8_t>(piece[i]));
        return;
    case KindSystem:
        for (std::size_t i = 0; i < piece.size(); ++i)
            emu.WriteN(static_cast<std::uint16_t>(at.offset + i), static_cast<std::uint8_t>(piece[i]));
        return;
    case KindSfr: {
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const auto address = static_cast<std::uint8_t>(at.offset + i);
            emu.WriteSfr(address, static_cast<std::uint8_t>(piece[i]));
            rereadCanDat(address);
        }
        return;
    }
    case KindBit:
        for (std::size_t i = 0; i < piece.size(); ++i) {
            const auto bit = static_cast<std::uint16_t>(at.offset + i);
            const auto mask = static_cast<std::uint8_t>(1u << (bit & 7));
            if (bit >= 0x80) {
                const auto sfrAddress = static_cast<std::uint8_t>(bit & 0xF8);
                const std::uint8_t old = emu.ReadSfr(sfrAddress);
                emu.WriteSfr(sfrAddress, static_cast<std::uint8_t>(piece[i] ? old | mask : old & ~mask));
                sfrBitsWritten_ = true;
                rereadCanDat(sfrAddress);
            } else {
                const auto cell = static_cast<std::uint16_t>(BitBase + bit / 8);
                const std::uint8_t old = emu.ReadN(cell);
                emu.WriteN(cell, static_cast<std::uint8_t>(piece[i] ? old | mask : old & ~mask));
                dataBitsWritten_ = true;
            }
        }
        return;
    default: accessError(79);
    }
}

void TEmulSpeicher::rereadCanDat(std::uint8_t written) {
    // Writing CANADR, as a byte or a bit, moves the window that CANDAT shows.
    const TSfrConfig& sfr = owner_.SfrConfig();
    if (sfr.CanAdrAddress() != written || sfr.CanDatAddress() > 0xFF || sfr.CanDatAddress() == written) return;
    TEmulSpeicher& space = owner_.Space(SpaceKind::Sfr);
    const bool was = owner_.NoCache();
    owner_.SetNoCache(true);
    try {
        space.ReadBlock(UnbankedAdresse(sfr.CanDatAddress()), 1);
    } catch (...) {
        owner_.SetNoCache(was);
        throw;
    }
    owner_.SetNoCache(was);
}

void TEmulSpeicher::changed() {
    INotifier& notifier = owner_.Notifier();
    switch (kind_) {
    case KindProgram: notifier.send(notify::ProgramChanged, this); break;
    case KindIntData: notifier.send(notify::IntDataChanged, this); break;
    case KindExtData: notifier.send(notify::ExtDataChanged, this); break;
    case KindBit:
        if (dataBitsWritten_) notifier.send(notify::IntDataChanged, this);
        if (sfrBitsWritten_) notifier.send(notify::SfrChanged, this);
        break;
    case KindSfr: notifier.send(notify::SfrChanged, this); break;
    case KindSystem:
    case KindEmulHigh: notifier.send(notify::SystemChanged, this); break;
    case KindEmul: notifier.send(notify::EmulSystemChanged, this); break;
    case KindSelect: notifier.send(notify::SelectMemoryChanged, this); break;
    default: break;
    }
    dataBitsWritten_ = sfrBitsWritten_ = false;
}

void TEmulSpeicher::WriteRange(const TBankAdresse& address, std::string_view data) {
    requireState();
    const auto count = static_cast<std::int32_t>(data.size());
    CheckRange(address, count);
    checkMapped(address, count);
    if (count == 0) return;
    requireRunnable(true);
    TEmulator& emu = owner_.Emulator();
    bool sent = true;
    {
        auto lock = emu.LockLink();
        switch (kind_) {
        case KindIntData:
        case KindSystem: {
            std::uint16_t at = kind_ == KindIntData ? static_cast<std::uint16_t>(IntDataBase + address.offset)
                                                    : address.offset;
            for (std::string_view rest = data; !rest.empty();) {
                const std::string_view block = rest.substr(0, MaxMasterBlock);
                emu.WriteMasterBlock(at, block);
                at = static_cast<std::uint16_t>(at + block.size());
                rest.remove_prefix(block.size());
            }
            break;
        }
        case KindExtData:
            for (std::string_view rest = data; !rest.empty();) {
                const std::string_view block = rest.substr(0, 255);
                sendPiece(advanced(address, static_cast<std::int32_t>(data.size() - rest.size())), block);
                rest.remove_prefix(block.size());
            }
            break;
        default: sent = false; break;
        }
    }
    removeOverlapping(address, count);
    if (sent) changed();
}

void TEmulSpeicher::WriteProgram(const TBankAdresse& address, std::string_view data) {
    if (kind_ != KindProgram) return;
    requireState();
    CheckRange(address, static_cast<std::int32_t>(data.size()));
    if (data.empty()) return;
    // The download addresses one bank at a time; a range that the check let
    // run on into the next bank goes out bank by bank.
    TBankAdresse at = address;
    while (!data.empty()) {
        std::size_t n = data.size();
        if (linearRange(at)) n = std::min<std::size_t>(n, 0x10000u - at.offset);
        owner_.Emulator().Download().ProgLaden(at, data.substr(0, n));
        removeOverlapping(at, static_cast<std::int32_t>(n));
        dropCodeAliases(at, static_cast<std::int32_t>(n));
        data.remove_prefix(n);
        at = advanced(at, static_cast<std::int32_t>(n));
    }
    changed();
}

void TEmulSpeicher::WriteSfr(std::uint8_t address, std::uint8_t value) {
    requireKind(kind_ == KindBit || kind_ == KindSfr);
    WriteBlock(UnbankedAdresse(address), std::string(1, static_cast<char>(value)));
}

void TEmulSpeicher::WriteRegister(int n, std::uint8_t value) {
    requireKind(kind_ == KindIntData);
    const std::uint8_t psw = owner_.Space(SpaceKind::Sfr).ReadByte(0xD0);
    WriteBlock(UnbankedAdresse(static_cast<std::uint16_t>((psw & 0x18) + (n & 7))),
               std::string(1, static_cast<char>(value)));
}

void TEmulSpeicher::WriteRegisterBank(std::string_view values) {
    requireKind(kind_ == KindIntData);
    const std::uint8_t psw = owner_.Space(SpaceKind::Sfr).ReadByte(0xD0);
    WriteBlock(UnbankedAdresse(psw & 0x18), values.substr(0, 8));
}

void TEmulSpeicher::SetSfrImage(std::string_view values) {
    if (kind_ != KindSfr) return;
    const TRegisterTabelle& registers = owner_.Registers();
    const int count = registers.SfrCount();
    if (values.size() < static_cast<std::size_t>(count)) return;
    cache_.Clear();
    for (int i = 0; i < count; ++i) {
        const TBankAdresse at = UnbankedAdresse(registers.SfrAddress(i));
        const char value = values[static_cast<std::size_t>(i)];
        const Found f = search(at, false);
        if (f.found) {
            TSpeicherBlock& b = cache_[f.index];
            b.data[static_cast<std::size_t>(at.offset - b.start.offset)] = value;
            continue;
        }
        // Extends the block that ends just below, if any.
        if (f.index > 0) {
            TSpeicherBlock& before = cache_[f.index - 1];
            if (sameClass(before.start, at) && before.start.offset + before.length == at.offset) {
                before.data += value;
                ++before.length;
                continue;
            }
        }
        auto block = std::make_unique<TSpeicherBlock>();
        block->start = at;
        block->data.assign(1, value);
        block->length = 1;
        insertBlock(std::move(block), f.index);
    }
    const std::uint16_t canAdr = owner_.SfrConfig().CanAdrAddress();
    if (canAdr <= 0xFF) {
        const int index = registers.IndexOfSfr(static_cast<std::uint8_t>(canAdr));
        if (index >= 0 && index < count)
            owner_.Emulator().SetCanAdrValue(static_cast<std::uint8_t>(values[static_cast<std::size_t>(index)]));
    }
}

void TEmulSpeicher::ClearProgramCache() {
    if (kind_ == KindProgram) cache_.Clear();
}

void TEmulSpeicher::SetProgramMaxAdresse(std::uint16_t offset) {
    if (kind_ != KindProgram || offset == programMax_) return;
    programMax_ = offset;
    owner_.Notifier().send(notify::ProgramMaxChanged, this);
}

void TEmulSpeicher::SetXdataMaxAdresse(std::uint16_t offset) {
    if (kind_ != KindExtData || offset == xdataMax_) return;
    xdataMax_ = offset;
    owner_.Notifier().send(notify::ExtDataMaxChanged, this);
}

// ---- Notifications

void TEmulSpeicher::Notify(std::uint8_t code, const void* data) {
    const bool other = data != static_cast<const void*>(this);
    const TBanking* banking = owner_.Banking();
    const bool sharedExtData = banking && bankedExtDataMode(banking->bankingMode());
    const auto is = [&](std::initializer_list<std::uint8_t> kinds) {
        return std::find(kinds.begin(), kinds.end(), kind_) != kinds.end();
    };
    bool clear = false;
    switch (code) {
    case notify::ProgramChanged:
    case notify::EmulSystemChanged:
        clear = other && (is({KindProgram, KindEmul}) || (kind_ == KindExtData && sharedExtData));
        break;
    case notify::IntDataChanged: clear = (kind_ == KindIntData && other) || kind_ == KindBit; break;
    case notify::ExtDataChanged:
        clear = other && (is({KindExtData, KindEmul}) || (kind_ == KindProgram && sharedExtData));
        break;
    case notify::SfrChanged: clear = (kind_ == KindSfr && other) || is({KindExtData, KindBit}); break;
    case notify::TraceChanged: clear = kind_ == KindTrace; break;
    case notify::SystemChanged: clear = is({KindSystem, KindEmulHigh}); break;
    case notify::ProgramLoaded: clear = kind_ == KindProgram; break;
    case notify::TargetHalted:
        // A step may have written the frames of a cached block.
        InvalidateCache();
        clear = kind_ == KindTrace;
        break;
    case notify::AllMemoryChanged: clear = true; break;
    case notify::BankingChanged: clear = is({KindProgram, KindExtData}); break;
    case notify::SelectMemoryChanged:
    case notify::BreakTablesChanged:
    case notify::TraceTablesChanged: clear = kind_ == KindSelect; break;
    case notify::EmulatorState:
        if (kind_ == KindProgram) {
            cache_.Clear();
            if (owner_.Emulator().ProzessorTyp() == 9) SetProgramMaxAdresse(0x0FFF);
        }
        break;
    case notify::ProcessorChanged:
        if (is({KindProgram, KindExtData})) cache_.Clear();
        if (kind_ == KindProgram) SetProgramMaxAdresse(owner_.Emulator().ProzessorTyp() == 9 ? 0x0FFF : 0xFFFF);
        break;
    default: break;
    }
    if (clear) cache_.Clear();
}

// ---------------------------------------------------------------- TEmulSpaces

class TEmulSpaces::ProgramCodeReader final : public ICodeReader {
public:
    explicit ProgramCodeReader(TEmulSpaces& spaces) : spaces_(spaces) {}
    int read(TBankAdresse at, std::uint8_t* buf, int n) override {
        if (!buf || n <= 0) return 0;
        try {
            TEmulSpeicher& program = spaces_.Space(SpaceKind::Program);
            const TBankAdresse a = program.NormAdresse(at);
            const std::int32_t room = program.GetMaxAdresse().offset - a.offset + 1;
            const std::int32_t count = std::min<std::int32_t>(n, room);
            if (count <= 0) return 0;
            const std::string bytes = program.ReadBlock(a, count);
            std::memcpy(buf, bytes.data(), bytes.size());
            return static_cast<int>(bytes.size());
        } catch (...) {
            // Lookups must not fail: the code is just unavailable now.
            return 0;
        }
    }

private:
    TEmulSpaces& spaces_;
};

TEmulSpaces::TEmulSpaces(TEmulator& emulator, TSfrConfig& sfr, TRegisterTabelle& registers, INotifier& notifier,
                         const TargetParts& parts)
    : emulator_(emulator),
      sfr_(sfr),
      registers_(registers),
      notifier_(notifier),
      parts_(parts),
      directPort_(emulator) {
    static constexpr std::uint8_t kinds[10] = {0, 1, 2, 3, 4, 5, 6, 9, 10, 11};
    for (std::size_t i = 0; i < spaces_.size(); ++i) spaces_[i] = std::make_unique<TEmulSpeicher>(*this, kinds[i]);
    codeReader_ = std::make_unique<ProgramCodeReader>(*this);
}

TEmulSpaces::~TEmulSpaces() {
    if (banking_) banking_->SetPortAccess(nullptr);
}

void TEmulSpaces::SetBanking(TBanking* banking) {
    if (banking_ && banking_ != banking) banking_->SetPortAccess(nullptr);
    banking_ = banking;
    if (banking_) banking_->SetPortAccess(this);
}

TEmulSpeicher* TEmulSpaces::GetEmulSpeicher(int kind) const {
    const int k = kind & 0x7F;
    if (k >= 0 && k <= 6) return spaces_[static_cast<std::size_t>(k)].get();
    if (k >= 9 && k <= 11) return spaces_[static_cast<std::size_t>(k - 2)].get();
    return nullptr;
}

void TEmulSpaces::EmulSpeicherNotify(std::uint8_t code, const void* data) {
    if (code > 32) return;
    for (int kind : {3, 2, 1, 0, 4, 5, 6, 9, 10, 11}) GetEmulSpeicher(kind)->Notify(code, data);
}

TBankAdresse TEmulSpaces::minAddress(SpaceKind space) const {
    const TEmulSpeicher* s = GetEmulSpeicher(static_cast<int>(space));
    return s ? s->GetMinAdresse() : UnbankedAdresse(0);
}

TBankAdresse TEmulSpaces::maxAddress(SpaceKind space) const {
    const TEmulSpeicher* s = GetEmulSpeicher(static_cast<int>(space));
    return s ? s->GetMaxAdresse() : UnbankedAdresse(0xFFFF);
}

TBankAdresse TEmulSpaces::normalize(SpaceKind space, TBankAdresse address) const {
    const TEmulSpeicher* s = GetEmulSpeicher(static_cast<int>(space));
    return s ? s->NormAdresse(address) : address;
}

std::uint8_t TEmulSpaces::ReadSfr(std::uint8_t address) { return Space(SpaceKind::Sfr).ReadByte(address); }

void TEmulSpaces::WriteSfr(std::uint8_t address, std::uint8_t value) { Space(SpaceKind::Sfr).WriteSfr(address, value); }

// Straight to the board: the external-data space would select the variable
// bank first, which is what the port is being read and written for.
std::uint8_t TEmulSpaces::ReadXdataByte(std::uint16_t address) { return directPort_.ReadXdataByte(address); }

void TEmulSpaces::WriteXdataByte(std::uint16_t address, std::uint8_t value) {
    directPort_.WriteXdataByte(address, value);
    // Another bank shows now.
    notifier_.send(notify::ExtDataChanged, this);
}

}  // namespace tarvex
