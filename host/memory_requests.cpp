// The IDE's memory, attribute, register and breakpoint requests: the host
// address split and clip, the attribute map's requests, the register ids,
// the whole-register block, the register view and the breakpoint cells.
#include <algorithm>
#include <cstring>

#include "core/errors.hpp"
#include "core/format.hpp"
#include "core/message_box.hpp"
#include "emulator/banking.hpp"
#include "emulator/emulator.hpp"
#include "emulator/memory_spaces.hpp"
#include "emulator/debug/select_table.hpp"
#include "emulator/debug/trace_board.hpp"
#include "host/agdi_object.hpp"
#include "platform/host_text.hpp"

namespace tarvex {

namespace {

// The first `count` characters of a UTF-8 text.
std::string cutToCharacters(const std::string& text, std::size_t count) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (n++ == count) return text.substr(0, i);
    }
    return text;
}

constexpr std::uint8_t SfrAcc = 0xE0, SfrB = 0xF0, SfrPsw = 0xD0, SfrSp = 0x81, SfrDpl = 0x82, SfrDph = 0x83;

}  // namespace

// ---------------------------------------------------------------- memory

bool TAgdiObject::connected() const {
    return c_.emulator->ConnectionState() >= TBasisEmulator::StateReady;
}

bool TAgdiObject::targetRunning() const {
    return env_.runControl && env_.runControl->IsRunning();
}

TAgdiObject::Target TAgdiObject::memoryTarget(std::uint32_t hostAddress, std::uint32_t count, bool forWrite) {
    const std::uint32_t space = hostAddress >> 24;
    const std::uint32_t offset = hostAddress & 0xFFFF;
    const bool notYetReset = env_.runControl && env_.runControl->NotYetReset();
    switch (space) {
    case 0xF0:
        if (offset & 0x80)
            return {&c_.spaces->Space(SpaceKind::Sfr), std::min(count, 256 - (offset & 0xFF)), false};
        return {&c_.spaces->Space(SpaceKind::IntData), std::min(count, 128 - offset), false};
    case 0xF3:
        return {&c_.spaces->Space(SpaceKind::IntData), std::min(count, 256 - (offset & 0xFF)), false};
    case 0x01:
    case 0xFE:
        return {&c_.spaces->Space(SpaceKind::ExtData), std::min(count, 0x10000 - offset), notYetReset && !forWrite};
    default:
        return {&c_.spaces->Space(SpaceKind::Program), std::min(count, 0x10000 - offset), notYetReset && !forWrite};
    }
}

// The space's address of a host address, refused (EVokWinAddressError) when
// it lies outside the space: never the AND-reduced alias of another bank or
// offset.
TBankAdresse TAgdiObject::checkedAdresse(TEmulSpeicher& space, std::uint32_t hostAddress) {
    hostAddress = TAttributeMap::WithoutBankedMark(hostAddress);
    const auto bank = static_cast<std::uint8_t>(hostAddress >> 16);
    const auto offset = static_cast<std::uint16_t>(hostAddress);
    const TBankAdresse max = space.GetMaxAdresse();
    TBankAdresse a;
    if (max.banked) {
        a = BankedAdresse(bank, offset);
    } else if (space.Kind() == static_cast<std::uint8_t>(SpaceKind::Sfr) ||
               space.Kind() == static_cast<std::uint8_t>(SpaceKind::IntData)) {
        // 256 bytes: an offset beyond them has no byte of its own.
        if (offset > 0xFF) throw EVokWinAddressError(Format("offset %.4X beyond the memory", offset));
        a = UnbankedAdresse(offset);
    } else {
        if (bank != 0) throw EVokWinAddressError("bank " + std::to_string(bank) + " of an unbanked memory");
        a = UnbankedAdresse(offset);
    }
    space.CheckAdresse(a);
    return a;
}

bool TAgdiObject::readMemory(std::uint32_t hostAddress, std::uint8_t* buffer, std::uint32_t count) {
    Target t = memoryTarget(hostAddress, count, false);
    if (t.zeros) {
        std::memset(buffer, 0, count);
        return true;
    }
    TBankAdresse at;
    try {
        at = checkedAdresse(*t.space, hostAddress);
    } catch (const EVokWinAddressError& e) {
        // The IDE's windows read around addresses on every refresh: a log
        // line, no box.
        Log("AGDI: read refused: " + e.message());
        return false;
    }
    const std::uint32_t room = static_cast<std::uint32_t>(t.space->GetMaxAdresse().offset) - at.offset + 1;
    const std::uint32_t n = std::min(t.count, room);
    // What lies beyond the clip is not memory: zeros, not stale bytes.
    if (n < count) std::memset(buffer + n, 0, count - n);
    if (n == 0) return true;
    const std::string bytes = t.space->ReadBlock(at, static_cast<std::int32_t>(n));
    std::memcpy(buffer, bytes.data(), std::min<std::size_t>(bytes.size(), n));
    return true;
}

