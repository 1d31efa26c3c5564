#pragma once
// The board's monitor program as far as the link sees it: the target's SFRs
// reached directly ("DS"/"PS"), and the target reset ("Z"), which answers the
// register string built from the SFR table the driver wrote to master
// 0x7B00. The monitor keeps no state of its own: the SFRs and the internal
// RAM are the target's, the save area and the table are master memory, the
// processor family is monitor variable 15.
#include <cstdint>
#include <vector>

namespace tarvex::sim {

class Target;

class Monitor {
public:
    explicit Monitor(Target& target);

    // "DS" / "PS": the low byte of the address names the SFR (bit 7 set or
    // not); a block goes on upwards and wraps within 0x80-0xFF.
    std::vector<std::uint8_t> readSfrs(std::uint16_t address, std::size_t count) const;
    void writeSfr(std::uint16_t address, std::size_t index, std::uint8_t value);

private:
    Target& target_;
};

}  // namespace tarvex::sim
