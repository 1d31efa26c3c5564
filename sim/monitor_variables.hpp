#pragma once
// The monitor firmware's variables, one byte each under a 16-bit index
// ("RV"/"WV"). The trace board's start counter and mode byte live here.
#include <cstdint>
#include <vector>

namespace tarvex::sim {

class MonitorVariables {
public:
    std::uint8_t get(std::uint16_t index) const { return bytes_[index]; }
    void set(std::uint16_t index, std::uint8_t value) { bytes_[index] = value; }

private:
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(0x10000, 0);
};

}  // namespace tarvex::sim
