#include "sim/master_memory.hpp"

namespace tarvex::sim {

void MasterMemory::map(std::uint16_t address, ReadHook read, WriteHook write) {
    registers_[address] = Register{std::move(read), std::move(write)};
}

std::uint8_t MasterMemory::read(std::uint16_t address) const {
    const auto it = registers_.find(address);
    if (it != registers_.end() && it->second.read) return it->second.read(bytes_[address]);
    return bytes_[address];
}

void MasterMemory::write(std::uint16_t address, std::uint8_t value) {
    bytes_[address] = value;
    const auto it = registers_.find(address);
    if (it != registers_.end() && it->second.write) it->second.write(value);
}

}  // namespace tarvex::sim
