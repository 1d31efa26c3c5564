#pragma once
// The differential check of banked program memory: random writes and reads
// through the program space (WriteBlock, WriteProgram, ReadBlock), the IDE's
// memory requests (read, write, download) and the board's fills and copies
// (Initialize, Copy) of a started host object, checked against a plain model
// of the board's emulation memory laid out as docs/board-protocol.md says. A
// byte the model has not seen yet takes the first value read; from then on
// every address that reaches the same byte must read what was last written
// there, whatever the caches hold. Given the board's code planes, every
// changed byte is also looked up where the model says it lands.
//
// Needs nothing of GoogleTest: the fast suite runs it with fixed seeds, and
// fuzz/fuzz_banked_memory.cpp runs it longer with the fuzzer's bytes.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/agdi_object.hpp"
#include "host/command_record.hpp"
#include "host/copy_fill.hpp"

namespace tarvex::check {

// The board's firmware that offers a banking mode: modes 1, 5 and 9 live on
// the oldest generation only, the others on a TARVEX-V.
inline const char* BoardVersionForMode(int mode) {
    return mode == 1 || mode == 5 || mode == 9 ? "3.0 " : "5.1 ";
}

// The emulation-memory layout that offers a mode.
inline int BankingVersionForMode(int mode) {
    static constexpr int versions[] = {0, 0, 1, 1, 1, 2, 3, 3, 3, 4, 5, 5};
    return mode >= 0 && mode < 12 ? versions[mode] : 0;
}

// Where a program address lands on the board: the hardware bank and the
// offset in its code plane. Written from the board's layout
// (docs/board-protocol.md) as a table per mode, not from the driver's
// mapping, so that a byte the driver puts in the wrong place shows. Below
// `common` every bank reaches the common area at the bottom of the first
// hardware bank; above it bank b's window is window `b % perHw` of hardware
// bank `first - b / perHw`, and the window repeats up to 0xFFFF. Mode 0 is
// the TARVEX-V of BoardVersionForMode, whose unbanked code lies in bank 6.
struct CodeLanding {
    int hw;
    std::uint16_t offset;
    bool operator==(const CodeLanding&) const = default;
};

inline CodeLanding LandingOf(int mode, std::uint8_t bank, std::uint16_t offset) {
    struct Layout {
        std::uint32_t common, window, perHw;
        int first;
    };
    static constexpr Layout layouts[] = {
        {0, 0x10000, 1, 6},       // 0: no banking
        {0, 0x10000, 1, 3},       // 1: 2 banks of 64 KB
        {0, 0x10000, 1, 3},       // 2: 2 banks of 64 KB
        {0, 0x10000, 1, 3},       // 3: 4 banks of 64 KB
        {0, 0x10000, 1, 7},       // 4: 8 banks of 64 KB
        {0x8000, 0x8000, 2, 3},   // 5: 4 windows of 32 KB
        {0x8000, 0x8000, 2, 3},   // 6: 4 windows of 32 KB
        {0x8000, 0x8000, 2, 3},   // 7: 8 windows of 32 KB
        {0x8000, 0x8000, 2, 7},   // 8: 16 windows of 32 KB
        {0x4000, 0x4000, 4, 3},   // 9: 8 windows of 16 KB
        {0x4000, 0x4000, 4, 3},   // 10: 8 windows of 16 KB
        {0x4000, 0x4000, 4, 3},   // 11: 16 windows of 16 KB
    };
    const Layout& l = layouts[mode];
    if (offset < l.common) return {l.first, offset};
    const std::uint32_t inWindow = (offset - l.common) % l.window;
    return {l.first - static_cast<int>(bank / l.perHw), static_cast<std::uint16_t>(bank % l.perHw * l.window + inWindow)};
}

// A place number: equal for two addresses exactly when they reach the same byte.
inline std::uint32_t CodePlace(int mode, std::uint8_t bank, std::uint16_t offset) {
    const CodeLanding l = LandingOf(mode, bank, offset);
    return static_cast<std::uint32_t>(l.hw) << 16 | l.offset;
}

class BankedMemoryCheck {
public:
    // A byte of the board's code planes: hardware bank, offset.
    using BoardCode = std::function<std::uint8_t(int, std::uint16_t)>;

    // `next` gives the random numbers; the mode must already be in force.
    BankedMemoryCheck(TAgdiObject& object, std::function<std::uint32_t()> next, BoardCode board = {})
        : object_(object),
          next_(std::move(next)),
          board_(std::move(board)),
          mode_(object.Banking().bankingMode()),
          maxBank_(mode_ == 0 ? 0 : object.Banking().MaxBank()) {}

