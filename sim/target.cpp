#include "sim/target.hpp"

namespace tarvex::sim {

Target::Target(std::size_t codeBanks)
    : code_(codeBanks == 0 ? 1 : codeBanks, std::vector<std::uint8_t>(0x10000, 0xFF)) {}

}  // namespace tarvex::sim
