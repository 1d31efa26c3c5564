#pragma once
// The board's on-board flash: two blocks of 64 KB, one of them selected,
// reached by IAP calls (query, erase, write, read) and by block transfers.
// Erased bytes read 0xFF; both blocks hold the board's identification
// (device version 0x3FF8, hardware id 0x3FFC, serial number 0x3FFD/0x3FFE);
// block 1 alone holds the firmware date at 0x3FF9..0x3FFB, so that a reader
// of the wrong block sees erased bytes there.
#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace tarvex::sim {

class Flash {
public:
    Flash(std::uint16_t serialNumber, std::uint8_t hardwareId, std::uint8_t deviceVersion,
          std::array<std::uint8_t, 3> block1Date = {0xFF, 0xFF, 0xFF});

    std::uint8_t block() const { return block_; }
    void select(std::uint8_t block) { block_ = block & 1; }
    void toggle() { block_ ^= 1; }
    std::uint8_t at(std::uint8_t block, std::uint16_t address) const { return blocks_[block & 1][address]; }

    // An IAP call on the selected block; the answer byte. Function 0 is the
    // query (answered with `queryAnswer`), 1 erases the 8 KB block holding
    // the address, 2 writes a byte, 3 reads one, 6 writes the boot vector
    // (address 1) or the status byte (address 2), 7 reads them (address 1 the
    // status byte, 2 the boot vector), 8 erases both blocks whole; others do
    // nothing.
    std::uint8_t iap(std::uint8_t function, std::uint16_t address, std::uint8_t data, std::uint8_t queryAnswer);

    // A block transfer: `count` data bytes follow, last byte first; the first
    // of them goes to `lastAddress` and the rest downwards.
    void beginTransfer(std::uint16_t lastAddress);
    // Stores one data byte (the index'th of the transfer) and gives what a
    // byte-wise transfer answers after it.
    std::uint8_t transferByte(std::uint8_t byte, std::size_t index);
    // In a byte-wise transfer, answer `value` after data byte `index`, in the
    // transfer after `skip` others.
    void failByteAt(std::size_t index, std::uint8_t value, std::size_t skip = 0) { fault_ = Fault{index, value, skip}; }

private:
    std::array<std::vector<std::uint8_t>, 2> blocks_;
    std::uint8_t block_ = 0;
    std::uint8_t bootVector_ = 0x00;
    std::uint8_t statusByte_ = 0x00;
    std::uint16_t next_ = 0;
    struct Fault {
        std::size_t index;
        std::uint8_t value;
        std::size_t skip;
    };
    std::optional<Fault> fault_;
    bool faultActive_ = false;
};

}  // namespace tarvex::sim
