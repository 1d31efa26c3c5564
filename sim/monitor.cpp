#include "sim/monitor.hpp"

#include "sim/target.hpp"

namespace tarvex::sim {

namespace {

std::uint8_t sfrAt(std::uint16_t address, std::size_t index) {
    return static_cast<std::uint8_t>(0x80 | ((address + index) & 0x7F));
}

}  // namespace

Monitor::Monitor(Target& target) : target_(target) {}

std::vector<std::uint8_t> Monitor::readSfrs(std::uint16_t address, std::size_t count) const {
    std::vector<std::uint8_t> out(count);
    for (std::size_t i = 0; i < count; ++i) out[i] = target_.sfr(sfrAt(address, i));
    return out;
}

void Monitor::writeSfr(std::uint16_t address, std::size_t index, std::uint8_t value) {
    target_.setSfr(sfrAt(address, index), value);
}

}  // namespace tarvex::sim
