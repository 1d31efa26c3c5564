#include "host/copy_fill.hpp"

#include <algorithm>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "core/errors.hpp"
#include "core/messages.hpp"
#include "core/notice.hpp"
#include "emulator/banking.hpp"
#include "emulator/board_copy.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/sfr_config.hpp"
#include "host/command.hpp"

namespace tarvex {

namespace {

// The board takes its time over a long copy or fill before it answers.
constexpr std::uint32_t LongCommandTimeoutMs = 1500;
// Internal data is reached through the board's master memory.
constexpr std::uint16_t IntDataBase = 0x7A00;
// The processor family whose external data the emulator cannot reach.
constexpr int NoExtDataFamily = 9;
constexpr int ProgramMapKind = 22;

TEmulSpeicher* copySpace(TEmulSpaces& spaces, std::uint8_t kind) {
    switch (kind) {
        case memkind::Program: return spaces.GetEmulSpeicher(0);
        case memkind::IntData: return spaces.GetEmulSpeicher(1);
        case memkind::ExtData: return spaces.GetEmulSpeicher(2);
        case memkind::System: return spaces.GetEmulSpeicher(5);
        default: return nullptr;
    }
}

TEmulSpeicher* fillSpace(TEmulSpaces& spaces, std::uint8_t kind) {
    switch (kind) {
        case memkind::SysEmul: return spaces.GetEmulSpeicher(9);
        case memkind::SysEmulHigh: return spaces.GetEmulSpeicher(10);
        case memkind::SysSelect: return spaces.GetEmulSpeicher(11);
        default: return copySpace(spaces, kind);
    }
}

// What changed, for the caches of the other components. Emulator system
// high memory is written through its space, which reports it (7) itself.
std::uint8_t notificationOf(std::uint8_t kind) {
    switch (kind) {
        case memkind::Program: return notify::ProgramChanged;
        case memkind::IntData: return notify::IntDataChanged;
        case memkind::ExtData: return notify::ExtDataChanged;
        case memkind::System: return notify::SystemChanged;
        case memkind::SysEmul: return notify::EmulSystemChanged;
        default: return 0;
    }
}

void checkAccess(TEmulSpaces& spaces, std::uint8_t kind, bool needsReset) {
    if (const IRunControlPart* run = spaces.Parts().runControl) {
        if (run->IsRunning()) throw ETarvexAccessError(std::string(LoadStr(72)));
        if (needsReset && run->NotYetReset()) throw ETarvexAccessError(std::string(LoadStr(34)));
    }
    if (kind == memkind::ExtData && spaces.SfrConfig().GetOptionNummer() == NoExtDataFamily)
        throw EVokWinFileError(FmtLoadStr(111, spaces.SfrConfig().TargetName()));
}

// The notice and the raised time-out of one long board command; both are
// undone when it ends, also by an exception.
class LongCommand {
public:
    LongCommand(TEmulator& emulator, const std::string& text)
        : notice_(HinweisZeigen(text)), timeout_(emulator, LongCommandTimeoutMs) {}
    ~LongCommand() { HinweisSchliessen(notice_); }
    LongCommand(const LongCommand&) = delete;
    LongCommand& operator=(const LongCommand&) = delete;

private:
    std::unique_ptr<TFormHinweis> notice_;
    TEmulator::RaisedTimeout timeout_;
};

// The command's program map on the board for the time of an EPROM copy, so
// that the board reads the target's own memory there.
class ProgramMapSwap {
public:
    ProgramMapSwap(TSelectTabelle* live, const TSelectTabelle* source) {
        if (live == nullptr || source == nullptr || source == live) return;
        saved_ = live->GetItemText(ProgramMapKind);
        live_ = live;
        live->SetItemText(ProgramMapKind, source->GetItemText(ProgramMapKind));
    }
    void Restore() {
        TSelectTabelle* live = std::exchange(live_, nullptr);
        if (live) live->SetItemText(ProgramMapKind, saved_);
    }
    // After a failure the link may be gone; the list is put back all the
    // same, and what cannot reach the board waits for the next start.
    ~ProgramMapSwap() {
        try {
            Restore();
        } catch (const Exception&) {
        }
    }
    ProgramMapSwap(const ProgramMapSwap&) = delete;
    ProgramMapSwap& operator=(const ProgramMapSwap&) = delete;

private:
    TSelectTabelle* live_ = nullptr;
    std::string saved_;
};

TBankAdresse physicalAddress(TEmulSpaces& spaces, const TBankAdresse& address) {
    const TBanking* banking = spaces.Banking();
    return banking ? banking->PhysicalAddress(address) : address;
}

std::uint32_t mappedRun(TEmulSpaces& spaces, std::uint16_t offset) {
    const TBanking* banking = spaces.Banking();
    return banking ? banking->MappedRun(offset) : 0x10000u - offset;
}

TBankAdresse withOffset(TBankAdresse address, std::uint32_t offset) {
    address.offset = static_cast<std::uint16_t>(offset);
    return address;
}

void selectBank(TEmulSpaces& spaces, std::uint8_t kind, const TBankAdresse& address) {
    TBanking* banking = spaces.Banking();
    if (banking == nullptr) return;
    if (kind == memkind::Program) banking->SetBank(TBanking::KindCode, address);
    if (kind == memkind::ExtData) banking->SetBank(TBanking::KindXdata, address);
}

// The monitor runs its master-memory block commands through the bank
// register; the hardware bank must be put again before the next code access.
void masterBlockDone(TEmulSpaces& spaces) {
    if (TBanking* banking = spaces.Banking()) banking->InvalidHardwareBank();
}

std::uint16_t plus(std::uint16_t offset, std::uint32_t by) { return static_cast<std::uint16_t>(offset + by); }

void copyXdata(TEmulator& emulator, std::uint16_t start, std::uint16_t end, std::uint16_t destination,
               std::uint16_t destinationEnd, bool upward) {
    std::uint32_t count = static_cast<std::uint32_t>(end - start) + 1;
    while (count > 0) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(board_copy::XdataBlock, count));
        if (upward) {
            board_copy::XdataCopy(emulator, end, plus(end, 0x10000 - (n - 1)), destinationEnd, true);
            end = plus(end, 0x10000 - n);
            destinationEnd = plus(destinationEnd, 0x10000 - n);
        } else {
            board_copy::XdataCopy(emulator, start, plus(start, n - 1), destination, false);
            start = plus(start, n);
            destination = plus(destination, n);
        }
        count -= n;
    }
}

