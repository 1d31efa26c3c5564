#pragma once
// The differential check of banked program memory: random writes and reads
// through the program space (WriteBlock, WriteProgram, ReadBlock) and the
// IDE's memory requests (read, write, download) of a started host object,
// checked against a plain model of the board's emulation memory laid out as
// docs/board-protocol.md says. A byte the model has not seen yet takes the
// first value read; from then on every address that reaches the same byte
// must read what was last written there, whatever the caches hold.
//
// Needs nothing of GoogleTest: the fast suite runs it with fixed seeds, and
// fuzz/fuzz_banked_memory.cpp runs it longer with the fuzzer's bytes.
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "core/bank_adressen.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"
#include "emulator/banking.hpp"
#include "emulator/memory_spaces.hpp"
#include "host/agdi_object.hpp"

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

// Where a program address lies in emulation memory: a place number, equal
// for two addresses exactly when they reach the same byte. Modes 1-4: each
// bank a hardware bank of its own; 5-8: 32 KB windows above a common area
// in the first hardware bank, two windows a hardware bank (even banks at its
// bottom); 9-11: 16 KB windows from 0x4000, four a hardware bank, the
// window repeated at 0x4000, 0x8000 and 0xC000.
inline std::uint32_t CodePlace(int mode, std::uint8_t bank, std::uint16_t offset) {
    if (mode == 0) return offset;
    if (mode <= 4) return static_cast<std::uint32_t>(bank) << 16 | offset;
    if (mode <= 8) {
        if (offset < 0x8000) return offset;
        const std::uint32_t inBank = bank % 2 == 0 ? offset - 0x8000u : offset;
        return static_cast<std::uint32_t>(bank >> 1) << 16 | inBank;
    }
    if (offset < 0x4000) return offset;
    return static_cast<std::uint32_t>(bank >> 2) << 16 | ((bank & 3u) * 0x4000u + (offset & 0x3FFFu));
}

class BankedMemoryCheck {
public:
    // `next` gives the random numbers; the mode must already be in force.
    BankedMemoryCheck(TAgdiObject& object, std::function<std::uint32_t()> next)
        : object_(object),
          next_(std::move(next)),
          mode_(object.Banking().bankingMode()),
          maxBank_(mode_ == 0 ? 0 : object.Banking().MaxBank()) {}

    // One operation; false (and `Failure`) at the first byte that differs.
    bool Step() {
        ++steps_;
        const std::uint32_t op = next_() % 7;
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
        const bool ide = op >= 4;
        if (mode_ == 0 || lastBank || ide) count = std::min(count, room);
        std::string data;
        for (std::uint32_t i = 0; i < count; ++i) data += static_cast<char>(next_());
        try {
            switch (op) {
                case 0:
                    program().WriteBlock(at(bank, offset), data);
                    written(bank, offset, data);
                    break;
                case 1:
                    program().WriteProgram(at(bank, offset), data);
                    written(bank, offset, data);
                    break;
                case 2:
                case 3:
                    return compare("ReadBlock", bank, offset, program().ReadBlock(at(bank, offset), int(count)));
                case 4:
                    if (!request(2, bank, offset, data)) return fail("IDE write refused");
                    written(bank, offset, data);
                    break;
                case 5:
                    // A download to bank 0 would move the banked area in modes 1-4.
                    if (mode_ >= 1 && mode_ <= 4 && bank == 0) return true;
                    if (!request(3, bank, offset, data)) return fail("IDE download refused");
                    written(bank, offset, data);
                    break;
                default: {
                    std::string read(count, '\0');
                    if (!request(1, bank, offset, read)) return fail("IDE read refused");
                    return compare("IDE read", bank, offset, read);
                }
            }
        } catch (const Exception& e) {
            return fail(std::string("exception: ") + e.what());
        }
        return true;
    }

    const std::string& Failure() const { return failure_; }

private:
    TEmulSpeicher& program() { return object_.Spaces().Space(SpaceKind::Program); }
    TBankAdresse at(std::uint8_t bank, std::uint16_t offset) const {
        return mode_ == 0 ? UnbankedAdresse(offset) : BankedAdresse(bank, offset);
    }
    // Address and length of byte i of a range, carried into the next bank.
    std::pair<std::uint8_t, std::uint16_t> byteAt(std::uint8_t bank, std::uint16_t offset, std::size_t i) const {
        const std::uint32_t linear = (static_cast<std::uint32_t>(bank) << 16) + offset + i;
        return {static_cast<std::uint8_t>(linear >> 16), static_cast<std::uint16_t>(linear)};
    }
    void written(std::uint8_t bank, std::uint16_t offset, const std::string& data) {
        for (std::size_t i = 0; i < data.size(); ++i) {
            const auto [b, o] = byteAt(bank, offset, i);
            model_[CodePlace(mode_, b, o)] = static_cast<std::uint8_t>(data[i]);
        }
        trail(Format("W %.2X:%.4X+%u", bank, offset, static_cast<unsigned>(data.size())));
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
    int mode_;
    int maxBank_;
    unsigned steps_ = 0;
    std::map<std::uint32_t, std::uint8_t> model_;
    std::string trail_;
    std::string failure_;
};

}  // namespace tarvex::check
