#include "emulator/master_block.hpp"

#include "core/conversions.hpp"
#include "core/errors.hpp"
#include "core/format.hpp"

namespace tarvex {

namespace {

std::string header(char letter, std::uint16_t address, std::size_t count) {
    // A block that wrapped past 0xFFFF would land at the bottom of master
    // memory; one that does not fit a write would be cut by the transport.
    if (count == 0 || count > MaxMasterBlock || address + count > 0x10000u)
        throw EVokWinValueError(Format("Master block of %d bytes at %s not possible", count, WordToHex(address)));
    std::string command;
    command.reserve(MasterBlockHeader + count);
    command += letter;
    command += 'N';
    command += static_cast<char>(count);
    command += static_cast<char>(address >> 8);
    command += static_cast<char>(address & 0xFF);
    return command;
}

}  // namespace

std::string MasterBlockWriteCommand(std::uint16_t address, std::string_view bytes) {
    std::string command = header('P', address, bytes.size());
    command += bytes;
    return command;
}

std::string MasterBlockReadCommand(std::uint16_t address, std::size_t count) {
    return header('D', address, count);
}

}  // namespace tarvex