    // One operation; false (and `Failure`) at the first byte that differs.
    bool Step() {
        ++steps_;
        const std::uint32_t op = next_() % 9;
        std::uint32_t count = 1 + next_() % 96;
        if (next_() % 8 == 0) count += 200 + next_() % 600;
        const std::uint8_t bank = static_cast<std::uint8_t>(maxBank_ == 0 ? 0 : next_() % (maxBank_ + 1));
        // Near the edges of the windows, where the aliases and the bank ends are.
        static constexpr std::uint16_t edges[] = {0x0000, 0x3FC0, 0x4000, 0x7FC0, 0x8000, 0xBFC0, 0xC000, 0xFFC0};
        const auto offset = static_cast<std::uint16_t>(edges[next_() % 8] + next_() % 0x60);
        const bool lastBank = bank == maxBank_;
        // A range that runs past the end of the last bank is refused; the
        // IDE's requests end with their bank.
        const std::uint32_t room = 0x10000u - offset;
        const bool ide = op >= 4 && op <= 6;
        if (mode_ == 0 || lastBank || ide) count = std::min(count, room);
        std::string data;
        for (std::uint32_t i = 0; i < count; ++i) data += static_cast<char>(next_());
        try {
            switch (op) {
                case 0:
                    program().WriteBlock(at(bank, offset), data);
                    written(bank, offset, data);
                    return onBoard("WriteBlock", bank, offset, data.size());
                case 1:
                    program().WriteProgram(at(bank, offset), data);
                    written(bank, offset, data);
                    return onBoard("WriteProgram", bank, offset, data.size());
                case 2:
                case 3:
                    return compare("ReadBlock", bank, offset, program().ReadBlock(at(bank, offset), int(count)));
                case 4:
                    if (!request(2, bank, offset, data)) return fail("IDE write refused");
                    written(bank, offset, data);
                    return onBoard("IDE write", bank, offset, data.size());
                case 5:
                    // A download to bank 0 would move the banked area in modes 1-4.
                    if (mode_ >= 1 && mode_ <= 4 && bank == 0) return true;
                    if (!request(3, bank, offset, data)) return fail("IDE download refused");
                    written(bank, offset, data);
                    return onBoard("IDE download", bank, offset, data.size());
                case 6: {
                    std::string read(count, '\0');
                    if (!request(1, bank, offset, read)) return fail("IDE read refused");
                    return compare("IDE read", bank, offset, read);
                }
                case 7: return fill(bank, offset, count, static_cast<std::uint8_t>(data[0]));
                default: {
                    const auto to = static_cast<std::uint16_t>(edges[next_() % 8] + next_() % 0x60);
                    return copy(bank, offset, to, std::min({count, room, 0x10000u - to}));
                }
            }
        } catch (const Exception& e) {
            return fail(std::string("exception: ") + e.what());
        }
        return true;
    }

    const std::string& Failure() const { return failure_; }

private:
    // An Initialize of the range; it runs on into the next bank as the
    // user's does.
    bool fill(std::uint8_t bank, std::uint16_t offset, std::uint32_t count, std::uint8_t value) {
        const auto [endBank, endOffset] = byteAt(bank, offset, count - 1);
        TKommandoStruktur c;
        c.code = cmd::Initialize;
        c.memoryKind = memkind::Program;
        c.start = at(bank, offset);
        c.end = at(endBank, endOffset);
        c.value = value;
        ExecuteInitializeCommand(c, TCopyFillTargets{object_.Spaces()});
        written(bank, offset, std::string(count, static_cast<char>(value)), "F");
        return onBoard("Initialize", bank, offset, count);
    }
    // A copy within one bank. Where source and destination reach a byte
    // twice (a window and its repeat, or the common area seen through bank
    // 0's window), which copy of it goes first is not defined: left out.
    bool copy(std::uint8_t bank, std::uint16_t from, std::uint16_t to, std::uint32_t count) {
        if (from == to) return true;
        std::set<std::uint32_t> places;
        const std::uint32_t low = std::min(from, to), high = std::max(from, to) + count;
        for (std::uint32_t o = low; o < high; ++o)
            if (!places.insert(CodePlace(mode_, bank, static_cast<std::uint16_t>(o))).second) return true;
        std::vector<std::optional<std::uint8_t>> source(count);
        for (std::uint32_t i = 0; i < count; ++i)
            if (const auto cell = model_.find(CodePlace(mode_, bank, static_cast<std::uint16_t>(from + i)));
                cell != model_.end())
                source[i] = cell->second;
        TKommandoStruktur c;
        c.code = cmd::Copy;
        c.memoryKind = memkind::Program;
        c.start = at(bank, from);
        c.end = at(bank, static_cast<std::uint16_t>(from + count - 1));
        c.destination = at(bank, to);
        ExecuteCopyCommand(c, TCopyFillTargets{object_.Spaces()});
        // What the model did not know is not known at the destination either.
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t place = CodePlace(mode_, bank, static_cast<std::uint16_t>(to + i));
            if (source[i])
                model_[place] = *source[i];
            else
                model_.erase(place);
        }
        trail(Format("C %.2X:%.4X+%u to %.4X", bank, from, count, to));
        return onBoard("Copy", bank, to, count);
    }
    // The changed bytes where the model says they land on the board.
    bool onBoard(const char* path, std::uint8_t bank, std::uint16_t offset, std::size_t count) {
        if (!board_) return true;
        for (std::size_t i = 0; i < count; ++i) {
            const auto [b, o] = byteAt(bank, offset, i);
            const auto cell = model_.find(CodePlace(mode_, b, o));
            if (cell == model_.end()) continue;
            const CodeLanding landing = LandingOf(mode_, b, o);
            const std::uint8_t value = board_(landing.hw, landing.offset);
            if (value != cell->second)
                return fail(Format("%s: %.2X:%.4X lands in hardware bank %d at %.4X, which holds %.2X, not %.2X", path,
                                   b, o, landing.hw, landing.offset, value, cell->second));
        }
        return true;
    }

