#include "sim/master_memory.hpp"

namespace tarvex::sim {

void MasterMemory::map(std::uint16_t address, ReadHook read, WriteHook write) {
    registers_[address] = Register{std::move(read), std::move(write)};
}

void MasterMemory::mapWindow(std::uint16_t base, std::span<std::uint8_t> memory) {
    windows_.push_back(Window{base, memory});
}

std::uint8_t& MasterMemory::cell(std::uint16_t address) {
    for (const Window& w : windows_) {
        const std::size_t offset = static_cast<std::size_t>(address) - w.base;
        if (address >= w.base && offset < w.memory.size()) return w.memory[offset];
    }
    return bytes_[address];
}

std::uint8_t MasterMemory::cell(std::uint16_t address) const {
    return const_cast<MasterMemory*>(this)->cell(address);
}

std::uint8_t MasterMemory::read(std::uint16_t address) const {
    const auto it = registers_.find(address);
    if (it != registers_.end() && it->second.read) return it->second.read(cell(address));
    return cell(address);
}

void MasterMemory::write(std::uint16_t address, std::uint8_t value) {
    cell(address) = value;
    const auto it = registers_.find(address);
    if (it != registers_.end() && it->second.write) it->second.write(value);
}

}  // namespace tarvex::sim
