// Feeds arbitrary bytes to the firmware update's readers. Every piece they
// accept lies inside flash block 1 and is no longer than one transfer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "core/errors.hpp"
#include "core/firmware_image.hpp"

namespace {

void check(const std::vector<tarvex::FirmwarePiece>& pieces) {
    for (const auto& p : pieces) {
        if (p.bytes.empty() || p.bytes.size() > tarvex::FirmwarePieceSize) std::abort();
        if (p.address < tarvex::FirmwareBase || p.address + p.bytes.size() > tarvex::FirmwareEnd) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        check(tarvex::FirmwareFromHex(text, "fw.hex"));
    } catch (const tarvex::EVokWinFileError&) {
    }
    try {
        check(tarvex::FirmwareFromBinary(text, "fw.bin"));
    } catch (const tarvex::EVokWinFileError&) {
    }
    return 0;
}
