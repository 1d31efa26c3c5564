// The select tables onto the board: the qualifier memory through the range
// command "B", the line-number qualifier as a stream of distances, the
// register block, trigger counter, break-data and map images as master
// memory ("PN") and the logic-probe table of the oldest boards.
#include <algorithm>
#include <map>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/line_table.hpp"
#include "core/messages.hpp"
#include "core/notice.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/trace_info.hpp"

namespace tarvex {

namespace {

constexpr int kMsgAccessDenied = 272, kMsgInitBanks = 83;
constexpr std::uint16_t RegisterAddress = 0x7BF0, CounterAddress = 0x7BED, BreakDataAddress = 0xF200,
                        MapAddress = 0xC000;
// Distances per write of the line stream.
constexpr std::size_t MaxOffsetString = 51;

std::string pnHeader(std::uint8_t count, std::uint16_t address) {
    return std::string{'P', 'N', static_cast<char>(count), static_cast<char>(address >> 8),
                       static_cast<char>(address & 0xFF)};
}

template <std::size_t N>
std::string bytesOf(const std::array<std::uint8_t, N>& image, std::size_t from, std::size_t count) {
    return std::string(reinterpret_cast<const char*>(image.data() + from), count);
}

bool codeBanking(int mode) { return TBanking::DefaultBankOfMode(mode) < 255; }

}  // namespace

bool TSelectTabelle::BoardReady() const {
    return live_ && emulator_.ConnectionState() >= TBasisEmulator::StateStarting;
}

// External data has a qualifier plane of its own unless the banking mode or
// the board puts its bits into the code planes.
bool TSelectTabelle::dataPlaneOwn() const {
    const int mode = banking_.bankingMode();
    const bool shared = mode == 1 || mode == 4 || mode == 5 || mode == 8 || mode == 9;
    return !shared && emulator_.Profile().ownDataPlane;
}

void TSelectTabelle::PrepareTransmit() {
    auto lock = emulator_.LockLink();
    emulator_.Schreiben(std::string("K\x02", 2));
    emulator_.Wait(20);
}

void TSelectTabelle::sendRange(int accessKind, int bank, std::uint16_t start, std::uint16_t end, std::uint8_t mask,
                               std::uint8_t flag) {
    banking_.WriteBank(accessKind, bank);
    emulator_.Schreiben(std::string{'B', static_cast<char>(start >> 8), static_cast<char>(start & 0xFF),
                                    static_cast<char>(end >> 8), static_cast<char>(end & 0xFF),
                                    static_cast<char>(mask), static_cast<char>(flag)});
    emulator_.Lesen(1);
}

void TSelectTabelle::transmitRange(const TSelectItem& item, SpaceKind space, std::uint8_t bit, bool set) {
    const std::uint8_t mask = set ? bit : static_cast<std::uint8_t>(~bit);
    const std::uint8_t flag = set ? 0x01 : 0x00;
    const bool data = space == SpaceKind::ExtData;
    const int mode = banking_.bankingMode();
    const bool banked = codeBanking(mode);
    // Data ranges go into every code plane while the code is banked and the
    // data is not; banked data has planes of its own.
    const bool dataInCodeBanks = data && banked && !banking_.varBanking();
    const SpaceKind bankSpace = dataInCodeBanks ? SpaceKind::Program : space;
    const int accessKind = data && !dataInCodeBanks ? TBanking::KindMonitor : TBanking::KindReset;
    const TBankAdresse lo = spaces_.minAddress(bankSpace), hi = spaces_.maxAddress(bankSpace);

    int firstBank = 0, lastBank = 0;
    if (item.start.allBanks || dataInCodeBanks) {
        firstBank = lo.banked ? lo.bank : 0;
        lastBank = hi.banked ? hi.bank : 0;
    } else if (item.start.banked) {
        firstBank = item.start.bank;
        lastBank = item.end.banked ? item.end.bank : item.start.bank;
    }
    if (data && banking_.varBanking()) lastBank = std::min(lastBank, banking_.HardwareBankLimit());
    const bool perBankEnds = !item.start.allBanks && !dataInCodeBanks && item.start.banked;

    PrepareTransmit();
    for (int b = firstBank; b <= lastBank; ++b) {
        std::uint16_t from = item.start.offset, to = item.end.offset;
        if (perBankEnds) {
            from = b == firstBank ? item.start.offset : 0x0000;
            to = b == lastBank ? item.end.offset : 0xFFFF;
        }
        if (!banked && !(data && banking_.varBanking())) {
            sendRange(accessKind, 0, from, to, mask, flag);
            continue;
        }
        // The physical form of a bank's range: the windows of the code
        // banking (0x8000 in modes 5-8, 0x4000 in modes 9-11) are cut apart
        // wherever the next one does not follow on in the same hardware
        // bank: bank 0's window lies at the bottom of its hardware bank, and
        // in modes 9-11 a window repeats at 0x8000 and 0xC000.
        const auto bank = static_cast<std::uint8_t>(b);
        const std::uint32_t step = mode >= 9 ? 0x4000 : mode >= 5 ? 0x8000 : 0x10000;
        TBankAdresse pieceStart = banking_.PhysicalAddress(BankedAdresse(bank, from));
        TBankAdresse pieceEnd = pieceStart;
        // The repeats of a 16 KB window give the same piece again: once is enough.
        std::vector<std::pair<TBankAdresse, TBankAdresse>> sent;
        const auto send = [&] {
            if (std::find(sent.begin(), sent.end(), std::make_pair(pieceStart, pieceEnd)) != sent.end()) return;
            sendRange(accessKind, pieceStart.bank, pieceStart.offset, pieceEnd.offset, mask, flag);
            sent.emplace_back(pieceStart, pieceEnd);
        };
        for (std::uint32_t at = from; at <= to;) {
            const std::uint32_t last = std::min<std::uint32_t>(to, (at / step + 1) * step - 1);
            const TBankAdresse ps = banking_.PhysicalAddress(BankedAdresse(bank, static_cast<std::uint16_t>(at)));
            const TBankAdresse pe = banking_.PhysicalAddress(BankedAdresse(bank, static_cast<std::uint16_t>(last)));
            if (at == from) {
                pieceStart = ps;
            } else if (ps.bank != pieceEnd.bank || ps.offset != static_cast<std::uint16_t>(pieceEnd.offset + 1)) {
                send();
                pieceStart = ps;
            }
            pieceEnd = pe;
            at = last + 1;
        }
        send();
    }
    // The data plane of its own gets the range once more when the code
    // planes took it above.
    if (data && dataInCodeBanks && dataPlaneOwn()) sendRange(TBanking::KindMonitor, 0, item.start.offset,
                                                             item.end.offset, mask, flag);
}

void TSelectTabelle::TransmitSelectItem(const TSelectItem& item, int kind, bool set, bool progress) {
    const SelectKindInfo* row = SelectKindRow(kind);
    if (row == nullptr || row->role == SelectRole::LineTrace) throw ESelectError(std::string(LoadStr(kMsgAccessDenied)));
    const bool dataBus = row->role == SelectRole::BreakData;
    const bool map = row->role == SelectRole::Map;
    const bool ready = BoardReady();
    std::unique_ptr<TFormHinweis> notice;
    if (progress && ready) {
        const char* what = row->role == SelectRole::Break   ? "break addresses"
                           : row->role == SelectRole::Trace ? "trace addresses"
                           : dataBus                        ? "data bus condition"
                                                            : "map addresses";
        notice = HinweisZeigen(std::string(set ? "Setting " : "Clearing ") + what);
    }
    if (dataBus) {
        const std::uint8_t bit = ChannelBit(kind);
        for (int v = item.start.offset & 0xFF; v <= (item.end.offset & 0xFF); ++v) {
            auto& b = breakData_[static_cast<std::size_t>(v)];
            b = static_cast<std::uint8_t>(set ? b | bit : b & ~bit);
        }
        breakDataDirty_ = true;
        TransmitBreakData();
    } else if (map) {
        const std::uint8_t bit = row->space == SelectSpace::Program ? 0x02 : 0x01;
        for (int p = item.start.offset >> 6; p <= item.end.offset >> 6; ++p) {
            auto& b = map_[static_cast<std::size_t>(p)];
            b = static_cast<std::uint8_t>(set ? b | bit : b & ~bit);
        }
        mapDirty_ = true;
        TransmitMapData();
    } else if (ready) {
        // Below state 4 the list holds the range and the next start puts
        // every kept list back.
        auto lock = emulator_.LockLink();
        transmitRange(item, spaceOf(kind), ChannelBit(kind), set);
    }
}

void TSelectTabelle::TransmitBreakData() {
    if (!breakDataDirty_ || !BoardReady()) return;
    auto lock = emulator_.LockLink();
    emulator_.Log("SelectTabelle.TransmitBreakData");
    emulator_.Schreiben(pnHeader(0x01, BreakDataAddress) + bytesOf(breakData_, 0, 1) +
                        pnHeader(0xFF, BreakDataAddress + 1));
    emulator_.Schreiben(bytesOf(breakData_, 1, 255));
    breakDataDirty_ = false;
}

void TSelectTabelle::TransmitMapData() {
    if (!mapDirty_ || !BoardReady()) return;
    auto lock = emulator_.LockLink();
    emulator_.Log("SelectTabelle.TransmitMapData");
    for (std::size_t i = 0; i < 8; ++i)
        emulator_.Schreiben(pnHeader(0x80, static_cast<std::uint16_t>(MapAddress + 128 * i)) +
                            bytesOf(map_, 128 * i, 128));
    mapDirty_ = false;
}

void TSelectTabelle::TransmitBreakTraceRegister() {
    if (!BoardReady()) return;
    auto lock = emulator_.LockLink();
    emulator_.Log("SelectTabelle.TransmitBreakTraceRegister");
    if (registersDirty_) {
        emulator_.Schreiben(pnHeader(13, RegisterAddress) + bytesOf(registers_, 0, 13));
        if (trace_ != nullptr) trace_->setBreakOnOverflow(breakMode_ == bmTraceOverflow);
        registersDirty_ = false;
    }
    if (counterDirty_) {
        emulator_.Schreiben(pnHeader(3, CounterAddress) + bytesOf(triggerCounter_, 0, 3));
        counterDirty_ = false;
    }
    if (timeBaseChanged_ && trace_ != nullptr) {
        trace_->setTraceModus(timeBase_ + 1);
        timeBaseChanged_ = false;
    }
    TransmitBreakData();
    TransmitLogicProbes();
    TransmitMapData();
    emulator_.Log("SelectTabelle.TransmitBreakTraceRegister Ende");
}

void TSelectTabelle::TransmitLineNumbers() {
    if (lines_ == nullptr || !live_) return;
    if (!BoardReady()) {
        linesPending_ = true;
        return;
    }
    linesPending_ = false;
    // The code addresses per hardware-bank-relevant bank, in address order.
    std::map<int, std::vector<std::uint16_t>> byBank;
    for (std::size_t i = 0; i < lines_->Count(); ++i) {
        const TZeilennummer* record = lines_->Items(i);
        if (record == nullptr) continue;
        if (!codeBanking(banking_.bankingMode())) {
            byBank[0].push_back(record->address.offset);
            continue;
        }
        // A common-area line is in every program bank: in modes 1-4 each
        // hardware bank holds a copy of the common area of its own.
        const TBankAdresse address = banking_.NormalizeAddress(record->address);
        if (address.banked && !address.allBanks) {
            const TBankAdresse physical = banking_.PhysicalAddress(address);
            byBank[physical.bank].push_back(physical.offset);
            continue;
        }
        for (int b = 0; b <= banking_.MaxBank(); ++b) {
            const TBankAdresse physical =
                banking_.PhysicalAddress(BankedAdresse(static_cast<std::uint8_t>(b), address.offset));
            // Banks that share a hardware bank give the same address twice;
            // the stream skips repeats.
            byBank[physical.bank].push_back(physical.offset);
        }
    }
    if (byBank.empty()) return;
    auto lock = emulator_.LockLink();
    std::unique_ptr<TFormHinweis> notice = HinweisZeigen("Setting line number addresses ");
    std::string offsets;
    std::uint16_t current = 0;
    const auto header = [&](std::uint16_t base) {
        emulator_.Schreiben(std::string{'\x9A', static_cast<char>(ChannelBit(17)), static_cast<char>(base >> 8),
                                        static_cast<char>(base & 0xFF)});
        current = base;
    };
    const auto flush = [&] {
        emulator_.Log("Länge OffsetString: " + std::to_string(offsets.size()));
        emulator_.Schreiben(offsets);
        offsets.clear();
    };
    bool sent = false;
    for (auto& [bank, addresses] : byBank) {
        std::sort(addresses.begin(), addresses.end());
        if (sent) {
            // The distances still pending belong to the old bank: they go
            // out with its terminator.
            offsets.push_back('\0');
            flush();
            emulator_.Log("Bankwechsel: Offset 0 und Grundadresse übertragen");
            emulator_.Lesen(1);
        }
        banking_.WriteBank(TBanking::KindReset, bank);
        header(addresses.front());
        emulator_.Log("erste Grundadresse übertragen");
        sent = true;
        for (std::size_t i = 1; i < addresses.size(); ++i) {
            const std::uint16_t a = addresses[i];
            if (a == current) continue;
            const int d = a > current && a - current < 256 ? a - current : 0;
            offsets.push_back(static_cast<char>(d));
            if (d == 0 || offsets.size() >= MaxOffsetString) flush();
            if (d == 0) {
                emulator_.Log("letzter Offset 0: Quittung lesen und Grundadresse übertragen");
                emulator_.Lesen(1);
                header(a);
            } else {
                current = a;
            }
        }
    }
    offsets.push_back('\0');
    emulator_.Log("Fertig: Offset 0 übertragen");
    flush();
    emulator_.Log("Quittung lesen");
    emulator_.Lesen(1);
}

void TSelectTabelle::TransmitLogicProbes() {
    if (!logicProbesDirty_) return;
    // The image follows the text at once; the board gets it when it is there.
    if (!emulator_.Profile().ownDataPlane) buildLogicProbeImage();
    if (!BoardReady()) return;
    if (emulator_.Profile().ownDataPlane) {
        if (trace_ != nullptr) trace_->setBreakOnLogicProbe(logicProbeText_);
        logicProbesDirty_ = false;
        return;
    }
    auto lock = emulator_.LockLink();
    PrepareTransmit();
    emulator_.Schreiben("o$p");
    for (std::uint8_t byte : logicProbes_) {
        emulator_.Lesen(1);
        emulator_.Schreiben(std::string(1, static_cast<char>(~byte)));
    }
    logicProbesDirty_ = false;
}

void TSelectTabelle::ResetTraceSettings() {
    if (trace_ != nullptr) trace_->resetTraceSettings();
}

void TSelectTabelle::RebuildImages() {
    if (!BoardReady()) return;
    auto lock = emulator_.LockLink();
    const int mode = banking_.bankingMode();
    std::unique_ptr<TFormHinweis> notice;
    if (codeBanking(mode)) notice = HinweisZeigen(std::string(LoadStr(kMsgInitBanks)));
    std::uint8_t codeMask = 0, dataMask = 0;
    for (int kind = select_kind::Filter1; kind <= select_kind::Filter3; ++kind) (codeMode(kind) ? codeMask : dataMask) |= ChannelBit(kind);
    const bool ownData = dataPlaneOwn();
    if (!ownData) codeMask = static_cast<std::uint8_t>(codeMask | dataMask);
    const int last = codeBanking(mode) ? TBanking::DefaultBankOfMode(mode) : 0;
    for (int bank = 0; bank <= last; ++bank) sendRange(TBanking::KindReset, bank, 0x0000, 0xFFFF, codeMask, 0x02);
    if (ownData) sendRange(TBanking::KindMonitor, 0, 0x0000, 0xFFFF, dataMask, 0x02);
}

void TSelectTabelle::clearBoardSpace(int kind) {
    const SpaceKind space = spaceOf(kind);
    TransmitSelectItem(*wholeSpaceItem(space), kind, false, false);
    if (spaces_.maxAddress(space).banked) {
        TSelectItem all;
        all.start = AllBanksAdresse(spaces_.minAddress(space).offset);
        all.end = AllBanksAdresse(spaces_.maxAddress(space).offset);
        TransmitSelectItem(all, kind, false, false);
    }
}

void TSelectTabelle::putListBack(int kind) {
    clearBoardSpace(kind);
    transmitList(list(kind));
}

void TSelectTabelle::InitEmulStart() {
    emulator_.Log("SelectTabelle.InitEmulStart");
    // A restart (after a link time-out) keeps what the user set: only the
    // lists nobody changed take their defaults, the kept ones go back onto
    // the rebuilt qualifier memory.
    for (int kind = FirstKind; kind <= LastKind; ++kind)
        if (kind != select_kind::LineTrace && !GetList(kind).Changed()) ResetList(kind);
    RebuildImages();
    for (int kind = select_kind::Break1; kind <= select_kind::Filter3; ++kind)
        if (GetList(kind).Changed()) putListBack(kind);
    if (lines_ != nullptr && (lines_->Count() > 0 || linesPending_)) TransmitLineNumbers();
    breakDataDirty_ = true;
    mapDirty_ = true;
    registersDirty_ = true;
    counterDirty_ = true;
    logicProbesDirty_ = true;
    TransmitBreakTraceRegister();
    emulator_.Log("SelectTabelle.InitEmulStart Ende");
}

}  // namespace tarvex
