#pragma once
// A stand-in installation root, as the driver finds its files there: the SFR
// definition file and the monitor data file of the repository, and an FPGA
// image for every name the driver's image choice can produce. The images are
// patterns of the generation's size, not configurations: the simulated
// board counts their bytes.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace tarvex::sim {

// Byte i is (i × 7 + 0x5A) mod 256.
std::vector<std::uint8_t> StandinFpgaImage(std::size_t size);
// By the name's generation: 14,751 bytes for the TARVEX-IV ("KORL…"),
// 32,768 for the TARVEX-V ("T5…"), 49,152 for the TARVEX-6 ("T6…").
std::size_t StandinFpgaImageSize(std::string_view name);
// Every name (without folder and extension) that generations 0-2, pods
// 0-24, families 1-18 and firmware codes 12, 13, 14, 16 and 21 give, with
// both names of a pair and with and without the variant suffix.
std::set<std::string> StandinFpgaImageNames();
// Creates `root` when missing and writes VokRegs.txt and VokMonitor.txt
// (copied from `dataDir`) and the images "<name>.bin" into it. Each file is
// replaced whole or not at all; a missing data file raises.
void MakeStandinRoot(const std::filesystem::path& root, const std::filesystem::path& dataDir);

}  // namespace tarvex::sim