void fillXdata(TEmulator& emulator, std::uint16_t start, std::uint16_t end, std::uint8_t value) {
    std::uint32_t count = static_cast<std::uint32_t>(end - start) + 1;
    while (count > 0) {
        const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(board_copy::XdataBlock, count));
        board_copy::XdataFill(emulator, start, plus(start, n - 1), value);
        start = plus(start, n);
        count -= n;
    }
}

// The pieces of emulation memory that one fill has reached: in the banking
// modes with a window every bank shows the same common area, which is
// filled once.
using FilledPieces = std::vector<std::tuple<std::uint8_t, std::uint16_t, std::uint32_t>>;

// A program range of one bank, filled piece by piece: the board fills
// within the selected hardware bank, and the window and the common area of
// one bank lie in different ones.
void fillProgram(TEmulSpaces& spaces, const TBankAdresse& from, const TBankAdresse& to, std::uint8_t value,
                 FilledPieces& filled) {
    // A common-area address stands for every bank; the bank is the other end's.
    const TBankAdresse bank = from.banked && !from.allBanks ? from : to;
    const std::uint32_t first = std::min(from.offset, to.offset), last = std::max(from.offset, to.offset);
    for (std::uint32_t at = first; at <= last;) {
        const TBankAdresse piece = withOffset(bank, at);
        const std::uint32_t n = std::min(last - at + 1, mappedRun(spaces, piece.offset));
        at += n;
        const TBankAdresse place = physicalAddress(spaces, piece);
        const auto key = std::make_tuple(place.bank, place.offset, n);
        if (std::find(filled.begin(), filled.end(), key) != filled.end()) continue;
        filled.push_back(key);
        selectBank(spaces, memkind::Program, piece);
        board_copy::Fill(spaces.Emulator(), board_copy::FillMemory::Program, place.offset, plus(place.offset, n - 1),
                         value);
    }
}