bool TAgdiObject::writeMemory(std::uint32_t hostAddress, const std::uint8_t* buffer, std::uint32_t count) {
    Target t = memoryTarget(hostAddress, count, true);
    TBankAdresse at;
    try {
        at = checkedAdresse(*t.space, hostAddress);
    } catch (const EVokWinAddressError& e) {
        Log("AGDI: write refused: " + e.message());
        return false;
    }
    const std::uint32_t room = static_cast<std::uint32_t>(t.space->GetMaxAdresse().offset) - at.offset + 1;
    const std::uint32_t n = std::min(t.count, room);
    if (n == 0) return true;
    const std::string_view bytes(reinterpret_cast<const char*>(buffer), n);
    if (t.space->Kind() == static_cast<std::uint8_t>(SpaceKind::Program)) {
        // A single write is no download: it takes away the hooks of the
        // bytes it replaces and leaves the rest of the program's.
        TBankAdresse end = at;
        end.offset = static_cast<std::uint16_t>(at.offset + n - 1);
        c_.emulator->Download().DeletePellunars(at, end);
        downloadMode_ = true;
    }
    t.space->WriteBlock(at, bytes);
    return true;
}

bool TAgdiObject::download(std::uint32_t hostAddress, const std::uint8_t* buffer, std::uint32_t count) {
    hostAddress = TAttributeMap::WithoutBankedMark(hostAddress);
    if (!attributes_.Cell(hostAddress)) attributes_.SetRange(hostAddress, 0x10000, 3);
    TEmulSpeicher& program = c_.spaces->Space(SpaceKind::Program);
    TBankAdresse at;
    try {
        at = checkedAdresse(program, hostAddress);
    } catch (const EVokWinAddressError& e) {
        Log("AGDI: download refused: " + e.message());
        return false;
    }
    const std::uint32_t room = static_cast<std::uint32_t>(program.GetMaxAdresse().offset) - at.offset + 1;
    const std::uint32_t n = std::min({count, 0x10000 - (hostAddress & 0xFFFF), room});
    SetDownloadMode(true);
    if (c_.banking->bankingMode() != 0 && ((hostAddress >> 16) & 0xFF) == 0) {
        // The end of a block that reaches 0xFFFF must not wrap to 0.
        const auto end = static_cast<std::uint16_t>(std::min<std::uint32_t>(at.offset + n, 0xFFFF));
        if (c_.banking->BankedAreaStart() < end) c_.banking->SetBankedAreaStart(end);
    }
    if (n == 0) return true;
    program.WriteProgram(at, std::string_view(reinterpret_cast<const char*>(buffer), n));
    return true;
}

std::uint32_t TAgdiObject::AG_MemAcc(std::uint16_t code, std::uint8_t* buffer, agdi::MemRequest* request,
                                     std::uint32_t count) {
    if (otherThreadDuringRun() || sessionEnded_) return 1;
    return entry<std::uint32_t>(1, code != 3, [&](std::uint32_t& result) {
        if (sessionEnded_ || targetRunning() || !hostWindow_ || !connected()) return;
        if (!request || (!buffer && count)) {
            result = 3;
            return;
        }
        switch (code) {
        case 1:
        case 4:
            if (code == 4) request->address = (request->address & 0x00FFFFFFu) | 0xFF000000u;
            result = 2;
            request->status = 1;
            if (readMemory(request->address, buffer, count)) {
                request->status = 0;
                result = 0;
            }
            break;
        case 2:
            result = 5;
            if (writeMemory(request->address, buffer, count)) result = 0;
            break;
        case 3:
            request->address = (request->address & 0x00FFFFFFu) | 0xFF000000u;
            result = 5;
            if (download(request->address, buffer, count)) result = 0;
            break;
        default:
            result = 3;
            break;
        }
    });
}

// ---------------------------------------------------------------- attributes

