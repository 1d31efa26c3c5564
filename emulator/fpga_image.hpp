#pragma once
// The FPGA image the trace board is loaded with: which image fits the board
// generation, the pod, the processor family and the firmware, and the name
// the emulator object stores. Standard headers only, so that the simulator
// can build its stand-in installation from the same names without taking in
// the SFR configuration.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarvex {

struct FpgaImageChoice {
    // Without folder and extension; empty when no image fits.
    std::string name;
    // The trace board's mode switches to set; nothing = leave as it is.
    std::optional<bool> busModeA1;
    std::optional<bool> hookP0;
};

// The image for the board generation (0..2), the pod (0..24), the family
// and the firmware code. Where two names are possible the first is taken
// when `exists` finds its file.
FpgaImageChoice ChooseFpgaImageName(int generation, int pod, int family, int firmwareCode,
                                    const std::function<bool(const std::string&)>& exists);
// The name as the emulator object stores it: without folder and extension,
// and with firmware code 12 "KORLU..." becomes "KORLJ...".
std::string ReduceFpgaName(std::string_view name, std::uint8_t firmwareCode);

}  // namespace tarvex