// A program copy within one bank, piece by piece in the copy's direction,
// each piece of source and destination in one hardware bank. The board
// copies within its selected hardware bank only; a piece whose destination
// lies in another one is read and written back by the driver.
void copyProgram(TEmulSpaces& spaces, const TBankAdresse& start, const TBankAdresse& destination,
                 std::uint32_t length, bool upward, bool eprom) {
    TEmulator& emulator = spaces.Emulator();
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pieces;  // distance from the start, length
    for (std::uint32_t at = 0; at < length;) {
        const std::uint32_t n = std::min({length - at, mappedRun(spaces, plus(start.offset, at)),
                                          mappedRun(spaces, plus(destination.offset, at))});
        pieces.emplace_back(at, n);
        at += n;
    }
    if (upward) std::reverse(pieces.begin(), pieces.end());
    for (const auto& [at, n] : pieces) {
        const TBankAdresse from = withOffset(start, start.offset + at);
        const TBankAdresse to = withOffset(destination, destination.offset + at);
        const TBankAdresse source = physicalAddress(spaces, from), target = physicalAddress(spaces, to);
        if (source.bank != target.bank) {
            emulator.Download().ProgLaden(to, emulator.Download().ProgLesen(from, n));
            continue;
        }
        selectBank(spaces, memkind::Program, from);
        const bool up = !eprom && target.offset > source.offset;
        board_copy::Copy(emulator, board_copy::CopyMemory::Program, source.offset, plus(source.offset, n - 1),
                         up ? plus(target.offset, n - 1) : target.offset, up);
    }
}

// One bank's part of a fill: from..to lie in one bank (or are unbanked).
void fillRange(TEmulSpaces& spaces, TEmulSpeicher& space, std::uint8_t kind, const TBankAdresse& from,
               const TBankAdresse& to, std::uint8_t value, FilledPieces& filled) {
    TEmulator& emulator = spaces.Emulator();
    const std::uint32_t length = static_cast<std::uint32_t>(to.offset - from.offset) + 1;
    switch (kind) {
        case memkind::Program: fillProgram(spaces, from, to, value, filled); break;
        case memkind::SysEmul: {
            // The system planes are the code planes: the board's program
            // fill reaches them in the hardware bank the system reads use.
            const std::uint16_t first = emulator.Download().SelectSystemBank(from);
            board_copy::Fill(emulator, board_copy::FillMemory::Program, first, plus(first, length - 1), value);
            break;
        }
        case memkind::IntData:
            board_copy::Fill(emulator, board_copy::FillMemory::IntData, plus(from.offset, IntDataBase),
                             plus(to.offset, IntDataBase), value);
            masterBlockDone(spaces);
            break;
        case memkind::System:
            board_copy::Fill(emulator, board_copy::FillMemory::System, from.offset, to.offset, value);
            masterBlockDone(spaces);
            break;
        case memkind::ExtData:
            selectBank(spaces, kind, from);
            fillXdata(emulator, from.offset, to.offset, value);
            break;
        case memkind::SysEmulHigh:
            // Not "FH" start end value: a bare "FH" begins the pellunar
            // transmission, and the board could not tell the two apart. The
            // space's block writes carry the bytes instead.
            space.WriteBlock(from, std::string(length, static_cast<char>(value)));
            break;
        case memkind::SysSelect: emulator.Download().Fill(from, to, value); break;
        default: break;
    }
}

}  // namespace