    TEmulSpeicher& program() { return object_.Spaces().Space(SpaceKind::Program); }
    TBankAdresse at(std::uint8_t bank, std::uint16_t offset) const {
        return mode_ == 0 ? UnbankedAdresse(offset) : BankedAdresse(bank, offset);
    }
    // Address and length of byte i of a range, carried into the next bank.
    std::pair<std::uint8_t, std::uint16_t> byteAt(std::uint8_t bank, std::uint16_t offset, std::size_t i) const {
        const std::uint32_t linear = (static_cast<std::uint32_t>(bank) << 16) + offset + i;
        return {static_cast<std::uint8_t>(linear >> 16), static_cast<std::uint16_t>(linear)};
    }
    void written(std::uint8_t bank, std::uint16_t offset, const std::string& data, const char* what = "W") {
        for (std::size_t i = 0; i < data.size(); ++i) {
            const auto [b, o] = byteAt(bank, offset, i);
            model_[CodePlace(mode_, b, o)] = static_cast<std::uint8_t>(data[i]);
        }
        trail(Format("%s %.2X:%.4X+%u", what, bank, offset, static_cast<unsigned>(data.size())));
    }
    bool compare(const char* path, std::uint8_t bank, std::uint16_t offset, const std::string& read) {
        trail(Format("R %.2X:%.4X+%u", bank, offset, static_cast<unsigned>(read.size())));
        for (std::size_t i = 0; i < read.size(); ++i) {
            const auto [b, o] = byteAt(bank, offset, i);
            const auto value = static_cast<std::uint8_t>(read[i]);
            const auto [cell, fresh] = model_.emplace(CodePlace(mode_, b, o), value);
            if (!fresh && cell->second != value)
                return fail(Format("%s at %.2X:%.4X gave %.2X, the model holds %.2X", path, b, o, value, cell->second));
        }
        return true;
    }
    bool request(std::uint16_t code, std::uint8_t bank, std::uint16_t offset, std::string& bytes) {
        agdi::MemRequest r{0xFF000000u | static_cast<std::uint32_t>(bank) << 16 | offset, 0};
        return object_.AG_MemAcc(code, reinterpret_cast<std::uint8_t*>(bytes.data()), &r,
                                 static_cast<std::uint32_t>(bytes.size())) == 0;
    }
    void trail(std::string line) {
        trail_ += line + "\n";
        if (trail_.size() > 4000) trail_.erase(0, trail_.size() - 2000);
    }
    bool fail(std::string why) {
        failure_ = Format("mode %d, step %u: ", mode_, steps_) + why + "\nlast operations:\n" + trail_;
        return false;
    }

    TAgdiObject& object_;
    std::function<std::uint32_t()> next_;
    BoardCode board_;
    int mode_;
    int maxBank_;
    unsigned steps_ = 0;
    std::map<std::uint32_t, std::uint8_t> model_;
    std::string trail_;
    std::string failure_;
};

}  // namespace tarvex::check