std::uint32_t TAgdiObject::AG_MemAtt(std::uint16_t code, std::uint32_t attribute, agdi::AttRequest* request) {
    if (otherThreadDuringRun() || sessionEnded_) return 1;
    return entry<std::uint32_t>(0, true, [&](std::uint32_t& result) {
        if (sessionEnded_ || targetRunning()) {
            result = 1;
            return;
        }
        if (!request) return;
        if (code == 1) {
            attributes_.SetRange(request->address, request->count, attribute);
            request->result = 0;
        } else if (code == 2) {
            std::uint32_t* cell = attributes_.Cell(request->address);
#if defined(_WIN64) || defined(__LP64__)
            request->cell = cell;
#else
            request->address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(cell));
#endif
        }
    });
}

// ---------------------------------------------------------------- registers

std::uint8_t TAgdiObject::sfr(std::uint8_t address) {
    const std::string b = c_.spaces->Space(SpaceKind::Sfr).ReadBlock(UnbankedAdresse(address), 1);
    return b.empty() ? 0 : static_cast<std::uint8_t>(b[0]);
}

void TAgdiObject::writeSfr(std::uint8_t address, std::uint8_t value) {
    c_.spaces->Space(SpaceKind::Sfr).WriteSfr(address, value);
}

std::string TAgdiObject::registerBank() {
    std::string bank = c_.spaces->Space(SpaceKind::IntData).ReadRegisterBank();
    bank.resize(8, '\0');
    return bank;
}

std::uint32_t TAgdiObject::hostPc() {
    TBankAdresse pc;
    if (env_.runControl) {
        pc = env_.runControl->ProgramCounter();
    } else {
        const std::uint8_t high = c_.emulator->ReadSfr(TEmulator::SfrPcHigh);
        const std::uint8_t low = c_.emulator->ReadSfr(TEmulator::SfrPcLow);
        pc = UnbankedAdresse(static_cast<std::uint16_t>(high << 8 | low));
    }
    currentPc_ = 0xFF000000u + (BankAdresseToLinear(pc) & 0xFFFFFF);
    return currentPc_;
}

std::uint32_t TAgdiObject::pcForIde(std::uint32_t hostForm) const {
    if (c_.banking->bankingMode() == 0) return hostForm;
    const std::uint16_t offset = hostForm & 0xFFFF;
    if (offset >= c_.banking->BankedAreaStart() && offset <= c_.banking->BankedAreaEnd()) return hostForm | 0x800000u;
    return hostForm & ~0xFF0000u;
}

void TAgdiObject::setPcVariable(std::uint32_t hostForm) {
    currentPc_ = hostForm;
    if (!pcVar_) {
        Log("AGDI: no PC variable");
        return;
    }
    *pcVar_ = pcForIde(hostForm);
}

TBankAdresse TAgdiObject::programAdresse(std::uint32_t hostAddress) const {
    hostAddress = TAttributeMap::WithoutBankedMark(hostAddress);
    const TBankAdresse max = c_.spaces->maxAddress(SpaceKind::Program);
    const auto offset = static_cast<std::uint16_t>(hostAddress);
    return max.banked ? BankedAdresse(static_cast<std::uint8_t>(hostAddress >> 16), offset) : UnbankedAdresse(offset);
}

bool TAgdiObject::writePc(std::uint32_t value) {
    // Bit 23 is the driver's own mark of a banked-area address in the IDE's
    // PC variable, which the IDE writes back as it is: no part of the bank.
    const std::uint32_t hostForm = 0xFF000000u | (value & 0x7FFFFF);
    TBankAdresse at;
    try {
        at = checkedAdresse(c_.spaces->Space(SpaceKind::Program), hostForm);
    } catch (const EVokWinAddressError& e) {
        ErrorBox(e.message(), platform::mb::IconError);
        return false;
    }
    setPcVariable(hostForm);
    if (env_.runControl) env_.runControl->SetPC(at);
    return true;
}

std::uint32_t TAgdiObject::timeValue() {
    if (!timeValid_) {
        timeValue_ = c_.trace ? c_.trace->CurrentTimeStamp() : 0;
        timeValid_ = true;
    }
    return timeValue_;
}