void ExecuteCopyCommand(const TKommandoStruktur& command, const TCopyFillTargets& targets) {
    TEmulSpaces& spaces = targets.spaces;
    TEmulator& emulator = spaces.Emulator();
    const std::uint8_t kind = command.memoryKind;
    if (emulator.PellunarsOn() && kind == memkind::Program) throw ETarvexAccessError(std::string(LoadStr(311)));
    const bool eprom = kind == memkind::Program && (command.flag || command.code == cmd::CopyEprom);
    checkAccess(spaces, kind, kind == memkind::ExtData || eprom);
    TEmulSpeicher* space = copySpace(spaces, kind);
    if (space == nullptr) throw ECopyFillError(FmtLoadStr(176, std::string(MemoryKindName(kind))));

    TBankAdresse start = space->NormAdresse(command.start);
    TBankAdresse end = space->NormAdresse(command.end);
    TBankAdresse destination = space->NormAdresse(eprom ? command.start : command.destination);
    space->CheckAdresse(start);
    space->CheckAdresse(end);
    space->CheckAdresse(destination);
    if (start.bank != end.bank || start.bank != destination.bank) throw ECopyFillError(std::string(LoadStr(178)));
    if (start.offset > end.offset) std::swap(start, end);
    const std::uint32_t length = static_cast<std::uint32_t>(end.offset - start.offset) + 1;
    space->CheckRange(destination, static_cast<std::int32_t>(length));
    // In a banked space the range check lets the destination run on into the
    // next bank; its end would wrap round onto the start of this one.
    if (destination.offset + length - 1 > 0xFFFFu) throw ECopyFillError(std::string(LoadStr(178)));
    TBankAdresse destinationEnd = destination;
    destinationEnd.offset = plus(destination.offset, length - 1);
    if (!eprom && destination.offset == start.offset) return;

    if (kind == memkind::Program) emulator.Download().CopyPellunars(start, end, destination);
    LongCommand running(emulator, FmtLoadStr(180, std::string(MemoryKindName(kind))));
    selectBank(spaces, kind, start);
    const bool upward = !(destination.offset < start.offset || eprom);
    const std::uint16_t target = upward ? destinationEnd.offset : destination.offset;
    switch (kind) {
        case memkind::Program: {
            ProgramMapSwap map(eprom ? targets.selectTable : nullptr, targets.commandTable);
            copyProgram(spaces, start, destination, length, upward, eprom);
            map.Restore();
            emulator.Download().UpdatePellunars();
            break;
        }
        case memkind::IntData:
            board_copy::Copy(emulator, board_copy::CopyMemory::Master, plus(start.offset, IntDataBase),
                             plus(end.offset, IntDataBase), plus(target, IntDataBase), upward);
            masterBlockDone(spaces);
            break;
        case memkind::System:
            board_copy::Copy(emulator, board_copy::CopyMemory::Master, start.offset, end.offset, target, upward);
            masterBlockDone(spaces);
            break;
        case memkind::ExtData:
            copyXdata(emulator, start.offset, end.offset, destination.offset, destinationEnd.offset, upward);
            break;
        default: break;
    }
    spaces.Notifier().send(notificationOf(kind), nullptr);
}

void ExecuteInitializeCommand(const TKommandoStruktur& command, const TCopyFillTargets& targets) {
    TEmulSpaces& spaces = targets.spaces;
    TEmulator& emulator = spaces.Emulator();
    const std::uint8_t kind = command.memoryKind;
    checkAccess(spaces, kind, kind == memkind::ExtData);
    TEmulSpeicher* space = fillSpace(spaces, kind);
    if (space == nullptr || (kind == memkind::SysSelect && !emulator.Profile().selectFill))
        throw ECopyFillError(FmtLoadStr(177, std::string(MemoryKindName(kind))));

    TBankAdresse start = space->NormAdresse(command.start);
    TBankAdresse end = space->NormAdresse(command.end);
    space->CheckAdresse(start);
    space->CheckAdresse(end);
    SortBankAdressen(start, end);

    LongCommand running(emulator, FmtLoadStr(181, std::string(MemoryKindName(kind))));
    if (kind == memkind::Program) emulator.Download().DeletePellunars(start, end);
    const bool perBank = start.banked && !start.allBanks && end.banked && !end.allBanks;
    FilledPieces filled;
    if (!perBank) {
        fillRange(spaces, *space, kind, start, end, command.value, filled);
    } else {
        const std::uint16_t highest = space->GetMaxAdresse().offset;
        for (int bank = start.bank; bank <= end.bank; ++bank) {
            const TBankAdresse from = BankedAdresse(static_cast<std::uint8_t>(bank),
                                                    bank == start.bank ? start.offset : std::uint16_t{0});
            const TBankAdresse to = BankedAdresse(static_cast<std::uint8_t>(bank),
                                                  bank == end.bank ? end.offset : highest);
            fillRange(spaces, *space, kind, from, to, command.value, filled);
        }
    }
    if (kind == memkind::Program) emulator.Download().UpdatePellunars();
    if (const std::uint8_t code = notificationOf(kind)) spaces.Notifier().send(code, nullptr);
}

void TProgramClear::ClearProgramMemory() {
    const TEmulSpeicher& program = spaces_.Space(SpaceKind::Program);
    TKommandoStruktur command;
    command.code = cmd::Initialize;
    command.memoryKind = memkind::Program;
    command.start = program.GetMinAdresse();
    command.end = program.GetMaxAdresse();
    command.value = 0;
    ExecuteInitializeCommand(command, TCopyFillTargets{spaces_});
}

}  // namespace tarvex
