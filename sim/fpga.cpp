#include "sim/fpga.hpp"

namespace tarvex::sim {

void Fpga::beginLoad(std::size_t size) {
    loaded_ = false;
    loading_ = true;
    remaining_ = size;
    received_ = 0;
}

bool Fpga::take() {
    if (!loading_ || remaining_ == 0) return false;
    ++received_;
    return --remaining_ == 0;
}

std::uint8_t Fpga::finishLoad() {
    loading_ = false;
    remaining_ = 0;
    // An empty image configures nothing.
    const std::optional<std::uint8_t> failure = received_ == 0 ? std::optional<std::uint8_t>(0x02) : failure_;
    failure_.reset();
    loaded_ = !failure || *failure == 0x00;
    return loaded_ ? 0x00 : *failure;
}

std::size_t ExpectedFpgaImageSize(std::uint8_t firmwareCode) {
    return firmwareCode == 11 || firmwareCode == 12 ? 14751 : 32768;
}

}  // namespace tarvex::sim