std::optional<std::uint32_t> TAgdiObject::readRegister(std::uint32_t id) {
    if (id <= 7) return static_cast<std::uint8_t>(registerBank()[id]);
    switch (id) {
    case RegA:
        return sfr(SfrAcc);
    case RegB:
        return sfr(SfrB);
    case RegTime:
        return timeValue();
    case RegDptr:
        return static_cast<std::uint32_t>(sfr(SfrDph) << 8 | sfr(SfrDpl));
    case RegPc: {
        const std::uint32_t pc = hostPc();
        setPcVariable(pc);
        return pc;
    }
    case RegPsw:
        return sfr(SfrPsw);
    case RegSp:
        return sfr(SfrSp);
    default:
        return std::nullopt;
    }
}

bool TAgdiObject::writeRegister(std::uint32_t id, std::uint32_t value) {
    if (id <= 7) {
        std::string bank = registerBank();
        bank[id] = static_cast<char>(value);
        c_.spaces->Space(SpaceKind::IntData).WriteRegisterBank(bank);
        return true;
    }
    switch (id) {
    case RegA:
        writeSfr(SfrAcc, static_cast<std::uint8_t>(value));
        return true;
    case RegB:
        writeSfr(SfrB, static_cast<std::uint8_t>(value));
        return true;
    case RegDptr:
        writeSfr(SfrDpl, static_cast<std::uint8_t>(value));
        writeSfr(SfrDph, static_cast<std::uint8_t>(value >> 8));
        return true;
    case RegPc:
        return writePc(value);
    case RegPsw:
        writeSfr(SfrPsw, static_cast<std::uint8_t>(value));
        return true;
    case RegSp:
        writeSfr(SfrSp, static_cast<std::uint8_t>(value));
        return true;
    default:
        return false;
    }
}

std::uint32_t TAgdiObject::AG_RegAcc(std::uint16_t code, std::uint32_t id, void* value) {
    if (otherThreadDuringRun() || sessionEnded_) return 1;
    return entry<std::uint32_t>(3, true, [&](std::uint32_t& result) {
        if (sessionEnded_ || targetRunning() || !connected()) {
            result = 1;
            return;
        }
        if (!value) return;
        if (code == 1) {
            const auto v = readRegister(id);
            if (!v) return;
            if (id <= 7 || id == RegA || id == RegB || id == RegPsw || id == RegSp)
                *static_cast<std::uint8_t*>(value) = static_cast<std::uint8_t>(*v);
            else if (id == RegDptr)
                *static_cast<std::uint16_t*>(value) = static_cast<std::uint16_t>(*v);
            else
                *static_cast<std::uint32_t*>(value) = *v;
            result = 0;
        } else if (code == 2) {
            if (id == RegTime) return;
            std::uint32_t v = 0;
            if (id <= 7 || id == RegA || id == RegB || id == RegPsw || id == RegSp)
                v = *static_cast<const std::uint8_t*>(value);
            else if (id == RegDptr)
                v = *static_cast<const std::uint16_t*>(value);
            else
                v = *static_cast<const std::uint32_t*>(value);
            if (writeRegister(id, v))
                result = 0;
            else if (id == RegPc)
                result = 1;
        }
    });
}

std::uint32_t TAgdiObject::AG_AllReg(std::uint16_t code, std::uint8_t* block) {
    if (otherThreadDuringRun() || sessionEnded_) return 1;
    return entry<std::uint32_t>(3, true, [&](std::uint32_t& result) {
        if (sessionEnded_ || targetRunning() || !connected()) {
            result = 1;
            return;
        }
        if (!block) return;
        if (code == 1) {
            const std::string bank = registerBank();
            std::memcpy(block, bank.data(), 8);
            const std::uint32_t pc = hostPc();
            for (int i = 0; i < 4; ++i) block[16 + i] = static_cast<std::uint8_t>(pc >> (8 * i));
            block[20] = sfr(SfrSp);
            block[21] = sfr(SfrPsw);
            block[22] = sfr(SfrB);
            block[23] = sfr(SfrAcc);
            block[24] = sfr(SfrDpl);
            block[25] = sfr(SfrDph);
            result = 0;
        } else if (code == 2) {
            c_.spaces->Space(SpaceKind::IntData).WriteRegisterBank(std::string(reinterpret_cast<char*>(block), 8));
            const std::uint32_t pc = static_cast<std::uint32_t>(block[16]) | block[17] << 8 | block[18] << 16 |
                                     static_cast<std::uint32_t>(block[19]) << 24;
            writeRegister(RegPc, pc);
            const std::uint8_t order[] = {SfrSp, SfrPsw, SfrB, SfrAcc, SfrDpl, SfrDph};
            for (int i = 0; i < 6; ++i) writeSfr(order[i], block[20 + i]);
            result = 0;
        }
    });
}

