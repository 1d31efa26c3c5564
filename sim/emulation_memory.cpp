#include "sim/emulation_memory.hpp"

namespace tarvex::sim {

void EmulationMemory::clearHookTables(std::size_t bank) {
    routines_[bank % Banks].fill(Routine{});
    hooks_[bank % Banks].clear();
}

std::vector<std::uint8_t>& EmulationMemory::planeOf(Plane plane) {
    switch (plane) {
        case Plane::Code:
            return code_;
        case Plane::SystemHigh:
            return systemHigh_;
        case Plane::Select:
            break;
    }
    return select_;
}

const std::vector<std::uint8_t>& EmulationMemory::planeOf(Plane plane) const {
    return const_cast<EmulationMemory*>(this)->planeOf(plane);
}

}  // namespace tarvex::sim
