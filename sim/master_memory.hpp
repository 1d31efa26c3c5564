#pragma once
// The emulator's own (master) memory, 64 KB reached with "RN"/"WN". Some of
// its addresses are the board's registers: a mapped register still keeps the
// byte last written, and a write also reaches the part of the board behind it
// (and a read may answer from there). A window is a range that is another
// part's memory (the target's internal RAM): every access reaches that
// memory, and no copy of it is kept here.
#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

namespace tarvex::sim {

class MasterMemory {
public:
    // A read hook gets the byte last written and answers the register's
    // value; a write hook gets the byte written.
    using ReadHook = std::function<std::uint8_t(std::uint8_t stored)>;
    using WriteHook = std::function<void(std::uint8_t value)>;

    void map(std::uint16_t address, ReadHook read, WriteHook write);
    // `memory` must outlive this object.
    void mapWindow(std::uint16_t base, std::span<std::uint8_t> memory);

    // What the link's commands see.
    std::uint8_t read(std::uint16_t address) const;
    void write(std::uint16_t address, std::uint8_t value);
    // The bytes alone, as a test sets and inspects them.
    std::uint8_t peek(std::uint16_t address) const { return cell(address); }
    void poke(std::uint16_t address, std::uint8_t value) { cell(address) = value; }

private:
    struct Register {
        ReadHook read;
        WriteHook write;
    };
    struct Window {
        std::uint16_t base;
        std::span<std::uint8_t> memory;
    };
    std::uint8_t& cell(std::uint16_t address);
    std::uint8_t cell(std::uint16_t address) const;

    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(0x10000, 0);
    std::vector<Window> windows_;
    std::map<std::uint16_t, Register> registers_;
};

}  // namespace tarvex::sim
