#include "sim/monitor.hpp"

#include <initializer_list>

#include "emulator/monitor_data.hpp"
#include "sim/firmware_profile.hpp"
#include "sim/master_memory.hpp"
#include "sim/monitor_variables.hpp"
#include "sim/target.hpp"
#include "sim/trace_recorder.hpp"

namespace tarvex::sim {

namespace {

constexpr std::uint16_t ProcessorTypeVariable = 15;
constexpr std::uint8_t Psw = 0xD0;

bool oneOf(int value, std::initializer_list<int> set) {
    for (int v : set)
        if (v == value) return true;
    return false;
}

// The families whose derivatives have the Dallas-style extras, and those
// with more banked registers for the monitor to keep.
bool inSetA(int f) { return oneOf(f, {2, 4, 8, 10, 11, 15, 17, 18}); }
bool inSetB(int f) { return inSetA(f) || f == 12 || f == 13; }

std::uint8_t sfrAt(std::uint16_t address, std::size_t index) {
    return static_cast<std::uint8_t>(0x80 | ((address + index) & 0x7F));
}

}  // namespace

Monitor::Monitor(MasterMemory& master, Target& target, const MonitorVariables& variables, const TraceRecorder& trace,
                 const FirmwareProfile& profile, const TMonitorData* data)
    : master_(master), target_(target), variables_(variables), trace_(trace), profile_(profile), data_(data) {
    if (data_ != nullptr) {
        for (int v = 0; v < AccessCodeVariants; ++v) {
            const auto& table = data_->AccessCodes(v);
            for (std::size_t i = 0; i < table.size(); ++i)
                if (!sfrOfCode_[table[i]]) sfrOfCode_[table[i]] = static_cast<std::uint8_t>(0x80 + i);
        }
    }
    // The codes the driver puts in for some families.
    const std::pair<std::uint8_t, std::uint8_t> overrides[] = {
        {0x64, 0x80}, {0x69, 0x90}, {0x6E, 0xA0}, {0x73, 0xB0}, {0x0C, 0x86}, {0x80, 0xD8}};
    for (const auto& [code, sfr] : overrides) sfrOfCode_[code] = sfr;
}

void Monitor::powerOn() {
    std::uint16_t a = TableAddress;
    master_.poke(a++, PcHighCode);
    master_.poke(a++, PcLowCode);
    for (int r = 0; r < 8; ++r) master_.poke(a++, static_cast<std::uint8_t>(R0Code + r));
    master_.poke(a++, BankCode);
    master_.poke(a, EndCode);
}

std::vector<std::uint8_t> Monitor::readSfrs(std::uint16_t address, std::size_t count) const {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = target_.sfr(sfrAt(address, i));
    return out;
}

void Monitor::writeSfr(std::uint16_t address, std::size_t index, std::uint8_t value) {
    target_.setSfr(sfrAt(address, index), value);
}

// ---------------------------------------------------------------- family and mode

int Monitor::family() const {
    const int f = variables_.get(ProcessorTypeVariable);
    return f >= 100 ? f - 100 : f;
}

int Monitor::monitorMode() const {
    const int f = family();
    const int fw = profile_.code;
    if (fw == 11) return inSetA(f) ? 1 : 0;
    if (f == 10) return 1;
    if (f == 11 || f == 15) return 2;
    return fw >= 14 && inSetB(f) ? 3 : 0;
}

// Firmware code 11 keeps its SFRs where mode 0 does, whatever its mode.
int Monitor::saveArea() const { return profile_.code == 11 ? 0 : monitorMode(); }

bool Monitor::splitPc() const { return monitorMode() == 1 && profile_.code != 11; }

std::optional<std::uint16_t> Monitor::saveCell(std::uint8_t sfr) const {
    const int f = family();
    // Cells of the family patches and of the paged monitor.
    if (f == 16 && sfr == 0xA7) return 0x7EF1;
    if (f == 16 && sfr == 0xD7) return 0x7EEB;
    if (f == 17 && sfr == 0xD8) return 0x7EFA;
    if (f == 13 && profile_.code >= 15 && sfr == 0x84) return 0x7DB5;
    if (f == 13 && profile_.code >= 15 && sfr == 0x85) return 0x7DB4;
    if (sfr == 0x9C) return splitPc() ? std::optional<std::uint16_t>(0x76F8) : std::nullopt;
    // DPS only where the derivative has it, 0x96 only on the Atmel.
    if (sfr == 0x86 && !inSetA(f) && f != 12) return std::nullopt;
    if (sfr == 0x96 && f != 13) return std::nullopt;
    if (data_ == nullptr) return std::nullopt;
    return data_->SaveCell(saveArea(), sfr);
}

std::uint8_t Monitor::savedSfr(std::uint8_t sfr) const {
    const auto cell = saveCell(sfr);
    return cell ? master_.peek(*cell) : target_.sfr(sfr);
}

// ---------------------------------------------------------------- the register string

std::uint8_t Monitor::valueOf(std::uint8_t code) const {
    if (code == PcHighCode) {
        if (splitPc())
            return static_cast<std::uint8_t>((master_.peek(0x76FF) >> 5) + (master_.peek(0x76F4) & 0xF8));
        return master_.peek(0x7EFF);
    }
    if (code == PcLowCode) return master_.peek(splitPc() ? 0x7700 : 0x7F00);
    if (code >= R0Code && code < R0Code + 8) {
        const int bank = (savedSfr(Psw) >> 3) & 3;
        return target_.idata(static_cast<std::uint8_t>(bank * 8 + (code - R0Code)));
    }
    if (code == BankCode) {
        const auto cell = data_ != nullptr ? data_->BankCell(saveArea()) : std::nullopt;
        return cell ? master_.peek(*cell) : 0x00;
    }
    const auto sfr = sfrOfCode_[code];
    return sfr ? savedSfr(*sfr) : 0x00;
}

std::vector<std::uint8_t> Monitor::registerString() const {
    std::vector<std::uint8_t> out;
    for (std::uint16_t i = 0; i < 255; ++i) {
        const std::uint8_t code = master_.peek(static_cast<std::uint16_t>(TableAddress + i));
        if (code == EndCode) break;
        out.push_back(valueOf(code));
    }
    // The trace counter: bits 8-15, bits 0-7, then bits 16-17 with the
    // overflow flag as bit 2.
    const std::uint32_t c = trace_.counter();
    out.push_back(static_cast<std::uint8_t>(c >> 8));
    out.push_back(static_cast<std::uint8_t>(c));
    out.push_back(static_cast<std::uint8_t>(((c >> 16) & 3) | (trace_.overflow() ? 4 : 0)));
    return out;
}

void Monitor::writePc(std::uint16_t pc) {
    const auto high = static_cast<std::uint8_t>(pc >> 8);
    const auto low = static_cast<std::uint8_t>(pc);
    if (splitPc()) {
        master_.poke(0x76F4, static_cast<std::uint8_t>((high & 0xF8) | 6));
        const auto page = static_cast<std::uint8_t>(((high & 7) << 5) | 1);
        master_.poke(0x76FF, page);
        master_.poke(0x7EFF, page);
        master_.poke(0x7700, low);
    } else {
        master_.poke(0x7EFF, high);
    }
    master_.poke(0x7F00, low);
}

void Monitor::saveState(std::uint16_t pc) {
    for (int a = 0x80; a <= 0xFF; ++a) {
        const auto sfr = static_cast<std::uint8_t>(a);
        if (const auto cell = saveCell(sfr)) master_.poke(*cell, target_.sfr(sfr));
    }
    // The paged monitor keeps TCON, IE and 0x9C twice.
    if (splitPc()) {
        master_.poke(0x7EFB, target_.sfr(0x88));
        master_.poke(0x7EFE, target_.sfr(0xA8));
        master_.poke(0x7EF8, target_.sfr(0x9C));
    }
    writePc(pc);
}

std::uint16_t Monitor::loadState() {
    for (int a = 0x80; a <= 0xFF; ++a) {
        const auto sfr = static_cast<std::uint8_t>(a);
        if (const auto cell = saveCell(sfr)) target_.setSfr(sfr, master_.peek(*cell));
    }
    return static_cast<std::uint16_t>(valueOf(PcHighCode) << 8 | valueOf(PcLowCode));
}

std::vector<std::uint8_t> Monitor::resetTarget() {
    target_.resetSfrs();
    saveState(0);
    if (data_ != nullptr)
        if (const auto bank = data_->BankCell(saveArea())) master_.poke(*bank, 0);
    return registerString();
}

}  // namespace tarvex::sim
