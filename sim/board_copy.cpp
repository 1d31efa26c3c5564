// The board's own copies and fills of its memories ("M", "J", "FP", "FI",
// "FN"). Each works byte by byte in the order the command names, so an
// overlapping copy in the right direction moves every byte once, and one in
// the wrong direction smears as the board's loop would.
#include "sim/board.hpp"

namespace tarvex::sim {

namespace {

std::uint16_t wordOf(const std::vector<std::uint8_t>& bytes, std::size_t i) {
    return static_cast<std::uint16_t>((bytes[i] << 8) | bytes[i + 1]);
}

std::uint16_t moved(std::uint16_t address, std::int64_t by) { return static_cast<std::uint16_t>(address + by); }

// The map image: one byte per 64 code addresses, bit 1 set where the
// program is emulated.
constexpr std::uint16_t MapImageAddress = 0xC000;
constexpr std::uint8_t MapProgramEmulated = 0x02;

constexpr std::uint8_t Done = 0x00, Refused = 0x01;

}  // namespace

void Board::setTargetRom(std::vector<std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    targetRom_ = std::move(bytes);
}

std::uint8_t Board::programSource(std::uint8_t hw, std::uint16_t address) const {
    const auto mapCell = static_cast<std::uint16_t>(MapImageAddress + (address >> 6));
    if (!targetRom_.empty() && (master_.peek(mapCell) & MapProgramEmulated) == 0)
        return address < targetRom_.size() ? targetRom_[address] : 0xFF;
    return target_.memory().code(hw, address);
}

std::uint8_t Board::blockRead(std::uint16_t address) const {
    if (const std::optional<Place> place = blockPlace())
        return target_.memory().read(place->plane, place->bank, address);
    return masterRead(address);
}

void Board::blockWrite(std::uint16_t address, std::uint8_t value) {
    if (const std::optional<Place> place = blockPlace())
        target_.memory().write(place->plane, place->bank, address, value);
    else
        masterWrite(address, value);
}

// "M" s e d "P"/"N" "D"/"U". Downward d is the first byte written, upward
// the last; s > e copies nothing.
Board::Bytes Board::memoryCopy(const Bytes& cmd) {
    const std::uint16_t start = wordOf(cmd, 1), end = wordOf(cmd, 3), destination = wordOf(cmd, 5);
    const char memory = static_cast<char>(cmd[7]), direction = static_cast<char>(cmd[8]);
    if ((memory != 'P' && memory != 'N') || (direction != 'D' && direction != 'U')) return {Refused};
    if (end < start) return {Done};
    const std::uint8_t hw = hardwareBankLocked();
    const std::int64_t count = end - start + 1;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint16_t from = direction == 'D' ? moved(start, i) : moved(end, -i);
        const std::uint16_t to = direction == 'D' ? moved(destination, i) : moved(destination, -i);
        if (memory == 'P')
            target_.memory().setCode(hw, to, programSource(hw, from));
        else
            blockWrite(to, blockRead(from));
    }
    return {Done};
}

// "J" w1 w2 w3 op: 07 copies w1..w2 upwards to w3, 06 copies w2..w1
// downwards from w1 to w3 (the last byte written), 05 fills w1..w2 with the
// low byte of w3.
Board::Bytes Board::xdataBlock(const Bytes& cmd) {
    const std::uint16_t w1 = wordOf(cmd, 1), w2 = wordOf(cmd, 3), w3 = wordOf(cmd, 5);
    EmulationMemory& memory = target_.memory();
    switch (cmd[7]) {
        case 0x07:
            if (w2 < w1) return {Done};
            for (std::int64_t i = 0; i <= w2 - w1; ++i) memory.setXdata(moved(w3, i), memory.xdata(moved(w1, i)));
            return {Done};
        case 0x06:
            if (w1 < w2) return {Done};
            for (std::int64_t i = 0; i <= w1 - w2; ++i) memory.setXdata(moved(w3, -i), memory.xdata(moved(w1, -i)));
            return {Done};
        case 0x05:
            for (std::uint32_t a = w1; a <= w2; ++a) memory.setXdata(static_cast<std::uint16_t>(a), cmd[6]);
            return {Done};
        default: return {Refused};
    }
}

// "FP" fills the code plane of the hardware bank; "FI" and "FN" what
// "DN"/"PN" reach.
Board::Bytes Board::fillCommand(const Bytes& cmd) {
    const std::uint16_t start = wordOf(cmd, 2), end = wordOf(cmd, 4);
    const std::uint8_t value = cmd[6];
    const std::uint8_t hw = hardwareBankLocked();
    for (std::uint32_t a = start; a <= end; ++a) {
        const auto address = static_cast<std::uint16_t>(a);
        if (cmd[1] == 'P')
            target_.memory().setCode(hw, address, value);
        else
            blockWrite(address, value);
    }
    return {Done};
}

}  // namespace tarvex::sim