// ---------------------------------------------------------------- register view

std::uint32_t TAgdiObject::RegViewRead(agdi::RegItem* item, std::uint32_t mode) {
    if (otherThreadDuringRun()) return 0;
    return entry<std::uint32_t>(0, true, [&](std::uint32_t&) {
        if (sessionEnded_ || !item) return;
        if ((mode >> 28) == 8) {
            regView_.SetLocked(false);
            return;
        }
        if ((mode >> 28) == 4) {
            regView_.SetLocked(true);
            return;
        }
        const auto id = regView_.IdOf(item);
        if (!id || item->number == HostRegisterView::ItemEmpty) return;
        item->redraw = 0;
        if (!connected() || targetRunning()) return;
        std::uint32_t value = readRegister(*id).value_or(0);
        const HostRegisterView::PswField* field = HostRegisterView::PswFieldOf(item->number);
        if (field) value = (value & field->mask) >> field->shift;
        HostRegisterView::Show(*item, value, [&] {
            if (field) return Format("%X", value) + std::string(7, ' ');
            if (item->number == HostRegisterView::ItemTime) {
                const int timeBase = c_.trace ? c_.trace->GetTimeBase() : 0;
                return platform::hostText(
                    cutToCharacters(TBasisTracePlatine::TimeText(value, timeBase) + std::string(17, ' '), 20));
            }
            if (item->number == HostRegisterView::ItemPc)
                return c_.banking->bankingMode() != 0 ? Format("0x%.6X", value & 0xFFFFFF)
                                                      : Format("0x%.4X", value & 0xFFFF);
            if (*id == RegDptr) return Format("0x%.4X", value & 0xFFFF);
            return Format("0x%.2X", value & 0xFF);
        });
    });
}

std::uint32_t TAgdiObject::RegViewWrite(agdi::RegItem* item, std::uint32_t value) {
    if (otherThreadDuringRun()) return 0;
    return entry<std::uint32_t>(0, true, [&](std::uint32_t&) {
        if (regView_.Locked() || sessionEnded_ || targetRunning() || !item || !connected()) return;
        const auto id = regView_.IdOf(item);
        if (!id || item->number == HostRegisterView::ItemTime || item->number == HostRegisterView::ItemEmpty) return;
        if (const HostRegisterView::PswField* f = HostRegisterView::PswFieldOf(item->number)) {
            const std::uint8_t psw = sfr(SfrPsw);
            writeSfr(SfrPsw, static_cast<std::uint8_t>((psw & ~f->mask) | ((value << f->shift) & f->mask)));
            return;
        }
        writeRegister(*id, value);
    });
}

std::uint32_t TARVEX_AGDI_CALL TAgdiObject::RegViewReadEntry(agdi::RegItem* item, std::uint32_t mode) {
    TAgdiObject* o = Current();
    return o ? o->RegViewRead(item, mode) : 0;
}

std::uint32_t TARVEX_AGDI_CALL TAgdiObject::RegViewWriteEntry(agdi::RegItem* item, std::uint32_t value) {
    TAgdiObject* o = Current();
    return o ? o->RegViewWrite(item, value) : 0;
}

// ---------------------------------------------------------------- breakpoints

void TAgdiObject::mirrorBreak(std::uint32_t hostAddress, int mode) {
    // The select table's break channel takes the address.
    const TBankAdresse at = programAdresse(hostAddress);
    event("break " + std::to_string(mode) + " " + Format("%.4X", at.offset));
    c_.select->AddAddress(at, mode == 1);
}

std::uint32_t TAgdiObject::changeBreak(std::uint32_t hostAddress, int mode) {
    std::uint32_t* cell = attributes_.Cell(hostAddress);
    if (!cell || targetRunning()) return Refused;
    const std::uint32_t before = *cell;
    switch (mode) {
    case 1:
        *cell = (*cell & ~TAttributeMap::BreakDisabled) | TAttributeMap::BreakEnabled;
        break;
    case 2:
        *cell = (*cell & ~TAttributeMap::BreakEnabled) | TAttributeMap::BreakDisabled;
        break;
    default:
        *cell &= ~(TAttributeMap::BreakEnabled | TAttributeMap::BreakDisabled);
        break;
    }
    try {
        mirrorBreak(hostAddress, mode);
    } catch (...) {
        // The IDE shows what the cell says: a breakpoint the hardware did
        // not take is none.
        *cell = before;
        throw;
    }
    return 0;
}

