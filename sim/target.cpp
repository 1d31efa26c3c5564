#include "sim/target.hpp"

namespace tarvex::sim {

Target::Target() {
    resetSfrs();
}

void Target::resetSfrs() {
    sfr_.fill(0);
    for (int port : {0x80, 0x90, 0xA0, 0xB0}) setSfr(static_cast<std::uint8_t>(port), 0xFF);
    setSfr(0x81, 0x07);
}

}  // namespace tarvex::sim