std::uint32_t TAgdiObject::forEachIdeBreak(const std::function<bool(agdi::BpRecord&)>& act) {
    if (!breakpointListHead_) {
        Log("AGDI: no breakpoint list");
        return 0;
    }
    std::uint32_t done = 0;
    // A list the IDE corrupted into a ring must not hang the driver.
    int left = 65536;
    for (agdi::BpRecord* r = *breakpointListHead_; r && left > 0; r = r->next, --left)
        if (act(*r)) ++done;
    return done;
}

std::uint32_t TAgdiObject::AG_BpInfo(std::uint16_t code, std::uint32_t* address) {
    if (sessionEnded_) return 0;
    if (otherThreadDuringRun()) {
        if ((code == 1 || code == 7) && address) {
            const std::uint32_t* cell = attributes_.Cell(*address);
            return cell ? (*cell & TAttributeMap::BreakBits) : Refused;
        }
        return code >= 8 && code <= 11 ? Refused : 0;
    }
    return entry<std::uint32_t>(0, true, [&](std::uint32_t& result) {
        if (sessionEnded_) return;
        if (code == 5 || code == 6) {
            if (targetRunning()) return;
            // Counted as they go: a refusal ends the walk with those done.
            forEachIdeBreak([&](agdi::BpRecord& r) {
                if ((r.flags & 0x0F) != 0) return false;
                if (code == 5 && !(r.flags & agdi::BpEnabled)) return false;
                if (changeBreak(r.address, code == 5 ? 2 : 3) != 0) return false;
                ++result;
                return true;
            });
            return;
        }
        if (!address) return;
        std::uint32_t* cell = attributes_.Cell(*address);
        switch (code) {
        case 1:
        case 7:
            result = cell ? (*cell & TAttributeMap::BreakBits) : Refused;
            break;
        case 8:
            if (!cell || targetRunning()) {
                result = Refused;
            } else if ((*cell & TAttributeMap::BreakDisabled) && !(*cell & TAttributeMap::BreakEnabled)) {
                result = Refused;
                result = changeBreak(*address, 1);
            }
            break;
        case 9:
            if (!cell || targetRunning()) {
                result = Refused;
            } else if ((*cell & TAttributeMap::BreakEnabled) && !(*cell & TAttributeMap::BreakDisabled)) {
                result = Refused;
                result = changeBreak(*address, 2);
            }
            break;
        case 10:
        case 11:
            // A refusal of the hardware leaves the answer a failure.
            result = Refused;
            result = changeBreak(*address, code == 11 ? 1 : 3);
            break;
        default:
            break;
        }
    });
}

agdi::BpRecord* TAgdiObject::AG_BreakFunc(std::uint16_t code, std::uint32_t, std::uint32_t* address,
                                          agdi::BpRecord* record) {
    if (sessionEnded_ || otherThreadDuringRun()) return nullptr;
    return entry<agdi::BpRecord*>(nullptr, true, [&](agdi::BpRecord*& result) {
        if (sessionEnded_ || !address) return;
        std::uint32_t* cell = attributes_.Cell(*address);
        if (!cell && code != 5) return;
        switch (code) {
        case 1:
        case 4: {
            if (!record) return;
            // A change the hardware refused (or could not take while the
            // target runs) answers no record.
            std::uint32_t changed = 0;
            if ((record->flags & agdi::BpEnabled) && !(*cell & TAttributeMap::BreakEnabled))
                changed = changeBreak(*address, 1);
            else if (!(record->flags & agdi::BpEnabled) && !(*cell & TAttributeMap::BreakDisabled))
                changed = changeBreak(*address, 2);
            if (changed != 0) return;
            result = record;
            if (record->passCount >= 2) throw EAgdiError("Breakcounter > 1 IGNORED!");
            break;
        }
        case 2:
            if (changeBreak(*address, 3) == 0) result = record;
            break;
        case 5:
            if (!record) return;
            if ((record->flags & 0x0F) != 0) {
                SendOutput("Please use TARVEX break dialog\r\n");
                return;
            }
            result = record;
            break;
        default:
            break;
        }
    });
}

}  // namespace tarvex
